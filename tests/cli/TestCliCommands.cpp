// The command line run in-process: source file outcomes, credentials, and the
// login verdicts against a one-line stand-in server on 127.0.0.1.

#include "CliTestSupport.h"

#include "source/SourceFile.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace
{
// Answers every POST with one scripted status and body, and keeps the bodies it got.
class TOneReplyServer
{
public:
    int Status = 200;
    QByteArray Body = "EL=1";
    // Bodies for requests that contain a marker ("&RT=31&"); the first match wins, else Body.
    QList<QPair<QByteArray, QByteArray>> BodyWhen;
    QList<QByteArray> Received;

    bool Listen()
    {
        QObject::connect(&Server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = Server.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    buffer->append(socket->readAll());
                    const qsizetype end = buffer->indexOf("\r\n\r\n");
                    if (end < 0)
                        return;
                    qsizetype length = 0;
                    for (const QByteArray& line : buffer->left(end).split('\n'))
                        if (line.toLower().startsWith("content-length:"))
                            length = line.mid(15).trimmed().toLongLong();
                    if (buffer->size() < end + 4 + length)
                        return;
                    Received.append(buffer->mid(end + 4, length));
                    QByteArray body = Body;
                    for (const auto& [marker, reply] : BodyWhen) {
                        if (Received.last().contains(marker)) {
                            body = reply;
                            break;
                        }
                    }
                    socket->write("HTTP/1.1 " + QByteArray::number(Status) +
                                  " X\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: " +
                                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
        return Server.listen(QHostAddress::LocalHost, 0);
    }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(Server.serverPort()); }

private:
    QTcpServer Server;
};
} // namespace

class TestCliCommands : public QObject
{
    Q_OBJECT

    QProcessEnvironment EnvFor(const TOneReplyServer& server, bool withPassword = true)
    {
        QProcessEnvironment env = CleanEnvironment();
        env.insert(QStringLiteral("QIMPORT_HOST"), server.Host());
        if (withPassword)
            env.insert(QStringLiteral("QIMPORT_PASSWORD"), QStringLiteral("pass word&1"));
        return env;
    }

private slots:
    void rows_outcomes_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("extraArgs");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("tab file") << QByteArray("a\tb\tc\r\n1\t2\t3\r\n") << QStringList{} << 0
                                  << QStringList{"a\tb\tc", "1\t2\t3"} << "Tab delimiters found";
        QTest::newRow("comma file, quoted break") << QByteArray("name,note\n\"Lee, Ann\",\"two\nlines\"\n")
                                                  << QStringList{} << 0
                                                  << QStringList{"name\tnote", "Lee, Ann\ttwo[br]lines"}
                                                  << "Comma delimiters found";
        QTest::newRow("json keeps empty cells") << QByteArray("a\t\t\"q\"\nb\tc\td\n") << QStringList{"--json"} << 0
                                                << QStringList{"[\"a\",\"\",\"\\\"q\\\"\"]", "[\"b\",\"c\",\"d\"]"}
                                                << "Tab delimiters found";
        QTest::newRow("json, blank rows left out") << QByteArray("x,y\n , \n,z\n") << QStringList{"--json"} << 0
                                                   << QStringList{"[\"x\",\"y\"]", "[\"\",\"z\"]"}
                                                   << "Comma delimiters found";
        QTest::newRow("no delimiter") << QByteArray("one\ntwo\nthree\n") << QStringList{} << 3 << QStringList{}
                                      << InvalidFormatMessage();
        QTest::newRow("zero bytes") << QByteArray() << QStringList{} << 3 << QStringList{} << InvalidFormatMessage();
        QTest::newRow("only delimiters") << QByteArray(",,\n , ,\n") << QStringList{} << 4 << QStringList{}
                                         << EmptyFileMessage();
    }

    void rows_outcomes()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, extraArgs);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("source.txt"));
        QVERIFY(WriteFile(file, content));
        const TCliResult result = RunInProcess(dir.path(), QStringList{"rows", file} + extraArgs, CleanEnvironment());
        QCOMPARE(result.ExitCode, exitCode);
        QCOMPARE(result.OutLines(), out);
        QVERIFY2(result.Err.contains(err), qPrintable(result.Err));
    }

    void rows_unreadableFile()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("missing.txt"));
        const TCliResult result = RunInProcess(dir.path(), {"rows", missing}, CleanEnvironment());
        QCOMPARE(result.ExitCode, 5);
        QVERIFY(result.Out.isEmpty());
        QVERIFY2(result.Err.contains(missing), qPrintable(result.Err));
    }

    void rows_logsLikeTheWizard()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("s.txt"));
        QVERIFY(WriteFile(file, "a\tb\n"));
        QCOMPARE(RunInProcess(dir.path(), {"rows", file}, CleanEnvironment()).ExitCode, 0);
        QCOMPARE(RunInProcess(dir.path(), {"rows", file}, CleanEnvironment()).ExitCode, 0);
        const QStringList log =
            QString::fromUtf8(ReadFile(dir.filePath(QStringLiteral("Log.txt")))).split(QStringLiteral("\r\n"));
        // Two runs, each framed by its start and stop lines and a line of one space.
        QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^Started \\d+:\\d\\d [ap]m \\d\\d-\\d\\d-\\d{4}$")))
                     .size(),
                 2);
        QCOMPARE(log.count(QStringLiteral("Source file: ") + file), 2);
        QCOMPARE(log.count(QStringLiteral("Tab delimiters found")), 2);
        QCOMPARE(log.count(QStringLiteral(" ")), 2);
        const qsizetype started = log.indexOf(QRegularExpression(QStringLiteral("Started .*")));
        QVERIFY(log.at(started + 1).startsWith(QLatin1String("Version: ")));
        QVERIFY(log.at(log.size() - 3).startsWith(QLatin1String("Stopped ")));
    }

    void credentials_shapeChecks_data()
    {
        QTest::addColumn<QByteArray>("number");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("messages");
        const QString account = QStringLiteral("Unable to connect: The account number is not valid.");
        const QString login = QStringLiteral("Unable to connect: The login name is not valid");
        QTest::newRow("eight digits in the settings") << QByteArray("12345678") << QStringList{}
                                                      << QStringList{account};
        QTest::newRow("option overrides settings") << QByteArray("12345678")
                                                   << QStringList{"--account", "A1B2C3D4E5F6G7H8I9"} << QStringList{};
        QTest::newRow("both wrong") << QByteArray("1") << QStringList{"--login", "@x.org"}
                                    << QStringList{account, login};
    }

    void credentials_shapeChecks()
    {
        QFETCH(QByteArray, number);
        QFETCH(QStringList, args);
        QFETCH(QStringList, messages);
        TOneReplyServer server;
        server.Body = "EL=0";
        QVERIFY(server.Listen());
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("qimport.INI")), SettingsText(number, "demo@example.org", false)));
        const TCliResult result = RunInProcess(dir.path(), QStringList{"fields"} + args, EnvFor(server));
        for (const QString& message : messages)
            QVERIFY2(result.Err.contains(message), qPrintable(result.Err));
        QCOMPARE(result.ExitCode, messages.isEmpty() ? 0 : 2);
        // Nothing is sent when a check fails.
        QCOMPARE(server.Received.isEmpty(), !messages.isEmpty());
    }

    void password_sources_data()
    {
        QTest::addColumn<QString>("envPassword");
        QTest::addColumn<QByteArray>("fileContent"); // null: no --password-file
        QTest::addColumn<QString>("typed");          // null: no terminal
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("sentEP");
        QTest::newRow("environment") << "pass word&1" << QByteArray() << QString() << 0
                                     << QByteArray("&EP=pass%20word%261&");
        QTest::newRow("file, first line, trimmed") << QString() << QByteArray("  from file \r\nsecond\r\n")
                                                   << QString() << 0 << QByteArray("&EP=from%20file&");
        QTest::newRow("file wins over environment") << "env" << QByteArray("filed\n") << QString() << 0
                                                    << QByteArray("&EP=filed&");
        QTest::newRow("typed at the prompt") << QString() << QByteArray() << "typed%" << 0
                                             << QByteArray("&EP=typed%25&");
        QTest::newRow("nowhere to get it") << QString() << QByteArray() << QString() << 2 << QByteArray();
    }

    void password_sources()
    {
        QFETCH(QString, envPassword);
        QFETCH(QByteArray, fileContent);
        QFETCH(QString, typed);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, sentEP);
        TOneReplyServer server;
        server.Body = "EL=0\r\n";
        QVERIFY(server.Listen());
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("qimport.INI")),
                          SettingsText("123456789", "demo@example.org", false)));
        QProcessEnvironment env = EnvFor(server, false);
        if (!envPassword.isNull())
            env.insert(QStringLiteral("QIMPORT_PASSWORD"), envPassword);
        QStringList args{"fields"};
        if (!fileContent.isNull()) {
            QVERIFY(WriteFile(dir.filePath(QStringLiteral("pw")), fileContent));
            args << "--password-file" << dir.filePath(QStringLiteral("pw"));
        }
        const TCliResult result = RunInProcess(dir.path(), args, env,
                                               typed.isNull() ? std::nullopt : std::optional<QString>(typed));
        QCOMPARE(result.ExitCode, exitCode);
        if (sentEP.isEmpty()) {
            QVERIFY(server.Received.isEmpty());
            QVERIFY(result.Err.contains(QLatin1String("No password")));
            return;
        }
        QVERIFY(!server.Received.isEmpty());
        QVERIFY2(server.Received.first().contains(sentEP), server.Received.first().constData());
    }

    void login_verdicts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<QString>("message");
        QTest::newRow("outdated") << 200 << QByteArray("EL=1") << 7 << "Outdated import utility version"
                                  << "This version of the Import Utility has expired.";
        QTest::newRow("outdated, another digit") << 200 << QByteArray("EL=10\r\n") << 7
                                                 << "Outdated import utility version" << "has expired";
        QTest::newRow("refused") << 200 << QByteArray("EL=2") << 6 << "Invalid Quillmarsh account credentials"
                                 << "The account number, login name, or password you entered is not correct.";
        QTest::newRow("lower case is no acceptance") << 200 << QByteArray("el=0") << 6
                                                     << "Invalid Quillmarsh account credentials" << "not correct";
        QTest::newRow("error page is no verdict") << 500 << QByteArray("Internal error") << 1
                                                  << "Http error 500 The server answered with HTTP status 500"
                                                  << "answered the login check with an error";
    }

    void login_verdicts()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, exitCode);
        QFETCH(QString, logLine);
        QFETCH(QString, message);
        TOneReplyServer server;
        server.Status = status;
        server.Body = body;
        QVERIFY(server.Listen());
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("qimport.INI")),
                          SettingsText("123456789", "demo@example.org", false)));
        const TCliResult result = RunInProcess(dir.path(), {"fields"}, EnvFor(server));
        QCOMPARE(result.ExitCode, exitCode);
        QVERIFY2(result.Err.contains(message), qPrintable(result.Err));
        QVERIFY(result.Out.isEmpty());
        QCOMPARE(server.Received.size(), 1); // no field list after a refusal
        const QString log = QString::fromUtf8(ReadFile(dir.filePath(QStringLiteral("Log.txt"))));
        QVERIFY2(log.contains(QStringLiteral("\r\n") + logLine + QStringLiteral("\r\n")), qPrintable(log));
        QVERIFY(log.contains(QLatin1String("\r\nQuillmarsh account : 123456789\r\n")));
        QVERIFY(!log.contains(QLatin1String("pass word")));
        QVERIFY(!log.contains(QLatin1String("pass%20word")));
    }

    void import_recordReplyOverTheLimits_cutSaidAndLogged()
    {
        QByteArray flood;
        for (int i = 0; i < 150; ++i)
            flood += "POST=Row " + QByteArray::number(i) + " saved\r\n";
        TOneReplyServer server;
        server.BodyWhen = {{"&RT=1&", "EL=0\r\n"},
                           {"&RT=2", "OK\r\n1\t2\t0\tLast name\t0\r\n"},
                           {"&RT=32", "SI_1=North\r\n"},
                           {"&RT=31&", flood},
                           {"&RT=110", "Import finished\r\n"}};
        QVERIFY(server.Listen());
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("qimport.INI")),
                          SettingsText("123456789", "demo@example.org", false)));
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("rows.txt")), "Last\tFirst\r\nSmith\tAnn\r\n"));
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("rows.map")), "A\tCore\tName\tLast name\n"));
        const QStringList args{"import", dir.filePath(QStringLiteral("rows.txt")), "--mapping",
                               dir.filePath(QStringLiteral("rows.map"))};
        const TCliResult result = RunInProcess(dir.path(), args, EnvFor(server));
        QCOMPARE(result.ExitCode, 0);
        const QStringList out = result.OutLines();
        QCOMPARE(out.size(), 103);
        QCOMPARE(out.at(99), QStringLiteral("Row 99 saved"));
        QCOMPARE(out.at(100), QStringLiteral("... 50 more lines from the service not shown"));
        const QString log = QString::fromUtf8(ReadFile(dir.filePath(QStringLiteral("Log.txt"))));
        QVERIFY2(log.contains(QLatin1String("\r\nMessages from the service cut: 50 lines not shown\r\n")),
                 qPrintable(log));
    }

    void connectionRefused_isAFailureOfAnotherKind()
    {
        quint16 port = 0;
        {
            QTcpServer probe; // a port nobody listens on once it is closed
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("qimport.INI")),
                          SettingsText("123456789", "demo@example.org", false)));
        QProcessEnvironment env = CleanEnvironment();
        env.insert(QStringLiteral("QIMPORT_PASSWORD"), QStringLiteral("x"));
        const TCliResult result =
            RunInProcess(dir.path(), {"fields", "--host", QStringLiteral("127.0.0.1:%1").arg(port)}, env);
        QCOMPARE(result.ExitCode, 1);
        QVERIFY(!result.Err.isEmpty());
    }

    // QIMPORT_WATCHDOG_TICK_MS shortens the client's 60-second limit in the same proportion as the
    // watchdog's 91 ticks, so the client still gives up first: one attempt, no resend.
    void shortenedWatchdog_clientTimeLimitScaled()
    {
        QTcpServer silent; // accepts and never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("qimport.INI")),
                          SettingsText("123456789", "demo@example.org", false)));
        QProcessEnvironment env = CleanEnvironment();
        env.insert(QStringLiteral("QIMPORT_PASSWORD"), QStringLiteral("x"));
        env.insert(QStringLiteral("QIMPORT_WATCHDOG_TICK_MS"), QStringLiteral("10"));
        const TCliResult result =
            RunInProcess(dir.path(), {"fields", "--host", QStringLiteral("127.0.0.1:%1").arg(silent.serverPort())}, env);
        QCOMPARE(result.ExitCode, 1);
        QVERIFY2(result.Err.contains(QStringLiteral("timed out")), qPrintable(result.Err));
        // 600 ms: before the watchdog's 91st tick of 10 ms would reconfigure the connection for a resend.
        const QString log = QString::fromUtf8(ReadFile(dir.filePath(QStringLiteral("Log.txt"))));
        QCOMPARE(log.count(QStringLiteral("\r\nConnect - \r\n")), 1);
    }
};

QTEST_GUILESS_MAIN(TestCliCommands)
#include "TestCliCommands.moc"
