#include "world/WorldList.h"

#include <cstddef>
#include <cstdint>

using namespace tessaforge;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QStringList folders = tessaforge::parseWorldList(bytes);
    // Every world is one line of the file, trimmed.
    if (static_cast<size_t>(folders.size()) > size + 1)
        __builtin_trap();
    for (const QString &f : folders) {
        if (f.startsWith(QLatin1Char(' ')) || f.endsWith(QLatin1Char(' ')) || f == QLatin1String("."))
            __builtin_trap();
    }
    return 0;
}
