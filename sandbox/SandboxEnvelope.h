#pragma once

#include <QList>
#include <QString>

// One name=value pair of a request envelope.
struct TEnvelopePair
{
    QString Name;
    QString Value;
    bool operator==(const TEnvelopePair&) const = default;
};

// Splits an envelope at every "&" and each pair at its first "=" (values are not
// escaped, so a value may hold "="). A pair without "=" has an empty value.
QList<TEnvelopePair> ParseEnvelope(const QString& envelope);

// The value of the first pair with that name; found tells whether there was one.
QString EnvelopeValue(const QList<TEnvelopePair>& pairs, const QString& name, bool* found = nullptr);

// Undoes the client's password encoding: %25 %2A %23 %26 %3C %3E %20 %5B %5D back
// to "%*#&<> []". Any other "%" sequence stays as it is.
QString DecodePassword(const QString& encoded);

// The envelope with the EP value replaced by as many "*" characters, for files a
// person may read. The value is taken to run up to "&RT=" so that even a plain
// password holding "&" is covered.
QString MaskPassword(const QString& envelope);
