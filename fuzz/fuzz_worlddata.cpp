#include "world/mWorldData.h"

#include <cstddef>
#include <cstdint>

using namespace tessaforge;

// Any bytes: the decoder either fails cleanly or yields details that encode and decode
// back to themselves.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    WorldDetails world;
    if (!mWorldData::decode(bytes, world).ok())
        return 0;
    const QByteArray again = mWorldData::encode(world);
    if (again.isEmpty())
        return 0;  // a text longer than a save accepts
    WorldDetails back;
    if (!mWorldData::decode(again, back).ok() || !(back == world))
        __builtin_trap();
    return 0;
}
