#include "core/Conversions.h"

namespace
{
int HexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}
} // namespace

bool TryStrToInt(const QString& text, qint32& value)
{
    return TryStrToInt(QStringView(text), value);
}

bool TryStrToInt(QStringView text, qint32& value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return false;
    // Accumulate in 64 bits; anything past the 32-bit range fails.
    qint64 magnitude = 0;
    for (; i < n; ++i) {
        const int d = base == 16 ? HexValue(text[i]) : (text[i].isDigit() && text[i].unicode() < 128 ? text[i].unicode() - '0' : -1);
        if (d < 0)
            return false;
        magnitude = magnitude * base + d;
        if (magnitude > qint64(0x80000000))
            return false;
    }
    const qint64 result = negative ? -magnitude : magnitude;
    if (result > qint64(INT32_MAX) || result < qint64(INT32_MIN))
        return false;
    value = qint32(result);
    return true;
}

qint32 StrToIntOrZero(const QString& text)
{
    return StrToIntOrZero(QStringView(text));
}

qint32 StrToIntOrZero(QStringView text)
{
    qint32 value = 0;
    return TryStrToInt(text, value) ? value : 0;
}

QString FormatAccountNumber(qint32 n)
{
    const QString digits = QString::number(n);
    if (digits.size() != 9)
        return QString();
    return digits.left(3) + QLatin1Char('-') + digits.mid(3, 3) + QLatin1Char('-') + digits.mid(6, 3);
}

bool IsAccountDigits(const QString& text)
{
    if (text.size() != 9)
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString FormatAccountDigits(const QString& digits)
{
    if (!IsAccountDigits(digits))
        return QString();
    return digits.left(3) + QLatin1Char('-') + digits.mid(3, 3) + QLatin1Char('-') + digits.mid(6, 3);
}
