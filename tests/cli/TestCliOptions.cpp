#include "cli/CliOptions.h"
#include "cli/CommandLine.h"

#include <QProcessEnvironment>
#include <QTest>

class TestCliOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_refusesAndUsageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("password option") << QStringList{"import", "f.txt", "--mapping", "m", "--password", "Secr3t"}
                                         << "--password is not accepted";
        QTest::newRow("password=value") << QStringList{"fields", "--password=Secr3t"} << "--password is not accepted";
        QTest::newRow("no command") << QStringList{} << "No command";
        QTest::newRow("unknown command") << QStringList{"upload"} << "Unknown command upload";
        QTest::newRow("unknown option") << QStringList{"rows", "f.txt", "--csv"} << "Unknown option --csv";
        QTest::newRow("rows without file") << QStringList{"rows"} << "needs a FILE";
        QTest::newRow("import without mapping") << QStringList{"import", "f.txt"} << "needs --mapping";
        QTest::newRow("value missing") << QStringList{"import", "f.txt", "--mapping"} << "--mapping needs a value";
        QTest::newRow("flag with value") << QStringList{"rows", "f.txt", "--json=1"} << "takes no value";
        QTest::newRow("json on import") << QStringList{"import", "f.txt", "--mapping", "m", "--json"}
                                        << "--json does not apply";
        QTest::newRow("site on fields") << QStringList{"fields", "--site", "2"} << "--site does not apply";
        QTest::newRow("account on rows") << QStringList{"rows", "f.txt", "--account", "1"} << "--account does not apply";
        QTest::newRow("both headings") << QStringList{"import", "f", "--mapping", "m", "--headings", "--no-headings"}
                                       << "exclude each other";
        QTest::newRow("site not a number") << QStringList{"import", "f", "--mapping", "m", "--site", "north"}
                                           << "--site needs a site number";
        QTest::newRow("negative site") << QStringList{"import", "f", "--mapping", "m", "--site=-3"}
                                       << "--site needs a site number";
        QTest::newRow("extra argument") << QStringList{"rows", "a.txt", "b.txt"} << "Unexpected argument b.txt";
        QTest::newRow("check without mapping") << QStringList{"check", "f.txt"} << "check needs --mapping";
        QTest::newRow("strict on check") << QStringList{"check", "f", "--mapping", "m", "--strict"}
                                         << "--strict does not apply";
        QTest::newRow("site on check") << QStringList{"check", "f", "--mapping", "m", "--site", "2"}
                                       << "--site does not apply";
        QTest::newRow("follow headings on rows") << QStringList{"rows", "f", "--follow-headings"}
                                                 << "--follow-headings does not apply";
        QTest::newRow("mapping on fields") << QStringList{"fields", "--mapping", "m"} << "--mapping does not apply";
        QTest::newRow("results and none") << QStringList{"import", "f", "--mapping", "m", "--results", "r.csv",
                                                         "--no-results"}
                                          << "exclude each other";
        QTest::newRow("results in a dry run") << QStringList{"import", "f", "--mapping", "m", "--dry-run", "--results=r"}
                                              << "a dry run writes no results file";
        QTest::newRow("resume on check") << QStringList{"check", "f", "--mapping", "m", "--resume", "r.csv"}
                                         << "--resume does not apply";
        QTest::newRow("parallel 0") << QStringList{"import", "f", "--mapping", "m", "--parallel", "0"}
                                    << "--parallel needs a number from 1 to 8, not 0";
        QTest::newRow("parallel 9") << QStringList{"import", "f", "--mapping", "m", "--parallel=9"}
                                    << "--parallel needs a number from 1 to 8, not 9";
        QTest::newRow("parallel on check") << QStringList{"check", "f", "--mapping", "m", "--parallel", "2"}
                                           << "--parallel does not apply";
    }

    void parse_refusesAndUsageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, errorPart);
        const TParsedCommandLine parsed = ParseCliArguments(args);
        QVERIFY2(parsed.Error.contains(errorPart), qPrintable(parsed.Error));
        // The refused password itself is never repeated back.
        QVERIFY(!parsed.Error.contains(QLatin1String("Secr3t")));
    }

    void parse_importOptions()
    {
        const TParsedCommandLine parsed =
            ParseCliArguments({"import", "monthly.txt", "--mapping=map.txt", "--no-headings", "--site", "007",
                               "--dry-run", "--account", "123-456-789", "--login=a@b.org", "--host", "h:1",
                               "--ca-file=ca.pem", "--password-file", "pw", "--parallel", "8"});
        QCOMPARE(parsed.Error, QString());
        const TCliOptions& o = parsed.Options;
        QCOMPARE(int(o.Command), int(TCliCommand::Import));
        QCOMPARE(o.FileName, QStringLiteral("monthly.txt"));
        QCOMPARE(o.MappingFile, QStringLiteral("map.txt"));
        QCOMPARE(o.Headings, std::optional<bool>(false));
        QCOMPARE(o.Site, std::optional<QString>(QStringLiteral("7")));
        QVERIFY(o.DryRun);
        QCOMPARE(o.Account, std::optional<QString>(QStringLiteral("123-456-789")));
        QCOMPARE(o.Login, std::optional<QString>(QStringLiteral("a@b.org")));
        QCOMPARE(o.PasswordFile, QStringLiteral("pw"));
        QCOMPARE(o.EndpointArgs, (QStringList{"--host", "h:1", "--ca-file", "ca.pem"}));
        QCOMPARE(o.Parallel, 8);
        QCOMPARE(ParseCliArguments({"import", "f", "--mapping", "m"}).Options.Parallel, 1);
    }

    void parse_checkAndImportChecks()
    {
        const TParsedCommandLine check =
            ParseCliArguments({"check", "f.txt", "--mapping", "m", "--headings", "--follow-headings", "--login=a@b.org"});
        QCOMPARE(check.Error, QString());
        QCOMPARE(int(check.Options.Command), int(TCliCommand::Check));
        QVERIFY(check.Options.FollowHeadings && !check.Options.Strict && !check.Options.AllowUnsent);
        QCOMPARE(check.Options.Headings, std::optional<bool>(true));

        const TParsedCommandLine import =
            ParseCliArguments({"import", "f.txt", "--mapping", "m", "--strict", "--allow-unsent"});
        QCOMPARE(import.Error, QString());
        QVERIFY(import.Options.Strict && import.Options.AllowUnsent && !import.Options.FollowHeadings);
        QVERIFY(CliHelpText().contains(QLatin1String(" 12  the check found something")));
    }

    void parse_defaultsLeaveSettingsChoices()
    {
        const TParsedCommandLine parsed = ParseCliArguments({"import", "f.txt", "--mapping", "m"});
        QCOMPARE(parsed.Error, QString());
        QVERIFY(!parsed.Options.Headings.has_value());
        QVERIFY(!parsed.Options.Site.has_value());
        QVERIFY(!parsed.Options.Account.has_value());
        QVERIFY(!parsed.Options.DryRun);
    }

    void parse_helpWinsOverEverything()
    {
        QCOMPARE(int(ParseCliArguments({"import", "--password", "x", "--help"}).Options.Command),
                 int(TCliCommand::Help));
        QVERIFY(CliHelpText().contains(QLatin1String("9  the run gave up")));
        QVERIFY(CliHelpText().contains(QLatin1String("--host")));
    }

    void watchdogTick_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("unset") << QString() << 1000;
        QTest::newRow("shortened") << "10" << 10;
        QTest::newRow("never slower") << "5000" << 1000;
        QTest::newRow("zero") << "0" << 1000;
        QTest::newRow("not a number") << "fast" << 1000;
    }

    void watchdogTick()
    {
        QFETCH(QString, value);
        QFETCH(int, expected);
        QProcessEnvironment env;
        if (!value.isNull())
            env.insert(QStringLiteral("QIMPORT_WATCHDOG_TICK_MS"), value);
        QCOMPARE(WatchdogTickFrom(env), expected);
    }

    void maskRecord_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("expected");
        const QString head = QStringLiteral("AC=1&EL=a&EP=p%20w&RT=31&SI=0");
        QTest::newRow("pairs kept") << head + "&1_1=Ann" << "AC=1&EL=a&EP=****&RT=31&SI=0&1_1=Ann";
        QTest::newRow("head alone") << head << "AC=1&EL=a&EP=****&RT=31&SI=0";
        QTest::newRow("foreign head shows nothing of it") << "AC=1&EL=a&EP=p w&RT=31&SI=0&1_1=Ann"
                                                          << "AC=1&EL=a&EP=****&RT=31&SI=0";
    }

    void maskRecord()
    {
        QFETCH(QString, record);
        QFETCH(QString, expected);
        QCOMPARE(TCommandLine::MaskRecord(record, QStringLiteral("AC=1&EL=a&EP=p%20w&RT=31&SI=0"),
                                          QStringLiteral("AC=1&EL=a&EP=****&RT=31&SI=0")),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestCliOptions)
#include "TestCliOptions.moc"
