// Compiled into every executable (not just linked from a library), so each one
// carries its own record for the version scanner to find.
#include "core/VersionRecord.h"

#include "core/BuildVersion.h"

namespace
{
constexpr unsigned char Lo(unsigned v)
{
    return static_cast<unsigned char>(v & 0xFF);
}
constexpr unsigned char Hi(unsigned v)
{
    return static_cast<unsigned char>((v >> 8) & 0xFF);
}

// The adjacent literals are joined by the compiler: the marker appears whole only here.
[[gnu::used]] const unsigned char Record[] = {
#define M(i) static_cast<unsigned char>((QIMPORT_VERSION_MARKER_HEAD QIMPORT_VERSION_MARKER_TAIL)[i])
    M(0),  M(1),  M(2),  M(3),  M(4),  M(5),  M(6),  M(7),  M(8),  M(9),  M(10),
    M(11), M(12), M(13), M(14), M(15), M(16), M(17), M(18), M(19), M(20), M(21),
#undef M
    Lo(QIMPORT_BUILD_VERSION_MAJOR), Hi(QIMPORT_BUILD_VERSION_MAJOR),
    Lo(QIMPORT_BUILD_VERSION_MINOR), Hi(QIMPORT_BUILD_VERSION_MINOR),
    Lo(QIMPORT_BUILD_VERSION_PATCH), Hi(QIMPORT_BUILD_VERSION_PATCH),
    Lo(QIMPORT_BUILD_VERSION_BUILD), Hi(QIMPORT_BUILD_VERSION_BUILD),
};
static_assert(sizeof(Record) == VersionRecordLayout::RecordLength);
static_assert(sizeof(QIMPORT_VERSION_MARKER_HEAD QIMPORT_VERSION_MARKER_TAIL) - 1
              == VersionRecordLayout::MarkerLength);
} // namespace
