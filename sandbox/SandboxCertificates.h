#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// The private CA and the server certificate for 127.0.0.1 and localhost, kept
// in the data directory so a client can trust ca.pem across runs.
struct TSandboxCertificates
{
    QString CAFile;     // absolute path of ca.pem
    QSslCertificate ServerCertificate;
    QSslKey ServerKey;
};

// Loads the files from dataDir, or makes them with the openssl command when any
// is missing, unreadable or expired. generated tells which happened.
bool EnsureCertificates(const QString& dataDir, TSandboxCertificates& result, QString* error = nullptr,
                        bool* generated = nullptr);
