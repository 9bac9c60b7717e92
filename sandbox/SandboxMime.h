#pragma once

#include <QByteArray>
#include <QString>

// The one text part of a MIME body as the client posts it: boundary lines, the
// part's headers, its content. The message-level headers are not sent, so the
// boundary is read from the first "--" line.
struct TMimePart
{
    QByteArray ContentType;      // lower case, without parameters ("text/plain")
    QByteArray Charset;          // lower case, quotes removed ("iso-8859-1")
    QByteArray TransferEncoding; // lower case; empty means 7bit
    QByteArray Content;          // after undoing the transfer encoding
};

// Returns false with a reason when the body is not a MIME body with a part.
bool ExtractFirstMimePart(const QByteArray& body, TMimePart& part, QString* error = nullptr);

// The part's content as text: ISO-8859-1 unless the part says UTF-8.
QString MimePartText(const TMimePart& part);
