#include "Proxies.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

int FreeLocalPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

TProxyProcess::TProxyProcess(TKind kind)
    : Kind(kind)
{
}

TProxyProcess::~TProxyProcess()
{
    Stop();
}

void TProxyProcess::Stop()
{
    if (Process) {
        Process->kill();
        Process->waitForFinished(5000);
        delete Process;
        Process = nullptr;
    }
}

QString TProxyProcess::BinaryPath(TKind kind)
{
    switch (kind) {
    case Tinyproxy:
        return QStringLiteral("/usr/bin/tinyproxy");
    case Dante:
        return QStringLiteral("/usr/sbin/danted");
    case Microsocks:
        return QStringLiteral("/usr/bin/microsocks");
    }
    return QString();
}

bool TProxyProcess::Available(TKind kind)
{
    return QFileInfo(BinaryPath(kind)).isExecutable();
}

QString TProxyProcess::Output() const
{
    if (!Process)
        return QString();
    return QString::fromLocal8Bit(Process->readAllStandardOutput() + Process->readAllStandardError());
}

bool TProxyProcess::Start(const QString& user, const QString& password)
{
    if (!Dir.isValid()) {
        FError = QStringLiteral("no temporary directory");
        return false;
    }
    FPort = FreeLocalPort();
    QStringList args;
    const QString config = Dir.filePath(QStringLiteral("proxy.conf"));
    QByteArray text;
    const QByteArray port = QByteArray::number(FPort);
    switch (Kind) {
    case Tinyproxy:
        text = "Port " + port + "\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\nAllow 127.0.0.1\n"
               "LogLevel Info\n";
        if (!user.isEmpty())
            text += "BasicAuth " + user.toUtf8() + " " + password.toUtf8() + "\n";
        args << QStringLiteral("-d") << QStringLiteral("-c") << config;
        break;
    case Dante:
        text = "logoutput: stderr\ninternal: 127.0.0.1 port = " + port
             + "\nexternal: 127.0.0.1\nclientmethod: none\nsocksmethod: none\n"
               "user.privileged: root\nuser.unprivileged: nobody\n"
               "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
               "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 protocol: tcp }\n";
        args << QStringLiteral("-f") << config << QStringLiteral("-N") << QStringLiteral("1");
        break;
    case Microsocks:
        args << QStringLiteral("-i") << QStringLiteral("127.0.0.1") << QStringLiteral("-p") << QString::number(FPort);
        if (!user.isEmpty())
            args << QStringLiteral("-u") << user << QStringLiteral("-P") << password;
        break;
    }
    if (!text.isEmpty()) {
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            FError = QStringLiteral("cannot write the proxy configuration");
            return false;
        }
    }
    Process = new QProcess;
    Process->start(BinaryPath(Kind), args);
    if (!Process->waitForStarted(5000)) {
        FError = QStringLiteral("cannot start ") + BinaryPath(Kind);
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (Process->state() != QProcess::Running) {
            FError = QStringLiteral("proxy exited: ") + Output();
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(FPort));
        if (probe.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    FError = QStringLiteral("proxy did not listen in time: ") + Output();
    return false;
}
