#include "exchange/Credentials.h"

QString DigitsOnly(const QString& text)
{
    QString digits;
    for (const QChar c : text) {
        if (c.unicode() >= '0' && c.unicode() <= '9')
            digits.append(c);
    }
    return digits;
}

QString TrimControl(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

bool IsEmailAddress(const QString& text)
{
    const QString t = TrimControl(text);
    if (t.size() < 7)
        return false;
    const qsizetype at = t.indexOf(QLatin1Char('@'));
    if (at <= 0)
        return false;
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    return dot >= 0 && dot != t.size() - 1;
}
