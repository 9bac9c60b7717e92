#include "source/ColumnLetters.h"

QString ColumnLetters(int n)
{
    if (n < 1 || n > 260)
        return QString();
    if (n <= 26)
        return QString(QChar(u'A' + (n - 1)));
    const int rest = n - 27;
    const QChar first(u'A' + rest / 26);
    const QChar second(u'A' + rest % 26);
    return QString(first) + second;
}
