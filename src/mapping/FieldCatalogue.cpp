#include "mapping/FieldCatalogue.h"

#include "core/Conversions.h"
#include "mapping/FieldNames.h"

namespace
{
// Lines from this number on never enter the catalogue (index 256 stays zero).
constexpr int FirstIgnoredLine = 256;
} // namespace

void TCatalogue::ClearEntries()
{
    Entries = TFieldCatalogue{};
    Unnamed = {};
}

void TCatalogue::Clear()
{
    ClearEntries();
    TabNames.Clear();
    BoxNames.Clear();
    FieldNames.Clear();
    TabList.clear();
}

bool TCatalogue::IsInUse(int index) const
{
    if (index < 0 || index >= CatalogueSize)
        return false;
    return Entries[size_t(index)].TabNo != 0 && !Unnamed[size_t(index)];
}

namespace
{
// One pass over the line, no copy per column: the first three columns are read
// in place, the name columns are kept as they stand in the line, tabs and all.
void ParseLine(QStringView line, int index, TCatalogue& catalogue)
{
    if (index < 0 || index >= FirstIgnoredLine)
        return;
    CatalogueEntry& entry = catalogue.Entries[size_t(index)];
    qsizetype tabs = 0;
    qsizetype columnStart = 0;
    qsizetype namesStart = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != QLatin1Char('\t'))
            continue;
        ++tabs;
        const QStringView column = line.sliced(columnStart, i - columnStart);
        if (tabs == 1)
            entry.TabNo = quint16(StrToIntOrZero(column));
        else if (tabs == 2)
            entry.FieldNo = quint16(StrToIntOrZero(column));
        else if (tabs == 3)
            entry.ItemNo = StrToIntOrZero(column);
        if (tabs == 3)
            namesStart = i + 1;
        columnStart = i + 1;
    }
    // Every tab from the fourth on ends one name column.
    if (tabs >= 4) {
        const qsizetype names = tabs - 3;
        catalogue.TabNames.AppendRepeated(TabNameOf(entry.TabNo, entry.FieldNo), index, names);
        catalogue.BoxNames.AppendRepeated(BoxNameOf(entry.TabNo, entry.FieldNo), index, names);
        catalogue.FieldNames.AppendTabSeparated(line.sliced(namesStart, columnStart - 1 - namesStart), index);
    }
    const QStringView last = line.sliced(columnStart);
    if (!last.isEmpty())
        entry.FieldType = quint16(StrToIntOrZero(last));
    catalogue.Unnamed[size_t(index)] = tabs < 4;
}
} // namespace

void ParseCatalogueLine(const QString& line, int index, TCatalogue& catalogue)
{
    ParseLine(line, index, catalogue);
}

void LoadFieldCatalogue(const QString& text, TCatalogue& catalogue)
{
    catalogue.FieldNames.Clear();
    // Lines end at CR LF, a lone LF or a lone CR; a NUL ends the text. Only the
    // lines that can enter the catalogue are looked at.
    const QStringView all(text);
    qsizetype start = 0;
    int number = 0;
    for (qsizetype i = 0; i <= all.size() && number < FirstIgnoredLine; ++i) {
        const char16_t u = i < all.size() ? all[i].unicode() : u'\0';
        if (u != u'\r' && u != u'\n' && u != u'\0')
            continue;
        const QStringView line = all.sliced(start, i - start);
        // Past a NUL or the end, a line only counts when it holds something.
        if (u == u'\0' && line.isEmpty())
            break;
        if (line.contains(QLatin1Char('\t')))
            ParseLine(line, number, catalogue);
        ++number;
        if (u == u'\0')
            break;
        if (u == u'\r' && i + 1 < all.size() && all[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    for (int i = 0; i < CatalogueSize; ++i) {
        if (!catalogue.IsInUse(i))
            continue;
        const std::optional<QString> tabName = catalogue.TabNames.NameOf(i);
        if (tabName && !catalogue.TabList.contains(*tabName, Qt::CaseInsensitive))
            catalogue.TabList.append(*tabName);
    }
}
