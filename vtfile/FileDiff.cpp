#include "FileDiff.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTextStream>

#include <algorithm>
#include <climits>
#include <cstring>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

// One step of a path into a JSON document: a member's name, or an item's index.
struct Step
{
    QString key;
    qsizetype index = -1;
};
using Path = QList<Step>;

// The members that are no value of their own: the format's name, the world list's names (read
// from its lines) and the stored bytes, whose difference is told apart.
bool skipped(Kind kind, const Path &path)
{
    if (path.size() != 1)
        return false;
    return path[0].key == u"format"_s || path[0].key == u"asStored"_s
           || (kind == Kind::Worlds && path[0].key == u"worlds"_s);
}

QString quoted(const QString &s)
{
    return u"\""_s + s + u"\""_s;
}

// Names the value at `path` as the format does. `docs` are the documents the path may lie in,
// the first that has an item giving its name.
struct Namer
{
    Kind kind;
    std::vector<const QJsonObject *> docs;
    QHash<QString, int> order;  // members in the order the JSON form writes them

    QString member(const QString &array, qsizetype index, const QString &name) const
    {
        for (const QJsonObject *d : docs) {
            const QJsonValue v = d->value(array).toArray().at(index).toObject().value(name);
            if (v.isString())
                return v.toString();
        }
        return QString();
    }

    std::pair<QString, QString> operator()(const Path &path) const
    {
        QString place;
        qsizetype from = 0;
        const bool item = path.size() >= 2 && path[1].index >= 0;
        const QString top = path.value(0).key;
        if (item) {
            const qsizetype i = path[1].index;
            if (kind == Kind::World && top == u"levels"_s) {
                place = u"level %1 %2"_s.arg(i + 1).arg(quoted(member(top, i, u"name"_s)));
                from = 2;
            } else if (kind == Kind::Map && top == u"nodes"_s) {
                place = u"node %1"_s.arg(i + 1);
                from = 2;
            } else if (kind == Kind::Worlds && top == u"lines"_s) {
                place = u"line %1"_s.arg(i + 1);
                from = 2;
            } else if (kind == Kind::Skin && top == u"graphics"_s) {
                place = u"enemy %1 %2"_s.arg(i + 1).arg(quoted(member(top, i, u"enemy"_s)));
                from = 2;
            } else if (kind == Kind::TileInfo && top == u"grid"_s && path.size() >= 3) {
                place = u"tile (%1, %2)"_s.arg(path[2].index).arg(i);
                from = 3;
            }
        }
        QStringList field;
        for (qsizetype s = from; s < path.size(); ++s) {
            const Step &step = path[s];
            if (step.index < 0) {
                field << step.key;
                continue;
            }
            const QString owner = s > 0 ? path[s - 1].key : QString();
            if (owner == u"specialTiles"_s && step.index < 3)
                field.back() = QStringList{u"switch A"_s, u"switch B"_s, u"vine"_s}[step.index];
            else if (owner == u"pipes"_s)
                field.back() = u"pipe %1"_s.arg(step.index + 1);
            else
                field << u"[%1]"_s.arg(step.index);
        }
        return {place, field.join(u' ')};
    }
};

// The members of both objects, in the order the JSON form writes them (a JSON object of Qt
// keeps them sorted by name): values are told in the order people see them in the file.
QStringList orderedKeys(const QJsonObject &a, const QJsonObject &b, const QHash<QString, int> &order)
{
    QStringList keys = a.keys();
    for (const QString &k : b.keys())
        if (!a.contains(k))
            keys << k;
    std::stable_sort(keys.begin(), keys.end(), [&](const QString &x, const QString &y) {
        return order.value(x, INT_MAX) < order.value(y, INT_MAX);
    });
    return keys;
}

// Where each member name first stands in the JSON text: every item of an array has the same
// members in the same order, so the head of the text gives the order of them all.
void learnOrder(QByteArrayView json, QHash<QString, int> &order)
{
    json = json.first(qMin<qsizetype>(json.size(), 64 * 1024));
    for (qsizetype i = json.indexOf('"'); i >= 0 && i + 1 < json.size(); i = json.indexOf('"', i + 1)) {
        const qsizetype end = json.indexOf('"', i + 1);
        if (end < 0)
            break;
        if (end + 1 < json.size() && json[end + 1] == ':') {
            const QString key = QString::fromUtf8(json.sliced(i + 1, end - i - 1));
            if (!order.contains(key))
                order.insert(key, int(order.size()));
        }
        i = end;
    }
}

// A tile information value is a type and an animation flag in one byte: two fields to people.
void addChange(Kind kind, const Namer &name, const Path &path, const QJsonValue &before, const QJsonValue &after,
               std::vector<FieldChange> &out)
{
    auto [place, field] = name(path);
    if (kind == Kind::TileInfo && path.value(0).key == u"grid"_s && path.size() == 3 && before.isDouble()
        && after.isDouble()) {
        const int b = before.toInt(), a = after.toInt();
        if ((b & 127) != (a & 127))
            out.push_back(FieldChange{place, u"type"_s, b & 127, a & 127});
        if ((b & 128) != (a & 128))
            out.push_back(FieldChange{place, u"animated"_s, (b & 128) != 0, (a & 128) != 0});
        return;
    }
    out.push_back(FieldChange{place, field, before, after});
}

void compare(Kind kind, const Namer &name, const QJsonValue &a, const QJsonValue &b, Path &path,
             std::vector<FieldChange> &out)
{
    if (a == b || skipped(kind, path))
        return;
    if (a.isObject() && b.isObject()) {
        const QJsonObject oa = a.toObject(), ob = b.toObject();
        for (const QString &k : orderedKeys(oa, ob, name.order)) {
            path.append(Step{k});
            compare(kind, name, oa.value(k), ob.value(k), path, out);
            path.removeLast();
        }
        return;
    }
    if (a.isArray() && b.isArray()) {
        const QJsonArray aa = a.toArray(), ab = b.toArray();
        for (qsizetype i = 0; i < qMax(aa.size(), ab.size()); ++i) {
            path.append(Step{QString(), i});
            const QJsonValue va = i < aa.size() ? aa.at(i) : QJsonValue(QJsonValue::Undefined);
            const QJsonValue vb = i < ab.size() ? ab.at(i) : QJsonValue(QJsonValue::Undefined);
            compare(kind, name, va, vb, path, out);
            path.removeLast();
        }
        return;
    }
    addChange(kind, name, path, a, b, out);
}

vt::Status documentOf(Kind kind, QByteArrayView bytes, QJsonObject &doc, QHash<QString, int> *order = nullptr)
{
    QByteArray json;
    if (vt::Status s = toJson(kind, bytes, json); !s)
        return s;
    if (order)
        learnOrder(json, *order);
    QJsonParseError error;
    const QJsonDocument d = QJsonDocument::fromJson(json, &error);
    if (!d.isObject())
        return vt::Status::failure(u"the file is too large to compare (%1)"_s.arg(error.errorString()));
    doc = d.object();
    return vt::Status::success();
}

QJsonValue cellJson(CellKey key)
{
    if (key == kOutside)
        return QJsonValue(QJsonValue::Null);
    if (key == 0)
        return 0;
    const tessaforge::AreaCell c = cellOfKey(key);
    QJsonObject o;
    if (c.bIsTile)
        o[u"tile"_s] = QJsonArray{c.xSrc, c.ySrc};
    if (c.lTag)
        o[u"tag"_s] = c.lTag;
    if (c.lEnemy)
        o[u"enemy"_s] = c.lEnemy;
    return o;
}

// "column 3" or "columns 3-7".
template <std::size_t N>
char *putSpan(char *p, const char (&word)[N], qint32 from, qint32 to)
{
    std::memcpy(p, word, N - 1);
    p += N - 1;
    if (from != to)
        *p++ = 's';
    *p++ = ' ';
    p = putNumber(p, from);
    if (from != to) {
        *p++ = '-';
        p = putNumber(p, to);
    }
    return p;
}

// "columns 3-7, rows 2-4 (15 cells)": at most 100 bytes.
template <class R>
char *putPlace(char *p, const R &r)
{
    p = putSpan(p, "column", r.left, r.right);
    *p++ = ',';
    *p++ = ' ';
    p = putSpan(p, "row", r.top, r.bottom);
    if (r.cells() > 1) {
        std::memcpy(p, " (", 2);
        p = putNumber(p + 2, r.cells());
        std::memcpy(p, " cells)", 7);
        p += 7;
    }
    return p;
}

// Text of many short lines, each written straight into the buffer after room is made for it.
class Lines
{
public:
    explicit Lines(qsizetype expected) : bytes(expected, Qt::Uninitialized) {}
    char *room(qsizetype n)
    {
        if (bytes.size() - used < n)
            bytes.resize(qMax(2 * bytes.size(), used + n));
        return bytes.data() + used;
    }
    void done(const char *end) { used = end - bytes.constData(); }
    void add(QByteArrayView text) { done(std::copy(text.begin(), text.end(), room(text.size()))); }
    QByteArray take()
    {
        bytes.truncate(used);
        return std::move(bytes);
    }

private:
    QByteArray bytes;
    qsizetype used = 0;
};

constexpr qsizetype kMaxCellLine = 4 + 100 + 3 * (kMaxCellText + 10);

QString changeLine(const FieldChange &c)
{
    if (c.before.isUndefined())
        return placeAndField(c.place, c.field) + u": added"_s
               + (c.after.isObject() || c.after.isArray() ? QString() : u" "_s + describeValue(c.after));
    if (c.after.isUndefined())
        return placeAndField(c.place, c.field) + u": removed"_s;
    return placeAndField(c.place, c.field) + u": "_s + describeValue(c.before) + u" -> "_s + describeValue(c.after);
}

// A value as compact JSON text.
QString jsonText(const QJsonValue &v)
{
    const QByteArray array = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QJsonValue orNull(const QJsonValue &v)
{
    return v.isUndefined() ? QJsonValue(QJsonValue::Null) : v;
}

// The three-way merge of JSON values, conflicts named by `name`.
struct Merger
{
    Kind kind;
    Namer name;
    std::vector<FieldConflict> &conflicts;
    Path path;

    void conflict(const QJsonValue &o, const QJsonValue &a, const QJsonValue &b)
    {
        const auto [place, field] = name(path);
        conflicts.push_back(FieldConflict{place, field, o, a, b});
    }

    QJsonValue at(const QJsonArray &array, qsizetype i)
    {
        return i < array.size() ? array.at(i) : QJsonValue(QJsonValue::Undefined);
    }

    QJsonValue merge(const QJsonValue &o, const QJsonValue &a, const QJsonValue &b)
    {
        if (a == b || b == o)
            return a;
        if (a == o)
            return b;
        if (o.isObject() && a.isObject() && b.isObject()) {
            const QJsonObject oo = o.toObject(), oa = a.toObject(), ob = b.toObject();
            QJsonObject merged;
            for (const QString &k : orderedKeys(oa, ob, name.order)) {
                path.append(Step{k});
                const QJsonValue v = merge(oo.value(k), oa.value(k), ob.value(k));
                path.removeLast();
                if (!v.isUndefined())
                    merged[k] = v;
            }
            return merged;
        }
        if (o.isArray() && a.isArray() && b.isArray()) {
            const QJsonArray oo = o.toArray(), oa = a.toArray(), ob = b.toArray();
            // Items are places (level 3, node 7): at most one side may change how many there are.
            if (oa.size() != oo.size() && ob.size() != oo.size() && oa.size() != ob.size()) {
                conflict(QJsonValue(qint64(oo.size())), QJsonValue(qint64(oa.size())), QJsonValue(qint64(ob.size())));
                return a;
            }
            const qsizetype size = oa.size() != oo.size() ? oa.size() : ob.size();
            const qsizetype all = qMax(size, qMax(oo.size(), qMax(oa.size(), ob.size())));
            QJsonArray merged;
            for (qsizetype i = 0; i < all; ++i) {
                path.append(Step{QString(), i});
                const QJsonValue vo = at(oo, i), va = at(oa, i), vb = at(ob, i);
                const std::size_t before = conflicts.size();
                const QJsonValue v = merge(vo, va, vb);
                // An item one side took away and the other changed (told once).
                if (i >= size && !v.isUndefined() && !(va == vb) && conflicts.size() == before)
                    conflict(vo, va, vb);
                else if (i < size)
                    merged.append(v);
                path.removeLast();
            }
            return merged;
        }
        conflict(o, a, b);
        return a;
    }
};

// Items are merged by place, so one side's link to a node (or a pipe's to a level) can point
// past the items the other side removed: such a link is a conflict, not a merged value.
void checkReferences(Kind kind, Merger &m, const QJsonObject &merged, const QJsonObject &ours,
                     const QJsonObject &theirs)
{
    const QString items = kind == Kind::Map ? u"nodes"_s : kind == Kind::World ? u"levels"_s : QString();
    if (items.isEmpty())
        return;
    const qsizetype count = merged.value(items).toArray().size();
    const qsizetype most = qMax(ours.value(items).toArray().size(), theirs.value(items).toArray().size());
    if (count >= most)
        return;
    auto check = [&](const Path &path, const QJsonValue &value, const QJsonValue &o, const QJsonValue &a,
                     const QJsonValue &b) {
        // A link a side changed, within its own items but past the merged ones.
        if (value != o && value.toInteger() > count && value.toInteger() <= most) {
            m.path = path;
            m.conflict(o, a, b);
        }
    };
    auto valueAt = [](const QJsonObject &doc, const Path &path) {
        QJsonValue v = doc;
        for (const Step &s : path)
            v = s.index >= 0 ? v.toArray().at(s.index) : v.toObject().value(s.key);
        return v;
    };
    const QJsonArray list = merged.value(items).toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonObject item = list.at(i).toObject();
        std::vector<Path> links;
        if (kind == Kind::Map) {
            for (const char *link : {"left", "right", "up", "down"})
                links.push_back(Path{Step{items}, Step{QString(), i}, Step{QString::fromLatin1(link)}});
        } else {
            const QJsonArray pipes = item.value(u"pipes"_s).toArray();
            for (qsizetype p = 0; p < pipes.size(); ++p)
                links.push_back(Path{Step{items}, Step{QString(), i}, Step{u"pipes"_s}, Step{QString(), p},
                                     Step{u"destLevel"_s}});
        }
        for (const Path &path : links) {
            const QJsonValue v = valueAt(merged, path);
            check(path, v, valueAt(*m.name.docs.back(), path), valueAt(ours, path), valueAt(theirs, path));
        }
    }
    m.path.clear();
}

} // namespace

QString describeValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String: return quoted(value.toString());
    case QJsonValue::Bool: return value.toBool() ? u"on"_s : u"off"_s;
    case QJsonValue::Double: return QString::number(value.toInteger());
    case QJsonValue::Null:
    case QJsonValue::Undefined: return u"none"_s;
    case QJsonValue::Array: {
        QStringList items;
        for (const QJsonValue &v : value.toArray())
            items << describeValue(v);
        return u"("_s + items.join(u", "_s) + u")"_s;
    }
    case QJsonValue::Object: {
        QStringList members;
        const QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            members << it.key() + u' ' + describeValue(it.value());
        return members.join(u", "_s);
    }
    }
    return QString();
}

QString placeAndField(const QString &place, const QString &field)
{
    if (place.isEmpty())
        return field;
    return field.isEmpty() ? place : place + u", "_s + field;
}

vt::Status diffFiles(Kind kind, QByteArrayView before, QByteArrayView after, FileDiff &diff)
{
    diff = FileDiff{};
    diff.kind = kind;
    if (kind == Kind::Area) {
        diff.area = diffAreas(before, after);
        diff.changes = diff.area.header;
    } else if (before != after) {
        QJsonObject a, b;
        Namer name{kind, {&b, &a}, {}};
        if (vt::Status s = documentOf(kind, before, a, &name.order); !s)
            return s;
        if (vt::Status s = documentOf(kind, after, b); !s)
            return s;
        Path path;
        compare(kind, name, a, b, path, diff.changes);
    }
    diff.storedBytesDiffer = diff.valuesEqual() && before != after;
    return vt::Status::success();
}

QByteArray diffText(const FileDiff &diff)
{
    Lines out(qsizetype(diff.area.cells.size()) * 64 + 256);
    for (const FieldChange &c : diff.changes)
        out.add((changeLine(c) + u'\n').toUtf8());
    if (!diff.area.cells.empty()) {
        char *p = putNumber(out.room(64), diff.area.changedCells);
        const char *counted = diff.area.changedCells == 1 ? " cell changed:\n" : " cells changed:\n";
        const std::size_t n = std::strlen(counted);
        std::memcpy(p, counted, n);
        out.done(p + n);
        for (const CellRect &r : diff.area.cells) {
            p = out.room(kMaxCellLine);
            *p++ = ' ';
            *p++ = ' ';
            p = putPlace(p, r);
            *p++ = ':';
            *p++ = ' ';
            p = putCell(p, r.before);
            std::memcpy(p, " -> ", 4);
            p = putCell(p + 4, r.after);
            *p++ = '\n';
            out.done(p);
        }
    }
    if (diff.storedBytesDiffer)
        out.add("the values are the same; the stored bytes differ (see \"asStored\" of to-json)\n");
    return out.take();
}

void writeDiffJson(const FileDiff &diff, QTextStream &out)
{
    // Members in a fixed order, an item a line, for people reading it as well as scripts.
    out << "{\n  \"format\": " << jsonText(kindName(diff.kind)) << ", \"equal\": " << jsonText(diff.equal())
        << ",\n  \"changes\": [";
    const char *separator = "\n    ";
    for (const FieldChange &c : diff.changes) {
        out << separator << '{';
        if (!c.place.isEmpty())
            out << "\"place\": " << jsonText(c.place) << ", ";
        out << "\"field\": " << jsonText(c.field) << ", \"before\": " << jsonText(orNull(c.before))
            << ", \"after\": " << jsonText(orNull(c.after)) << '}';
        separator = ",\n    ";
    }
    out << (diff.changes.empty() ? "]" : "\n  ]");
    if (diff.kind == Kind::Area) {
        out << ",\n  \"cells\": {\"changed\": " << diff.area.changedCells << ", \"rectangles\": [";
        separator = "\n    ";
        for (const CellRect &r : diff.area.cells) {
            out << separator << "{\"columns\": [" << r.left << ", " << r.right << "], \"rows\": [" << r.top << ", "
                << r.bottom << "], \"before\": " << jsonText(cellJson(r.before))
                << ", \"after\": " << jsonText(cellJson(r.after)) << '}';
            separator = ",\n    ";
        }
        out << (diff.area.cells.empty() ? "]}" : "\n  ]}");
    }
    out << ",\n  \"storedBytesDiffer\": " << jsonText(diff.storedBytesDiffer) << "\n}\n";
}

vt::Status mergeFiles(Kind kind, QByteArrayView base, QByteArray ours, QByteArrayView theirs, FileMerge &merge)
{
    merge = FileMerge{};
    if (kind == Kind::Area) {
        AreaMerge m = mergeAreas(base, std::move(ours), theirs);
        merge.merged = std::move(m.merged);
        merge.changedFrom = m.changedFrom;
        merge.changedTo = m.changedTo;
        merge.conflicts = std::move(m.header);
        merge.cells = std::move(m.cells);
        merge.conflictCells = m.conflictCells;
        return vt::Status::success();
    }
    if (theirs == base || ours == theirs) {
        merge.merged = std::move(ours);
        return vt::Status::success();
    }
    if (ours == base) {
        merge.merged = theirs.toByteArray();
        merge.changedFrom = 0;
        merge.changedTo = merge.merged.size();
        return vt::Status::success();
    }
    QJsonObject o, a, b;
    Merger m{kind, Namer{kind, {&a, &b, &o}, {}}, merge.conflicts, {}};
    for (auto [bytes, doc] : {std::pair{base, &o}, std::pair{QByteArrayView(ours), &a}, std::pair{theirs, &b}})
        if (vt::Status s = documentOf(kind, bytes, *doc, doc == &o ? &m.name.order : nullptr); !s)
            return s;
    const QJsonValue merged = m.merge(o, a, b);
    if (!merge.clean())
        return vt::Status::success();
    checkReferences(kind, m, merged.toObject(), a, b);
    if (!merge.clean())
        return vt::Status::success();
    QByteArray bytes;
    if (vt::Status s = fromJson(kind, QJsonDocument(merged.toObject()).toJson(QJsonDocument::Compact), bytes); !s) {
        merge.refused = s.error();
        return vt::Status::success();
    }
    merge.merged = std::move(bytes);
    merge.changedFrom = 0;
    merge.changedTo = merge.merged.size();
    return vt::Status::success();
}

QByteArray conflictText(const FileMerge &merge)
{
    Lines out(qsizetype(merge.cells.size()) * 96 + 256);
    auto side = [](const QJsonValue &v, const QString &none) { return v.isUndefined() ? none : describeValue(v); };
    for (const FieldConflict &c : merge.conflicts) {
        QString line = placeAndField(c.place, c.field) + u": "_s;
        // A whole level or node one side removed and the other changed: its members would only
        // repeat what each side holds.
        const bool whole = c.ours.isObject() || c.theirs.isObject();
        if (whole && c.ours.isUndefined())
            line += u"ours removed it, theirs changed it"_s;
        else if (whole && c.theirs.isUndefined())
            line += u"ours changed it, theirs removed it"_s;
        else
            line += u"base "_s + side(c.base, u"absent"_s) + u", ours "_s + side(c.ours, u"removed"_s)
                    + u", theirs "_s + side(c.theirs, u"removed"_s);
        out.add((line + u'\n').toUtf8());
    }
    for (const CellConflict &r : merge.cells) {
        char *p = putPlace(out.room(kMaxCellLine), r);
        auto label = [&p](const char *text, CellKey key) {
            const std::size_t n = std::strlen(text);
            std::memcpy(p, text, n);
            p = putCell(p + n, key);
        };
        label(": base ", r.base);
        label(", ours ", r.ours);
        label(", theirs ", r.theirs);
        *p++ = '\n';
        out.done(p);
    }
    if (!merge.refused.isEmpty())
        out.add("the merged file would not be read: " + merge.refused.toUtf8() + '\n');
    return out.take();
}

} // namespace vtfile
