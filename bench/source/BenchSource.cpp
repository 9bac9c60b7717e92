// Loads a generated 100,000-row volunteer file and compares the time with
// reading its bytes alone and with Python's csv module; measures the peak
// memory of a load in a child process and the sample grid rows for 100 rows.
// Then loads two files whose cells are as long as they get: the same rows
// with a stray quote near the start (closed at the very end, so the rest of
// the file is one quoted cell) and one 32 MB cell, against the ordinary file's
// memory and time per megabyte.
#include "source/SampleGrid.h"
#include "source/SourceFile.h"

#include "VolunteerFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace
{
constexpr int kRows = BenchFiles::VolunteerRows;
constexpr int kCols = BenchFiles::VolunteerColumns;

using BenchFiles::VolunteerCell;
using BenchFiles::WriteVolunteerFile;

qint64 WriteLongCellFile(const QString& path, qint64 cellBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    file.write("id,notes\r\n1,\"");
    std::mt19937 random(7);
    QByteArray chunk;
    for (qint64 written = 0; written < cellBytes; written += chunk.size()) {
        chunk = VolunteerCell(random, 1, false) + (random() % 8 == 0 ? "\r\n" : ", ");
        file.write(chunk);
    }
    file.write("\"\r\n");
    return file.size();
}

qint64 PeakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

int LoadOnly(const QString& path)
{
    QStringList lines;
    QChar delimiter;
    TRunLog log;
    const qint64 before = PeakRssKb();
    const TSourceLoad load = LoadSourceLines(path, lines, delimiter, log, QString());
    printf("%lld %lld %lld\n", before, PeakRssKb(), qint64(load.Count));
    return load.Status == TSourceStatus::Loaded ? 0 : 1;
}

struct TPeak
{
    double BaseMb = -1;
    double PeakMb = -1;
    qint64 Rows = -1;
};

// The peak memory of one load, in a fresh process.
TPeak PeakOfLoad(const QString& path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--load-only"), path});
    child.waitForFinished(300000);
    const QList<QByteArray> out = child.readAllStandardOutput().trimmed().split(' ');
    if (child.exitCode() != 0 || out.size() != 3)
        return {};
    return {out[0].toDouble() / 1024, out[1].toDouble() / 1024, out[2].toLongLong()};
}

// The best of three loads, in milliseconds; -1 when a load fails.
double LoadMs(const QString& path, qsizetype rows)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QStringList lines;
        QChar delimiter;
        TRunLog log;
        QElapsedTimer timer;
        timer.start();
        const TSourceLoad load = LoadSourceLines(path, lines, delimiter, log, QString());
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        if (load.Status != TSourceStatus::Loaded || load.Count != rows)
            return -1;
    }
    return best;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--load-only")
        return LoadOnly(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("volunteers.csv"));
    const qint64 bytes = WriteVolunteerFile(path);
    const double mb = double(bytes) / 1e6;
    printf("file: %d rows x %d columns, %.1f MB\n", kRows, kCols, mb);

    QElapsedTimer timer;
    double readMs = 1e9;
    for (int i = 0; i < 3; ++i) {
        timer.start();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray all = file.readAll();
        readMs = std::min(readMs, timer.nsecsElapsed() / 1e6);
        if (all.size() != bytes)
            return 1;
    }

    double loadMs = 1e9;
    QStringList lines;
    for (int i = 0; i < 3; ++i) {
        QStringList fresh;
        QChar delimiter;
        TRunLog log;
        timer.start();
        const TSourceLoad load = LoadSourceLines(path, fresh, delimiter, log, QString());
        loadMs = std::min(loadMs, timer.nsecsElapsed() / 1e6);
        if (load.Status != TSourceStatus::Loaded || load.Count != kRows)
            return 1;
        lines.swap(fresh);
    }

    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"), QStringLiteral("import csv,sys,time\nt=time.perf_counter()\n"
                                                       "n=sum(1 for _ in csv.reader(open(sys.argv[1],newline='',"
                                                       "encoding='utf-8')))\n"
                                                       "print(n,(time.perf_counter()-t)*1000)"),
                  path});
    python.waitForFinished(300000);
    const QList<QByteArray> pyOut = python.readAllStandardOutput().trimmed().split(' ');
    const double pythonMs = pyOut.size() == 2 ? pyOut[1].toDouble() : -1;

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--load-only"), path});
    child.waitForFinished(300000);
    const QList<QByteArray> childOut = child.readAllStandardOutput().trimmed().split(' ');
    const double baseMb = childOut.size() == 3 ? childOut[0].toDouble() / 1024 : -1;
    const double peakMb = childOut.size() == 3 ? childOut[1].toDouble() / 1024 : -1;

    double gridMs = 1e9;
    for (int i = 0; i < 20; ++i) {
        timer.start();
        const QList<QStringList> rows = SampleGridRows(lines, MaxSampleGridRows);
        const int cols = SampleGridColumns(0, rows);
        const QStringList header = SampleGridHeader(cols);
        gridMs = std::min(gridMs, timer.nsecsElapsed() / 1e6);
        if (rows.size() != MaxSampleGridRows || header.size() != cols)
            return 1;
    }

    printf("read bytes alone:      %8.1f ms\n", readMs);
    printf("load into rows:        %8.1f ms  (%.0f MB/s, %.1fx reading the bytes; target >= 100 MB/s, <= 3x)\n",
           loadMs, mb / (loadMs / 1000), loadMs / readMs);
    printf("python csv module:     %8.1f ms  (load takes %.2fx of it)\n", pythonMs, loadMs / pythonMs);
    printf("peak RSS of a load:    %8.1f MB  (%.1f MB before; %.2fx the file, %.2fx counting only the load; "
           "target < 5x)\n",
           peakMb, baseMb, peakMb / mb, (peakMb - baseMb) / mb);
    printf("sample grid 100 rows:  %8.3f ms  (target < 50 ms)\n", gridMs);

    // Long cells, against the ordinary file per megabyte.
    const double msPerMb = loadMs / mb;
    const struct
    {
        const char* Name;
        QString Path;
        qint64 Bytes;
        qsizetype Rows;
    } longCells[] = {
        {"stray quote, rest one cell", dir.filePath(QStringLiteral("stray.csv")),
         WriteVolunteerFile(dir.filePath(QStringLiteral("stray.csv")), true), 2},
        {"one 32 MB cell", dir.filePath(QStringLiteral("cell.csv")),
         WriteLongCellFile(dir.filePath(QStringLiteral("cell.csv")), 32 * 1000 * 1000), 2},
    };
    int status = 0;
    for (const auto& file : longCells) {
        const double fileMb = double(file.Bytes) / 1e6;
        const double ms = LoadMs(file.Path, file.Rows);
        const TPeak peak = PeakOfLoad(file.Path);
        if (ms < 0 || peak.Rows != file.Rows) {
            printf("%s: the load failed\n", file.Name);
            status = 1;
            continue;
        }
        printf("%s (%.1f MB):\n", file.Name, fileMb);
        printf("  load:                %8.1f ms  (%.2fx the ordinary file's time per MB; target <= 2x)\n", ms,
               (ms / fileMb) / msPerMb);
        printf("  peak RSS of a load:  %8.1f MB  (%.1f MB before; %.2fx the file, %.2fx counting only the load; "
               "target <= 3x)\n",
               peak.PeakMb, peak.BaseMb, peak.PeakMb / fileMb, (peak.PeakMb - peak.BaseMb) / fileMb);
    }
    return status;
}
