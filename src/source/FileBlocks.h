#pragma once

// A source file opened and read as text a block at a time, so that neither its
// bytes nor its whole decoded text are ever held.

#include "core/TextDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

#include <algorithm>
#include <cstring>
#include <limits>

// How the file's bytes become text, as DecodeText decides it: a mark selects
// UTF-8 or UTF-16; without one the bytes are UTF-8 when all of them decode as
// UTF-8, and Windows-1252 otherwise.
enum class TByteCode
{
    Utf8OrAnsi,
    Windows1252,
    Utf8,
    Utf16LE,
    Utf16BE
};

inline bool IsUtf16(TByteCode code)
{
    return code == TByteCode::Utf16LE || code == TByteCode::Utf16BE;
}

// Opens only a regular file. A pipe or a device may block the open, may never
// end, and cannot be read twice (the load reads the file twice), so it is
// refused before any byte is read; error then says why.
bool OpenRegularFile(QFile& file, QString& error);

// Where a block of UTF-8 may end: before the lead byte of a last sequence that
// the block holds only part of, so that decoding the blocks one by one gives
// what decoding the whole text gives. More than three continuation bytes in a
// row are an error wherever the block ends, so the cut never moves back further
// than three bytes, and a long run without ASCII costs nothing extra.
qsizetype Utf8Cut(const char* data, qsizetype size);

// Reads a file from an offset in blocks, all into one reused buffer. With
// wholeUtf8 a block never ends inside a UTF-8 sequence (see Utf8Cut); the
// bytes after the cut, at most three, are held back for the next block.
class TBlockReader
{
public:
    TBlockReader(QFile& file, qint64 start, qsizetype blockBytes, bool wholeUtf8, qint64 limit)
        : File(file), BlockBytes(std::max<qsizetype>(blockBytes, 1)), WholeUtf8(wholeUtf8),
          Left(limit < 0 ? std::numeric_limits<qint64>::max() : limit)
    {
        if (!File.seek(start))
            ReadError = true;
    }

    // The next block; empty at the end of the file or of the limit.
    QByteArrayView Next()
    {
        if (Held > 0)
            std::memmove(Buffer.data(), Buffer.constData() + HeldFrom, size_t(Held));
        qsizetype filled = Held;
        Held = 0;
        for (;;) {
            const qint64 want = ReadError ? 0 : std::min<qint64>(BlockBytes, Left);
            if (Buffer.size() < filled + want)
                Buffer.resize(filled + want);
            qint64 got = want > 0 ? File.read(Buffer.data() + filled, want) : 0;
            if (got < 0) {
                ReadError = true;
                got = 0;
            }
            Left -= got;
            filled += got;
            qsizetype cut = filled;
            if (WholeUtf8 && got > 0) {
                cut = Utf8Cut(Buffer.constData(), filled);
                if (cut == 0)
                    continue; // only the start of one sequence yet: read on
            }
            HeldFrom = cut;
            Held = filled - cut;
            return QByteArrayView(Buffer.constData(), cut);
        }
    }

    bool Failed() const { return ReadError; }

private:
    QFile& File;
    const qsizetype BlockBytes;
    const bool WholeUtf8;
    qint64 Left;
    QByteArray Buffer;
    qsizetype HeldFrom = 0;
    qsizetype Held = 0;
    bool ReadError = false;
};

// The file's text in pieces, decoded block by block into one reused buffer.
// byteLimit and charLimit (negative: none) end the text early.
class TTextPieces
{
public:
    TTextPieces(QFile& file, qint64 start, TByteCode code, qsizetype blockBytes, qint64 byteLimit,
                qsizetype charLimit)
        : Code(code), Reader(file, start, blockBytes, code == TByteCode::Utf8OrAnsi || code == TByteCode::Utf8,
                             byteLimit),
          Decoder(DecoderFor(code)), CharsLeft(charLimit)
    {
    }

    // The next piece, valid until the next call; empty at the end.
    QStringView Next()
    {
        for (;;) {
            if (CharsLeft == 0)
                return {};
            const QByteArrayView bytes = Reader.Next();
            if (bytes.isEmpty())
                return {};
            qsizetype size = 0;
            if (Code == TByteCode::Windows1252) {
                Text.resize(bytes.size());
                size = DecodeWindows1252(bytes, Text.data()) - Text.constData();
            } else {
                Text.resize(Decoder.requiredSpace(bytes.size()));
                size = Decoder.appendToBuffer(Text.data(), bytes) - Text.constData();
                if (Decoder.hasError())
                    SawError = true;
            }
            if (CharsLeft > 0) {
                size = std::min(size, CharsLeft);
                CharsLeft -= size;
            }
            if (size > 0)
                return QStringView(Text.constData(), size);
        }
    }

    // Bytes without a mark turned out not to be UTF-8.
    bool NotUtf8() const { return Code == TByteCode::Utf8OrAnsi && SawError; }
    bool Failed() const { return Reader.Failed(); }

private:
    static QStringDecoder DecoderFor(TByteCode code)
    {
        switch (code) {
        case TByteCode::Utf16LE:
            return QStringDecoder(QStringDecoder::Utf16LE); // keeps a unit split between blocks
        case TByteCode::Utf16BE:
            return QStringDecoder(QStringDecoder::Utf16BE);
        default:
            // The marks are skipped before; a block never splits a sequence.
            return QStringDecoder(QStringDecoder::Utf8,
                                  QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        }
    }

    const TByteCode Code;
    TBlockReader Reader;
    QStringDecoder Decoder;
    qsizetype CharsLeft;
    QString Text;
    bool SawError = false;
};
