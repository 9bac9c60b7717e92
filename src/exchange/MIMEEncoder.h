#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <exception>

class EMIMEError : public std::exception
{
public:
    explicit EMIMEError(const QString& message)
        : Text(message)
        , Utf8(message.toUtf8())
    {
    }
    const char* what() const noexcept override { return Utf8.constData(); }
    QString Message() const { return Text; }

private:
    QString Text;
    QByteArray Utf8;
};

// Builds a multipart body: each part's content as ISO-8859-1 bytes (characters
// beyond it become "?"), sent as is (8bit), between boundary lines.
class TMIMEEncoder
{
public:
    void ResetData();
    void SetPartCount(int count);
    int PartCount() const { return int(Parts.size()); }
    void SetPartDecodedString(int index, const QString& text);
    void SetPartContentType(int index, const QString& type);
    void SetPartContentTypeAttr(int index, const QString& attribute);
    // Throws EMIMEError when there is nothing to encode or a header would break the framing.
    void EncodeToString();
    // The encoded body only: boundary lines, part headers and contents.
    QByteArray Message() const { return Encoded; }
    QString Boundary() const { return UsedBoundary; }

private:
    struct TPart
    {
        QString Content;
        QString ContentType;
        QString ContentTypeAttr;
    };
    TPart& Part(int index);

    QList<TPart> Parts;
    QByteArray Encoded;
    QString UsedBoundary;
};

// Text as ISO-8859-1 bytes, one "?" for each character it cannot hold.
QByteArray ToLatin1Bytes(const QString& text);

// Reads back the content of the first part of a body made by TMIMEEncoder
// (or any body framed the same way). ok is false when the framing is broken.
QString DecodeSinglePartBody(const QByteArray& body, bool* ok = nullptr);
