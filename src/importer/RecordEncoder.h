#pragma once

#include "exchange/ParallelPosts.h"
#include "mapping/CatalogueEntry.h"
#include "mapping/ColumnMapping.h"

#include <QString>
#include <QStringList>

// The text with every character whose code lies outside 32..126 removed; the
// rest keep their order. A cell is folded to ASCII first (FoldToAscii), so
// this only drops what folding could not turn into ASCII.
QString PrintableOnly(const QString& text);

// One record request, composed but not posted. Text is empty when the row has
// no cell at all (nothing is to be sent); Diagnostics gathers the lines about
// cells that were dropped (too many flags, unknown Tab).
struct TRecordText
{
    QString Text;
    QStringList Diagnostics;

    bool IsRequest() const { return !Text.isEmpty(); }
};

// At most this many flag pairs go into one record.
constexpr qint32 MaxFlagsPerRecord = 36;

// Columns and catalogue indexes beyond this are never sent.
constexpr int LastSentIndex = 255;

// Whether a cell mapped to this field reaches the record at all: fields of Tabs
// 1, 2 and 8, and of Tab 99 only fields 2, 6, 8, 13 and 22. Every other field
// is dropped by the encoding, whatever the cell holds.
bool IsSentField(const CatalogueEntry& entry);

// The Flags box of the Core Tab, whose cells are numbered and limited per record.
inline bool IsFlagField(const CatalogueEntry& entry)
{
    return entry.TabNo == 1 && entry.FieldNo == 19;
}

// Builds the record request (type 31) for one row list: item 0 the row number
// (never sent), item j the cell of source column j, read through entry j of the
// column map. cRow is the zero-based source line, named in the diagnostics.
// Pure: the same inputs always give the same request.
TRecordText ComposeRecord(const QStringList& rowList, const TColumnMap& columnMap, const TFieldCatalogue& catalogue,
                          const QString& accountNumber, const QString& loginName, const QString& password,
                          const QString& siteNumber, qint32 cRow);

// The same, for every row of a run: the head (credentials, request type and Site),
// the same for every record, is made once. The map and the catalogue must outlive it.
class TRecordComposer
{
public:
    // head: RecordHead of the run's account, login name, password and Site.
    TRecordComposer(const TColumnMap& columnMap, const TFieldCatalogue& catalogue, QString head);
    TRecordText Compose(const QStringList& rowList, qint32 cRow) const;

private:
    const TColumnMap& ColumnMap;
    const TFieldCatalogue& Catalogue;
    QString Head;
};

// A record request made ready to post: composed, and its MIME body encoded.
struct TPreparedRecord
{
    TRecordText Record;
    TParallelPosts::TBody Body;
};

// Records made one row ahead: while one reply is awaited, the next row's request
// is composed and encoded, so that sending it costs no more than the post.
class TRecordPreparer
{
public:
    // As for TRecordComposer.
    TRecordPreparer(const TColumnMap& columnMap, const TFieldCatalogue& catalogue, QString head);

    // Makes the row's record ready, unless it is already.
    void Prepare(const QStringList& rowList, qint32 cRow);
    bool IsReady(qint32 cRow) const { return ReadyRow == cRow; }
    // The row's record, made ready before or now; nothing is ready after it.
    TPreparedRecord Take(const QStringList& rowList, qint32 cRow);
    const TRecordComposer& Composer() const { return FComposer; }

private:
    TRecordComposer FComposer;
    qint32 ReadyRow = -1; // none
    TPreparedRecord Ready;
};
