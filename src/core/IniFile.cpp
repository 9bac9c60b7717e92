#include "core/IniFile.h"

#include "core/Conversions.h"

#include <QSaveFile>

namespace
{
// Name of a section header line ("[Name]"), or a null string when the line is no header.
QString SectionName(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return QString();
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    QString name = (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
    if (name.isNull())
        name = QStringLiteral(""); // "[]" is still a header
    return name;
}

bool IsComment(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(QLatin1Char(';'));
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString OneLine(const QString& value)
{
    QString result = value;
    result.remove(QLatin1Char('\r'));
    result.remove(QLatin1Char('\n'));
    return result;
}
} // namespace

TIniFile::TIniFile(const QString& path)
    : FPath(path)
{
    QStringList lines;
    TextEncoding encoding = TextEncoding::Ansi;
    if (ReadTextFileLines(path, lines, &encoding)) {
        FLines = lines;
        FEncoding = encoding;
    }
}

int TIniFile::FindSection(const QString& section) const
{
    for (int i = 0; i < FLines.size(); ++i) {
        const QString name = SectionName(FLines[i]);
        if (!name.isNull() && SameName(name, section.trimmed()))
            return i;
    }
    return -1;
}

int TIniFile::SectionEnd(int sectionLine) const
{
    int i = sectionLine + 1;
    while (i < FLines.size() && SectionName(FLines[i]).isNull())
        ++i;
    return i;
}

int TIniFile::FindKey(int sectionLine, const QString& key) const
{
    const int end = SectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i) {
        const QString& line = FLines[i];
        if (IsComment(line))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (SameName(line.left(eq).trimmed(), key.trimmed()))
            return i;
    }
    return -1;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const int sectionLine = FindSection(section);
    if (sectionLine < 0)
        return defaultValue.left(MaxValueLength);
    const int keyLine = FindKey(sectionLine, key);
    if (keyLine < 0)
        return defaultValue.left(MaxValueLength);
    const QString& line = FLines[keyLine];
    return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed().left(MaxValueLength);
}

qint32 TIniFile::ReadInteger(const QString& section, const QString& key, qint32 defaultValue) const
{
    QString text = ReadString(section, key, QString());
    if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X"))))
        text = QLatin1Char('$') + text.mid(2);
    qint32 value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QString line = key + QLatin1Char('=') + OneLine(value);
    int sectionLine = FindSection(section);
    if (sectionLine < 0) {
        FLines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        FLines.append(line);
        return;
    }
    const int keyLine = FindKey(sectionLine, key);
    if (keyLine >= 0) {
        FLines[keyLine] = line;
        return;
    }
    // New keys go after the section's last non-blank line, before any blank lines that separate it from the next.
    int insertAt = SectionEnd(sectionLine);
    while (insertAt > sectionLine + 1 && FLines[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    FLines.insert(insertAt, line);
}

void TIniFile::WriteInteger(const QString& section, const QString& key, qint32 value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::Save(QString* error) const
{
    QString text;
    for (const QString& line : FLines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    const QByteArray bytes = EncodeText(text, FEncoding);
    QSaveFile file(FPath);
    // A file that may be written in a directory that may not is still written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
