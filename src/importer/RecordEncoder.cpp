#include "importer/RecordEncoder.h"

#include "exchange/Envelope.h"
#include "importer/AsciiFold.h"

#include <charconv>

namespace
{

// The service splits the request at "&" and decodes "%" escapes, so a raw "&"
// in a cell would cut the value short and let the rest pose as further fields.
// Folding comes first, so a folded character can never slip an unescaped "&"
// or "%" past this. Appended in place: a run composes one record per row.
void AppendValue(QString& text, const QString& cell)
{
    const QString folded = FoldToAscii(cell);
    QStringView rest(folded);
    for (;;) {
        qsizetype cut = 0;
        while (cut < rest.size() && rest[cut] != u'%' && rest[cut] != u'&')
            ++cut;
        if (cut == rest.size()) {
            text += rest;
            return;
        }
        text += rest.first(cut);
        text += rest[cut] == u'%' ? QLatin1StringView("%25") : QLatin1StringView("%26");
        rest = rest.sliced(cut + 1);
    }
}

void AppendNumber(QString& text, qint64 number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    text += QLatin1StringView(digits, end - digits);
}

// Appends "&<key>=<value>", or "&<key><number>=<value>", without temporaries.
void AddPair(QString& text, QLatin1StringView key, const QString& cell)
{
    text += QLatin1Char('&');
    text += key;
    text += QLatin1Char('=');
    AppendValue(text, cell);
}

void AddPair(QString& text, QLatin1StringView key, qint64 number, const QString& cell)
{
    text += QLatin1Char('&');
    text += key;
    AppendNumber(text, number);
    text += QLatin1Char('=');
    AppendValue(text, cell);
}

// A date-format pair: "&<key>=<code>".
void AddFormat(QString& text, QLatin1StringView key, quint16 code)
{
    text += QLatin1Char('&');
    text += key;
    text += QLatin1Char('=');
    AppendNumber(text, code);
}

bool IsPrintable(char16_t c)
{
    return c >= 32 && c <= 126;
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

TRecordComposer::TRecordComposer(const TColumnMap& columnMap, const TFieldCatalogue& catalogue, QString head)
    : ColumnMap(columnMap)
    , Catalogue(catalogue)
    , Head(std::move(head))
{
}

TRecordText TRecordComposer::Compose(const QStringList& rowList, qint32 cRow) const
{
    TRecordText record;
    if (rowList.size() < 2)
        return record;

    const qsizetype last = qMin<qsizetype>(rowList.size() - 1, LastSentIndex);
    qsizetype expected = Head.size();
    for (qsizetype j = 1; j <= last; ++j)
        expected += rowList[j].size() + 16;
    QString text;
    text.reserve(expected);
    text += Head;
    const auto rowName = [cRow] { return QStringLiteral("Row ") + QString::number(cRow); };
    qint32 flags = 0;

    for (qsizetype j = 1; j <= last; ++j) {
        const ColumnMapping& column = ColumnMap[std::size_t(j)];
        const QString& cell = rowList[j];
        const quint16 k = column.FieldIndex;
        if (k == 0 || k > LastSentIndex || cell.isEmpty())
            continue;

        const CatalogueEntry& entry = Catalogue[k];
        const quint16 t = entry.TabNo;
        const quint16 f = entry.FieldNo;

        switch (t) {
        case 1:
            if (IsFlagField(entry)) {
                // Counted before filtering: a cell that filters to nothing still takes a number.
                ++flags;
                if (flags <= MaxFlagsPerRecord)
                    AddPair(text, QLatin1StringView("1_19_"), flags, cell);
                else
                    record.Diagnostics.append(rowName() + QStringLiteral(" has too many Flags"));
            } else {
                AddPair(text, QLatin1StringView("1_"), f, cell);
            }
            break;
        case 2:
            AddPair(text, QLatin1StringView("2_"), f, cell);
            break;
        case 8:
            if (f == 1) {
                AddFormat(text, QLatin1StringView("8_1_F"), column.DateFormat);
                AddPair(text, QLatin1StringView("8_1"), cell);
            } else {
                AddPair(text, QLatin1StringView("8_"), f, cell);
            }
            break;
        case 99:
            switch (f) {
            case 2:
                AddPair(text, QLatin1StringView("99_2_"), entry.ItemNo, cell);
                break;
            case 6:
                AddPair(text, QLatin1StringView("99_6"), cell);
                break;
            case 8:
                AddFormat(text, QLatin1StringView("1_44_F"), column.DateFormat);
                AddPair(text, QLatin1StringView("1_44"), cell);
                break;
            case 13:
                AddPair(text, QLatin1StringView("99_13"), cell);
                break;
            case 22:
                AddFormat(text, QLatin1StringView("1_43_F"), column.DateFormat);
                AddPair(text, QLatin1StringView("1_43"), cell);
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

    record.Text = std::move(text);
    return record;
}

TRecordText ComposeRecord(const QStringList& rowList, const TColumnMap& columnMap, const TFieldCatalogue& catalogue,
                          const QString& accountNumber, const QString& loginName, const QString& password,
                          const QString& siteNumber, qint32 cRow)
{
    if (rowList.size() < 2)
        return {};
    return TRecordComposer(columnMap, catalogue, RecordHead(accountNumber, loginName, password, siteNumber))
        .Compose(rowList, cRow);
}

TRecordPreparer::TRecordPreparer(const TColumnMap& columnMap, const TFieldCatalogue& catalogue, QString head)
    : FComposer(columnMap, catalogue, std::move(head))
{
}

void TRecordPreparer::Prepare(const QStringList& rowList, qint32 cRow)
{
    if (ReadyRow == cRow)
        return;
    Ready.Record = FComposer.Compose(rowList, cRow);
    Ready.Body = Ready.Record.IsRequest() ? TParallelPosts::Encode(Ready.Record.Text) : TParallelPosts::TBody();
    ReadyRow = cRow;
}

TPreparedRecord TRecordPreparer::Take(const QStringList& rowList, qint32 cRow)
{
    // Made from the same cells while the last reply was awaited: the same request.
    Prepare(rowList, cRow);
    ReadyRow = -1;
    return std::move(Ready);
}
