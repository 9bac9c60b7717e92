#pragma once

#include <QString>
#include <QtGlobal>

// The persisted account and connection settings. Texts are single-byte texts
// of fixed capacity: assigning a longer text keeps its first characters.
struct SetupRecord
{
    static constexpr int HostCapacity = 100;
    static constexpr int UserCapacity = 64;

    qint32 Account = 0;
    qint32 SiteNumber = 0;
    QString Email;            // capacity 100
    QString ProxyServer;      // capacity 100; empty = no proxy
    quint16 ProxyPort = 0;
    QString ProxySSLServer;   // capacity 100
    quint16 ProxySSLPort = 0;
    QString ProxyUser;        // capacity 64
    QString ProxyPassword;    // capacity 64
    quint8 ProxySSL = 0;      // 0 Automatic, 1 Always, 2 Never, 3 Tunnel
    QString FirewallHost;     // capacity 100; empty = no firewall
    quint16 FirewallPort = 0;
    QString FirewallUser;     // capacity 64
    QString FirewallPassword; // capacity 64
    quint8 FirewallType = 0;  // 0 None, 1 Socks 4, 2 Socks 5, 3 Tunnel
    bool UseProxyServer = false; // never persisted or consulted
    bool UseSSL = false;
    bool UseWininet = false;
    // Optional CA bundle for a private endpoint (Connection / CAFile); empty = system trust store.
    QString CAFile;

    bool operator==(const SetupRecord&) const = default;
};

// Single-byte text cut to a field's capacity.
QString SetupText(const QString& text, int capacity);
