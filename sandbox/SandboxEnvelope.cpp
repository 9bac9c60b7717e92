#include "SandboxEnvelope.h"

#include <cstring>

namespace {

int UpperHexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

} // namespace

QList<TEnvelopePair> ParseEnvelope(const QString& envelope)
{
    QList<TEnvelopePair> pairs;
    if (envelope.isEmpty())
        return pairs;
    for (const QString& piece : envelope.split(QLatin1Char('&'))) {
        const qsizetype equals = piece.indexOf(QLatin1Char('='));
        if (equals < 0)
            pairs.append({piece, QString()});
        else
            pairs.append({piece.left(equals), piece.mid(equals + 1)});
    }
    return pairs;
}

QString EnvelopeValue(const QList<TEnvelopePair>& pairs, const QString& name, bool* found)
{
    for (const TEnvelopePair& pair : pairs) {
        if (pair.Name == name) {
            if (found)
                *found = true;
            return pair.Value;
        }
    }
    if (found)
        *found = false;
    return {};
}

QString DecodePassword(const QString& encoded)
{
    static const char encodedCharacters[] = "%*#&<> []";
    QString plain;
    plain.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const QChar c = encoded.at(i);
        if (c == QLatin1Char('%') && i + 2 < encoded.size()) {
            const int high = UpperHexDigit(encoded.at(i + 1));
            const int low = UpperHexDigit(encoded.at(i + 2));
            const int code = high * 16 + low;
            // One left-to-right pass, so "%2541" comes back as "%41", not "A".
            if (high >= 0 && low >= 0 && code > 0 && std::strchr(encodedCharacters, code) != nullptr) {
                plain.append(QChar(code));
                i += 2;
                continue;
            }
        }
        plain.append(c);
    }
    return plain;
}

QString MaskPassword(const QString& envelope)
{
    qsizetype start = -1;
    if (envelope.startsWith(QLatin1String("EP=")))
        start = 3;
    else {
        const qsizetype at = envelope.indexOf(QLatin1String("&EP="));
        if (at >= 0)
            start = at + 4;
    }
    if (start < 0)
        return envelope;
    qsizetype end = envelope.indexOf(QLatin1String("&RT="), start);
    if (end < 0)
        end = envelope.indexOf(QLatin1Char('&'), start);
    if (end < 0)
        end = envelope.size();
    QString masked = envelope;
    masked.replace(start, end - start, QString(end - start, QLatin1Char('*')));
    return masked;
}
