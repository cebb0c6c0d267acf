// Controls file reader: any 21 leading bytes are a valid record, and writing it back must
// give exactly those bytes (bOther included).
#include "input/mInput.h"

#include <cstddef>
#include <cstdint>

using namespace keyvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    ControlConfig c;
    c.bOther = 0x5a;  // a marker: a refused input must leave the record alone
    const bool accepted = mInput::decode(input, c);
    if (accepted != (input.size() >= mInput::kControlFileSize))
        __builtin_trap();
    if (!accepted) {
        if (c.bOther != 0x5a)
            __builtin_trap();
        return 0;
    }

    const QByteArray out = mInput::encode(c);
    if (out != input.first(mInput::kControlFileSize))
        __builtin_trap();
    ControlConfig again;
    if (!mInput::decode(out, again) || !(again == c))
        __builtin_trap();
    return 0;
}
