#pragma once

#include <QList>
#include <QString>
#include <QSet>
#include <QStringList>

enum class TLoginVerdict
{
    Accepted, // "EL=0"
    Outdated, // "EL=1"
    Rejected  // anything else, an empty body or an error page included
};

TLoginVerdict LoginVerdict(const QString& reply);

// Lines split at CR, LF or CR LF; a final line without a break counts; an
// empty body has none.
QStringList ReplyLines(const QString& reply);

// The messages of a record reply: the rest of every line beginning "POST=".
QStringList ServerMessages(const QString& reply);

// The service's messages as shown to the user: each text once, compared without
// regard to letter case. A set of folded texts keeps each check constant-time,
// however long a run's list grows.
class TMessageList
{
public:
    // Lists the messages not listed yet and returns them, in order.
    QStringList Add(const QStringList& messages);
    const QStringList& Listed() const { return FListed; }

private:
    QStringList FListed;
    QSet<QString> FFolded;
};

struct TSiteEntry
{
    QString Name;
    qint32 Number = 0;
    bool operator==(const TSiteEntry&) const = default;
};

// Lines "SI_<number>=<name>", in reply order, duplicates kept; other lines are ignored.
QList<TSiteEntry> ParseSiteList(const QString& reply);

// Shown when the service no longer accepts this version of the utility.
QString ExpiredVersionMessage();
