#include "mapping/FieldCatalogue.h"

#include "core/Conversions.h"
#include "core/TextDecoder.h"
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

void ParseCatalogueLine(const QString& line, int index, TCatalogue& catalogue)
{
    if (index < 0 || index >= FirstIgnoredLine)
        return;
    CatalogueEntry& entry = catalogue.Entries[size_t(index)];
    QString column;
    int tabs = 0;
    for (const QChar c : line) {
        if (c != QLatin1Char('\t')) {
            column.append(c);
            continue;
        }
        ++tabs;
        if (tabs == 1) {
            entry.TabNo = quint16(StrToIntOrZero(column));
        } else if (tabs == 2) {
            entry.FieldNo = quint16(StrToIntOrZero(column));
        } else if (tabs == 3) {
            entry.ItemNo = StrToIntOrZero(column);
        } else {
            catalogue.TabNames.Append(TabNameOf(entry.TabNo, entry.FieldNo), index);
            catalogue.BoxNames.Append(BoxNameOf(entry.TabNo, entry.FieldNo), index);
            catalogue.FieldNames.Append(column, index);
        }
        column.clear();
    }
    if (!column.isEmpty())
        entry.FieldType = quint16(StrToIntOrZero(column));
    catalogue.Unnamed[size_t(index)] = tabs < 4;
}

void LoadFieldCatalogue(const QString& text, TCatalogue& catalogue)
{
    catalogue.FieldNames.Clear();
    const QStringList lines = SplitTextLines(text);
    const int count = int(qMin<qsizetype>(lines.size(), FirstIgnoredLine));
    for (int i = 0; i < count; ++i) {
        if (lines.at(i).contains(QLatin1Char('\t')))
            ParseCatalogueLine(lines.at(i), i, catalogue);
    }
    for (int i = 0; i < CatalogueSize; ++i) {
        if (!catalogue.IsInUse(i))
            continue;
        const std::optional<QString> tabName = catalogue.TabNames.NameOf(i);
        if (tabName && !catalogue.TabList.contains(*tabName, Qt::CaseInsensitive))
            catalogue.TabList.append(*tabName);
    }
}
