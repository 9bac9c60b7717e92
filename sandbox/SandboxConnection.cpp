#include "SandboxConnection.h"

#include "SandboxServer.h"

#include <QSslSocket>
#include <QTimer>

TSandboxConnection::TSandboxConnection(QSslSocket* socket, TSandboxServer& server)
    : QObject(socket), FSocket(socket), FServer(server)
{
    connect(socket, &QSslSocket::readyRead, this, &TSandboxConnection::ReadyRead);
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QSslSocket::errorOccurred, socket, [socket](QAbstractSocket::SocketError) {
        if (socket->state() != QAbstractSocket::ConnectedState)
            socket->deleteLater();
    });
    // A failed handshake is the client's business; the socket just closes.
    connect(socket, &QSslSocket::sslErrors, socket, [socket](const QList<QSslError>&) { socket->abort(); });
    if (socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &TSandboxConnection::ReadyRead);
}

void TSandboxConnection::ReadyRead()
{
    if (!FModeDecided) {
        char first = 0;
        if (FSocket->peek(&first, 1) < 1)
            return;
        FModeDecided = true;
        if (first == 0x16) {
            // A TLS ClientHello: become a TLS 1.2 server on this same connection.
            FSocket->setLocalCertificate(FServer.Certificates().ServerCertificate);
            FSocket->setPrivateKey(FServer.Certificates().ServerKey);
            FSocket->setProtocol(QSsl::TlsV1_2);
            FSocket->startServerEncryption();
            return;
        }
    }
    FReader.Append(FSocket->readAll());
    ProcessRequests();
}

void TSandboxConnection::ProcessRequests()
{
    while (!FBusy && !FSilenced && FSocket->state() == QAbstractSocket::ConnectedState) {
        THttpRequest request;
        QString error;
        const THttpRequestReader::TResult result = FReader.Next(request, &error);
        if (result == THttpRequestReader::NeedMore)
            return;
        if (result == THttpRequestReader::Bad) {
            Send(400, "Bad request: " + error.toLatin1() + "\r\n", false);
            return;
        }
        Handle(request);
    }
}

void TSandboxConnection::Handle(const THttpRequest& request)
{
    const bool keepAlive = request.KeepAlive();
    const QByteArray path = request.Path();
    if (path.startsWith("/control/")) {
        if (request.Method != "GET") {
            Send(405, "Control endpoints answer GET only\r\n", keepAlive);
            return;
        }
        const TSandboxReply reply = FServer.Service().HandleControl(path, request.Query());
        Send(reply.Status, reply.Body, keepAlive);
        return;
    }
    if (path != "/ex/import.dll") {
        Send(404, "Not found\r\n", keepAlive);
        return;
    }
    if (request.Method != "POST") {
        Send(405, "The import endpoint answers POST only\r\n", keepAlive);
        return;
    }
    TFaultAction action;
    const TSandboxReply reply = FServer.Service().HandleImport(request.Body, action);
    switch (action.Mode) {
    case TFaultMode::NoReply:
        // Keep reading so the client sees a healthy, silent connection.
        FSilenced = true;
        return;
    case TFaultMode::Drop:
        FSilenced = true;
        FSocket->disconnectFromHost();
        return;
    case TFaultMode::Delay:
        FBusy = true;
        QTimer::singleShot(action.DelayMs, this, [this, reply, keepAlive] {
            FBusy = false;
            Send(reply.Status, reply.Body, keepAlive);
            ProcessRequests();
        });
        return;
    default:
        Send(reply.Status, reply.Body, keepAlive);
        return;
    }
}

void TSandboxConnection::Send(int status, const QByteArray& body, bool keepAlive)
{
    if (FSocket->state() != QAbstractSocket::ConnectedState)
        return;
    FSocket->write(FormatHttpResponse(status, body, keepAlive));
    if (!keepAlive)
        FSocket->disconnectFromHost();
}
