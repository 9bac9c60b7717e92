#include "source/csvdata.h"

#include "core/TextDecoder.h"
#include "source/DelimitedWalker.h"

#include <vector>

namespace
{
const QChar kLineEnd[2] = {QChar(u'\r'), QChar(u'\n')};

// Gathers each row's cells for a TRowSink. The lines stay in memory for the
// whole walk, so a cell is kept as a range of them while it is one unbroken run
// of characters (the common case); only cells that span lines or drop quote
// characters are copied, into the row's scratch text. The cell in progress is
// always the last thing in the scratch text, so it grows there in place.
class TRowCollector
{
public:
    explicit TRowCollector(const TRowSink& rowEnd) : RowEnd(rowEnd)
    {
        Cells.reserve(32);
        Views.reserve(32);
    }

    void Text(const QChar* begin, qsizetype length)
    {
        if (Current.Length == 0 && !Current.InScratch) {
            Current.Begin = begin;
            Current.Length = length;
            return;
        }
        if (!Current.InScratch && Current.Begin + Current.Length == begin) {
            Current.Length += length;
            return;
        }
        if (!Current.InScratch) {
            Current.Offset = Scratch.size();
            Scratch.append(Current.Begin, Current.Length);
            Current.InScratch = true;
        }
        Scratch.append(begin, length);
        Current.Length += length;
    }

    void EndCell()
    {
        Cells.push_back(Current);
        Current = TCellRef();
    }

    void EndRow(int)
    {
        EndCell();
        Views.clear();
        for (const TCellRef& cell : Cells) {
            if (cell.InScratch)
                Views.emplace_back(Scratch.constData() + cell.Offset, cell.Length);
            else
                Views.emplace_back(cell.Begin, cell.Length);
        }
        RowEnd(std::span<const QStringView>(Views.data(), Views.size()));
        Cells.clear();
        Scratch.resize(0);
    }

private:
    struct TCellRef
    {
        const QChar* Begin = nullptr; // in the lines when not in scratch
        qsizetype Offset = 0;         // in scratch when InScratch
        qsizetype Length = 0;
        bool InScratch = false;
    };

    const TRowSink& RowEnd;
    TCellRef Current;
    std::vector<TCellRef> Cells;
    std::vector<QStringView> Views;
    QString Scratch;
};
} // namespace

int WalkDelimitedLines(std::span<const QStringView> lines, QChar delim, QChar quote, const TRowSink& rowEnd)
{
    TRowCollector collector(rowEnd);
    TDelimitedWalker walker(delim, quote, collector);
    for (const QStringView line : lines) {
        walker.Feed(line.data(), line.size());
        walker.Feed(kLineEnd, 2);
    }
    return walker.Widest();
}

TTextParser::~TTextParser() = default;

void TTextParser::Push_TStringList_Into_Array(const QStringList& data)
{
    std::vector<QStringView> lines;
    lines.reserve(size_t(data.size()));
    for (const QString& line : data)
        lines.emplace_back(line);

    std::vector<std::vector<QString>> table;
    table.reserve(lines.size());
    const int widest = WalkDelimitedLines(lines, FDelim, FQuote, [&table](std::span<const QStringView> cells) {
        std::vector<QString>& row = table.emplace_back();
        row.reserve(cells.size());
        for (const QStringView cell : cells)
            row.emplace_back(cell.toString());
    });
    for (std::vector<QString>& row : table)
        row.resize(size_t(widest) + 1);
    FData = std::move(table);
}

bool TTextParser::LoadFromFile(const QString& fileName, QString* error)
{
    QStringList lines;
    if (!ReadTextFileLines(fileName, lines, nullptr, error))
        return false;
    Push_TStringList_Into_Array(lines);
    return true;
}
