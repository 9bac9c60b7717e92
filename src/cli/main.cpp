#include "cli/CommandLine.h"
#include "core/Paths.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace
{
// Reads one line from the terminal with echo off; none when standard input is not a terminal.
std::optional<QString> ReadSecretFromTerminal(const QString& prompt)
{
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool haveSaved = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (haveSaved) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet); // typed-ahead input is kept
    }
    QByteArray line;
    for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin))
        line.append(char(c));
    if (haveSaved)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    const QString text = QString::fromLocal8Bit(line);
    line.fill('\0');
    return text;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Standard error carries the messages scripts read; the libraries' tracing stays off unless asked for.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("qimport.*.debug=false"));
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);

    TCliEnvironment environment;
    environment.HostDirectory = GetExeDirectory();
    environment.Env = QProcessEnvironment::systemEnvironment();
    // The wizard's settings file, wherever the shared rule puts it.
    environment.Files = FileLocationsFor(
        environment.HostDirectory,
        SettingsPathFor(QDir(environment.HostDirectory).filePath(ProgramFileName())), environment.Env);
    environment.ExecutablePath = QCoreApplication::applicationFilePath();
    environment.Out = &out;
    environment.Err = &err;
    environment.ErrIsTerminal = isatty(STDERR_FILENO) != 0;
    environment.ReadSecret = ReadSecretFromTerminal;

    TCommandLine commandLine(environment);
    const int code = commandLine.Run(QCoreApplication::arguments().mid(1));
    out.flush();
    return code;
}
