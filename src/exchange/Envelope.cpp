#include "exchange/Envelope.h"

#include <cstring>

QString encodeString(const QString& iString)
{
    static const char escaped[] = "%*#&<> []";
    static const char hex[] = "0123456789ABCDEF";
    QString result;
    result.reserve(iString.size());
    for (const QChar ch : iString) {
        const char16_t code = ch.unicode();
        if (code < 128 && code != 0 && std::strchr(escaped, char(code))) {
            result.append(QLatin1Char('%'));
            result.append(QLatin1Char(hex[code >> 4]));
            result.append(QLatin1Char(hex[code & 15]));
        } else {
            result.append(ch);
        }
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
