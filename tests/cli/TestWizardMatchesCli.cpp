// The wizard and qimport-cli, given the same source file and saved mapping, must
// send the service the same record requests byte for byte: both run here against
// one local stand-in service over HTTPS, one after the other.

#include "CliTestSupport.h"
#include "SandboxProcess.h"
#include "ScriptedPrompt.h"
#include "WindowTestSupport.h"

#include "app/Unit1.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace
{
// Windows-1252 bytes (é), a quoted cell with a comma and one with a line break, a
// date read day first, two flag columns, an empty cell and a row with one cell only.
const QByteArray SourceBytes = "First,Last,Email,Joined,Flag,Flag,Notes\r\n"
                               "Jos\xe9,\"Smith, Jr.\",jose@example.org,03/02/2019,Driver,Usher,\"one\r\ntwo\"\r\n"
                               "Ann,O'Neil,ann@example.org,,Cook,,100% & more\r\n"
                               "Bo\r\n"
                               ",,,,,,\r\n"
                               "Cy,Lee,cy@example.org,31/12/2020,,Usher,\r\n";

const QByteArray MappingBytes = "A\tCore\tName\tFirst name\n"
                                "B\tCore\tName\tLast name\n"
                                "C\tCore\tAddress\tEmail\n"
                                "D\tProfile\tPersonal\tDate joined\tDMY\n"
                                "E\tCore\tFlags\tFlags\n"
                                "F\tcore\tflags\tFLAGS\n"
                                "G\tNotes\tNotes\tNotes\n";

const QString RecordMarker = QStringLiteral("&RT=31&");
} // namespace

class TestWizardMatchesCli : public QObject
{
    Q_OBJECT

    TSandboxProcess Sandbox;
    QTemporaryDir SandboxData;
    QTemporaryDir WizardDir;
    QTemporaryDir CliDir;
    QString SourcePath;
    QString MappingPath;

    // The whole wizard road with the mapping loaded from the file; returns the record requests received.
    QStringList ImportThroughWizard()
    {
        TScriptedPrompt prompt;
        auto window = MakeTestWindow(WizardDir, prompt, {Sandbox.Host(), Sandbox.CAFile()});
        TForm1& form = *window;

        QString failed = WizardSteps::LogIn(form, QStringLiteral("123456789"), QStringLiteral("demo@example.org"),
                                            QStringLiteral("sandbox-demo"));
        if (failed.isEmpty())
            failed = WizardSteps::OpenSourceFile(form, SourcePath, true);
        if (failed.isEmpty()) {
            prompt.QueueFileName(MappingPath);
            form.Button24->click();
            failed = WizardSteps::ChooseSecondSite(form);
        }
        if (!failed.isEmpty())
            return {failed + QLatin1Char(' ') + prompt.Shown.join(QLatin1Char('|'))};

        if (!Sandbox.Reset())
            return {QStringLiteral("reset failed")};
        form.Button20Click();
        if (!QTest::qWaitFor([&] { return form.Button18->isEnabled(); }, 20000))
            return {QStringLiteral("import did not finish")};
        if (!prompt.Errors.isEmpty() || !prompt.Failures.isEmpty())
            return {QStringLiteral("wizard errors: ") + (prompt.Errors + prompt.Failures).join(QLatin1Char('|'))};
        return Sandbox.Requests().filter(RecordMarker);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(SandboxData.isValid() && WizardDir.isValid() && CliDir.isValid());
        QVERIFY2(Sandbox.Start(SandboxData.path()), qPrintable(Sandbox.ErrorText()));
        SourcePath = CliDir.filePath(QStringLiteral("monthly.csv"));
        MappingPath = CliDir.filePath(QStringLiteral("monthly.qmap"));
        QVERIFY(WriteFile(SourcePath, SourceBytes));
        QVERIFY(WriteFile(MappingPath, MappingBytes));
        QVERIFY(WriteFile(CliDir.filePath(QStringLiteral("qimport.INI")),
                          SettingsText("123456789", "demo@example.org", true)));
    }

    void sameFileAndMapping_byteIdenticalRecordRequests()
    {
        QVERIFY(Sandbox.Reset());
        const QStringList wizard = ImportThroughWizard();

        QVERIFY(Sandbox.Reset());
        QProcessEnvironment env = CleanEnvironment();
        env.insert(QStringLiteral("QIMPORT_PASSWORD"), QStringLiteral("sandbox-demo"));
        const TCliResult cli =
            RunExecutable(CliDir.path(),
                          {"import", SourcePath, "--mapping", MappingPath, "--site", "2", "--headings", "--host",
                           Sandbox.Host(), "--ca-file", Sandbox.CAFile()},
                          env);
        QVERIFY2(cli.ExitCode == 0, qPrintable(QString::number(cli.ExitCode) + QLatin1Char(' ') + cli.Err));
        const QStringList command = Sandbox.Requests().filter(RecordMarker);

        // Rows with no cell mapped to anything are not sent, so five data rows make four records.
        QCOMPARE(wizard.size(), 4);
        QCOMPARE(command.size(), wizard.size());
        for (qsizetype i = 0; i < wizard.size(); ++i)
            QCOMPARE(command.at(i).toUtf8(), wizard.at(i).toUtf8());

        // The file's own features reached the wire, so the comparison covers them.
        // Only printable ASCII is sent: the accented letter is folded to its plain form, on both roads alike.
        QVERIFY2(wizard.at(0).contains(QStringLiteral("&1_1=Jose&")), qPrintable(wizard.at(0)));
        QVERIFY(wizard.at(0).contains(QStringLiteral("&SI=2&")));
        QVERIFY(wizard.at(0).contains(QStringLiteral("1_2=Smith, Jr.")));
        QVERIFY(wizard.at(0).contains(QStringLiteral("8_1_F=1&8_1=03/02/2019")));
        QVERIFY(wizard.at(0).contains(QStringLiteral("1_19_1=Driver&1_19_2=Usher")));
        QVERIFY(wizard.at(0).contains(QStringLiteral("99_13=one[br]two")));
        QVERIFY2(wizard.at(1).contains(QStringLiteral("100%25 %26 more")), qPrintable(wizard.at(1)));
    }
};

QTEST_MAIN(TestWizardMatchesCli)
#include "TestWizardMatchesCli.moc"
