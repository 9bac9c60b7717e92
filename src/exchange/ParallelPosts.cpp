#include "exchange/ParallelPosts.h"

#include "core/TextDecoder.h"
#include "exchange/Exchange.h"

#include <vector>

TParallelPosts::TParallelPosts(TExchange& exchange)
    : Exchange(exchange)
{
}

TParallelPosts::~TParallelPosts()
{
    for (auto& [key, record] : Records)
        if (record.PostId != 0)
            Exchange.HTTPS1.CancelPost(record.PostId);
}

qint32 TParallelPosts::PostsOf(quint64 key) const
{
    const auto it = Records.find(key);
    return it == Records.end() ? 0 : it->second.Posts;
}

bool TParallelPosts::Stopping() const
{
    return Exchange.ExitPlease || Exchange.StopPlease;
}

TParallelPosts::TBody TParallelPosts::Encode(const QString& text)
{
    // The body as the one-at-a-time exchange wraps it.
    TBody body;
    TMIMEEncoder mime;
    try {
        mime.SetPartCount(1);
        mime.SetPartDecodedString(0, text);
        mime.SetPartContentType(0, QStringLiteral("text/plain"));
        mime.SetPartContentTypeAttr(0, QStringLiteral("charset=\"iso-8859-1\""));
        mime.EncodeToString();
    } catch (const EMIMEError& e) {
        body.EncodeError = e.Message();
    }
    body.Bytes = mime.Message();
    return body;
}

quint64 TParallelPosts::Start(const QString& text, TDone done)
{
    return Start(Encode(text), std::move(done));
}

quint64 TParallelPosts::Start(TBody body, TDone done)
{
    if (!body.EncodeError.isEmpty())
        Exchange.Log().Add(QStringLiteral(" Encode exception: ") + body.EncodeError);
    const quint64 key = ++LastKey;
    TRecord& record = Records[key];
    record.Body = std::move(body.Bytes);
    record.Done = std::move(done);
    Exchange.HTTPS1.SetContentType(QStringLiteral("text/plain"));
    Send(key);
    return key;
}

void TParallelPosts::Send(quint64 key)
{
    TRecord& record = Records.at(key);
    // Each post starts its own wait.
    record.Ticks = 0;
    ++record.Posts;
    try {
        record.PostId = Exchange.HTTPS1.StartPost(
            Exchange.HTTPS1.URL(), record.Body, [this, key](THTTPSReply&& reply) {
                Replied(key, reply.Failed, reply.Status, reply.Body);
            });
    } catch (...) {
        // No route: the watchdog posts it again, as it does for one record at a time.
        record.PostId = 0;
        Exchange.Log().Add(QStringLiteral("Http exception rasied"));
    }
}

void TParallelPosts::Replied(quint64 key, bool failed, int status, const QByteArray& body)
{
    const auto it = Records.find(key);
    if (it == Records.end())
        return;
    TRecord& record = it->second;
    record.PostId = 0;
    if (failed) {
        Exchange.Log().Add(QStringLiteral("Http exception rasied"));
        // Awaiting the watchdog's resend, unless nothing is posted again.
        if (Stopping())
            Finish(key, TOutcome{false, 0, QString(), record.Posts});
        return;
    }
    if (status >= 400)
        Exchange.HTTPS1Error(status, QStringLiteral("The server answered with HTTP status %1").arg(status));
    Finish(key, TOutcome{true, status, body.isEmpty() ? QString() : DecodeText(body), record.Posts});
}

void TParallelPosts::Finish(quint64 key, TOutcome&& outcome)
{
    const auto it = Records.find(key);
    if (it == Records.end())
        return;
    if (it->second.PostId != 0)
        Exchange.HTTPS1.CancelPost(it->second.PostId);
    TDone done = std::move(it->second.Done);
    Records.erase(it);
    if (done)
        done(std::move(outcome));
}

void TParallelPosts::Tick()
{
    std::vector<quint64> keys;
    for (const auto& [key, record] : Records)
        keys.push_back(key);
    for (const quint64 key : keys) {
        const auto it = Records.find(key);
        if (it == Records.end())
            continue;
        TRecord& record = it->second;
        if (Stopping() && record.PostId == 0) {
            Finish(key, TOutcome{false, 0, QString(), record.Posts});
            continue;
        }
        const TWatchdogAction action = WatchdogStep(true, record.Ticks, Exchange.ExitPlease, record.RetryCount);
        ++record.Ticks;
        if (action == TWatchdogAction::Resend && !Exchange.StopPlease) {
            if (Exchange.ConfigureConnection) {
                try {
                    Exchange.ConfigureConnection();
                } catch (...) {
                    // said by the settings' own failure path; the record goes again on the old ones
                }
            }
            if (record.PostId != 0)
                Exchange.HTTPS1.CancelPost(record.PostId);
            record.PostId = 0;
            ++record.RetryCount;
            Send(key);
        } else if (action == TWatchdogAction::GiveUp) {
            if (!Exchange.ExitPlease && Exchange.ShowTimeoutError)
                Exchange.ShowTimeoutError(TExchange::TimeoutMessage());
            Exchange.ExitPlease = true;
            Finish(key, TOutcome{false, 0, QString(), record.Posts});
        }
    }
}

void TParallelPosts::Stop()
{
    std::vector<quint64> waiting;
    for (const auto& [key, record] : Records)
        if (record.PostId == 0)
            waiting.push_back(key);
    for (const quint64 key : waiting) {
        const auto it = Records.find(key);
        if (it != Records.end())
            Finish(key, TOutcome{false, 0, QString(), it->second.Posts});
    }
}
