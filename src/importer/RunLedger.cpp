#include "importer/RunLedger.h"

#include "exchange/Replies.h"

QString RowOutcomeText(TRowOutcome outcome)
{
    switch (outcome) {
    case TRowOutcome::Imported:
        return QStringLiteral("imported");
    case TRowOutcome::Failed:
        return QStringLiteral("failed");
    case TRowOutcome::Skipped:
        return QStringLiteral("skipped");
    case TRowOutcome::NotSent:
        break;
    }
    return QStringLiteral("not sent");
}

std::optional<TRowOutcome> ParseRowOutcome(const QString& text)
{
    for (TRowOutcome outcome :
         {TRowOutcome::NotSent, TRowOutcome::Imported, TRowOutcome::Failed, TRowOutcome::Skipped})
        if (text == RowOutcomeText(outcome))
            return outcome;
    return std::nullopt;
}

QString LedgerCutMarker()
{
    return QStringLiteral("[cut: the rest of the reply was not kept]");
}

QString LedgerMessages(int httpStatus, const QString& reply)
{
    QStringList lines;
    if (IsHttpError(httpStatus)) {
        for (const QString& line : ReplyLines(reply))
            if (!line.trimmed().isEmpty())
                lines.append(line);
    } else {
        lines = ServerMessages(reply);
    }

    QString kept;
    bool cut = false;
    int count = 0;
    for (const QString& line : lines) {
        if (count == MaxLedgerLinesPerRow) {
            cut = true;
            break;
        }
        const qsizetype room = MaxLedgerCharsPerRow - kept.size() - (count > 0 ? 1 : 0);
        if (room <= 0) {
            cut = true;
            break;
        }
        if (count > 0)
            kept += QLatin1Char('\n');
        if (line.size() > room) {
            kept += line.left(room);
            cut = true;
            break;
        }
        kept += line;
        ++count;
    }
    if (cut)
        kept += QLatin1Char('\n') + LedgerCutMarker();
    return kept;
}

QStringList TRowEntry::MessageLines() const
{
    if (Messages.isEmpty())
        return {};
    return Messages.split(QLatin1Char('\n'));
}

void TRunLedger::Reset(qint32 firstLine, qint32 lineCount)
{
    FFirst = firstLine;
    FEntries.clear();
    FEntries.reserve(qMax(0, lineCount - firstLine));
    for (qint32 line = firstLine; line < lineCount; ++line) {
        TRowEntry entry;
        entry.Line = line;
        FEntries.append(entry);
    }
}

qint32 TRunLedger::Count(TRowOutcome outcome) const
{
    qint32 count = 0;
    for (const TRowEntry& entry : FEntries)
        count += entry.Outcome == outcome ? 1 : 0;
    return count;
}
