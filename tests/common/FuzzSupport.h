#pragma once

// Shared by the libFuzzer targets: a failed check aborts, so libFuzzer keeps
// the input that broke it.
#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

inline void Check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "fuzz check failed: %s\n", what);
        abort();
    }
}

inline QByteArray BytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
