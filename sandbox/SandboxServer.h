#pragma once

#include "SandboxCertificates.h"
#include "SandboxService.h"

#include <QTcpServer>

// One port for plain HTTP and HTTPS: each connection's first byte decides.
class TSandboxServer : public QTcpServer
{
    Q_OBJECT

public:
    TSandboxServer(TSandboxService& service, const TSandboxCertificates& certificates, QObject* parent = nullptr);

    TSandboxService& Service() { return FService; }
    const TSandboxCertificates& Certificates() const { return FCertificates; }

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    TSandboxService& FService;
    TSandboxCertificates FCertificates;
};
