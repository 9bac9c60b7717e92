// Rows per second of a whole import run through the main window (offscreen) against
// the local service over HTTPS, next to a bare libcurl loop posting the same bodies on
// one reused connection; and how late a 100 ms timer ticks while the run goes on.

#include "SandboxProcess.h"
#include "ScriptedPrompt.h"

#include "app/Unit1.h"
#include "exchange/Connection.h"
#include "exchange/Exchange.h"
#include "exchange/MIMEEncoder.h"
#include "importer/RecordEncoder.h"
#include "mapping/FieldCatalogue.h"
#include "source/RowList.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
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

size_t Discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

QByteArray MimeBody(const QString& text)
{
    TMIMEEncoder mime;
    mime.SetPartCount(1);
    mime.SetPartDecodedString(0, text);
    mime.SetPartContentType(0, QStringLiteral("text/plain"));
    mime.SetPartContentTypeAttr(0, QStringLiteral("charset=\"iso-8859-1\""));
    mime.EncodeToString();
    return mime.Message();
}

double BareRate(const QString& url, const QString& caFile, const std::vector<QByteArray>& bodies)
{
    CURL* easy = curl_easy_init();
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/plain");
    headers = curl_slist_append(headers, "Expect:");
    const QByteArray urlBytes = url.toUtf8();
    const QByteArray caBytes = caFile.toUtf8();
    curl_easy_setopt(easy, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Discard);
    curl_easy_setopt(easy, CURLOPT_CAINFO, caBytes.constData());
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    QElapsedTimer clock;
    clock.start();
    size_t ok = 0;
    for (const QByteArray& body : bodies) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
        ok += curl_easy_perform(easy) == CURLE_OK ? 1 : 0;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
    if (ok != bodies.size())
        std::printf("  bare loop: %zu of %zu posts failed\n", bodies.size() - ok, bodies.size());
    return double(bodies.size()) / seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;

    QTemporaryDir sandboxDir;
    QTemporaryDir hostDir;
    TSandboxProcess sandbox;
    if (!sandboxDir.isValid() || !hostDir.isValid() || !sandbox.Start(sandboxDir.path())) {
        std::printf("cannot start the local service: %s\n", qPrintable(sandbox.ErrorText()));
        return 1;
    }

    TScriptedPrompt prompt;
    TForm1Options options;
    options.HostDirectory = hostDir.path();
    options.Prompt = &prompt;
    options.SettingsPath = hostDir.filePath(QStringLiteral("bench.INI"));
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
    for (int column = 1; column <= 5; ++column)
        form.ColumnMap[size_t(column)].FieldIndex = quint16(column <= 2 ? column : column == 5 ? 4 : 3);
    form.ColumnMap[5].DateFormat = 1;
    QStringList lines;
    lines.reserve(rows);
    for (int row = 0; row < rows; ++row)
        lines << QStringLiteral("Ann %1\tSmith\tDriver\tUsher\t1/2/1990").arg(row);
    form.SourceLines = lines;
    form.CheckBox1->setChecked(false);
    ApplyConnectionSettings(form.Exchange->HTTPS1, form.Setup, form.Endpoint, form.RunLog);
    form.ShowPage(form.TabSheet7);

    // The same bodies, for the bare loop.
    std::vector<QByteArray> bodies;
    bodies.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        const TRecordText record = ComposeRecord(BuildRowList(lines[row], row + 1), form.ColumnMap,
                                                 form.FieldCatalogue.Entries, DemoAccount, DemoLogin, DemoPassword,
                                                 QStringLiteral("0"), row);
        bodies.push_back(MimeBody(record.Text));
    }
    const QString url = QStringLiteral("https://%1/ex/import.dll").arg(sandbox.Host());
    // Warm-up: certificates read, first handshake made, on both sides.
    BareRate(url, sandbox.CAFile(), std::vector<QByteArray>(bodies.begin(), bodies.begin() + qMin(rows, 50)));
    sandbox.Reset();
    // The bare loop runs before and after the import and the two are averaged, so a
    // machine that speeds up or slows down during the run favours neither side.
    const double bareBefore = BareRate(url, sandbox.CAFile(), bodies);
    sandbox.Reset();

    // A 100 ms timer stands in for painting and clicks: how late does it tick?
    std::vector<qint64> lateness;
    lateness.reserve(size_t(rows));
    QElapsedTimer tickClock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(100);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 gap = tickClock.restart();
        lateness.push_back(std::max<qint64>(0, gap - 100));
    });

    QElapsedTimer clock;
    clock.start();
    tickClock.start();
    probe.start();
    form.Button20->click();
    probe.stop();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double ours = rows / seconds;

    const int listed = form.ListBox3->count();
    const QStringList received = sandbox.Requests();
    sandbox.Reset();
    const double bareAfter = BareRate(url, sandbox.CAFile(), bodies);
    const double bare = (bareBefore + bareAfter) / 2;

    std::sort(lateness.begin(), lateness.end());
    const qint64 maxLate = lateness.empty() ? 0 : lateness.back();
    const qint64 p99Late = lateness.empty() ? 0 : lateness[size_t(double(lateness.size() - 1) * 0.99)];
    std::printf("bench_importer: %d rows over HTTPS on loopback\n", rows);
    std::printf("  import run  %8.0f rows/s  (%.2f s, %d replies counted, %lld requests received, %d list lines)\n",
                ours, seconds, form.RecordsImported, static_cast<long long>(received.size()), listed);
    std::printf("  bare libcurl %7.0f posts/s  (before %.0f, after %.0f)\n", bare, bareBefore, bareAfter);
    std::printf("  ratio       %7.1f%%  (target >= 80%%)\n", 100.0 * ours / bare);
    std::printf("  100 ms timer during the run: %zu ticks, lateness max %lld ms, p99 %lld ms\n", lateness.size(),
                static_cast<long long>(maxLate), static_cast<long long>(p99Late));

    // Leave without the close question.
    form.Exchange->ExitPlease = true;
    form.close();
    return form.RecordsImported == rows ? 0 : 2;
}
