// The reader's walk through the text: objects, arrays, skipping, and the refusals.
#include "JsonReader.h"

#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

QString JsonPath::text() const
{
    std::vector<const JsonPath *> chain;
    for (const JsonPath *p = this; p; p = p->up)
        chain.push_back(p);
    QString s = u"$"_s;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const JsonPath &p = **it;
        if (!p.key.isNull())
            s += u'.' + QString::fromUtf8(p.key);
        else if (p.index >= 0)
            s += u'[' + QString::number(p.index) + u']';
    }
    return s;
}

JsonReader::JsonReader(QByteArrayView text) : m_s(text.data()), m_n(text.size())
{
    // A byte order mark is no part of JSON, but editors add one; the text after it counts.
    if (text.startsWith("\xef\xbb\xbf"))
        m_start = 3;
}

// ---------------------------------------------------------------------------------------------
// Refusals: built only here, when something is wrong.

QString JsonReader::position(qsizetype at) const
{
    at = std::min(at, m_n);
    qint64 line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < at; ++i) {
        if (m_s[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    qint64 column = 1;
    for (qsizetype i = std::max(lineStart, m_start); i < at; ++i)
        column += (uchar(m_s[i]) & 0xc0) != 0x80;
    return u"%1:%2"_s.arg(line).arg(column);
}

void JsonReader::failAt(qsizetype at, const JsonPath &path, const QString &what)
{
    if (!bad())
        m_error = position(at) + u": "_s + path.text() + u": "_s + what;
}

qsizetype JsonReader::syntax(qsizetype at, const QString &what)
{
    if (!bad())
        m_error = position(at) + u": not JSON: "_s + what;
    return -1;
}

qsizetype JsonReader::endsInside(qsizetype open, const char *what)
{
    return syntax(m_n, u"the text ends inside the %1 that begins at %2"_s.arg(QLatin1StringView(what), position(open)));
}

void JsonReader::fail(const JsonValue &v, const QString &what)
{
    failAt(std::max<qsizetype>(v.pos, 0), v.path, what);
}

void JsonReader::fail(const JsonObject &o, const QString &what)
{
    failAt(std::max<qsizetype>(o.open, 0), o.path, what);
}

void JsonReader::failMember(const JsonObject &o, const char *key, const QString &what)
{
    failAt(std::max<qsizetype>(o.open, 0), JsonPath{&o.path, QByteArrayView(key), -1}, what);
}

// A wrong kind of value is refused as such, unless the text there is no JSON value at all.
void JsonReader::wrongKind(const JsonValue &v, const QString &expected)
{
    if (!startsValue(v.pos))
        syntax(v.pos, v.pos >= m_n ? u"the text ends where a value should be"_s : u"expected a value"_s);
    else
        fail(v, expected);
}

// ---------------------------------------------------------------------------------------------
// Scanning.

bool JsonReader::literal(qsizetype p, QByteArrayView word) const
{
    if (p + word.size() > m_n || std::memcmp(m_s + p, word.data(), size_t(word.size())) != 0)
        return false;
    const qsizetype after = p + word.size();
    return after == m_n || isSpace(m_s[after]) || m_s[after] == ',' || m_s[after] == ']' || m_s[after] == '}';
}

bool JsonReader::startsValue(qsizetype p) const
{
    if (p < 0 || p >= m_n)
        return false;
    const char c = m_s[p];
    return c == '{' || c == '[' || c == '"' || c == '-' || isDigit(c) || literal(p, "true") || literal(p, "false")
           || literal(p, "null");
}

// The end of the value at p, found by its brackets and quotes alone: for members looked past
// on the way to another one. Every value is checked in full when it is read.
qsizetype JsonReader::skipValue(qsizetype p)
{
    if (!startsValue(p))
        return syntax(p, p >= m_n ? u"the text ends where a value should be"_s : u"expected a value"_s);
    if (m_s[p] == '"') {
        for (qsizetype q = p + 1; q < m_n; ++q) {
            if (m_s[q] == '\\')
                ++q;
            else if (m_s[q] == '"')
                return q + 1;
        }
        return endsInside(p, "string");
    }
    if (m_s[p] != '{' && m_s[p] != '[') {
        qsizetype q = p;
        while (q < m_n && !isSpace(m_s[q]) && m_s[q] != ',' && m_s[q] != ']' && m_s[q] != '}')
            ++q;
        return q;
    }
    char closers[kMaxDepth];
    qsizetype opens[kMaxDepth];
    int depth = 0;
    for (qsizetype q = p; q < m_n; ++q) {
        const char c = m_s[q];
        if (c == '"') {
            const qsizetype start = q++;
            while (q < m_n && m_s[q] != '"')
                q += m_s[q] == '\\' ? 2 : 1;
            if (q >= m_n)
                return endsInside(start, "string");
        } else if (c == '{' || c == '[') {
            if (depth == kMaxDepth)
                return syntax(q, u"nested deeper than %1 arrays and objects"_s.arg(kMaxDepth));
            opens[depth] = q;
            closers[depth++] = c == '{' ? '}' : ']';
        } else if (c == '}' || c == ']') {
            if (c != closers[depth - 1])
                return syntax(q, u"'%1' closes a%2"_s.arg(QString(QLatin1Char(c)), closers[depth - 1] == '}' ? u"n object"_s : u"n array"_s));
            if (--depth == 0)
                return q + 1;
        }
    }
    return endsInside(opens[depth - 1], closers[depth - 1] == '}' ? "object" : "array");
}

int JsonReader::nameIndex(const JsonObject &o, QByteArrayView key) const
{
    for (int i = 0; i < o.nameCount; ++i)
        if (key == QByteArrayView(o.names[i].name, o.names[i].size))
            return i;
    return -1;
}

int JsonReader::nameIndex(const JsonObject &o, const char *name) const
{
    // The names asked for are the very strings of the list as a rule, and asked in order.
    if (const int next = o.lastAsked + 1; next < o.nameCount && o.names[next].name == name)
        return next;
    for (int i = 0; i < o.nameCount; ++i)
        if (o.names[i].name == name)
            return i;
    for (int i = 0; i < o.nameCount; ++i)
        if (std::strcmp(o.names[i].name, name) == 0)
            return i;
    return -1;
}

// Reads members until the wanted one (an index of the names; -1 for none) or the end.
bool JsonReader::scanMembers(JsonObject &o, int wanted)
{
    while (!o.complete && !bad()) {
        qsizetype p = o.scan;
        if (o.pending >= 0) {
            p = endOf(o.pending);
            if (p < 0)
                return false;
            o.pending = -1;
        }
        p = skipSpace(p);
        if (p >= m_n)
            return endsInside(o.open, "object") >= 0;
        if (m_s[p] == '}') {
            o.complete = true;
            o.end = p + 1;
            o.scan = p + 1;
            read(o.open, o.end);
            return true;
        }
        if (!o.first) {
            if (m_s[p] != ',')
                return syntax(p, u"expected ',' or '}'"_s) >= 0;
            p = skipSpace(p + 1);
        }
        if (p >= m_n || m_s[p] != '"')
            return (p >= m_n ? endsInside(o.open, "object") : syntax(p, u"expected a member name in quotes"_s)) >= 0;
        const qsizetype keyPos = p;
        int index = -1;
        qsizetype keyEnd = -1;
        // The member asked for is most often the next one, named plainly: matched in place.
        if (wanted >= 0 && nameAt(p, o.names[wanted])) {
            index = wanted;
            keyEnd = p + o.names[wanted].size + 2;
        }
        if (keyEnd < 0) {
            QByteArray storage;
            QByteArrayView key;
            keyEnd = readKey(p, o.path, storage, key);
            if (keyEnd < 0)
                return false;
            index = nameIndex(o, key);
        }
        p = skipSpace(keyEnd);
        if (p >= m_n || m_s[p] != ':')
            return syntax(p, u"expected ':' after the member name"_s) >= 0;
        p = skipSpace(p + 1);
        if (index < 0) {
            // Named as written, escapes and all.
            const QByteArrayView written(m_s + keyPos + 1, keyEnd - keyPos - 2);
            failAt(keyPos, JsonPath{&o.path, written, -1}, u"unknown member"_s);
            return false;
        }
        const quint64 bit = quint64(1) << index;
        if (o.seen & bit) {
            failAt(keyPos, JsonPath{&o.path, QByteArrayView(o.names[index].name, o.names[index].size), -1},
                   u"given twice (a member may appear only once)"_s);
            return false;
        }
        o.seen |= bit;
        o.valuePos[index] = p;
        o.keyPos[index] = keyPos;
        o.pending = p;
        o.scan = p;
        o.first = false;
        if (index == wanted)
            return true;
    }
    return !bad();
}

// ---------------------------------------------------------------------------------------------
// Values.

JsonValue JsonReader::document()
{
    const qsizetype p = skipSpace(m_start);
    if (p >= m_n)
        syntax(p, u"the text holds no value"_s);
    return JsonValue{p, JsonPath{}};
}

void JsonReader::finish(const JsonObject &document)
{
    if (bad() || !document.complete)
        return;
    if (const qsizetype p = skipSpace(document.end); p < m_n)
        syntax(p, u"more text after the end of the document"_s);
}

JsonObject JsonReader::object(const JsonValue &v, JsonNames names)
{
    JsonObject o;
    o.path = v.path;
    o.names = names.data();
    o.nameCount = int(names.size());
    Q_ASSERT(o.nameCount <= JsonObject::kMaxNames);
    if (bad() || !v.present())
        return o;
    if (v.pos >= m_n || m_s[v.pos] != '{') {
        wrongKind(v, u"expected an object"_s);
        return o;
    }
    o.open = v.pos;
    o.scan = v.pos + 1;
    return o;
}

JsonValue JsonReader::optional(JsonObject &o, const char *key)
{
    if (bad() || o.open < 0)
        return JsonValue{-1, JsonPath{&o.path, QByteArrayView(key), -1}};
    const int index = nameIndex(o, key);
    Q_ASSERT(index >= 0);
    o.lastAsked = index;
    JsonValue v{-1, JsonPath{&o.path, QByteArrayView(o.names[index].name, o.names[index].size), -1}};
    if (!(o.seen & (quint64(1) << index)) && !scanMembers(o, index))
        return v;
    if (o.seen & (quint64(1) << index))
        v.pos = o.valuePos[index];
    return v;
}

JsonValue JsonReader::member(JsonObject &o, const char *key)
{
    const JsonValue v = optional(o, key);
    if (!v.present() && !bad() && o.open >= 0)
        failMember(o, key, u"missing"_s);
    return v;
}

void JsonReader::done(JsonObject &o)
{
    if (bad() || o.open < 0)
        return;
    scanMembers(o, -1);
}

void JsonReader::narrow(JsonObject &o, JsonNames names)
{
    if (bad() || o.open < 0)
        return;
    quint64 seen = 0;
    qsizetype valuePos[JsonObject::kMaxNames];
    qsizetype keyPos[JsonObject::kMaxNames];
    qsizetype firstUnknown = -1;
    const char *unknownName = nullptr;
    for (int i = 0; i < o.nameCount; ++i) {
        if (!(o.seen & (quint64(1) << i)))
            continue;
        int j = 0;
        while (j < int(names.size()) && std::strcmp(names[std::size_t(j)].name, o.names[i].name) != 0)
            ++j;
        if (j == int(names.size())) {
            if (firstUnknown < 0 || o.keyPos[i] < firstUnknown) {
                firstUnknown = o.keyPos[i];
                unknownName = o.names[i].name;
            }
            continue;
        }
        seen |= quint64(1) << j;
        valuePos[j] = o.valuePos[i];
        keyPos[j] = o.keyPos[i];
    }
    if (unknownName) {
        failAt(firstUnknown, JsonPath{&o.path, QByteArrayView(unknownName), -1}, u"unknown member"_s);
        return;
    }
    o.names = names.data();
    o.nameCount = int(names.size());
    o.seen = seen;
    std::memcpy(o.valuePos, valuePos, sizeof valuePos);
    std::memcpy(o.keyPos, keyPos, sizeof keyPos);
}

JsonArray JsonReader::array(const JsonValue &v, qint64 minSize, qint64 maxSize)
{
    JsonArray a;
    a.path = v.path;
    a.minSize = minSize;
    a.maxSize = maxSize;
    if (bad() || !v.present())
        return a;
    if (v.pos >= m_n || m_s[v.pos] != '[') {
        wrongKind(v, u"expected an array"_s);
        return a;
    }
    a.open = v.pos;
    a.scan = v.pos + 1;
    return a;
}

bool JsonReader::next(JsonArray &a, JsonValue &item)
{
    if (bad() || a.open < 0 || a.complete)
        return false;
    qsizetype p = a.scan;
    if (a.pending >= 0) {
        p = endOf(a.pending);
        if (p < 0)
            return false;
        a.pending = -1;
    }
    auto refuseCount = [&](qint64 count) {
        failAt(a.open, a.path,
               a.minSize == a.maxSize ? u"holds %1 entries: expected %2"_s.arg(count).arg(a.minSize)
                                      : u"holds %1 entries: expected %2 to %3"_s.arg(count).arg(a.minSize).arg(a.maxSize));
        return false;
    };
    for (;;) {
        p = skipSpace(p);
        if (p >= m_n) {
            endsInside(a.open, "array");
            return false;
        }
        if (m_s[p] == ']') {
            a.complete = true;
            read(a.open, p + 1);
            return a.count < a.minSize ? refuseCount(a.count) : false;
        }
        if (a.count > 0) {
            if (m_s[p] != ',') {
                syntax(p, u"expected ',' or ']'"_s);
                return false;
            }
            p = skipSpace(p + 1);
        }
        if (a.count < a.maxSize)
            break;
        // One too many: count them all for the message.
        qint64 count = a.count;
        while ((p = skipValue(p)) >= 0) {
            ++count;
            p = skipSpace(p);
            if (p < m_n && m_s[p] == ']')
                return refuseCount(count);
            if (p >= m_n || m_s[p] != ',') {
                p >= m_n ? endsInside(a.open, "array") : syntax(p, u"expected ',' or ']'"_s);
                return false;
            }
            p = skipSpace(p + 1);
        }
        return false;
    }
    item.pos = p;
    item.path = JsonPath{&a.path, QByteArrayView(), a.count};
    ++a.count;
    a.pending = p;
    a.scan = p;
    return true;
}

} // namespace vtfile
