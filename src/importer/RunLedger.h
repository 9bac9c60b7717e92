#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What became of one data row in an import run.
enum class TRowOutcome : quint8
{
    NotSent,  // the run stopped or gave up before it
    Imported, // answered with an HTTP status below 400
    Failed,   // answered with an HTTP error, or posted and never answered
    Skipped   // nothing to send: the row has no cell
};

// "not sent", "imported", "failed", "skipped": the words of the results file.
QString RowOutcomeText(TRowOutcome outcome);
std::optional<TRowOutcome> ParseRowOutcome(const QString& text);

// A reply may say a lot (an error page); a row keeps this much of it, so the
// ledger's memory stays bounded per row.
inline constexpr int MaxLedgerLinesPerRow = 10;
inline constexpr int MaxLedgerCharsPerRow = 1000;
// The last kept line when a reply was cut.
QString LedgerCutMarker();

// The reply's lines as one row keeps them, joined by line feeds: the service's
// messages (the "POST=" lines) of an answer, every non-empty line of an HTTP
// error reply (there is nothing else to tell what went wrong). Capped, and
// marked when cut.
QString LedgerMessages(int httpStatus, const QString& reply);

struct TRowEntry
{
    qint32 Line = 0; // zero-based position in the source lines; the row's number is Line + 1
    TRowOutcome Outcome = TRowOutcome::NotSent;
    qint16 HttpStatus = 0; // 0: no reply
    qint16 Posts = 0;
    QString Messages; // lines joined by '\n'

    qint32 Row() const { return Line + 1; }
    QStringList MessageLines() const;
};

// One entry per data row of a run, in source order, from the first data line
// (after the headings) to the last line.
class TRunLedger
{
public:
    // Every row of lines first .. lineCount - 1, each not sent yet.
    void Reset(qint32 firstLine, qint32 lineCount);

    bool Contains(qint32 line) const { return line >= FFirst && line - FFirst < FEntries.size(); }
    TRowEntry& At(qint32 line) { return FEntries[line - FFirst]; }
    const TRowEntry& At(qint32 line) const { return FEntries.at(line - FFirst); }
    const QList<TRowEntry>& Entries() const { return FEntries; }
    qint32 FirstLine() const { return FFirst; }
    bool IsEmpty() const { return FEntries.isEmpty(); }

    qint32 Count(TRowOutcome outcome) const;
    // Rows failed or not sent: the ones a later run should send again.
    qint32 NotImported() const { return Count(TRowOutcome::Failed) + Count(TRowOutcome::NotSent); }

private:
    QList<TRowEntry> FEntries;
    qint32 FFirst = 0;
};
