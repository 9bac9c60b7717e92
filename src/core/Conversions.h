#pragma once

#include <QString>

// Text to signed 32-bit integer: leading spaces, optional sign, then decimal
// digits or hex digits after "$", "x", "X", "0x" or "0X"; nothing may follow.
// Returns false (leaving value alone) when the text has another form or overflows.
bool TryStrToInt(const QString& text, qint32& value);
bool TryStrToInt(QStringView text, qint32& value);

// As TryStrToInt, but 0 whenever the text is not a number. Never fails.
qint32 StrToIntOrZero(const QString& text);
qint32 StrToIntOrZero(QStringView text);

// 123456789 -> "123-456-789"; any number that is not nine characters long -> "".
QString FormatAccountNumber(qint32 n);
// The same for the digits as typed, so a leading zero stays: "012345678" -> "012-345-678";
// anything but nine digits -> "".
QString FormatAccountDigits(const QString& digits);
// Exactly nine characters "0".."9".
bool IsAccountDigits(const QString& text);
