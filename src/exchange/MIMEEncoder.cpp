#include "exchange/MIMEEncoder.h"

void TMIMEEncoder::ResetData()
{
    Parts.clear();
    Encoded.clear();
    UsedBoundary.clear();
}

void TMIMEEncoder::SetPartCount(int count)
{
    if (count < 0)
        throw EMIMEError(QStringLiteral("The part count cannot be negative."));
    Parts.resize(count);
}

TMIMEEncoder::TPart& TMIMEEncoder::Part(int index)
{
    if (index < 0 || index >= Parts.size())
        throw EMIMEError(QStringLiteral("Part index %1 is out of range.").arg(index));
    return Parts[index];
}

void TMIMEEncoder::SetPartDecodedString(int index, const QString& text)
{
    Part(index).Content = text;
}

void TMIMEEncoder::SetPartContentType(int index, const QString& type)
{
    Part(index).ContentType = type;
}

void TMIMEEncoder::SetPartContentTypeAttr(int index, const QString& attribute)
{
    Part(index).ContentTypeAttr = attribute;
}

QByteArray ToLatin1Bytes(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = p + text.size();
    for (; p < end; ++p) {
        if (*p <= 0xFF) {
            *out++ = char(*p);
            continue;
        }
        // One '?' per character: a surrogate pair is one character.
        *out++ = '?';
        if (QChar::isHighSurrogate(*p) && p + 1 < end && QChar::isLowSurrogate(p[1]))
            ++p;
    }
    bytes.truncate(out - bytes.data());
    return bytes;
}

namespace {

bool HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

} // namespace

void TMIMEEncoder::EncodeToString()
{
    Encoded.clear();
    if (Parts.isEmpty())
        throw EMIMEError(QStringLiteral("There are no parts to encode."));
    QList<QByteArray> contents;
    for (const TPart& part : Parts) {
        if (HasLineBreak(part.ContentType) || HasLineBreak(part.ContentTypeAttr))
            throw EMIMEError(QStringLiteral("A part header cannot hold a line break."));
        contents.append(ToLatin1Bytes(part.Content));
    }
    // The boundary must not occur in any content.
    QByteArray boundary;
    for (int n = 1;; ++n) {
        boundary = "=_QImportPart_" + QByteArray::number(n).rightJustified(4, '0');
        bool clash = false;
        for (const QByteArray& content : contents)
            clash = clash || content.contains("--" + boundary);
        if (!clash)
            break;
    }
    QByteArray out;
    for (int i = 0; i < Parts.size(); ++i) {
        const TPart& part = Parts[i];
        out += "--" + boundary + "\r\n";
        QByteArray type = part.ContentType.isEmpty() ? QByteArray("text/plain") : ToLatin1Bytes(part.ContentType);
        if (!part.ContentTypeAttr.isEmpty())
            type += "; " + ToLatin1Bytes(part.ContentTypeAttr);
        out += "Content-Type: " + type + "\r\n";
        out += "Content-Transfer-Encoding: 8bit\r\n\r\n";
        out += contents[i];
        out += "\r\n";
    }
    out += "--" + boundary + "--\r\n";
    Encoded = out;
    UsedBoundary = QString::fromLatin1(boundary);
}

QString DecodeSinglePartBody(const QByteArray& body, bool* ok)
{
    if (ok)
        *ok = false;
    if (!body.startsWith("--"))
        return QString();
    const qsizetype firstEnd = body.indexOf("\r\n");
    if (firstEnd < 3)
        return QString();
    const QByteArray boundary = body.mid(2, firstEnd - 2);
    const qsizetype headersEnd = body.indexOf("\r\n\r\n", firstEnd);
    if (headersEnd < 0)
        return QString();
    const qsizetype contentStart = headersEnd + 4;
    const qsizetype contentEnd = body.indexOf("\r\n--" + boundary, contentStart);
    if (contentEnd < 0)
        return QString();
    if (ok)
        *ok = true;
    return QString::fromLatin1(body.mid(contentStart, contentEnd - contentStart));
}
