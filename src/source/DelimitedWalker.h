#pragma once

#include "source/csvdata.h"

#include <QChar>
#include <QString>
#include <QStringView>

#include <vector>

// The character walk behind every table built from delimited text (the rules
// are listed at WalkDelimitedLines). Text may arrive in any number of pieces;
// quote state and a row in progress carry over from one piece to the next.
//
// A cell is kept as a range of the input while it is one unbroken run of
// characters (the common case); only cells that span pieces or drop quote
// characters are copied, into the row's scratch text. A caller that reuses or
// frees a piece's memory calls KeepPendingRow() first.
class TDelimitedWalker
{
public:
    TDelimitedWalker(QChar delim, QChar quote, const TRowSink& rowEnd)
        : Delim(delim.unicode()), Quote(quote.unicode()), HasQuote(quote.unicode() != 0), RowEnd(rowEnd)
    {
        Cells.reserve(32);
        Views.reserve(32);
    }

    void Feed(const QChar* data, qsizetype size)
    {
        qsizetype i = 0;
        while (i < size) {
            const char16_t c = data[i].unicode();
            if (HasQuote && c == Quote) {
                InQuote = !InQuote;
                if (InQuote && Previous == Quote)
                    Append(data + i, 1);
                Previous = c;
                ++i;
                continue;
            }
            if (!InQuote && c == Delim) {
                EndCell();
                Previous = c;
                ++i;
                continue;
            }
            if (!InQuote && (c == u'\r' || c == u'\n')) {
                if (c == u'\n' && Previous == u'\r')
                    EndRow();
                Previous = c;
                ++i;
                continue;
            }
            // A run of characters that no rule stops goes in at once.
            qsizetype j = i + 1;
            if (InQuote) {
                while (j < size && !(HasQuote && data[j].unicode() == Quote))
                    ++j;
            } else {
                while (j < size) {
                    const char16_t d = data[j].unicode();
                    if (d == Delim || d == u'\r' || d == u'\n' || (HasQuote && d == Quote))
                        break;
                    ++j;
                }
            }
            Append(data + i, j - i);
            Previous = data[j - 1].unicode();
            i = j;
        }
    }

    // Copies every cell of the unfinished row that still points into the
    // input, so the input's memory may be reused.
    void KeepPendingRow()
    {
        // The cell in progress grows at the end of the scratch text, so it
        // must stay last: when it is there already, it moves behind the others.
        const QString current = Current.InScratch ? Scratch.sliced(Current.Offset, Current.Length) : QString();
        for (TCellRef& cell : Cells)
            MoveToScratch(cell);
        if (Current.InScratch) {
            Current.Offset = Scratch.size();
            Scratch.append(current);
        } else {
            MoveToScratch(Current);
        }
    }

    int Widest() const { return WidestColumn; }

private:
    struct TCellRef
    {
        const QChar* Begin = nullptr; // in the input when not in scratch
        qsizetype Offset = 0;         // in scratch when InScratch
        qsizetype Length = 0;
        bool InScratch = false;
    };

    void MoveToScratch(TCellRef& cell)
    {
        if (cell.InScratch || cell.Length == 0)
            return;
        cell.Offset = Scratch.size();
        Scratch.append(cell.Begin, cell.Length);
        cell.InScratch = true;
    }

    void Append(const QChar* begin, qsizetype length)
    {
        if (Current.Length == 0 && !Current.InScratch) {
            Current.Begin = begin;
            Current.Length = length;
            return;
        }
        if (!Current.InScratch && Current.Begin + Current.Length == begin) {
            Current.Length += length;
            return;
        }
        MoveToScratch(Current);
        Scratch.append(begin, length);
        Current.Length += length;
    }

    void EndCell()
    {
        Cells.push_back(Current);
        Current = TCellRef();
    }

    void EndRow()
    {
        EndCell();
        const int column = int(Cells.size()) - 1;
        if (column > WidestColumn)
            WidestColumn = column;
        Views.clear();
        for (const TCellRef& cell : Cells) {
            if (cell.InScratch)
                Views.emplace_back(Scratch.constData() + cell.Offset, cell.Length);
            else
                Views.emplace_back(cell.Begin, cell.Length);
        }
        RowEnd(std::span<const QStringView>(Views.data(), Views.size()));
        Cells.clear();
        Scratch.resize(0);
    }

    const char16_t Delim;
    const char16_t Quote;
    const bool HasQuote;
    const TRowSink& RowEnd;
    bool InQuote = false;
    char16_t Previous = 0;
    int WidestColumn = 0;
    TCellRef Current;
    std::vector<TCellRef> Cells;
    std::vector<QStringView> Views;
    QString Scratch;
};
