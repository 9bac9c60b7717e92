#include "SandboxProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>

#ifndef QIMPORT_BIN_DIR
#error "QIMPORT_BIN_DIR must name the directory holding qimport-sandbox"
#endif

TSandboxProcess::TSandboxProcess() = default;

TSandboxProcess::~TSandboxProcess()
{
    Stop();
}

bool TSandboxProcess::Start(const QString& dataDir, int delayMs)
{
    Stop();
    FError.clear();
    FDataDir = QDir(dataDir).absolutePath();
    FProcess = new QProcess;
    // Errors of the service go straight to the test's own output.
    FProcess->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data-dir"), FDataDir,
                     QStringLiteral("--exit-with-stdin")};
    if (delayMs > 0)
        args << QStringLiteral("--delay-ms") << QString::number(delayMs);
    // stdin stays open as a pipe: when this process dies, the service sees EOF and ends too.
    FProcess->start(QStringLiteral(QIMPORT_BIN_DIR "/qimport-sandbox"), args);
    if (!FProcess->waitForStarted(10000)) {
        FError = QStringLiteral("cannot start qimport-sandbox: ") + FProcess->errorString();
        Stop();
        return false;
    }
    static const QRegularExpression readyLine(QStringLiteral("^READY port=(\\d+) ca=(.+)$"));
    QDeadlineTimer deadline(20000);
    QByteArray pending;
    while (!deadline.hasExpired()) {
        if (!FProcess->canReadLine() && !FProcess->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            if (FProcess->state() != QProcess::Running)
                break;
            continue;
        }
        while (FProcess->canReadLine()) {
            const QString line = QString::fromUtf8(FProcess->readLine()).trimmed();
            const QRegularExpressionMatch match = readyLine.match(line);
            if (match.hasMatch()) {
                FPort = match.captured(1).toInt();
                FCAFile = match.captured(2);
                return true;
            }
        }
    }
    FError = QStringLiteral("qimport-sandbox did not report READY within 20 s");
    Stop();
    return false;
}

void TSandboxProcess::Stop()
{
    if (!FProcess)
        return;
    if (FProcess->state() != QProcess::NotRunning) {
        FProcess->closeWriteChannel();
        FProcess->terminate();
        if (!FProcess->waitForFinished(5000)) {
            FProcess->kill();
            FProcess->waitForFinished(5000);
        }
    }
    delete FProcess;
    FProcess = nullptr;
    FPort = 0;
}

bool TSandboxProcess::IsRunning() const
{
    return FProcess && FProcess->state() == QProcess::Running;
}

QString TSandboxProcess::Host() const
{
    return QStringLiteral("127.0.0.1:") + QString::number(FPort);
}

QByteArray TSandboxProcess::Get(const QString& pathAndQuery, bool* ok, int timeoutMs)
{
    if (ok)
        *ok = false;
    if (FPort <= 0) {
        FError = QStringLiteral("sandbox not started");
        return {};
    }
    QDeadlineTimer deadline(timeoutMs);
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(FPort));
    if (!socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) {
        FError = QStringLiteral("control connection failed: ") + socket.errorString();
        return {};
    }
    socket.write("GET " + pathAndQuery.toLatin1() + " HTTP/1.1\r\nHost: " + Host().toLatin1()
                 + "\r\nConnection: close\r\n\r\n");
    QByteArray raw;
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        if (socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            raw += socket.readAll();
    }
    raw += socket.readAll();
    const int headerEnd = raw.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        FError = QStringLiteral("no complete control reply for ") + pathAndQuery;
        return {};
    }
    const QByteArray statusLine = raw.left(raw.indexOf("\r\n"));
    const QByteArray body = raw.mid(headerEnd + 4);
    const bool good = statusLine.startsWith("HTTP/1.1 200");
    if (!good)
        FError = QStringLiteral("control call ") + pathAndQuery + QStringLiteral(" answered ")
                 + QString::fromLatin1(statusLine) + QStringLiteral(": ") + QString::fromLatin1(body);
    if (ok)
        *ok = good;
    return body;
}

QStringList TSandboxProcess::Requests()
{
    bool ok = false;
    const QByteArray body = Get(QStringLiteral("/control/requests"), &ok);
    if (!ok)
        return {};
    return QString::fromLatin1(body).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool TSandboxProcess::Reset()
{
    bool ok = false;
    Get(QStringLiteral("/control/reset"), &ok);
    return ok;
}

bool TSandboxProcess::Fault(const QString& mode, int count, int delayMs, int rt, int skip)
{
    QString query = QStringLiteral("/control/fault?mode=") + mode + QStringLiteral("&count=") + QString::number(count);
    if (delayMs > 0)
        query += QStringLiteral("&delay-ms=") + QString::number(delayMs);
    if (rt >= 0)
        query += QStringLiteral("&rt=") + QString::number(rt);
    if (skip > 0)
        query += QStringLiteral("&skip=") + QString::number(skip);
    bool ok = false;
    Get(query, &ok);
    return ok;
}
