// Sequential record posts per second through TExchange against the local
// service, over HTTP and HTTPS, next to a bare libcurl loop on one reused
// connection; then the CPU time spent while a slow reply is awaited.

#include "SandboxProcess.h"

#include "exchange/Envelope.h"
#include "exchange/Exchange.h"
#include "exchange/MIMEEncoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <curl/curl.h>

#include <cstdio>
#include <ctime>

namespace {

// The service's documented demo account.
const QString DemoAccount = QStringLiteral("123456789");
const QString DemoLogin = QStringLiteral("demo@example.org");
const QString DemoPassword = QStringLiteral("sandbox-demo");

QString RecordText(int row)
{
    return RecordHead(DemoAccount, DemoLogin, DemoPassword, QStringLiteral("0"))
         + QStringLiteral("&F1=Row %1&F2=Smith&F3=caf\u00e9").arg(row);
}

size_t Discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

double BareRate(const QString& url, const QString& caFile, int posts)
{
    TMIMEEncoder mime;
    mime.SetPartCount(1);
    mime.SetPartDecodedString(0, RecordText(0));
    mime.SetPartContentType(0, QStringLiteral("text/plain"));
    mime.SetPartContentTypeAttr(0, QStringLiteral("charset=\"iso-8859-1\""));
    mime.EncodeToString();
    const QByteArray body = mime.Message();
    CURL* easy = curl_easy_init();
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/plain");
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(easy, CURLOPT_URL, url.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Discard);
    curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    QElapsedTimer clock;
    clock.start();
    int ok = 0;
    for (int i = 0; i < posts; ++i)
        ok += curl_easy_perform(easy) == CURLE_OK ? 1 : 0;
    const double seconds = clock.nsecsElapsed() / 1e9;
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
    if (ok != posts)
        std::printf("  bare loop: %d of %d posts failed\n", posts - ok, posts);
    return posts / seconds;
}

double ExchangeRate(TExchange& ex, int posts, int* answered)
{
    int replies = 0;
    ex.OnReply = [&](quint16, const QString&) { ++replies; };
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < posts; ++i)
        ex.PostRequest(RecordText(i), 4, true);
    const double seconds = clock.nsecsElapsed() / 1e9;
    *answered = replies;
    return posts / seconds;
}

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int posts = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    QTemporaryDir dir;
    TSandboxProcess sandbox;
    if (!dir.isValid() || !sandbox.Start(dir.path())) {
        std::printf("cannot start the local service: %s\n", qPrintable(sandbox.ErrorText()));
        return 1;
    }
    TRunLog log;
    TExchange ex(log, nullptr);
    ex.HTTPS1.SetCAFile(sandbox.CAFile());
    ex.HTTPS1.Config(QStringLiteral("SSLEnabledProtocols=3072"));
    ex.StartOwnTimer();

    std::printf("bench_exchange: %d sequential record posts per run\n", posts);
    for (bool tls : {false, true}) {
        const QString url = QStringLiteral("%1://%2/ex/import.dll")
                                .arg(tls ? QStringLiteral("https") : QStringLiteral("http"), sandbox.Host());
        ex.HTTPS1.SetURL(url);
        int answered = 0;
        ExchangeRate(ex, posts / 10, &answered); // warm-up: connection and session
        BareRate(url, sandbox.CAFile(), posts / 10);
        const double ours = ExchangeRate(ex, posts, &answered);
        const double bare = BareRate(url, sandbox.CAFile(), posts);
        std::printf("  %-5s exchange %8.0f posts/s  bare libcurl %8.0f posts/s  ratio %5.1f%%  (%d/%d answered)\n",
                    tls ? "HTTPS" : "HTTP", ours, bare, 100.0 * ours / bare, answered, posts);
        sandbox.Reset();
    }

    // CPU while a reply is awaited: the service holds the next reply for two seconds.
    ex.HTTPS1.SetURL(QStringLiteral("http://%1/ex/import.dll").arg(sandbox.Host()));
    sandbox.Fault(QStringLiteral("delay"), 1, 2000);
    const double cpuBefore = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    int answered = 0;
    ExchangeRate(ex, 1, &answered);
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf("  waiting: %.2f s wall, %.4f s CPU (%.2f%%), reply %s\n", wall.elapsed() / 1000.0, cpu,
                100.0 * cpu / (wall.elapsed() / 1000.0), answered == 1 ? "dispatched" : "missing");
    return 0;
}
