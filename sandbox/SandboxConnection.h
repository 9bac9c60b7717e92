#pragma once

#include "SandboxHttp.h"

#include <QObject>

class QSslSocket;
class TSandboxServer;

// One client connection: sorts out TLS, reads requests and answers them in order.
class TSandboxConnection : public QObject
{
    Q_OBJECT

public:
    TSandboxConnection(QSslSocket* socket, TSandboxServer& server);

private:
    void ReadyRead();
    void ProcessRequests();
    void Handle(const THttpRequest& request);
    void Send(int status, const QByteArray& body, bool keepAlive);

    QSslSocket* FSocket;
    TSandboxServer& FServer;
    THttpRequestReader FReader;
    bool FModeDecided = false;
    bool FBusy = false;     // an answer is on its way (delay): later requests wait
    bool FSilenced = false; // a request got no answer: nothing more is answered here
};
