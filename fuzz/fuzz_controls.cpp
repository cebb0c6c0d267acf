// Controls file reader: any 21 leading bytes are a valid record, and writing it back must
// give exactly those bytes (bOther included); fewer bytes give their fields and defaults.
#include "input/mInput.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace keyvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    ControlConfig c;
    const bool accepted = mInput::decode(input, c).ok();
    if (accepted != (input.size() >= mInput::kControlFileSize))
        __builtin_trap();

    // A short input is the start of the record, the rest being the defaults; half of a
    // 16-bit field (bytes 17 and 19 start them) is not held.
    QByteArray out;
    (void)mInput::encode(c, out);
    qsizetype held = std::min(input.size(), mInput::kControlFileSize);
    if (held == 18 || held == 20)
        --held;
    if (QByteArrayView(out).first(held) != input.first(held))
        __builtin_trap();
    QByteArray defaults;
    (void)mInput::encode(ControlConfig{}, defaults);
    if (QByteArrayView(out).sliced(held) != QByteArrayView(defaults).sliced(held))
        __builtin_trap();
    ControlConfig again;
    if (!mInput::decode(out, again).ok() || !(again == c))
        __builtin_trap();
    return 0;
}
