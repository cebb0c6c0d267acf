#include "JsonWriter.h"

#include "CodePage.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string>

namespace vtfile {

namespace {

constexpr int kLineWidth = 96;

// The JSON form of one character: escaped where a reader could stumble on it (quotes,
// backslashes, controls, C1 controls and DEL), else itself.
struct Escaped
{
    char bytes[6];
    quint8 size;
    quint8 units;  // UTF-16 units it takes, which the line width counts
};

Escaped escapeCharacter(char16_t c)
{
    Escaped e{};
    auto set = [&e](const char *s) {
        e.size = quint8(std::strlen(s));
        std::memcpy(e.bytes, s, e.size);
        e.units = e.size;
    };
    switch (c) {
    case u'"': set("\\\""); return e;
    case u'\\': set("\\\\"); return e;
    case u'\n': set("\\n"); return e;
    case u'\r': set("\\r"); return e;
    case u'\t': set("\\t"); return e;
    default: break;
    }
    if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0)) {
        static const char hex[] = "0123456789abcdef";
        const char s[7] = {'\\', 'u', hex[(c >> 12) & 15], hex[(c >> 8) & 15], hex[(c >> 4) & 15], hex[c & 15], 0};
        set(s);
        return e;
    }
    e.units = 1;
    if (c < 0x80) {
        e.bytes[0] = char(c);
        e.size = 1;
    } else if (c < 0x800) {
        e.bytes[0] = char(0xc0 | (c >> 6));
        e.bytes[1] = char(0x80 | (c & 0x3f));
        e.size = 2;
    } else {
        e.bytes[0] = char(0xe0 | (c >> 12));
        e.bytes[1] = char(0x80 | ((c >> 6) & 0x3f));
        e.bytes[2] = char(0x80 | (c & 0x3f));
        e.size = 3;
    }
    return e;
}

// Each byte of a file's text as it appears in JSON.
const std::array<Escaped, 256> &byteForms()
{
    static const std::array<Escaped, 256> forms = [] {
        std::array<Escaped, 256> f{};
        const CodePage &page = CodePage::instance();
        for (int b = 0; b < 256; ++b)
            f[std::size_t(b)] = escapeCharacter(page.character(uchar(b)));
        return f;
    }();
    return forms;
}

using Bytes = JsonWriter::Bytes;

void spaces(Bytes &out, int n)
{
    std::memset(out.room(n), ' ', std::size_t(n));
    out.done(out.data() + out.size() + n);
}

// Appends the quoted text; returns the UTF-16 units it took.
qint64 appendText(Bytes &out, QByteArrayView bytes)
{
    static const std::array<Escaped, 256> &forms = byteForms();
    char *p = out.room(2 + 6 * bytes.size());
    qint64 units = 2 + bytes.size();
    *p++ = '"';
    for (const char c : bytes) {
        const uchar b = uchar(c);
        if (b >= 0x20 && b < 0x7f && b != '"' && b != '\\') {
            *p++ = c;
            continue;
        }
        const Escaped &e = forms[b];
        std::memcpy(p, e.bytes, sizeof e.bytes);
        p += e.size;
        units += e.units - 1;
    }
    *p++ = '"';
    out.done(p);
    return units;
}

qint64 appendString(Bytes &out, QStringView s)
{
    qint64 units = 2;
    out.append('"');
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
            const char32_t u = QChar::surrogateToUcs4(c, s[i + 1].unicode());
            const char four[4] = {char(0xf0 | (u >> 18)), char(0x80 | ((u >> 12) & 0x3f)),
                                  char(0x80 | ((u >> 6) & 0x3f)), char(0x80 | (u & 0x3f))};
            out.append(four, 4);
            units += 2;
            ++i;
            continue;
        }
        const Escaped e = escapeCharacter(c);
        out.append(e.bytes, e.size);
        units += e.units;
    }
    out.append('"');
    return units;
}

// Latin-1 bytes are the first 256 characters.
qint64 appendLatin1(Bytes &out, QByteArrayView bytes)
{
    qint64 units = 2;
    out.append('"');
    for (const char b : bytes) {
        const Escaped e = escapeCharacter(char16_t(uchar(b)));
        out.append(e.bytes, e.size);
        units += e.units;
    }
    out.append('"');
    return units;
}

Q_ALWAYS_INLINE qint64 appendNumber(Bytes &out, qint64 v)
{
    char *p = out.room(24);
    if (v >= 0 && v < 1000) {  // most numbers of the files
        char *q = p;
        if (v >= 100)
            *q++ = char('0' + v / 100);
        if (v >= 10)
            *q++ = char('0' + v / 10 % 10);
        *q++ = char('0' + v % 10);
        out.done(q);
        return q - p;
    }
    const auto r = std::to_chars(p, p + 24, v);
    out.done(r.ptr);
    return r.ptr - p;
}

// "name": 
Q_ALWAYS_INLINE qint64 appendKey(Bytes &out, JsonWriter::Key key)
{
    char *p = out.room(key.size + 4);
    *p++ = '"';
    std::memcpy(p, key.name, std::size_t(key.size));
    p += key.size;
    std::memcpy(p, "\": ", 3);
    out.done(p + 3);
    return key.size + 4;
}

} // namespace

JsonWriter::Bytes::Bytes(QByteArray &array, const Sink *sink)
    : m_array(array), m_sink(sink), m_base(array.data()), m_size(array.size()), m_capacity(array.size())
{
}

void JsonWriter::Bytes::grow(qsizetype n)
{
    if (m_sink && m_size > 0) {
        flush();
        if (m_capacity >= n)
            return;
    }
    m_array.resize(std::max({m_array.capacity(), 2 * m_capacity, m_size + n + 65536}));
    m_base = m_array.data();
    m_capacity = m_array.size();
}

bool JsonWriter::Bytes::flush()
{
    if (m_sinkTook && m_size > 0)
        m_sinkTook = (*m_sink)(QByteArrayView(m_base, m_size));
    m_handedOn += m_size;
    m_size = 0;
    return m_sinkTook;
}

bool JsonWriter::Bytes::finish()
{
    if (m_sink)
        return flush();
    m_array.resize(m_size);
    return true;
}

namespace {

// The pieces handed to a sink: large enough that each is one cheap write, which a file
// writer passes on without gathering it first.
constexpr qsizetype kPiece = 4 << 20;

} // namespace

JsonWriter::JsonWriter(QByteArray &out) : m_out(out), m_text(m_textArray) {}

JsonWriter::JsonWriter(Sink sink)
    : m_sink(std::move(sink)), m_outArray(kPiece, Qt::Uninitialized), m_out(m_outArray, &m_sink), m_text(m_textArray)
{
    m_out.clear();
}

JsonWriter::~JsonWriter()
{
    if (!m_finished && !m_sink)
        m_out.finish();
}

bool JsonWriter::finish()
{
    m_out.append('\n');
    m_finished = true;
    return m_out.finish();
}

// Inside a container already written one member per line, an item starts its own line.
Q_ALWAYS_INLINE void JsonWriter::prefix(Key key)
{
    if (m_expanded.empty())
        return;
    Open &parent = m_expanded.back();
    if (parent.oneLine) {
        if (parent.count++)
            m_out.append(", ", 2);
    } else {
        // ",\n" and the indentation in one copy of a fixed size (short copies of varying
        // size cost more than a few bytes too many).
        static const std::string kBreak = ",\n" + std::string(256, ' ');
        constexpr qsizetype kCopy = 64;
        const bool first = parent.count++ == 0;
        const qsizetype size = 2 - first + indent();
        if (size <= kCopy) {
            char *p = m_out.room(kCopy);
            std::memcpy(p, kBreak.data() + first, kCopy);
            m_out.done(p + size);
        } else {
            m_out.append(kBreak.data() + first, 2 - first);
            spaces(m_out, indent());
        }
    }
    if (key.name)
        appendKey(m_out, key);
}

int JsonWriter::addPending(Key key, bool container, bool isArray)
{
    Pending &parent = m_nodes[std::size_t(m_undecided.back())];
    if (parent.count++) {
        m_text.append(", ", 2);
        m_units += 2;
    }
    if (!container && isArray) {  // a row
        parent.holdsRaw = true;
        updateLimit();
    }
    qsizetype keyAt = -1;
    if (key.name) {
        keyAt = m_text.size();
        m_units += appendKey(m_text, key);
    }
    // Made in place: a record put together on the stack and then copied is read back before
    // its last small stores have landed.
    Pending &n = m_nodes.emplace_back();
    n.key = keyAt;
    n.begin = m_text.size();
    n.unitsBegin = m_units;
    n.container = container;
    n.isArray = isArray;
    return int(m_nodes.size()) - 1;
}

void JsonWriter::closePending(int node)
{
    Pending &n = m_nodes[std::size_t(node)];
    n.end = m_text.size();
    n.unitsEnd = m_units;
    n.next = int(m_nodes.size());
}

void JsonWriter::begin(Key key, bool isArray, Layout layout)
{
    // A layout said beforehand is taken where the container's line starts; inside one said to
    // fit, everything fits.
    const bool inOneLine = !m_expanded.empty() && m_expanded.back().oneLine;
    if (direct() && (layout != Layout::Fit || inOneLine)) {
        Q_ASSERT(layout != Layout::Lines || !inOneLine);
        prefix(key);
        m_out.append(isArray ? '[' : '{');
        // Made in place (see addPending).
        Open &open = m_expanded.emplace_back();
        open.isArray = isArray;
        open.count = 0;
        open.oneLine = layout == Layout::OneLine || inOneLine;
        open.start = m_out.total() - 1;
        return;
    }
    int node = 0;
    if (direct()) {
        prefix(key);
        clearPending();
        Pending &n = m_nodes.emplace_back();
        n.container = true;
        n.isArray = isArray;
    } else {
        node = addPending(key, true, isArray);
    }
    m_text.append(isArray ? '[' : '{');
    ++m_units;
    m_undecided.push_back(node);
    if (node == 0)
        updateLimit();
    settle();
}

void JsonWriter::beginObject(Key key, Layout layout)
{
    begin(key, false, layout);
}

void JsonWriter::beginArray(Key key, Layout layout)
{
    begin(key, true, layout);
}

void JsonWriter::end()
{
    if (direct()) {
        const Open closed = m_expanded.back();
        m_expanded.pop_back();
        if (closed.oneLine) {
            m_out.append(closed.isArray ? ']' : '}');
            // Bytes are at least the units the width counts.
            Q_ASSERT(m_out.total() - closed.start + indent() <= kLineWidth || (!m_expanded.empty() && m_expanded.back().oneLine));
            return;
        }
        Q_ASSERT(closed.count > 0);
        m_out.append('\n');
        spaces(m_out, indent());
        m_out.append(closed.isArray ? ']' : '}');
        return;
    }
    const int node = m_undecided.back();
    m_undecided.pop_back();
    m_text.append(m_nodes[std::size_t(node)].isArray ? ']' : '}');
    ++m_units;
    closePending(node);
    if (m_undecided.empty()) {
        print(node, indent());
        clearPending();
        updateLimit();
    } else {
        settle();
    }
}

// A value of one token: straight out inside a container already laid out, else pending.
template <class Write>
void JsonWriter::scalar(Key key, Write write)
{
    if (direct()) {
        prefix(key);
        write(m_out);
        return;
    }
    const int node = addPending(key, false, false);
    m_units += write(m_text);
    closePending(node);
    settle();
}

void JsonWriter::number(Key key, qint64 value)
{
    scalar(key, [value](Bytes &out) { return appendNumber(out, value); });
}

void JsonWriter::numbers(Key key, std::span<const Key> names, const qint64 *values)
{
    if (!direct() || m_expanded.empty()) {
        beginObject(key, Layout::OneLine);
        for (std::size_t i = 0; i < names.size(); ++i)
            number(names[i], values[i]);
        end();
        return;
    }
    prefix(key);
    const qint64 start = m_out.total();
    qsizetype most = 2;
    for (const Key &name : names)
        most += name.size + 4 + 2 + 20;
    char *const begin = m_out.room(most);
    char *p = begin;
    *p++ = '{';
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) {
            *p++ = ',';
            *p++ = ' ';
        }
        *p++ = '"';
        std::memcpy(p, names[i].name, std::size_t(names[i].size));
        p += names[i].size;
        std::memcpy(p, "\": ", 3);
        p += 3;
        p = std::to_chars(p, p + 20, values[i]).ptr;
    }
    *p++ = '}';
    m_out.done(p);
    Q_ASSERT(m_out.total() - start + indent() <= kLineWidth || m_expanded.back().oneLine);
    Q_UNUSED(start);
}

void JsonWriter::boolean(Key key, bool value)
{
    scalar(key, [value](Bytes &out) {
        out.append(value ? "true" : "false", value ? 4 : 5);
        return value ? 4 : 5;
    });
}

void JsonWriter::text(Key key, QByteArrayView windows1252)
{
    scalar(key, [windows1252](Bytes &out) { return appendText(out, windows1252); });
}

void JsonWriter::string(Key key, QStringView value)
{
    scalar(key, [value](Bytes &out) { return appendString(out, value); });
}

void JsonWriter::latin1(Key key, QByteArrayView value)
{
    scalar(key, [value](Bytes &out) { return appendLatin1(out, value); });
}

char *JsonWriter::beginRaw(qsizetype maxSize)
{
    if (direct()) {
        prefix(nullptr);
        m_raw = -1;
        return m_out.room(maxSize);
    }
    m_raw = addPending(nullptr, false, true);
    return m_text.room(maxSize);
}

void JsonWriter::endRaw(char *end)
{
    if (m_raw < 0) {
        m_out.done(end);
        return;
    }
    m_text.done(end);
    Pending &n = m_nodes[std::size_t(m_raw)];
    m_units += m_text.size() - n.begin;  // ASCII: a unit a byte
    closePending(m_raw);
    m_raw = -1;
    settle();
}

// Once the outermost undecided container cannot fit any more (it is too long even before its
// closing bracket, or holds rows), it goes one member per line: what it holds so far is
// written out, and its open item, if any, becomes the outermost undecided one.
void JsonWriter::settleNow()
{
    while (!m_undecided.empty() && m_units > m_limit)
        expandOutermost();
}

// The outermost undecided container fits while its text, with the closing bracket still to
// come, stays within the line; one that holds rows never does.
void JsonWriter::updateLimit()
{
    if (m_undecided.empty()) {
        m_limit = std::numeric_limits<qint64>::max();
        return;
    }
    const Pending &outer = m_nodes[std::size_t(m_undecided.front())];
    m_limit = outer.holdsRaw ? -1 : outer.unitsBegin + kLineWidth - indent() - 1;
}

void JsonWriter::expandOutermost()
{
    const int outer = m_undecided.front();
    const int openItem = m_undecided.size() > 1 ? m_undecided[1] : -1;
    const int inner = indent() + 2;
    m_out.append(m_nodes[std::size_t(outer)].isArray ? '[' : '{');
    int count = 0;
    for (int item = outer + 1; item < int(m_nodes.size()) && item != openItem;
         item = m_nodes[std::size_t(item)].next) {
        const Pending &n = m_nodes[std::size_t(item)];
        if (count++)
            m_out.append(',');
        m_out.append('\n');
        spaces(m_out, inner);
        if (n.key >= 0)
            m_out.append(m_text.data() + n.key, n.begin - n.key);
        print(item, inner);
    }
    Open &open = m_expanded.emplace_back();
    open.isArray = m_nodes[std::size_t(outer)].isArray;
    open.count = count;
    open.oneLine = false;
    open.start = 0;
    m_undecided.erase(m_undecided.begin());
    if (openItem < 0) {
        clearPending();
        updateLimit();
        return;
    }
    const Pending &n = m_nodes[std::size_t(openItem)];
    if (m_expanded.back().count++)
        m_out.append(',');
    m_out.append('\n');
    spaces(m_out, inner);
    if (n.key >= 0)
        m_out.append(m_text.data() + n.key, n.begin - n.key);
    // Its text so far stays pending: it is written once it is decided.
    updateLimit();
}

void JsonWriter::print(int node, int indentation)
{
    const Pending &n = m_nodes[std::size_t(node)];
    const bool fits = n.unitsEnd - n.unitsBegin + indentation <= kLineWidth && !n.holdsRaw;
    if (!n.container || fits) {
        m_out.append(m_text.data() + n.begin, n.end - n.begin);
        return;
    }
    m_out.append(n.isArray ? '[' : '{');
    int count = 0;
    for (int item = node + 1; item < n.next; item = m_nodes[std::size_t(item)].next) {
        const Pending &c = m_nodes[std::size_t(item)];
        if (count++)
            m_out.append(',');
        m_out.append('\n');
        spaces(m_out, indentation + 2);
        if (c.key >= 0)
            m_out.append(m_text.data() + c.key, c.begin - c.key);
        print(item, indentation + 2);
    }
    m_out.append('\n');
    spaces(m_out, indentation);
    m_out.append(n.isArray ? ']' : '}');
}

void JsonWriter::clearPending()
{
    m_text.clear();
    m_units = 0;
    m_nodes.clear();
}

} // namespace vtfile
