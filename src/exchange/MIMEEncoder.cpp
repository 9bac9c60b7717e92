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
    // One body per record of an import: built in one buffer, without temporaries.
    QList<QByteArray> contents;
    contents.reserve(Parts.size());
    qsizetype size = 0;
    for (const TPart& part : Parts) {
        if (HasLineBreak(part.ContentType) || HasLineBreak(part.ContentTypeAttr))
            throw EMIMEError(QStringLiteral("A part header cannot hold a line break."));
        contents.append(ToLatin1Bytes(part.Content));
        size += contents.last().size() + part.ContentType.size() + part.ContentTypeAttr.size() + 96;
    }
    // The boundary must not occur in any content; almost always the first one is free.
    QByteArray boundary = QByteArrayLiteral("=_QImportPart_0001");
    UsedBoundary = QStringLiteral("=_QImportPart_0001");
    const auto clashes = [&contents](QByteArrayView needle) {
        for (const QByteArray& content : contents)
            if (content.contains(needle))
                return true;
        return false;
    };
    if (clashes("--=_QImportPart_")) {
        for (int n = 1;; ++n) {
            boundary = "=_QImportPart_" + QByteArray::number(n).rightJustified(4, '0');
            if (!clashes("--" + boundary))
                break;
        }
        UsedBoundary = QString::fromLatin1(boundary);
    }
    const QByteArrayView mark(boundary);
    QByteArray& out = Encoded;
    out.reserve(size + (Parts.size() + 1) * (boundary.size() + 8));
    for (int i = 0; i < Parts.size(); ++i) {
        const TPart& part = Parts[i];
        out += "--";
        out += mark;
        out += "\r\nContent-Type: ";
        if (part.ContentType.isEmpty())
            out += "text/plain";
        else
            out += ToLatin1Bytes(part.ContentType);
        if (!part.ContentTypeAttr.isEmpty()) {
            out += "; ";
            out += ToLatin1Bytes(part.ContentTypeAttr);
        }
        out += "\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
        out += contents[i];
        out += "\r\n";
    }
    out += "--";
    out += mark;
    out += "--\r\n";
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
