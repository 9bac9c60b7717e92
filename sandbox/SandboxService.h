#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The demo account every request must name.
namespace SandboxAccount {
inline constexpr char Number[] = "123456789";
inline constexpr char LoginName[] = "demo@example.org";
inline constexpr char Password[] = "sandbox-demo";
} // namespace SandboxAccount

struct TSandboxReply
{
    int Status = 200;
    QByteArray Body;
};

// What happens to an import request before (or instead of) its answer.
enum class TFaultMode { None, Delay, NoReply, Drop, Status500, Empty };

struct TFaultAction
{
    TFaultMode Mode = TFaultMode::None;
    int DelayMs = 0;
};

// The stand-in service without any networking: it answers envelopes, keeps the
// received ones in memory for the control endpoints, counts down the fault
// switch and writes the mailbox file.
class TSandboxService
{
public:
    static constexpr int DefaultFaultDelayMs = 1000;

    // mailboxPath empty: no mailbox file.
    explicit TSandboxService(const QString& mailboxPath = QString(), int defaultDelayMs = 0);

    // The whole HTTP exchange for POST /ex/import.dll: MIME body in, fault action and answer out.
    TSandboxReply HandleImport(const QByteArray& body, TFaultAction& action);
    // The answer to one envelope (credentials checked, records counted).
    TSandboxReply Answer(const QString& envelope);
    // GET /control/...; path without the query, query undecoded.
    TSandboxReply HandleControl(const QByteArray& path, const QByteArray& query);

    // Arms the fault switch; count 0 = until reset; rt -1 = every request type;
    // the first skip matching requests pass untouched (a fault on the k-th record only).
    void SetFault(TFaultMode mode, int count, int delayMs, int rt, int skip = 0);
    // Consumes one use of the switch when it matches the request type.
    TFaultAction TakeFault(int rt);
    void Reset();

    const QStringList& Requests() const { return FRequests; }
    int RecordsReceived() const { return FRecordCount; }

    static bool ParseFaultMode(const QString& text, TFaultMode& mode);
    // The volunteer field catalogue, one "Tab<TAB>Field<TAB>Item<TAB>Name<TAB>Type" line each.
    static QStringList FieldCatalogueLines();
    // Problems with the field keys of a record, one message each.
    static QStringList RecordProblems(const QString& envelope, int* fieldCount = nullptr);

private:
    void AppendToMailbox(const QString& envelope) const;

    QString FMailboxPath;
    int FDefaultDelayMs = 0;
    QStringList FRequests;
    int FRecordCount = 0;
    TFaultMode FFaultMode = TFaultMode::None;
    int FFaultRemaining = 0; // 0 with a mode set: until reset
    int FFaultDelayMs = 0;
    int FFaultRt = -1;
    int FFaultSkip = 0;
};
