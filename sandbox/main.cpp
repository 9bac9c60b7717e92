#include "SandboxCertificates.h"
#include "SandboxServer.h"
#include "SandboxService.h"
#include "core/Paths.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace
{
// Beside the executable for a build or a portable copy, as the programs keep their files; for an
// installed copy, next to the user's run log instead of in the shared program folder.
QString DefaultDataDirectory()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const TFileLocations files =
        FileLocationsFor(programFolder, QDir(programFolder).filePath(QStringLiteral("qimport.INI")),
                         QProcessEnvironment::systemEnvironment());
    const QString base = files.BesideProgram ? programFolder : QFileInfo(files.LogFile).absolutePath();
    return QDir(base).filePath(QStringLiteral("sandbox-data"));
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qimport-sandbox"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local stand-in for the import service (127.0.0.1 only)."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to listen on, 0 for any free one."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption dataOption(QStringLiteral("data-dir"),
                                        QStringLiteral("Folder for the certificates and mailbox.txt."),
                                        QStringLiteral("DIR"));
    const QCommandLineOption delayOption(QStringLiteral("delay-ms"),
                                         QStringLiteral("Delay every import reply by N milliseconds."),
                                         QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption stdinOption(QStringLiteral("exit-with-stdin"),
                                         QStringLiteral("End when standard input closes (for test runners)."));
    parser.addOptions({portOption, dataOption, delayOption, stdinOption});
    parser.process(app);

    bool portOk = false;
    const int port = parser.value(portOption).toInt(&portOk);
    bool delayOk = false;
    const int delayMs = parser.value(delayOption).toInt(&delayOk);
    if (!portOk || port < 0 || port > 65535 || !delayOk || delayMs < 0) {
        std::fputs("qimport-sandbox: --port and --delay-ms take numbers (port 0 to 65535)\n", stderr);
        return 2;
    }
    const QString dataDir = QDir(parser.isSet(dataOption) ? parser.value(dataOption) : DefaultDataDirectory())
                                .absolutePath();

    TSandboxCertificates certificates;
    QString error;
    if (!EnsureCertificates(dataDir, certificates, &error)) {
        std::fprintf(stderr, "qimport-sandbox: %s\n", qPrintable(error));
        return 1;
    }
    TSandboxService service(QDir(dataDir).filePath(QStringLiteral("mailbox.txt")), delayMs);
    TSandboxServer server(service, certificates);
    if (!server.listen(QHostAddress::LocalHost, quint16(port))) {
        std::fprintf(stderr, "qimport-sandbox: cannot listen on 127.0.0.1:%d: %s\n", port,
                     qPrintable(server.errorString()));
        return 1;
    }

    if (parser.isSet(stdinOption)) {
        auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
            char buffer[256];
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                notifier->setEnabled(false);
                QCoreApplication::quit();
            }
        });
    }

    std::printf("READY port=%d ca=%s\n", int(server.serverPort()), qPrintable(certificates.CAFile));
    std::fflush(stdout);
    return app.exec();
}
