#include "SandboxService.h"

#include "SandboxEnvelope.h"
#include "SandboxMime.h"

#include <QFile>
#include <QSet>
#include <QUrlQuery>

namespace {

struct TCatalogueField
{
    int Tab;
    int Field;
    int Item;
    const char* Name;
    int Type;
};

// A volunteer's fields, grouped the way the mapping page shows them: Tab, then Box.
const TCatalogueField Catalogue[] = {
    {1, 1, 0, "First name", 0},
    {1, 2, 0, "Last name", 0},
    {1, 3, 0, "Middle name", 0},
    {1, 4, 0, "Title", 1},
    {1, 5, 0, "Suffix", 0},
    {1, 18, 0, "Salutation", 0},
    {1, 20, 0, "Nickname", 0},
    {1, 6, 0, "Street address", 0},
    {1, 7, 0, "Address line 2", 0},
    {1, 8, 0, "City", 0},
    {1, 9, 0, "State", 1},
    {1, 10, 0, "Zip code", 4},
    {1, 11, 0, "Country", 0},
    {1, 12, 0, "Home phone", 2},
    {1, 13, 0, "Mobile phone", 2},
    {1, 14, 0, "Email", 0},
    {1, 19, 0, "Flags", 0},
    {1, 21, 0, "Login name", 0},
    {1, 37, 0, "Access disabled", 3},
    {1, 39, 0, "Portal password", 7},
    {2, 1, 0, "Emergency contact name", 0},
    {2, 2, 0, "Emergency contact phone", 2},
    {2, 3, 0, "Emergency contact kind", 1},
    {2, 4, 0, "Emergency contact spare field", 0},
    {8, 1, 0, "Date joined", 6},
    {8, 2, 0, "Birth date", 10},
    {8, 3, 0, "T-shirt size", 1},
    {8, 4, 0, "Has car", 3},
    {8, 5, 0, "Age", 8},
    {8, 21, 0, "Available weekends", 5},
    {8, 22, 0, "Earliest start time", 18},
    {9, 1, 0, "Languages", 16},
    {9, 21, 0, "Prefers mornings", 17},
    {99, 2, 17, "Newsletter", 3},
    {99, 2, 18, "Event alerts", 3},
    {99, 8, 0, "Last contact date", 6},
    {99, 22, 0, "First contact date", 20},
    {99, 13, 0, "Notes", 0},
    {99, 6, 0, "Hours served", 24},
    {99, 7, 0, "Required hours", 13},
    {99, 1, 0, "Sites", 0},
};

const QByteArray WrongCredentials = "The account number, login name, or password is not correct.";

// The keys a record may carry, as the client derives them from the catalogue.
const QSet<QString>& KnownRecordKeys()
{
    static const QSet<QString> keys = [] {
        QSet<QString> set;
        for (const TCatalogueField& field : Catalogue) {
            const QString tab = QString::number(field.Tab);
            const QString number = QString::number(field.Field);
            if (field.Tab == 1 && field.Field == 19) {
                for (int flag = 1; flag <= 36; ++flag)
                    set.insert(QStringLiteral("1_19_") + QString::number(flag));
            } else if (field.Tab == 1 || field.Tab == 2 || field.Tab == 8) {
                set.insert(tab + QLatin1Char('_') + number);
                if (field.Tab == 8 && field.Field == 1)
                    set.insert(QStringLiteral("8_1_F"));
            } else if (field.Tab == 99) {
                switch (field.Field) {
                case 2: set.insert(QStringLiteral("99_2_") + QString::number(field.Item)); break;
                case 6: set.insert(QStringLiteral("99_6")); break;
                case 13: set.insert(QStringLiteral("99_13")); break;
                case 8: set.insert(QStringLiteral("1_44")); set.insert(QStringLiteral("1_44_F")); break;
                case 22: set.insert(QStringLiteral("1_43")); set.insert(QStringLiteral("1_43_F")); break;
                default: break;
                }
            }
        }
        return set;
    }();
    return keys;
}

QByteArray Lines(const QStringList& lines)
{
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

} // namespace

TSandboxService::TSandboxService(const QString& mailboxPath, int defaultDelayMs)
    : FMailboxPath(mailboxPath), FDefaultDelayMs(defaultDelayMs)
{
}

QStringList TSandboxService::FieldCatalogueLines()
{
    QStringList lines;
    for (const TCatalogueField& field : Catalogue) {
        lines << QString::number(field.Tab) + QLatin1Char('\t') + QString::number(field.Field) + QLatin1Char('\t')
                     + QString::number(field.Item) + QLatin1Char('\t') + QString::fromLatin1(field.Name)
                     + QLatin1Char('\t') + QString::number(field.Type);
    }
    return lines;
}

QStringList TSandboxService::RecordProblems(const QString& envelope, int* fieldCount)
{
    const QList<TEnvelopePair> pairs = ParseEnvelope(envelope);
    QStringList problems;
    qsizetype first = -1;
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        if (pairs.at(i).Name == QLatin1String("SI")) {
            first = i + 1;
            const QString site = pairs.at(i).Value;
            if (site != QLatin1String("0") && site != QLatin1String("1") && site != QLatin1String("2"))
                problems << QStringLiteral("Unknown site number: ") + site;
            break;
        }
    }
    if (first < 0) {
        problems << QStringLiteral("Record has no site number");
        for (qsizetype i = 0; i < pairs.size() && first < 0; ++i) {
            if (pairs.at(i).Name == QLatin1String("RT"))
                first = i + 1;
        }
        if (first < 0)
            first = pairs.size();
    }
    QStringList unknown;
    QStringList badFormats;
    int count = 0;
    for (qsizetype i = first; i < pairs.size(); ++i) {
        const TEnvelopePair& pair = pairs.at(i);
        ++count;
        if (!KnownRecordKeys().contains(pair.Name)) {
            if (!unknown.contains(pair.Name))
                unknown << pair.Name;
        } else if (pair.Name.endsWith(QLatin1String("_F"))) {
            bool ok = false;
            const int code = pair.Value.toInt(&ok);
            if (!ok || code < 0 || code > 5 || pair.Value != QString::number(code))
                badFormats << pair.Name + QLatin1Char('=') + pair.Value;
        }
    }
    if (count == 0)
        problems << QStringLiteral("Record has no fields");
    if (!unknown.isEmpty())
        problems << QStringLiteral("Unknown field keys: ") + unknown.join(QStringLiteral(", "));
    if (!badFormats.isEmpty())
        problems << QStringLiteral("Invalid date format codes: ") + badFormats.join(QStringLiteral(", "));
    if (fieldCount)
        *fieldCount = count;
    return problems;
}

TSandboxReply TSandboxService::Answer(const QString& envelope)
{
    const QList<TEnvelopePair> pairs = ParseEnvelope(envelope);
    bool hasType = false;
    const QString typeText = EnvelopeValue(pairs, QStringLiteral("RT"), &hasType);
    bool numeric = false;
    const int rt = typeText.toInt(&numeric);
    if (!hasType || !numeric)
        return {400, "Missing or invalid request type\r\n"};

    const QString sentPassword = EnvelopeValue(pairs, QStringLiteral("EP"));
    // The site list is the one request that carries the password as typed.
    const QString password = rt == 32 ? sentPassword : DecodePassword(sentPassword);
    const bool valid = EnvelopeValue(pairs, QStringLiteral("AC")) == QLatin1String(SandboxAccount::Number)
                       && EnvelopeValue(pairs, QStringLiteral("EL")) == QLatin1String(SandboxAccount::LoginName)
                       && password == QLatin1String(SandboxAccount::Password);

    switch (rt) {
    case 1:
        // An outdated utility is told so before its credentials are looked at.
        if (EnvelopeValue(pairs, QStringLiteral("VE")) != QLatin1String("002"))
            return {200, "EL=1\r\nThis version of the import utility is no longer accepted.\r\n"};
        if (valid)
            return {200, "EL=0\r\nWelcome to the sandbox, " + QByteArray(SandboxAccount::LoginName) + ".\r\n"};
        return {200, "EL=2\r\n" + WrongCredentials + "\r\n"};
    case 2:
        if (!valid)
            return {200, "ERROR: " + WrongCredentials + "\r\n"};
        return {200, Lines(QStringList{QStringLiteral("OK")} + FieldCatalogueLines())};
    case 32:
        if (!valid)
            return {200, "ERROR\r\n"};
        return {200, "SI_1=North Branch\r\nSI_2=South Branch\r\n"};
    case 31: {
        if (!valid)
            return {200, "POST=Record rejected: " + WrongCredentials + "\r\n"};
        int fieldCount = 0;
        const QStringList problems = RecordProblems(envelope, &fieldCount);
        ++FRecordCount;
        QStringList lines{QStringLiteral("POST=Record %1 received: %2 fields").arg(FRecordCount).arg(fieldCount)};
        for (const QString& problem : problems)
            lines << QStringLiteral("POST=") + problem;
        return {200, Lines(lines)};
    }
    case 110:
        if (!valid)
            return {200, "ERROR: " + WrongCredentials + "\r\n"};
        return {200, Lines({QStringLiteral("Import finished"),
                            QStringLiteral("Records received: ") + QString::number(FRecordCount)})};
    default:
        return {400, "Unknown request type " + typeText.toLatin1() + "\r\n"};
    }
}

TSandboxReply TSandboxService::HandleImport(const QByteArray& body, TFaultAction& action)
{
    action = TFaultAction();
    TMimePart part;
    QString error;
    if (!ExtractFirstMimePart(body, part, &error))
        return {400, "Bad request body: " + error.toLatin1() + "\r\n"};
    if (part.ContentType != "text/plain")
        return {400, "Bad request body: the part is not text/plain\r\n"};
    const QString envelope = MimePartText(part);
    FRequests.append(envelope);

    const QList<TEnvelopePair> pairs = ParseEnvelope(envelope);
    bool numeric = false;
    const int rt = EnvelopeValue(pairs, QStringLiteral("RT")).toInt(&numeric);
    action = TakeFault(numeric ? rt : -1);
    // A server error means the record was not taken; a lost or late answer does not.
    if (numeric && rt == 31 && action.Mode != TFaultMode::Status500)
        AppendToMailbox(envelope);

    if (action.Mode == TFaultMode::None && FDefaultDelayMs > 0)
        action = {TFaultMode::Delay, FDefaultDelayMs};
    switch (action.Mode) {
    case TFaultMode::Status500: return {500, "Internal server error (fault switch)\r\n"};
    case TFaultMode::Empty: return {200, QByteArray()};
    case TFaultMode::Drop:
    case TFaultMode::NoReply: return {200, QByteArray()}; // never sent
    case TFaultMode::None:
    case TFaultMode::Delay: break;
    }
    return Answer(envelope);
}

bool TSandboxService::ParseFaultMode(const QString& text, TFaultMode& mode)
{
    static const QList<QPair<QString, TFaultMode>> names{
        {QStringLiteral("none"), TFaultMode::None},       {QStringLiteral("delay"), TFaultMode::Delay},
        {QStringLiteral("noreply"), TFaultMode::NoReply}, {QStringLiteral("drop"), TFaultMode::Drop},
        {QStringLiteral("status500"), TFaultMode::Status500}, {QStringLiteral("empty"), TFaultMode::Empty}};
    for (const auto& name : names) {
        if (name.first == text) {
            mode = name.second;
            return true;
        }
    }
    return false;
}

TSandboxReply TSandboxService::HandleControl(const QByteArray& path, const QByteArray& query)
{
    if (path == "/control/requests") {
        QByteArray body;
        for (const QString& envelope : FRequests)
            body += envelope.toLatin1() + '\n';
        return {200, body};
    }
    if (path == "/control/reset") {
        Reset();
        return {200, "OK\n"};
    }
    if (path != "/control/fault")
        return {404, "Unknown control endpoint\n"};

    const QUrlQuery items(QString::fromLatin1(query));
    TFaultMode mode = TFaultMode::None;
    if (!ParseFaultMode(items.queryItemValue(QStringLiteral("mode")), mode))
        return {400, "mode must be none, delay, noreply, drop, status500 or empty\n"};
    auto number = [&items](const char* name, int fallback, bool& ok) {
        const QString text = items.queryItemValue(QString::fromLatin1(name));
        if (text.isEmpty())
            return fallback;
        const int value = text.toInt(&ok);
        if (value < 0)
            ok = false;
        return value;
    };
    bool ok = true;
    const int count = number("count", 1, ok);
    const int delayMs = number("delay-ms", DefaultFaultDelayMs, ok);
    const int rt = number("rt", -1, ok);
    const int skip = number("skip", 0, ok);
    if (!ok)
        return {400, "count, delay-ms, rt and skip must be numbers of 0 or more\n"};
    SetFault(mode, count, delayMs, rt, skip);
    return {200, "OK\n"};
}

void TSandboxService::SetFault(TFaultMode mode, int count, int delayMs, int rt, int skip)
{
    FFaultMode = mode;
    FFaultRemaining = count == 0 ? -1 : count;
    FFaultDelayMs = delayMs;
    FFaultRt = rt;
    FFaultSkip = skip;
}

TFaultAction TSandboxService::TakeFault(int rt)
{
    if (FFaultMode == TFaultMode::None || (FFaultRt >= 0 && rt != FFaultRt))
        return {};
    if (FFaultSkip > 0) {
        --FFaultSkip;
        return {};
    }
    const TFaultAction action{FFaultMode, FFaultMode == TFaultMode::Delay ? FFaultDelayMs : 0};
    if (FFaultRemaining > 0 && --FFaultRemaining == 0)
        FFaultMode = TFaultMode::None;
    return action;
}

void TSandboxService::Reset()
{
    FRequests.clear();
    FRecordCount = 0;
    SetFault(TFaultMode::None, 0, 0, -1);
}

void TSandboxService::AppendToMailbox(const QString& envelope) const
{
    if (FMailboxPath.isEmpty())
        return;
    QFile mailbox(FMailboxPath);
    // Best effort: a mailbox that cannot be written must not stop the answers.
    if (mailbox.open(QIODevice::WriteOnly | QIODevice::Append))
        mailbox.write(MaskPassword(envelope).toLatin1() + '\n');
}
