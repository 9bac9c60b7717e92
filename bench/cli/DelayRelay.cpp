#include "DelayRelay.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <deque>
#include <future>

namespace
{
// One direction of a relayed connection: what was read, and when it may be written.
class TDelayedPipe : public QObject
{
public:
    TDelayedPipe(QTcpSocket* from, QTcpSocket* to, int delayMs, const QElapsedTimer& clock, QObject* parent)
        : QObject(parent), From(from), To(to), DelayMs(delayMs), Clock(clock)
    {
        Timer.setSingleShot(true);
        Timer.setTimerType(Qt::PreciseTimer);
        connect(&Timer, &QTimer::timeout, this, &TDelayedPipe::Flush);
        connect(from, &QTcpSocket::readyRead, this, &TDelayedPipe::Read);
        connect(from, &QTcpSocket::disconnected, this, [this] { Push(QByteArray(), true); });
    }

private:
    struct TChunk
    {
        qint64 Due = 0;
        QByteArray Bytes;
        bool Close = false;
    };

    void Read() { Push(From->readAll(), false); }

    void Push(const QByteArray& bytes, bool close)
    {
        if (bytes.isEmpty() && !close)
            return;
        Queue.push_back({Clock.elapsed() + DelayMs, bytes, close});
        Arm();
    }

    void Arm()
    {
        if (Queue.empty() || Timer.isActive())
            return;
        Timer.start(int(qMax<qint64>(0, Queue.front().Due - Clock.elapsed())));
    }

    void Flush()
    {
        const qint64 now = Clock.elapsed();
        while (!Queue.empty() && Queue.front().Due <= now) {
            TChunk chunk = std::move(Queue.front());
            Queue.pop_front();
            if (chunk.Close) {
                // Written data still drains before the far side sees the end.
                To->disconnectFromHost();
                Queue.clear();
                return;
            }
            To->write(chunk.Bytes);
        }
        Arm();
    }

    QTcpSocket* From;
    QTcpSocket* To;
    int DelayMs;
    const QElapsedTimer& Clock;
    std::deque<TChunk> Queue;
    QTimer Timer;
};

class TRelayThread : public QThread
{
public:
    TRelayThread(quint16 target, int delayMs) : Target(target), DelayMs(delayMs) {}

    std::promise<quint16> Listening;

protected:
    void run() override
    {
        QElapsedTimer clock;
        clock.start();
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHost, 0)) {
            Listening.set_value(0);
            return;
        }
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            while (QTcpSocket* client = server.nextPendingConnection()) {
                client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                auto* upstream = new QTcpSocket(client);
                upstream->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                new TDelayedPipe(client, upstream, DelayMs, clock, client);
                new TDelayedPipe(upstream, client, DelayMs, clock, client);
                upstream->connectToHost(QHostAddress::LocalHost, Target);
                // The client's socket owns the rest; it goes once both ends are closed.
                QPointer<QTcpSocket> guard(client);
                auto drop = [guard, upstream] {
                    if (guard && guard->state() == QAbstractSocket::UnconnectedState &&
                        upstream->state() == QAbstractSocket::UnconnectedState)
                        guard->deleteLater();
                };
                QObject::connect(client, &QTcpSocket::disconnected, client, drop);
                QObject::connect(upstream, &QTcpSocket::disconnected, client, drop);
            }
        });
        Listening.set_value(server.serverPort());
        exec();
    }

private:
    quint16 Target;
    int DelayMs;
};
} // namespace

TDelayRelay::TDelayRelay(quint16 targetPort, int oneWayDelayMs) : FTarget(targetPort), FDelayMs(oneWayDelayMs) {}

TDelayRelay::~TDelayRelay()
{
    Stop();
}

bool TDelayRelay::Start()
{
    Stop();
    auto* thread = new TRelayThread(FTarget, FDelayMs);
    std::future<quint16> port = thread->Listening.get_future();
    thread->start();
    FThread = thread;
    FPort = port.get();
    if (FPort == 0) {
        Stop();
        return false;
    }
    return true;
}

void TDelayRelay::Stop()
{
    if (!FThread)
        return;
    FThread->quit();
    FThread->wait();
    delete FThread;
    FThread = nullptr;
    FPort = 0;
}
