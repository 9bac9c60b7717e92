#include "importer/ValueShapes.h"

namespace
{

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Reads a run of digits at pos; returns how many there were.
qsizetype Digits(QStringView text, qsizetype& pos)
{
    const qsizetype start = pos;
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos;
    return pos - start;
}

int NumberOf(QStringView digits)
{
    int value = 0;
    for (const QChar c : digits)
        value = qMin(value * 10 + (c.unicode() - '0'), 100000);
    return value;
}

bool Accept(QStringView text, qsizetype pos)
{
    return pos == text.size();
}

bool Skip(QStringView text, qsizetype& pos, QChar c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// digits, then optionally "." and 1..maxDecimals digits (maxDecimals < 0: any number).
bool Decimal(QStringView text, qsizetype& pos, int maxDecimals)
{
    if (Digits(text, pos) == 0)
        return false;
    if (!Skip(text, pos, QLatin1Char('.')))
        return true;
    const qsizetype decimals = Digits(text, pos);
    return decimals >= 1 && (maxDecimals < 0 || decimals <= maxDecimals);
}

bool IsCurrency(QStringView text)
{
    qsizetype pos = 0;
    Skip(text, pos, QLatin1Char('-'));
    Skip(text, pos, QLatin1Char('$'));
    const qsizetype lead = Digits(text, pos);
    if (lead == 0)
        return false;
    // Thousands groups are allowed only after a lead of at most three digits.
    while (pos < text.size() && text[pos] == QLatin1Char(',')) {
        ++pos;
        if (lead > 3 || Digits(text, pos) != 3)
            return false;
    }
    if (Skip(text, pos, QLatin1Char('.'))) {
        const qsizetype decimals = Digits(text, pos);
        if (decimals < 1 || decimals > 2)
            return false;
    }
    return Accept(text, pos);
}

bool IsTrueOrFalse(QStringView text)
{
    for (const char* word : {"true", "yes", "y", "false", "no", "n"})
        if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// "AM", "PM", "a.m.", "p.m." in any case, after optional blanks; true when one was read.
bool Meridiem(QStringView text, qsizetype& pos)
{
    qsizetype p = pos;
    while (p < text.size() && text[p] == QLatin1Char(' '))
        ++p;
    if (p >= text.size())
        return false;
    const QChar first = text[p].toLower();
    if (first != QLatin1Char('a') && first != QLatin1Char('p'))
        return false;
    ++p;
    Skip(text, p, QLatin1Char('.'));
    if (p >= text.size() || text[p].toLower() != QLatin1Char('m'))
        return false;
    ++p;
    Skip(text, p, QLatin1Char('.'));
    pos = p;
    return true;
}

bool IsTime(QStringView text)
{
    qsizetype pos = 0;
    const qsizetype start = pos;
    if (const qsizetype n = Digits(text, pos); n < 1 || n > 2)
        return false;
    const int hour = NumberOf(text.mid(start, pos - start));
    bool minutes = false;
    for (int part = 0; part < 2 && Skip(text, pos, QLatin1Char(':')); ++part) {
        const qsizetype from = pos;
        if (Digits(text, pos) != 2 || NumberOf(text.mid(from, 2)) > 59)
            return false;
        minutes = true;
    }
    if (Meridiem(text, pos))
        return Accept(text, pos) && hour >= 1 && hour <= 12;
    return Accept(text, pos) && minutes && hour <= 23;
}

bool IsHoursAndMinutes(QStringView text)
{
    qsizetype pos = 0;
    if (Digits(text, pos) == 0)
        return false;
    if (Skip(text, pos, QLatin1Char(':'))) {
        const qsizetype from = pos;
        return Digits(text, pos) == 2 && NumberOf(text.mid(from, 2)) <= 59 && Accept(text, pos);
    }
    if (Skip(text, pos, QLatin1Char('.')) && Digits(text, pos) == 0)
        return false;
    return Accept(text, pos);
}

bool IsLeapYear(int year, qsizetype digits)
{
    if (digits == 2)
        return year % 4 == 0; // read as 20xx or 19xx: 2000 was a leap year, 1900 is long gone
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int month, int year, qsizetype yearDigits)
{
    switch (month) {
    case 2:
        return yearDigits == 0 || IsLeapYear(year, yearDigits) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return 31;
    }
}

// Positions of month, day and year in each date format's order; -1 where it has none.
struct TDateOrder
{
    int Month;
    int Day;
    int Year;
    bool YearOptional;
};
constexpr TDateOrder DateOrders[] = {
    {0, 1, 2, false},  // MDY
    {1, 0, 2, false},  // DMY
    {1, 2, 0, false},  // YMD
    {0, -1, 1, false}, // MY (no day)
    {0, 1, 2, true},   // MD (Y optional)
    {1, 0, 2, true},   // DM (Y optional)
};

bool IsDateSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char(' ');
}

} // namespace

TValueShape ShapeOfFieldType(quint16 fieldType)
{
    switch (fieldType) {
    case 3:
    case 5:
        return TValueShape::TrueOrFalse;
    case 6:
    case 10:
    case 20:
        return TValueShape::Date;
    case 8:
        return TValueShape::Age;
    case 11:
        return TValueShape::PositiveNumber;
    case 12:
        return TValueShape::OneDecimal;
    case 13:
        return TValueShape::TwoDecimals;
    case 14:
        return TValueShape::Currency;
    case 18:
    case 19:
        return TValueShape::Time;
    case 24:
        return TValueShape::HoursAndMinutes;
    default:
        return TValueShape::Any;
    }
}

bool HasShape(QStringView value, TValueShape shape)
{
    const QStringView text = value.trimmed();
    qsizetype pos = 0;
    switch (shape) {
    case TValueShape::Any:
    case TValueShape::Date:
        return true;
    case TValueShape::Age: {
        const qsizetype n = Digits(text, pos);
        return n >= 1 && n <= 3 && Accept(text, pos);
    }
    case TValueShape::PositiveNumber:
        return Decimal(text, pos, -1) && Accept(text, pos);
    case TValueShape::OneDecimal:
        Skip(text, pos, QLatin1Char('-'));
        return Decimal(text, pos, 1) && Accept(text, pos);
    case TValueShape::TwoDecimals:
        Skip(text, pos, QLatin1Char('-'));
        return Decimal(text, pos, 2) && Accept(text, pos);
    case TValueShape::Currency:
        return IsCurrency(text);
    case TValueShape::TrueOrFalse:
        return IsTrueOrFalse(text);
    case TValueShape::Time:
        return IsTime(text);
    case TValueShape::HoursAndMinutes:
        return IsHoursAndMinutes(text);
    }
    return true;
}

bool IsDateInFormat(QStringView value, int dateFormat)
{
    const QStringView text = value.trimmed();
    // Up to three numbers with one separator between each two.
    QStringView parts[3];
    int count = 0;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype start = pos;
        if (Digits(text, pos) == 0 || count == 3)
            return false;
        parts[count++] = text.mid(start, pos - start);
        if (pos == text.size())
            break;
        if (!IsDateSeparator(text[pos]))
            return false;
        ++pos;
    }

    const TDateOrder& order = DateOrders[dateFormat >= 0 && dateFormat < 6 ? dateFormat : 0];
    const int month = order.Month;
    const int day = order.Day;
    const int year = order.Year;
    const bool yearOptional = order.YearOptional;
    const int wanted = 1 + (day >= 0 ? 1 : 0) + (year >= 0 ? 1 : 0);
    if (count != wanted && !(yearOptional && count == wanted - 1))
        return false;
    const bool hasYear = year >= 0 && year < count;

    const qsizetype yearDigits = hasYear ? parts[year].size() : 0;
    if (hasYear && yearDigits != 2 && yearDigits != 4)
        return false;
    const int y = hasYear ? NumberOf(parts[year]) : 0;
    if (parts[month].size() > 2)
        return false;
    const int m = NumberOf(parts[month]);
    if (m < 1 || m > 12)
        return false;
    if (day < 0)
        return true;
    if (parts[day].size() > 2)
        return false;
    const int d = NumberOf(parts[day]);
    return d >= 1 && d <= DaysInMonth(m, y, yearDigits);
}

QString ShapeExpectation(TValueShape shape)
{
    switch (shape) {
    case TValueShape::Age:
        return QStringLiteral("an age in whole years");
    case TValueShape::PositiveNumber:
        return QStringLiteral("a positive number");
    case TValueShape::OneDecimal:
        return QStringLiteral("a number with at most 1 decimal place");
    case TValueShape::TwoDecimals:
        return QStringLiteral("a number with at most 2 decimal places");
    case TValueShape::Currency:
        return QStringLiteral("an amount such as 1,250.00");
    case TValueShape::TrueOrFalse:
        return QStringLiteral("True, Yes, Y, False, No or N (the service reads anything else as false)");
    case TValueShape::Time:
        return QStringLiteral("a time such as 9:30 or 2:15 PM");
    case TValueShape::HoursAndMinutes:
        return QStringLiteral("hours and minutes such as 2:30");
    case TValueShape::Date:
        return QStringLiteral("a date");
    case TValueShape::Any:
        break;
    }
    return QString();
}
