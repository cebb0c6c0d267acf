// Area file reader under hostile input: parse, and when that succeeds, write the area back
// and check the bytes against the input and against a second parse.
#include "area/AreaReplace.h"
#include "area/oLevel.h"

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// Headers asking for more cells than this are skipped: the allocator and the sanitizer's
// shadow memory, not the parser, would be under test (the unit tests cover the largest
// header). 64 Ki still lets either index reach its maximum of 32767 while the other is 0 or 1;
// with 64 Mi the run crawled at under 20 inputs a second.
constexpr int64_t kMaxFuzzCells = int64_t(1) << 16;

int16_t headerInt16(const uint8_t *data, size_t offset)
{
    return static_cast<int16_t>(data[offset] | (data[offset + 1] << 8));
}

uint8_t flagByte(uint8_t b)
{
    return b == 255 ? 255 : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size >= 11) {
        const int64_t columns = int64_t(headerInt16(data, 5)) + 1;
        const int64_t rows = int64_t(headerInt16(data, 7)) + 1;
        if (columns > 0 && rows > 0 && columns * rows > kMaxFuzzCells)
            return 0;
    }

    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    tessaforge::oLevel level;
    if (!tessaforge::decode(input, level).ok())
        return 0;

    QByteArray out;
    if (!tessaforge::encode(level, out).ok())
        __builtin_trap();  // every value read from a file fits its byte again

    // The written file is the input with flags normalised to 0/255, cut or zero-padded to
    // exactly the grid the header describes.
    const int64_t cells = (int64_t(level.width()) + 1) * (int64_t(level.height()) + 1);
    if (out.size() != 11 + 5 * cells)
        __builtin_trap();
    const auto *o = reinterpret_cast<const uint8_t *>(out.constData());
    if (o[0] != flagByte(data[0]) || !std::equal(o + 1, o + 11, data + 1))
        __builtin_trap();
    const int64_t stored = std::min<int64_t>(cells, int64_t(size - 11) / 5);
    for (int64_t i = 0; i < stored; ++i) {
        const uint8_t *in = data + 11 + 5 * i;
        const uint8_t *rec = o + 11 + 5 * i;
        if (rec[0] != flagByte(in[0]) || !std::equal(rec + 1, rec + 5, in + 1))
            __builtin_trap();
    }
    const uint8_t *rest = o + 11 + 5 * stored;
    if (std::any_of(rest, o + out.size(), [](uint8_t b) { return b != 0; }))
        __builtin_trap();

    tessaforge::oLevel again;
    QByteArray outAgain;
    if (!tessaforge::decode(out, again).ok() || !tessaforge::encode(again, outAgain).ok() || outAgain != out)
        __builtin_trap();

    // A replacement made in the file's bytes, as vtfile makes it, reads as the same replacement
    // made in the open area. The rule comes from header bytes; small values so that it matches.
    using tessaforge::TileValue;
    tessaforge::CellReplace rule;
    const uint8_t k = data[1];
    if (k & 1)
        rule.find.tile = (k & 2) ? TileValue::noTile() : TileValue::at(data[2] % 4, data[3] % 4);
    if (k & 4)
        rule.find.tag = data[3] % 4;
    if (k & 8)
        rule.find.enemy = data[4] % 4;
    if (k & 16)
        rule.with.tile = (k & 32) ? TileValue::noTile() : TileValue::at(data[4] % 4, data[2] % 4);
    if (k & 64)
        rule.with.tag = data[2] % 4;
    if (k & 128)
        rule.with.enemy = data[3] % 4;
    qint64 matched = 0;
    const std::vector<tessaforge::CellChange> changes = tessaforge::replaceChanges(level, rule, &matched);
    const tessaforge::ReplaceCount n = tessaforge::countInBytes(input, rule);
    if (n.matched != matched || n.changed != qint64(changes.size()))
        __builtin_trap();
    QByteArray replaced;
    if (!tessaforge::replaceInBytes(input, rule, replaced).ok() || replaced.isEmpty() != changes.empty())
        __builtin_trap();
    if (changes.empty())
        return 0;
    for (const tessaforge::CellChange &c : changes)
        level.SetCell(c.X, c.Y, c.after);
    tessaforge::oLevel fromBytes;
    QByteArray expected, got;
    if (!tessaforge::decode(replaced, fromBytes).ok() || !tessaforge::encode(fromBytes, got).ok()
        || !tessaforge::encode(level, expected).ok() || got != expected)
        __builtin_trap();
    return 0;
}
