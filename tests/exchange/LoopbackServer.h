#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for the client's tests: records every
// request, answers with a scripted reply, keeps connections alive, and speaks
// TLS when given a certificate.

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

struct TReceivedRequest
{
    QByteArray Method;
    QByteArray Path;
    QHash<QByteArray, QByteArray> Headers; // lower-case names
    QByteArray Body;
};

struct TScriptedReply
{
    int Status = 200;
    QByteArray Body = "OK";
    int DelayMs = 0;
    bool NoReply = false;
};

class TLoopbackServer
{
public:
    // tls: serve HTTPS with certFile/keyFile.
    bool Listen(const QString& certFile = QString(), const QString& keyFile = QString())
    {
        if (!certFile.isEmpty()) {
            auto* ssl = new QSslServer;
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            QFile cert(certFile);
            QFile key(keyFile);
            if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
                return false;
            config.setLocalCertificate(QSslCertificate(cert.readAll()));
            config.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
            config.setPeerVerifyMode(QSslSocket::VerifyNone);
            ssl->setSslConfiguration(config);
            Server.reset(ssl);
        } else {
            Server.reset(new QTcpServer);
        }
        QObject::connect(Server.get(), &QTcpServer::pendingConnectionAvailable, [this] { Accept(); });
        return Server->listen(QHostAddress::LocalHost, 0);
    }

    int Port() const { return Server->serverPort(); }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(Port()); }

    QList<TReceivedRequest> Requests;
    TScriptedReply Reply;
    int Connections = 0;

private:
    void Accept()
    {
        while (QTcpSocket* socket = Server->nextPendingConnection()) {
            ++Connections;
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                Serve(socket, *buffer);
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void Serve(QTcpSocket* socket, QByteArray& buffer)
    {
        for (;;) {
            const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
            if (headEnd < 0)
                return;
            TReceivedRequest request;
            const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.Method = first.value(0);
            request.Path = first.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.Headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            const qsizetype length = request.Headers.value("content-length", "0").toLongLong();
            if (buffer.size() < headEnd + 4 + length)
                return;
            request.Body = buffer.mid(headEnd + 4, length);
            buffer.remove(0, headEnd + 4 + length);
            Requests.append(request);
            const TScriptedReply reply = Reply;
            if (reply.NoReply)
                continue;
            QByteArray answer = "HTTP/1.1 " + QByteArray::number(reply.Status) + " Status\r\nContent-Type: text/plain\r\n"
                              + "Content-Length: " + QByteArray::number(reply.Body.size()) + "\r\n\r\n" + reply.Body;
            if (reply.DelayMs > 0)
                QTimer::singleShot(reply.DelayMs, socket, [socket, answer] { socket->write(answer); });
            else
                socket->write(answer);
        }
    }

    std::unique_ptr<QTcpServer> Server;
};

// A private CA and a server certificate for 127.0.0.1 signed by it (other.pem: the
// same key certified for another name only), made with
// the openssl command in dir. Returns false when openssl is missing or fails.
inline bool MakeTestCertificates(const QString& dir, QString* error = nullptr)
{
    auto run = [&](const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.start(QStringLiteral("openssl"), args);
        if (!p.waitForFinished(30000) || p.exitCode() != 0) {
            if (error)
                *error = QString::fromLocal8Bit(p.readAllStandardError());
            return false;
        }
        return true;
    };
    auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(dir + QLatin1Char('/') + name);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    if (!write(QStringLiteral("ext.cnf"), "subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n"))
        return false;
    auto S = [](const char* text) { return QString::fromLatin1(text); };
    return run({S("req"), S("-x509"), S("-newkey"), S("rsa:2048"), S("-nodes"), S("-keyout"), S("ca.key"), S("-out"),
                S("ca.pem"), S("-days"), S("2"), S("-subj"), S("/CN=Test CA")})
        && run({S("req"), S("-newkey"), S("rsa:2048"), S("-nodes"), S("-keyout"), S("server.key"), S("-out"),
                S("server.csr"), S("-subj"), S("/CN=127.0.0.1")})
        && run({S("x509"), S("-req"), S("-in"), S("server.csr"), S("-CA"), S("ca.pem"), S("-CAkey"), S("ca.key"),
                S("-CAcreateserial"), S("-out"), S("server.pem"), S("-days"), S("2"), S("-extfile"), S("ext.cnf")})
        && write(QStringLiteral("other.cnf"), "subjectAltName=DNS:other.test\nbasicConstraints=CA:FALSE\n")
        && run({S("x509"), S("-req"), S("-in"), S("server.csr"), S("-CA"), S("ca.pem"), S("-CAkey"), S("ca.key"),
                S("-CAcreateserial"), S("-out"), S("other.pem"), S("-days"), S("2"), S("-extfile"), S("other.cnf")});
}
