// The real qimport-cli against the local stand-in service over HTTPS.

#include "CliTestSupport.h"
#include "SandboxProcess.h"

#include "core/RunLog.h"
#include "exchange/Connection.h"
#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "importer/RecordEncoder.h"
#include "mapping/ColumnMap.h"
#include "mapping/FieldCatalogue.h"
#include "mapping/MappingFile.h"
#include "source/RowList.h"
#include "source/SampleGrid.h"
#include "source/SourceFile.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <csignal>

namespace
{
const QByteArray MonthlyFile = "First\tLast\tEmail\tJoined\tFlag1\tFlag2\r\n"
                               "Ann\tSmith\tann@example.org\t03/02/2019\tDriver\tUsher\r\n"
                               "Bob\tJones\tbob@example.org\t\tCook\t\r\n"
                               "Cy\tO'Neil\tcy@example.org\t\t\t\r\n";

const QByteArray MonthlyMapping = "# saved from the mapping page\n"
                                  "A\tCore\tName\tFirst name\n"
                                  "B\tCore\tName\tLast name\n"
                                  "C\tCore\tAddress\tEmail\n"
                                  "D\tProfile\tPersonal\tDate joined\tDMY\n"
                                  "E\tCore\tFlags\tFlags\n"
                                  "F\tCore\tFlags\tFlags\n";

const QString Head = QStringLiteral("AC=123456789&EL=demo@example.org&EP=sandbox-demo&RT=");

QString Record(const QString& site, const QString& pairs)
{
    return Head + QStringLiteral("31&SI=") + site + pairs;
}

// A file of 40 data rows under a heading row, mapped to three fields each.
constexpr int BigRows = 40;
QByteArray BigFile()
{
    QByteArray bytes = "First\tLast\tEmail\r\n";
    for (int row = 2; row <= BigRows + 1; ++row)
        bytes += QStringLiteral("Name%1\tLast%1\tp%1@example.org\r\n").arg(row).toLatin1();
    return bytes;
}
const QByteArray BigMapping = "A\tCore\tName\tFirst name\nB\tCore\tName\tLast name\nC\tCore\tAddress\tEmail\n";
QString BigRecord(int row)
{
    return Record("0", QStringLiteral("&1_1=Name%1&1_2=Last%1&1_14=p%1@example.org").arg(row));
}
// The results file's line for a row of the big file.
QByteArray BigResult(int row, const QString& outcome, const QString& status, int posts, const QString& messages)
{
    return QStringLiteral("%1,%2,%3,%4,%5,Name%1,Last%1,p%1@example.org\r\n")
        .arg(row)
        .arg(outcome, status)
        .arg(posts)
        .arg(messages)
        .toUtf8();
}
const QByteArray BigResultsHead = "\xEF\xBB\xBFRow,Outcome,HTTP status,Posts,Messages,First,Last,Email\r\n";

const QStringList MonthlyPairs = {
    QStringLiteral("&1_1=Ann&1_2=Smith&1_14=ann@example.org&8_1_F=1&8_1=03/02/2019&1_19_1=Driver&1_19_2=Usher"),
    QStringLiteral("&1_1=Bob&1_2=Jones&1_14=bob@example.org&1_19_1=Cook"),
    QStringLiteral("&1_1=Cy&1_2=O'Neil&1_14=cy@example.org"),
};
} // namespace

class TestCliSandbox : public QObject
{
    Q_OBJECT

    TSandboxProcess Sandbox;
    QTemporaryDir SandboxData;
    QTemporaryDir Dir;

    QProcessEnvironment Env(const QString& password = QStringLiteral("sandbox-demo"))
    {
        QProcessEnvironment env = CleanEnvironment();
        env.insert(QStringLiteral("QIMPORT_HOST"), Sandbox.Host());
        env.insert(QStringLiteral("QIMPORT_CA_FILE"), Sandbox.CAFile());
        if (!password.isNull())
            env.insert(QStringLiteral("QIMPORT_PASSWORD"), password);
        return env;
    }
    QString Path(const char* name) const { return Dir.filePath(QLatin1String(name)); }
    QString LogText() const { return QString::fromUtf8(ReadFile(Dir.filePath(QStringLiteral("Log.txt")))); }

private slots:
    void initTestCase()
    {
        QVERIFY(SandboxData.isValid() && Dir.isValid());
        QVERIFY2(Sandbox.Start(SandboxData.path()), qPrintable(Sandbox.ErrorText()));
        QVERIFY(WriteFile(Path("qimport.INI"), SettingsText("123456789", "demo@example.org", true)));
        QVERIFY(WriteFile(Path("monthly.txt"), MonthlyFile));
        QVERIFY(WriteFile(Path("monthly.map"), MonthlyMapping));
        QVERIFY(WriteFile(Path("big.txt"), BigFile()));
        QVERIFY(WriteFile(Path("big.map"), BigMapping));
    }

    void init() { QVERIFY(Sandbox.Reset()); }

    void import_monthlyFile_exactRecords()
    {
        const TCliResult result =
            RunExecutable(Dir.path(), {"import", Path("monthly.txt"), "--mapping", Path("monthly.map")}, Env());
        QCOMPARE(result.ExitCode, 0);
        const QStringList expected{Head + "1&VE=002",       Head + "2",
                                   Head + "32",             Record("0", MonthlyPairs[0]),
                                   Record("0", MonthlyPairs[1]), Record("0", MonthlyPairs[2]),
                                   Head + "110"};
        QCOMPARE(Sandbox.Requests(), expected);
        QCOMPARE(result.OutLines(), (QStringList{"Record 1 received: 7 fields", "Record 2 received: 4 fields",
                                                 "Record 3 received: 3 fields", "3 records imported",
                                                 "Import finished"}));
        QVERIFY(result.Err.contains(QLatin1String("Tab delimiters found")));
        QVERIFY(result.Err.contains(QLatin1String("First row read as column headings (File/ColHeadings of the "
                                                  "settings file)")));
        QVERIFY(result.Err.contains(QLatin1String("3 rows checked: no problems found")));
        // No terminal: no progress bar.
        QVERIFY(!result.Err.contains(QLatin1Char('\r')));

        const QString log = LogText();
        QVERIFY(!log.contains(QLatin1String("sandbox-demo")));
        // The source file is read before the service is asked anything.
        const QStringList expectedInOrder{"Source file: " + Path("monthly.txt"), "Tab delimiters found", "Connect - ",
                                          " SSL on", "Quillmarsh account : 123456789",
                                          "Quillmarsh account credentials validated", "Translation table follows",
                                          " 4 : 8-1", "End translation table", "Check: 3 rows checked: no problems found"};
        qsizetype at = log.lastIndexOf(QLatin1String("Started "));
        for (const QString& line : expectedInOrder) {
            const qsizetype found = log.indexOf(QStringLiteral("\r\n") + line + QStringLiteral("\r\n"), at);
            QVERIFY2(found > at, qPrintable(line));
            at = found;
        }
        QVERIFY(log.endsWith(QLatin1String("\r\n \r\n")));
    }

    void import_sameRecordsAsComposedWithTheWizardsLibraryCalls()
    {
        const TCliResult result = RunExecutable(
            Dir.path(), {"import", Path("monthly.txt"), "--mapping", Path("monthly.map"), "--site=2"}, Env());
        QCOMPARE(result.ExitCode, 0);
        const QStringList sent = Sandbox.Requests().filter(QStringLiteral("&RT=31&"));

        // The window's road: the field-list reply, the source file, the mapping file, one row list per row.
        TRunLog log;
        TExchange exchange(log, nullptr);
        QString fieldList;
        exchange.OnReply = [&](quint16, const QString& reply) { fieldList = reply; };
        SetupRecord setup;
        setup.UseSSL = true;
        ApplyConnectionSettings(exchange.HTTPS1, setup, TEndpointOptions{Sandbox.Host(), Sandbox.CAFile()}, log);
        exchange.PostRequest(FieldListRequest("123456789", "demo@example.org", "sandbox-demo", 2), rcFieldList, false);
        TCatalogue catalogue;
        LoadFieldCatalogue(fieldList, catalogue);
        QStringList sourceLines;
        QChar delimiter;
        QCOMPARE(int(LoadSourceLines(Path("monthly.txt"), sourceLines, delimiter, log, Path("own-log.txt")).Status),
                 int(TSourceStatus::Loaded));
        TColumnMap map{};
        ResetColumnMap(map);
        const TMappingLoad mapping = ResolveMappingFile(
            QString::fromUtf8(MonthlyMapping), catalogue,
            SampleGridColumns(0, SampleGridRows(sourceLines, MaxSampleGridRows)) - 1);
        QVERIFY(mapping.Problems.isEmpty());
        ApplyMappingEntries(mapping.Entries, map);
        QStringList composed;
        for (int r = 1; r < sourceLines.size(); ++r)
            composed << ComposeRecord(BuildRowList(sourceLines[r], r + 1), map, catalogue.Entries, "123456789",
                                      "demo@example.org", "sandbox-demo", "2", r)
                            .Text;
        QCOMPARE(sent, composed);
        QCOMPARE(sent.size(), 3);
    }

    void dryRun_masksPasswordAndPostsNothingAfterFieldList()
    {
        const TCliResult result = RunExecutable(
            Dir.path(), {"import", Path("monthly.txt"), "--mapping", Path("monthly.map"), "--dry-run"}, Env());
        QCOMPARE(result.ExitCode, 0);
        QCOMPARE(Sandbox.Requests(), (QStringList{Head + "1&VE=002", Head + "2"}));
        const QString masked = QStringLiteral("AC=123456789&EL=demo@example.org&EP=************&RT=31&SI=0");
        QCOMPARE(result.OutLines(), (QStringList{masked + MonthlyPairs[0], masked + MonthlyPairs[1],
                                                 masked + MonthlyPairs[2]}));
        QVERIFY(!result.Out.contains(QLatin1String("sandbox-demo")));
        QVERIFY(!result.Err.contains(QLatin1String("sandbox-demo")));
    }

    void import_noHeadingsSendsFirstRowToo()
    {
        const TCliResult result = RunExecutable(
            Dir.path(), {"import", Path("monthly.txt"), "--mapping", Path("monthly.map"), "--no-headings"}, Env());
        QCOMPARE(result.ExitCode, 0);
        const QStringList records = Sandbox.Requests().filter(QStringLiteral("&RT=31&"));
        QCOMPARE(records.size(), 4);
        QCOMPARE(records.first(), Record("0", "&1_1=First&1_2=Last&1_14=Email&8_1_F=1&8_1=Joined&1_19_1=Flag1"
                                              "&1_19_2=Flag2"));
    }

    void wrongPassword_exit6()
    {
        const TCliResult result = RunExecutable(Dir.path(), {"fields"}, Env(QStringLiteral("not-it")));
        QCOMPARE(result.ExitCode, 6);
        QVERIFY(result.Err.contains(QLatin1String("is not correct")));
        QCOMPARE(Sandbox.Requests().size(), 1);
        QVERIFY(!LogText().contains(QLatin1String("not-it")));
    }

    void passwordFile_andFields()
    {
        QVERIFY(WriteFile(Path("pw.txt"), "sandbox-demo\n"));
        const TCliResult result =
            RunExecutable(Dir.path(), {"fields", "--password-file", Path("pw.txt")}, Env(QString()));
        QCOMPARE(result.ExitCode, 0);
        const QStringList lines = result.OutLines();
        QVERIFY(lines.size() > 30);
        QVERIFY(lines.contains(QStringLiteral("1\tCore\tName\tFirst name\tText")));
        QVERIFY(lines.contains(QStringLiteral("25\tProfile\tPersonal\tDate joined\tDate")));
        QVERIFY(lines.contains(QStringLiteral("34\tProfile\tEmail preference\tNewsletter\tTrue or false")));
    }

    void passwordOption_refusedBeforeAnythingIsSent()
    {
        const TCliResult result =
            RunExecutable(Dir.path(), {"fields", "--password", "sandbox-demo"}, Env(QString()));
        QCOMPARE(result.ExitCode, 2);
        QVERIFY(result.Err.contains(QLatin1String("--password is not accepted")));
        QVERIFY(!result.Err.contains(QLatin1String("sandbox-demo")));
        QVERIFY(Sandbox.Requests().isEmpty());
    }

    void badMapping_exit8_everyProblemListed()
    {
        QVERIFY(WriteFile(Path("bad.map"), "A\tCore\tName\tFirst name\n"
                                           "B\tCore\tName\tMaiden name\n"
                                           "H\tCore\tName\tLast name\n"
                                           "C\tProfile\tPersonal\tDate joined\tDDMMYY\n"));
        const TCliResult result =
            RunExecutable(Dir.path(), {"import", Path("monthly.txt"), "--mapping", Path("bad.map")}, Env());
        QCOMPARE(result.ExitCode, 8);
        QVERIFY2(result.Err.contains(QLatin1String("Line 2: ")), qPrintable(result.Err));
        QVERIFY(result.Err.contains(QLatin1String("Line 3: ")));
        QVERIFY(result.Err.contains(QLatin1String("Line 4: ")));
        QVERIFY(!result.Err.contains(QLatin1String("Line 1: ")));
        QCOMPARE(Sandbox.Requests().filter(QRegularExpression(QStringLiteral("&RT=(31|32|110)"))), QStringList());
    }

    void missingSourceFile_foundBeforeLogIn()
    {
        const TCliResult result =
            RunExecutable(Dir.path(), {"import", Path("no-such.txt"), "--mapping", Path("monthly.map")}, Env());
        QCOMPARE(result.ExitCode, 5);
        QVERIFY(Sandbox.Requests().isEmpty());
    }

    // check lists what the import would change or leave out; import acts on it before sending.
    void check_andImportDecisions()
    {
        QVERIFY(WriteFile(Path("langs.txt"), "First\tLast\tEmail\tJoined\tLanguages\r\n"
                                             "Jos\xc3\xa9\tSmith\tjose@example.org\t31/02/2019\tfr\r\n"
                                             "Ann\tLee\tann@example.org\t03/02/2019\tde\r\n"));
        QVERIFY(WriteFile(Path("langs.map"), "A\tCore\tName\tFirst name\n"
                                             "B\tCore\tName\tLast name\n"
                                             "C\tCore\tAddress\tEmail\n"
                                             "D\tProfile\tPersonal\tDate joined\tDMY\n"
                                             "E\tProfile\tCharacteristic\tLanguages\n"));
        const QStringList args{Path("langs.txt"), "--mapping", Path("langs.map")};
        const TCliResult check = RunExecutable(Dir.path(), QStringList{"check"} + args, Env());
        QCOMPARE(check.ExitCode, 12);
        QCOMPARE(check.OutLines(),
                 QStringList({"Column E \"Languages\" (Profile / Characteristic / Languages): this field is never sent; "
                              "the column is left out of every record",
                              QString::fromUtf8("Row 2, column A \"First\" (First name): \"Jos\u00e9\" is sent as \"Jose\""),
                              "Row 2, column D \"Joined\" (Date joined): \"31/02/2019\" is not a date in DMY"}));
        QVERIFY2(check.Err.contains(QLatin1String("2 rows checked: 1 date not in DMY, 1 cell with letters changed, "
                                                  "column E is mapped to a field that is not sent")),
                 qPrintable(check.Err));
        QCOMPARE(Sandbox.Requests(), (QStringList{Head + "1&VE=002", Head + "2"}));

        const QString records = QStringLiteral("&RT=31&");
        QVERIFY(Sandbox.Reset());
        const TCliResult unsent = RunExecutable(Dir.path(), QStringList{"import"} + args, Env());
        QCOMPARE(unsent.ExitCode, 8);
        QVERIFY(unsent.Err.contains(QLatin1String("Nothing was imported: column E is mapped to a field that is never sent")));
        QVERIFY(unsent.Err.contains(QLatin1String("is not a date in DMY")));
        QVERIFY(unsent.Out.isEmpty());
        QCOMPARE(Sandbox.Requests().filter(records), QStringList());

        QVERIFY(Sandbox.Reset());
        const TCliResult strict =
            RunExecutable(Dir.path(), QStringList{"import", "--allow-unsent", "--strict"} + args, Env());
        QCOMPARE(strict.ExitCode, 12);
        QCOMPARE(Sandbox.Requests().filter(records), QStringList());

        QVERIFY(Sandbox.Reset());
        const TCliResult allowed = RunExecutable(Dir.path(), QStringList{"import", "--allow-unsent"} + args, Env());
        QCOMPARE(allowed.ExitCode, 0);
        QCOMPARE(allowed.OutLines().mid(allowed.OutLines().size() - 2),
                 (QStringList{"2 records imported", "Import finished"}));
        const QStringList sent = Sandbox.Requests().filter(records);
        QCOMPARE(sent.size(), 2);
        QVERIFY(sent.first().contains(QLatin1String("&1_1=Jose&")));
    }

    // Next month's export has an id column in front; the mapping saved the headings.
    void shiftedColumns_stopUnlessFollowed()
    {
        QVERIFY(WriteFile(Path("shifted.txt"), "Id\tFirst\tLast\tEmail\tJoined\tFlag1\tFlag2\r\n"
                                               "1\tAnn\tSmith\tann@example.org\t03/02/2019\tDriver\tUsher\r\n"
                                               "2\tBob\tJones\tbob@example.org\t\tCook\t\r\n"
                                               "3\tCy\tO'Neil\tcy@example.org\t\t\t\r\n"));
        QVERIFY(WriteFile(Path("headed.map"), "A\tCore\tName\tFirst name\theading=First\n"
                                              "B\tCore\tName\tLast name\theading=Last\n"
                                              "C\tCore\tAddress\tEmail\theading=Email\n"
                                              "D\tProfile\tPersonal\tDate joined\tDMY\theading=Joined\n"
                                              "E\tCore\tFlags\tFlags\theading=Flag1\n"
                                              "F\tCore\tFlags\tFlags\theading=Flag2\n"));
        // The settings file says headings; the mapping file would say so anyway.
        const QStringList args{"import", Path("shifted.txt"), "--mapping", Path("headed.map")};
        const TCliResult stopped = RunExecutable(Dir.path(), args, Env());
        QCOMPARE(stopped.ExitCode, 8);
        QVERIFY(stopped.Err.contains(QLatin1String("First row read as column headings (the mapping file records "
                                                   "headings)")));
        QVERIFY2(stopped.Err.contains(QLatin1String("Email was column C, is now D")), qPrintable(stopped.Err));
        QVERIFY(stopped.Err.contains(QLatin1String("--follow-headings")));
        QCOMPARE(Sandbox.Requests(), (QStringList{Head + "1&VE=002", Head + "2"}));

        QVERIFY(Sandbox.Reset());
        const TCliResult followed = RunExecutable(Dir.path(), args + QStringList{"--follow-headings"}, Env());
        QCOMPARE(followed.ExitCode, 0);
        QCOMPARE(Sandbox.Requests().filter(QStringLiteral("&RT=31&")),
                 (QStringList{Record("0", MonthlyPairs[0]), Record("0", MonthlyPairs[1]), Record("0", MonthlyPairs[2])}));
    }

    void site_mustBeOneOfTheAccounts_data()
    {
        QTest::addColumn<QString>("site");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("records");
        QTest::newRow("listed") << "2" << 0 << 3;
        QTest::newRow("none") << "0" << 0 << 3;
        QTest::newRow("not listed") << "5" << 2 << 0;
    }

    void site_mustBeOneOfTheAccounts()
    {
        QFETCH(QString, site);
        QFETCH(int, exitCode);
        QFETCH(int, records);
        const TCliResult result = RunExecutable(
            Dir.path(), {"import", Path("monthly.txt"), "--mapping", Path("monthly.map"), "--site", site}, Env());
        QCOMPARE(result.ExitCode, exitCode);
        const QStringList sent = Sandbox.Requests().filter(QStringLiteral("&RT=31&SI=") + site + QLatin1Char('&'));
        QCOMPARE(sent.size(), records);
        if (records == 0) {
            QVERIFY(result.Err.contains(QLatin1String("is not one of the account's Sites: 1 North Branch")));
            QVERIFY(Sandbox.Requests().filter(QStringLiteral("&RT=110")).isEmpty());
        }
    }

    void watchdog_givesUpAfterSixResends_exit9()
    {
        QVERIFY(Sandbox.Fault(QStringLiteral("noreply"), 0, 0, 31));
        QProcessEnvironment env = Env();
        env.insert(QStringLiteral("QIMPORT_WATCHDOG_TICK_MS"), QStringLiteral("10"));
        const TCliResult result = RunExecutable(
            Dir.path(), {"import", Path("monthly.txt"), "--mapping", Path("monthly.map")}, env, 90000);
        QCOMPARE(result.ExitCode, 9);
        const QStringList requests = Sandbox.Requests();
        // One post and six resends of the first row, nothing of the others, then the closing request.
        QCOMPARE(requests.count(Record("0", MonthlyPairs[0])), 7);
        QCOMPARE(requests.filter(QStringLiteral("&RT=31&")).size(), 7);
        QCOMPARE(requests.last(), Head + "110");
        QVERIFY(result.Err.contains(TExchange::TimeoutMessage()));
        QCOMPARE(result.OutLines(),
                 (QStringList{"0 records imported", "Stopped after row 2", "3 rows not imported", "Import finished"}));
        QVERIFY(result.Err.contains(QLatin1String("Row 2 not imported: no reply")));
        QCOMPARE(LogText().count(QStringLiteral("\r\nHttp exception rasied\r\n")) >= 1, true);
    }

    // An error reply to one record fails that row only; a resume then sends exactly
    // that row, and the mailbox ends up holding every row once.
    void recordHttpError_onlyThatRowFailed_resumeSendsItAlone()
    {
        const QString mailbox = QDir(Sandbox.DataDir()).filePath(QStringLiteral("mailbox.txt"));
        QFile::remove(mailbox);
        QVERIFY(Sandbox.Fault(QStringLiteral("status500"), 1, 0, 31, 2));
        const TCliResult first = RunExecutable(
            Dir.path(), {"import", Path("big.txt"), "--mapping", Path("big.map"), "--results", Path("first.csv")}, Env());
        QCOMPARE(first.ExitCode, 10);
        QCOMPARE(first.OutLines().mid(BigRows - 1),
                 (QStringList{"39 records imported", "1 rows not imported", "Import finished"}));
        QVERIFY2(first.Err.contains(QLatin1String("Row 4 not imported: HTTP 500\n")), qPrintable(first.Err));
        QVERIFY(first.Err.contains(QLatin1String("Results file: ") + Path("first.csv")));
        QVERIFY(!first.Out.contains(QLatin1String("Results file")));
        QCOMPARE(Sandbox.Requests().filter(QStringLiteral("&RT=31&")).size(), BigRows);
        QCOMPARE(Sandbox.Requests().filter(QStringLiteral("&RT=110")).size(), 1);

        QByteArray expected = BigResultsHead;
        for (int row = 2, answered = 0; row <= BigRows + 1; ++row) {
            if (row == 4)
                expected += BigResult(row, "failed", "500", 1, "Internal server error (fault switch)");
            else
                expected += BigResult(row, "imported", "200", 1,
                                      QStringLiteral("Record %1 received: 3 fields").arg(++answered));
        }
        const QByteArray written = ReadFile(Path("first.csv"));
        QCOMPARE(written, expected);
        QVERIFY(!written.contains("sandbox-demo"));

        QVERIFY(Sandbox.Reset());
        const TCliResult resumed =
            RunExecutable(Dir.path(),
                          {"import", Path("big.txt"), "--mapping", Path("big.map"), "--resume", Path("first.csv"),
                           "--results", Path("second.csv")},
                          Env());
        QCOMPARE(resumed.ExitCode, 0);
        QCOMPARE(Sandbox.Requests().filter(QStringLiteral("&RT=31&")), QStringList{BigRecord(4)});
        QCOMPARE(resumed.OutLines(),
                 (QStringList{"Record 1 received: 3 fields", "1 records imported", "Import finished"}));
        // The new results file covers the whole file again, so it can itself be resumed from.
        const QList<QByteArray> again = ReadFile(Path("second.csv")).split('\n');
        QCOMPARE(again.size(), BigRows + 2);
        QCOMPARE(again.at(1) + '\n', BigResult(2, "imported", "200", 1, "Record 1 received: 3 fields"));
        QCOMPARE(again.at(3) + '\n', BigResult(4, "imported", "200", 1, "Record 1 received: 3 fields"));

        const QStringList stored = QString::fromLatin1(ReadFile(mailbox)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(stored.size(), BigRows);
        for (int row = 2; row <= BigRows + 1; ++row)
            QCOMPARE(stored.count(QString(BigRecord(row)).replace(QStringLiteral("sandbox-demo"), QStringLiteral("************"))), 1);
    }

    // With four records in flight: every row reaches the service once, an error reply fails
    // only its row, and what is printed and written stays in the file's order, numbered as
    // the service answered; a resume, in flight as well, completes the mailbox.
    void parallel_everyRowOnce_anErrorFailsOnlyItsRow_resumeCompletes()
    {
        const QString mailbox = QDir(Sandbox.DataDir()).filePath(QStringLiteral("mailbox.txt"));
        QFile::remove(mailbox);
        QVERIFY(Sandbox.Fault(QStringLiteral("status500"), 1, 0, 31, 2));
        const TCliResult first =
            RunExecutable(Dir.path(),
                          {"import", Path("big.txt"), "--mapping", Path("big.map"), "--results", Path("par.csv"),
                           "--parallel", "4"},
                          Env());
        QCOMPARE(first.ExitCode, 10);
        const QStringList requests = Sandbox.Requests();
        QCOMPARE(requests.mid(0, 3), (QStringList{Head + "1&VE=002", Head + "2", Head + "32"}));
        QCOMPARE(requests.filter(QStringLiteral("&RT=110")).size(), 1);
        QCOMPARE(requests.last(), Head + "110");
        const QStringList records = requests.filter(QStringLiteral("&RT=31&"));
        QCOMPARE(records.size(), BigRows);
        // The third record to arrive got the error; the others are numbered in the order they arrived.
        QHash<int, int> answeredAs;
        int failedRow = 0;
        for (int i = 0, answered = 0; i < records.size(); ++i) {
            int row = 0;
            for (int r = 2; r <= BigRows + 1 && row == 0; ++r)
                row = records[i] == BigRecord(r) ? r : 0;
            QVERIFY2(row > 0 && !answeredAs.contains(row) && row != failedRow, qPrintable(records[i]));
            if (i == 2)
                failedRow = row;
            else
                answeredAs[row] = ++answered;
        }

        QByteArray expected = BigResultsHead;
        QStringList out;
        for (int row = 2; row <= BigRows + 1; ++row) {
            if (row == failedRow) {
                expected += BigResult(row, "failed", "500", 1, "Internal server error (fault switch)");
                continue;
            }
            const QString message = QStringLiteral("Record %1 received: 3 fields").arg(answeredAs[row]);
            expected += BigResult(row, "imported", "200", 1, message);
            out << message;
        }
        out << "39 records imported" << "1 rows not imported" << "Import finished";
        QCOMPARE(ReadFile(Path("par.csv")), expected);
        QCOMPARE(first.OutLines(), out);
        QVERIFY2(first.Err.contains(QStringLiteral("Row %1 not imported: HTTP 500\n").arg(failedRow)),
                 qPrintable(first.Err));

        QVERIFY(Sandbox.Reset());
        const TCliResult resumed =
            RunExecutable(Dir.path(),
                          {"import", Path("big.txt"), "--mapping", Path("big.map"), "--resume", Path("par.csv"),
                           "--no-results", "--parallel", "4"},
                          Env());
        QCOMPARE(resumed.ExitCode, 0);
        QCOMPARE(Sandbox.Requests().filter(QStringLiteral("&RT=31&")), QStringList{BigRecord(failedRow)});
        const QStringList stored = QString::fromLatin1(ReadFile(mailbox)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(stored.size(), BigRows);
        for (int row = 2; row <= BigRows + 1; ++row)
            QCOMPARE(stored.count(QString(BigRecord(row)).replace(QStringLiteral("sandbox-demo"), QStringLiteral("************"))), 1);
    }

    // A record whose reply never comes is resent by its own watchdog while the other
    // records go on, three at a time beside it.
    void parallel_aHeldReplyIsResentWhileTheOthersGoOn()
    {
        QVERIFY(Sandbox.Fault(QStringLiteral("noreply"), 1, 0, 31));
        QProcessEnvironment env = Env();
        env.insert(QStringLiteral("QIMPORT_WATCHDOG_TICK_MS"), QStringLiteral("30"));
        const TCliResult result =
            RunExecutable(Dir.path(),
                          {"import", Path("big.txt"), "--mapping", Path("big.map"), "--results", Path("held.csv"),
                           "--parallel", "4"},
                          env, 60000);
        QCOMPARE(result.ExitCode, 0);
        const QStringList records = Sandbox.Requests().filter(QStringLiteral("&RT=31&"));
        QCOMPARE(records.size(), BigRows + 1);
        // The held record went first and once more after every other row.
        const QString held = records.first();
        QCOMPARE(records.last(), held);
        QCOMPARE(records.count(held), 2);
        QCOMPARE(QSet<QString>(records.begin(), records.end()).size(), BigRows);
        const QString written = QString::fromUtf8(ReadFile(Path("held.csv")));
        QCOMPARE(written.count(QLatin1String(",imported,200,1,")), BigRows - 1);
        QCOMPARE(written.count(QStringLiteral(",imported,200,2,Record %1 received: 3 fields,").arg(BigRows)), 1);
        QCOMPARE(result.OutLines().mid(BigRows), (QStringList{QStringLiteral("%1 records imported").arg(BigRows),
                                                              "Import finished"}));
    }

    void fiveFailuresInARow_runStops_exit10()
    {
        QVERIFY(Sandbox.Fault(QStringLiteral("status500"), 0, 0, 31, 1));
        const TCliResult result = RunExecutable(
            Dir.path(), {"import", Path("big.txt"), "--mapping", Path("big.map"), "--results", Path("five.csv")}, Env());
        QCOMPARE(result.ExitCode, 10);
        const QStringList requests = Sandbox.Requests();
        QCOMPARE(requests.filter(QStringLiteral("&RT=31&")).size(), 6);
        QCOMPARE(requests.last(), Head + "110");
        QCOMPARE(result.OutLines(), (QStringList{"Record 1 received: 3 fields", "1 records imported",
                                                 "Stopped after row 7", "39 rows not imported", "Import finished"}));
        QVERIFY(result.Err.contains(QLatin1String("The import stops here.")));
        const QString written = QString::fromUtf8(ReadFile(Path("five.csv")));
        QCOMPARE(written.count(QLatin1String(",failed,500,1,")), 5);
        QCOMPARE(written.count(QLatin1String(",not sent,,0,,")), 34);
    }

    void resume_refusedWhenTheFileChanged_exit11_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("results");
        QTest::addColumn<QString>("message");
        const QByteArray results = BigResultsHead + BigResult(2, "imported", "200", 1, "Record 1") +
                                   BigResult(3, "failed", "500", 1, "Error") + BigResult(4, "not sent", "", 0, "");
        QByteArray source = "First\tLast\tEmail\r\nName2\tLast2\tp2@example.org\r\nName3\tLast3\tp3@example.org\r\n"
                            "Name4\tLast4\tp4@example.org\r\n";
        QTest::newRow("unchanged: accepted") << source << results << QString();
        QByteArray edited = source;
        edited.replace("Name3", "Nora3");
        QTest::newRow("failed row edited") << edited << results << "row 3 holds other cells now";
        QTest::newRow("row added") << source + "Name5\tLast5\tp5@example.org\r\n" << results
                                   << "it lists 3 rows, the file now has 4";
        QTest::newRow("no results file") << source << QByteArray("Row;Outcome\r\n") << "is not a results file";
    }
    void resume_refusedWhenTheFileChanged_exit11()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, results);
        QFETCH(QString, message);
        QVERIFY(WriteFile(Path("resume.txt"), source));
        QVERIFY(WriteFile(Path("resume.csv"), results));
        const TCliResult result = RunExecutable(
            Dir.path(), {"import", Path("resume.txt"), "--mapping", Path("big.map"), "--resume", Path("resume.csv"),
                         "--no-results"}, Env());
        const QStringList records = Sandbox.Requests().filter(QStringLiteral("&RT=31&"));
        if (message.isEmpty()) {
            QCOMPARE(result.ExitCode, 0);
            QCOMPARE(records, (QStringList{BigRecord(3), BigRecord(4)}));
            return;
        }
        QCOMPARE(result.ExitCode, 11);
        QVERIFY2(result.Err.contains(message), qPrintable(result.Err));
        QVERIFY(result.Err.contains(QLatin1String("No record was sent.")));
        QVERIFY(records.isEmpty());
        QCOMPARE(ReadFile(Path("resume.csv")), results);
    }

    // The first interrupt stops after the record in flight and still closes the import; a
    // second one ends at once. Either way the results file accounts for every row.
    void interrupt_stopsThenEndsAtOnce_data()
    {
        QTest::addColumn<bool>("twice");
        QTest::addColumn<QString>("parallel");
        QTest::newRow("once") << false << QStringLiteral("1");
        QTest::newRow("twice") << true << QStringLiteral("1");
        // Every record in flight finishes.
        QTest::newRow("once, four in flight") << false << QStringLiteral("4");
    }
    void interrupt_stopsThenEndsAtOnce()
    {
        QFETCH(bool, twice);
        QFETCH(QString, parallel);
        // Every record takes a while, so the signals surely come while one is on its way.
        QVERIFY(Sandbox.Fault(QStringLiteral("delay"), 0, 300, 31));
        QFile::remove(Path("signal.csv"));
        const QString program = Path("qimport-cli");
        if (!QFile::exists(program))
            QVERIFY(QFile::copy(QStringLiteral(QIMPORT_BIN_DIR "/qimport-cli"), program));
        QProcess process;
        process.setProcessEnvironment(Env());
        process.setWorkingDirectory(Dir.path());
        process.start(program, {"import", Path("big.txt"), "--mapping", Path("big.map"), "--results",
                                Path("signal.csv"), "--parallel", parallel});
        QVERIFY(process.waitForStarted(10000));
        process.closeWriteChannel();
        QDeadlineTimer deadline(20000);
        while (Sandbox.Requests().filter(QStringLiteral("&RT=31&")).size() < 2 && !deadline.hasExpired())
            QTest::qWait(20);
        QVERIFY(!deadline.hasExpired());
        ::kill(pid_t(process.processId()), SIGINT);
        if (twice) {
            QTest::qWait(60);
            ::kill(pid_t(process.processId()), SIGTERM);
        }
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());

        const QStringList requests = Sandbox.Requests();
        const QStringList records = requests.filter(QStringLiteral("&RT=31&"));
        QCOMPARE(requests.filter(QStringLiteral("&RT=110")).size(), twice ? 0 : 1);
        if (!twice)
            QCOMPARE(requests.last(), Head + "110");
        const QString written = QString::fromUtf8(ReadFile(Path("signal.csv")));
        QCOMPARE(written.count(QLatin1String("\r\n")), BigRows + 1);
        const int sent = int(records.size());
        QVERIFY(sent >= 2 && sent < BigRows);
        QCOMPARE(written.count(QLatin1String(",not sent,,0,,")), BigRows - sent);
        // The record in flight finished the first time; the second time its reply was never seen.
        QCOMPARE(written.count(QLatin1String(",imported,200,1,")), twice ? sent - 1 : sent);
        QCOMPARE(written.count(QLatin1String(",failed,,1,,")), twice ? 1 : 0);
        QVERIFY(err.contains(QLatin1String("Interrupted")));
        if (twice) {
            QVERIFY(!out.contains(QLatin1String("Import finished")));
        } else {
            QVERIFY2(out.endsWith(QStringLiteral("Stopped after row %1\n%2 rows not imported\nImport finished\n")
                                      .arg(sent + 1)
                                      .arg(BigRows - sent)),
                     qPrintable(out));
        }
        const QString log = LogText();
        QVERIFY(log.endsWith(QLatin1String("\r\n \r\n")));
        QVERIFY(log.contains(QLatin1String("\r\nImport stopped by an interrupt\r\n")));
    }

    void httpErrorOnFieldListOrSiteList_saidAsSuch_exit1_data()
    {
        QTest::addColumn<int>("rt");
        QTest::addColumn<QString>("message");
        QTest::newRow("field list") << 2
                                    << "The service answered the field-list request with an error (HTTP 500). Try "
                                       "again later.";
        QTest::newRow("site list") << 32
                                   << "The service answered the site-list request with an error (HTTP 500). Try "
                                      "again later.";
    }
    void httpErrorOnFieldListOrSiteList_saidAsSuch_exit1()
    {
        QFETCH(int, rt);
        QFETCH(QString, message);
        QVERIFY(Sandbox.Fault(QStringLiteral("status500"), 1, 0, rt));
        const TCliResult result = RunExecutable(
            Dir.path(), {"import", Path("monthly.txt"), "--mapping", Path("monthly.map"), "--site", "2"}, Env());
        QCOMPARE(result.ExitCode, 1);
        QVERIFY2(result.Err.contains(message), qPrintable(result.Err));
        // Not parsed as a catalogue (every mapping line unresolved) or as an account without Sites.
        QVERIFY(!result.Err.contains(QLatin1String("Line 1")));
        QVERIFY(!result.Err.contains(QLatin1String("is not one of the account's Sites")));
        QVERIFY(Sandbox.Requests().filter(QStringLiteral("&RT=31&")).isEmpty());
        QVERIFY(result.Out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCliSandbox)
#include "TestCliSandbox.moc"
