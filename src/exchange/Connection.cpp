#include "exchange/Connection.h"

#include "exchange/HTTPSClient.h"

namespace {

QString Stars(const QString& secret)
{
    return QString(secret.size(), QLatin1Char('*'));
}

TProxySSL ProxySSLFor(quint8 code)
{
    switch (code) {
    case 1:
        return psAlways;
    case 2:
        return psNever;
    case 3:
        return psTunnel;
    default:
        return psAutomatic;
    }
}

QString ProxySSLLine(quint8 code)
{
    switch (code) {
    case 1:
        return QStringLiteral(" ProxySSL : Always");
    case 2:
        return QStringLiteral(" ProxySSL : Never");
    case 3:
        return QStringLiteral(" ProxySSL : Tunnel");
    default:
        return QStringLiteral(" ProxySSL : Automatic");
    }
}

// The dialog lists None, Socks 4, Socks 5, Tunnel; the client numbers them differently.
TFirewallType FirewallTypeFor(quint8 code)
{
    switch (code) {
    case 1:
        return fwSOCKS4;
    case 2:
        return fwSOCKS5;
    case 3:
        return fwTunnel;
    default:
        return fwNone;
    }
}

QString FirewallTypeLine(quint8 code)
{
    switch (code) {
    case 1:
        return QStringLiteral(" FirewallType : Socks 4");
    case 2:
        return QStringLiteral(" FirewallType : Socks 5");
    case 3:
        return QStringLiteral(" FirewallType : Tunnel");
    default:
        return QStringLiteral(" FirewallType : None");
    }
}

bool TakeOption(const QStringList& args, qsizetype& i, const QString& name, QString& value)
{
    const QString& arg = args.at(i);
    if (arg == name) {
        if (i + 1 < args.size()) {
            value = args.at(++i);
            return true;
        }
        return false;
    }
    if (arg.startsWith(name + QLatin1Char('='))) {
        value = arg.mid(name.size() + 1);
        return true;
    }
    return false;
}

} // namespace

TEndpointOptions EndpointOptionsFrom(const QStringList& args, const QProcessEnvironment& env)
{
    TEndpointOptions options;
    options.Host = env.value(QStringLiteral("QIMPORT_HOST"));
    options.CAFile = env.value(QStringLiteral("QIMPORT_CA_FILE"));
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString value;
        if (TakeOption(args, i, QStringLiteral("--host"), value))
            options.Host = value;
        else if (TakeOption(args, i, QStringLiteral("--ca-file"), value))
            options.CAFile = value;
    }
    if (options.Host.isEmpty())
        options.Host = QString::fromLatin1(DefaultEndpointHost);
    return options;
}

QString EndpointHelpText()
{
    return QStringLiteral("  --host HOST[:PORT]   import service host (default %1; environment QIMPORT_HOST)\n"
                          "  --ca-file PATH       extra CA certificates (PEM) trusted for HTTPS besides the\n"
                          "                       system's, for a private service (environment QIMPORT_CA_FILE)\n")
        .arg(QString::fromLatin1(DefaultEndpointHost));
}

QString EndpointURL(bool useSSL, const QString& host)
{
    return (useSSL ? QStringLiteral("https://") : QStringLiteral("http://")) + host + QStringLiteral("/ex/import.dll");
}

void ApplyConnectionSettings(THTTPSClient& client, const SetupRecord& setup, const QString& endpointHost,
                             TRunLog& log)
{
    log.Add(QStringLiteral("Connect - "));
    client.SetProxyServer(QString());
    client.SetProxyPort(80);
    client.SetProxySSL(psAutomatic);
    // Settings removed since the last call must stop applying.
    client.SetProxyUser(QString());
    client.SetProxyPassword(QString());
    client.SetFirewallHost(QString());
    client.SetFirewallPort(80);
    client.SetFirewallUser(QString());
    client.SetFirewallPassword(QString());
    client.SetFirewallType(fwNone);
    client.SetCAFile(setup.CAFile);
    client.Config(QStringLiteral("SSLEnabledProtocols=3072"));

    client.SetURL(EndpointURL(setup.UseSSL, endpointHost));
    log.Add(setup.UseSSL ? QStringLiteral(" SSL on") : QStringLiteral(" SSL off"));
    client.SetUseSystemProxy(setup.UseWininet);
    if (setup.UseWininet)
        return;
    log.Add(QStringLiteral(" Use local connection settings"));

    if (!setup.ProxyServer.isEmpty()) {
        client.SetProxyServer(setup.ProxyServer);
        client.SetProxyPort(setup.ProxyPort);
        client.SetProxyUser(setup.ProxyUser);
        client.SetProxyPassword(setup.ProxyPassword);
        client.SetProxySSL(ProxySSLFor(setup.ProxySSL));
        log.Add(QStringLiteral(" Proxy addr: ") + setup.ProxyServer);
        log.Add(QStringLiteral(" Proxy port: ") + QString::number(setup.ProxyPort));
        log.Add(QStringLiteral(" SSL proxy addr: ") + setup.ProxySSLServer);
        log.Add(QStringLiteral(" SSL proxy port: ") + QString::number(setup.ProxySSLPort));
        log.Add(QStringLiteral(" Proxy user : ") + setup.ProxyUser);
        log.Add(QStringLiteral(" Proxy password : ") + Stars(setup.ProxyPassword));
        log.Add(ProxySSLLine(setup.ProxySSL));
    }

    if (!setup.FirewallHost.isEmpty()) {
        client.SetFirewallHost(setup.FirewallHost);
        client.SetFirewallPort(setup.FirewallPort);
        client.SetFirewallUser(setup.FirewallUser);
        client.SetFirewallPassword(setup.FirewallPassword);
        client.SetFirewallType(FirewallTypeFor(setup.FirewallType));
        log.Add(QStringLiteral(" Firewall addr: ") + setup.FirewallHost);
        log.Add(QStringLiteral(" Firewall port: ") + QString::number(setup.FirewallPort));
        log.Add(QStringLiteral(" Firewall user : ") + setup.FirewallUser);
        log.Add(QStringLiteral(" Firewall password : ") + Stars(setup.FirewallPassword));
        log.Add(FirewallTypeLine(setup.FirewallType));
    }
}

void ApplyConnectionSettings(THTTPSClient& client, const SetupRecord& setup, const TEndpointOptions& endpoint,
                             TRunLog& log)
{
    SetupRecord effective = setup;
    if (!endpoint.CAFile.isEmpty())
        effective.CAFile = endpoint.CAFile;
    ApplyConnectionSettings(client, effective, endpoint.Host, log);
}
