#include "SandboxCertificates.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

bool RunOpenSsl(const QStringList& args, const QString& workDir, QString* error)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), args);
    if (!process.waitForStarted(10000)) {
        if (error)
            *error = QStringLiteral("cannot run openssl: ") + process.errorString();
        return false;
    }
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("openssl ") + args.value(0) + QStringLiteral(" failed: ")
                     + QString::fromLocal8Bit(process.readAll()).trimmed();
        return false;
    }
    return true;
}

bool LoadCertificates(const QDir& dir, TSandboxCertificates& result)
{
    const QList<QSslCertificate> ca = QSslCertificate::fromPath(dir.filePath(QStringLiteral("ca.pem")));
    const QList<QSslCertificate> server = QSslCertificate::fromPath(dir.filePath(QStringLiteral("server.pem")));
    QFile keyFile(dir.filePath(QStringLiteral("server.key")));
    if (ca.size() != 1 || server.size() != 1 || !keyFile.open(QIODevice::ReadOnly))
        return false;
    const QSslKey key(keyFile.readAll(), QSsl::Rsa, QSsl::Pem, QSsl::PrivateKey);
    const QDateTime soon = QDateTime::currentDateTimeUtc().addDays(1);
    if (key.isNull() || server.first().expiryDate() < soon || ca.first().expiryDate() < soon)
        return false;
    result.CAFile = dir.absoluteFilePath(QStringLiteral("ca.pem"));
    result.ServerCertificate = server.first();
    result.ServerKey = key;
    return true;
}

void KeepPrivate(const QString& path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

bool EnsureCertificates(const QString& dataDir, TSandboxCertificates& result, QString* error, bool* generated)
{
    if (generated)
        *generated = false;
    QDir dir(dataDir);
    if (!dir.mkpath(QStringLiteral("."))) {
        if (error)
            *error = QStringLiteral("cannot create the data directory ") + dataDir;
        return false;
    }
    if (LoadCertificates(dir, result))
        return true;

    const QString work = dir.absolutePath();
    const QString extFile = dir.filePath(QStringLiteral("server-ext.cnf"));
    {
        QFile ext(extFile);
        if (!ext.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            if (error)
                *error = QStringLiteral("cannot write ") + extFile;
            return false;
        }
        ext.write("basicConstraints=critical,CA:FALSE\n"
                  "keyUsage=critical,digitalSignature,keyEncipherment\n"
                  "extendedKeyUsage=serverAuth\n"
                  "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    }
    const bool made =
        RunOpenSsl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                    QStringLiteral("-nodes"), QStringLiteral("-sha256"), QStringLiteral("-days"), QStringLiteral("3650"),
                    QStringLiteral("-subj"), QStringLiteral("/CN=QImport Sandbox CA"), QStringLiteral("-addext"),
                    QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                    QStringLiteral("keyUsage=critical,keyCertSign,cRLSign"), QStringLiteral("-keyout"),
                    QStringLiteral("ca.key"), QStringLiteral("-out"), QStringLiteral("ca.pem")},
                   work, error)
        && RunOpenSsl({QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                       QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-keyout"),
                       QStringLiteral("server.key"), QStringLiteral("-out"), QStringLiteral("server.csr")},
                      work, error)
        && RunOpenSsl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-sha256"), QStringLiteral("-days"),
                       QStringLiteral("825"), QStringLiteral("-in"), QStringLiteral("server.csr"), QStringLiteral("-CA"),
                       QStringLiteral("ca.pem"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                       QStringLiteral("-set_serial"), QString::number(QDateTime::currentSecsSinceEpoch()),
                       QStringLiteral("-extfile"), QStringLiteral("server-ext.cnf"), QStringLiteral("-out"),
                       QStringLiteral("server.pem")},
                      work, error);
    QFile::remove(extFile);
    QFile::remove(dir.filePath(QStringLiteral("server.csr")));
    KeepPrivate(dir.filePath(QStringLiteral("ca.key")));
    KeepPrivate(dir.filePath(QStringLiteral("server.key")));
    if (!made)
        return false;
    if (!LoadCertificates(dir, result)) {
        if (error)
            *error = QStringLiteral("the generated certificates cannot be loaded");
        return false;
    }
    if (generated)
        *generated = true;
    return true;
}
