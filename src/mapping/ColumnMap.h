#pragma once

#include "mapping/ColumnMapping.h"

#include <QString>
#include <QStringList>

// Every column skipped, mapped to nothing, with the first date format.
void ResetColumnMap(TColumnMap& map);

// Items of the date-format box, in order: a column's DateFormat is a position here.
const QStringList& DateFormatNames();
constexpr int DateFormatCount = 6;

// Position of a date-format item, compared without regard to case and
// surrounding blanks; -1 when no item has that name.
int DateFormatIndexOf(const QString& name);

// The item shown for a stored DateFormat: positions past the list show the first.
int ShownDateFormat(quint16 dateFormat);
