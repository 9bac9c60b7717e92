#include "core/Version.h"

#include "core/BuildVersion.h"
#include "core/TextDecoder.h"
#include "core/VersionRecord.h"

#include <QFile>

namespace
{
constexpr int MaxPathLength = 255;
constexpr qint64 ChunkSize = 1 << 20;

QByteArray Marker()
{
    // Built at run time from its two halves, so this scanner never holds the marker whole.
    return QByteArray(QIMPORT_VERSION_MARKER_HEAD) + QByteArray(QIMPORT_VERSION_MARKER_TAIL);
}

// Reads the four parts after the first marker in the file; false when there is none.
bool FindVersionRecord(const QString& path, TFileVersion& version)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray marker = Marker();
    const qsizetype keep = VersionRecordLayout::RecordLength - 1;
    QByteArray window;
    // Chunks overlap by one record's length less a byte, so a record split between two reads is still found.
    while (true) {
        const QByteArray chunk = file.read(ChunkSize);
        if (chunk.isEmpty() && window.size() < VersionRecordLayout::RecordLength)
            return false;
        window += chunk;
        const qsizetype at = window.indexOf(marker);
        if (at >= 0 && window.size() - at >= VersionRecordLayout::RecordLength) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(window.constData() + at + marker.size());
            for (int i = 0; i < 4; ++i)
                version[i] = quint16(bytes[2 * i] | (bytes[2 * i + 1] << 8));
            return true;
        }
        if (chunk.isEmpty())
            return false; // a marker cut off by the end of the file
        if (at >= 0)
            window = window.mid(at); // wait for the rest of this record
        else if (window.size() > keep)
            window = window.right(keep);
    }
}
} // namespace

QString GetFileVersionText(const QString& path)
{
    TFileVersion version{0, 0, 0, 0};
    FindVersionRecord(path.left(MaxPathLength), version);
    QString text = QStringLiteral("%1.%2.%3.%4").arg(version[0]).arg(version[1]).arg(version[2]).arg(version[3]);
    return ToSingleByteText(text.left(MaxPathLength));
}

QByteArray VersionRecordBytes(const TFileVersion& version)
{
    QByteArray bytes = Marker();
    for (quint16 part : version) {
        bytes.append(char(part & 0xFF));
        bytes.append(char(part >> 8));
    }
    return bytes;
}

TFileVersion BuiltVersion()
{
    return {QIMPORT_BUILD_VERSION_MAJOR, QIMPORT_BUILD_VERSION_MINOR, QIMPORT_BUILD_VERSION_PATCH,
            QIMPORT_BUILD_VERSION_BUILD};
}
