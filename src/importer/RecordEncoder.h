#pragma once

#include "mapping/CatalogueEntry.h"
#include "mapping/ColumnMapping.h"

#include <QString>
#include <QStringList>

// The text with every character whose code lies outside 32..126 removed; the
// rest keep their order. The only treatment a cell gets before it is sent.
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

// Builds the record request (type 31) for one row list: item 0 the row number
// (never sent), item j the cell of source column j, read through entry j of the
// column map. cRow is the zero-based source line, named in the diagnostics.
// Pure: the same inputs always give the same request.
TRecordText ComposeRecord(const QStringList& rowList, const TColumnMap& columnMap, const TFieldCatalogue& catalogue,
                          const QString& accountNumber, const QString& loginName, const QString& password,
                          const QString& siteNumber, qint32 cRow);
