// Start-up time and peak memory of the window and of `qimport-cli rows` with no
// run log beside them, with a 10 MiB one (just under the limit, kept and extended)
// and with a 500 MB one (moved aside at start). Each start is its own process,
// measured from fork to exit with the kernel's peak resident size.

#include "ScriptedPrompt.h"

#include "app/Unit1.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace
{
constexpr int Rounds = 7;
constexpr qint64 BigLogBytes = 500LL * 1000 * 1000;
constexpr qint64 KeptLogBytes = 10LL * 1024 * 1024 - 4096;

// The window as the program builds it at start, shown once, then gone.
int StartWindow(int argc, char** argv, const QString& dir)
{
    QApplication app(argc, argv);
    TScriptedPrompt prompt;
    TForm1Options options;
    options.HostDirectory = dir;
    options.Prompt = &prompt;
    TForm1 form(options);
    form.show();
    QCoreApplication::processEvents();
    return form.RunLog.AllLines().isEmpty() ? 1 : 0;
}

// Earlier runs' sections, one after another, up to size bytes.
bool WriteLog(const QString& path, qint64 size)
{
    QByteArray section;
    for (int run = 0; section.size() < 1000 * 1000; ++run) {
        section += "Started 9:05 pm 03-14-2019\r\nVersion: 1.0.0.0\r\nConnect - \r\n SSL on\r\n"
                   "Quillmarsh account : 123456789\r\nQuillmarsh account credentials validated\r\n"
                   "Source file: C:\\Users\\someone\\Documents\\volunteers " +
                   QByteArray::number(run) +
                   ".txt\r\nTab delimiters found\r\nTranslation table follows\r\n 1 : 1-1\r\n 2 : 1-2\r\n"
                   "End translation table\r\nStopped 9:41 pm 03-14-2019\r\n \r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (qint64 left = size; left > 0;) {
        const qint64 piece = std::min<qint64>(left, section.size());
        if (file.write(section.constData(), piece) != piece)
            return false;
        left -= piece;
    }
    return true;
}

struct TStart
{
    double Ms = 0;
    long PeakKb = 0;
    int Status = -1;
};

TStart Run(const std::vector<QByteArray>& args)
{
    std::vector<char*> argv;
    for (const QByteArray& arg : args)
        argv.push_back(const_cast<char*>(arg.constData()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    timespec begin{};
    clock_gettime(CLOCK_MONOTONIC, &begin);
    const pid_t pid = fork();
    if (pid == 0) {
        // Quiet child: its own output is not the figure.
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    TStart start;
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return start;
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    start.Ms = double(end.tv_sec - begin.tv_sec) * 1e3 + double(end.tv_nsec - begin.tv_nsec) / 1e6;
    start.PeakKb = usage.ru_maxrss;
    start.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return start;
}

template <typename T> T Median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--window")
        return StartWindow(argc, argv, QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    const QDir host(dir.path());
    const QString self = QString::fromLocal8Bit(argv[0]);
    const QString cli = host.filePath(QStringLiteral("qimport-cli"));
    const QString tiny = host.filePath(QStringLiteral("tiny.txt"));
    const QString log = host.filePath(QStringLiteral("Log.txt"));
    const QString oldLog = host.filePath(QStringLiteral("Log.old.txt"));
    const QString bigLog = host.filePath(QStringLiteral("big.log"));
    // The command line keeps its settings file and log beside itself: run a copy in the folder.
    if (!QFile::copy(QFileInfo(self).dir().filePath(QStringLiteral("qimport-cli")), cli)) {
        std::fprintf(stderr, "qimport-cli not found beside %s\n", argv[0]);
        return 1;
    }
    QFile tinyFile(tiny);
    if (!tinyFile.open(QIODevice::WriteOnly) || tinyFile.write("a\tb\r\n1\t2\r\n") != 10)
        return 1;
    tinyFile.close();
    if (!WriteLog(bigLog, BigLogBytes)) {
        std::fprintf(stderr, "cannot write %lld bytes in %s\n", BigLogBytes, qPrintable(dir.path()));
        return 1;
    }

    const QString keptLog = host.filePath(QStringLiteral("kept.log"));
    if (!WriteLog(keptLog, KeptLogBytes))
        return 1;

    enum class TLog { None, Kept, Big };
    // Puts the log of the case in place before a start, and back after it: the big one
    // from where the start moved it, the kept one cut back to its size (a start only
    // adds at its end).
    auto prepare = [&](TLog kind) {
        QFile::remove(log);
        if (kind == TLog::Kept)
            return QFile::resize(keptLog, KeptLogBytes) && QFile::rename(keptLog, log);
        if (kind == TLog::Big)
            return QFile::rename(bigLog, log);
        return true;
    };
    auto restore = [&](TLog kind) {
        if (kind == TLog::Kept)
            return QFile::rename(log, keptLog);
        if (kind == TLog::Big)
            return QFile::exists(oldLog) ? QFile::rename(oldLog, bigLog) : QFile::rename(log, bigLog);
        return true;
    };

    const std::vector<QByteArray> window{self.toLocal8Bit(), "--window", dir.path().toLocal8Bit()};
    const std::vector<QByteArray> rows{cli.toLocal8Bit(), "rows", tiny.toLocal8Bit()};
    std::printf("start-up with a run log beside the program: median of %d starts, wall time and peak resident size\n",
                Rounds);
    std::printf("%-10s %-42s %10s %12s\n", "front end", "Log.txt at start", "ms", "peak MB");
    int status = 0;
    for (const auto& [name, command] : {std::pair{"window", window}, std::pair{"cli rows", rows}}) {
        for (const auto& [kind, label] : {std::pair{TLog::None, "none"},
                                          std::pair{TLog::Kept, "10 MiB - 4 KiB (kept, extended)"},
                                          std::pair{TLog::Big, "500 MB"}}) {
            std::vector<double> ms;
            std::vector<long> kb;
            int moved = 0;
            for (int round = 0; round < Rounds; ++round) {
                if (!prepare(kind)) {
                    std::fprintf(stderr, "cannot prepare the log\n");
                    return 1;
                }
                const TStart start = Run(command);
                moved += QFile::exists(oldLog) ? 1 : 0;
                if (!restore(kind)) {
                    std::fprintf(stderr, "cannot put the log back\n");
                    return 1;
                }
                if (start.Status != 0) {
                    std::fprintf(stderr, "%s ended with %d\n", name, start.Status);
                    status = 1;
                }
                ms.push_back(start.Ms);
                kb.push_back(start.PeakKb);
            }
            QByteArray text(label);
            if (kind == TLog::Big)
                text += " (moved aside in " + QByteArray::number(moved) + " of " + QByteArray::number(Rounds) + ")";
            std::printf("%-10s %-42s %10.1f %12.1f\n", name, text.constData(), Median(ms), double(Median(kb)) / 1024.0);
        }
    }
    return status;
}
