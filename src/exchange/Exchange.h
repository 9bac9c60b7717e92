#pragma once

#include "core/RunLog.h"
#include "exchange/HTTPSClient.h"
#include "exchange/MIMEEncoder.h"
#include "exchange/ParallelPosts.h"

#include <QObject>
#include <QString>

#include <functional>

class QTimer;

// What the watchdog does at one tick.
enum class TWatchdogAction
{
    ResetTicks, // nothing outstanding: the count starts again
    Count,      // count and show the tick, nothing more
    Resend,     // end the wait; a record request is posted again
    GiveUp      // end the wait and stop the run
};

// ticks: the count before this tick. The wait ends on its 91st tick; six
// resends are allowed; once the run is stopping the watchdog only counts.
TWatchdogAction WatchdogStep(bool waiting, quint32 ticks, bool exitPlease, qint32 retryCount);

inline constexpr quint32 WatchdogTickLimit = 90;
inline constexpr qint32 WatchdogResendLimit = 6;

// The exchange with the service: one request outstanding at a time, the reply
// gathered from the client's events and handed to OnReply, and the watchdog
// that ends a wait that lasts too long.
class TExchange : public QObject
{
    Q_OBJECT

public:
    TExchange(TRunLog& log, std::function<void()> saveLog, QObject* parent = nullptr);

    static QString TimeoutMessage();

    THTTPSClient HTTPS1;
    TMIMEEncoder MIME1;

    quint16 WaitFor = 0;
    QString ResponseText;
    bool Waiting = false;
    quint32 WaitTicks = 0;
    bool Retry = false;
    qint32 RetryCount = 0;
    bool ExitPlease = false;
    // The run was asked to stop (Stop, an interrupt): a record post in progress
    // finishes, but no record is posted again and no wait for the watchdog goes on.
    // Unlike ExitPlease it belongs to one run; the run's owner clears it.
    bool StopPlease = false;
    // The HTTP status of the reply being dispatched (0 when the client knew none).
    int ReplyStatus = 0;
    // Posts made for the current record request, the first one and every resend.
    qint32 Posts = 0;

    // The reply dispatch; runs before the wait is cleared.
    std::function<void(quint16 waitFor, const QString& reply)> OnReply;
    // Reapplies the connection settings before a resend; may throw.
    std::function<void()> ConfigureConnection;
    // The wait's progress, once a second while waiting.
    std::function<void(quint32 ticks)> OnTicks;
    // The give-up box; returns when the user has closed it.
    std::function<void(const QString& text)> ShowTimeoutError;

    // Wraps text as a MIME part and posts it. Not retrying: a failure of the
    // post passes to the caller. Retrying (records): posts until answered,
    // resent by the watchdog, or until the run is told to stop.
    void PostRequest(const QString& text, quint16 replyCode, bool retrying);
    // The same for a request encoded ahead of time, while the last reply was awaited.
    void PostEncoded(const TParallelPosts::TBody& body, quint16 replyCode, bool retrying);

    // The watchdog; to be called once a second. Throws what ConfigureConnection throws.
    void Timer1Timer();
    // A one-second timer of our own, for callers without a window.
    void StartOwnTimer();

    void HTTPS1StartTransfer(int direction);
    void HTTPS1Transfer(int direction, qint64 bytes, int percentDone, const QString& text);
    void HTTPS1EndTransfer(int direction);
    void HTTPS1Error(int code, const QString& description);

    TRunLog& Log() { return RunLog; }

private:
    void PostBody(const QByteArray& body, bool retrying);
    void Send();

    // What Send posts, and posts again on a resend.
    QByteArray Body;
    TRunLog& RunLog;
    std::function<void()> SaveLog;
    QTimer* OwnTimer = nullptr;
};
