// Feeds arbitrary bytes to the world map reader. A map that loads must save again, and the
// saved bytes must be the input's records with only the ambiguous tag byte normalised (a
// stored low part of 1 means "no tag", which is written back as 0).
#include "map/oWorldMap.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

using tessaforge::oWorldMap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    oWorldMap map;
    if (!tessaforge::decode(input, map).ok())
        return 0;

    QByteArray saved;
    if (!tessaforge::encode(map, saved).ok())
        __builtin_trap();
    if (saved.size() != 1 + 12 * qsizetype(data[0]) || saved.size() > input.size())
        __builtin_trap();
    for (qsizetype i = 0; i < saved.size(); ++i) {
        auto expected = quint8(input[i]);
        if (i > 0 && (i - 1) % 12 == 8 && (expected & 0x7F) == 1)
            expected &= 0x80;
        if (quint8(saved[i]) != expected)
            __builtin_trap();
    }

    oWorldMap again;
    QByteArray resaved;
    if (!tessaforge::decode(saved, again).ok() || !tessaforge::encode(again, resaved).ok() || resaved != saved)
        __builtin_trap();
    return 0;
}
