#pragma once

#include "core/HandlerGuard.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <exception>
#include <functional>

// A failure of THTTPSClient: a setter that refuses a value, a Post that cannot
// be made, fails on the network or runs past its time limit.
class THTTPSError : public std::exception
{
public:
    THTTPSError(int code, const QString& message);
    const char* what() const noexcept override { return Utf8.constData(); }
    int Code() const { return ErrorCode; }
    QString Message() const { return Text; }

private:
    int ErrorCode;
    QString Text;
    QByteArray Utf8;
};

enum TProxySSL
{
    psAutomatic = 0,
    psAlways = 1,
    psNever = 2,
    psTunnel = 3
};

enum TFirewallType
{
    fwNone = 0,
    fwTunnel = 1,
    fwSOCKS4 = 2,
    fwSOCKS5 = 3
};

// Error codes of our own, beside libcurl's CURLcode values.
enum THTTPSErrorCode
{
    hecPostInProgress = 1001,
    hecBadValue = 1002,
    hecUnsupportedRoute = 1003,
    hecReplyTooLarge = 1004,
    hecSetupFailed = 1005
};

struct TCurlSession;
struct TCurlTransfer;

// What became of a post started with THTTPSClient::StartPost.
struct THTTPSReply
{
    bool Failed = false; // no reply: ErrorCode and Message say why, as Post would have thrown
    int ErrorCode = 0;
    QString Message;
    int Status = 0;  // the HTTP status of the reply
    QByteArray Body; // the reply's body
};

// One HTTP(S) POST at a time over a reused connection. Post keeps the calling
// thread's event loop running (timers, painting, clicks) while it waits; the
// transfer events are raised on that thread before Post returns.
//
// StartPost sends posts side by side instead, each on a connection of its own
// (reused by the next), and hands each its reply through a callback; it raises
// none of the transfer events.
class THTTPSClient : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxReplyBytes = 16 * 1024 * 1024;

    explicit THTTPSClient(QObject* parent = nullptr);
    ~THTTPSClient() override;

    QString URL() const { return FURL; }
    void SetURL(const QString& url) { FURL = url; }
    QByteArray PostData() const { return FPostData; }
    void SetPostData(const QByteArray& data) { FPostData = data; }
    QString ContentType() const { return FContentType; }
    void SetContentType(const QString& type) { Set(FContentType, type); }

    QString ProxyServer() const { return FProxyServer; }
    void SetProxyServer(const QString& host);
    quint16 ProxyPort() const { return FProxyPort; }
    void SetProxyPort(quint16 port) { Set(FProxyPort, port); }
    TProxySSL ProxySSL() const { return FProxySSL; }
    void SetProxySSL(TProxySSL mode);
    QString ProxyUser() const { return FProxyUser; }
    void SetProxyUser(const QString& user) { Set(FProxyUser, user); }
    QString ProxyPassword() const { return FProxyPassword; }
    void SetProxyPassword(const QString& password) { Set(FProxyPassword, password); }

    QString FirewallHost() const { return FFirewallHost; }
    void SetFirewallHost(const QString& host);
    quint16 FirewallPort() const { return FFirewallPort; }
    void SetFirewallPort(quint16 port) { Set(FFirewallPort, port); }
    QString FirewallUser() const { return FFirewallUser; }
    void SetFirewallUser(const QString& user) { Set(FFirewallUser, user); }
    QString FirewallPassword() const { return FFirewallPassword; }
    void SetFirewallPassword(const QString& password) { Set(FFirewallPassword, password); }
    TFirewallType FirewallType() const { return FFirewallType; }
    void SetFirewallType(TFirewallType type);

    int Timeout() const { return (FTimeoutMs + 999) / 1000; } // seconds; 0 = no limit
    void SetTimeout(int seconds) { Set(FTimeoutMs, seconds * 1000); }
    // The same limit in milliseconds, for a watchdog whose tick is shortened.
    int TimeoutMs() const { return FTimeoutMs; }
    void SetTimeoutMs(int milliseconds) { Set(FTimeoutMs, milliseconds); }
    QString CAFile() const { return FCAFile; }
    void SetCAFile(const QString& path) { Set(FCAFile, path); }
    bool UseSystemProxy() const { return FUseSystemProxy; }
    void SetUseSystemProxy(bool use) { Set(FUseSystemProxy, use); }

    // "Name=Value" sets a setting, "Name" reads it; returns the setting's value
    // after the call, or an empty text for a name we do not know.
    QString Config(const QString& setting);

    // One POST of PostData to url. Throws THTTPSError on failure or time-out,
    // and when another Post of this client is still in progress.
    void Post(const QString& url);
    bool Busy() const { return InProgress; }
    // The HTTP status of the last reply Post received; 0 while none has come.
    int StatusCode() const { return FStatusCode; }

    // Starts one POST of body to url beside the others in flight and returns without
    // awaiting its reply (on a reused connection it is sent before StartPost returns,
    // else from the event loop). done is called once, from the event loop and
    // never from inside StartPost, with the reply or the failure, unless CancelPost
    // comes first. Throws THTTPSError when the settings make no route.
    quint64 StartPost(const QString& url, const QByteArray& body, std::function<void(THTTPSReply&& reply)> done);
    // Abandons a post started with StartPost: its callback is not called.
    void CancelPost(quint64 id);
    int PostsInFlight() const;

    // A handler of the events below never throws through the signal: connect it
    // wrapped with EventHandler, and a failure it lets out ends the Post in progress
    // as though raised there (Post throws it once the event has returned).
    template <typename F>
    auto EventHandler(F handler)
    {
        return Bounded(std::move(handler), [this] { HandlerFailed(std::current_exception()); });
    }
    template <typename T, typename R, typename... A>
    auto EventHandler(T* object, R (T::*method)(A...))
    {
        return EventHandler(BoundMethod(object, method));
    }
    // The first failure counts; the events after it are still delivered until Post checks.
    void HandlerFailed(std::exception_ptr failure);

signals:
    void StartTransfer(int direction);
    void Transfer(int direction, qint64 bytes, int percentDone, const QString& text);
    void EndTransfer(int direction);
    void Error(int code, const QString& description);

private:
    // Every setting the transfers read; a post applies them again only after a change.
    void Changed() { ++FSettingsGeneration; }
    template <typename T, typename V>
    void Set(T& field, const V& value)
    {
        if (field == value)
            return;
        field = value;
        Changed();
    }
    // Applies the settings to the transfer (unless applied already) and sets its body.
    void Prepare(TCurlTransfer& transfer, const QString& url);

    quint64 FSettingsGeneration = 1;
    QString FURL;
    QByteArray FPostData;
    QString FContentType;
    QString FProxyServer;
    quint16 FProxyPort = 80;
    TProxySSL FProxySSL = psAutomatic;
    QString FProxyUser;
    QString FProxyPassword;
    QString FFirewallHost;
    quint16 FFirewallPort = 80;
    QString FFirewallUser;
    QString FFirewallPassword;
    TFirewallType FFirewallType = fwNone;
    int FTimeoutMs = 60000;
    QString FCAFile;
    bool FUseSystemProxy = false;
    int SSLEnabledProtocols = 0; // 0: libcurl's defaults
    bool InProgress = false;
    std::exception_ptr FHandlerFailure;
    void ThrowHandlerFailure();
    int FStatusCode = 0;
    TCurlSession* Session;
};
