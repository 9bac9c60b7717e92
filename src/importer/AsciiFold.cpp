#include "importer/AsciiFold.h"

namespace
{

bool IsPrintable(char16_t c)
{
    return c >= 32 && c <= 126;
}

// Letters and punctuation that the decomposition leaves alone but that have an
// obvious ASCII form. Null when the character has none here.
const char* Replacement(char16_t c)
{
    switch (c) {
    case u'\u00DF': return "ss"; // ß
    case u'\u1E9E': return "SS"; // ẞ
    case u'\u00E6': return "ae";
    case u'\u00C6': return "AE";
    case u'\u0153': return "oe";
    case u'\u0152': return "OE";
    case u'\u00F8': return "o";
    case u'\u00D8': return "O";
    case u'\u0142': return "l";
    case u'\u0141': return "L";
    case u'\u0111': return "d"; // đ
    case u'\u0110': return "D";
    case u'\u00F0': return "d"; // ð
    case u'\u00D0': return "D";
    case u'\u00FE': return "th";
    case u'\u00DE': return "Th";
    case u'\u0131': return "i"; // dotless i
    case u'\u2018':
    case u'\u2019':
    case u'\u201A':
    case u'\u201B':
    case u'\u2032':
        return "'";
    case u'\u201C':
    case u'\u201D':
    case u'\u201E':
    case u'\u201F':
    case u'\u00AB':
    case u'\u00BB':
        return "\"";
    case u'\u2010':
    case u'\u2011':
    case u'\u2012':
    case u'\u2013':
    case u'\u2014':
    case u'\u2015':
    case u'\u2212':
        return "-";
    case u'\u2044':
        return "/";
    default:
        return nullptr;
    }
}

// Folds text into out; when lost is given, gathers what had no ASCII form.
void Fold(QStringView text, QString& out, QStringList* lost)
{
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    out.reserve(decomposed.size());
    const qsizetype size = decomposed.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = decomposed.at(i).unicode();
        if (IsPrintable(c)) {
            out += QChar(c);
            continue;
        }
        if (const char* ascii = Replacement(c)) {
            out += QLatin1String(ascii);
            continue;
        }
        if (!lost)
            continue;
        // One character, surrogate pairs kept together.
        qsizetype length = 1;
        char32_t code = c;
        if (QChar::isHighSurrogate(c) && i + 1 < size && decomposed.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, decomposed.at(i + 1).unicode());
            length = 2;
        }
        if (!QChar::isMark(code)) {
            const QString character = decomposed.mid(i, length);
            if (!lost->contains(character))
                lost->append(character);
        }
        i += length - 1;
    }
}

} // namespace

bool IsPlainAscii(QStringView text)
{
    for (const QChar ch : text)
        if (!IsPrintable(ch.unicode()))
            return false;
    return true;
}

QString FoldToAscii(const QString& text)
{
    if (IsPlainAscii(text))
        return text;
    QString out;
    Fold(text, out, nullptr);
    return out;
}

TFolding FoldCell(QStringView text)
{
    TFolding folding;
    if (IsPlainAscii(text)) {
        folding.Sent = text.toString();
        return folding;
    }
    Fold(text, folding.Sent, &folding.Lost);
    return folding;
}

QString ShowLostCharacter(const QString& character)
{
    const char32_t code = character.size() == 2 ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                                                : char32_t(character.at(0).unicode());
    if (QChar::isPrint(code) && !QChar::isSpace(code))
        return character;
    return QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
}
