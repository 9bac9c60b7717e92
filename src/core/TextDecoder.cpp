#include "core/TextDecoder.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace
{
// Code points of bytes 0x80..0x9F in Windows-1252; 0 marks the five unused bytes,
// which decode to the C1 control of the same value as Latin-1 would.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool IsValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    return !decoder.hasError();
}
} // namespace

QChar* DecodeWindows1252(QByteArrayView bytes, QChar* out)
{
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        char16_t u = b;
        if (b >= 0x80 && b <= 0x9F && kHigh1252[b - 0x80] != 0)
            u = kHigh1252[b - 0x80];
        *out++ = QChar(u);
    }
    return out;
}

QString DecodeWindows1252(const QByteArray& bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    DecodeWindows1252(QByteArrayView(bytes), out.data());
    return out;
}

QByteArray EncodeWindows1252(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (kHigh1252[i] == u) {
                mapped = char(0x80 + i);
                break;
            }
        }
        out.append(mapped);
    }
    return out;
}

QString ToSingleByteText(const QString& text)
{
    return DecodeWindows1252(EncodeWindows1252(text));
}

QString DecodeText(const QByteArray& bytes, TextEncoding* found)
{
    TextEncoding encoding = TextEncoding::Ansi;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = TextEncoding::Utf8Bom;
        text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    } else if (bytes.startsWith("\xFF\xFE")) {
        encoding = TextEncoding::Utf16LE;
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        text = decoder.decode(QByteArrayView(bytes).sliced(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = TextEncoding::Utf16BE;
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        text = decoder.decode(QByteArrayView(bytes).sliced(2));
    } else {
        // One decoding pass: a large file is not decoded twice just to learn
        // whether it is UTF-8.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = decoder.decode(bytes);
        if (decoder.hasError()) {
            text = QString();
            text = DecodeWindows1252(bytes);
        }
    }
    if (found)
        *found = encoding;
    return text;
}

QStringList SplitTextLines(const QString& text)
{
    QStringList lines;
    const qsizetype nul = text.indexOf(QChar(0));
    const qsizetype end = nul < 0 ? text.size() : nul;
    const QChar* data = text.constData();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < end) {
        const char16_t u = data[i].unicode();
        if (u == '\r' || u == '\n') {
            lines.append(QString(data + start, i - start));
            if (u == '\r' && i + 1 < end && data[i + 1].unicode() == '\n')
                ++i;
            ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < end)
        lines.append(QString(data + start, end - start));
    return lines;
}

bool ReadTextFileLines(const QString& path, QStringList& lines, TextEncoding* found, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    lines = SplitTextLines(DecodeText(bytes, found));
    return true;
}

QByteArray EncodeText(const QString& text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Utf16LE: {
        QStringEncoder encoder(QStringEncoder::Utf16LE);
        return QByteArray("\xFF\xFE") + QByteArray(encoder.encode(text));
    }
    case TextEncoding::Utf16BE: {
        QStringEncoder encoder(QStringEncoder::Utf16BE);
        return QByteArray("\xFE\xFF") + QByteArray(encoder.encode(text));
    }
    case TextEncoding::Ansi:
        break;
    }
    const QByteArray single = EncodeWindows1252(text);
    if (DecodeWindows1252(single) == text && !IsValidUtf8(single))
        return single;
    // Either pure ASCII (identical in both) or beyond the code page: UTF-8 keeps
    // every character, and reads back the same way.
    return text.toUtf8();
}
