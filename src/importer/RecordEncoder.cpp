#include "importer/RecordEncoder.h"

#include "exchange/Envelope.h"
#include "importer/AsciiFold.h"

namespace
{

// Appends "&<key>=<value>", or "&<key><number>=<value>", without temporaries:
// a run composes one record per row.
void AddPair(QString& text, QLatin1String key, const QString& value)
{
    text += QLatin1Char('&');
    text += key;
    text += QLatin1Char('=');
    text += value;
}

void AddPair(QString& text, QLatin1String key, qint64 number, const QString& value)
{
    text += QLatin1Char('&');
    text += key;
    text += QString::number(number);
    text += QLatin1Char('=');
    text += value;
}

bool IsPrintable(char16_t c)
{
    return c >= 32 && c <= 126;
}

// The service splits the request at "&" and decodes "%" escapes, so a raw "&"
// in a cell would cut the value short and let the rest pose as further fields.
// Folding comes first, so a folded character can never slip an unescaped "&"
// or "%" past this.
QString RecordValue(const QString& cell)
{
    const QString folded = FoldToAscii(cell);
    QString value;
    value.reserve(folded.size());
    for (const QChar ch : folded) {
        const char16_t c = ch.unicode();
        if (c == u'%')
            value += QLatin1String("%25");
        else if (c == u'&')
            value += QLatin1String("%26");
        else
            value += ch;
    }
    return value;
}

} // namespace

QString PrintableOnly(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar ch : text) {
        if (IsPrintable(ch.unicode()))
            result.append(ch);
    }
    return result;
}

bool IsSentField(const CatalogueEntry& entry)
{
    switch (entry.TabNo) {
    case 1:
    case 2:
    case 8:
        return true;
    case 99:
        switch (entry.FieldNo) {
        case 2:
        case 6:
        case 8:
        case 13:
        case 22:
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

TRecordText ComposeRecord(const QStringList& rowList, const TColumnMap& columnMap, const TFieldCatalogue& catalogue,
                          const QString& accountNumber, const QString& loginName, const QString& password,
                          const QString& siteNumber, qint32 cRow)
{
    TRecordText record;
    if (rowList.size() < 2)
        return record;

    QString text = RecordHead(accountNumber, loginName, password, siteNumber);
    const qsizetype last = qMin<qsizetype>(rowList.size() - 1, LastSentIndex);
    qsizetype expected = text.size();
    for (qsizetype j = 1; j <= last; ++j)
        expected += rowList[j].size() + 16;
    text.reserve(expected);
    const auto rowName = [cRow] { return QStringLiteral("Row ") + QString::number(cRow); };
    qint32 flags = 0;

    for (qsizetype j = 1; j <= last; ++j) {
        const ColumnMapping& column = columnMap[std::size_t(j)];
        const QString& cell = rowList[j];
        const quint16 k = column.FieldIndex;
        if (k == 0 || k > LastSentIndex || cell.isEmpty())
            continue;

        const CatalogueEntry& entry = catalogue[k];
        const quint16 t = entry.TabNo;
        const quint16 f = entry.FieldNo;
        const QString v = RecordValue(cell);

        switch (t) {
        case 1:
            if (IsFlagField(entry)) {
                // Counted before filtering: a cell that filters to nothing still takes a number.
                ++flags;
                if (flags <= MaxFlagsPerRecord)
                    AddPair(text, QLatin1String("1_19_"), flags, v);
                else
                    record.Diagnostics.append(rowName() + QStringLiteral(" has too many Flags"));
            } else {
                AddPair(text, QLatin1String("1_"), f, v);
            }
            break;
        case 2:
            AddPair(text, QLatin1String("2_"), f, v);
            break;
        case 8:
            if (f == 1) {
                AddPair(text, QLatin1String("8_1_F"), QString::number(column.DateFormat));
                AddPair(text, QLatin1String("8_1"), v);
            } else {
                AddPair(text, QLatin1String("8_"), f, v);
            }
            break;
        case 99:
            switch (f) {
            case 2:
                AddPair(text, QLatin1String("99_2_"), entry.ItemNo, v);
                break;
            case 6:
                AddPair(text, QLatin1String("99_6"), v);
                break;
            case 8:
                AddPair(text, QLatin1String("1_44_F"), QString::number(column.DateFormat));
                AddPair(text, QLatin1String("1_44"), v);
                break;
            case 13:
                AddPair(text, QLatin1String("99_13"), v);
                break;
            case 22:
                AddPair(text, QLatin1String("1_43_F"), QString::number(column.DateFormat));
                AddPair(text, QLatin1String("1_43"), v);
                break;
            default:
                // The service takes no other field of this Tab; dropped quietly on purpose.
                break;
            }
            break;
        default:
            record.Diagnostics.append(rowName() + QStringLiteral(" FSet ") + QString::number(t));
            break;
        }
    }

    record.Text = text;
    return record;
}
