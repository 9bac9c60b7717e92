#include "exchange/Replies.h"

#include "core/Conversions.h"

TLoginVerdict LoginVerdict(const QString& reply)
{
    if (reply.startsWith(QLatin1String("EL=0")))
        return TLoginVerdict::Accepted;
    if (reply.startsWith(QLatin1String("EL=1")))
        return TLoginVerdict::Outdated;
    return TLoginVerdict::Rejected;
}

QStringList ReplyLines(const QString& reply)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = reply.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = reply.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(reply.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < size && reply.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < size)
        lines.append(reply.mid(start));
    return lines;
}

QStringList ServerMessages(const QString& reply)
{
    QStringList messages;
    for (const QString& line : ReplyLines(reply)) {
        if (line.startsWith(QLatin1String("POST=")))
            messages.append(line.mid(5));
    }
    return messages;
}

QStringList TMessageList::Add(const QStringList& messages)
{
    QStringList added;
    for (const QString& message : messages) {
        const QString folded = message.toCaseFolded();
        if (FFolded.contains(folded))
            continue;
        FFolded.insert(folded);
        added.append(message);
    }
    FListed.append(added);
    return added;
}

QList<TSiteEntry> ParseSiteList(const QString& reply)
{
    QList<TSiteEntry> sites;
    for (const QString& line : ReplyLines(reply)) {
        if (!line.startsWith(QLatin1String("SI_")))
            continue;
        const QString rest = line.mid(3);
        const qsizetype eq = rest.indexOf(QLatin1Char('='));
        if (eq < 0)
            sites.append({rest, 0});
        else
            sites.append({rest.mid(eq + 1), StrToIntOrZero(rest.left(eq))});
    }
    return sites;
}

QString ExpiredVersionMessage()
{
    // Where a newer version of the utility is published.
    return QStringLiteral("This version of the Import Utility has expired. Please download the latest version from "
                          "https://www.quillmarsh.com/download, then try again.");
}
