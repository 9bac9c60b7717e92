#include "source/csvdata.h"

#include "core/TextDecoder.h"

namespace
{
// A cell is kept as a range of the input line while it is one unbroken run of
// characters (the common case); only cells that span lines or drop quote
// characters are copied, into the row's scratch text.
struct TCellRef
{
    const QChar* Begin = nullptr; // in the input when not in scratch
    qsizetype Offset = 0;         // in scratch when InScratch
    qsizetype Length = 0;
    bool InScratch = false;
};

class TWalker
{
public:
    TWalker(QChar delim, QChar quote, const TRowSink& rowEnd)
        : Delim(delim.unicode()), Quote(quote.unicode()), HasQuote(quote.unicode() != 0), RowEnd(rowEnd)
    {
        Cells.reserve(32);
        Views.reserve(32);
    }

    void Feed(const QChar* data, qsizetype size)
    {
        qsizetype i = 0;
        while (i < size) {
            const char16_t c = data[i].unicode();
            if (HasQuote && c == Quote) {
                InQuote = !InQuote;
                if (InQuote && Previous == Quote)
                    Append(data + i, 1);
                Previous = c;
                ++i;
                continue;
            }
            if (!InQuote && c == Delim) {
                EndCell();
                Previous = c;
                ++i;
                continue;
            }
            if (!InQuote && (c == u'\r' || c == u'\n')) {
                if (c == u'\n' && Previous == u'\r')
                    EndRow();
                Previous = c;
                ++i;
                continue;
            }
            // A run of characters that no rule stops goes in at once.
            qsizetype j = i + 1;
            if (InQuote) {
                while (j < size && !(HasQuote && data[j].unicode() == Quote))
                    ++j;
            } else {
                while (j < size) {
                    const char16_t d = data[j].unicode();
                    if (d == Delim || d == u'\r' || d == u'\n' || (HasQuote && d == Quote))
                        break;
                    ++j;
                }
            }
            Append(data + i, j - i);
            Previous = data[j - 1].unicode();
            i = j;
        }
    }

    int Widest() const { return WidestColumn; }

private:
    void Append(const QChar* begin, qsizetype length)
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
            const qsizetype offset = Scratch.size();
            Scratch.append(Current.Begin, Current.Length);
            Current.Offset = offset;
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

    void EndRow()
    {
        EndCell();
        const int column = int(Cells.size()) - 1;
        if (column > WidestColumn)
            WidestColumn = column;
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

    const char16_t Delim;
    const char16_t Quote;
    const bool HasQuote;
    const TRowSink& RowEnd;
    bool InQuote = false;
    char16_t Previous = 0;
    int WidestColumn = 0;
    TCellRef Current;
    std::vector<TCellRef> Cells;
    std::vector<QStringView> Views;
    QString Scratch;
};

const QChar kLineEnd[2] = {QChar(u'\r'), QChar(u'\n')};
} // namespace

int WalkDelimitedLines(std::span<const QStringView> lines, QChar delim, QChar quote, const TRowSink& rowEnd)
{
    TWalker walker(delim, quote, rowEnd);
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
