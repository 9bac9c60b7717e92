#include "exchange/HTTPSClient.h"

#include "core/TextDecoder.h"
#include "exchange/ConnectionFailure.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <vector>

Q_LOGGING_CATEGORY(lcHttps, "qimport.exchange.https")

THTTPSError::THTTPSError(int code, const QString& message)
    : ErrorCode(code)
    , Text(message)
    , Utf8(message.toUtf8())
{
}

namespace {

struct TCurlGlobal
{
    TCurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

void EnsureCurlGlobal()
{
    static TCurlGlobal once;
}

// Host names become part of proxy URLs, so anything beyond a host's own
// characters (spaces, '@', '/', control characters) is refused outright.
bool IsHostText(const QString& host)
{
    for (QChar c : host) {
        const ushort u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '.'
                     || u == '-' || u == '_' || u == ':' || u == '[' || u == ']';
        if (!ok)
            return false;
    }
    return true;
}

QString HostPort(const QString& host, quint16 port)
{
    const bool ipv6 = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['));
    return (ipv6 ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':') + QString::number(port);
}

QString UrlCredential(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

// One transfer: an easy handle with the settings last applied to it, its request and
// its reply. Post has one of its own; StartPost takes them from a pool.
struct TCurlTransfer
{
    CURL* Easy = nullptr;
    quint64 Id = 0;
    quint64 Generation = 0; // the client's settings applied to Easy; 0: none yet
    QString Url;
    QString FirstHop; // "the proxy server HOST port N" when the client does not connect to the service itself
    QString CAFile;
    QByteArray RequestBody;
    QByteArray Body;
    bool TooLarge = false;
    bool ResponseStarted = false;
    bool Done = false;
    CURLcode Result = CURLE_OK;
    curl_slist* Headers = nullptr;
    char ErrorBuffer[CURL_ERROR_SIZE] = {};
    std::function<void(THTTPSReply&&)> OnDone; // StartPost's

    TCurlTransfer()
    {
        Easy = curl_easy_init();
    }
    ~TCurlTransfer()
    {
        curl_easy_cleanup(Easy);
        curl_slist_free_all(Headers);
    }
    TCurlTransfer(const TCurlTransfer&) = delete;
    TCurlTransfer& operator=(const TCurlTransfer&) = delete;

    // A new request on the same settings.
    void Begin(const QByteArray& body)
    {
        RequestBody = body;
        Body.clear();
        TooLarge = false;
        ResponseStarted = false;
        Done = false;
        Result = CURLE_OK;
        ErrorBuffer[0] = 0;
        curl_easy_setopt(Easy, CURLOPT_POSTFIELDS, RequestBody.constData());
        curl_easy_setopt(Easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(RequestBody.size()));
    }

    static size_t WriteCallback(char* data, size_t size, size_t count, void* userp)
    {
        auto* self = static_cast<TCurlTransfer*>(userp);
        const size_t bytes = size * count;
        if (self->Body.size() + qint64(bytes) > THTTPSClient::MaxReplyBytes) {
            self->TooLarge = true;
            return 0; // aborts the transfer
        }
        self->Body.append(data, qsizetype(bytes));
        return bytes;
    }

    static size_t HeaderCallback(char*, size_t size, size_t count, void* userp)
    {
        static_cast<TCurlTransfer*>(userp)->ResponseStarted = true;
        return size * count;
    }
};

// libcurl's multi interface driven by the thread's own event loop: socket
// notifiers and a timer wake us, so waiting costs no CPU.
struct TCurlSession
{
    struct TSocketWatch
    {
        QSocketNotifier* Read = nullptr;
        QSocketNotifier* Write = nullptr;
    };

    CURLM* Multi = nullptr;
    QTimer Timer;
    std::map<curl_socket_t, TSocketWatch> Sockets;
    QEventLoop* Loop = nullptr;
    TCurlTransfer Main; // Post's
    bool Attached = false;
    std::function<void()> OnResponseStarted;
    // StartPost's: those in flight, and those done, for the next post.
    std::vector<std::unique_ptr<TCurlTransfer>> Running;
    std::vector<std::unique_ptr<TCurlTransfer>> Idle;
    quint64 LastId = 0;
    // While StartPost sends at once, posts that end meanwhile wait here for the event loop,
    // so no callback runs inside StartPost.
    bool HoldFinished = false;
    std::vector<std::unique_ptr<TCurlTransfer>> Held;
    QTimer HeldTimer;

    TCurlSession()
    {
        EnsureCurlGlobal();
        Multi = curl_multi_init();
        Timer.setSingleShot(true);
        QObject::connect(&Timer, &QTimer::timeout, [this] { Action(CURL_SOCKET_TIMEOUT, 0); });
        HeldTimer.setSingleShot(true);
        HeldTimer.setInterval(0);
        QObject::connect(&HeldTimer, &QTimer::timeout, [this] {
            // One at a time: a callback may cancel another held post.
            while (!Held.empty()) {
                std::unique_ptr<TCurlTransfer> transfer = std::move(Held.front());
                Held.erase(Held.begin());
                Finish(std::move(transfer));
            }
        });
        curl_multi_setopt(Multi, CURLMOPT_SOCKETFUNCTION, &TCurlSession::SocketCallback);
        curl_multi_setopt(Multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(Multi, CURLMOPT_TIMERFUNCTION, &TCurlSession::TimerCallback);
        curl_multi_setopt(Multi, CURLMOPT_TIMERDATA, this);
        curl_easy_setopt(Main.Easy, CURLOPT_PRIVATE, &Main);
    }

    ~TCurlSession()
    {
        if (Attached)
            curl_multi_remove_handle(Multi, Main.Easy);
        for (const auto& transfer : Running)
            curl_multi_remove_handle(Multi, transfer->Easy);
        for (const auto& transfer : Held)
            curl_multi_remove_handle(Multi, transfer->Easy);
        Running.clear();
        Held.clear();
        Idle.clear();
        // The easy handles go after the multi handle lets go of them.
        curl_multi_cleanup(Multi);
        for (auto& [fd, watch] : Sockets) {
            delete watch.Read;
            delete watch.Write;
        }
    }

    // The notifiers stay for the next transfer: a reused connection comes back on the
    // same descriptor, and making and unregistering two notifiers per post costs more
    // than the post's own work on loopback. Disabled, they watch nothing.
    void Unwatch(curl_socket_t fd)
    {
        auto it = Sockets.find(fd);
        if (it == Sockets.end())
            return;
        for (QSocketNotifier* n : {it->second.Read, it->second.Write}) {
            if (n)
                n->setEnabled(false);
        }
    }

    QSocketNotifier* Notifier(curl_socket_t fd, QSocketNotifier::Type type, int event)
    {
        auto* n = new QSocketNotifier(qintptr(fd), type);
        QObject::connect(n, &QSocketNotifier::activated, [this, fd, event] { Action(fd, event); });
        return n;
    }

    static int SocketCallback(CURL*, curl_socket_t fd, int what, void* userp, void*)
    {
        auto* self = static_cast<TCurlSession*>(userp);
        if (what == CURL_POLL_REMOVE) {
            self->Unwatch(fd);
            return 0;
        }
        TSocketWatch& watch = self->Sockets[fd];
        const bool wantRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
        const bool wantWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
        if (wantRead && !watch.Read)
            watch.Read = self->Notifier(fd, QSocketNotifier::Read, CURL_CSELECT_IN);
        if (wantWrite && !watch.Write)
            watch.Write = self->Notifier(fd, QSocketNotifier::Write, CURL_CSELECT_OUT);
        if (watch.Read)
            watch.Read->setEnabled(wantRead);
        if (watch.Write)
            watch.Write->setEnabled(wantWrite);
        return 0;
    }

    static int TimerCallback(CURLM*, long timeoutMs, void* userp)
    {
        auto* self = static_cast<TCurlSession*>(userp);
        if (timeoutMs < 0)
            self->Timer.stop();
        else
            self->Timer.start(int(timeoutMs));
        return 0;
    }

    void Action(curl_socket_t fd, int events)
    {
        int running = 0;
        curl_multi_socket_action(Multi, fd, events, &running);
        if (Attached && Main.ResponseStarted && OnResponseStarted) {
            auto notify = std::move(OnResponseStarted);
            OnResponseStarted = nullptr;
            notify();
        }
        std::vector<std::unique_ptr<TCurlTransfer>> finished;
        while (CURLMsg* msg = curl_multi_info_read(Multi, &running)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            TCurlTransfer* transfer = nullptr;
            curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &transfer);
            if (transfer == &Main) {
                Main.Result = msg->data.result;
                Main.Done = true;
                continue;
            }
            for (auto it = Running.begin(); it != Running.end(); ++it) {
                if (it->get() != transfer)
                    continue;
                transfer->Result = msg->data.result;
                transfer->Done = true;
                finished.push_back(std::move(*it));
                Running.erase(it);
                break;
            }
        }
        if (Main.Done && Loop)
            Loop->quit();
        if (HoldFinished && !finished.empty()) {
            for (std::unique_ptr<TCurlTransfer>& transfer : finished)
                Held.push_back(std::move(transfer));
            HeldTimer.start();
            return;
        }
        // The callbacks come last: they may start or cancel posts of their own.
        for (std::unique_ptr<TCurlTransfer>& transfer : finished)
            Finish(std::move(transfer));
    }

    void Finish(std::unique_ptr<TCurlTransfer> transfer);
};

THTTPSClient::THTTPSClient(QObject* parent)
    : QObject(parent)
    , Session(new TCurlSession)
{
}

THTTPSClient::~THTTPSClient()
{
    delete Session;
}

void THTTPSClient::SetProxyServer(const QString& host)
{
    if (!IsHostText(host))
        throw THTTPSError(hecBadValue, QStringLiteral("The proxy server name \"%1\" is not a valid host name.").arg(host));
    Set(FProxyServer, host);
}

void THTTPSClient::SetFirewallHost(const QString& host)
{
    if (!IsHostText(host))
        throw THTTPSError(hecBadValue, QStringLiteral("The firewall host \"%1\" is not a valid host name.").arg(host));
    Set(FFirewallHost, host);
}

void THTTPSClient::SetProxySSL(TProxySSL mode)
{
    if (mode < psAutomatic || mode > psTunnel)
        throw THTTPSError(hecBadValue, QStringLiteral("Unknown proxy SSL mode %1.").arg(int(mode)));
    Set(FProxySSL, mode);
}

void THTTPSClient::SetFirewallType(TFirewallType type)
{
    if (type < fwNone || type > fwSOCKS5)
        throw THTTPSError(hecBadValue, QStringLiteral("Unknown firewall type %1.").arg(int(type)));
    Set(FFirewallType, type);
}

QString THTTPSClient::Config(const QString& setting)
{
    const qsizetype eq = setting.indexOf(QLatin1Char('='));
    const QString name = (eq < 0 ? setting : setting.left(eq)).trimmed();
    if (name.compare(QLatin1String("SSLEnabledProtocols"), Qt::CaseInsensitive) != 0)
        return QString();
    if (eq >= 0) {
        bool ok = false;
        const int value = setting.mid(eq + 1).trimmed().toInt(&ok);
        if (!ok || value < 0)
            throw THTTPSError(hecBadValue, QStringLiteral("Invalid value for SSLEnabledProtocols."));
        Set(SSLEnabledProtocols, value);
    }
    return QString::number(SSLEnabledProtocols);
}

namespace {

// The protocol flags pair a client and a server bit per TLS version.
long SSLVersionOption(int flags)
{
    struct TVersion
    {
        int Bits;
        long Min;
        long Max;
    };
    static const TVersion versions[] = {
        {0x00C0, long(CURL_SSLVERSION_TLSv1_0), long(CURL_SSLVERSION_MAX_TLSv1_0)},
        {0x0300, long(CURL_SSLVERSION_TLSv1_1), long(CURL_SSLVERSION_MAX_TLSv1_1)},
        {0x0C00, long(CURL_SSLVERSION_TLSv1_2), long(CURL_SSLVERSION_MAX_TLSv1_2)},
        {0x3000, long(CURL_SSLVERSION_TLSv1_3), long(CURL_SSLVERSION_MAX_TLSv1_3)},
    };
    long minimum = -1;
    long maximum = -1;
    for (const TVersion& v : versions) {
        if (flags & v.Bits) {
            if (minimum < 0)
                minimum = v.Min;
            maximum = v.Max;
        }
    }
    return minimum < 0 ? long(CURL_SSLVERSION_DEFAULT) : minimum | maximum;
}

void SetText(CURL* easy, CURLoption option, const QString& text)
{
    curl_easy_setopt(easy, option, text.toUtf8().constData()); // libcurl copies option strings
}

} // namespace

void THTTPSClient::Prepare(TCurlTransfer& t, const QString& url)
{
    // The same settings as the last post of this transfer: only the body is new, and
    // nothing of the rest is made again (a run posts one record per row).
    if (t.Generation == FSettingsGeneration && t.Url == url)
        return;
    t.Generation = 0;
    CURL* easy = t.Easy;
    // Reset keeps the live connections, so consecutive posts reuse them.
    curl_easy_reset(easy);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &t);
    curl_slist_free_all(t.Headers);
    t.Headers = nullptr;
    t.Headers = curl_slist_append(t.Headers, ("Content-Type: " + FContentType.toUtf8()).constData());
    t.Headers = curl_slist_append(t.Headers, "Expect:");

    SetText(easy, CURLOPT_URL, url);
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t.Headers);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    if (FTimeoutMs > 0)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(FTimeoutMs));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TCurlTransfer::WriteCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &TCurlTransfer::HeaderCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, t.ErrorBuffer);
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    // The extra bundle joins the system's certificate directory, which stays in use.
    if (!FCAFile.isEmpty()) {
        SetText(easy, CURLOPT_CAINFO, FCAFile);
        SetText(easy, CURLOPT_PROXY_CAINFO, FCAFile);
    }
    if (SSLEnabledProtocols != 0)
        curl_easy_setopt(easy, CURLOPT_SSLVERSION, SSLVersionOption(SSLEnabledProtocols));

    // Route: an HTTP proxy, a firewall, or both chained (SOCKS first).
    QString proxy;
    QString preProxy;
    QString proxyUser;
    QString proxyPassword;
    bool tunnel = false;
    const bool useFirewall = !FFirewallHost.isEmpty() && FFirewallType != fwNone;
    const bool useProxy = !FProxyServer.isEmpty();
    if (useFirewall) {
        if (FFirewallType == fwTunnel) {
            if (useProxy)
                throw THTTPSError(hecUnsupportedRoute,
                                  QStringLiteral("A tunnel firewall cannot be combined with a proxy server. Clear one "
                                                 "of them in the Connection Settings."));
            proxy = QStringLiteral("http://") + HostPort(FFirewallHost, FFirewallPort);
            tunnel = true;
            proxyUser = FFirewallUser;
            proxyPassword = FFirewallPassword;
        } else {
            const QString scheme = FFirewallType == fwSOCKS4 ? QStringLiteral("socks4://") : QStringLiteral("socks5h://");
            const QString address = HostPort(FFirewallHost, FFirewallPort);
            if (useProxy) {
                // libcurl sends the SOCKS hop's credentials to the HTTP proxy as well, so two
                // different sets cannot work together.
                if (!FFirewallUser.isEmpty() && !FProxyUser.isEmpty()
                    && (FFirewallUser != FProxyUser || FFirewallPassword != FProxyPassword))
                    throw THTTPSError(hecUnsupportedRoute,
                                      QStringLiteral("A SOCKS firewall and a proxy server that both need a user name "
                                                     "can only be combined when both use the same user name and "
                                                     "password."));
                QString credentials;
                if (!FFirewallUser.isEmpty()) {
                    credentials = UrlCredential(FFirewallUser);
                    if (FFirewallType == fwSOCKS5)
                        credentials += QLatin1Char(':') + UrlCredential(FFirewallPassword);
                    credentials += QLatin1Char('@');
                }
                preProxy = scheme + credentials + address;
            } else {
                proxy = scheme + address;
                proxyUser = FFirewallUser;
                proxyPassword = FFirewallPassword;
            }
        }
    }
    if (useProxy) {
        proxy = (FProxySSL == psAlways ? QStringLiteral("https://") : QStringLiteral("http://"))
              + HostPort(FProxyServer, FProxyPort);
        proxyUser = FProxyUser;
        proxyPassword = FProxyPassword;
        tunnel = FProxySSL == psTunnel;
    }
    // A failure to connect names the machine the client connects to first.
    t.FirstHop.clear();
    if (useFirewall)
        t.FirstHop = QStringLiteral("the firewall %1 port %2").arg(FFirewallHost).arg(FFirewallPort);
    else if (useProxy)
        t.FirstHop = QStringLiteral("the proxy server %1 port %2").arg(FProxyServer).arg(FProxyPort);
    if (!proxy.isEmpty()) {
        SetText(easy, CURLOPT_PROXY, proxy);
        if (!preProxy.isEmpty())
            SetText(easy, CURLOPT_PRE_PROXY, preProxy);
        if (!proxyUser.isEmpty()) {
            SetText(easy, CURLOPT_PROXYUSERNAME, proxyUser);
            SetText(easy, CURLOPT_PROXYPASSWORD, proxyPassword);
            curl_easy_setopt(easy, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
        }
        curl_easy_setopt(easy, CURLOPT_HTTPPROXYTUNNEL, tunnel ? 1L : 0L);
    } else if (!FUseSystemProxy) {
        curl_easy_setopt(easy, CURLOPT_PROXY, ""); // ignore the proxy environment variables
    }
    t.Url = url;
    t.CAFile = FCAFile;
    t.Generation = FSettingsGeneration;
}

namespace
{
// The failure of a finished transfer, as the person in front of it is told; empty when it did not fail.
std::optional<THTTPSError> TransferFailure(TCurlTransfer& t)
{
    if (t.TooLarge)
        return THTTPSError(hecReplyTooLarge, QStringLiteral("The server's reply is larger than %1 bytes; the "
                                                            "request failed.")
                                                 .arg(THTTPSClient::MaxReplyBytes));
    if (t.Result == CURLE_OK)
        return std::nullopt;
    TPostFailure failure;
    failure.Result = t.Result;
    curl_easy_getinfo(t.Easy, CURLINFO_OS_ERRNO, &failure.OsError);
    failure.Detail = QString::fromUtf8(t.ErrorBuffer);
    if (failure.Detail.isEmpty())
        failure.Detail = QString::fromUtf8(curl_easy_strerror(t.Result));
    const QUrl target(t.Url);
    failure.Host = target.host();
    failure.Port = target.port(target.scheme() == QLatin1String("https") ? 443 : 80);
    failure.FirstHop = t.FirstHop;
    failure.CAFile = t.CAFile;
    const QString message = ExplainFailure(failure);
    qCDebug(lcHttps) << "post failed" << int(t.Result) << message;
    return THTTPSError(int(t.Result), message);
}
} // namespace

void TCurlSession::Finish(std::unique_ptr<TCurlTransfer> transfer)
{
    curl_multi_remove_handle(Multi, transfer->Easy);
    THTTPSReply reply;
    if (const std::optional<THTTPSError> failure = TransferFailure(*transfer)) {
        reply.Failed = true;
        reply.ErrorCode = failure->Code();
        reply.Message = failure->Message();
    } else {
        long status = 0;
        curl_easy_getinfo(transfer->Easy, CURLINFO_RESPONSE_CODE, &status);
        reply.Status = int(status);
        reply.Body = std::exchange(transfer->Body, QByteArray());
    }
    auto done = std::move(transfer->OnDone);
    transfer->OnDone = nullptr;
    transfer->RequestBody.clear();
    Idle.push_back(std::move(transfer));
    if (done)
        done(std::move(reply));
}

quint64 THTTPSClient::StartPost(const QString& url, const QByteArray& body,
                                std::function<void(THTTPSReply&& reply)> done)
{
    TCurlSession& s = *Session;
    std::unique_ptr<TCurlTransfer> transfer;
    if (!s.Idle.empty()) {
        transfer = std::move(s.Idle.back());
        s.Idle.pop_back();
    } else {
        transfer = std::make_unique<TCurlTransfer>();
    }
    try {
        Prepare(*transfer, url);
    } catch (...) {
        s.Idle.push_back(std::move(transfer));
        throw;
    }
    transfer->Begin(body);
    transfer->Id = ++s.LastId;
    transfer->OnDone = std::move(done);
    const CURLMcode added = curl_multi_add_handle(s.Multi, transfer->Easy);
    if (added != CURLM_OK) {
        transfer->OnDone = nullptr;
        s.Idle.push_back(std::move(transfer));
        throw THTTPSError(hecSetupFailed, QString::fromUtf8(curl_multi_strerror(added)));
    }
    const quint64 id = transfer->Id;
    s.Running.push_back(std::move(transfer));
    // Adding it asks libcurl for an immediate call; made here, a reused connection sends
    // without a turn of the event loop first. Whatever ends meanwhile is handed on from
    // the event loop: never does a reply come back inside this call.
    if (s.Timer.isActive() && s.Timer.interval() == 0) {
        s.Timer.stop();
        s.HoldFinished = true;
        s.Action(CURL_SOCKET_TIMEOUT, 0);
        s.HoldFinished = false;
    }
    return id;
}

void THTTPSClient::CancelPost(quint64 id)
{
    TCurlSession& s = *Session;
    // A post is either held (ended, not yet handed on) or still running.
    for (auto* list : {&s.Held, &s.Running}) {
        const auto it = std::find_if(list->begin(), list->end(), [id](const auto& t) { return t->Id == id; });
        if (it == list->end())
            continue;
        std::unique_ptr<TCurlTransfer> transfer = std::move(*it);
        list->erase(it);
        curl_multi_remove_handle(s.Multi, transfer->Easy);
        transfer->OnDone = nullptr;
        transfer->RequestBody.clear();
        transfer->Body.clear();
        s.Idle.push_back(std::move(transfer));
        return;
    }
}

int THTTPSClient::PostsInFlight() const
{
    return int(Session->Running.size() + Session->Held.size());
}

void THTTPSClient::Post(const QString& url)
{
    if (InProgress)
        throw THTTPSError(hecPostInProgress,
                          QStringLiteral("A request is already being sent; wait for it to finish before sending another."));
    InProgress = true;
    struct TBusyGuard
    {
        bool& Flag;
        ~TBusyGuard() { Flag = false; }
    } busyGuard{InProgress};
    FHandlerFailure = nullptr;

    FStatusCode = 0;
    TCurlSession& s = *Session;
    TCurlTransfer& t = s.Main;
    Prepare(t, url);
    t.Begin(FPostData);

    // The request's events come as soon as the reply starts, while the reply
    // may still be on its way; a handler's failure ends the post.
    bool requestEventsRaised = false;
    QEventLoop loop;
    auto raiseRequestEvents = [&] {
        if (requestEventsRaised)
            return;
        requestEventsRaised = true;
        emit StartTransfer(0);
        if (!FHandlerFailure && !t.RequestBody.isEmpty())
            emit Transfer(0, t.RequestBody.size(), 100, QString::fromLatin1(t.RequestBody));
        if (!FHandlerFailure)
            emit EndTransfer(0);
    };
    // Called from inside libcurl: nothing may leave it by a throw.
    s.OnResponseStarted = [&] {
        try {
            raiseRequestEvents();
        } catch (...) {
            HandlerFailed(std::current_exception());
        }
        if (FHandlerFailure)
            loop.quit();
    };

    CURLMcode added = curl_multi_add_handle(s.Multi, t.Easy);
    if (added != CURLM_OK) {
        s.OnResponseStarted = nullptr;
        throw THTTPSError(hecSetupFailed, QString::fromUtf8(curl_multi_strerror(added)));
    }
    s.Attached = true;
    s.Loop = &loop;
    // Adding the transfer asks for an immediate call; making it here, instead of a
    // turn of the event loop later, lets a reused connection send at once.
    if (s.Timer.isActive() && s.Timer.interval() == 0) {
        s.Timer.stop();
        s.Action(CURL_SOCKET_TIMEOUT, 0);
    }
    if (!t.Done && !FHandlerFailure)
        loop.exec();
    s.Loop = nullptr;
    s.OnResponseStarted = nullptr;
    curl_multi_remove_handle(s.Multi, t.Easy);
    s.Attached = false;

    ThrowHandlerFailure();
    if (const std::optional<THTTPSError> failure = TransferFailure(t))
        throw *failure;

    long status = 0;
    curl_easy_getinfo(t.Easy, CURLINFO_RESPONSE_CODE, &status);
    FStatusCode = int(status);
    const QByteArray body = std::exchange(t.Body, QByteArray());
    raiseRequestEvents();
    ThrowHandlerFailure();
    if (status >= 400) {
        emit Error(int(status), QStringLiteral("The server answered with HTTP status %1").arg(status));
        ThrowHandlerFailure();
    }
    emit StartTransfer(1);
    ThrowHandlerFailure();
    if (!body.isEmpty()) {
        emit Transfer(1, body.size(), 100, DecodeText(body));
        ThrowHandlerFailure();
    }
    emit EndTransfer(1);
    ThrowHandlerFailure();
}

void THTTPSClient::HandlerFailed(std::exception_ptr failure)
{
    if (!FHandlerFailure)
        FHandlerFailure = std::move(failure);
}

void THTTPSClient::ThrowHandlerFailure()
{
    if (FHandlerFailure)
        std::rethrow_exception(std::exchange(FHandlerFailure, nullptr));
}
