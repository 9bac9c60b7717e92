#include "SandboxMime.h"

#include <QList>

namespace {

// Lines of the body with their break removed; a lone LF is accepted as a break too.
QList<QByteArray> SplitKeepingPositions(const QByteArray& body, QList<qsizetype>& starts)
{
    QList<QByteArray> lines;
    qsizetype pos = 0;
    while (pos <= body.size()) {
        qsizetype end = body.indexOf('\n', pos);
        if (end < 0)
            end = body.size();
        QByteArray line = body.mid(pos, end - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        starts.append(pos);
        lines.append(line);
        pos = end + 1;
    }
    return lines;
}

QByteArray ParameterValue(const QByteArray& header, const QByteArray& name)
{
    for (QByteArray item : header.split(';')) {
        item = item.trimmed();
        const qsizetype equals = item.indexOf('=');
        if (equals < 0 || item.left(equals).trimmed().toLower() != name)
            continue;
        QByteArray value = item.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value.toLower();
    }
    return {};
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray DecodeQuotedPrintable(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '=') {
            out.append(c);
            continue;
        }
        if (i + 1 < text.size() && (text.at(i + 1) == '\r' || text.at(i + 1) == '\n')) {
            // Soft line break.
            i += (text.at(i + 1) == '\r' && i + 2 < text.size() && text.at(i + 2) == '\n') ? 2 : 1;
            continue;
        }
        const int high = i + 2 < text.size() ? HexValue(text.at(i + 1)) : -1;
        const int low = i + 2 < text.size() ? HexValue(text.at(i + 2)) : -1;
        if (high < 0 || low < 0) {
            out.append(c);
            continue;
        }
        out.append(char(high * 16 + low));
        i += 2;
    }
    return out;
}

} // namespace

bool ExtractFirstMimePart(const QByteArray& body, TMimePart& part, QString* error)
{
    auto fail = [error](const char* reason) {
        if (error)
            *error = QString::fromLatin1(reason);
        return false;
    };
    QList<qsizetype> starts;
    const QList<QByteArray> lines = SplitKeepingPositions(body, starts);
    qsizetype index = 0;
    while (index < lines.size() && !lines.at(index).startsWith("--"))
        ++index;
    if (index >= lines.size())
        return fail("no MIME boundary line in the body");
    const QByteArray boundary = lines.at(index).trimmed();
    if (boundary.size() < 3)
        return fail("empty MIME boundary");

    part = TMimePart();
    QByteArray lastHeader;
    ++index;
    for (; index < lines.size() && !lines.at(index).isEmpty(); ++index) {
        const QByteArray& line = lines.at(index);
        if ((line.startsWith(' ') || line.startsWith('\t')) && !lastHeader.isEmpty()) {
            if (lastHeader == "content-type")
                part.ContentType += ' ' + line.trimmed();
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return fail("malformed MIME part header");
        lastHeader = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (lastHeader == "content-type")
            part.ContentType = value;
        else if (lastHeader == "content-transfer-encoding")
            part.TransferEncoding = value.toLower();
    }
    if (index >= lines.size())
        return fail("MIME part has no content");
    const QByteArray fullType = part.ContentType;
    const qsizetype semicolon = fullType.indexOf(';');
    part.ContentType = (semicolon < 0 ? fullType : fullType.left(semicolon)).trimmed().toLower();
    part.Charset = ParameterValue(fullType, "charset");

    // The content runs to the line break before the next boundary line.
    const qsizetype firstContent = index + 1 < starts.size() ? starts.at(index + 1) : body.size();
    qsizetype contentEnd = -1;
    for (qsizetype i = index + 1; i < lines.size(); ++i) {
        if (lines.at(i).startsWith(boundary)) {
            contentEnd = starts.at(i);
            break;
        }
    }
    if (contentEnd < 0)
        return fail("MIME part is not closed by a boundary line");
    QByteArray content = body.mid(firstContent, contentEnd - firstContent);
    if (content.endsWith("\r\n"))
        content.chop(2);
    else if (content.endsWith('\n'))
        content.chop(1);

    if (part.TransferEncoding == "quoted-printable")
        part.Content = DecodeQuotedPrintable(content);
    else if (part.TransferEncoding == "base64")
        part.Content = QByteArray::fromBase64(content);
    else if (part.TransferEncoding.isEmpty() || part.TransferEncoding == "7bit" || part.TransferEncoding == "8bit"
             || part.TransferEncoding == "binary")
        part.Content = content;
    else
        return fail("unknown Content-Transfer-Encoding of the MIME part");
    return true;
}

QString MimePartText(const TMimePart& part)
{
    if (part.Charset == "utf-8")
        return QString::fromUtf8(part.Content);
    return QString::fromLatin1(part.Content);
}
