#include "exchange/Exchange.h"

#include "core/HandlerGuard.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcExchange, "qimport.exchange")

TWatchdogAction WatchdogStep(bool waiting, quint32 ticks, bool exitPlease, qint32 retryCount)
{
    if (!waiting)
        return TWatchdogAction::ResetTicks;
    if (ticks + 1 <= WatchdogTickLimit || exitPlease)
        return TWatchdogAction::Count;
    return retryCount < WatchdogResendLimit ? TWatchdogAction::Resend : TWatchdogAction::GiveUp;
}

TExchange::TExchange(TRunLog& log, std::function<void()> saveLog, QObject* parent)
    : QObject(parent)
    , RunLog(log)
    , SaveLog(std::move(saveLog))
{
    // A failure of the reply dispatch ends the post and leaves it through PostRequest.
    connect(&HTTPS1, &THTTPSClient::StartTransfer, this, HTTPS1.EventHandler(this, &TExchange::HTTPS1StartTransfer));
    connect(&HTTPS1, &THTTPSClient::Transfer, this, HTTPS1.EventHandler(this, &TExchange::HTTPS1Transfer));
    connect(&HTTPS1, &THTTPSClient::EndTransfer, this, HTTPS1.EventHandler(this, &TExchange::HTTPS1EndTransfer));
    connect(&HTTPS1, &THTTPSClient::Error, this, HTTPS1.EventHandler(this, &TExchange::HTTPS1Error));
}

QString TExchange::TimeoutMessage()
{
    return QStringLiteral(
        "Timed out waiting for connection. Verify that your Internet connection is active, then try again.");
}

void TExchange::Send()
{
    // Each post starts its own wait, so a long run of replies never adds up to a time-out.
    WaitTicks = 0;
    HTTPS1.SetPostData(Body);
    HTTPS1.SetContentType(QStringLiteral("text/plain"));
    HTTPS1.Post(HTTPS1.URL());
}

void TExchange::PostRequest(const QString& text, quint16 replyCode, bool retrying)
{
    WaitFor = replyCode;
    Waiting = true;
    WaitTicks = 0;

    try {
        MIME1.ResetData();
        MIME1.SetPartCount(1);
        MIME1.SetPartDecodedString(0, text);
        MIME1.SetPartContentType(0, QStringLiteral("text/plain"));
        MIME1.SetPartContentTypeAttr(0, QStringLiteral("charset=\"iso-8859-1\""));
        MIME1.EncodeToString();
    } catch (const EMIMEError& e) {
        RunLog.Add(QStringLiteral(" Encode exception: ") + e.Message());
    }
    PostBody(MIME1.Message(), retrying);
}

void TExchange::PostEncoded(const TParallelPosts::TBody& body, quint16 replyCode, bool retrying)
{
    WaitFor = replyCode;
    Waiting = true;
    WaitTicks = 0;
    if (!body.EncodeError.isEmpty())
        RunLog.Add(QStringLiteral(" Encode exception: ") + body.EncodeError);
    PostBody(body.Bytes, retrying);
}

void TExchange::PostBody(const QByteArray& body, bool retrying)
{
    Body = body;
    if (!retrying) {
        Send();
        return;
    }

    Retry = true;
    RetryCount = 0;
    Posts = 0;
    while (Retry && !ExitPlease && !StopPlease) {
        WaitFor = 4;
        Waiting = true;
        ++Posts;
        try {
            Send();
        } catch (...) {
            RunLog.Add(QStringLiteral("Http exception rasied"));
        }
        // Sleep until something happens (a tick, a reply, a click); the reply
        // dispatch or the watchdog ends the wait. A stop request ends it too,
        // since the watchdog no longer acts then.
        while (Waiting && !ExitPlease && !StopPlease)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // Stopped while no reply was on its way (a failed post awaiting the watchdog):
    // nothing is awaited any more.
    if (StopPlease && Waiting) {
        Waiting = false;
        WaitFor = 0;
        Retry = false;
    }
}

void TExchange::Timer1Timer()
{
    const TWatchdogAction action = WatchdogStep(Waiting, WaitTicks, ExitPlease, RetryCount);
    if (action == TWatchdogAction::ResetTicks) {
        WaitTicks = 0;
        return;
    }
    ++WaitTicks;
    if (OnTicks)
        OnTicks(WaitTicks);
    switch (action) {
    case TWatchdogAction::Resend:
        Retry = true;
        qCDebug(lcExchange) << "wait ended after" << WaitTicks << "ticks; resend" << RetryCount + 1;
        if (ConfigureConnection)
            ConfigureConnection();
        WaitTicks = 0;
        ++RetryCount;
        Waiting = false;
        break;
    case TWatchdogAction::GiveUp:
        if (ShowTimeoutError)
            ShowTimeoutError(TimeoutMessage());
        RetryCount = 0;
        Retry = false;
        ExitPlease = true;
        Waiting = false;
        break;
    default:
        break;
    }
}

void TExchange::StartOwnTimer()
{
    if (OwnTimer)
        return;
    OwnTimer = new QTimer(this);
    OwnTimer->setInterval(1000);
    // The connection settings' own failure path has already reported a failure of the tick.
    connect(OwnTimer, &QTimer::timeout, this, Bounded([this] { Timer1Timer(); }, [] {
                qCWarning(lcExchange) << "watchdog:" << CurrentFailureMessage();
            }));
    OwnTimer->start();
}

void TExchange::HTTPS1StartTransfer(int)
{
    ResponseText.clear();
}

void TExchange::HTTPS1Transfer(int, qint64, int, const QString& text)
{
    ResponseText += text;
}

void TExchange::HTTPS1EndTransfer(int direction)
{
    if (direction != 1 || !Waiting)
        return;
    // The wait ends even when the dispatch fails, so the reply is never dispatched twice.
    struct TClearWait
    {
        TExchange& E;
        ~TClearWait()
        {
            E.WaitFor = 0;
            E.Waiting = false;
            E.Retry = false;
        }
    } clearWait{*this};
    ReplyStatus = HTTPS1.StatusCode();
    if (OnReply)
        OnReply(WaitFor, ResponseText);
}

void TExchange::HTTPS1Error(int code, const QString& description)
{
    RunLog.Add(QStringLiteral("Http error ") + QString::number(code) + QLatin1Char(' ') + description);
    if (SaveLog) {
        try {
            SaveLog();
        } catch (...) {
            // saving the log is best effort
        }
    }
}
