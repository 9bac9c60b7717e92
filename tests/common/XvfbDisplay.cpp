#include "XvfbDisplay.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

TXvfbDisplay::~TXvfbDisplay()
{
    Stop();
}

bool TXvfbDisplay::Start(const QSize& screen)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        FError = QStringLiteral("pipe: ") + QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    // The server writes the display number it took to this descriptor.
    const QByteArray fd = QByteArray::number(pipeFds[1]);
    const QByteArray geometry = QByteArray::number(screen.width()) + 'x' + QByteArray::number(screen.height()) + "x24";
    const pid_t pid = fork();
    if (pid < 0) {
        FError = QStringLiteral("fork: ") + QString::fromLocal8Bit(strerror(errno));
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (pid == 0) {
        close(pipeFds[0]);
        // A test that crashes leaves no server behind.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // Its warnings about keyboard maps and fonts are no test output.
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", geometry.constData(), "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    FPid = pid;

    QByteArray number;
    QElapsedTimer clock;
    clock.start();
    while (!number.endsWith('\n') && clock.elapsed() < 20000) {
        pollfd wait{pipeFds[0], POLLIN, 0};
        if (poll(&wait, 1, 200) <= 0)
            continue;
        char buffer[32];
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0)
            break; // the server ended before it took a display
        number.append(buffer, got);
    }
    close(pipeFds[0]);
    number = number.trimmed();
    if (number.isEmpty()) {
        FError = QStringLiteral("Xvfb did not start (is it installed? scripts/install-deps.sh installs it)");
        Stop();
        return false;
    }
    FDisplay = QStringLiteral(":") + QString::fromLatin1(number);
    qputenv("DISPLAY", FDisplay.toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    // No session bus: with a display and no bus named, Qt's D-Bus connection would have
    // libdbus autolaunch one through the X server. The windows need none, and that path
    // leaks a buffer inside libdbus that the sanitized build reports.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus");
    // No session's settings may change how the windows look.
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
    return true;
}

void TXvfbDisplay::Stop()
{
    if (FPid <= 0)
        return;
    kill(FPid, SIGTERM);
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    while (waitpid(FPid, &status, WNOHANG) == 0) {
        if (clock.elapsed() > 5000) {
            kill(FPid, SIGKILL);
            waitpid(FPid, &status, 0);
            break;
        }
        usleep(10000);
    }
    FPid = -1;
}
