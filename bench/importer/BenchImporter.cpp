// Rows per second of a whole import run through the main window (offscreen, results file on) against
// the local service over HTTPS, next to a bare libcurl loop posting the same bodies on
// one reused connection; and how late a 100 ms timer ticks while the run goes on.

#include "BareLoop.h"
#include "SandboxProcess.h"
#include "ScriptedPrompt.h"

#include "app/Unit1.h"
#include "exchange/Connection.h"
#include "exchange/Exchange.h"
#include "exchange/ParallelPosts.h"
#include "importer/RecordEncoder.h"
#include "mapping/ColumnMap.h"
#include "mapping/FieldCatalogue.h"
#include "source/RowList.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

// The service's documented demo account.
const QString DemoAccount = QStringLiteral("123456789");
const QString DemoLogin = QStringLiteral("demo@example.org");
const QString DemoPassword = QStringLiteral("sandbox-demo");

const QString CatalogueReply = QStringLiteral("OK\r\n"
                                              "1\t1\t0\tFirst name\t0\r\n"
                                              "1\t2\t0\tLast name\t0\r\n"
                                              "1\t19\t0\tFlags\t0\r\n"
                                              "8\t1\t0\tDate joined\t6\r\n");

// The bench's five columns: names, two flags, a day-first date.
void MapBenchColumns(TColumnMap& map)
{
    for (int column = 1; column <= 5; ++column)
        map[size_t(column)].FieldIndex = quint16(column <= 2 ? column : column == 5 ? 4 : 3);
    map[5].DateFormat = 1;
}

// One import through a fresh main window; returns its rows per second.
struct TRoundResult
{
    double Rate = 0;
    double Seconds = 0;
    int Counted = 0;
    qsizetype Received = 0;
    int Listed = 0;
    qint64 ResultsRows = 0; // lines the results file got
    std::vector<qint64> Lateness; // how late each tick of a 100 ms timer came during the run
};

TRoundResult ImportRound(TSandboxProcess& sandbox, const QString& hostDir, const QStringList& lines)
{
    TScriptedPrompt prompt;
    TForm1Options options;
    options.HostDirectory = hostDir;
    options.Prompt = &prompt;
    options.SettingsPath = QDir(hostDir).filePath(QStringLiteral("bench.INI"));
    options.Endpoint = TEndpointOptions{sandbox.Host(), sandbox.CAFile()};
    TForm1 form(options);
    // BENCH_HIDDEN=1 leaves the window unshown, to tell painting apart from the rest.
    if (!qEnvironmentVariableIsSet("BENCH_HIDDEN"))
        form.show();
    form.AccountNumber = DemoAccount;
    form.LoginName = DemoLogin;
    form.Password = DemoPassword;
    form.SiteNumber = QStringLiteral("0");
    LoadFieldCatalogue(CatalogueReply, form.FieldCatalogue);
    MapBenchColumns(form.ColumnMap);
    form.SourceLines = lines;
    // The results file is written beside the source file, one flushed line per row.
    form.FileName = QDir(hostDir).filePath(QStringLiteral("bench-source.txt"));
    form.CheckBox1->setChecked(false);
    ApplyConnectionSettings(form.Exchange->HTTPS1, form.Setup, form.Endpoint, form.RunLog);
    form.ShowPage(form.TabSheet7);

    TRoundResult result;
    result.Lateness.reserve(1000);
    QElapsedTimer tickClock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(100);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 gap = tickClock.restart();
        result.Lateness.push_back(std::max<qint64>(0, gap - 100));
    });

    sandbox.Reset();
    QElapsedTimer clock;
    clock.start();
    tickClock.start();
    probe.start();
    form.Button20->click();
    probe.stop();
    result.Seconds = double(clock.nsecsElapsed()) / 1e9;
    result.Rate = lines.size() / result.Seconds;
    result.Counted = form.RecordsImported;
    result.Received = sandbox.Requests().size();
    result.Listed = form.ListBox3->model()->rowCount();
    result.ResultsRows = form.Results.RowsWritten();

    // Leave without the close question.
    form.Exchange->ExitPlease = true;
    form.close();
    return result;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const int rounds = argc > 2 ? qMax(1, QString::fromLocal8Bit(argv[2]).toInt()) : 3;

    QTemporaryDir sandboxDir;
    QTemporaryDir hostDir;
    TSandboxProcess sandbox;
    if (!sandboxDir.isValid() || !hostDir.isValid() || !sandbox.Start(sandboxDir.path())) {
        std::printf("cannot start the local service: %s\n", qPrintable(sandbox.ErrorText()));
        return 1;
    }

    QStringList lines;
    lines.reserve(rows);
    for (int row = 0; row < rows; ++row)
        lines << QStringLiteral("Ann %1\tSmith\tDriver\tUsher\t1/2/1990").arg(row);

    // The same bodies, for the bare loop.
    TCatalogue catalogue;
    LoadFieldCatalogue(CatalogueReply, catalogue);
    TColumnMap map{};
    ResetColumnMap(map);
    MapBenchColumns(map);
    std::vector<QByteArray> bodies;
    bodies.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        const TRecordText record = ComposeRecord(BuildRowList(lines[row], row + 1), map, catalogue.Entries,
                                                 DemoAccount, DemoLogin, DemoPassword, QStringLiteral("0"), row);
        bodies.push_back(TParallelPosts::Encode(record.Text).Bytes);
    }
    const QString url = QStringLiteral("https://%1/ex/import.dll").arg(sandbox.Host());
    // Warm-up: certificates read, first handshake made, on both sides.
    BareLoop(url, sandbox.CAFile(), std::vector<QByteArray>(bodies.begin(), bodies.begin() + qMin(rows, 50)));

    // Each round runs the bare loop before and after the import and averages the two,
    // so a machine that speeds up or slows down during the round favours neither side;
    // the median of the rounds is the figure.
    std::printf("bench_importer: %d rows over HTTPS on loopback, %d rounds\n", rows, rounds);
    std::vector<double> ratios;
    std::vector<qint64> lateness;
    bool allCounted = true;
    for (int round = 1; round <= rounds; ++round) {
        sandbox.Reset();
        const double bareBefore = BareLoop(url, sandbox.CAFile(), bodies).Rate;
        const TRoundResult run = ImportRound(sandbox, hostDir.path(), lines);
        sandbox.Reset();
        const double bareAfter = BareLoop(url, sandbox.CAFile(), bodies).Rate;
        const double bare = (bareBefore + bareAfter) / 2;
        ratios.push_back(100.0 * run.Rate / bare);
        lateness.insert(lateness.end(), run.Lateness.begin(), run.Lateness.end());
        allCounted = allCounted && run.Counted == rows && run.ResultsRows == rows;
        std::printf("  round %d: import %6.0f rows/s (%.2f s, %d replies counted, %lld requests received, %d list "
                    "lines, %lld results rows), bare libcurl %6.0f posts/s (before %.0f, after %.0f), ratio %5.1f%%\n",
                    round, run.Rate, run.Seconds, run.Counted, static_cast<long long>(run.Received), run.Listed,
                    static_cast<long long>(run.ResultsRows), bare, bareBefore, bareAfter, ratios.back());
    }

    std::sort(lateness.begin(), lateness.end());
    const qint64 maxLate = lateness.empty() ? 0 : lateness.back();
    const qint64 p99Late = lateness.empty() ? 0 : lateness[size_t(double(lateness.size() - 1) * 0.99)];
    std::printf("  ratio median %5.1f%%  (min %.1f%%, max %.1f%%; target >= 85%%)\n", Median(ratios),
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
    std::printf("  100 ms timer during the runs: %zu ticks, lateness max %lld ms, p99 %lld ms\n", lateness.size(),
                static_cast<long long>(maxLate), static_cast<long long>(p99Late));
    return allCounted ? 0 : 2;
}
