// The password prompt of the real qimport-cli on a pseudo-terminal: echo is off
// before the prompt is written, and an interrupt while it waits ends the program
// with the terminal's echo back on.

#include "CliTestSupport.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace
{
bool EchoOn(int tty)
{
    termios state{};
    return tcgetattr(tty, &state) == 0 && (state.c_lflag & ECHO) != 0;
}
} // namespace

class TestCliTerminal : public QObject
{
    Q_OBJECT

private slots:
    void passwordPrompt_echoOffFirst_interruptRestoresIt()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("qimport.INI")),
                          SettingsText("123456789", "demo@example.org", false)));
        const QString program = dir.filePath(QStringLiteral("qimport-cli"));
        QVERIFY(QFile::copy(QStringLiteral(QIMPORT_BIN_DIR "/qimport-cli"), program));

        int master = -1;
        int slave = -1;
        QCOMPARE(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        QVERIFY(EchoOn(slave));
        // Standard error is a pipe filled to the brim: writing the prompt blocks until the
        // test reads, so what the terminal looks like while the prompt waits can be seen.
        int errPipe[2];
        QCOMPARE(pipe(errPipe), 0);
        fcntl(errPipe[1], F_SETFL, O_NONBLOCK);
        const QByteArray filler(4096, 'f');
        qint64 filled = 0;
        for (int i = 0; i < 1024; ++i) {
            const ssize_t wrote = write(errPipe[1], filler.constData(), size_t(filler.size()));
            if (wrote <= 0)
                break;
            filled += wrote;
        }
        fcntl(errPipe[1], F_SETFL, 0);

        const QByteArray path = program.toLocal8Bit();
        const QByteArray home = "HOME=" + dir.path().toLocal8Bit();
        char arg0[] = "qimport-cli";
        char arg1[] = "fields";
        char arg2[] = "--host";
        char arg3[] = "127.0.0.1:9";
        char* argv[] = {arg0, arg1, arg2, arg3, nullptr};
        char* envp[] = {const_cast<char*>(home.constData()), nullptr};
        const int devNull = open("/dev/null", O_WRONLY);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            setsid();
            ioctl(slave, TIOCSCTTY, 0);
            dup2(slave, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(errPipe[1], STDERR_FILENO);
            execve(path.constData(), argv, envp);
            _exit(127);
        }
        close(errPipe[1]);
        close(devNull);
        struct TReap
        {
            pid_t Pid;
            ~TReap()
            {
                if (Pid > 0) {
                    ::kill(Pid, SIGKILL);
                    waitpid(Pid, nullptr, 0);
                }
            }
        } reap{child};

        // Echo must go off while the prompt is still on its way.
        QDeadlineTimer deadline(10000);
        while (EchoOn(slave) && !deadline.hasExpired())
            QTest::qWait(10);
        QVERIFY2(!EchoOn(slave), "echo still on while the password prompt was being written");

        // Drain standard error until the prompt has come.
        QByteArray err;
        fcntl(errPipe[0], F_SETFL, O_NONBLOCK);
        deadline = QDeadlineTimer(10000);
        while (!err.endsWith("Password: ") && !deadline.hasExpired()) {
            char buffer[8192];
            const ssize_t got = read(errPipe[0], buffer, sizeof buffer);
            if (got > 0)
                err.append(buffer, got);
            else
                QTest::qWait(10);
        }
        QCOMPARE(err.size(), filled + 10);
        QVERIFY(!EchoOn(slave));

        ::kill(child, SIGINT);
        int status = 0;
        pid_t ended = 0;
        deadline = QDeadlineTimer(10000);
        while ((ended = waitpid(child, &status, WNOHANG)) == 0 && !deadline.hasExpired())
            QTest::qWait(10);
        QCOMPARE(ended, child);
        reap.Pid = 0;
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 130);
        QVERIFY(EchoOn(slave));
        // Ended the ordinary way: the log has its closing lines.
        QVERIFY(QString::fromUtf8(ReadFile(dir.filePath(QStringLiteral("Log.txt"))))
                    .endsWith(QLatin1String("\r\n \r\n")));
        close(errPipe[0]);
        close(master);
        close(slave);
    }
};

QTEST_GUILESS_MAIN(TestCliTerminal)
#include "TestCliTerminal.moc"
