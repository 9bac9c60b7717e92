#include "exchange/Envelope.h"
#include "exchange/MIMEEncoder.h"
#include "exchange/Replies.h"

#include <QtTest>

class TestEnvelope : public QObject
{
    Q_OBJECT

private slots:
    void encodeString_escapesNine_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("space amp percent") << QStringLiteral(" &%") << QStringLiteral("%20%26%25");
        QTest::newRow("already escaped") << QStringLiteral("%41") << QStringLiteral("%2541");
        QTest::newRow("all nine") << QStringLiteral("%*#&<> []") << QStringLiteral("%25%2A%23%26%3C%3E%20%5B%5D");
        QTest::newRow("left alone") << QStringLiteral("a=b+c/d\r\n\u00e9") << QStringLiteral("a=b+c/d\r\n\u00e9");
        QTest::newRow("repeated") << QStringLiteral("**") << QStringLiteral("%2A%2A");
        QTest::newRow("empty") << QString() << QString();
    }
    void encodeString_escapesNine()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(encodeString(input), expected);
    }

    void requests_carryPasswordAsTheServiceExpects()
    {
        const QString a = QStringLiteral("123456789");
        const QString l = QStringLiteral("a&b=c@example.org");
        const QString p = QStringLiteral(" &%");
        QCOMPARE(LoginRequest(a, l, p), QStringLiteral("AC=123456789&EL=a&b=c@example.org&EP=%20%26%25&RT=1&VE=002"));
        QCOMPARE(FieldListRequest(a, l, p, 2), QStringLiteral("AC=123456789&EL=a&b=c@example.org&EP=%20%26%25&RT=2"));
        QCOMPARE(SiteListRequest(a, l, p), QStringLiteral("AC=123456789&EL=a&b=c@example.org&EP= &%&RT=32"));
        QCOMPARE(RecordHead(a, l, p, QStringLiteral("7")),
                 QStringLiteral("AC=123456789&EL=a&b=c@example.org&EP=%20%26%25&RT=31&SI=7"));
        QCOMPARE(ImportFinishedRequest(a, l, p), QStringLiteral("AC=123456789&EL=a&b=c@example.org&EP=%20%26%25&RT=110"));
    }

    void requests_emptyPasswordKeepsPair()
    {
        QCOMPARE(LoginRequest(QStringLiteral("1"), QStringLiteral("x"), QString()),
                 QStringLiteral("AC=1&EL=x&EP=&RT=1&VE=002"));
        QCOMPARE(SiteListRequest(QStringLiteral("1"), QStringLiteral("x"), QString()), QStringLiteral("AC=1&EL=x&EP=&RT=32"));
    }

    void loginVerdict_byPrefix_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("verdict");
        QTest::newRow("accepted with lines") << QStringLiteral("EL=0\r\nWelcome") << int(TLoginVerdict::Accepted);
        QTest::newRow("outdated") << QStringLiteral("EL=1") << int(TLoginVerdict::Outdated);
        QTest::newRow("EL=10 outdated") << QStringLiteral("EL=10") << int(TLoginVerdict::Outdated);
        QTest::newRow("space before") << QStringLiteral(" EL=0") << int(TLoginVerdict::Rejected);
        QTest::newRow("lower case") << QStringLiteral("el=0") << int(TLoginVerdict::Rejected);
        QTest::newRow("empty") << QString() << int(TLoginVerdict::Rejected);
        QTest::newRow("error page") << QStringLiteral("<html>500</html>") << int(TLoginVerdict::Rejected);
        QTest::newRow("EL=2") << QStringLiteral("EL=2") << int(TLoginVerdict::Rejected);
    }
    void loginVerdict_byPrefix()
    {
        QFETCH(QString, reply);
        QFETCH(int, verdict);
        QCOMPARE(int(LoginVerdict(reply)), verdict);
    }

    void replyLines_splitAtBreaks_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("one without break") << QStringLiteral("a") << QStringList{QStringLiteral("a")};
        QTest::newRow("mixed breaks") << QStringLiteral("a\r\nb\nc\rd")
                                      << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                                                     QStringLiteral("d")};
        QTest::newRow("break at end") << QStringLiteral("a\r\n") << QStringList{QStringLiteral("a")};
        QTest::newRow("LF CR is two breaks") << QStringLiteral("a\n\rb")
                                             << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")};
        QTest::newRow("only break") << QStringLiteral("\n") << QStringList{QString()};
    }
    void replyLines_splitAtBreaks()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, lines);
        QCOMPARE(ReplyLines(reply), lines);
    }

    void serverMessages_caseSensitivePrefixAndCaseInsensitiveDedup()
    {
        TMessageList list;
        QCOMPARE(list.Add(ServerMessages(QStringLiteral("POST=Saved row\r\npost=ignored\r\nother"))),
                 QStringList{QStringLiteral("Saved row")});
        const QStringList added = list.Add(ServerMessages(QStringLiteral("POST=SAVED ROW\nPOST=Second\nPOST=second")));
        QCOMPARE(added, QStringList{QStringLiteral("Second")});
        QCOMPARE(list.Count(), 2);
        QVERIFY(ServerMessages(QStringLiteral("no messages here")).isEmpty());
        QCOMPARE(ServerMessages(QStringLiteral("POST=")), QStringList{QString()});
    }

    void messageList_eachReplyAddsABoundedShareAndSaysWhatWasCut()
    {
        TMessageList list;
        qsizetype listedChars = 0;
        for (int r = 0; r < 20; ++r) {
            // A message of 200,000 characters, 30 of 600 and 200 short ones: past every limit of a reply.
            const QString tag = QStringLiteral("%1").arg(r, 2, 10, QLatin1Char('0'));
            QString reply = QStringLiteral("POST=") + tag + QString(199998, QLatin1Char('x'));
            for (int i = 0; i < 30; ++i)
                reply += QStringLiteral("\r\nPOST=%1 %2 ").arg(tag).arg(i, 2, 10, QLatin1Char('0')) +
                         QString(594, QLatin1Char('m'));
            for (int i = 0; i < 200; ++i)
                reply += QStringLiteral("\nPOST=Reply %1 message %2").arg(r).arg(i);
            const QStringList added = list.Add(ServerMessages(reply));
            QCOMPARE(added.size(), 26);
            QCOMPARE(added.first(),
                     tag + QString(998, QLatin1Char('x')) + QStringLiteral(" ... (199000 more characters not shown)"));
            QVERIFY(added.at(24).startsWith(tag + QStringLiteral(" 23 ")));
            QCOMPARE(added.last(), QStringLiteral("... 206 more lines from the service not shown"));
            for (const QString& line : added)
                listedChars += line.size();
        }
        QCOMPARE(list.Count(), 20 * 26);
        QVERIFY(listedChars < 20 * 16100);

        // Short messages: a hundred per reply; those listed already do not count as left out.
        QStringList many;
        for (int i = 0; i < 150; ++i)
            many.append(QStringLiteral("Row %1 saved").arg(i));
        QCOMPARE(list.Add(many), many.mid(0, 100) + QStringList{"... 50 more lines from the service not shown"});
        QCOMPARE(list.Add(many), many.mid(100));
        QCOMPARE(list.Add({QStringLiteral("ROW 1 SAVED")}), QStringList());
    }

    void parseSiteList_numbersAndNames()
    {
        const QList<TSiteEntry> sites = ParseSiteList(
            QStringLiteral("header\r\nSI_12=North=East\r\nsi_3=lower\nSI_x=Bad number\nSI_NoEquals\nSI_12=North=East"));
        const QList<TSiteEntry> expected{{QStringLiteral("North=East"), 12},
                                         {QStringLiteral("Bad number"), 0},
                                         {QStringLiteral("NoEquals"), 0},
                                         {QStringLiteral("North=East"), 12}};
        QCOMPARE(sites, expected);
        QVERIFY(ParseSiteList(QString()).isEmpty());
    }

    void mime_roundTripsLatin1Content()
    {
        TMIMEEncoder mime;
        mime.ResetData();
        mime.SetPartCount(1);
        const QString text = QStringLiteral("AC=1&EL=caf\u00e9&EP=x\u20ac\U0001F600y&RT=31&F=a\r\n--b");
        mime.SetPartDecodedString(0, text);
        mime.SetPartContentType(0, QStringLiteral("text/plain"));
        mime.SetPartContentTypeAttr(0, QStringLiteral("charset=\"iso-8859-1\""));
        mime.EncodeToString();
        const QByteArray body = mime.Message();
        QVERIFY(body.contains("Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"));
        QVERIFY(body.contains("caf\xe9"));                    // one Latin-1 byte, not UTF-8
        QVERIFY(body.contains("EP=x??y&"));                   // one '?' per character, emoji included
        QVERIFY(!body.contains("MIME-Version"));              // body only
        bool ok = false;
        QCOMPARE(DecodeSinglePartBody(body, &ok), QStringLiteral("AC=1&EL=caf\u00e9&EP=x??y&RT=31&F=a\r\n--b"));
        QVERIFY(ok);
    }

    void mime_boundaryAvoidsContent()
    {
        TMIMEEncoder mime;
        mime.SetPartCount(1);
        mime.SetPartDecodedString(0, QStringLiteral("x\r\n--=_QImportPart_0001--\r\ny"));
        mime.EncodeToString();
        QVERIFY(mime.Boundary() != QStringLiteral("=_QImportPart_0001"));
        bool ok = false;
        QCOMPARE(DecodeSinglePartBody(mime.Message(), &ok), QStringLiteral("x\r\n--=_QImportPart_0001--\r\ny"));
        QVERIFY(ok);
    }

    void mime_emptyContentAndReset()
    {
        TMIMEEncoder mime;
        mime.SetPartCount(1);
        mime.SetPartDecodedString(0, QStringLiteral("old"));
        mime.EncodeToString();
        mime.ResetData();
        QVERIFY(mime.Message().isEmpty());
        QVERIFY_THROWS_EXCEPTION(EMIMEError, mime.EncodeToString());
        mime.SetPartCount(1);
        mime.EncodeToString();
        bool ok = false;
        QCOMPARE(DecodeSinglePartBody(mime.Message(), &ok), QString());
        QVERIFY(ok);
        QVERIFY_THROWS_EXCEPTION(EMIMEError, mime.SetPartDecodedString(1, QStringLiteral("x")));
    }

    void mime_brokenFramingIsReported()
    {
        bool ok = true;
        DecodeSinglePartBody("not a mime body", &ok);
        QVERIFY(!ok);
        ok = true;
        DecodeSinglePartBody("--b\r\nContent-Type: text/plain\r\n\r\nno closing boundary", &ok);
        QVERIFY(!ok);
    }
};

QTEST_GUILESS_MAIN(TestEnvelope)
#include "TestEnvelope.moc"
