#include "core/SetupRecord.h"

#include "core/TextDecoder.h"

QString SetupText(const QString& text, int capacity)
{
    return ToSingleByteText(text.left(capacity));
}
