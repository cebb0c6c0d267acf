#include "JsonWriter.h"

#include "CodePage.h"

#include <array>
#include <charconv>
#include <cstring>

namespace vtfile {

namespace {

constexpr int kLineWidth = 96;

void spaces(QByteArray &out, int n)
{
    out.append(qsizetype(n), ' ');
}

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

// Appends the quoted text; returns the UTF-16 units it took.
qint64 appendText(QByteArray &out, QByteArrayView bytes)
{
    const auto &forms = byteForms();
    qint64 units = 2;
    out += '"';
    qsizetype plain = 0;  // a run of bytes that stand for themselves, copied at once
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        if (b >= 0x20 && b < 0x7f && b != '"' && b != '\\')
            continue;
        out.append(bytes.data() + plain, i - plain);
        const Escaped &e = forms[b];
        out.append(e.bytes, e.size);
        units += e.units - 1;
        plain = i + 1;
    }
    out.append(bytes.data() + plain, bytes.size() - plain);
    out += '"';
    return units + bytes.size();
}

qint64 appendString(QByteArray &out, QStringView s)
{
    qint64 units = 2;
    out += '"';
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
    out += '"';
    return units;
}

// Latin-1 bytes are the first 256 characters.
qint64 appendLatin1(QByteArray &out, QByteArrayView bytes)
{
    qint64 units = 2;
    out += '"';
    for (const char b : bytes) {
        const Escaped e = escapeCharacter(char16_t(uchar(b)));
        out.append(e.bytes, e.size);
        units += e.units;
    }
    out += '"';
    return units;
}

qint64 appendNumber(QByteArray &out, qint64 v)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, v);
    out.append(digits, r.ptr - digits);
    return r.ptr - digits;
}

} // namespace

JsonWriter::JsonWriter(QByteArray &out) : m_out(out) {}

// Inside a container already written one member per line, an item starts its own line.
void JsonWriter::prefix(const char *key)
{
    if (m_expanded.empty())
        return;
    Open &parent = m_expanded.back();
    m_out += parent.count++ ? ",\n" : "\n";
    spaces(m_out, indent());
    if (key) {
        m_out += '"';
        m_out += key;
        m_out += "\": ";
    }
}

int JsonWriter::addPending(const char *key, bool container, bool isArray)
{
    Pending &parent = m_nodes[std::size_t(m_undecided.back())];
    if (parent.count++) {
        m_text += ", ";
        m_units += 2;
    }
    Pending n;
    if (key) {
        n.key = m_text.size();
        m_text += '"';
        m_text += key;
        m_text += "\": ";
        m_units += qint64(std::strlen(key)) + 4;
    }
    n.begin = m_text.size();
    n.unitsBegin = m_units;
    n.container = container;
    n.isArray = isArray;
    if (!container && isArray)  // a row
        parent.holdsRaw = true;
    m_nodes.push_back(n);
    return int(m_nodes.size()) - 1;
}

void JsonWriter::closePending(int node)
{
    Pending &n = m_nodes[std::size_t(node)];
    n.end = m_text.size();
    n.unitsEnd = m_units;
    n.next = int(m_nodes.size());
}

void JsonWriter::begin(const char *key, bool isArray)
{
    int node = 0;
    if (direct()) {
        prefix(key);
        clearPending();
        Pending n;
        n.container = true;
        n.isArray = isArray;
        m_nodes.push_back(n);
    } else {
        node = addPending(key, true, isArray);
    }
    m_text += isArray ? '[' : '{';
    ++m_units;
    m_undecided.push_back(node);
    settle();
}

void JsonWriter::beginObject(const char *key)
{
    begin(key, false);
}

void JsonWriter::beginArray(const char *key)
{
    begin(key, true);
}

void JsonWriter::end()
{
    if (direct()) {
        const Open closed = m_expanded.back();
        m_expanded.pop_back();
        m_out += '\n';
        spaces(m_out, indent());
        m_out += closed.isArray ? ']' : '}';
        return;
    }
    const int node = m_undecided.back();
    m_undecided.pop_back();
    m_text += m_nodes[std::size_t(node)].isArray ? ']' : '}';
    ++m_units;
    closePending(node);
    if (m_undecided.empty()) {
        print(node, indent());
        clearPending();
    } else {
        settle();
    }
}

// A value of one token: straight out inside a container already laid out, else pending.
template <class Write>
void JsonWriter::scalar(const char *key, Write write)
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

void JsonWriter::number(const char *key, qint64 value)
{
    scalar(key, [value](QByteArray &out) { return appendNumber(out, value); });
}

void JsonWriter::boolean(const char *key, bool value)
{
    scalar(key, [value](QByteArray &out) {
        out += value ? "true" : "false";
        return value ? 4 : 5;
    });
}

void JsonWriter::text(const char *key, QByteArrayView windows1252)
{
    scalar(key, [windows1252](QByteArray &out) { return appendText(out, windows1252); });
}

void JsonWriter::string(const char *key, QStringView value)
{
    scalar(key, [value](QByteArray &out) { return appendString(out, value); });
}

void JsonWriter::latin1(const char *key, QByteArrayView value)
{
    scalar(key, [value](QByteArray &out) { return appendLatin1(out, value); });
}

QByteArray &JsonWriter::beginRaw()
{
    if (direct()) {
        prefix(nullptr);
        m_raw = -1;
        return m_out;
    }
    m_raw = addPending(nullptr, false, true);
    return m_text;
}

void JsonWriter::endRaw()
{
    if (m_raw < 0)
        return;
    Pending &n = m_nodes[std::size_t(m_raw)];
    m_units += m_text.size() - n.begin;  // ASCII: a unit a byte
    closePending(m_raw);
    m_raw = -1;
    settle();
}

// Once the outermost undecided container cannot fit any more (it is too long even before its
// closing bracket, or holds rows), it goes one member per line: what it holds so far is
// written out, and its open item, if any, becomes the outermost undecided one.
void JsonWriter::settle()
{
    while (!m_undecided.empty()) {
        const Pending &outer = m_nodes[std::size_t(m_undecided.front())];
        const qint64 leastWidth = m_units - outer.unitsBegin + 1;
        if (!outer.holdsRaw && leastWidth + indent() <= kLineWidth)
            return;
        expandOutermost();
    }
}

void JsonWriter::expandOutermost()
{
    const int outer = m_undecided.front();
    const int openItem = m_undecided.size() > 1 ? m_undecided[1] : -1;
    const int inner = indent() + 2;
    m_out += m_nodes[std::size_t(outer)].isArray ? '[' : '{';
    int count = 0;
    for (int item = outer + 1; item < int(m_nodes.size()) && item != openItem;
         item = m_nodes[std::size_t(item)].next) {
        const Pending &n = m_nodes[std::size_t(item)];
        m_out += count++ ? ",\n" : "\n";
        spaces(m_out, inner);
        if (n.key >= 0)
            m_out.append(m_text.constData() + n.key, n.begin - n.key);
        print(item, inner);
    }
    m_expanded.push_back({m_nodes[std::size_t(outer)].isArray, count});
    m_undecided.erase(m_undecided.begin());
    if (openItem < 0) {
        clearPending();
        return;
    }
    const Pending &n = m_nodes[std::size_t(openItem)];
    m_out += m_expanded.back().count++ ? ",\n" : "\n";
    spaces(m_out, inner);
    if (n.key >= 0)
        m_out.append(m_text.constData() + n.key, n.begin - n.key);
    // Its text so far stays pending: it is written once it is decided.
}

void JsonWriter::print(int node, int indentation)
{
    const Pending &n = m_nodes[std::size_t(node)];
    const bool fits = n.unitsEnd - n.unitsBegin + indentation <= kLineWidth && !n.holdsRaw;
    if (!n.container || fits) {
        m_out.append(m_text.constData() + n.begin, n.end - n.begin);
        return;
    }
    m_out += n.isArray ? '[' : '{';
    int count = 0;
    for (int item = node + 1; item < n.next; item = m_nodes[std::size_t(item)].next) {
        const Pending &c = m_nodes[std::size_t(item)];
        m_out += count++ ? ",\n" : "\n";
        spaces(m_out, indentation + 2);
        if (c.key >= 0)
            m_out.append(m_text.constData() + c.key, c.begin - c.key);
        print(item, indentation + 2);
    }
    m_out += '\n';
    spaces(m_out, indentation);
    m_out += n.isArray ? ']' : '}';
}

void JsonWriter::clearPending()
{
    m_text.clear();
    m_units = 0;
    m_nodes.clear();
}

} // namespace vtfile
