#include "cli/CommandLine.h"
#include "core/HandlerGuard.h"
#include "core/Paths.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace
{
// SIGINT and SIGTERM reach the program as bytes on this pipe, read between events.
int SignalPipe[2] = {-1, -1};
volatile sig_atomic_t SignalsCaught = 0;
// While the password prompt has echo off: the terminal's settings to put back.
termios SavedTerminal{};
volatile sig_atomic_t EchoIsOff = 0;

extern "C" void OnStopSignal(int signal)
{
    const int savedErrno = errno;
    SignalsCaught = SignalsCaught + 1;
    if (EchoIsOff)
        tcsetattr(STDIN_FILENO, TCSANOW, &SavedTerminal);
    // A program stuck where no event is handled still ends at the third one.
    if (SignalsCaught >= 3)
        _exit(130);
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

// restart: whether a system call the signal interrupts goes on; the password prompt
// wants its read ended instead.
void CatchStopSignals(bool restart)
{
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = restart ? SA_RESTART : 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Reads one line from the terminal with echo off; none when standard input is not a
// terminal, or when a stop signal came while waiting for it.
std::optional<QString> ReadSecretFromTerminal(const QString& prompt)
{
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    // Echo goes off before the prompt shows, so nothing typed or pasted at once is echoed.
    const bool haveSaved = tcgetattr(STDIN_FILENO, &SavedTerminal) == 0;
    if (haveSaved) {
        termios quiet = SavedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        EchoIsOff = 1;
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet); // typed-ahead input is kept
    }
    CatchStopSignals(false);
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);

    QByteArray line;
    bool interrupted = false;
    for (;;) {
        char c = 0;
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) {
            if (SignalsCaught > 0) {
                interrupted = true;
                break;
            }
            continue;
        }
        if (got <= 0 || c == '\n')
            break;
        line.append(c);
    }
    if (haveSaved) {
        tcsetattr(STDIN_FILENO, TCSANOW, &SavedTerminal);
        EchoIsOff = 0;
    }
    CatchStopSignals(true);
    if (interrupted) {
        std::fputs("\n", stderr);
        line.fill('\0');
        return std::nullopt;
    }
    const QString text = QString::fromLocal8Bit(line);
    line.fill('\0');
    return text;
}

// The command talks to the service, so a stop signal has something to stop.
bool TalksToService(const QStringList& args)
{
    const TCliCommand command = ParseCliArguments(args).Options.Command;
    return command == TCliCommand::Import || command == TCliCommand::Fields || command == TCliCommand::Check;
}
} // namespace

int main(int argc, char* argv[])
{
    // Qt's own poll loop: the GLib one it picks by default costs a fast import several
    // microseconds a row, and nothing here needs GLib's sources.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    // Standard error carries the messages scripts read; the libraries' tracing stays off unless asked for.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("qimport.*.debug=false"));
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QStringList args = QCoreApplication::arguments().mid(1);

    TCommandLine* running = nullptr;
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
    environment.OutIsTerminal = isatty(STDOUT_FILENO) != 0;
    environment.Exit = [](int code) {
        std::fflush(nullptr);
        std::_Exit(code);
    };

    std::unique_ptr<QSocketNotifier> signalNotifier;
    auto deliverSignals = [&running] {
        char bytes[8];
        ssize_t got = 0;
        while ((got = read(SignalPipe[0], bytes, sizeof bytes)) > 0)
            for (ssize_t i = 0; i < got; ++i)
                if (running)
                    running->Interrupt();
    };
    if (TalksToService(args) && pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(SignalPipe[0], QSocketNotifier::Read);
        // Nothing leaves the notifier through Qt: a failure there is only said.
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, signalNotifier.get(),
                         Bounded(deliverSignals, [] {
                             std::fputs(qPrintable(CurrentFailureMessage() + QLatin1Char('\n')), stderr);
                         }));
        CatchStopSignals(true);
    }
    environment.ReadSecret = [&deliverSignals](const QString& prompt) {
        std::optional<QString> typed = ReadSecretFromTerminal(prompt);
        // A signal during the prompt: handled now, not at the first event.
        if (!typed && SignalPipe[0] >= 0)
            deliverSignals();
        return typed;
    };

    TCommandLine commandLine(environment);
    running = &commandLine;
    const int code = commandLine.Run(args);
    running = nullptr;
    out.flush();
    return code;
}
