// Grabs the wizard's pages as PNG pictures for the documentation. Runs headless
#include "exchange/Exchange.h"
// (QT_QPA_PLATFORM=offscreen) with a throw-away host directory, so no settings
// file or log of a real installation is touched.
#include "app/Unit1.h"
#include "core/Paths.h"
#include "core/Version.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStackedWidget>
#include <QTemporaryDir>

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

    TSilentPrompt prompt;
    TForm1Options options;
    options.HostDirectory = host.path();
    options.Prompt = &prompt;
    options.Clock = [] { return QDateTime(QDate(2019, 3, 14), QTime(21, 5)); };
    TForm1 form(options);
    form.show();

    const QList<QPair<QWidget*, QString>> pages = {
        {form.TabSheet1, QStringLiteral("start-page")},
    };
    int failures = 0;
    for (const auto& [page, name] : pages) {
        form.ShowPage(page);
        QApplication::processEvents();
        const QString path = QDir(outDir).filePath(name + QStringLiteral(".png"));
        if (form.grab().save(path)) {
            std::printf("%s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    form.Exchange->ExitPlease = true;
    form.close();
    return failures == 0 ? 0 : 1;
}
