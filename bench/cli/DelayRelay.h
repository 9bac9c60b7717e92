#pragma once

#include <QtGlobal>

class QThread;

// A TCP forwarder on 127.0.0.1 that holds every byte for a fixed time in each
// direction, so a service on loopback answers as though across a slower link:
// a one-way delay of 25 ms adds 50 ms to every round trip, TLS handshakes
// included. It runs in a thread of its own, so its owner may block meanwhile.
class TDelayRelay
{
public:
    TDelayRelay(quint16 targetPort, int oneWayDelayMs);
    ~TDelayRelay();
    TDelayRelay(const TDelayRelay&) = delete;
    TDelayRelay& operator=(const TDelayRelay&) = delete;

    // Listens on a free port; false when that fails.
    bool Start();
    void Stop();
    quint16 Port() const { return FPort; }

private:
    quint16 FTarget;
    int FDelayMs;
    quint16 FPort = 0;
    QThread* FThread = nullptr;
};
