// Enemy skin reader: hostile bytes must neither crash nor over-allocate, and whatever
// it accepts must write back to the same bytes.
#include "skin/mEnemySkinFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace skinloft;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    EnemySkin skin;
    if (!mEnemySkinFile::decode(input, skin).ok())
        return 0;

    // Reader and writer share one limit: whatever loads saves.
    QByteArray out;
    if (!mEnemySkinFile::encode(skin, out).ok())
        __builtin_trap();

    // The input is the written skin followed by ignored bytes, or, when it ended between
    // two fields, the start of it followed by empty fields (zero lengths).
    const qsizetype common = std::min(out.size(), input.size());
    if (QByteArrayView(out).first(common) != input.first(common))
        __builtin_trap();
    for (qsizetype i = common; i < out.size(); ++i) {
        if (out[i] != '\0')
            __builtin_trap();
    }

    EnemySkin again;
    if (!mEnemySkinFile::decode(out, again).ok() || !(again == skin))
        __builtin_trap();
    return 0;
}
