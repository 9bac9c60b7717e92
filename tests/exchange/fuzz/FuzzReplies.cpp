// libFuzzer target: the login, site-list and record replies. Any reply must
// split into lines without breaks in them, give one site per "SI_" line and
// one message per "POST=" line, list each message once and stay within a
// reply's share of the list.
#include "FuzzSupport.h"
#include "core/TextDecoder.h"
#include "exchange/Replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString reply = DecodeText(BytesOf(data, size)); // as the client hands a reply over
    (void)LoginVerdict(reply);

    const QStringList lines = ReplyLines(reply);
    qsizetype characters = 0;
    qsizetype siteLines = 0;
    qsizetype postLines = 0;
    for (const QString& line : lines) {
        Check(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')), "a break inside a line");
        characters += line.size();
        siteLines += line.startsWith(QLatin1String("SI_")) ? 1 : 0;
        postLines += line.startsWith(QLatin1String("POST=")) ? 1 : 0;
    }
    Check(characters <= reply.size(), "lines longer than the reply");

    const QList<TSiteEntry> sites = ParseSiteList(reply);
    Check(sites.size() == siteLines, "one site per SI_ line");
    for (const TSiteEntry& site : sites)
        Check(!site.Name.contains(QLatin1Char('\r')) && !site.Name.contains(QLatin1Char('\n')), "a break in a name");

    const QStringList messages = ServerMessages(reply);
    Check(messages.size() == postLines, "one message per POST= line");
    TMessageList listed;
    const TReplyMessages first = listed.AddReply(reply);
    const qsizetype shown = first.Added.size() - (first.NotShown > 0 ? 1 : 0);
    Check(shown + first.NotShown <= messages.size(), "more messages listed than sent");
    Check(shown <= TMessageList::MaxReplyMessages, "a reply listed past its share");
    qsizetype shownCharacters = 0;
    QSet<QString> folded;
    for (qsizetype i = 0; i < shown; ++i) {
        shownCharacters += first.Added.at(i).size();
        folded.insert(first.Added.at(i).toCaseFolded());
    }
    Check(shownCharacters <= TMessageList::MaxReplyChars, "a reply listed past its characters");
    // Messages left out may come with a later reply; those listed never again.
    const TReplyMessages second = listed.AddReply(reply);
    for (qsizetype i = 0; i < second.Added.size() - (second.NotShown > 0 ? 1 : 0); ++i)
        Check(!folded.contains(second.Added.at(i).toCaseFolded()), "a message listed twice");
    return 0;
}
