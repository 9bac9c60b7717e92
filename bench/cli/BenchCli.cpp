// qimport-cli import against the local service over HTTPS, as a user runs it (a child
// process, results file on, standard output to a file), beside a bare libcurl keep-alive
// loop posting the very bodies the command sent:
// - on loopback, 20,000 rows, sequential and with --parallel 4: rows per second, the
//   ratio to the bare loop (measured before and after each round), CPU per 1,000 rows
//   and peak memory; the median of the rounds;
// - the peak memory of importing the 100,000-row, 64.5 MB volunteer file, against that
//   of loading it (qimport-cli rows);
// - through a relay that adds 50 ms to every round trip, 1,000 rows with --parallel 1,
//   4 and 8: rows per round trip and the gain over one at a time.
//
// Usage: bench_cli [rows=20000] [rounds=3] [all|loopback|memory|relay]

#include "BareLoop.h"
#include "DelayRelay.h"
#include "SandboxProcess.h"
#include "VolunteerFile.h"

#include "exchange/ParallelPosts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace
{
const char DemoAccount[] = "123456789";
const char DemoLogin[] = "demo@example.org";
const char DemoPassword[] = "sandbox-demo";

// What one run of the command cost.
struct TCliRun
{
    int ExitCode = -1;
    double Seconds = 0;
    double CpuSeconds = 0; // user and system
    double PeakMb = 0;     // resident set
    QString LastLine;      // of standard output
    QString Err;

    bool Ok(int rows) const
    {
        return ExitCode == 0 && (rows < 0 || LastLine.isEmpty() ||
                                 LastLine == QStringLiteral("%1 records imported").arg(rows));
    }
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Runs program with args in dir, standard output and error to files there, and waits.
TCliRun RunCommand(const QString& dir, const QString& program, const QStringList& args,
                   const QList<QByteArray>& extraEnv)
{
    const QByteArray outPath = QDir(dir).filePath(QStringLiteral("out.txt")).toLocal8Bit();
    const QByteArray errPath = QDir(dir).filePath(QStringLiteral("err.txt")).toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<QByteArray> argBytes{program.toLocal8Bit()};
    for (const QString& arg : args)
        argBytes.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& arg : argBytes)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envBytes;
    for (const char* name : {"HOME", "LANG", "LD_LIBRARY_PATH"})
        if (qEnvironmentVariableIsSet(name))
            envBytes.push_back(QByteArray(name) + '=' + qgetenv(name));
    for (const QByteArray& pair : extraEnv)
        envBytes.push_back(pair);
    std::vector<char*> envp;
    for (QByteArray& pair : envBytes)
        envp.push_back(pair.data());
    envp.push_back(nullptr);

    TCliRun run;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    const QByteArray workDir = dir.toLocal8Bit();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        run.Err = QStringLiteral("cannot start ") + program;
        return run;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.Seconds = double(clock.nsecsElapsed()) / 1e9;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.CpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.PeakMb = double(usage.ru_maxrss) / 1024.0;
    const QList<QByteArray> out = ReadAll(QString::fromLocal8Bit(outPath)).trimmed().split('\n');
    run.LastLine = out.size() >= 2 ? QString::fromUtf8(out.at(out.size() - 2)) : QString();
    run.Err = QString::fromUtf8(ReadAll(QString::fromLocal8Bit(errPath)));
    Q_UNUSED(workDir);
    return run;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class TBench
{
public:
    QTemporaryDir Dir;
    QTemporaryDir SandboxDir;
    TSandboxProcess Sandbox;
    QString Program;
    int Status = 0;

    bool Start()
    {
        if (!Dir.isValid() || !SandboxDir.isValid() || !Sandbox.Start(SandboxDir.path())) {
            std::printf("cannot start the local service: %s\n", qPrintable(Sandbox.ErrorText()));
            return false;
        }
        // A copy of its own, so its settings file, Log.txt and results land in the scratch folder.
        Program = Dir.filePath(QStringLiteral("qimport-cli"));
        if (!QFile::copy(QStringLiteral(QIMPORT_BIN_DIR "/qimport-cli"), Program)) {
            std::printf("cannot copy qimport-cli\n");
            return false;
        }
        return WriteAll(Dir.filePath(QStringLiteral("qimport.INI")),
                        "[Connection]\r\nUseSSL=1\r\nUseWininet=0\r\n[File]\r\nColHeadings=0\r\n");
    }

    QString Path(const QString& name) const { return Dir.filePath(name); }

    // One import of file with mapping, through host (the service itself or a relay).
    TCliRun Import(const QString& file, const QString& mapping, int parallel, const QString& host, int rows)
    {
        QStringList args{QStringLiteral("import"), file, QStringLiteral("--mapping"), mapping,
                         QStringLiteral("--no-headings"), QStringLiteral("--account"), QString::fromLatin1(DemoAccount),
                         QStringLiteral("--login"), QString::fromLatin1(DemoLogin), QStringLiteral("--host"), host,
                         QStringLiteral("--ca-file"), Sandbox.CAFile(), QStringLiteral("--results"),
                         Path(QStringLiteral("results.csv"))};
        if (parallel > 1)
            args << QStringLiteral("--parallel") << QString::number(parallel);
        Sandbox.Reset();
        const TCliRun run =
            RunCommand(Dir.path(), Program, args, {QByteArray("QIMPORT_PASSWORD=") + DemoPassword});
        if (!run.Ok(rows)) {
            std::printf("  qimport-cli import failed (exit %d, last line \"%s\"):\n%s\n", run.ExitCode,
                        qPrintable(run.LastLine), qPrintable(run.Err.right(2000)));
            Status = 1;
        }
        return run;
    }

    // The record bodies the last import sent, as the bare loop posts them.
    std::vector<QByteArray> SentBodies()
    {
        std::vector<QByteArray> bodies;
        for (const QString& envelope : Sandbox.Requests())
            if (envelope.contains(QStringLiteral("&RT=31&")))
                bodies.push_back(TParallelPosts::Encode(envelope).Bytes);
        return bodies;
    }

    void Loopback(int rows, int rounds)
    {
        QByteArray text;
        for (int row = 0; row < rows; ++row)
            text += QStringLiteral("Ann %1\tSmith\tDriver\tUsher\t1/2/1990\r\n").arg(row).toLatin1();
        const QString file = Path(QStringLiteral("loopback.txt"));
        const QString mapping = Path(QStringLiteral("loopback.map"));
        WriteAll(file, text);
        WriteAll(mapping, "A\tCore\tName\tFirst name\nB\tCore\tName\tLast name\nC\tCore\tFlags\tFlags\n"
                          "D\tCore\tFlags\tFlags\nE\tProfile\tPersonal\tDate joined\tDMY\n");
        const QString url = QStringLiteral("https://%1/ex/import.dll").arg(Sandbox.Host());

        // Warm-up: caches, certificates, the service's first handshakes; and the bodies.
        Import(file, mapping, 1, Sandbox.Host(), rows);
        const std::vector<QByteArray> bodies = SentBodies();
        if (int(bodies.size()) != rows) {
            std::printf("  the service received %zu records of %d\n", bodies.size(), rows);
            Status = 1;
            return;
        }
        BareLoop(url, Sandbox.CAFile(), std::vector<QByteArray>(bodies.begin(), bodies.begin() + qMin(rows, 200)));

        std::printf("loopback: %d rows over HTTPS, %d rounds (bare loop before and after each round)\n", rows,
                    rounds);
        std::vector<double> ratio1, ratio4, gain4, cpu1, cpu4, cpuBare, peak1, peak4;
        for (int round = 1; round <= rounds; ++round) {
            Sandbox.Reset();
            const TBareRun before = BareLoop(url, Sandbox.CAFile(), bodies);
            const TCliRun one = Import(file, mapping, 1, Sandbox.Host(), rows);
            const TCliRun four = Import(file, mapping, 4, Sandbox.Host(), rows);
            Sandbox.Reset();
            const TBareRun after = BareLoop(url, Sandbox.CAFile(), bodies);
            const double bare = (before.Rate + after.Rate) / 2;
            const double rate1 = rows / one.Seconds;
            const double rate4 = rows / four.Seconds;
            ratio1.push_back(rate1 / bare);
            ratio4.push_back(rate4 / bare);
            gain4.push_back(rate4 / rate1);
            cpu1.push_back(one.CpuSeconds * 1000 / rows);
            cpu4.push_back(four.CpuSeconds * 1000 / rows);
            cpuBare.push_back((before.CpuPerThousand + after.CpuPerThousand) / 2);
            peak1.push_back(one.PeakMb);
            peak4.push_back(four.PeakMb);
            std::printf("  round %d: bare %6.0f rows/s (before %.0f, after %.0f); --parallel 1 %6.0f rows/s "
                        "(%.2f s, ratio %.3f); --parallel 4 %6.0f rows/s (%.2f s, ratio %.3f)\n",
                        round, bare, before.Rate, after.Rate, rate1, one.Seconds, ratio1.back(), rate4, four.Seconds,
                        ratio4.back());
        }
        std::printf("  ratio to the bare loop, median: --parallel 1 %.3f, --parallel 4 %.3f (target >= 0.85); "
                    "--parallel 4 / --parallel 1 %.3f (target >= 1)\n",
                    Median(ratio1), Median(ratio4), Median(gain4));
        std::printf("  CPU per 1,000 rows, median: --parallel 1 %.3f s, --parallel 4 %.3f s, bare loop %.3f s\n",
                    Median(cpu1), Median(cpu4), Median(cpuBare));
        std::printf("  peak memory, median: --parallel 1 %.1f MB, --parallel 4 %.1f MB\n", Median(peak1),
                    Median(peak4));
    }

    void Memory()
    {
        const QString file = Path(QStringLiteral("volunteers.csv"));
        const qint64 bytes = BenchFiles::WriteVolunteerFile(file);
        const QString mapping = Path(QStringLiteral("volunteers.map"));
        // Every column mapped: six Flags and fourteen others.
        WriteAll(mapping, "A\tCore\tName\tFirst name\nB\tCore\tName\tLast name\nC\tCore\tName\tMiddle name\n"
                          "D\tCore\tName\tSuffix\nE\tCore\tName\tSalutation\nF\tCore\tName\tNickname\n"
                          "G\tCore\tAddress\tStreet address\nH\tCore\tAddress\tAddress line 2\n"
                          "I\tCore\tAddress\tCity\nJ\tCore\tAddress\tCountry\nK\tCore\tAddress\tEmail\n"
                          "L\tContacts\tEmergency Contact\tEmergency contact name\n"
                          "M\tContacts\tEmergency Contact\tEmergency contact phone\nN\tNotes\tNotes\tNotes\n"
                          "O\tCore\tFlags\tFlags\nP\tCore\tFlags\tFlags\nQ\tCore\tFlags\tFlags\n"
                          "R\tCore\tFlags\tFlags\nS\tCore\tFlags\tFlags\nT\tCore\tFlags\tFlags\n");
        std::printf("memory: the %d-row volunteer file, %.1f MB\n", BenchFiles::VolunteerRows, double(bytes) / 1e6);
        const TCliRun rows = RunCommand(Dir.path(), Program, {QStringLiteral("rows"), file}, {});
        if (rows.ExitCode != 0) {
            std::printf("  qimport-cli rows failed: %s\n", qPrintable(rows.Err));
            Status = 1;
            return;
        }
        std::printf("  qimport-cli rows:                  peak %6.1f MB (%.2f s)\n", rows.PeakMb, rows.Seconds);
        for (const int parallel : {1, 4}) {
            const TCliRun import = Import(file, mapping, parallel, Sandbox.Host(), BenchFiles::VolunteerRows);
            std::printf("  qimport-cli import --parallel %d:   peak %6.1f MB (%.2f s, %.0f rows/s), %.1f MB above "
                        "rows (target <= 40 MB, and < 190 MB in all)\n",
                        parallel, import.PeakMb, import.Seconds, BenchFiles::VolunteerRows / import.Seconds,
                        import.PeakMb - rows.PeakMb);
        }
    }

    void Relay(int rows)
    {
        constexpr int OneWayMs = 25;
        TDelayRelay relay(quint16(Sandbox.Port()), OneWayMs);
        if (!relay.Start()) {
            std::printf("relay: cannot listen\n");
            Status = 1;
            return;
        }
        const QString host = QStringLiteral("127.0.0.1:%1").arg(relay.Port());
        QByteArray text;
        for (int row = 0; row < rows; ++row)
            text += QStringLiteral("Ann %1\tSmith\tDriver\tUsher\t1/2/1990\r\n").arg(row).toLatin1();
        const QString file = Path(QStringLiteral("relay.txt"));
        const QString mapping = Path(QStringLiteral("relay.map"));
        WriteAll(file, text);
        WriteAll(mapping, "A\tCore\tName\tFirst name\nB\tCore\tName\tLast name\nC\tCore\tFlags\tFlags\n"
                          "D\tCore\tFlags\tFlags\nE\tProfile\tPersonal\tDate joined\tDMY\n");
        const double roundTrip = 2.0 * OneWayMs / 1000.0;
        std::printf("relay: %d rows through a relay adding %d ms to each round trip\n", rows, 2 * OneWayMs);

        // The bare loop, for what one connection gets out of the link.
        Import(file, mapping, 1, Sandbox.Host(), rows);
        std::vector<QByteArray> bodies = SentBodies();
        bodies.resize(std::min<size_t>(bodies.size(), 100));
        Sandbox.Reset();
        const TBareRun bare =
            BareLoop(QStringLiteral("https://%1/ex/import.dll").arg(host), Sandbox.CAFile(), bodies);
        std::printf("  bare loop, %zu posts:       %6.1f rows/s, %.3f rows per round trip\n", bodies.size(),
                    bare.Rate, bare.Rate * roundTrip);
        if (!bare.PostMs.empty()) {
            std::vector<double> later(bare.PostMs.begin() + 1, bare.PostMs.end());
            std::sort(later.begin(), later.end());
            std::printf("  bare loop, one post: first %.2f ms (connection and handshake); the others min %.2f, "
                        "median %.2f, max %.2f ms\n",
                        bare.PostMs.front(), later.front(), Median(later), later.back());
        }

        double rate1 = 0;
        for (const int parallel : {1, 4, 8}) {
            const TCliRun run = Import(file, mapping, parallel, host, rows);
            const double rate = rows / run.Seconds;
            if (parallel == 1)
                rate1 = rate;
            std::printf("  qimport-cli --parallel %d: %6.1f rows/s (%.2f s), %.3f rows per round trip, %.2fx "
                        "--parallel 1 (target: %s)\n",
                        parallel, rate, run.Seconds, rate * roundTrip, rate / rate1,
                        parallel == 1 ? ">= 0.95 rows per round trip" : parallel == 4 ? ">= 3.5x" : ">= 6x");
        }
    }
};
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? qMax(100, QString::fromLocal8Bit(argv[1]).toInt()) : 20000;
    const int rounds = argc > 2 ? qMax(1, QString::fromLocal8Bit(argv[2]).toInt()) : 3;
    const QString sections = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("all");
    const bool all = sections == QLatin1String("all");

    TBench bench;
    if (!bench.Start())
        return 1;
    std::printf("bench_cli\n");
    if (all || sections == QLatin1String("loopback"))
        bench.Loopback(rows, rounds);
    if (all || sections == QLatin1String("memory"))
        bench.Memory();
    if (all || sections == QLatin1String("relay"))
        bench.Relay(1000);
    return bench.Status;
}
