// libFuzzer target: the login, site-list and record replies. Any reply must
// split into lines without breaks in them, give one site per "SI_" line and
// one message per "POST=" line, and list each message once.
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
    const QStringList first = listed.Add(messages);
    Check(first.size() <= messages.size(), "more messages listed than sent");
    Check(listed.Add(messages).isEmpty(), "a message listed twice");
    return 0;
}
