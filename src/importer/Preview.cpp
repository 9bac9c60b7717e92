#include "importer/Preview.h"

#include "core/Conversions.h"
#include "importer/AsciiFold.h"
#include "source/RowList.h"

QStringList TranslationTableLines(const TColumnMap& columnMap, const TFieldCatalogue& catalogue)
{
    QStringList lines{QStringLiteral("Translation table follows")};
    for (std::size_t i = 0; i < columnMap.size(); ++i) {
        const quint16 k = columnMap[i].FieldIndex;
        if (!IsMappedIndex(k))
            continue;
        const CatalogueEntry& entry = catalogue[k];
        lines.append(QStringLiteral(" %1 : %2-%3").arg(i).arg(entry.TabNo).arg(entry.FieldNo));
    }
    lines.append(QStringLiteral("End translation table"));
    return lines;
}

QString PreviewValue(const QString& cell)
{
    const QString sent = FoldToAscii(cell);
    if (sent == cell)
        return cell;
    return sent + QStringLiteral(" [") + cell + QLatin1Char(']');
}

QStringList PreviewLines(const QStringList& rowList, const TColumnMap& columnMap, const TNameOfIndex& nameOf)
{
    QStringList lines;
    for (std::size_t i = 0; i < columnMap.size(); ++i) {
        const quint16 k = columnMap[i].FieldIndex;
        if (k == 0)
            continue;
        QString line = nameOf ? nameOf(k) : QString();
        if (qsizetype(i) < rowList.size())
            line += QStringLiteral(": ") + PreviewValue(rowList[qsizetype(i)]);
        lines.append(line);
    }
    return lines;
}

namespace
{

// An index no item carries shows an empty name rather than failing the preview.
TNameOfIndex NamesFrom(const TNameList& fieldNames)
{
    return [&fieldNames](int index) { return fieldNames.NameOf(index).value_or(QString()); };
}

} // namespace

QStringList PreviewLines(const QStringList& rowList, const TColumnMap& columnMap, const TNameList& fieldNames)
{
    return PreviewLines(rowList, columnMap, NamesFrom(fieldNames));
}

QStringList EndOfFileLines()
{
    return {QStringLiteral("You have reached the end of the file."), QStringLiteral(" "),
            QStringLiteral("Click \"Prev\" to go back and make changes, or \"Next\" to perform the conversion.")};
}

QString CounterWarningText()
{
    return QStringLiteral("If your data does not appear as you expect,\r"
                          "click the Prev button to reconfigure the settings. \r"
                          "For additional information see the QImport.pdf\r"
                          "file included with your download.");
}

QString OneFieldMessageText()
{
    return QStringLiteral("Data will NOT import correctly with only one field.\r\r") + CounterWarningText();
}

bool CounterBelowTwo(const QString& caption)
{
    qint32 clicks = 1;
    if (!TryStrToInt(caption, clicks))
        clicks = 1;
    return clicks < 2;
}

TPreviewStep PreviewSourceLine(const QStringList& sourceLines, qint32 testRow, const TColumnMap& columnMap,
                               const TNameOfIndex& nameOf)
{
    TPreviewStep step;
    if (testRow < 0 || testRow >= sourceLines.size()) {
        step.Lines = EndOfFileLines();
        step.EndOfFile = true;
        return step;
    }
    step.Lines = PreviewLines(BuildRowList(sourceLines[testRow], testRow + 1), columnMap, nameOf);
    step.OneFieldWarning = step.Lines.size() == 1;
    return step;
}

TPreviewStep PreviewSourceLine(const QStringList& sourceLines, qint32 testRow, const TColumnMap& columnMap,
                               const TNameList& fieldNames)
{
    return PreviewSourceLine(sourceLines, testRow, columnMap, NamesFrom(fieldNames));
}
