#pragma once

#include <QString>
#include <QtGlobal>

// Words the user sees for a destination field's numbers. Pure functions.

// The Tab a field appears under; empty for numbers the service does not use.
QString TabNameOf(quint16 tabNo, quint16 fieldNo);

// The Box within the Tab; pairs without a name of their own show their two
// numbers ("13 4").
QString BoxNameOf(quint16 tabNo, quint16 fieldNo);

// The caption of a field type code; unknown codes are plain text.
QString FieldTypeName(quint16 fieldType);

// Date fields take a date format on the mapping page (codes 6, 10 and 20).
bool IsDateType(quint16 fieldType);
