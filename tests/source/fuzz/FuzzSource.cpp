// libFuzzer target: the table parser and the source file loader must never
// crash or hang, every table row must be as wide as the widest, and the loader's
// rows must be exactly the parser's rows rebuilt.
#include "core/TextDecoder.h"
#include "source/SourceFile.h"
#include "source/csvdata.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace
{
void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "fuzz check failed: %s\n", what);
        abort();
    }
}

bool Blank(const QString& line)
{
    for (const QChar c : line)
        if (c.unicode() > u' ')
            return false;
    return true;
}

QTemporaryDir* Dir = nullptr;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!Dir)
        Dir = new QTemporaryDir();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = SplitTextLines(DecodeText(bytes));

    // The parser alone, with both settings the loader uses and with an odd one.
    const QChar settings[3][2] = {{u',', u'"'}, {u'\t', QChar(0)}, {u'"', u'"'}};
    for (const auto& setting : settings) {
        TTextParser parser;
        parser.SetDelim(setting[0]);
        parser.SetQuote(setting[1]);
        parser.Push_TStringList_Into_Array(lines);
        Check(parser.Rows() <= lines.size(), "more rows than lines");
        for (int r = 0; r < parser.Rows(); ++r)
            for (int c = 0; c < parser.Cols(); ++c)
                (void)parser.Cell(r, c).size();
    }

    // The loader, through a real file.
    const QString path = Dir->filePath(QStringLiteral("input.txt"));
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write input");
    file.write(bytes);
    file.close();
    QStringList sourceLines;
    QChar delimiter;
    TRunLog log;
    QString error;
    const bool invalid = ReadSourceTable(path, sourceLines, delimiter, log, &error);
    Check(error.isEmpty(), "readable file reported unreadable");

    // The file read in small blocks, whose edges fall anywhere, gives the same.
    QStringList blockLines;
    QChar blockDelimiter;
    TRunLog blockLog;
    const qsizetype blockBytes = 1 + (size > 0 ? data[size - 1] % 17 : 0);
    const bool blockInvalid = ReadSourceTable(path, blockLines, blockDelimiter, blockLog, &error, blockBytes);
    Check(error.isEmpty(), "readable file reported unreadable in small blocks");
    Check(blockInvalid == invalid && blockLines == sourceLines && blockLog.AllLines() == log.AllLines(),
          "small blocks change the result");
    Check(invalid || blockDelimiter == delimiter, "small blocks change the delimiter");
    if (invalid) {
        Check(sourceLines == lines, "invalid file must keep its raw lines");
        return 0;
    }

    TTextParser parser;
    parser.SetDelim(delimiter);
    parser.SetQuote(delimiter == QLatin1Char(',') ? QChar(u'"') : QChar(0));
    parser.Push_TStringList_Into_Array(lines);
    QStringList expected;
    for (int r = 0; r < parser.Rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < parser.Cols(); ++c)
            cells.append(parser.Cell(r, c).replace(QLatin1String("\r\n"), QLatin1String("[br]")));
        const QString line = cells.join(QLatin1Char('\t'));
        if (!Blank(line))
            expected.append(line);
    }
    Check(sourceLines == expected, "loader rows differ from the parser's table");
    for (const QString& line : sourceLines) {
        Check(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')), "line break in a row");
        if (delimiter == QLatin1Char('\t'))
            Check(line.count(QLatin1Char('\t')) == parser.Cols() - 1, "tab row narrower than the widest");
    }
    return 0;
}
