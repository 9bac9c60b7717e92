#include "exchange/Credentials.h"

#include <QtTest>

class TestCredentials : public QObject
{
    Q_OBJECT

private slots:
    void digitsOnly_keepsAsciiDigitsInOrder()
    {
        QCOMPARE(DigitsOnly(QStringLiteral("123-456-789")), QStringLiteral("123456789"));
        QCOMPARE(DigitsOnly(QStringLiteral("A1B2C3D4E5F6G7H8I9")), QStringLiteral("123456789"));
        QCOMPARE(DigitsOnly(QString::fromUtf8("1\u0662 3")), QStringLiteral("13"));
        QCOMPARE(DigitsOnly(QString()), QString());
    }

    void isEmailAddress_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("six characters") << "a@b.cd" << false;
        QTest::newRow("seven characters") << "a@bc.de" << true;
        QTest::newRow("at first") << "@abc.de" << false;
        QTest::newRow("blanks then at first") << "   @abc.de" << false;
        QTest::newRow("blanks around a good name") << " \t a@bc.de \r\n" << true;
        QTest::newRow("only dot is last") << "ab@cdef." << false;
        QTest::newRow("first dot last is the only dot") << "abc@def." << false;
        QTest::newRow("dot before at") << "a.b@cdef" << true;
        QTest::newRow("no at") << "abc.defg" << false;
        QTest::newRow("no dot") << "abc@defg" << false;
        QTest::newRow("two ats") << "a@b@c.de" << true;
        QTest::newRow("empty") << "" << false;
    }
    void isEmailAddress()
    {
        QFETCH(QString, login);
        QFETCH(bool, accepted);
        QCOMPARE(IsEmailAddress(login), accepted);
    }

    void trimControl_removesCodesUpToSpace()
    {
        QCOMPARE(TrimControl(QString::fromUtf16(u"\x01 pass word\x1f\x20")), QStringLiteral("pass word"));
        QCOMPARE(TrimControl(QStringLiteral("   ")), QString());
        // A non-breaking space is above code 32 and stays.
        QCOMPARE(TrimControl(QString::fromUtf8("\u00A0x")), QString::fromUtf8("\u00A0x"));
    }
};

QTEST_GUILESS_MAIN(TestCredentials)
#include "TestCredentials.moc"
