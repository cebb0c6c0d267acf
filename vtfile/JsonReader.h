#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtEndian>

#include <cstring>
#include <span>
#include <string>
#include <utility>

namespace vtfile {

// Where a value sits in the document, for messages only. Each level points at its parent's,
// which lives on the stack of the code reading it: nothing is built unless a value is refused.
struct JsonPath
{
    const JsonPath *up = nullptr;
    QByteArrayView key;  // a member's name, or
    qint64 index = -1;   // an item's index

    QString text() const;  // "$.levels[2].time"
};

// A value of the document: where its text starts, or -1 for a member the object lacks.
struct JsonValue
{
    qsizetype pos = -1;
    JsonPath path;

    bool present() const { return pos >= 0; }
};

// A member name an object may hold, with its length.
struct JsonName
{
    constexpr JsonName(const char *n) : name(n), size(qsizetype(std::char_traits<char>::length(n)))
    {
        // Its first sixteen bytes as two little-endian words, for comparing at a glance.
        for (qsizetype i = 0; i < size && i < 16; ++i)
            (i < 8 ? head : tail) |= quint64(uchar(n[i])) << (8 * (i % 8));
    }
    const char *name;
    qsizetype size;
    quint64 head = 0, tail = 0;
};

// The member names an object may hold: a static array, which the object keeps pointing at.
using JsonNames = std::span<const JsonName>;

// An object being read. Its members are found as they are asked for, in one pass over the
// text when they are asked for in the order they stand; its values point at its path, so it
// stays where it was made.
class JsonObject
{
public:
    JsonObject(const JsonObject &) = delete;
    JsonObject &operator=(const JsonObject &) = delete;

    JsonPath path;

private:
    friend class JsonReader;
    static constexpr int kMaxNames = 48;

    JsonObject() = default;
    JsonObject(JsonObject &&) = default;

    qsizetype open = -1;  // its '{'; -1 when the value was no object
    qsizetype scan = -1;  // where the next member or the '}' is looked for
    qsizetype pending = -1;  // the value found last, whose end is not known yet
    qsizetype end = -1;
    bool first = true;
    bool complete = false;
    const JsonName *names = nullptr;
    int nameCount = 0;
    int lastAsked = -1;  // the names are mostly asked for in their order
    quint64 seen = 0;
    qsizetype valuePos[kMaxNames];
    qsizetype keyPos[kMaxNames];
};

// An array being read item by item.
class JsonArray
{
public:
    JsonArray(const JsonArray &) = delete;
    JsonArray &operator=(const JsonArray &) = delete;

    JsonPath path;
    qint64 count = 0;  // items so far

private:
    friend class JsonReader;
    JsonArray() = default;
    JsonArray(JsonArray &&) = default;

    qsizetype open = -1;
    qsizetype scan = -1;
    qsizetype pending = -1;
    qint64 minSize = 0, maxSize = 0;
    bool complete = false;
};

// A strict reader of JSON text (RFC 8259, UTF-8), driven by the code that knows what the
// document must hold: each value is checked as it is read, and the first refusal ends the
// reading. Every refusal names the line and column (counted in characters from 1) and the
// path of the value: "12:7: $.levels[2].time: 40000 is out of range: ...". Members may come in
// any order; a repeated member and nesting deeper than kMaxDepth are refused. The text is read
// where it lies, never copied.
class JsonReader
{
public:
    static constexpr int kMaxDepth = 100;

    explicit JsonReader(QByteArrayView text);

    bool bad() const { return !m_error.isEmpty(); }
    const QString &error() const { return m_error; }

    // Refuses the value (or the member of the object) with a message; the first one stays.
    void fail(const JsonValue &v, const QString &what);
    void fail(const JsonObject &o, const QString &what);
    void failMember(const JsonObject &o, const char *key, const QString &what);
    // Refuses a value of the wrong kind ("expected ..."), or as no JSON at all when it is none.
    void wrongKind(const JsonValue &v, const QString &expected);

    // The value the text holds; after reading it, finish() refuses anything but white space
    // after it.
    JsonValue document();
    void finish(const JsonObject &document);

    JsonObject object(const JsonValue &v, JsonNames names);
    // The member's value; a missing one is refused.
    JsonValue member(JsonObject &o, const char *key);
    // The member's value, absent when the object lacks it.
    JsonValue optional(JsonObject &o, const char *key);
    // Reads the object to its end: a member not yet asked for is refused as unknown.
    void done(JsonObject &o);
    // From now on the object may hold only these names (a document's, once its format is
    // known); one already seen that is not among them is refused.
    void narrow(JsonObject &o, JsonNames names);

    JsonArray array(const JsonValue &v, qint64 minSize, qint64 maxSize);
    // The next item; false at the end (a count outside the array's range is refused there).
    bool next(JsonArray &a, JsonValue &item);

    bool isNumber(const JsonValue &v) const
    {
        return v.present() && v.pos < m_n && (m_s[v.pos] == '-' || (m_s[v.pos] >= '0' && m_s[v.pos] <= '9'));
    }
    bool isObject(const JsonValue &v) const { return v.present() && v.pos < m_n && m_s[v.pos] == '{'; }
    qint64 number(const JsonValue &v, qint64 lo, qint64 hi);
    qint64 number(JsonObject &o, const char *key, qint64 lo, qint64 hi);
    bool flag(JsonObject &o, const char *key);
    QString string(const JsonValue &v);
    // A text of the files: windows-1252 characters, at most maxBytes of them.
    QByteArray ansi(const JsonValue &v, qsizetype maxBytes);
    QByteArray ansi(JsonObject &o, const char *key, qsizetype maxBytes);
    // Two whole numbers [a, b].
    std::pair<qint64, qint64> pair(const JsonValue &v, qint64 lo, qint64 hi);

    // An object of exactly these members in this order, each a plain whole number within its
    // range [lo, hi], read at a glance into values. False, with nothing read, for an object of
    // any other form, which the caller then reads member by member (and so has it judged).
    struct Range
    {
        qint64 lo, hi;
    };
    bool wholeNumbers(const JsonValue &v, JsonNames names, const Range *ranges, qint64 *values);
    // An array of exactly count such objects, read at a glance the same way; values receives
    // count times as many numbers, object by object.
    bool arrayOfWholeNumbers(const JsonValue &v, qsizetype count, JsonNames names, const Range *ranges,
                             qint64 *values);

    // For a format that reads the common form of its own values at a glance (an area's rows
    // as to-json writes them): the text from the value to the end, and, once it has read the
    // value, its size, after which the reading goes on past it. A value of any other form is
    // read as usual.
    QByteArrayView textFrom(const JsonValue &v) const
    {
        return v.present() && !bad() ? QByteArrayView(m_s + v.pos, m_n - v.pos) : QByteArrayView();
    }
    void took(const JsonValue &v, qsizetype size) { read(v.pos, v.pos + size); }

private:
    template <class Sink>
    qsizetype readString(qsizetype p, const JsonPath &path, Sink &sink);
    // Reads a member name; key is where it lies, or in storage when it had to be put together.
    qsizetype readKey(qsizetype p, const JsonPath &path, QByteArray &storage, QByteArrayView &key);
    bool scanMembers(JsonObject &o, int wanted);
    // The name in quotes at p.
    bool nameAt(qsizetype p, const JsonName &name) const
    {
        if (p + name.size + 2 > m_n || m_s[p] != '"' || m_s[p + name.size + 1] != '"')
            return false;
        if (name.size > 16 || p + 17 > m_n)
            return std::memcmp(m_s + p + 1, name.name, std::size_t(name.size)) == 0;
        quint64 head, tail;
        std::memcpy(&head, m_s + p + 1, 8);
        std::memcpy(&tail, m_s + p + 9, 8);
        auto mask = [](qsizetype bytes) { return bytes >= 8 ? ~quint64(0) : bytes <= 0 ? 0 : (quint64(1) << (8 * bytes)) - 1; };
        return (qFromLittleEndian(head) & mask(name.size)) == name.head
               && (qFromLittleEndian(tail) & mask(name.size - 8)) == name.tail;
    }
    int nameIndex(const JsonObject &o, QByteArrayView key) const;
    int nameIndex(const JsonObject &o, const char *name) const;
    qsizetype endOf(qsizetype value) { return value == m_lastStart ? m_lastEnd : skipValue(value); }
    qsizetype skipValue(qsizetype p);
    qsizetype skipSpace(qsizetype p) const
    {
        for (; p < m_n; ++p) {
            const uchar c = uchar(m_s[p]);
            if (c > ' ')  // what ends a run of white space, as a rule
                return p;
            if (c == ' ' || c == '\r' || c == '\t')
                continue;
            if (c != '\n')
                return p;
            // A line break starts an indentation: its spaces are counted eight at a time.
            constexpr quint64 kEightSpaces = 0x2020202020202020;
            while (p + 9 <= m_n) {
                quint64 eight;
                std::memcpy(&eight, m_s + p + 1, 8);
                if (const quint64 other = qFromLittleEndian(eight) ^ kEightSpaces) {
                    p += qCountTrailingZeroBits(other) / 8;
                    break;
                }
                p += 8;
            }
        }
        return p;
    }
    qint64 slowNumber(const JsonValue &v, qint64 lo, qint64 hi);
    // A plain whole number at p (no fraction or exponent) within [lo, hi]: its end, else -1.
    qsizetype plainNumber(qsizetype p, qint64 lo, qint64 hi, qint64 &value) const;
    // The object of whole numbers at p, as wholeNumbers reads it: its end, else -1.
    qsizetype plainObject(qsizetype p, JsonNames names, const Range *ranges, qint64 *values) const;
    bool literal(qsizetype p, QByteArrayView word) const;
    bool startsValue(qsizetype p) const;
    void read(qsizetype start, qsizetype end)
    {
        m_lastStart = start;
        m_lastEnd = end;
    }
    qsizetype syntax(qsizetype at, const QString &what);
    // The text ended inside a string, object or array that began at open.
    qsizetype endsInside(qsizetype open, const char *what);
    void failAt(qsizetype at, const JsonPath &path, const QString &what);
    QString position(qsizetype at) const;

    const char *m_s;
    qsizetype m_n;
    qsizetype m_start = 0;  // after a byte order mark
    // The value read last: an object resumes its scan right after it without a second look.
    qsizetype m_lastStart = -1, m_lastEnd = -1;
    QString m_error;
};

} // namespace vtfile
