#pragma once

#include "core/TextDecoder.h"

#include <QString>
#include <QStringList>

// A private profile (INI) file with the classic Windows rules: section and key
// names compared without regard to case, values trimmed of surrounding blanks,
// and writes that touch only the one line they change. Every other line of the
// file (comments, unknown sections and keys, their order) is kept as it was.
class TIniFile
{
public:
    static constexpr int MaxValueLength = 2047;

    // Reads the file; a missing or unreadable file reads as empty.
    explicit TIniFile(const QString& path);

    const QString& Path() const { return FPath; }

    // The text after the first "=", blanks around it removed, at most 2047 characters.
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // "0x"/"0X" in front of more text reads as hexadecimal; text that is not a number gives the default.
    qint32 ReadInteger(const QString& section, const QString& key, qint32 defaultValue) const;
    // An integer read with default 1 or 0; true when the number is not 0.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    // Creates the section or the key when missing. Line breaks in the value are dropped so a
    // value can never add lines of its own to the file.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, qint32 value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // Writes the whole file back in the encoding it was read in (byte-order mark kept).
    bool Save(QString* error = nullptr) const;

    const QStringList& Lines() const { return FLines; }

private:
    // Line index of the section header, or -1.
    int FindSection(const QString& section) const;
    // Line index of the key inside the section starting at sectionLine, or -1.
    int FindKey(int sectionLine, const QString& key) const;
    // First line after the section's body.
    int SectionEnd(int sectionLine) const;

    QString FPath;
    QStringList FLines;
    TextEncoding FEncoding = TextEncoding::Ansi;
};
