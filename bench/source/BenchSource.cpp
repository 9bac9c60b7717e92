// Loads a generated 100,000-row volunteer file and compares the time with
// reading its bytes alone and with Python's csv module; measures the peak
// memory of a load in a child process and the sample grid rows for 100 rows.
#include "source/SampleGrid.h"
#include "source/SourceFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace
{
constexpr int kRows = 100000;
constexpr int kCols = 20;

QByteArray Cell(std::mt19937& random, int col)
{
    static const char* words[] = {"Harbour", "volunteer", "evening", "Saturday", "driver", "kitchen", "garden",
                                  "library", "Maple", "Street", "reads", "to", "children", "on", "call"};
    QByteArray text;
    const int count = 2 + int(random() % 4);
    for (int i = 0; i < count; ++i) {
        if (i)
            text += ' ';
        text += words[random() % 15];
    }
    switch ((random() + unsigned(col)) % 6) {
    case 0:
        return "\"" + text + ", " + text + "\"";
    case 1:
        return "\"" + text + " \"\"quoted\"\" " + text + "\"";
    case 2:
        return "\"" + text + "\r\n" + text + "\"";
    default:
        return text;
    }
}

qint64 WriteVolunteerFile(const QString& path)
{
    std::mt19937 random(2024);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    QByteArray row;
    for (int r = 0; r < kRows; ++r) {
        row.clear();
        for (int c = 0; c < kCols; ++c) {
            if (c)
                row += ',';
            row += Cell(random, c);
        }
        row += "\r\n";
        file.write(row);
    }
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
    return 0;
}
