#include "app/Application.h"
#include "app/MessageBoxPrompt.h"
#include "app/Unit1.h"
#include "dialogs/Unit2.h"
#include "dialogs/Unit3.h"
#include "dialogs/Unit4.h"
#include "dialogs/Unit5.h"

#include "core/Paths.h"
#include "core/Settings.h"
#include "core/Version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <cstdio>
#include <cstring>
#include <optional>

// The program's five windows, one each.
TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;
TForm5* Form5 = nullptr;

namespace
{
const char Usage[] =
    "Usage: qimport [options]\n"
    "Quillmarsh Import Utility: imports the rows of a tab or comma delimited file.\n"
    "\n"
    "Options:\n"
    "  --host HOST[:PORT]   send to this endpoint host instead of the service (env QIMPORT_HOST)\n"
    "  --ca-file PATH       trust this CA bundle for HTTPS to that host (env QIMPORT_CA_FILE)\n"
    "  --version            print the version and exit\n"
    "  --help               show this text and exit\n"
    "\n";

bool HasArgument(int argc, char** argv, const char* longName, const char* shortName)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], longName) == 0 || (shortName && std::strcmp(argv[i], shortName) == 0))
            return true;
    return false;
}

// The settings file follows the executable's name beside it; elsewhere both programs share one.
TFileLocations WizardFileLocations()
{
    const QString directory = GetExeDirectory();
    QString programName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (programName.isEmpty())
        programName = ProgramFileName();
    return FileLocationsFor(directory, SettingsPathFor(QDir(directory).filePath(programName)),
                            QProcessEnvironment::systemEnvironment());
}

// --help and --version are answered without a window, so they work without a display.
std::optional<int> AnswerWithoutWindow(int argc, char** argv)
{
    const bool help = HasArgument(argc, argv, "--help", "-h");
    if (!help && !HasArgument(argc, argv, "--version", nullptr))
        return std::nullopt;
    QCoreApplication core(argc, argv);
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 1;
    if (help) {
        out.write(Usage);
        out.write(FileLocationsHelpText(WizardFileLocations()).toLocal8Bit());
    } else {
        out.write("qimport " + GetFileVersionText(QCoreApplication::applicationFilePath()).toLatin1() + '\n');
    }
    out.flush();
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> answered = AnswerWithoutWindow(argc, argv))
        return *answered;
    TApplication app(argc, argv);
    TMessageBoxPrompt prompt;
    app.SetPrompt(&prompt);

    TForm1Options options;
    options.Prompt = &prompt;
    options.Endpoint = EndpointOptionsFrom(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment());
    const TFileLocations files = WizardFileLocations();
    MakeFileFolders(files);
    options.SettingsPath = files.SettingsFile;
    options.LogPath = files.LogFile;
    Form1 = new TForm1(options);
    prompt.SetParent(Form1);
    Form2 = new TForm2(Form1->Setup, prompt);
    Form3 = new TForm3();
    Form4 = new TForm4();
    Form5 = new TForm5();
    Form1->AttachWindows(Form2, Form3, Form4, Form5);

    Form1->show();
    const int result = app.exec();
    // The prompt's parent goes first: nothing may show a box through it any more.
    app.SetPrompt(nullptr);
    delete Form5;
    delete Form4;
    delete Form3;
    delete Form2;
    delete Form1;
    return result;
}
