// Grabs the wizard's pages as PNG pictures for the documentation. Runs headless
// (QT_QPA_PLATFORM=offscreen) with a throw-away host directory, so no settings
// file or log of a real installation is touched. Every page is put into the state
// a user would see it in, without a server: replies are handed to the window directly.
#include "app/MessageListModel.h"
#include "app/Unit1.h"
#include "core/Paths.h"
#include "core/Version.h"
#include "dialogs/Unit2.h"
#include "dialogs/Unit3.h"
#include "dialogs/Unit4.h"
#include "dialogs/Unit5.h"
#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "importer/ImportRun.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace
{
// Nothing may wait for an answer here: every question is answered No.
class TSilentPrompt : public IPrompt
{
public:
    void ShowMessage(const QString&) override {}
    void ShowError(const QString&, const QString&) override {}
    bool Confirm(const QString&) override { return false; }
    QString OpenFileName(const QString&, const QString&) override { return QString(); }
    QString SaveFileName(const QString&, const QString&) override { return QString(); }
};

// A field list as the service sends it: line i describes catalogue index i.
const QString SampleCatalogue = QStringLiteral("OK\r\n"
                                               "1\t2\t0\tLast name\t0\r\n"
                                               "1\t3\t0\tFirst name\t0\r\n"
                                               "1\t6\t0\tCity\t0\r\n"
                                               "1\t7\t0\tPostal code\t0\r\n"
                                               "1\t21\t0\tLOGIN NAME\t0\r\n"
                                               "2\t1\t0\tEmergency Contact Kind\t0\r\n"
                                               "2\t2\t0\tContact name\t0\r\n"
                                               "8\t2\t0\tBirth date\t10\r\n"
                                               "8\t3\t0\tVeteran\t3\r\n"
                                               "8\t4\t0\tNickname\t0\r\n"
                                               "99\t7\t0\tRequired hours\t0\r\n"
                                               "99\t6\t0\tHours served\t0\r\n");

const QByteArray SampleSource = "Last name\tFirst name\tCity\tBirth date\tHours\r\n"
                                "Andersen\tMarit\tBergen\t03/12/1984\t12\r\n"
                                "Okafor\tDaniel\tLeeds\t11/02/1979\t40\r\n"
                                "Lindqvist\tSara\tUppsala\t27/07/1991\t8\r\n"
                                "Moreau\tJulien\tLyon\t15/09/1968\t22\r\n"
                                "Tanaka\tYuki\tOsaka\t02/05/1995\t5\r\n";

void Settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

void SelectItem(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (!found.isEmpty())
        list->setCurrentItem(found.first());
}

class TShooter
{
public:
    explicit TShooter(const QString& outDir)
        : OutDir(outDir)
    {
    }

    void Save(QWidget* widget, const QString& name)
    {
        Settle();
        Save(widget->grab(), name);
    }

    void Save(const QPixmap& picture, const QString& name)
    {
        const QString path = QDir(OutDir).filePath(name + QStringLiteral(".png"));
        if (!picture.isNull() && picture.save(path)) {
            std::printf("%s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
            ++Failures;
        }
    }

    int Failures = 0;

private:
    QString OutDir;
};
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString outDir = args.size() > 1 ? args[1] : QStringLiteral("docs/images");
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(outDir));
        return 1;
    }
    QTemporaryDir host;
    if (!host.isValid()) {
        std::fprintf(stderr, "Cannot create a temporary directory\n");
        return 1;
    }
    // The start page shows the version of the program file in the host directory: give it this build's.
    QFile program(QDir(host.path()).filePath(ProgramFileName()));
    if (program.open(QIODevice::WriteOnly)) {
        program.write(VersionRecordBytes(BuiltVersion()));
        program.close();
    }
    const QString sourcePath = QDir(host.path()).filePath(QStringLiteral("volunteers.txt"));
    QFile source(sourcePath);
    if (!source.open(QIODevice::WriteOnly) || source.write(SampleSource) != SampleSource.size()) {
        std::fprintf(stderr, "Cannot write the sample file\n");
        return 1;
    }
    source.close();

    TSilentPrompt prompt;
    TForm1Options options;
    options.HostDirectory = host.path();
    options.Prompt = &prompt;
    options.Clock = [] { return QDateTime(QDate(2019, 3, 14), QTime(21, 5)); };
    TForm1 form(options);
    TForm2 form2(form.Setup, prompt);
    TForm3 form3;
    TForm4 form4;
    TForm5 form5;
    form5.SetPauseDuration(0);
    form.AttachWindows(&form2, &form3, &form4, &form5);
    form.show();
    TShooter shooter(outDir);

    form.ShowPage(form.TabSheet1);
    shooter.Save(&form, QStringLiteral("start-page"));

    // Credentials: the sandbox's demo account; the password box shows only its mask.
    form.ShowPage(form.TabSheet2);
    form.Edit1->setText(QStringLiteral("123456789"));
    form.Edit2->setText(QStringLiteral("demo@example.org"));
    form.Edit3->setText(QStringLiteral("sandbox-demo"));
    shooter.Save(&form, QStringLiteral("credentials-page"));

    // File: a sample file chosen, with headings in the first line.
    form.ShowPage(form.TabSheet3);
    form.Edit4->setText(sourcePath);
    form.Edit4Exit();
    form.CheckBox1->setChecked(true);
    // The throw-away directory's name changes on every run: show a steady, typical path instead.
    form.Edit4->setText(QStringLiteral("/home/jordan/Documents/volunteers.txt"));
    form.Edit4->setCursorPosition(0);
    shooter.Save(&form, QStringLiteral("file-page"));
    form.Edit4->setText(sourcePath);
    form.FileName = sourcePath;

    // Mapping: the field list and the file loaded as after Next, the first column mapped.
    form.LoadFieldCatalogue(SampleCatalogue);
    form.LoadSourceFile();
    form.ShowPage(form.TabSheet4);
    form.StringGrid1->setCurrentCell(1, 1);
    form.StringGrid1Click();
    form.RadioButton21->click();
    SelectItem(form.ListBox4, form.ListBox4->count() > 0 ? form.ListBox4->item(0)->text() : QString());
    if (form.ListBox5->count() > 0)
        form.ListBox5->setCurrentRow(0);
    SelectItem(form.ListBox6, QStringLiteral("Last name"));
    form.StringGrid1->setCurrentCell(1, 2);
    form.StringGrid1Click();
    form.RadioButton21->click();
    if (form.ListBox4->count() > 0)
        form.ListBox4->setCurrentRow(0);
    if (form.ListBox5->count() > 0)
        form.ListBox5->setCurrentRow(0);
    SelectItem(form.ListBox6, QStringLiteral("First name"));
    form4.hide();
    shooter.Save(&form, QStringLiteral("mapping-page"));

    // The tutorial overlay over the mapping page, all arrows drawn at once.
    form.Button22Click();
    Settle();
    // The overlay as it is seen: its picture with Close Tutorial on it.
    shooter.Save(form5.grab(), QStringLiteral("tutorial-overlay"));
    form5.hide();

    // Test: the first data row as it would be sent, and the check of every row done.
    form.Button10Click();
    for (int i = 0; i < 1000 && form.Timer2->isActive(); ++i)
        QApplication::processEvents();
    form4.hide();
    shooter.Save(&form, QStringLiteral("test-page"));

    // Site: an account with two sites, the second choice taken.
    form.LoadSiteList(QStringLiteral("SI_1=North Branch\r\nSI_2=South Branch"));
    form.ShowPage(form.TabSheet6);
    form.RadioButton19->click();
    form.ComboBox1->setCurrentIndex(1);
    shooter.Save(&form, QStringLiteral("site-page"));

    // Import: a finished run, its service messages and the summary, simulated without a server.
    form.ShowPage(form.TabSheet7);
    form.Button20->setEnabled(false);
    form.Label20->hide();
    form.Button16->setEnabled(false);
    form.Gauge3->hide();
    // One reply per record, dispatched as the exchange would: messages listed, count shown.
    for (const char* message : {"Andersen, Marit: added", "Okafor, Daniel: added",
                                "Lindqvist, Sara: Birth date not recognised, left empty", "Moreau, Julien: added",
                                "Tanaka, Yuki: added"})
        form.DispatchReply(rcRecord, QStringLiteral("OK\r\nPOST=") + QLatin1String(message));
    form.ImportMessages->Append(SummaryLines(form.RecordsImported, false, 0, 0));
    form.Button18->setEnabled(true);
    shooter.Save(&form, QStringLiteral("import-page"));

    // Final: those five rows in the ledger and in a results file beside the source file.
    form.Ledger.Reset(1, 6);
    for (const TRowEntry& entry : form.Ledger.Entries())
        form.Ledger.At(entry.Line).Outcome = TRowOutcome::Imported;
    form.ResultsPlace = CreateResultsFile(form.Results, sourcePath, host.path(), form.Now(), {QStringLiteral("A")});
    form.Results.Close();
    form.ShowResults();
    form.ShowPage(form.TabSheet8);
    shooter.Save(&form, QStringLiteral("final-page"));

    // Connection Settings: a proxy in use, over SSL.
    form2.show();
    Settle();
    form2.RadioButton2->setChecked(true);
    form2.Edit5->setText(QStringLiteral("proxy.example.org"));
    form2.Edit6->setText(QStringLiteral("3128"));
    form2.Edit9->setText(QStringLiteral("proxy.example.org"));
    form2.Edit10->setText(QStringLiteral("3129"));
    form2.Edit7->setText(QStringLiteral("importer"));
    form2.CheckBox1->setChecked(true);
    shooter.Save(&form2, QStringLiteral("connection-settings"));
    form2.Changed = false;
    form2.hide();

    form.Exchange->ExitPlease = true;
    form.close();
    return shooter.Failures == 0 ? 0 : 1;
}
