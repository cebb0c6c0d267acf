// Feeds arbitrary bytes to the tile information reader. Whatever loads must encode back to
// the input's header and grid, with tiles missing from a short input written as 0.
#include "tileinfo/mLevelTileset.h"

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace tilemarrow;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    TileInfo info;
    if (!mLevelTileset::decode(input, info).ok()) {
        if (size >= 2)
            __builtin_trap();
        return 0;
    }

    const qsizetype full = 2 + qsizetype(data[0] + 1) * qsizetype(data[1] + 1);
    QByteArray saved;
    (void)mLevelTileset::encode(info, saved);
    if (saved.size() != full)
        __builtin_trap();
    const qsizetype present = std::min(full, input.size());
    if (QByteArrayView(saved).first(present) != input.first(present))
        __builtin_trap();
    if (std::any_of(saved.begin() + present, saved.end(), [](char c) { return c != 0; }))
        __builtin_trap();

    TileInfo again;
    if (!mLevelTileset::decode(saved, again).ok() || !(again == info))
        __builtin_trap();
    for (qint32 x = 0; x <= info.MaxX; x += 17) {
        const qint32 v = info.tile(x, info.MaxY);
        if (mLevelTileset::GetTileType(info, x, info.MaxY) != (v & 0x7F)
            || mLevelTileset::IsTileAnimated(info, x, info.MaxY) != bool(v & 0x80))
            __builtin_trap();
    }
    return 0;
}
