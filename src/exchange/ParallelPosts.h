#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>

class TExchange;

// Record requests posted side by side on the exchange's client, each with its
// own wait and resend as TExchange gives the one request it posts at a time:
// the watchdog's tick ends a wait that lasts too long and posts the record
// again, up to the same limit, and its give-up stops the exchange
// (ExitPlease). A stop (StopPlease) or a give-up posts nothing again: a record
// on the wire finishes, one waiting to be resent ends unanswered.
class TParallelPosts
{
public:
    // What became of one record.
    struct TOutcome
    {
        bool Answered = false; // a reply came
        int Status = 0;        // its HTTP status
        QString Text;          // its body
        qint32 Posts = 0;      // the first post and every resend
    };
    using TDone = std::function<void(TOutcome&& outcome)>;

    explicit TParallelPosts(TExchange& exchange);
    ~TParallelPosts();
    TParallelPosts(const TParallelPosts&) = delete;
    TParallelPosts& operator=(const TParallelPosts&) = delete;

    // Posts text as a record request. done is called once, from the event loop
    // (never from inside Start), or from Tick or Stop. Returns the record's key.
    quint64 Start(const QString& text, TDone done);
    // A record request's body, made ahead: what Start posts for text. A failure to encode
    // is logged when the body is posted.
    struct TBody
    {
        QByteArray Bytes;
        QString EncodeError;
    };
    static TBody Encode(const QString& text);
    quint64 Start(TBody body, TDone done);
    int InFlight() const { return int(Records.size()); }
    // Posts made so far for a record still without an outcome (0 once it has one).
    qint32 PostsOf(quint64 key) const;

    // The watchdog, beside TExchange::Timer1Timer: once a tick.
    void Tick();
    // The exchange was told to stop: records awaiting a resend end now.
    void Stop();

private:
    struct TRecord
    {
        QByteArray Body;
        quint64 PostId = 0; // the post on the wire; 0: none (failed, awaiting the watchdog)
        quint32 Ticks = 0;
        qint32 RetryCount = 0;
        qint32 Posts = 0;
        TDone Done;
    };

    void Send(quint64 key);
    void Replied(quint64 key, bool failed, int status, const QByteArray& body);
    void Finish(quint64 key, TOutcome&& outcome);
    bool Stopping() const;

    TExchange& Exchange;
    std::map<quint64, TRecord> Records;
    quint64 LastKey = 0;
};
