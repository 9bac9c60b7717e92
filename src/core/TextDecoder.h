#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How a text file was stored; a file read with a byte-order mark is written
// back with the same mark.
enum class TextEncoding
{
    Ansi,    // no mark: UTF-8 when the bytes are valid UTF-8, otherwise Windows-1252
    Utf8Bom, // EF BB BF
    Utf16LE, // FF FE
    Utf16BE, // FE FF
};

// Decodes a whole file's bytes. The mark, when there is one, is not part of
// the result.
QString DecodeText(const QByteArray& bytes, TextEncoding* found = nullptr);

// Windows-1252, the single-byte code page that spreadsheet programs write.
QString DecodeWindows1252(const QByteArray& bytes);
// The same into a caller's buffer of bytes.size() characters; returns the end.
QChar* DecodeWindows1252(QByteArrayView bytes, QChar* out);
// Characters the code page cannot hold become '?'.
QByteArray EncodeWindows1252(const QString& text);
// Text limited to what the single-byte code page holds ('?' for the rest).
QString ToSingleByteText(const QString& text);

// Splits text into lines: a line ends at CR LF, a lone LF or a lone CR; a NUL
// ends the text; a break at the very end gives no empty last line.
QStringList SplitTextLines(const QString& text);

// Reads a text file into lines (DecodeText + SplitTextLines). On failure returns
// false and leaves lines alone; error gets the reason.
bool ReadTextFileLines(const QString& path, QStringList& lines, TextEncoding* found = nullptr,
                       QString* error = nullptr);

// Encodes text for writing in the given encoding, mark included. Ansi writes
// UTF-8 when the text needs more than the single-byte code page, else Windows-1252.
QByteArray EncodeText(const QString& text, TextEncoding encoding);
