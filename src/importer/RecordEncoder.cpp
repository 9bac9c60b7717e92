#include "importer/RecordEncoder.h"

#include "exchange/Envelope.h"

namespace
{

// Columns and catalogue indexes beyond this are never sent.
constexpr int LastSentIndex = 255;

QString Pair(const QString& key, const QString& value)
{
    return QLatin1Char('&') + key + QLatin1Char('=') + value;
}

QString Num(qint64 n)
{
    return QString::number(n);
}

// The service splits the request at "&" and decodes "%" escapes, so a raw "&"
// in a cell would cut the value short and let the rest pose as further fields.
QString RecordValue(const QString& cell)
{
    QString value = PrintableOnly(cell);
    value.replace(QLatin1Char('%'), QLatin1String("%25"));
    value.replace(QLatin1Char('&'), QLatin1String("%26"));
    return value;
}

} // namespace

QString PrintableOnly(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.unicode() >= 32 && ch.unicode() <= 126)
            result.append(ch);
    }
    return result;
}

TRecordText ComposeRecord(const QStringList& rowList, const TColumnMap& columnMap, const TFieldCatalogue& catalogue,
                          const QString& accountNumber, const QString& loginName, const QString& password,
                          const QString& siteNumber, qint32 cRow)
{
    TRecordText record;
    if (rowList.size() < 2)
        return record;

    QString text = RecordHead(accountNumber, loginName, password, siteNumber);
    const QString rowName = QStringLiteral("Row ") + Num(cRow);
    qint32 flags = 0;

    const qsizetype last = qMin<qsizetype>(rowList.size() - 1, LastSentIndex);
    for (qsizetype j = 1; j <= last; ++j) {
        const ColumnMapping& column = columnMap[std::size_t(j)];
        const QString& cell = rowList[j];
        const quint16 k = column.FieldIndex;
        if (k == 0 || k > LastSentIndex || cell.isEmpty())
            continue;

        const CatalogueEntry& entry = catalogue[k];
        const quint16 t = entry.TabNo;
        const quint16 f = entry.FieldNo;
        const QString d = Num(column.DateFormat);
        const QString v = RecordValue(cell);

        switch (t) {
        case 1:
            if (f == 19) {
                // Counted before filtering: a cell that filters to nothing still takes a number.
                ++flags;
                if (flags <= MaxFlagsPerRecord)
                    text += Pair(QStringLiteral("1_19_") + Num(flags), v);
                else
                    record.Diagnostics.append(rowName + QStringLiteral(" has too many Flags"));
            } else {
                text += Pair(QStringLiteral("1_") + Num(f), v);
            }
            break;
        case 2:
            text += Pair(QStringLiteral("2_") + Num(f), v);
            break;
        case 8:
            if (f == 1)
                text += Pair(QStringLiteral("8_1_F"), d) + Pair(QStringLiteral("8_1"), v);
            else
                text += Pair(QStringLiteral("8_") + Num(f), v);
            break;
        case 99:
            switch (f) {
            case 2:
                text += Pair(QStringLiteral("99_2_") + Num(entry.ItemNo), v);
                break;
            case 6:
                text += Pair(QStringLiteral("99_6"), v);
                break;
            case 8:
                text += Pair(QStringLiteral("1_44_F"), d) + Pair(QStringLiteral("1_44"), v);
                break;
            case 13:
                text += Pair(QStringLiteral("99_13"), v);
                break;
            case 22:
                text += Pair(QStringLiteral("1_43_F"), d) + Pair(QStringLiteral("1_43"), v);
                break;
            default:
                // The service takes no other field of this Tab; dropped quietly on purpose.
                break;
            }
            break;
        default:
            record.Diagnostics.append(rowName + QStringLiteral(" FSet ") + Num(t));
            break;
        }
    }

    record.Text = text;
    return record;
}
