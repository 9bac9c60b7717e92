#pragma once

// A bare libcurl keep-alive loop: what the benchmarks hold an import against.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <curl/curl.h>

#include <cstdio>
#include <ctime>
#include <vector>

inline double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

inline size_t Discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

struct TBareRun
{
    double Rate = 0;
    double CpuPerThousand = 0;
    std::vector<double> PostMs; // each post's time, in the order sent
};

// The same bodies, one keep-alive connection, nothing else.
inline TBareRun BareLoop(const QString& url, const QString& caFile, const std::vector<QByteArray>& bodies)
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
    const double cpuBefore = CpuSeconds();
    size_t ok = 0;
    TBareRun run;
    run.PostMs.reserve(bodies.size());
    for (const QByteArray& body : bodies) {
        const qint64 start = clock.nsecsElapsed();
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
        ok += curl_easy_perform(easy) == CURLE_OK ? 1 : 0;
        run.PostMs.push_back(double(clock.nsecsElapsed() - start) / 1e6);
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    run.CpuPerThousand = (CpuSeconds() - cpuBefore) * 1000.0 / double(bodies.size());
    run.Rate = double(bodies.size()) / seconds;
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
    if (ok != bodies.size())
        std::printf("  bare loop: %zu of %zu posts failed\n", bodies.size() - ok, bodies.size());
    return run;
}
