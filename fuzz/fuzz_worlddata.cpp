#include "world/mWorldData.h"

#include <cstddef>
#include <cstdint>

using namespace tessaforge;

// Any bytes: the decoder either fails cleanly or yields details that encode to the input's
// own bytes (but for the lower index bound, which is read and written as 0) and decode back
// to themselves.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    WorldDetails world;
    if (!mWorldData::decode(bytes, world).ok())
        return 0;
    QByteArray again;
    (void)mWorldData::encode(world, again);
    if (again.isEmpty())
        return 0;  // a text longer than a save accepts
    if (again.size() > bytes.size())
        __builtin_trap();
    // Name length and name, the dimension count and the level count, then the lower bound.
    const qsizetype bound = 2 + world.sWorldName.size() + 2 + 4;
    for (qsizetype i = 0; i < again.size(); ++i) {
        const bool inBound = i >= bound && i < bound + 4;
        if (inBound ? again[i] != 0 : again[i] != bytes[i])
            __builtin_trap();
    }
    WorldDetails back;
    if (!mWorldData::decode(again, back).ok() || !(back == world))
        __builtin_trap();
    return 0;
}
