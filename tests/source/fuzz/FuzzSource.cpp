// libFuzzer target: the table parser and the source file loader must never
// crash or hang, every table row must be as wide as the widest, the loader's
// rows must be exactly the parser's rows rebuilt whatever the block size, and
// a file without delimiters keeps only its first raw lines while its figures
// count all of them. Run under a memory limit, it also catches a load whose
// memory is out of proportion to the input.
#include "FuzzSupport.h"
#include "core/TextDecoder.h"
#include "source/SourceFile.h"
#include "source/csvdata.h"

#include <QFile>
#include <QTemporaryDir>

namespace
{
bool Blank(const QString& line)
{
    for (const QChar c : line)
        if (c.unicode() > u' ')
            return false;
    return true;
}

QTemporaryDir* Dir = nullptr;

struct TLoad
{
    bool Invalid = false;
    QChar Delimiter;
    QStringList Lines;
    QStringList Log;
    TSourceFigures Figures;
};

TLoad Load(const QString& path, qsizetype blockBytes, qsizetype rawChars)
{
    TLoad load;
    TRunLog log;
    QString error;
    load.Invalid =
        ReadSourceTable(path, load.Lines, load.Delimiter, log, &error, blockBytes, &load.Figures, rawChars);
    load.Log = log.AllLines();
    Check(error.isEmpty(), "readable file reported unreadable");
    return load;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!Dir)
        Dir = new QTemporaryDir();
    const QByteArray bytes = BytesOf(data, size);
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

    // The loader, through a real file: in one block, in blocks a little larger
    // than a line, and in tiny blocks whose edges fall anywhere.
    const QString path = Dir->filePath(QStringLiteral("input.txt"));
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write input");
    file.write(bytes);
    file.close();
    // The raw lines an invalid file keeps are cut far sooner than in use, so
    // that inputs of fuzzing size reach the cut.
    const qsizetype rawChars = size > 0 ? qsizetype(data[0]) * 8 : 0;
    const TLoad load = Load(path, qsizetype(size) + 1, rawChars);
    const qsizetype tiny = 1 + (size > 0 ? data[size - 1] % 17 : 0);
    for (const qsizetype blockBytes : {qsizetype(64), tiny}) {
        const TLoad other = Load(path, blockBytes, rawChars);
        Check(other.Invalid == load.Invalid && other.Lines == load.Lines && other.Log == load.Log,
              "the block size changes the result");
        Check(load.Invalid || other.Delimiter == load.Delimiter, "the block size changes the delimiter");
        Check(other.Figures.Size == load.Figures.Size && other.Figures.Count == load.Figures.Count,
              "the block size changes the figures");
    }

    if (load.Invalid) {
        qsizetype rawSize = 0;
        qsizetype kept = 0;
        bool keeping = true;
        for (const QString& line : lines) {
            rawSize += line.size() + 2;
            keeping = keeping && rawSize <= rawChars;
            kept += keeping ? 1 : 0;
        }
        Check(load.Lines == lines.mid(0, kept), "an invalid file keeps its first raw lines");
        Check(load.Figures.Size == rawSize && load.Figures.Count == lines.size(), "figures of an invalid file");
        return 0;
    }

    TTextParser parser;
    parser.SetDelim(load.Delimiter);
    parser.SetQuote(load.Delimiter == QLatin1Char(',') ? QChar(u'"') : QChar(0));
    parser.Push_TStringList_Into_Array(lines);
    QStringList expected;
    qsizetype expectedSize = 0;
    for (int r = 0; r < parser.Rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < parser.Cols(); ++c)
            cells.append(parser.Cell(r, c).replace(QLatin1String("\r\n"), QLatin1String("[br]")));
        const QString line = cells.join(QLatin1Char('\t'));
        if (!Blank(line)) {
            expected.append(line);
            expectedSize += line.size() + 2;
        }
    }
    Check(load.Lines == expected, "loader rows differ from the parser's table");
    Check(load.Figures.Size == expectedSize && load.Figures.Count == expected.size(), "figures of the rows");
    for (const QString& line : load.Lines) {
        Check(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')), "line break in a row");
        if (load.Delimiter == QLatin1Char('\t'))
            Check(line.count(QLatin1Char('\t')) == parser.Cols() - 1, "tab row narrower than the widest");
    }
    return 0;
}
