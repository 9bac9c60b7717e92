#include "mapping/ColumnMap.h"

void ResetColumnMap(TColumnMap& map)
{
    for (ColumnMapping& column : map)
        column = ColumnMapping{1, 0, 0};
}

const QStringList& DateFormatNames()
{
    static const QStringList names{
        QStringLiteral("MDY"),
        QStringLiteral("DMY"),
        QStringLiteral("YMD"),
        QStringLiteral("MY (no day)"),
        QStringLiteral("MD (Y optional)"),
        QStringLiteral("DM (Y optional)"),
    };
    return names;
}

int DateFormatIndexOf(const QString& name)
{
    const QString wanted = name.trimmed();
    const QStringList& names = DateFormatNames();
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int ShownDateFormat(quint16 dateFormat)
{
    return dateFormat < DateFormatCount ? int(dateFormat) : 0;
}
