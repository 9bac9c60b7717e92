#pragma once

#include <QString>

// The characters "0".."9" of text, in order.
QString DigitsOnly(const QString& text);

// The minimal shape test of a login name: after trimming characters of code 32
// or below, at least 7 characters, an "@" that is not first, and a "." that is
// not last. Nothing else is judged.
bool IsEmailAddress(const QString& text);

// Leading and trailing characters of code 32 or below removed.
QString TrimControl(const QString& text);
