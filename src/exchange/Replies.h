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

// The first maxLines lines of a reply, split as ReplyLines splits them; more gets
// the number of lines after those, counted without keeping them.
QStringList FirstReplyLines(const QString& reply, qsizetype maxLines, qsizetype* more = nullptr);

// The messages of a record reply: the rest of every line beginning "POST=".
QStringList ServerMessages(const QString& reply);

// What one record reply added to the message list.
struct TReplyMessages
{
    // The new messages as listed, in order, and last a line saying how many were left out.
    QStringList Added;
    qsizetype NotShown = 0;  // new messages past the reply's limits
    qsizetype Shortened = 0; // messages cut to TMessageList::MaxMessageChars

    // The run log's note of what was cut; empty when nothing was.
    QString LogLine() const;
};

// The service's messages as shown to the user: each text once, compared without
// regard to letter case. A set of the folded texts' 128-bit digests keeps each
// check constant-time and each message a few bytes, however long a run's list
// grows and however long its messages. One reply adds at most MaxReplyMessages
// messages and MaxReplyChars characters, none longer than MaxMessageChars, so
// a run's list grows with the number of replies, not with their size. The
// messages themselves are the caller's to keep or show.
class TMessageList
{
public:
    static constexpr qsizetype MaxReplyMessages = 100;
    static constexpr qsizetype MaxMessageChars = 1000;
    static constexpr qsizetype MaxReplyChars = 16000;

    // Lists the messages ("POST=" lines) of one record reply not listed yet.
    TReplyMessages AddReply(const QString& reply);
    // The same for the messages of one reply taken out already; returns what was added.
    QStringList Add(const QStringList& messages);
    // How many messages were listed so far.
    qsizetype Count() const { return FCount; }

    // A message as listed: cut to MaxMessageChars, saying how much was left out.
    static QString ShownText(QStringView message);

private:
    // Adds message to result unless listed; false once the reply's limits are reached.
    void Offer(QStringView message, TReplyMessages& result, qsizetype& chars);
    void Finish(TReplyMessages& result);

    struct TDigest
    {
        size_t A = 0;
        size_t B = 0;
        qsizetype Size = 0;
        bool operator==(const TDigest&) const = default;
        friend size_t qHash(const TDigest& digest, size_t seed = 0) { return digest.A ^ seed; }
    };
    static TDigest DigestOf(QStringView folded);

    qsizetype FCount = 0;
    QSet<TDigest> FFolded;
};

struct TSiteEntry
{
    QString Name;
    qint32 Number = 0;
    bool operator==(const TSiteEntry&) const = default;
};

// Lines "SI_<number>=<name>", in reply order, duplicates kept; other lines are ignored.
QList<TSiteEntry> ParseSiteList(const QString& reply);

// An HTTP error status: the reply is an error page, not an answer to the request.
inline bool IsHttpError(int status)
{
    return status >= 400;
}

// Said when the login check (1), the field list (2) or the site list (3) was
// answered with an HTTP error, naming the request and the status.
QString HttpErrorMessage(quint16 replyCode, int status);

// Shown when the service no longer accepts this version of the utility.
QString ExpiredVersionMessage();
