#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Record values may only carry codes 32..126. Rather than dropping every other
// character, a value is first folded to its nearest ASCII form: the Unicode
// compatibility decomposition (NFKD: "é" -> "e" + accent, "ﬁ" -> "fi", a
// no-break space -> a space), then a table of letters and punctuation that have
// no decomposition ("ß" -> "ss", "Ł" -> "L", curly quotes, dashes), then only
// codes 32..126 are kept.

// True when every character already lies in 32..126: folding changes nothing.
bool IsPlainAscii(QStringView text);

// The text as a record sends it, before "%" and "&" are escaped.
QString FoldToAscii(const QString& text);

struct TFolding
{
    QString Sent;     // FoldToAscii of the text
    QStringList Lost; // characters that have no ASCII form, each once, in order of appearance
};

// Folds the text and names what folding had to drop. Accents and other marks
// that only decorate a letter are not counted as lost: the letter stays.
TFolding FoldCell(QStringView text);

// How a lost character is shown: itself when it is visible, else "U+200D".
QString ShowLostCharacter(const QString& character);
