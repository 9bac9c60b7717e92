#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

using TFileVersion = std::array<quint16, 4>;

// The version of a program file: the four 16-bit parts of the version record
// the build embeds in every executable, joined by "."; "0.0.0.0" when the file
// is missing or carries no record. The path is cut to 255 characters.
QString GetFileVersionText(const QString& path);

// The bytes of a version record as the build embeds it: the marker, then the
// four parts as little-endian 16-bit numbers.
QByteArray VersionRecordBytes(const TFileVersion& version);

// The version this program was built as (from the record compiled into it).
TFileVersion BuiltVersion();
