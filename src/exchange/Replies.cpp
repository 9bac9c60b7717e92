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

QStringList FirstReplyLines(const QString& reply, qsizetype maxLines, qsizetype* more)
{
    QStringList lines;
    qsizetype counted = 0;
    const QStringView all(reply);
    qsizetype start = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i] != QLatin1Char('\r') && all[i] != QLatin1Char('\n'))
            continue;
        if (lines.size() < maxLines)
            lines.append(all.sliced(start, i - start).toString());
        else
            ++counted;
        if (all[i] == QLatin1Char('\r') && i + 1 < all.size() && all[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < all.size()) {
        if (lines.size() < maxLines)
            lines.append(all.sliced(start).toString());
        else
            ++counted;
    }
    if (more)
        *more = counted;
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

QString TMessageList::ShownText(QStringView message)
{
    if (message.size() <= MaxMessageChars)
        return message.toString();
    return message.first(MaxMessageChars).toString() + QStringLiteral(" ... (%1 more characters not shown)")
                                                            .arg(message.size() - MaxMessageChars);
}

TMessageList::TDigest TMessageList::DigestOf(QStringView folded)
{
    // Two differently seeded hashes of the text: two distinct messages share both only by a
    // chance far below any other failure of the program.
    return {qHash(folded, size_t(0x9E3779B97F4A7C15ull)), qHash(folded, size_t(0xC2B2AE3D27D4EB4Full)),
            folded.size()};
}

void TMessageList::Offer(QStringView message, TReplyMessages& result, qsizetype& chars)
{
    const QString shown = ShownText(message);
    const TDigest digest = DigestOf(shown.toCaseFolded());
    if (FFolded.contains(digest))
        return;
    // Past a limit the rest of the reply is only counted; a message left out
    // now may still be listed by a later reply.
    if (result.NotShown > 0 || result.Added.size() >= MaxReplyMessages || chars + shown.size() > MaxReplyChars) {
        ++result.NotShown;
        return;
    }
    if (shown.size() != message.size())
        ++result.Shortened;
    chars += shown.size();
    FFolded.insert(digest);
    result.Added.append(shown);
}

namespace
{
QString CountOfLines(qsizetype count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" line") : QStringLiteral(" lines"));
}
} // namespace

void TMessageList::Finish(TReplyMessages& result)
{
    if (result.NotShown > 0)
        result.Added.append(QStringLiteral("... %1 more %2 from the service not shown")
                                .arg(result.NotShown)
                                .arg(result.NotShown == 1 ? QStringLiteral("line") : QStringLiteral("lines")));
    FCount += result.Added.size();
}

TReplyMessages TMessageList::AddReply(const QString& reply)
{
    TReplyMessages result;
    qsizetype chars = 0;
    // The reply's lines in place: a large reply is not copied line by line.
    const QStringView all(reply);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= all.size(); ++i) {
        const bool end = i == all.size();
        if (!end && all[i] != QLatin1Char('\r') && all[i] != QLatin1Char('\n'))
            continue;
        const QStringView line = all.sliced(start, i - start);
        if (line.startsWith(QLatin1String("POST=")))
            Offer(line.sliced(5), result, chars);
        if (end)
            break;
        if (all[i] == QLatin1Char('\r') && i + 1 < all.size() && all[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    Finish(result);
    return result;
}

QStringList TMessageList::Add(const QStringList& messages)
{
    TReplyMessages result;
    qsizetype chars = 0;
    for (const QString& message : messages)
        Offer(message, result, chars);
    Finish(result);
    return result.Added;
}

QString TReplyMessages::LogLine() const
{
    if (NotShown == 0 && Shortened == 0)
        return QString();
    QStringList parts;
    if (NotShown > 0)
        parts.append(CountOfLines(NotShown) + QStringLiteral(" not shown"));
    if (Shortened > 0)
        parts.append(CountOfLines(Shortened) + QStringLiteral(" shortened"));
    return QStringLiteral("Messages from the service cut: ") + parts.join(QStringLiteral(", "));
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

QString HttpErrorMessage(quint16 replyCode, int status)
{
    QString request;
    switch (replyCode) {
    case 1:
        request = QStringLiteral("the login check");
        break;
    case 2:
        request = QStringLiteral("the field-list request");
        break;
    case 3:
        request = QStringLiteral("the site-list request");
        break;
    case 4:
        request = QStringLiteral("a record");
        break;
    default:
        request = QStringLiteral("a request");
        break;
    }
    return QStringLiteral("The service answered %1 with an error (HTTP %2). Try again later.").arg(request).arg(status);
}
