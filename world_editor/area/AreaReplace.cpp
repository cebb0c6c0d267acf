#include "area/AreaReplace.h"

#include "FileIO.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cstring>
#include <new>

namespace tessaforge {

namespace {

using areabytes::kOn;

constexpr qsizetype kHeader = oLevel::kHeaderSize;
constexpr qsizetype kCell = oLevel::kCellSize;

// The query over a cell's stored bytes, its parts unpacked once: the walk over a file runs
// this for every cell.
struct StoredQuery
{
    enum class Tile : quint8 { Any, None, At };
    Tile tile = Tile::Any;
    uchar column = 0, row = 0;
    bool byTag = false, byEnemy = false;
    uchar tag = 0, enemy = 0;

    explicit StoredQuery(const CellQuery &q)
    {
        if (q.tile) {
            tile = q.tile->none ? Tile::None : Tile::At;
            column = q.tile->column;
            row = q.tile->row;
        }
        byTag = q.tag.has_value();
        tag = q.tag.value_or(0);
        byEnemy = q.enemy.has_value();
        enemy = q.enemy.value_or(0);
    }

    bool matches(const uchar *p) const
    {
        if (tile == Tile::None && p[0] == kOn)
            return false;
        if (tile == Tile::At && (p[0] != kOn || p[1] != column || p[2] != row))
            return false;
        return (!byTag || p[3] == tag) && (!byEnemy || p[4] == enemy);
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

ReplaceCount countInBytes(QByteArrayView bytes, const CellReplace &replace)
{
    ReplaceCount n;
    if (!areabytes::check(bytes))
        return n;
    const Extent e = extentOf(bytes);
    const StoredQuery query(replace.find);
    const auto *p = reinterpret_cast<const uchar *>(bytes.data()) + kHeader;
    const uchar *end = p + e.stored * kCell;
    for (; p != end; p += kCell) {
        if (!query.matches(p))
            continue;
        ++n.matched;
        const AreaCell before = areabytes::cell(p);
        n.changed += !(replace.with.applied(before) == before);
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
    const StoredQuery query(replace.find);
    auto *p = reinterpret_cast<uchar *>(result.data()) + kHeader;
    for (uchar *end = p + e.stored * kCell; p != end; p += kCell) {
        if (!query.matches(p))
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
        } else if (!QFileInfo::exists(path)) {
            file.state = State::Missing;
        } else if (vt::Status s = vt::readWholeFile(path, bytes, kAreaFormat.maxSize + kMaxTail); !s) {
            file.state = State::Unreadable;
            file.problem = s.error();
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
