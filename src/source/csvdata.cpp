#include "source/csvdata.h"

#include "core/TextDecoder.h"
#include "source/DelimitedWalker.h"

namespace
{
const QChar kLineEnd[2] = {QChar(u'\r'), QChar(u'\n')};
} // namespace

int WalkDelimitedLines(std::span<const QStringView> lines, QChar delim, QChar quote, const TRowSink& rowEnd)
{
    TDelimitedWalker walker(delim, quote, rowEnd);
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
