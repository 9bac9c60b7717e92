// The run log on disk: earlier runs' bytes are never read back or rewritten,
// a failed save costs at most this run's unsaved lines, and an oversized log is
// moved aside at start.

#include "core/RunLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace
{
QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A literal's bytes, NULs included.
template <qsizetype N> QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

QByteArray Utf16(const QString& text, QStringEncoder::Encoding encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

// Files written by this process may grow to at most limit bytes while it lives;
// a write past it fails (EFBIG) instead of raising SIGXFSZ.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &Saved);
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = Saved;
        lowered.rlim_cur = limit;
        Applied = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &Saved);
        std::signal(SIGXFSZ, OldHandler);
    }
    bool Applied = false;

private:
    rlimit Saved{};
    void (*OldHandler)(int) = nullptr;
};
} // namespace

class TestRunLog : public QObject
{
    Q_OBJECT

    static constexpr qint64 TenMiB = 10 * 1024 * 1024;

private slots:
    void save_appendsNewLinesAndLeavesOldBytesAlone_data()
    {
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QStringList>("lines"); // one save after each
        QTest::addColumn<QByteArray>("appended");
        const QString zoe = QString::fromUtf8("Zoë");
        const QString barred = QString::fromUtf8("ł"); // beyond the single-byte code page
        QTest::newRow("no mark, NUL and bytes that are not UTF-8, no final break")
            << Bytes("Started 1\r\nbad \x93\xFF here\0after NUL\r\nlast") << QStringList{"Started", zoe}
            << QByteArray("\r\nStarted\r\nZo\xEB\r\n");
        QTest::newRow("no mark, UTF-8 stays UTF-8")
            << QByteArray("Jos\xC3\xA9\r\n") << QStringList{zoe} << QByteArray("Zo\xC3\xAB\r\n");
        QTest::newRow("no mark, plain ASCII: the first text beyond it decides for the rest")
            << QByteArray("a\r\n") << QStringList{zoe, barred} << QByteArray("Zo\xEB\r\n?\r\n");
        QTest::newRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF") << QStringList{zoe}
                                          << QByteArray("Zo\xC3\xAB\r\n");
        QTest::newRow("UTF-16LE, an odd byte left over")
            << Bytes("\xFF\xFE" "a\0b") << QStringList{barred}
            << QByteArray(1, '\0') + Utf16(QStringLiteral("\r\n") + barred + QStringLiteral("\r\n"),
                                           QStringEncoder::Utf16LE);
        QTest::newRow("UTF-16BE ended by a break")
            << Bytes("\xFE\xFF\0a\0\r\0\n") << QStringList{barred, zoe}
            << Utf16(barred + QStringLiteral("\r\n") + zoe + QStringLiteral("\r\n"), QStringEncoder::Utf16BE);
        QTest::newRow("a lone CR counts as the last break") << QByteArray("x\r") << QStringList{"y"}
                                                            << QByteArray("y\r\n");
    }
    void save_appendsNewLinesAndLeavesOldBytesAlone()
    {
        QFETCH(QByteArray, old);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, appended);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Log.txt"));
        QVERIFY(WriteBytes(path, old));

        TRunLog log;
        log.LoadFrom(path);
        QVERIFY(log.AllLines().isEmpty()); // earlier runs stay on disk only
        for (const QString& line : lines) {
            log.Add(line);
            QVERIFY(log.SaveTo(path));
        }
        QCOMPARE(ReadBytes(path), old + appended);
        QCOMPARE(log.AllLines(), lines);

        // The next run extends the same file the same way.
        TRunLog next;
        next.LoadFrom(path);
        next.Add(QStringLiteral("again"));
        QVERIFY(next.SaveTo(path));
        QVERIFY(ReadBytes(path).startsWith(old + appended));
        QCOMPARE(next.AllLines(), QStringList{QStringLiteral("again")});
    }

    void failedSave_keepsHistoryAndTheNextSaveCatchesUp()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Log.txt"));
        QByteArray old;
        for (int i = 0; i < 200; ++i)
            old += "Started 9:05 pm 03-14-2019, run " + QByteArray::number(i) + "\r\n";
        QVERIFY(WriteBytes(path, old));

        TRunLog log;
        log.LoadFrom(path);
        log.Add(QStringLiteral("Started 10:05 pm 03-14-2019"));
        {
            // The disk "fills" below the old content: nothing of it may go.
            TFileSizeLimit limit(rlim_t(old.size() / 2));
            QVERIFY(limit.Applied);
            QVERIFY(!log.SaveTo(path));
            QCOMPARE(ReadBytes(path), old);
        }
        {
            // Room for a few bytes only: the partial line is taken back.
            TFileSizeLimit limit(rlim_t(old.size() + 5));
            QVERIFY(limit.Applied);
            QVERIFY(!log.SaveTo(path));
            QCOMPARE(ReadBytes(path), old);
        }
        QVERIFY(!log.SaveTo(dir.filePath(QStringLiteral("missing/dir/Log.txt"))));
        log.Add(QStringLiteral("Stopped 10:06 pm 03-14-2019"));
        QVERIFY(log.SaveTo(path));
        QCOMPARE(ReadBytes(path), old + "Started 10:05 pm 03-14-2019\r\nStopped 10:06 pm 03-14-2019\r\n");
        // No path: no file anywhere, not even one named after the working directory.
        log.Add(QStringLiteral("x"));
        QVERIFY(log.SaveTo(QString()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Log.txt")});
    }

    void start_logOverTenMiBMovedAsideKeepingItsMark_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("moved");
        QTest::newRow("exactly 10 MiB stays") << TenMiB << false;
        QTest::newRow("one byte more is moved") << TenMiB + 1 << true;
    }
    void start_logOverTenMiBMovedAsideKeepingItsMark()
    {
        QFETCH(qint64, size);
        QFETCH(bool, moved);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Log.txt"));
        const QString oldPath = dir.filePath(QStringLiteral("Log.old.txt"));
        QVERIFY(WriteBytes(oldPath, "an older log\r\n"));
        const QByteArray head = "\xFF\xFE" + Utf16(QStringLiteral("first run\r\n"), QStringEncoder::Utf16LE);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(head) == head.size());
            QVERIFY(file.resize(size)); // the rest reads as NULs
        }

        TRunLog log;
        log.LoadFrom(path);
        QVERIFY(log.AllLines().isEmpty());
        log.Add(QStringLiteral("Started"));
        QVERIFY(log.SaveTo(path));

        const QByteArray started = Utf16(QStringLiteral("Started\r\n"), QStringEncoder::Utf16LE);
        if (moved) {
            QCOMPARE(QFileInfo(oldPath).size(), size);
            QVERIFY(ReadBytes(oldPath).startsWith(head));
            QCOMPARE(ReadBytes(path), QByteArray("\xFF\xFE") + started);
        } else {
            QCOMPARE(ReadBytes(oldPath), QByteArray("an older log\r\n"));
            const QByteArray now = ReadBytes(path);
            QCOMPARE(now.size(), size + 4 + started.size());
            QVERIFY(now.startsWith(head));
            QVERIFY(now.endsWith(Utf16(QStringLiteral("\r\n"), QStringEncoder::Utf16LE) + started));
        }
    }
};

QTEST_GUILESS_MAIN(TestRunLog)
#include "TestRunLog.moc"
