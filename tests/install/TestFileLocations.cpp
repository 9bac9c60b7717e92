// Where the wizard and the command line keep the settings file and the run log: beside the
// program in a folder of its own, in the user's XDG folders when installed or read-only. Both
// real executables are run from scratch folders laid out each way.

#include <QtTest>

#include <memory>
#include <unistd.h>

namespace
{
enum class TLayout
{
    Plain,              // a folder of its own, writable
    Installed,          // bin/ with share/applications/qimport.desktop beside it
    InstalledWithIni,   // the same, already holding qimport.INI
    ReadOnly            // a folder of its own that cannot be written
};

struct TRun
{
    int ExitCode = -1;
    QString Out;
    QString Err;
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A hard link where the file system allows one: the wizard is large and the test places it four times.
bool Place(const QString& program, const QString& folder)
{
    const QString from = QStringLiteral(QIMPORT_BIN_DIR "/") + program;
    const QString to = QDir(folder).filePath(program);
    return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0 || QFile::copy(from, to);
}

// An account the command line takes from the settings file; with no password to be had it then
// stops with its "No password" message, which shows the file was the one read.
const QByteArray SettingsWithAccount = "[Account]\r\nNumber=123456789\r\nLogin=demo@example.org\r\n";
} // namespace

class TestFileLocations : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> Scratch;

    static QProcessEnvironment BaseEnvironment()
    {
        QProcessEnvironment env;
        const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"PATH", "LANG", "LD_LIBRARY_PATH"})
            if (system.contains(QLatin1String(name)))
                env.insert(QLatin1String(name), system.value(QLatin1String(name)));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    static TRun Run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                    bool asNobody = false)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        if (asNobody)
            process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=65534"),
                                                                 QStringLiteral("--regid=65534"),
                                                                 QStringLiteral("--clear-groups"), QStringLiteral("--"),
                                                                 program} +
                                                         args);
        else
            process.start(program, args);
        TRun run;
        if (!process.waitForStarted(10000))
            return run;
        process.closeWriteChannel();
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished(5000);
            return run;
        }
        run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.Out = QString::fromUtf8(process.readAllStandardOutput());
        run.Err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

private slots:
    void initTestCase()
    {
        // Inside the build folder, so the programs can be hard-linked rather than copied.
        QVERIFY(QDir().mkpath(QStringLiteral(QIMPORT_SCRATCH_DIR)));
        Scratch = std::make_unique<QTemporaryDir>(QStringLiteral(QIMPORT_SCRATCH_DIR "/files-XXXXXX"));
        QVERIFY(Scratch->isValid());
        // Another user must be able to reach the programs for the read-only case run as root.
        QFile::setPermissions(Scratch->path(), QFile::permissions(Scratch->path()) | QFile::ReadOther |
                                                   QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    }

    void bothFrontEnds_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("xdgSet");
        QTest::addColumn<bool>("beside");
        QTest::newRow("writable folder") << int(TLayout::Plain) << true << true;
        QTest::newRow("installed folder, XDG variables set") << int(TLayout::Installed) << true << false;
        QTest::newRow("installed folder, home fallbacks") << int(TLayout::Installed) << false << false;
        QTest::newRow("installed folder holding qimport.INI") << int(TLayout::InstalledWithIni) << true << true;
        QTest::newRow("folder that cannot be written") << int(TLayout::ReadOnly) << true << false;
    }

    // The choice both front ends report under --help, and the files they then really use.
    void bothFrontEnds()
    {
        QFETCH(int, layout);
        QFETCH(bool, xdgSet);
        QFETCH(bool, beside);
        const TLayout kind = TLayout(layout);
        const QString root = Scratch->filePath(QString::fromLatin1(QTest::currentDataTag()).replace(
            QRegularExpression(QStringLiteral("[^a-z]+")), QStringLiteral("-")));
        const bool installed = kind == TLayout::Installed || kind == TLayout::InstalledWithIni;
        const QString bin = installed ? root + QStringLiteral("/usr/bin") : root + QStringLiteral("/portable");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(Place(QStringLiteral("qimport"), bin));
        QVERIFY(Place(QStringLiteral("qimport-cli"), bin));
        if (installed)
            QVERIFY(WriteAll(root + QStringLiteral("/usr/share/applications/qimport.desktop"), "[Desktop Entry]\n"));
        if (kind == TLayout::InstalledWithIni)
            QVERIFY(WriteAll(bin + QStringLiteral("/qimport.INI"), SettingsWithAccount));

        const QString home = root + QStringLiteral("/home");
        QProcessEnvironment env = BaseEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        QString configHome = home + QStringLiteral("/.config");
        QString stateHome = home + QStringLiteral("/.local/state");
        if (xdgSet) {
            configHome = root + QStringLiteral("/config");
            stateHome = root + QStringLiteral("/state");
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
            env.insert(QStringLiteral("XDG_STATE_HOME"), stateHome);
        }
        const QString settings = beside ? bin + QStringLiteral("/qimport.INI")
                                        : configHome + QStringLiteral("/qimport/qimport.INI");
        const QString log = beside ? bin + QStringLiteral("/Log.txt") : stateHome + QStringLiteral("/qimport/Log.txt");
        const QString otherLog = beside ? stateHome + QStringLiteral("/qimport/Log.txt") : bin + QStringLiteral("/Log.txt");

        bool asNobody = false;
        if (kind == TLayout::ReadOnly) {
            QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                   QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
            // Permissions do not bind root: run as another user, to whom the folder is read-only.
            if (QFileInfo(bin).isWritable()) {
                if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                    QSKIP("the folder stays writable to root, and setpriv is missing to run as another user");
                asNobody = true;
            }
        }

        for (const QString& program : {QStringLiteral("qimport-cli"), QStringLiteral("qimport")}) {
            const TRun help = Run(QDir(bin).filePath(program), {QStringLiteral("--help")}, env, asNobody);
            QCOMPARE(help.ExitCode, 0);
            QVERIFY2(help.Out.contains(QStringLiteral("settings file  ") + settings + QLatin1Char('\n')),
                     qPrintable(program + QStringLiteral(": ") + help.Out.right(300)));
            QVERIFY2(help.Out.contains(QStringLiteral("run log        ") + log + QLatin1Char('\n')),
                     qPrintable(program + QStringLiteral(": ") + help.Out.right(300)));
            for (const QString& folder : {home, configHome, stateHome})
                QVERIFY2(!QFileInfo::exists(folder), "--help creates nothing");
        }
        if (kind == TLayout::ReadOnly) {
            QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            return;
        }

        // The command line reads the settings file chosen and starts its log there, creating the folders.
        if (kind != TLayout::InstalledWithIni)
            QVERIFY(WriteAll(settings, SettingsWithAccount));
        const TRun fields = Run(QDir(bin).filePath(QStringLiteral("qimport-cli")), {QStringLiteral("fields")}, env);
        QCOMPARE(fields.ExitCode, 2);
        QVERIFY2(fields.Err.startsWith(QStringLiteral("No password")), qPrintable(fields.Err));
        QVERIFY2(ReadAll(log).startsWith("Started "), qPrintable(log));
        QVERIFY(!QFileInfo::exists(otherLog));

        // The wizard starts its log in the same file as soon as its window exists.
        QFile::remove(log);
        QProcess wizard;
        wizard.setProcessEnvironment(env);
        wizard.start(QDir(bin).filePath(QStringLiteral("qimport")), QStringList());
        QVERIFY(wizard.waitForStarted(10000));
        QDeadlineTimer deadline(20000);
        while (!ReadAll(log).startsWith("Started ") && !deadline.hasExpired() && wizard.state() == QProcess::Running)
            wizard.waitForFinished(100);
        const bool started = ReadAll(log).startsWith("Started ");
        wizard.kill();
        wizard.waitForFinished(5000);
        QVERIFY2(started, qPrintable(QString::fromUtf8(wizard.readAllStandardError())));
        QVERIFY(!QFileInfo::exists(otherLog));
    }
};

QTEST_GUILESS_MAIN(TestFileLocations)
#include "TestFileLocations.moc"
