#include "SandboxHttp.h"

QByteArray THttpRequest::Header(const QByteArray& name) const
{
    const QByteArray wanted = name.toLower();
    for (const auto& header : Headers) {
        if (header.first.toLower() == wanted)
            return header.second;
    }
    return {};
}

QByteArray THttpRequest::Path() const
{
    const qsizetype mark = Target.indexOf('?');
    return mark < 0 ? Target : Target.left(mark);
}

QByteArray THttpRequest::Query() const
{
    const qsizetype mark = Target.indexOf('?');
    return mark < 0 ? QByteArray() : Target.mid(mark + 1);
}

bool THttpRequest::KeepAlive() const
{
    const QByteArray connection = Header("Connection").toLower();
    if (Version == "HTTP/1.0")
        return connection.contains("keep-alive");
    return !connection.contains("close");
}

namespace {

// Decodes a chunked body starting at from; returns the bytes consumed, 0 when
// incomplete, -1 when malformed.
qsizetype ReadChunkedBody(const QByteArray& buffer, qsizetype from, QByteArray& body, QString* error)
{
    qsizetype pos = from;
    body.clear();
    for (;;) {
        const qsizetype lineEnd = buffer.indexOf("\r\n", pos);
        if (lineEnd < 0)
            return buffer.size() - pos > 1024 ? -1 : 0;
        QByteArray sizeText = buffer.mid(pos, lineEnd - pos);
        const qsizetype extension = sizeText.indexOf(';');
        if (extension >= 0)
            sizeText.truncate(extension);
        bool ok = false;
        const qlonglong size = sizeText.trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || body.size() + size > THttpRequestReader::MaxBodyBytes) {
            if (error)
                *error = QStringLiteral("bad chunk size");
            return -1;
        }
        pos = lineEnd + 2;
        if (size == 0) {
            // Trailer lines end with an empty line.
            for (;;) {
                const qsizetype end = buffer.indexOf("\r\n", pos);
                if (end < 0)
                    return 0;
                const bool last = end == pos;
                pos = end + 2;
                if (last)
                    return pos - from;
            }
        }
        if (buffer.size() < pos + size + 2)
            return 0;
        body += buffer.mid(pos, size);
        if (buffer.mid(pos + size, 2) != "\r\n") {
            if (error)
                *error = QStringLiteral("chunk not followed by CRLF");
            return -1;
        }
        pos += size + 2;
    }
}

} // namespace

THttpRequestReader::TResult THttpRequestReader::Next(THttpRequest& request, QString* error)
{
    auto bad = [error](const QString& reason) {
        if (error)
            *error = reason;
        return Bad;
    };
    const qsizetype headerEnd = FBuffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return FBuffer.size() > MaxHeaderBytes ? bad(QStringLiteral("request header too large")) : NeedMore;

    request = THttpRequest();
    const QList<QByteArray> lines = FBuffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1."))
        return bad(QStringLiteral("malformed request line"));
    request.Method = requestLine.at(0);
    request.Target = requestLine.at(1);
    request.Version = requestLine.at(2);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return bad(QStringLiteral("malformed header line"));
        request.Headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }

    const qsizetype bodyStart = headerEnd + 4;
    if (request.Header("Transfer-Encoding").toLower().contains("chunked")) {
        const qsizetype used = ReadChunkedBody(FBuffer, bodyStart, request.Body, error);
        if (used < 0)
            return Bad;
        if (used == 0)
            return NeedMore;
        FBuffer.remove(0, bodyStart + used);
        return Complete;
    }
    qlonglong length = 0;
    const QByteArray lengthText = request.Header("Content-Length");
    if (!lengthText.isEmpty()) {
        bool ok = false;
        length = lengthText.toLongLong(&ok);
        if (!ok || length < 0)
            return bad(QStringLiteral("bad Content-Length"));
        if (length > MaxBodyBytes)
            return bad(QStringLiteral("request body too large"));
    }
    if (FBuffer.size() < bodyStart + length)
        return NeedMore;
    request.Body = FBuffer.mid(bodyStart, length);
    FBuffer.remove(0, bodyStart + length);
    return Complete;
}

QByteArray HttpReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Payload Too Large";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

QByteArray FormatHttpResponse(int status, const QByteArray& body, bool keepAlive)
{
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + HttpReasonPhrase(status) + "\r\n";
    response += "Content-Type: text/plain; charset=ISO-8859-1\r\n";
    response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    response += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    response += "\r\n";
    response += body;
    return response;
}
