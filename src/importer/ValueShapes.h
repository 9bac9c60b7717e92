#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// Plain shape rules for the values of typed fields, used to warn before an
// import. They are deliberately few: the service decides what it accepts, so a
// value that fails here is only pointed out, never changed or held back.

// What a field's type expects of a value.
enum class TValueShape
{
    Any,
    Date,
    Age,
    PositiveNumber,
    OneDecimal,
    TwoDecimals,
    Currency,
    TrueOrFalse,
    Time,
    HoursAndMinutes,
};

// The shape checked for a field type code (see FieldTypeName).
TValueShape ShapeOfFieldType(quint16 fieldType);

// Whether a value (surrounding blanks ignored) has the shape. Dates are checked
// with IsDateInFormat instead; Any accepts everything.
bool HasShape(QStringView value, TValueShape shape);

// Whether the value is a date in the date format at that position of the
// date-format list (0 MDY, 1 DMY, 2 YMD, 3 MY, 4 MD with optional year, 5 DM
// with optional year): numbers in the format's order, separated by "/", "-",
// "." or a space; month 1-12; day valid for the month (29 February only in a
// leap year, or with no year); a 2- or 4-digit year where the format has one.
bool IsDateInFormat(QStringView value, int dateFormat);

// What a value of the shape looks like, for a finding: "a whole number".
QString ShapeExpectation(TValueShape shape);
