#include "app/Application.h"
#include "app/MessageBoxPrompt.h"
#include "app/Unit1.h"
#include "dialogs/Unit2.h"
#include "dialogs/Unit3.h"
#include "dialogs/Unit4.h"
#include "dialogs/Unit5.h"

#include <QProcessEnvironment>

#include <cstdio>
#include <cstring>

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
    "  --help               show this text and exit\n"
    "\n"
    "The settings file (qimport.INI) and the run log (Log.txt) are kept beside the executable.\n";

bool WantsHelp(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}
} // namespace

int main(int argc, char* argv[])
{
    if (WantsHelp(argc, argv)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    TApplication app(argc, argv);
    TMessageBoxPrompt prompt;
    app.SetPrompt(&prompt);

    TForm1Options options;
    options.Prompt = &prompt;
    options.Endpoint = EndpointOptionsFrom(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment());
    Form1 = new TForm1(options);
    prompt.SetParent(Form1);
    Form2 = new TForm2(Form1->Setup, prompt);
    Form3 = new TForm3();
    Form4 = new TForm4();
    Form5 = new TForm5();
    Form1->AttachWindows(Form2, Form3, Form4, Form5);

    Form1->show();
    const int result = app.exec();
    delete Form5;
    delete Form4;
    delete Form3;
    delete Form2;
    delete Form1;
    return result;
}
