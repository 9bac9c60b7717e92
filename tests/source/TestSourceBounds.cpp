// The loader's memory stays in proportion to the file whatever the cells look
// like, a file without delimiters is never held whole, and only regular files
// are read. Loads that could blow up run in a child process under an address
// space cap, so a fault ends that child, not the test run.
#include "source/SourceFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

// An address space cap cannot be used under AddressSanitizer (see Sanitizers.h).
#include "Sanitizers.h"

namespace
{
constexpr bool kCapped =
#ifdef QIMPORT_ASAN
    false;
#else
    true;
#endif

qint64 VirtualSizeBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

// Runs check in a child process whose address space may grow by at most
// extraBytes, for at most 60 s. Returns the child's exit code, or 100 + the
// signal that ended it (an allocation past the cap ends it either way).
int RunCapped(qint64 extraBytes, const std::function<bool()>& check)
{
    fflush(stdout);
    fflush(stderr);
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        alarm(60);
        if (kCapped) {
            const qint64 now = VirtualSizeBytes();
            const rlimit cap = {rlim_t(now + extraBytes), rlim_t(now + extraBytes)};
            if (now < 0 || setrlimit(RLIMIT_AS, &cap) != 0)
                _exit(90);
        }
        int code = 1;
        try {
            code = check() ? 0 : 1;
        } catch (const std::bad_alloc&) {
            code = 3;
        }
        _exit(code);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

QByteArray Words(qsizetype size, char seed)
{
    QByteArray text(size, ' ');
    for (qsizetype i = 0; i < size; ++i)
        text[i] = i % 7 == 6 ? ' ' : char('a' + (i * 31 + seed) % 26);
    return text;
}

QString Rebuilt(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("[br]"));
}
} // namespace

class TestSourceBounds : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = Dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        return path;
    }

private slots:
    void initTestCase()
    {
        if (!kCapped)
            qInfo("built with AddressSanitizer: loads run without the address space cap, results still checked");
    }

    // A cell that outgrows many blocks used to be copied again after every
    // block: 8 MB took gigabytes. Each shape of long cell must load within a
    // few times the file, with the rows it should give.
    void LongCellsStayLinear_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        const qsizetype cell = 8 * 1024 * 1024;

        // One long quoted cell with commas, quotes and line breaks inside.
        QByteArray text = Words(cell, 1);
        for (qsizetype i = 1000; i < cell; i += 100000) {
            text[i] = '\r';
            text[i + 1] = '\n';
            text[i + 50] = ',';
        }
        QString expectedCell = Rebuilt(QString::fromLatin1(text));
        QTest::newRow("one long cell") << QByteArray("id,notes\r\n1,\"") + text + "\"\r\n"
                                       << QStringList{QStringLiteral("id\tnotes"), QStringLiteral("1\t") + expectedCell};

        // Ordinary rows after a stray quote: the rest of the file is one cell,
        // whose row never ends and is dropped.
        QByteArray rows;
        while (rows.size() < cell)
            rows += "Maple,Street " + QByteArray::number(rows.size()) + ",driver\r\n";
        QTest::newRow("stray quote") << QByteArray("a,b,c\r\nx,\"y,z\r\n") + rows
                                     << QStringList{QStringLiteral("a\tb\tc")};
        QTest::newRow("unterminated quote at the start") << QByteArray("\"") + rows << QStringList{};

        // The same cell closed at the end of the file is kept, breaks and all.
        QTest::newRow("stray quote closed at the end")
            << QByteArray("a,b\r\nx,\"") + rows + "\"\r\n"
            << QStringList{QStringLiteral("a\tb"), QStringLiteral("x\t") + Rebuilt(QString::fromLatin1(rows))};

        // A long run without one ASCII byte, read as UTF-8.
        QByteArray wide;
        while (wide.size() < cell)
            wide += "\xE6\xBC\xA2\xF0\x9F\x98\x80";
        QTest::newRow("long cell without ASCII")
            << QByteArray("a,\"") + wide + "\"\r\n" << QStringList{QStringLiteral("a\t") + QString::fromUtf8(wide)};
    }
    void LongCellsStayLinear()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        const QString path = Write(QStringLiteral("long.csv"), bytes);
        const qint64 fileBytes = bytes.size();
        bytes = QByteArray();
        // The rows take twice the file (two bytes a character); the rest is
        // the row in progress, the room it grows into and the allocator's
        // slack. Copying the cell again at every block needs gigabytes.
        for (const qsizetype blockBytes : {qsizetype(16 * 1024), SourceBlockBytes}) {
            const int code = RunCapped(8 * fileBytes, [&] {
                QStringList lines{QStringLiteral("previous")};
                QChar delimiter;
                TRunLog log;
                QString error;
                ReadSourceTable(path, lines, delimiter, log, &error, blockBytes);
                return error.isEmpty() && delimiter == QLatin1Char(',') && lines == expected;
            });
            if (code != 0)
                qWarning("block size %lld", qint64(blockBytes));
            QCOMPARE(code, 0);
        }
    }

    // Block edges may fall anywhere in long runs of multi-byte characters and
    // in broken sequences: the rows are those of the file read in one block.
    void NonAsciiRunsAcrossBlocks()
    {
        QByteArray bytes;
        for (int i = 0; i < 300; ++i) {
            bytes += QByteArray::number(i) + ",\"" + QByteArray("\xE6\xBC\xA2\xF0\x9F\x98\x80\xC3\xA9").repeated(i % 9);
            bytes += i % 50 == 7 ? QByteArray("\x80\x80\x80\x80\x80\xBF") : QByteArray();
            bytes += i % 50 == 9 ? QByteArray("\xE2\x82") : QByteArray();
            bytes += "\",x\r\n";
        }
        for (const QByteArray& mark : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
            const QString path = Write(QStringLiteral("wide.csv"), mark + bytes);
            QStringList whole;
            QChar delimiter;
            TRunLog log;
            QVERIFY(!ReadSourceTable(path, whole, delimiter, log, nullptr, bytes.size() + 8));
            QCOMPARE(whole.size(), 300);
            for (const qsizetype blockBytes : {1, 2, 3, 4, 5, 7, 64}) {
                QStringList lines;
                QVERIFY(!ReadSourceTable(path, lines, delimiter, log, nullptr, blockBytes));
                QCOMPARE(lines, whole);
            }
        }
    }

    // A file without delimiters used to be read and split whole only to be
    // rejected. Its figures are those of all its lines, only its first lines
    // are kept, and memory stays far below the file's size.
    void NoDelimiterFileNotHeld()
    {
        QByteArray bytes;
        QStringList first;
        for (int i = 0; i < 1000; ++i) {
            first.append(QStringLiteral("line %1").arg(i));
            bytes += first.last().toLatin1() + "\n";
        }
        const qsizetype longLine = 16 * 1024 * 1024;
        bytes += Words(longLine, 2) + "\r\n";
        qsizetype size = 0;
        for (const QString& line : first)
            size += line.size() + 2;
        size += longLine + 2;
        qsizetype count = first.size() + 1;
        QByteArray tail;
        while (tail.size() < 24 * 1024 * 1024) {
            const QByteArray line = "more text " + QByteArray::number(count);
            tail += line + "\r";
            size += line.size() + 2;
            ++count;
        }
        bytes += tail + "last";
        size += 4 + 2;
        ++count;
        const QString path = Write(QStringLiteral("words.txt"), bytes);
        const qint64 fileBytes = bytes.size();
        bytes = tail = QByteArray();

        const QString logPath = Dir.filePath(QStringLiteral("Log.txt"));
        const int code = RunCapped(fileBytes / 3, [&] {
            QStringList lines{QStringLiteral("previous")};
            QChar delimiter;
            TRunLog log;
            const TSourceLoad load = LoadSourceLines(path, lines, delimiter, log, logPath, 64 * 1024);
            const QStringList all = log.AllLines();
            return load.Status == TSourceStatus::Invalid && load.Size == size && load.Count == count &&
                   lines == first && all.contains(QStringLiteral("Source file size: %1").arg(size)) &&
                   all.contains(QStringLiteral("Source line count: %1").arg(count));
        });
        QCOMPARE(code, 0);
    }

    // Only a regular file is read: a pipe or a device is refused with its
    // reason before a byte is read, and Qt has nothing to warn about.
    void OnlyRegularFilesRead_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("endless device") << QStringLiteral("/dev/zero") << QStringLiteral("Not a regular file (a device)");
        QTest::newRow("empty device") << QStringLiteral("/dev/null") << QStringLiteral("Not a regular file (a device)");
        QTest::newRow("named pipe") << QStringLiteral("fifo") << QStringLiteral("Not a regular file (a named pipe)");
        QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("Not a regular file (a folder)");
    }
    void OnlyRegularFilesRead()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        const bool pipe = path == QLatin1String("fifo");
        if (pipe) {
            path = Dir.filePath(path);
            QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0 || errno == EEXIST);
        } else if (path == QLatin1String("folder")) {
            path = Dir.filePath(path);
            QVERIFY(QDir().mkpath(path));
        }

        // Should the open wait for a writer, one comes and goes at once, so
        // the load ends either way.
        std::atomic<bool> done = false;
        std::thread writer([&] {
            for (int i = 0; i < 500 && pipe && !done; ++i) {
                const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ::close(fd);
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });

        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&,
                                                                    const QString& text) { warnings.append(text); });
        QStringList lines{QStringLiteral("previous")};
        QChar delimiter = QLatin1Char('x');
        TRunLog log;
        const TSourceLoad load = LoadSourceLines(path, lines, delimiter, log, QString());
        qInstallMessageHandler(previous);
        done = true;
        writer.join();

        QCOMPARE(warnings, QStringList());
        QCOMPARE(load.Status, TSourceStatus::Unreadable);
        QCOMPARE(load.Error, reason);
        QCOMPARE(log.AllLines().last(), QStringLiteral("Unable to read source file: ") + reason);
        QCOMPARE(lines, QStringList{QStringLiteral("previous")});
        QCOMPARE(delimiter, QLatin1Char('x'));
    }
};

QTEST_GUILESS_MAIN(TestSourceBounds)
#include "TestSourceBounds.moc"
