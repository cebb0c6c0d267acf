#include "Formats.h"

#include "AnsiText.h"
#include "BinaryReader.h"
#include "FileIO.h"
#include "area/oLevel.h"
#include "input/mInput.h"
#include "map/oWorldMap.h"
#include "skin/mEnemySkinFile.h"
#include "tileinfo/mLevelTileset.h"
#include "world/WorldList.h"
#include "world/mWorldData.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSize>

#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

// ---------------------------------------------------------------------------------------------
// Output: a small ordered tree, so that members come out in file order, short arrays and
// objects on one line and an area's rows one per line.

struct J
{
    enum class T { Object, Array, Number, Bool, String, Raw } t = T::Object;
    qint64 n = 0;
    bool b = false;
    QString s;  // a string, or ready-made JSON text for Raw
    std::vector<std::pair<QString, J>> members;
    std::vector<J> items;

    static J object() { return J{}; }
    static J array()
    {
        J j;
        j.t = T::Array;
        return j;
    }
    static J number(qint64 v)
    {
        J j;
        j.t = T::Number;
        j.n = v;
        return j;
    }
    static J boolean(bool v)
    {
        J j;
        j.t = T::Bool;
        j.b = v;
        return j;
    }
    static J string(QString v)
    {
        J j;
        j.t = T::String;
        j.s = std::move(v);
        return j;
    }
    static J raw(QString text)
    {
        J j;
        j.t = T::Raw;
        j.s = std::move(text);
        return j;
    }
    J &add(const QString &key, J value)
    {
        members.emplace_back(key, std::move(value));
        return members.back().second;
    }
    J &push(J value)
    {
        items.push_back(std::move(value));
        return items.back();
    }
};

void escape(QString &out, const QString &s)
{
    out += u'"';
    for (const QChar c : s) {
        switch (c.unicode()) {
        case u'"': out += u"\\\""_s; break;
        case u'\\': out += u"\\\\"_s; break;
        case u'\n': out += u"\\n"_s; break;
        case u'\r': out += u"\\r"_s; break;
        case u'\t': out += u"\\t"_s; break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || (c.unicode() >= 0x80 && c.unicode() < 0xa0))
                out += u"\\u%1"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0'));
            else
                out += c;
        }
    }
    out += u'"';
}

void compact(QString &out, const J &j)
{
    switch (j.t) {
    case J::T::Number: out += QString::number(j.n); return;
    case J::T::Bool: out += j.b ? u"true"_s : u"false"_s; return;
    case J::T::String: escape(out, j.s); return;
    case J::T::Raw: out += j.s; return;
    case J::T::Array:
        out += u'[';
        for (std::size_t i = 0; i < j.items.size(); ++i) {
            if (i)
                out += u", "_s;
            compact(out, j.items[i]);
        }
        out += u']';
        return;
    case J::T::Object:
        out += u'{';
        for (std::size_t i = 0; i < j.members.size(); ++i) {
            if (i)
                out += u", "_s;
            escape(out, j.members[i].first);
            out += u": "_s;
            compact(out, j.members[i].second);
        }
        out += u'}';
        return;
    }
}

void pretty(QString &out, const J &j, int indent)
{
    if (j.t != J::T::Array && j.t != J::T::Object) {
        compact(out, j);
        return;
    }
    QString one;
    compact(one, j);
    bool holdsRaw = false;
    for (const J &item : j.items)
        holdsRaw = holdsRaw || item.t == J::T::Raw;
    if (one.size() + indent <= 96 && !holdsRaw) {
        out += one;
        return;
    }
    const QString inner(indent + 2, u' ');
    const bool isArray = j.t == J::T::Array;
    out += isArray ? u'[' : u'{';
    const std::size_t count = isArray ? j.items.size() : j.members.size();
    for (std::size_t i = 0; i < count; ++i) {
        out += i ? u",\n"_s : u"\n"_s;
        out += inner;
        if (isArray) {
            pretty(out, j.items[i], indent + 2);
        } else {
            escape(out, j.members[i].first);
            out += u": "_s;
            pretty(out, j.members[i].second, indent + 2);
        }
    }
    out += u'\n' + QString(indent, u' ') + (isArray ? u']' : u'}');
}

J text(QByteArrayView bytes) { return J::string(vt::fromAnsi(bytes)); }
J pair(qint64 a, qint64 b)
{
    J j = J::array();
    j.push(J::number(a));
    j.push(J::number(b));
    return j;
}

// ---------------------------------------------------------------------------------------------
// Input: every read names its JSON path; the first failure is kept and ends the conversion.

class In
{
public:
    bool bad() const { return !m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    void fail(const QString &path, const QString &what)
    {
        if (m_error.isEmpty())
            m_error = path + u": "_s + what;
    }

    QJsonObject object(const QJsonValue &v, const QString &path, std::initializer_list<const char *> keys)
    {
        if (bad())
            return {};
        if (!v.isObject()) {
            fail(path, u"expected an object"_s);
            return {};
        }
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            bool known = false;
            for (const char *k : keys)
                known = known || it.key() == QLatin1String(k);
            if (!known) {
                fail(path + u'.' + it.key(), u"unknown member"_s);
                return {};
            }
        }
        return o;
    }

    QJsonValue member(const QJsonObject &o, const QString &path, const char *key)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() && !bad())
            fail(path + u'.' + QLatin1String(key), u"missing"_s);
        return v;
    }

    qint64 number(const QJsonValue &v, const QString &path, qint64 lo, qint64 hi)
    {
        if (bad())
            return lo;
        const QString range = u"a whole number from %1 to %2"_s.arg(lo).arg(hi);
        if (!v.isDouble()) {
            fail(path, u"expected "_s + range);
            return lo;
        }
        const double d = v.toDouble();
        if (d != std::floor(d) || d < double(lo) || d > double(hi)) {
            fail(path, u"%1 is out of range: expected %2"_s.arg(d, 0, 'g', 17).arg(range));
            return lo;
        }
        return qint64(d);
    }
    qint64 number(const QJsonObject &o, const QString &path, const char *key, qint64 lo, qint64 hi)
    {
        return number(member(o, path, key), path + u'.' + QLatin1String(key), lo, hi);
    }

    bool flag(const QJsonObject &o, const QString &path, const char *key)
    {
        const QJsonValue v = member(o, path, key);
        if (bad())
            return false;
        if (!v.isBool())
            fail(path + u'.' + QLatin1String(key), u"expected true or false"_s);
        return v.toBool();
    }

    QString string(const QJsonValue &v, const QString &path)
    {
        if (bad())
            return {};
        if (!v.isString())
            fail(path, u"expected a string"_s);
        return v.toString();
    }

    // A text of the files: windows-1252 characters, at most maxBytes of them.
    QByteArray ansi(const QJsonObject &o, const QString &path, const char *key, qsizetype maxBytes)
    {
        const QString p = path + u'.' + QLatin1String(key);
        const QString s = string(member(o, path, key), p);
        if (bad())
            return {};
        bool lossless = true;
        QByteArray bytes = vt::toAnsi(s, &lossless);
        if (!lossless) {
            for (const QChar c : s) {
                bool one = true;
                vt::toAnsi(QStringView(&c, 1), &one);
                if (!one) {
                    fail(p, u"the character U+%1 has no windows-1252 form"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0')));
                    break;
                }
            }
            return {};
        }
        if (bytes.size() > maxBytes)
            fail(p, u"%1 characters is too long: at most %2"_s.arg(bytes.size()).arg(maxBytes));
        return bytes;
    }

    QJsonArray array(const QJsonValue &v, const QString &path, qint64 minSize, qint64 maxSize)
    {
        if (bad())
            return {};
        if (!v.isArray()) {
            fail(path, u"expected an array"_s);
            return {};
        }
        const QJsonArray a = v.toArray();
        if (a.size() < minSize || a.size() > maxSize) {
            fail(path, minSize == maxSize
                           ? u"holds %1 entries: expected %2"_s.arg(a.size()).arg(minSize)
                           : u"holds %1 entries: expected %2 to %3"_s.arg(a.size()).arg(minSize).arg(maxSize));
            return {};
        }
        return a;
    }
    QJsonArray array(const QJsonObject &o, const QString &path, const char *key, qint64 minSize,
                     qint64 maxSize)
    {
        return array(member(o, path, key), path + u'.' + QLatin1String(key), minSize, maxSize);
    }

    // Two whole numbers [a, b].
    std::pair<qint64, qint64> pair(const QJsonValue &v, const QString &path, qint64 lo, qint64 hi)
    {
        const QJsonArray a = array(v, path, 2, 2);
        if (bad())
            return {lo, lo};
        return {number(a[0], path + u"[0]"_s, lo, hi), number(a[1], path + u"[1]"_s, lo, hi)};
    }

private:
    QString m_error;
};

QString at(const QString &path, qsizetype i) { return path + u'[' + QString::number(i) + u']'; }

// ---------------------------------------------------------------------------------------------
// Bytes the programs would not write themselves (stale tails, flag bytes other than 0 and 255,
// a file cut short, ...) travel in "asStored", so that the file comes back exactly.

QString hex(QByteArrayView b) { return QString::fromLatin1(b.toByteArray().toHex()); }

std::optional<J> storedDifferences(QByteArrayView written, QByteArrayView file)
{
    J stored = J::object();
    J patches = J::array();
    const qsizetype common = std::min(written.size(), file.size());
    for (qsizetype i = 0; i < common;) {
        if (written[i] == file[i]) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < common && written[end] != file[end])
            ++end;
        J p = J::object();
        p.add(u"offset"_s, J::number(i));
        p.add(u"written"_s, J::string(hex(written.sliced(i, end - i))));
        p.add(u"stored"_s, J::string(hex(file.sliced(i, end - i))));
        patches.push(std::move(p));
        i = end;
    }
    if (!patches.items.empty())
        stored.add(u"patches"_s, std::move(patches));
    if (file.size() < written.size())
        stored.add(u"length"_s, J::number(file.size()));
    if (file.size() > written.size())
        stored.add(u"trailing"_s, J::string(hex(file.sliced(written.size()))));
    if (stored.members.empty())
        return std::nullopt;
    return stored;
}

QByteArray hexBytes(In &in, const QJsonValue &v, const QString &path)
{
    const QString s = in.string(v, path);
    if (in.bad())
        return {};
    for (const QChar c : s) {
        if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f')) {
            in.fail(path, u"expected hexadecimal digits"_s);
            return {};
        }
    }
    if (s.size() % 2) {
        in.fail(path, u"expected an even number of hexadecimal digits"_s);
        return {};
    }
    return QByteArray::fromHex(s.toLatin1());
}

void applyStored(In &in, const QJsonObject &root, QByteArray &bytes)
{
    const QJsonValue v = root.value(u"asStored"_s);
    if (v.isUndefined() || in.bad())
        return;
    const QString path = u"$.asStored"_s;
    const QJsonObject o = in.object(v, path, {"patches", "length", "trailing"});
    if (o.contains(u"patches"_s)) {
        const QJsonArray patches = in.array(o, path, "patches", 0, std::numeric_limits<int>::max());
        for (qsizetype i = 0; i < patches.size() && !in.bad(); ++i) {
            const QString p = at(path + u".patches"_s, i);
            const QJsonObject patch = in.object(patches[i], p, {"offset", "written", "stored"});
            const qint64 offset = in.number(patch, p, "offset", 0, bytes.size());
            const QByteArray written = hexBytes(in, in.member(patch, p, "written"), p + u".written"_s);
            const QByteArray stored = hexBytes(in, in.member(patch, p, "stored"), p + u".stored"_s);
            if (in.bad())
                return;
            if (written.size() != stored.size())
                in.fail(p, u"\"written\" and \"stored\" differ in length"_s);
            else if (bytes.mid(offset, written.size()) != written)
                in.fail(p, u"the bytes at offset %1 are no longer %2 (an edit moved them): remove this patch"_s
                               .arg(offset)
                               .arg(hex(written)));
            else
                bytes.replace(offset, stored.size(), stored);
        }
    }
    if (o.contains(u"length"_s)) {
        const qint64 length = in.number(o, path, "length", 0, bytes.size());
        if (!in.bad())
            bytes.truncate(length);
    }
    if (o.contains(u"trailing"_s)) {
        const QByteArray tail = hexBytes(in, o.value(u"trailing"_s), path + u".trailing"_s);
        if (!in.bad())
            bytes.append(tail);
    }
}

// ---------------------------------------------------------------------------------------------
// The formats.

using tessaforge::oLevel;

QString areaCell(const tessaforge::AreaCell &c)
{
    if (!c.bIsTile && c.lTag == 0 && c.lEnemy == 0)
        return u"0"_s;
    QString s = u"{"_s;
    if (c.bIsTile)
        s += u"\"tile\": [%1, %2]"_s.arg(c.xSrc).arg(c.ySrc);
    if (c.lTag)
        s += (s.size() > 1 ? u", "_s : QString()) + u"\"tag\": %1"_s.arg(c.lTag);
    if (c.lEnemy)
        s += (s.size() > 1 ? u", "_s : QString()) + u"\"enemy\": %1"_s.arg(c.lEnemy);
    return s + u'}';
}

J areaJson(const oLevel &a)
{
    J j = J::object();
    j.add(u"columns"_s, J::number(a.width() + 1));
    j.add(u"rows"_s, J::number(a.height() + 1));
    j.add(u"sideWarp"_s, J::boolean(a.SideWarp()));
    j.add(u"start"_s, pair(a.StartX(), a.StartY()));
    j.add(u"time"_s, J::number(a.Time()));
    J grid = J::array();
    std::vector<const tessaforge::AreaCell *> columns;
    for (qint32 x = 0; x <= a.width(); ++x)
        columns.push_back(a.column(x));
    for (qint32 y = 0; y <= a.height(); ++y) {
        QString row = u"["_s;
        for (qint32 x = 0; x <= a.width(); ++x) {
            if (x)
                row += u", "_s;
            row += areaCell(columns[std::size_t(x)][y]);
        }
        grid.push(J::raw(row + u']'));
    }
    j.add(u"grid"_s, std::move(grid));
    return j;
}

QByteArray areaBytes(In &in, const QJsonObject &o)
{
    const QString $ = u"$"_s;
    const qint64 columns = in.number(o, $, "columns", 1, oLevel::kMaxCount);
    const qint64 rows = in.number(o, $, "rows", 1, oLevel::kMaxCount);
    const bool sideWarp = in.flag(o, $, "sideWarp");
    const auto start = in.pair(in.member(o, $, "start"), u"$.start"_s, -32768, 32767);
    const qint64 time = in.number(o, $, "time", -32768, 32767);
    const QJsonArray grid = in.array(o, $, "grid", rows, rows);
    if (in.bad())
        return {};
    oLevel a;
    if (!a.Resize(qint32(columns), qint32(rows))) {
        in.fail(u"$.columns"_s, u"no memory for a grid of that size"_s);
        return {};
    }
    a.SetSideWarp(sideWarp);
    a.SetStartPos(qint16(start.first), qint16(start.second));
    a.SetTime(qint32(time));
    for (qint64 y = 0; y < rows && !in.bad(); ++y) {
        const QString rp = at(u"$.grid"_s, y);
        const QJsonArray row = in.array(grid[y], rp, columns, columns);
        for (qint64 x = 0; x < columns && !in.bad(); ++x) {
            const QString cp = at(rp, x);
            const QJsonValue v = row[x];
            if (v.isDouble()) {
                in.number(v, cp, 0, 0);
                continue;
            }
            const QJsonObject cell = in.object(v, cp, {"tile", "tag", "enemy"});
            if (in.bad()) {
                in.fail(cp, u"expected 0 or an object"_s);
                break;
            }
            const qint32 X = qint32(x), Y = qint32(y);
            if (cell.contains(u"tile"_s)) {
                const auto t = in.pair(cell.value(u"tile"_s), cp + u".tile"_s, 0, 255);
                a.SetTile(X, Y, qint32(t.first), qint32(t.second));
            }
            if (cell.contains(u"tag"_s))
                (void)a.SetTileTag(X, Y, qint32(in.number(cell, cp, "tag", 0, 255)));
            if (cell.contains(u"enemy"_s))
                (void)a.SetTileEnemy(X, Y, qint32(in.number(cell, cp, "enemy", 0, 255)));
        }
    }
    if (in.bad())
        return {};
    QByteArray out;
    if (vt::Status s = tessaforge::encode(a, out); !s)
        in.fail($, s.error());
    return out;
}

using tessaforge::LevelRecord;
using tessaforge::WorldDetails;

constexpr qsizetype kMaxText = 32767;

J worldJson(const WorldDetails &w)
{
    J j = J::object();
    j.add(u"name"_s, text(w.sWorldName));
    J levels = J::array();
    for (const LevelRecord &l : w.Levels) {
        J r = J::object();
        r.add(u"name"_s, text(l.sName));
        r.add(u"areaFile"_s, text(l.sAreaFile));
        r.add(u"backdrop"_s, text(l.sBackdrop));
        r.add(u"enemySkin"_s, text(l.sEnemySkin));
        r.add(u"music"_s, text(l.sMusic));
        r.add(u"tileset"_s, text(l.sTileset));
        r.add(u"time"_s, J::number(l.iTime));
        r.add(u"scrollMode"_s, J::number(l.bScrollMode));
        r.add(u"scrollSpeed"_s, J::number(l.iScrollSpeed));
        J special = J::array();
        for (const auto &t : l.SpecialTiles)
            special.push(pair(t.iTileX, t.iTileY));
        r.add(u"specialTiles"_s, std::move(special));
        J pipes = J::array();
        for (const auto &p : l.Pipes) {
            J e = J::object();
            e.add(u"destLevel"_s, J::number(p.iDestLevel));
            e.add(u"pipeID"_s, J::number(p.bPipeID));
            e.add(u"exitStyle"_s, J::number(p.bExitStyle));
            pipes.push(std::move(e));
        }
        r.add(u"pipes"_s, std::move(pipes));
        levels.push(std::move(r));
    }
    j.add(u"levels"_s, std::move(levels));
    return j;
}

QByteArray worldBytes(In &in, const QJsonObject &o)
{
    WorldDetails w;
    w.sWorldName = in.ansi(o, u"$"_s, "name", kMaxText);
    const QJsonArray levels = in.array(o, u"$"_s, "levels", 1, 1 << 20);
    for (qsizetype i = 0; i < levels.size() && !in.bad(); ++i) {
        const QString p = at(u"$.levels"_s, i);
        const QJsonObject r = in.object(levels[i], p,
                                        {"name", "areaFile", "backdrop", "enemySkin", "music", "tileset",
                                         "time", "scrollMode", "scrollSpeed", "specialTiles", "pipes"});
        LevelRecord l;
        l.sName = in.ansi(r, p, "name", kMaxText);
        l.sAreaFile = in.ansi(r, p, "areaFile", kMaxText);
        l.sBackdrop = in.ansi(r, p, "backdrop", kMaxText);
        l.sEnemySkin = in.ansi(r, p, "enemySkin", kMaxText);
        l.sMusic = in.ansi(r, p, "music", kMaxText);
        l.sTileset = in.ansi(r, p, "tileset", kMaxText);
        l.iTime = qint16(in.number(r, p, "time", -32768, 32767));
        l.bScrollMode = quint8(in.number(r, p, "scrollMode", 0, 255));
        l.iScrollSpeed = qint16(in.number(r, p, "scrollSpeed", -32768, 32767));
        const QJsonArray special = in.array(r, p, "specialTiles", LevelRecord::kSpecialTiles,
                                            LevelRecord::kSpecialTiles);
        for (qsizetype k = 0; k < special.size() && !in.bad(); ++k) {
            const auto xy = in.pair(special[k], at(p + u".specialTiles"_s, k), -32768, 32767);
            l.SpecialTiles[std::size_t(k)] = {qint16(xy.first), qint16(xy.second)};
        }
        const QJsonArray pipes = in.array(r, p, "pipes", LevelRecord::kPipes, LevelRecord::kPipes);
        for (qsizetype k = 0; k < pipes.size() && !in.bad(); ++k) {
            const QString pp = at(p + u".pipes"_s, k);
            const QJsonObject e = in.object(pipes[k], pp, {"destLevel", "pipeID", "exitStyle"});
            auto &pipe = l.Pipes[std::size_t(k)];
            pipe.iDestLevel = qint16(in.number(e, pp, "destLevel", -32768, 32767));
            pipe.bPipeID = quint8(in.number(e, pp, "pipeID", 0, 255));
            pipe.bExitStyle = quint8(in.number(e, pp, "exitStyle", 0, 255));
        }
        w.Levels.push_back(std::move(l));
    }
    if (in.bad())
        return {};
    QByteArray out;
    if (vt::Status s = tessaforge::mWorldData::encode(w, out); !s)
        in.fail(u"$"_s, s.error());
    return out;
}

// The world list is text: it goes as its lines, exactly as they stand.
J worldsJson(QByteArrayView bytes)
{
    tessaforge::WorldListText l;
    (void)tessaforge::decode(bytes, l);
    J j = J::object();
    J worlds = J::array();
    for (const QString &w : tessaforge::parseWorldList(bytes))
        worlds.push(J::string(w));
    j.add(u"worlds"_s, std::move(worlds));
    J lines = J::array();
    for (const QByteArray &line : l.lines)
        lines.push(text(line));
    j.add(u"lines"_s, std::move(lines));
    j.add(u"lineEnding"_s, J::string(QString::fromLatin1(l.ending)));
    j.add(u"endsWithLineEnding"_s, J::boolean(l.endsWithEnding));
    return j;
}

QByteArray worldsBytes(In &in, const QJsonObject &o)
{
    const QString ending = in.string(in.member(o, u"$"_s, "lineEnding"), u"$.lineEnding"_s);
    if (!in.bad() && ending != u"\r\n"_s && ending != u"\n"_s && ending != u"\r"_s)
        in.fail(u"$.lineEnding"_s, u"expected \"\\r\\n\", \"\\n\" or \"\\r\""_s);
    const bool endsWith = in.flag(o, u"$"_s, "endsWithLineEnding");
    const QJsonArray lines = in.array(o, u"$"_s, "lines", 0, 1 << 20);
    QByteArray out;
    for (qsizetype i = 0; i < lines.size() && !in.bad(); ++i) {
        bool lossless = true;
        const QString s = in.string(lines[i], at(u"$.lines"_s, i));
        const QByteArray line = vt::toAnsi(s, &lossless);
        if (!lossless)
            in.fail(at(u"$.lines"_s, i), u"holds a character with no windows-1252 form"_s);
        if (i)
            out += ending.toLatin1();
        out += line;
    }
    if (endsWith)
        out += ending.toLatin1();
    // The world list is read from the lines: a "worlds" member that says otherwise is an edit
    // that would be lost.
    if (const QJsonValue worlds = o.value(u"worlds"_s); !in.bad() && !worlds.isUndefined()) {
        QStringList listed;
        const QJsonArray given = in.array(o, u"$"_s, "worlds", 0, 1 << 20);
        for (qsizetype i = 0; i < given.size() && !in.bad(); ++i)
            listed.append(in.string(given[i], at(u"$.worlds"_s, i)));
        if (!in.bad() && listed != tessaforge::parseWorldList(out))
            in.fail(u"$.worlds"_s, u"does not match the world list the lines give (%1); edit \"lines\", "
                                   u"which the file is written from, or leave \"worlds\" out"_s
                                       .arg(tessaforge::parseWorldList(out).join(u", "_s)));
    }
    return out;
}

J mapJson(const tessaforge::oWorldMap &m)
{
    J j = J::object();
    J nodes = J::array();
    for (qint32 id = 1; id <= m.nodeCount(); ++id) {
        J n = J::object();
        n.add(u"x"_s, J::number(m.xPos(id)));
        n.add(u"y"_s, J::number(m.yPos(id)));
        n.add(u"passThru"_s, J::boolean(m.PassThru(id)));
        n.add(u"left"_s, J::number(m.LeftNode(id)));
        n.add(u"right"_s, J::number(m.RightNode(id)));
        n.add(u"up"_s, J::number(m.UpNode(id)));
        n.add(u"down"_s, J::number(m.DownNode(id)));
        n.add(u"tag"_s, J::number(m.NodeTag(id)));
        n.add(u"image"_s, J::number(m.NodeImage(id)));
        // A stored entry point above 80 means nothing to the programs (they write 0 .. 80):
        // it shows as 0 and travels in asStored, so that the file still comes back exactly.
        n.add(u"entryPoint"_s, J::number(m.EntryPoint(id) <= 80 ? m.EntryPoint(id) : 0));
        n.add(u"warpExitWorld"_s, J::number(m.warpExitWorld(id)));
        nodes.push(std::move(n));
    }
    j.add(u"nodes"_s, std::move(nodes));
    return j;
}

QByteArray mapBytes(In &in, const QJsonObject &o)
{
    const QJsonArray nodes = in.array(o, u"$"_s, "nodes", 1, tessaforge::oWorldMap::kMaxNodes);
    tessaforge::oWorldMap m;
    for (qsizetype i = 0; i < nodes.size() && !in.bad(); ++i) {
        const QString p = at(u"$.nodes"_s, i);
        const QJsonObject n = in.object(nodes[i], p,
                                        {"x", "y", "passThru", "left", "right", "up", "down", "tag",
                                         "image", "entryPoint", "warpExitWorld"});
        const qint32 id = qint32(i + 1);
        const qint16 x = qint16(in.number(n, p, "x", -32768, 32767));
        const qint16 y = qint16(in.number(n, p, "y", -32768, 32767));
        if (i > 0)
            (void)m.AddNode(x, y, false);
        m.moveNode(id, x, y);
        const bool passThru = in.flag(n, p, "passThru");
        m.setPassThru(id, passThru);
        m.setLeftNode(id, quint8(in.number(n, p, "left", 0, 255)));
        m.setRightNode(id, quint8(in.number(n, p, "right", 0, 255)));
        m.setUpNode(id, quint8(in.number(n, p, "up", 0, 255)));
        m.setDownNode(id, quint8(in.number(n, p, "down", 0, 255)));
        // The tag shares its byte with the pass-through flag.
        m.setNodeTag(id, quint8(in.number(n, p, "tag", 0, passThru ? 126 : 254)));
        m.setNodeImage(id, quint8(in.number(n, p, "image", 0, 255)));
        m.setEntryPointValue(id, quint8(in.number(n, p, "entryPoint", 0, 80)));
        m.warpSetExitWorld(id, quint8(in.number(n, p, "warpExitWorld", 0, 255)));
    }
    if (in.bad())
        return {};
    QByteArray out;
    if (vt::Status s = tessaforge::encode(m, out); !s)
        in.fail(u"$"_s, s.error());
    return out;
}

J tileInfoJson(const tilemarrow::TileInfo &t)
{
    J j = J::object();
    j.add(u"columns"_s, J::number(t.MaxX + 1));
    j.add(u"rows"_s, J::number(t.MaxY + 1));
    J grid = J::array();
    for (qint32 y = 0; y <= t.MaxY; ++y) {
        QString row = u"["_s;
        for (qint32 x = 0; x <= t.MaxX; ++x)
            row += (x ? u", "_s : QString()) + QString::number(t.tile(x, y));
        grid.push(J::raw(row + u']'));
    }
    j.add(u"grid"_s, std::move(grid));
    return j;
}

QByteArray tileInfoBytes(In &in, const QJsonObject &o)
{
    const qint64 columns = in.number(o, u"$"_s, "columns", 1, 256);
    const qint64 rows = in.number(o, u"$"_s, "rows", 1, 256);
    const QJsonArray grid = in.array(o, u"$"_s, "grid", rows, rows);
    if (in.bad())
        return {};
    tilemarrow::TileInfo t;
    t.resize(quint8(columns - 1), quint8(rows - 1));
    for (qint64 y = 0; y < rows && !in.bad(); ++y) {
        const QString rp = at(u"$.grid"_s, y);
        const QJsonArray row = in.array(grid[y], rp, columns, columns);
        for (qint64 x = 0; x < columns && !in.bad(); ++x)
            t.setTile(qint32(x), qint32(y), qint32(in.number(row[x], at(rp, x), 0, 255)));
    }
    QByteArray out;
    if (in.bad())
        return {};
    if (vt::Status s = tilemarrow::mLevelTileset::encode(t, out); !s)
        in.fail(u"$"_s, s.error());
    return out;
}

J skinJson(const skinloft::EnemySkin &s)
{
    J j = J::object();
    J graphics = J::array();
    for (int i = 0; i < skinloft::kEnemyTypeCount; ++i) {
        J g = J::object();
        g.add(u"enemy"_s, J::string(QString::fromLatin1(skinloft::EnemyTypeNames[std::size_t(i)])));
        g.add(u"file"_s, text(s.Fields[std::size_t(i)]));
        graphics.push(std::move(g));
    }
    j.add(u"graphics"_s, std::move(graphics));
    return j;
}

QByteArray skinBytes(In &in, const QJsonObject &o)
{
    const QJsonArray graphics = in.array(o, u"$"_s, "graphics", skinloft::kEnemyTypeCount,
                                         skinloft::kEnemyTypeCount);
    skinloft::EnemySkin s;
    for (qsizetype i = 0; i < graphics.size() && !in.bad(); ++i) {
        const QString p = at(u"$.graphics"_s, i);
        const QJsonObject g = in.object(graphics[i], p, {"enemy", "file"});
        const QString name = QString::fromLatin1(skinloft::EnemyTypeNames[std::size_t(i)]);
        if (in.string(in.member(g, p, "enemy"), p + u".enemy"_s) != name && !in.bad())
            in.fail(p + u".enemy"_s, u"expected \"%1\": the entries go in the file's order"_s.arg(name));
        s.Fields[std::size_t(i)] = in.ansi(g, p, "file", skinloft::mEnemySkinFile::kMaxFieldLength);
    }
    if (in.bad())
        return {};
    QByteArray out;
    if (vt::Status st = skinloft::mEnemySkinFile::encode(s, out); !st)
        in.fail(u"$"_s, st.error());
    return out;
}

// The controls record's fields, in file order, under their own names.
struct ControlField
{
    const char *name;
    quint8 keyvane::ControlConfig::*byte;
    qint16 keyvane::ControlConfig::*word;
};
const ControlField kControlFields[] = {
    {"KeyRunCarry", &keyvane::ControlConfig::KeyRunCarry, nullptr},
    {"KeyUsePowerup", &keyvane::ControlConfig::KeyUsePowerup, nullptr},
    {"KeyJump", &keyvane::ControlConfig::KeyJump, nullptr},
    {"KeyReleaseItem", &keyvane::ControlConfig::KeyReleaseItem, nullptr},
    {"KeyExitLevel", &keyvane::ControlConfig::KeyExitLevel, nullptr},
    {"KeyPause", &keyvane::ControlConfig::KeyPause, nullptr},
    {"JoyRunCarry", &keyvane::ControlConfig::JoyRunCarry, nullptr},
    {"JoyUsePowerup", &keyvane::ControlConfig::JoyUsePowerup, nullptr},
    {"JoyJump", &keyvane::ControlConfig::JoyJump, nullptr},
    {"JoyReleaseItem", &keyvane::ControlConfig::JoyReleaseItem, nullptr},
    {"JoyExitLevel", &keyvane::ControlConfig::JoyExitLevel, nullptr},
    {"JoyPause", &keyvane::ControlConfig::JoyPause, nullptr},
    {"KeyLeft", &keyvane::ControlConfig::KeyLeft, nullptr},
    {"KeyRight", &keyvane::ControlConfig::KeyRight, nullptr},
    {"KeyDown", &keyvane::ControlConfig::KeyDown, nullptr},
    {"KeyUp", &keyvane::ControlConfig::KeyUp, nullptr},
    {"bOther", &keyvane::ControlConfig::bOther, nullptr},
    {"iSensX", nullptr, &keyvane::ControlConfig::iSensX},
    {"iSensY", nullptr, &keyvane::ControlConfig::iSensY},
};

J controlsJson(const keyvane::ControlConfig &c)
{
    J j = J::object();
    for (const ControlField &f : kControlFields)
        j.add(QString::fromLatin1(f.name), J::number(f.byte ? qint64(c.*f.byte) : qint64(c.*f.word)));
    return j;
}

QByteArray controlsBytes(In &in, const QJsonObject &o)
{
    keyvane::ControlConfig c;
    for (const ControlField &f : kControlFields) {
        if (f.byte)
            c.*f.byte = quint8(in.number(o, u"$"_s, f.name, 0, 255));
        else
            c.*f.word = qint16(in.number(o, u"$"_s, f.name, -32768, 32767));
    }
    QByteArray out;
    if (!in.bad())
        (void)keyvane::mInput::encode(c, out);
    return out;
}


} // namespace

qint64 maxFileSize(Kind kind)
{
    switch (kind) {
    case Kind::Area: return oLevel::kHeaderSize + oLevel::kCellSize * qint64(oLevel::kMaxCount) * oLevel::kMaxCount + (1 << 20);
    case Kind::TileInfo: return 2 + 256 * 256 + (1 << 20);
    default: return 64 * 1024 * 1024;
    }
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Area: return u"area"_s;
    case Kind::World: return u"world"_s;
    case Kind::Worlds: return u"worlds"_s;
    case Kind::Map: return u"map"_s;
    case Kind::TileInfo: return u"tileinfo"_s;
    case Kind::Skin: return u"skin"_s;
    case Kind::Controls: return u"controls"_s;
    }
    return {};
}

QString kindExtension(Kind kind)
{
    switch (kind) {
    case Kind::Area: return u"qzl"_s;
    case Kind::World: return u"qzw"_s;
    case Kind::Worlds: return u"inf"_s;
    case Kind::Map: return u"qzm"_s;
    case Kind::TileInfo: return u"qzt"_s;
    case Kind::Skin: return u"qze"_s;
    case Kind::Controls: return u"qzc"_s;
    }
    return {};
}

QString kindFile(Kind kind)
{
    return (kind == Kind::Area ? u"an "_s : u"a "_s) + kindName(kind) + u" file"_s;
}

std::optional<Kind> kindFromName(QStringView name)
{
    for (Kind k : {Kind::Area, Kind::World, Kind::Worlds, Kind::Map, Kind::TileInfo, Kind::Skin, Kind::Controls})
        if (name.compare(kindName(k), Qt::CaseInsensitive) == 0)
            return k;
    return std::nullopt;
}

std::optional<Kind> kindOfPath(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"qzl"_s) return Kind::Area;
    if (ext == u"qzw"_s) return Kind::World;
    if (ext == u"inf"_s) return Kind::Worlds;
    if (ext == u"qzm"_s) return Kind::Map;
    if (ext == u"qzt"_s) return Kind::TileInfo;
    if (ext == u"qze"_s) return Kind::Skin;
    if (ext == u"qzc"_s) return Kind::Controls;
    return std::nullopt;
}

QString decodeError(Kind kind, QByteArrayView bytes)
{
    switch (kind) {
    case Kind::Area: {
        oLevel a;
        const vt::Status s = tessaforge::decode(bytes, a);
        return s ? QString() : s.error();
    }
    case Kind::World: {
        WorldDetails w;
        const vt::Status s = tessaforge::mWorldData::decode(bytes, w);
        return s ? QString() : s.error();
    }
    case Kind::Worlds: return {};
    case Kind::Map: {
        tessaforge::oWorldMap m;
        const vt::Status s = tessaforge::decode(bytes, m);
        return s ? QString() : s.error();
    }
    case Kind::TileInfo: {
        tilemarrow::TileInfo t;
        const vt::Status s = tilemarrow::mLevelTileset::decode(bytes, t);
        return s ? QString() : s.error();
    }
    case Kind::Skin: {
        skinloft::EnemySkin sk;
        const vt::Status s = skinloft::mEnemySkinFile::decode(bytes, sk);
        return s ? QString() : s.error();
    }
    case Kind::Controls: {
        keyvane::ControlConfig c;
        const vt::Status s = keyvane::mInput::decode(bytes, c);
        return s ? QString() : s.error();
    }
    }
    return {};
}

namespace {

// The counts of columns and rows an area's header gives, read from the header alone: the
// grid it describes may be far larger than the file. Nothing when there is no such header.
std::optional<QSize> areaHeaderSize(QByteArrayView bytes)
{
    if (bytes.size() < oLevel::kHeaderSize)
        return std::nullopt;
    vt::BinaryReader r(bytes);
    (void)r.u8();
    (void)r.i16();
    (void)r.i16();
    const qint16 width = r.i16();
    const qint16 height = r.i16();
    if (width < 0 || height < 0)
        return std::nullopt;
    return QSize(width + 1, height + 1);
}

} // namespace

qint64 jsonSizeAtLeast(Kind kind, QByteArrayView bytes)
{
    // Every cell of an area's grid takes at least "0, " in the JSON, stored or not.
    if (kind == Kind::Area)
        if (const std::optional<QSize> size = areaHeaderSize(bytes))
            return qint64(size->width()) * size->height() * 3;
    return bytes.size();
}

QString missingPart(Kind kind, QByteArrayView bytes)
{
    const std::optional<QSize> size = kind == Kind::Area ? areaHeaderSize(bytes) : std::nullopt;
    if (!size)
        return {};
    const qint64 width = size->width() - 1;
    const qint64 height = size->height() - 1;
    const qint64 cells = qint64(size->width()) * size->height();
    const qint64 stored = std::min<qint64>(cells, (bytes.size() - oLevel::kHeaderSize) / oLevel::kCellSize);
    if (stored == cells)
        return {};
    return u"cut short: it holds %1 of the %2 cells its header gives (%3 x %4); the others read as empty"_s
        .arg(stored)
        .arg(cells)
        .arg(width + 1)
        .arg(height + 1);
}

QString writtenFileProblem(Kind kind, QByteArrayView bytes)
{
    if (bytes.size() > maxFileSize(kind))
        return u"it would be %1 bytes, more than the %2 bytes a reader takes"_s.arg(bytes.size()).arg(
            maxFileSize(kind));
    return decodeError(kind, bytes);
}

ReadResult readFile(const QString &path, Kind kind, QByteArray &bytes, QString &error)
{
    if (vt::Status s = vt::readWholeFile(path, bytes, maxFileSize(kind)); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (const QString e = decodeError(kind, bytes); !e.isEmpty()) {
        error = path + u": "_s + e;
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

ReadResult readArea(const QString &path, oLevel &area, QString &error)
{
    QByteArray bytes;
    if (vt::Status s = vt::readWholeFile(path, bytes, maxFileSize(Kind::Area)); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (vt::Status s = tessaforge::decode(bytes, area); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

QString summary(Kind kind, QByteArrayView bytes)
{
    QString out;
    auto line = [&out](const QString &s) { out += s + u'\n'; };
    switch (kind) {
    case Kind::Area: {
        oLevel a;
        (void)tessaforge::decode(bytes, a);
        qint64 tiles = 0, tags = 0, enemies = 0;
        for (qint32 x = 0; x <= a.width(); ++x) {
            const tessaforge::AreaCell *col = a.column(x);
            for (qint32 y = 0; y <= a.height(); ++y) {
                tiles += col[y].bIsTile;
                tags += col[y].lTag != 0;
                enemies += col[y].lEnemy != 0;
            }
        }
        line(u"area: %1 columns x %2 rows (%3 cells)"_s.arg(a.width() + 1).arg(a.height() + 1)
                 .arg((qint64(a.width()) + 1) * (a.height() + 1)));
        line(u"start: column %1, row %2"_s.arg(a.StartX()).arg(a.StartY()));
        line(u"side-warp: %1"_s.arg(a.SideWarp() ? u"on"_s : u"off"_s));
        line(u"time: %1"_s.arg(a.Time()));
        line(u"cells with a tile: %1, with a tag: %2, with an enemy: %3"_s.arg(tiles).arg(tags).arg(enemies));
        break;
    }
    case Kind::World: {
        WorldDetails w;
        (void)tessaforge::mWorldData::decode(bytes, w);
        line(u"world: \"%1\", %2 level(s)"_s.arg(vt::fromAnsi(w.sWorldName)).arg(w.Levels.size()));
        int n = 0;
        for (const LevelRecord &l : w.Levels) {
            line(u"%1. \"%2\": area %3, tileset %4, skin %5, backdrop %6, music %7, time %8"_s.arg(++n)
                     .arg(vt::fromAnsi(l.sName), vt::fromAnsi(l.sAreaFile), vt::fromAnsi(l.sTileset),
                          vt::fromAnsi(l.sEnemySkin), vt::fromAnsi(l.sBackdrop), vt::fromAnsi(l.sMusic))
                     .arg(l.iTime));
        }
        break;
    }
    case Kind::Worlds: {
        const QStringList worlds = tessaforge::parseWorldList(bytes);
        line(u"world list: %1 world(s)"_s.arg(worlds.size()));
        for (qsizetype i = 0; i < worlds.size(); ++i)
            line(u"%1. %2"_s.arg(i + 1).arg(worlds[i]));
        break;
    }
    case Kind::Map: {
        tessaforge::oWorldMap m;
        (void)tessaforge::decode(bytes, m);
        line(u"world map: %1 node(s)"_s.arg(m.nodeCount()));
        for (qint32 id = 1; id <= m.nodeCount(); ++id) {
            QString tag = tessaforge::NodeTagLabel(m.NodeTag(id)).simplified();
            if (tag.isEmpty())
                tag = u"tag %1"_s.arg(m.NodeTag(id));
            line(u"%1: (%2, %3) %4%5, left %6 right %7 up %8 down %9"_s.arg(id)
                     .arg(m.xPos(id)).arg(m.yPos(id)).arg(tag)
                     .arg(m.PassThru(id) ? u", pass-through"_s : QString())
                     .arg(m.LeftNode(id)).arg(m.RightNode(id)).arg(m.UpNode(id)).arg(m.DownNode(id))
                 + (m.NodeTag(id) >= 21 && m.NodeTag(id) <= 40 ? u", to world %1"_s.arg(m.warpExitWorld(id)) : QString())
                 + (m.NodeImage(id) ? u", picture %1"_s.arg(m.NodeImage(id)) : QString()));
        }
        break;
    }
    case Kind::TileInfo: {
        tilemarrow::TileInfo t;
        (void)tilemarrow::mLevelTileset::decode(bytes, t);
        int animated = 0;
        std::vector<int> types(128, 0);
        for (qint32 x = 0; x <= t.MaxX; ++x)
            for (qint32 y = 0; y <= t.MaxY; ++y) {
                animated += tilemarrow::mLevelTileset::IsTileAnimated(t, x, y);
                ++types[std::size_t(tilemarrow::mLevelTileset::GetTileType(t, x, y))];
            }
        line(u"tile information: %1 columns x %2 rows, %3 animated"_s.arg(t.MaxX + 1).arg(t.MaxY + 1).arg(animated));
        QStringList used;
        for (int k = 0; k < 128; ++k)
            if (types[std::size_t(k)])
                used << u"%1 x%2"_s.arg(k).arg(types[std::size_t(k)]);
        line(u"types: "_s + used.join(u", "_s));
        break;
    }
    case Kind::Skin: {
        skinloft::EnemySkin s;
        (void)skinloft::mEnemySkinFile::decode(bytes, s);
        int set = 0;
        for (const QByteArray &f : s.Fields)
            set += !f.isEmpty();
        line(u"enemy skin: %1 of %2 enemy types have a graphic"_s.arg(set).arg(skinloft::kEnemyTypeCount));
        for (int i = 0; i < skinloft::kEnemyTypeCount; ++i)
            if (!s.Fields[std::size_t(i)].isEmpty())
                line(u"%1: %2"_s.arg(QString::fromLatin1(skinloft::EnemyTypeNames[std::size_t(i)]),
                                     vt::fromAnsi(s.Fields[std::size_t(i)])));
        break;
    }
    case Kind::Controls: {
        keyvane::ControlConfig c;
        (void)keyvane::mInput::decode(bytes, c);
        QStringList keys, joy;
        for (const ControlField &f : kControlFields) {
            const QString name = QString::fromLatin1(f.name);
            const qint64 v = f.byte ? qint64(c.*f.byte) : qint64(c.*f.word);
            (name.startsWith(u"Joy"_s) || name.startsWith(u'i') ? joy : keys) << u"%1 %2"_s.arg(name).arg(v);
        }
        line(u"controls"_s);
        line(u"keys (scan codes): "_s + keys.join(u", "_s));
        line(u"joystick: "_s + joy.join(u", "_s));
        break;
    }
    }
    return out;
}

namespace {

J jsonOf(Kind kind, QByteArrayView bytes)
{
    switch (kind) {
    case Kind::Area: {
        oLevel a;
        (void)tessaforge::decode(bytes, a);
        return areaJson(a);
    }
    case Kind::World: {
        WorldDetails w;
        (void)tessaforge::mWorldData::decode(bytes, w);
        return worldJson(w);
    }
    case Kind::Worlds: return worldsJson(bytes);
    case Kind::Map: {
        tessaforge::oWorldMap m;
        (void)tessaforge::decode(bytes, m);
        return mapJson(m);
    }
    case Kind::TileInfo: {
        tilemarrow::TileInfo t;
        (void)tilemarrow::mLevelTileset::decode(bytes, t);
        return tileInfoJson(t);
    }
    case Kind::Skin: {
        skinloft::EnemySkin s;
        (void)skinloft::mEnemySkinFile::decode(bytes, s);
        return skinJson(s);
    }
    case Kind::Controls: {
        keyvane::ControlConfig c;
        (void)keyvane::mInput::decode(bytes, c);
        return controlsJson(c);
    }
    }
    return J::object();
}

} // namespace

vt::Status toJson(Kind kind, QByteArrayView bytes, QByteArray &json)
{
    if (const QString e = decodeError(kind, bytes); !e.isEmpty())
        return vt::Status::failure(e);
    J body = jsonOf(kind, bytes);
    J root = J::object();
    root.add(u"format"_s, J::string(kindName(kind)));
    for (auto &m : body.members)
        root.add(m.first, std::move(m.second));
    QString text;
    pretty(text, root, 0);
    // What the values alone give is the baseline the stored differences are taken from.
    QByteArray written;
    if (vt::Status s = fromJson(kind, text.toUtf8(), written); !s)
        return vt::Status::failure(u"no exact JSON form: "_s + s.error());
    if (std::optional<J> stored = storedDifferences(written, bytes)) {
        root.add(u"asStored"_s, std::move(*stored));
        text.clear();
        pretty(text, root, 0);
    }
    text += u'\n';
    QByteArray out = text.toUtf8();

    // Only a form that gives the very bytes back is offered.
    QByteArray back;
    if (vt::Status s = fromJson(kind, out, back); !s)
        return vt::Status::failure(u"no exact JSON form: "_s + s.error());
    if (back != bytes) {
        qsizetype i = 0;
        while (i < back.size() && i < bytes.size() && back[i] == bytes[i])
            ++i;
        return vt::Status::failure(u"no exact JSON form: the bytes from offset %1 would not come back"_s.arg(i));
    }
    json = std::move(out);
    return vt::Status::success();
}

vt::Status fromJson(std::optional<Kind> kind, QByteArrayView json, QByteArray &out, Kind *usedKind)
{
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toByteArray(), &e);
    if (e.error != QJsonParseError::NoError)
        return vt::Status::failure(u"not JSON: %1 at offset %2"_s.arg(e.errorString()).arg(e.offset));
    if (!doc.isObject())
        return vt::Status::failure(u"$: expected an object"_s);
    const QJsonObject root = doc.object();
    In in;
    const QJsonValue format = root.value(u"format"_s);
    std::optional<Kind> named;
    if (!format.isUndefined()) {
        named = kindFromName(format.toString());
        if (!named)
            return vt::Status::failure(u"$.format: unknown format \"%1\""_s.arg(format.toString()));
    }
    if (kind && named && *kind != *named)
        return vt::Status::failure(u"$.format: the JSON holds %1, not %2"_s.arg(kindFile(*named), kindFile(*kind)));
    if (!kind)
        kind = named;
    if (!kind)
        return vt::Status::failure(u"$.format: missing, and no --type given"_s);

    // Every member is checked against the format's list, so that a misspelt one is reported.
    QJsonObject body = root;
    body.remove(u"format"_s);
    body.remove(u"asStored"_s);
    QByteArray bytes;
    switch (*kind) {
    case Kind::Area:
        bytes = areaBytes(in, in.object(body, u"$"_s, {"columns", "rows", "sideWarp", "start", "time", "grid"}));
        break;
    case Kind::World:
        bytes = worldBytes(in, in.object(body, u"$"_s, {"name", "levels"}));
        break;
    case Kind::Worlds:
        bytes = worldsBytes(in, in.object(body, u"$"_s, {"worlds", "lines", "lineEnding", "endsWithLineEnding"}));
        break;
    case Kind::Map: bytes = mapBytes(in, in.object(body, u"$"_s, {"nodes"})); break;
    case Kind::TileInfo:
        bytes = tileInfoBytes(in, in.object(body, u"$"_s, {"columns", "rows", "grid"}));
        break;
    case Kind::Skin: bytes = skinBytes(in, in.object(body, u"$"_s, {"graphics"})); break;
    case Kind::Controls: {
        QJsonObject o = body;
        for (const ControlField &f : kControlFields)
            o.remove(QString::fromLatin1(f.name));
        if (!o.isEmpty())
            in.fail(u"$."_s + o.begin().key(), u"unknown member"_s);
        bytes = controlsBytes(in, body);
        break;
    }
    }
    applyStored(in, root, bytes);
    if (in.bad())
        return vt::Status::failure(in.error());
    if (usedKind)
        *usedKind = *kind;
    out = std::move(bytes);
    return vt::Status::success();
}

ReadResult readAreaBytes(const QString &path, QByteArray &bytes, QString &error)
{
    if (vt::Status s = vt::readWholeFile(path, bytes, maxFileSize(Kind::Area)); !s) {
        error = path + u": "_s + s.error();
        return ReadResult::Unreadable;
    }
    if (!areaHeaderSize(bytes)) {
        error = path + u": "_s + decodeError(Kind::Area, bytes);  // refused before any grid is made
        return ReadResult::Invalid;
    }
    return ReadResult::Ok;
}

TilesOutside areaTilesOutside(QByteArrayView bytes, QSize tiles)
{
    TilesOutside found;
    const std::optional<QSize> size = areaHeaderSize(bytes);
    if (!size)
        return found;
    constexpr uchar kTile = 255;  // a cell shows a tile only when its flag byte is exactly 255
    constexpr int kCell = int(oLevel::kCellSize);
    const qint64 rows = size->height();
    const qint64 cells = std::min<qint64>(qint64(size->width()) * rows, (bytes.size() - oLevel::kHeaderSize) / kCell);
    const auto *start = reinterpret_cast<const uchar *>(bytes.data()) + oLevel::kHeaderSize;

    // A bound first: the highest tile column and row stored in any cell, tile or not, from a
    // byte-wise maximum over blocks of 16 cells, which compiles to vector code. Nearly always
    // it lies inside and the cells need no closer look.
    constexpr int kBlock = 16 * kCell;
    uchar high[kBlock] = {};
    const uchar *p = start;
    qint64 i = 0;
    for (; i + 16 <= cells; i += 16, p += kBlock) {
        uchar block[kBlock];  // a copy, so that the compiler need not fear it overlaps high
        for (int j = 0; j < kBlock; ++j)
            block[j] = p[j];
        for (int j = 0; j < kBlock; ++j)
            high[j] = std::max(high[j], block[j]);
    }
    int highX = 0, highY = 0;
    for (int j = 0; j < kBlock; j += kCell) {
        highX = std::max<int>(highX, high[j + 1]);
        highY = std::max<int>(highY, high[j + 2]);
    }
    for (; i < cells; ++i, p += kCell) {
        highX = std::max<int>(highX, p[1]);
        highY = std::max<int>(highY, p[2]);
    }
    if (highX < tiles.width() && highY < tiles.height())
        return found;

    p = start;
    for (i = 0; i < cells; ++i, p += kCell) {
        if (p[0] == kTile && (p[1] >= tiles.width() || p[2] >= tiles.height())) {
            if (!found.cells) {
                found.first = QPoint(int(i / rows), int(i % rows));
                found.tile = QPoint(p[1], p[2]);
            }
            ++found.cells;
        }
    }
    return found;
}

} // namespace vtfile
