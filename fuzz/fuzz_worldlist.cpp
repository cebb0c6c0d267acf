// World list reader and what the editor does with its lines: each folder name goes through
// the containment check and, when it passes, through the case-insensitive path resolution,
// whose result must stay inside the mod folder.
#include "world/WorldList.h"

#include "Paths.h"

#include <cstddef>
#include <cstdint>

using namespace tessaforge;

namespace {

// A mod folder that does not exist: resolution keeps unmatched components as given, so the
// result is a pure function of the name.
const QString kMod = QStringLiteral("/nonexistent-vt-fuzz/Mods/Mod");

bool hasDotDotComponent(const QString &path)
{
    for (const QString &part : path.split(QLatin1Char('/')))
        if (part == QLatin1String(".."))
            return true;
    return false;
}

} // namespace

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
        if (!vt::isContainedRelativePath(f))
            continue;
        const QString stored = vt::fromStoredPath(f);
        if (stored.contains(QLatin1Char('\\')) || hasDotDotComponent(stored))
            __builtin_trap();
        const QString resolved = vt::resolvePath(vt::joinPath(kMod, stored));
        if (!resolved.startsWith(kMod + QLatin1Char('/')) || hasDotDotComponent(resolved))
            __builtin_trap();
    }
    return 0;
}
