#include "exchange/Envelope.h"

QString encodeString(const QString& iString)
{
    static const char escaped[] = "%*#&<> []";
    QString result = iString;
    for (const char* c = escaped; *c; ++c) {
        const QString code = QLatin1Char('%') + QStringLiteral("%1").arg(int(uchar(*c)), 2, 16, QLatin1Char('0')).toUpper();
        result.replace(QLatin1Char(*c), code);
    }
    return result;
}

namespace {

QString Head(const QString& account, const QString& login, const QString& passwordValue, const QString& requestType)
{
    return QStringLiteral("AC=") + account + QStringLiteral("&EL=") + login + QStringLiteral("&EP=") + passwordValue
         + QStringLiteral("&RT=") + requestType;
}

} // namespace

QString LoginRequest(const QString& account, const QString& login, const QString& password)
{
    return Head(account, login, encodeString(password), QStringLiteral("1")) + QStringLiteral("&VE=002");
}

QString FieldListRequest(const QString& account, const QString& login, const QString& password, quint16 fileType)
{
    return Head(account, login, encodeString(password), QString::number(fileType));
}

QString SiteListRequest(const QString& account, const QString& login, const QString& password)
{
    // The service reads this one password as typed.
    return Head(account, login, password, QStringLiteral("32"));
}

QString RecordHead(const QString& account, const QString& login, const QString& password, const QString& site)
{
    return Head(account, login, encodeString(password), QStringLiteral("31")) + QStringLiteral("&SI=") + site;
}

QString ImportFinishedRequest(const QString& account, const QString& login, const QString& password)
{
    return Head(account, login, encodeString(password), QStringLiteral("110"));
}
