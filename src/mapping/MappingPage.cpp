#include "mapping/MappingPage.h"

#include "core/Conversions.h"
#include "mapping/ColumnMap.h"
#include "mapping/FieldNames.h"

#include <limits>

QString MandatoryServiceBox()
{
    return QStringLiteral("Mandatory service");
}

TBoxOffer BoxesOffered(const TCatalogue& catalogue, const QString& tabName)
{
    TBoxOffer offer;
    for (int i = 0; i < CatalogueSize; ++i) {
        if (!catalogue.IsInUse(i))
            continue;
        const CatalogueEntry& entry = catalogue.Entries[size_t(i)];
        if (TabNameOf(entry.TabNo, entry.FieldNo) != tabName)
            continue;
        const std::optional<QString> boxName = catalogue.BoxNames.NameOf(i);
        if (!boxName || offer.Boxes.contains(*boxName, Qt::CaseInsensitive))
            continue;
        if (*boxName != MandatoryServiceBox())
            offer.Boxes.append(*boxName);
        offer.ThumbnailChanged = true;
    }
    return offer;
}

QString ThumbnailKey(const QString& tabName)
{
    static const QStringList own{
        QStringLiteral("core"),    QStringLiteral("contacts"), QStringLiteral("history"),
        QStringLiteral("notes"),   QStringLiteral("profile"),  QStringLiteral("service"),
    };
    const QString key = tabName.toLower();
    return own.contains(key) ? key : QStringLiteral("general");
}

bool IsHiddenField(const QString& tabName, const QString& boxName, const QString& fieldName)
{
    const QString field = fieldName.toLower();
    if (boxName.toLower() == QLatin1String("portal access"))
        return field == QLatin1String("login name") || field == QLatin1String("access disabled");
    if (tabName.toLower() == QLatin1String("contacts"))
        return field == QLatin1String("emergency contact kind") ||
               field == QLatin1String("emergency contact spare field");
    return false;
}

TNameList FieldsOffered(const TCatalogue& catalogue, const QString& tabName, const QString& boxName)
{
    TNameList fields;
    for (int i = 0; i < CatalogueSize; ++i) {
        if (!catalogue.IsInUse(i))
            continue;
        const CatalogueEntry& entry = catalogue.Entries[size_t(i)];
        if (TabNameOf(entry.TabNo, entry.FieldNo) != tabName || catalogue.BoxNames.NameOf(i) != boxName)
            continue;
        // The mandatory service Box is never offered, so neither are its fields.
        if (boxName == MandatoryServiceBox())
            continue;
        const std::optional<QString> fieldName = catalogue.FieldNames.NameOf(i);
        if (fieldName && !IsHiddenField(tabName, boxName, *fieldName))
            fields.Append(*fieldName, i);
    }
    return fields;
}

bool IsOfferedField(const TCatalogue& catalogue, int index)
{
    if (!catalogue.IsInUse(index))
        return false;
    const std::optional<QString> tabName = catalogue.TabNames.NameOf(index);
    const std::optional<QString> boxName = catalogue.BoxNames.NameOf(index);
    const std::optional<QString> fieldName = catalogue.FieldNames.NameOf(index);
    return tabName && boxName && fieldName && *boxName != MandatoryServiceBox() &&
           !IsHiddenField(*tabName, *boxName, *fieldName);
}

std::optional<QString> TabNameOfIndex(const TCatalogue& catalogue, int index)
{
    return catalogue.TabNames.NameOf(index);
}

std::optional<QString> BoxNameOfIndex(const TCatalogue& catalogue, int index)
{
    return catalogue.BoxNames.NameOf(index);
}

std::optional<QString> FieldNameOfIndex(const TCatalogue& catalogue, int index)
{
    return catalogue.FieldNames.NameOf(index);
}

int FindListItem(const QStringList& items, const std::optional<QString>& text)
{
    if (!text)
        return -1;
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).compare(*text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int FindListItem(const TNameList& items, const std::optional<QString>& text)
{
    return text ? items.PositionOfText(*text, Qt::CaseInsensitive) : -1;
}

bool DateFormatApplies(const TCatalogue& catalogue, int index)
{
    if (index < 0 || index >= CatalogueSize)
        return false;
    return IsDateType(catalogue.Entries[size_t(index)].FieldType);
}

TShownChoice ShownChoiceOf(const TCatalogue& catalogue, const ColumnMapping& mapping)
{
    TShownChoice shown;
    const int index = mapping.FieldIndex;
    shown.TabItem = FindListItem(catalogue.TabList, TabNameOfIndex(catalogue, index));
    if (shown.TabItem >= 0) {
        const QString tabName = catalogue.TabList.at(shown.TabItem);
        const TBoxOffer offer = BoxesOffered(catalogue, tabName);
        shown.Boxes = offer.Boxes;
        shown.ThumbnailChanged = offer.ThumbnailChanged;
        shown.BoxItem = FindListItem(shown.Boxes, BoxNameOfIndex(catalogue, index));
        if (shown.BoxItem >= 0) {
            shown.Fields = FieldsOffered(catalogue, tabName, shown.Boxes.at(shown.BoxItem));
            shown.FieldItem = FindListItem(shown.Fields, FieldNameOfIndex(catalogue, index));
        }
    }
    shown.DateFormatItem = ShownDateFormat(mapping.DateFormat);
    shown.DateFormatEnabled = shown.FieldItem >= 0 && DateFormatApplies(catalogue, shown.Fields.Index(shown.FieldItem));
    return shown;
}

namespace
{
bool IsEditableColumn(int column)
{
    return column >= 1 && column < ColumnMapSize;
}
} // namespace

void StoreFieldChoice(TColumnMap& map, int column, quint16 fieldIndex)
{
    if (!IsEditableColumn(column))
        return;
    map[size_t(column)].FieldIndex = fieldIndex;
    map[size_t(column)].Skip = 0;
}

void StoreSkipChoice(TColumnMap& map, int column)
{
    if (!IsEditableColumn(column))
        return;
    map[size_t(column)].FieldIndex = 0;
    map[size_t(column)].Skip = 1;
}

void StoreDateFormat(TColumnMap& map, int column, int item)
{
    if (!IsEditableColumn(column) || item < 0 || item >= DateFormatCount)
        return;
    map[size_t(column)].DateFormat = quint16(item);
}

QString NextCounterCaption(const QString& caption)
{
    qint32 value = 0;
    if (!TryStrToInt(caption, value))
        value = 1;
    // The counter only has to tell "fewer than two"; it must not wrap to negative.
    if (value < std::numeric_limits<qint32>::max())
        ++value;
    return QString::number(value);
}

QString ThumbnailMessage()
{
    return QStringLiteral("Click the thumbnail image at the bottom right\r"
                          "to see how the \"Tab\", \"Box\" and \"Field\"\r"
                          "data are used in Quillmarsh.\"");
}

QString BooleanMessage()
{
    const QStringList lines{
        QStringLiteral("For reference, \"boolean\" (true/false) fields such as this"),
        QStringLiteral("require the following to be counted as \"true\":"),
        QStringLiteral("  \u00BA True"),
        QStringLiteral("  \u00BA Yes"),
        QStringLiteral("  \u00BA Y"),
        QStringLiteral("Or, for false values, they must be one of the following:"),
        QStringLiteral("  \u00BA False"),
        QStringLiteral("  \u00BA No"),
        QStringLiteral("  \u00BA N"),
        QStringLiteral("  \u00BA    (blank)-unless \"Default Entry\" in Quillmarsh Setup overrides"),
        QStringLiteral("All other values are considered \"false\". Values are not case-sensitive."),
    };
    return lines.join(QStringLiteral("\r\n"));
}
