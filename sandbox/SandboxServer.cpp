#include "SandboxServer.h"

#include "SandboxConnection.h"

#include <QSslSocket>

TSandboxServer::TSandboxServer(TSandboxService& service, const TSandboxCertificates& certificates, QObject* parent)
    : QTcpServer(parent), FService(service), FCertificates(certificates)
{
}

void TSandboxServer::incomingConnection(qintptr socketDescriptor)
{
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        delete socket;
        return;
    }
    // The connection object lives as long as its socket.
    new TSandboxConnection(socket, *this);
}
