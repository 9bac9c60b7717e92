#pragma once

#include <QString>

// Percent-encodes the nine characters "%*#&<> []" (in that order, the percent
// sign first so later escapes stay intact); everything else is left alone.
QString encodeString(const QString& iString);

// The request envelopes: "AC=..&EL=..&EP=..&RT=.." plus the request's own pairs.
// Only the password is escaped, and only where the service expects it.
QString LoginRequest(const QString& account, const QString& login, const QString& password);
QString FieldListRequest(const QString& account, const QString& login, const QString& password, quint16 fileType);
QString SiteListRequest(const QString& account, const QString& login, const QString& password);
// The record's field pairs are appended by the caller.
QString RecordHead(const QString& account, const QString& login, const QString& password, const QString& site);
QString ImportFinishedRequest(const QString& account, const QString& login, const QString& password);

// Reply codes awaited in WaitFor.
enum TReplyCode : quint16
{
    rcNone = 0,
    rcLogin = 1,
    rcFieldList = 2,
    rcSiteList = 3,
    rcRecord = 4,
    rcImportFinished = 6
};
