#pragma once

// Layout of the version record embedded in every executable. The marker is
// kept in two halves here so that only the record itself holds it whole.
#define QIMPORT_VERSION_MARKER_HEAD "<<QImport"
#define QIMPORT_VERSION_MARKER_TAIL "FileVersion>>"

namespace VersionRecordLayout
{
constexpr int MarkerLength = 22; // head + tail, no terminator
constexpr int RecordLength = MarkerLength + 8;
} // namespace VersionRecordLayout
