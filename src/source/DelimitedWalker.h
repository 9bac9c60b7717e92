#pragma once

#include <QChar>
#include <QtGlobal>

// The character walk behind every table built from delimited text (the rules
// are listed at WalkDelimitedLines). Text may arrive in any number of pieces;
// quote state carries over from one piece to the next.
//
// The walker holds no text: every run of a cell's characters goes to the sink
// as soon as it is seen, so the walk costs the same whatever the cells look
// like, and what is kept (and how) is the sink's choice. A Sink has
//   void Text(const QChar* begin, qsizetype length); // more of the cell in progress,
//                                                    // valid only during the call
//   void EndCell();                                  // a delimiter ended the cell
//   void EndRow(int cells);                          // CR LF ended the cell and its row
// A row still open when the text ends was never ended: the sink drops it.
template <typename Sink> class TDelimitedWalker
{
public:
    TDelimitedWalker(QChar delim, QChar quote, Sink& sink)
        : Delim(delim.unicode()), Quote(quote.unicode()), HasQuote(quote.unicode() != 0), Out(sink)
    {
    }

    void Feed(const QChar* data, qsizetype size)
    {
        qsizetype i = 0;
        while (i < size) {
            const char16_t c = data[i].unicode();
            if (HasQuote && c == Quote) {
                InQuote = !InQuote;
                if (InQuote && Previous == Quote)
                    Out.Text(data + i, 1);
                Previous = c;
                ++i;
                continue;
            }
            if (!InQuote && c == Delim) {
                ++Column;
                Out.EndCell();
                Previous = c;
                ++i;
                continue;
            }
            if (!InQuote && (c == u'\r' || c == u'\n')) {
                if (c == u'\n' && Previous == u'\r') {
                    if (Column > WidestColumn)
                        WidestColumn = Column;
                    Out.EndRow(Column + 1);
                    Column = 0;
                }
                Previous = c;
                ++i;
                continue;
            }
            // A run of characters that no rule stops goes out at once.
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
            Out.Text(data + i, j - i);
            Previous = data[j - 1].unicode();
            i = j;
        }
    }

    // The widest ended row's last column index (0 when no row ended).
    int Widest() const { return WidestColumn; }

private:
    const char16_t Delim;
    const char16_t Quote;
    const bool HasQuote;
    Sink& Out;
    bool InQuote = false;
    char16_t Previous = 0;
    int Column = 0;
    int WidestColumn = 0;
};
