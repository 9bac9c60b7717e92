#include "core/Conversions.h"
#include "core/RunLog.h"
#include "core/TextDecoder.h"

#include <QtTest>

class TestConversions : public QObject
{
    Q_OBJECT

private slots:
    void strToIntOrZero_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << "123" << 123;
        QTest::newRow("leading spaces and sign") << "  -42" << -42;
        QTest::newRow("plus") << "+7" << 7;
        QTest::newRow("dollar hex") << "$1F" << 31;
        QTest::newRow("x hex") << "x1f" << 31;
        QTest::newRow("0x hex") << "0X1F" << 31;
        QTest::newRow("negative hex") << "-$10" << -16;
        QTest::newRow("trailing space") << "12 " << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("sign only") << "-" << 0;
        QTest::newRow("prefix only") << "0x" << 0;
        QTest::newRow("letters") << "yes" << 0;
        QTest::newRow("max") << "2147483647" << 2147483647;
        QTest::newRow("min") << "-2147483648" << int(-2147483648LL);
        QTest::newRow("overflow") << "2147483648" << 0;
        QTest::newRow("huge") << "99999999999999999999" << 0;
        QTest::newRow("arabic digit") << QString::fromUtf8("\u0661") << 0;
    }
    void strToIntOrZero()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(StrToIntOrZero(text), expected);
    }

    void formatAccountNumber_onlyNineCharacters()
    {
        QCOMPARE(FormatAccountNumber(123456789), QStringLiteral("123-456-789"));
        QCOMPARE(FormatAccountNumber(12345678), QString());
        QCOMPARE(FormatAccountNumber(1234567890), QString());
        QCOMPARE(FormatAccountNumber(-12345678), QStringLiteral("-12-345-678"));
        QCOMPARE(FormatAccountNumber(0), QString());
    }

    void logTime_twelveHourClock()
    {
        QCOMPARE(LogTime(QTime(0, 7)), QStringLiteral("12:07 am"));
        QCOMPARE(LogTime(QTime(12, 0)), QStringLiteral("12:00 pm"));
        QCOMPARE(LogTime(QTime(21, 5)), QStringLiteral("9:05 pm"));
        QCOMPARE(StartedLine(QDateTime(QDate(2019, 3, 14), QTime(21, 5))), QStringLiteral("Started 9:05 pm 03-14-2019"));
        QCOMPARE(StoppedLine(QDateTime(QDate(2019, 1, 5), QTime(0, 7))), QStringLiteral("Stopped 12:07 am 01-05-2019"));
    }

    void splitTextLines_breaksAndNul()
    {
        QCOMPARE(SplitTextLines(QStringLiteral("a\r\nb\nc\rd")), QStringList({"a", "b", "c", "d"}));
        QCOMPARE(SplitTextLines(QStringLiteral("a\r\n")), QStringList({"a"}));
        QCOMPARE(SplitTextLines(QStringLiteral("a\r\n\r\n")), QStringList({"a", ""}));
        QCOMPARE(SplitTextLines(QStringLiteral("a\n\rb")), QStringList({"a", "", "b"}));
        QCOMPARE(SplitTextLines(QString()), QStringList());
        QCOMPARE(SplitTextLines(QString::fromUtf16(u"ab\0cd", 5)), QStringList({"ab"}));
    }

    void decodeText_marksAndFallback()
    {
        TextEncoding found = TextEncoding::Ansi;
        QCOMPARE(DecodeText(QByteArray("\xEF\xBB\xBFJos\xC3\xA9"), &found), QString::fromUtf8("José"));
        QCOMPARE(found, TextEncoding::Utf8Bom);
        QCOMPARE(DecodeText(QByteArray("\xFF\xFEJ\0o\0", 6), &found), QStringLiteral("Jo"));
        QCOMPARE(found, TextEncoding::Utf16LE);
        QCOMPARE(DecodeText(QByteArray("\xFE\xFF\0J\0o", 6), &found), QStringLiteral("Jo"));
        QCOMPARE(found, TextEncoding::Utf16BE);
        QCOMPARE(DecodeText(QByteArray("Jos\xC3\xA9"), &found), QString::fromUtf8("José"));
        QCOMPARE(found, TextEncoding::Ansi);
        // Not valid UTF-8: read as Windows-1252, as spreadsheet programs write it.
        QCOMPARE(DecodeText(QByteArray("Jos\xE9 \x80")), QString::fromUtf8("José €"));
    }

    void encodeText_roundTripsEveryEncoding()
    {
        const QString text = QString::fromUtf8("Zoë €5\r\n");
        for (TextEncoding e : {TextEncoding::Ansi, TextEncoding::Utf8Bom, TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
            TextEncoding found = TextEncoding::Ansi;
            QCOMPARE(DecodeText(EncodeText(text, e), &found), text);
            QCOMPARE(found, e);
        }
        // Text whose single-byte form happens to be valid UTF-8 still reads back unchanged.
        const QString tricky = QString::fromUtf8("Ã©");
        QCOMPARE(DecodeText(EncodeText(tricky, TextEncoding::Ansi)), tricky);
        QCOMPARE(EncodeWindows1252(QString::fromUtf8("a\u4E2Db")), QByteArray("a?b"));
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "TestConversions.moc"
