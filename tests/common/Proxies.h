#pragma once

#include <QString>
#include <QTemporaryDir>

class QProcess;

// Starts a real proxy on 127.0.0.1 for a test: tinyproxy (HTTP, Basic auth,
// CONNECT), danted (SOCKS 4 and 5) or microsocks (SOCKS 5 with user/password).
// Every wait is bounded; the process ends with this object.
class TProxyProcess
{
public:
    enum TKind
    {
        Tinyproxy,
        Dante,
        Microsocks
    };

    explicit TProxyProcess(TKind kind);
    ~TProxyProcess();
    TProxyProcess(const TProxyProcess&) = delete;
    TProxyProcess& operator=(const TProxyProcess&) = delete;

    static QString BinaryPath(TKind kind);
    // True when the proxy's program is installed.
    static bool Available(TKind kind);

    // user empty: no authentication. Waits up to 10 s for the port to accept.
    bool Start(const QString& user = QString(), const QString& password = QString());
    void Stop();
    int Port() const { return FPort; }
    QString ErrorText() const { return FError; }
    // What the proxy wrote so far (its log goes to the console).
    QString Output() const;

private:
    TKind Kind;
    QProcess* Process = nullptr;
    QTemporaryDir Dir;
    int FPort = 0;
    QString FError;
};

// A port that was free a moment ago on 127.0.0.1.
int FreeLocalPort();
