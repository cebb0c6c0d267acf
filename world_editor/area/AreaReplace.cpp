#include "area/AreaReplace.h"

#include "FileIO.h"

#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <new>

namespace tessaforge {

namespace {

using areabytes::kOn;

constexpr qsizetype kHeader = oLevel::kHeaderSize;
constexpr qsizetype kCell = oLevel::kCellSize;

// A test of a cell's five stored bytes, held in the low bytes of a word: the bytes under the
// mask equal the value, and with notOn, the tile flag is not on.
struct StoredPattern
{
    quint64 mask = 0;
    quint64 value = 0;
    bool notOn = false;

    static quint64 word(const uchar *p)
    {
        quint32 low;
        std::memcpy(&low, p, 4);
        return qFromLittleEndian(low) | (quint64(p[4]) << 32);
    }
    bool test(quint64 w) const { return (w & mask) == value && !(notOn && (w & 0xFF) == kOn); }

    void tileAt(quint8 column, quint8 row)
    {
        mask |= 0xFFFFFF;
        value |= kOn | quint64(column) << 8 | quint64(row) << 16;
    }
    void byteAt(int index, quint8 v)
    {
        mask |= quint64(0xFF) << (8 * index);
        value |= quint64(v) << (8 * index);
    }

    // The cells a query matches.
    static StoredPattern matching(const CellQuery &q)
    {
        StoredPattern p;
        if (q.tile && q.tile->none)
            p.notOn = true;
        else if (q.tile)
            p.tileAt(q.tile->column, q.tile->row);
        if (q.tag)
            p.byteAt(3, *q.tag);
        if (q.enemy)
            p.byteAt(4, *q.enemy);
        return p;
    }
    // The cells a replacement leaves as they are (as the area reads them): no tile is a flag
    // that is not on with column and row 0, as erasing leaves them.
    static StoredPattern holding(const CellReplacement &r)
    {
        StoredPattern p;
        if (r.tile && r.tile->none) {
            p.notOn = true;
            p.mask |= 0xFFFF00;
        } else if (r.tile) {
            p.tileAt(r.tile->column, r.tile->row);
        }
        if (r.tag)
            p.byteAt(3, *r.tag);
        if (r.enemy)
            p.byteAt(4, *r.enemy);
        return p;
    }
};

// Cells the file stores whole, and cells its header's grid holds.
struct Extent
{
    qint64 stored = 0;
    qint64 cells = 0;
};

Extent extentOf(QByteArrayView bytes)
{
    const AreaHeader h = *areabytes::header(bytes);
    const qint64 cells = (qint64(h.width) + 1) * (qint64(h.height) + 1);
    return {std::min<qint64>(cells, (bytes.size() - kHeader) / kCell), cells};
}

// Writes the replaced parts of a cell whose content changes.
void putReplaced(const CellReplacement &with, const AreaCell &after, uchar *p)
{
    if (with.tile) {
        p[0] = after.bIsTile ? kOn : 0;
        p[1] = after.xSrc;
        p[2] = after.ySrc;
    }
    if (with.tag)
        p[3] = uchar(after.lTag);
    if (with.enemy)
        p[4] = uchar(after.lEnemy);
}

} // namespace

bool CellQuery::matches(const AreaCell &c) const
{
    if (tile) {
        if (tile->none ? c.bIsTile : (!c.bIsTile || c.xSrc != tile->column || c.ySrc != tile->row))
            return false;
    }
    return (!tag || c.lTag == *tag) && (!enemy || c.lEnemy == *enemy);
}

AreaCell CellReplacement::applied(AreaCell c) const
{
    if (tile) {
        c.bIsTile = !tile->none;
        c.xSrc = tile->none ? 0 : tile->column;
        c.ySrc = tile->none ? 0 : tile->row;
    }
    if (tag)
        c.lTag = *tag;
    if (enemy)
        c.lEnemy = *enemy;
    return c;
}

std::optional<quint8> byteFromText(QStringView text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < 0 || v > 255)
        return std::nullopt;
    return quint8(v);
}

std::optional<TileValue> tileFromText(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.compare(u"none", Qt::CaseInsensitive) == 0)
        return TileValue::noTile();
    const qsizetype comma = t.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    const std::optional<quint8> column = byteFromText(t.first(comma));
    const std::optional<quint8> row = byteFromText(t.sliced(comma + 1));
    if (!column || !row)
        return std::nullopt;
    return TileValue::at(*column, *row);
}

QString tileText(const TileValue &tile)
{
    return tile.none ? QStringLiteral("no tile") : QStringLiteral("tile (%1, %2)").arg(tile.column).arg(tile.row);
}

namespace {

// The cells of a stored grid that pass the test, or with `holds`, also (as .changed) those of
// them that fail `holds`. One instance per kind of test, so that the loop holds no test it does
// not need: it runs over every cell of every area of a mod. Each cell is read as one word of
// eight bytes (the last one, which may end the buffer, with two smaller reads).
template <bool FindNotOn, bool WithHolds, bool HoldNotOn>
ReplaceCount countStored(const uchar *p, qint64 cells, const StoredPattern &find, const StoredPattern &holds)
{
    const quint64 findMask = find.mask, findValue = find.value, holdMask = holds.mask, holdValue = holds.value;
    qint64 matched = 0, changed = 0;
    auto count = [&](quint64 w) {
        bool m = (w & findMask) == findValue;
        if constexpr (FindNotOn)
            m &= (w & 0xFF) != kOn;
        matched += m;
        if constexpr (WithHolds) {
            bool h = (w & holdMask) == holdValue;
            if constexpr (HoldNotOn)
                h &= (w & 0xFF) != kOn;
            changed += m & !h;
        }
    };
    for (qint64 i = 0; i + 1 < cells; ++i, p += kCell) {
        quint64 w;
        std::memcpy(&w, p, 8);
        count(qFromLittleEndian(w));
    }
    if (cells > 0)
        count(StoredPattern::word(p));
    return {matched, changed};
}

// Whether no cell can pass both tests: they want different values of one byte, or one wants
// the tile flag on and the other not.
bool exclusive(const StoredPattern &a, const StoredPattern &b)
{
    if ((a.value ^ b.value) & a.mask & b.mask)
        return true;
    const auto wantsOn = [](const StoredPattern &p) { return (p.mask & 0xFF) == 0xFF && (p.value & 0xFF) == kOn; };
    return (a.notOn && wantsOn(b)) || (b.notOn && wantsOn(a));
}

} // namespace

ReplaceCount countInBytes(QByteArrayView bytes, const CellReplace &replace)
{
    ReplaceCount n;
    if (!areabytes::check(bytes))
        return n;
    const Extent e = extentOf(bytes);
    const StoredPattern find = StoredPattern::matching(replace.find);
    const StoredPattern holds = StoredPattern::holding(replace.with);
    const auto *p = reinterpret_cast<const uchar *>(bytes.data()) + kHeader;
    if (exclusive(find, holds)) {
        // The usual case (a tile, tag or enemy replaced by another): every match changes, and
        // one test a cell does.
        n = find.notOn ? countStored<true, false, false>(p, e.stored, find, holds)
                       : countStored<false, false, false>(p, e.stored, find, holds);
        n.changed = n.matched;
    } else if (find.notOn) {
        n = holds.notOn ? countStored<true, true, true>(p, e.stored, find, holds)
                        : countStored<true, true, false>(p, e.stored, find, holds);
    } else {
        n = holds.notOn ? countStored<false, true, true>(p, e.stored, find, holds)
                        : countStored<false, true, false>(p, e.stored, find, holds);
    }
    // The cells a short file lacks read as empty ones.
    if (e.cells > e.stored && replace.find.matches(AreaCell{})) {
        n.matched += e.cells - e.stored;
        if (!(replace.with.applied(AreaCell{}) == AreaCell{}))
            n.changed += e.cells - e.stored;
    }
    return n;
}

vt::Status replaceInBytes(QByteArrayView bytes, const CellReplace &replace, QByteArray &out, ReplaceCount *count)
{
    if (vt::Status s = areabytes::check(bytes); !s)
        return s;
    // Counted first: most areas of a mod hold no match, and those are never copied.
    const ReplaceCount n = countInBytes(bytes, replace);
    if (count)
        *count = n;
    if (n.changed == 0)
        return vt::Status::success();

    const Extent e = extentOf(bytes);
    const AreaCell emptyAfter = replace.with.applied(AreaCell{});
    const bool fillsLacking = e.cells > e.stored && replace.find.matches(AreaCell{}) && !(emptyAfter == AreaCell{});
    // A few bytes may claim a grid of a billion cells; writing them all out is not the small
    // edit a replacement is.
    constexpr qint64 kMaxFill = qint64(256) * 1024 * 1024;
    if (fillsLacking && (e.cells - e.stored) * kCell > kMaxFill)
        return vt::Status::failure(
            QStringLiteral("The area file holds %1 of the %2 cells of its grid; the replacement would write out the "
                           "other %3 (%4 MiB), which is more than a replacement writes.")
                .arg(e.stored)
                .arg(e.cells)
                .arg(e.cells - e.stored)
                .arg((e.cells - e.stored) * kCell / (1024 * 1024)));
    QByteArray result;
    try {
        if (fillsLacking) {
            result = QByteArray(kHeader + kCell * e.cells, Qt::Uninitialized);
            std::memcpy(result.data(), bytes.data(), std::size_t(kHeader + kCell * e.stored));
        } else {
            result = bytes.toByteArray();
        }
    } catch (const std::bad_alloc &) {
        return vt::Status::failure(QStringLiteral("Not enough memory for the replaced area (%1 cells).").arg(e.cells));
    }
    const StoredPattern find = StoredPattern::matching(replace.find);
    auto *p = reinterpret_cast<uchar *>(result.data()) + kHeader;
    for (uchar *end = p + e.stored * kCell; p != end; p += kCell) {
        if (!find.test(StoredPattern::word(p)))
            continue;
        const AreaCell before = areabytes::cell(p);
        const AreaCell after = replace.with.applied(before);
        if (!(after == before))
            putReplaced(replace.with, after, p);
    }
    if (fillsLacking) {
        uchar cell[kCell];
        areabytes::putCell(emptyAfter, cell);
        for (qint64 i = e.stored; i < e.cells; ++i, p += kCell)
            std::memcpy(p, cell, kCell);
    }
    out = std::move(result);
    return vt::Status::success();
}

ReplaceCount countInArea(const oLevel &area, const CellReplace &replace)
{
    ReplaceCount n;
    for (qint32 x = 0; area.hasGrid() && x <= area.width(); ++x) {
        const AreaCell *column = area.column(x);
        for (qint32 y = 0; y <= area.height(); ++y) {
            if (!replace.find.matches(column[y]))
                continue;
            ++n.matched;
            n.changed += !(replace.with.applied(column[y]) == column[y]);
        }
    }
    return n;
}

std::vector<CellChange> replaceChanges(const oLevel &area, const CellReplace &replace, qint64 *matched)
{
    std::vector<CellChange> changes;
    qint64 n = 0;
    for (qint32 x = 0; area.hasGrid() && x <= area.width(); ++x) {
        const AreaCell *column = area.column(x);
        for (qint32 y = 0; y <= area.height(); ++y) {
            const AreaCell &before = column[y];
            if (!replace.find.matches(before))
                continue;
            ++n;
            const AreaCell after = replace.with.applied(before);
            if (!(after == before))
                changes.push_back(CellChange{x, y, before, after});
        }
    }
    if (matched)
        *matched = n;
    return changes;
}

// ---- several files ---------------------------------------------------------------------------

qint64 AreaFilesReplace::matched() const
{
    qint64 n = 0;
    for (const AreaFileReplace &f : files)
        n += f.count.matched;
    return n;
}

qsizetype AreaFilesReplace::areasMatching() const
{
    return std::count_if(files.begin(), files.end(), [](const AreaFileReplace &f) { return f.count.matched > 0; });
}

qsizetype AreaFilesReplace::areasWritten() const
{
    return std::count_if(files.begin(), files.end(), [](const AreaFileReplace &f) { return f.written; });
}

bool AreaFilesReplace::any(AreaFileReplace::State state) const
{
    return std::any_of(files.begin(), files.end(), [state](const AreaFileReplace &f) { return f.state == state; });
}

AreaFilesReplace replaceInAreaFiles(const QStringList &paths, const CellReplace &replace, ReplaceMode mode,
                                    const QString &confineTo, const AreaBytesSource &source)
{
    using State = AreaFileReplace::State;
    // A file may hold bytes after the grid, which the reader ignores and a replace keeps; a
    // megabyte of them is plenty for any file a tool made.
    constexpr qint64 kMaxTail = qint64(1) << 20;

    AreaFilesReplace result;
    vt::FileBatch batch(confineTo);
    std::vector<std::size_t> batched;  // places in result.files of the batch's files, in order
    for (const QString &path : paths) {
        if (mode == ReplaceMode::Write && !result.status)
            break;  // nothing will be written: the failure is the answer
        AreaFileReplace file;
        file.path = path;
        QByteArray bytes;
        if (std::optional<QByteArray> held = source ? source(path) : std::nullopt) {
            bytes = std::move(*held);
        } else if (vt::Status s = vt::readWholeFile(path, bytes, kAreaFormat.maxSize + kMaxTail); !s) {
            // Asked only now: most files are there, and each question costs a system call.
            if (QFileInfo::exists(path)) {
                file.state = State::Unreadable;
                file.problem = s.error();
            } else {
                file.state = State::Missing;
            }
        }
        if (file.state == State::Read) {
            if (vt::Status s = areabytes::check(bytes); !s) {
                file.state = State::Refused;
                file.problem = s.error();
            } else if (mode == ReplaceMode::Count) {
                file.count = countInBytes(bytes, replace);
            } else {
                QByteArray replaced;
                if (vt::Status r = replaceInBytes(bytes, replace, replaced, &file.count); !r) {
                    result.status = vt::Status::failure(path + QStringLiteral(": ") + r.error());
                } else if (file.count.changed > 0) {
                    bytes = QByteArray();  // one file's bytes held at a time, beside its new ones
                    if (vt::Status w = batch.add(path, replaced); !w) {
                        result.status = w;
                    } else {
                        batched.push_back(result.files.size());
                    }
                }
            }
        }
        if (file.state == State::Unreadable && mode == ReplaceMode::Write && result.status)
            result.status = vt::Status::failure(file.problem);
        result.files.push_back(std::move(file));
    }
    if (mode == ReplaceMode::Count)
        return result;
    if (!result.status) {
        batch.cancel();
        return result;
    }
    result.status = batch.commit();
    const QSet<QString> replaced(batch.replaced().cbegin(), batch.replaced().cend());
    for (std::size_t i : batched)
        result.files[i].written = replaced.contains(result.files[i].path);
    return result;
}

} // namespace tessaforge
