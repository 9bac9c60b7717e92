#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QProcess;

// Runs the local stand-in service (qimport-sandbox) for a test and talks to its
// control endpoints. Every wait is bounded; the process ends with this object.
class TSandboxProcess
{
public:
    TSandboxProcess();
    ~TSandboxProcess();
    TSandboxProcess(const TSandboxProcess&) = delete;
    TSandboxProcess& operator=(const TSandboxProcess&) = delete;

    // Starts QIMPORT_BIN_DIR/qimport-sandbox on a free port with its files in
    // dataDir and waits up to 20 s for its READY line. delayMs is the default
    // delay of every import reply.
    bool Start(const QString& dataDir, int delayMs = 0);
    void Stop();
    bool IsRunning() const;

    int Port() const { return FPort; }
    QString CAFile() const { return FCAFile; }
    QString Host() const;        // "127.0.0.1:<port>"
    QString DataDir() const { return FDataDir; }
    QString ErrorText() const { return FError; } // why Start or a control call failed

    // Envelopes received since start or the last reset, in order (empty on failure).
    QStringList Requests();
    bool Reset();
    // mode: none, delay, noreply, drop, status500, empty; count 0 = until reset;
    // rt -1 = every request type; delayMs 0 lets the service pick its own delay;
    // the first skip requests of that type pass untouched.
    bool Fault(const QString& mode, int count = 1, int delayMs = 0, int rt = -1, int skip = 0);

    // Plain GET on the service; returns the body, ok tells whether it came back with status 200.
    QByteArray Get(const QString& pathAndQuery, bool* ok = nullptr, int timeoutMs = 5000);

private:
    QProcess* FProcess = nullptr;
    int FPort = 0;
    QString FCAFile;
    QString FDataDir;
    QString FError;
};
