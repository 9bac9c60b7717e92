#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <span>
#include <vector>

// Receives one finished row: its cells, valid only during the call.
using TRowSink = std::function<void(std::span<const QStringView> cells)>;

// The one walk behind every table built from delimited lines. The lines are
// read as one text with CR LF after every line:
// - a quote toggles quoting anywhere in a cell; a quote that reopens quoting
//   right after a closing one adds one quote character;
// - outside quotes the delimiter ends a cell and CR LF ends a row; any other
//   CR or LF outside quotes is dropped;
// - a row still open at the end (an unclosed quote) is never handed over.
// A quote of 0 never starts quoting. Returns the widest row's last column
// index (0 when no row ended), so a full table is that plus one cells wide.
int WalkDelimitedLines(std::span<const QStringView> lines, QChar delim, QChar quote, const TRowSink& rowEnd);

// A rectangular table of cells built from the lines of a delimited text file.
class TTextParser
{
public:
    TTextParser() = default;
    ~TTextParser();
    TTextParser(const TTextParser&) = delete;
    TTextParser& operator=(const TTextParser&) = delete;

    // Replaces the table with the rows of data; every row ends up as wide as
    // the widest, shorter rows padded with empty cells.
    void Push_TStringList_Into_Array(const QStringList& data);
    // Reads a text file (byte-order mark aware) and pushes its lines. Returns
    // false, keeping the table, when the file cannot be read.
    bool LoadFromFile(const QString& fileName, QString* error = nullptr);

    // No range check: keep row below Rows() and col below Cols().
    QString GetCell(int row, int col) const { return FData[size_t(row)][size_t(col)]; }
    void SetCell(int row, int col, const QString& value) { FData[size_t(row)][size_t(col)] = value; }
    QString Cell(int row, int col) const { return GetCell(row, col); }

    int GetRows() const { return int(FData.size()); }
    int GetCols() const { return FData.empty() ? 0 : int(FData.front().size()); }
    int Rows() const { return GetRows(); }
    int Cols() const { return GetCols(); }

    QChar Delim() const { return FDelim; }
    void SetDelim(QChar delim) { FDelim = delim; }
    QChar Quote() const { return FQuote; }
    void SetQuote(QChar quote) { FQuote = quote; }

private:
    std::vector<std::vector<QString>> FData;
    QChar FDelim = QChar(0);
    QChar FQuote = QChar(0);
};
