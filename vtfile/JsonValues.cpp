// The reader's values: strings, numbers, true and false, each checked in full as it is read.
#include "JsonReader.h"

#include "CodePage.h"

#include <charconv>
#include <cmath>
#include <cstring>

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

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The character a well-formed UTF-8 sequence at p stands for, and its length; 0 for a
// malformed one (overlong forms, surrogates and values past U+10FFFF included).
int utf8(const uchar *p, qsizetype left, char32_t &c)
{
    const uchar b = p[0];
    int size = 0;
    char32_t least = 0;
    if (b >= 0xc2 && b <= 0xdf) {
        size = 2;
        c = b & 0x1f;
        least = 0x80;
    } else if (b >= 0xe0 && b <= 0xef) {
        size = 3;
        c = b & 0x0f;
        least = 0x800;
    } else if (b >= 0xf0 && b <= 0xf4) {
        size = 4;
        c = b & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (left < size)
        return 0;
    for (int i = 1; i < size; ++i) {
        if ((p[i] & 0xc0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3f);
    }
    if (c < least || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff))
        return 0;
    return size;
}

QString codePoint(char32_t c)
{
    return u"U+"_s + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

// A key made of plain characters is looked at where it lies; only one with escapes or
// characters beyond ASCII is put together.
struct KeySink
{
    QByteArrayView plain;
    QByteArray built;
    bool assembled = false;

    void run(const char *p, qsizetype n)
    {
        if (!assembled && plain.isNull()) {
            plain = QByteArrayView(p, n);
            return;
        }
        assemble();
        built.append(p, n);
    }
    bool character(char32_t c, qsizetype)
    {
        assemble();
        built += QString::fromUcs4(&c, 1).toUtf8();
        return true;
    }
    void assemble()
    {
        if (!assembled) {
            built = plain.toByteArray();
            assembled = true;
        }
    }
    QByteArrayView key() const { return assembled ? QByteArrayView(built) : (plain.isNull() ? QByteArrayView("") : plain); }
};

struct TextSink
{
    QString text;

    void run(const char *p, qsizetype n) { text += QLatin1StringView(p, n); }
    bool character(char32_t c, qsizetype)
    {
        text += QString::fromUcs4(&c, 1);
        return true;
    }
};

} // namespace

// Reads the string whose opening quote is at p, handing runs of plain ASCII and single other
// characters to the sink; returns the position after the closing quote, -1 when refused.
template <class Sink>
qsizetype JsonReader::readString(qsizetype p, const JsonPath &path, Sink &sink)
{
    qsizetype q = p + 1;
    for (;;) {
        const qsizetype run = q;
        while (q < m_n) {
            const uchar c = uchar(m_s[q]);
            if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80)
                break;
            ++q;
        }
        if (q > run)
            sink.run(m_s + run, q - run);
        if (q >= m_n)
            return endsInside(p, "string");
        const uchar c = uchar(m_s[q]);
        if (c == '"')
            return q + 1;
        if (c < 0x20)
            return syntax(q, u"a control character (%1) inside a string: write it as an escape"_s.arg(codePoint(c)));
        char32_t u = 0;
        qsizetype size = 0;
        if (c == '\\') {
            const char e = q + 1 < m_n ? m_s[q + 1] : '\0';
            size = 2;
            switch (e) {
            case '"': case '\\': case '/': u = char32_t(e); break;
            case 'b': u = 8; break;
            case 'f': u = 12; break;
            case 'n': u = 10; break;
            case 'r': u = 13; break;
            case 't': u = 9; break;
            case 'u': {
                auto hex4 = [this](qsizetype at) -> int {
                    if (at + 4 > m_n)
                        return -1;
                    int v = 0;
                    for (int i = 0; i < 4; ++i) {
                        const int h = hexValue(m_s[at + i]);
                        if (h < 0)
                            return -1;
                        v = v * 16 + h;
                    }
                    return v;
                };
                const int first = hex4(q + 2);
                if (first < 0)
                    return syntax(q, u"\\u takes four hexadecimal digits"_s);
                u = char32_t(first);
                size = 6;
                const QString written = QString::fromLatin1(m_s + q, 6);
                if (QChar::isLowSurrogate(u)) {
                    failAt(q, path, written + u" is half of a surrogate pair, not a character"_s);
                    return -1;
                }
                if (QChar::isHighSurrogate(u)) {
                    const int second = q + 7 < m_n && m_s[q + 6] == '\\' && m_s[q + 7] == 'u' ? hex4(q + 8) : -1;
                    if (second < 0 || !QChar::isLowSurrogate(char32_t(second))) {
                        failAt(q, path, written + u" is half of a surrogate pair, not a character"_s);
                        return -1;
                    }
                    u = QChar::surrogateToUcs4(char16_t(first), char16_t(second));
                    size = 12;
                }
                break;
            }
            default:
                return syntax(q, q + 1 < m_n ? u"\\%1 is no escape"_s.arg(QString::fromUtf8(m_s + q + 1, 1))
                                             : u"the text ends inside the string that begins at %1"_s.arg(position(p)));
            }
        } else {
            size = utf8(reinterpret_cast<const uchar *>(m_s + q), m_n - q, u);
            if (size == 0)
                return syntax(q, u"not UTF-8 text"_s);
        }
        if (!sink.character(u, q))
            return -1;
        q += size;
    }
}

qsizetype JsonReader::readKey(qsizetype p, const JsonPath &path, QByteArray &storage, QByteArrayView &key)
{
    KeySink sink;
    const qsizetype end = readString(p, path, sink);
    if (sink.assembled)
        storage = std::move(sink.built);
    key = sink.assembled ? QByteArrayView(storage) : sink.key();
    return end;
}

qint64 JsonReader::number(const JsonValue &v, qint64 lo, qint64 hi)
{
    // Most numbers are small whole ones without a sign: read at once.
    if (v.present() && !bad()) {
        qsizetype q = v.pos;
        qint64 n = 0;
        while (q < m_n && q - v.pos < 9 && isDigit(m_s[q]))
            n = n * 10 + (m_s[q++] - '0');
        const bool delimited = q == m_n || m_s[q] == ',' || m_s[q] == ']' || m_s[q] == '}' || isSpace(m_s[q]);
        if (q > v.pos && delimited && (m_s[v.pos] != '0' || q == v.pos + 1) && n >= lo && n <= hi) {
            read(v.pos, q);
            return n;
        }
    }
    return slowNumber(v, lo, hi);
}

qint64 JsonReader::slowNumber(const JsonValue &v, qint64 lo, qint64 hi)
{
    if (bad() || !v.present())
        return lo;
    auto range = [&] { return u"a whole number from %1 to %2"_s.arg(lo).arg(hi); };
    if (!isNumber(v)) {
        wrongKind(v, u"expected "_s + range());
        return lo;
    }
    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    auto malformed = [this](qsizetype at, const QString &what) {
        syntax(at, what);
        return qint64(0);
    };
    const qsizetype p = v.pos;
    qsizetype q = p + (m_s[p] == '-');
    const bool negative = q > p;
    if (q >= m_n || !isDigit(m_s[q]))
        return malformed(q, u"a number needs a digit here"_s);
    qint64 whole = 0;
    int digits = 0;
    if (m_s[q] == '0') {
        ++q;
        digits = 1;
    } else {
        for (; q < m_n && isDigit(m_s[q]); ++q, ++digits)
            whole = digits < 18 ? whole * 10 + (m_s[q] - '0') : whole;
    }
    bool integral = digits <= 18;
    if (q < m_n && m_s[q] == '.') {
        integral = false;
        if (++q >= m_n || !isDigit(m_s[q]))
            return malformed(q, u"a number needs a digit after its '.'"_s);
        while (q < m_n && isDigit(m_s[q]))
            ++q;
    }
    if (q < m_n && (m_s[q] == 'e' || m_s[q] == 'E')) {
        integral = false;
        if (++q < m_n && (m_s[q] == '+' || m_s[q] == '-'))
            ++q;
        if (q >= m_n || !isDigit(m_s[q]))
            return malformed(q, u"a number needs a digit in its exponent"_s);
        while (q < m_n && isDigit(m_s[q]))
            ++q;
    }
    if (q < m_n && !isSpace(m_s[q]) && m_s[q] != ',' && m_s[q] != ']' && m_s[q] != '}')
        return malformed(q, u"unexpected character in a number"_s);
    read(p, q);
    if (integral) {
        const qint64 n = negative ? -whole : whole;
        if (n >= lo && n <= hi)
            return n;
    } else {
        // A number too large or too small for a double (1e400, 1e-400) is no whole number in
        // range; from_chars then leaves d as it was.
        double d = 0;
        const auto converted = std::from_chars(m_s + p, m_s + q, d);
        if (converted.ec == std::errc() && d == std::floor(d) && d >= double(lo) && d <= double(hi))
            return qint64(d);
    }
    fail(v, u"%1 is out of range: expected %2"_s.arg(QString::fromLatin1(m_s + p, q - p), range()));
    return lo;
}

qint64 JsonReader::number(JsonObject &o, const char *key, qint64 lo, qint64 hi)
{
    return number(member(o, key), lo, hi);
}

bool JsonReader::flag(JsonObject &o, const char *key)
{
    const JsonValue v = member(o, key);
    if (bad())
        return false;
    for (const bool value : {true, false}) {
        const QByteArrayView word = value ? "true" : "false";
        if (literal(v.pos, word)) {
            read(v.pos, v.pos + word.size());
            return value;
        }
    }
    wrongKind(v, u"expected true or false"_s);
    return false;
}

QString JsonReader::string(const JsonValue &v)
{
    if (bad() || !v.present())
        return {};
    if (v.pos >= m_n || m_s[v.pos] != '"') {
        wrongKind(v, u"expected a string"_s);
        return {};
    }
    TextSink sink;
    const qsizetype end = readString(v.pos, v.path, sink);
    if (end < 0)
        return {};
    read(v.pos, end);
    return sink.text;
}

QByteArray JsonReader::ansi(const JsonValue &v, qsizetype maxBytes)
{
    if (bad() || !v.present())
        return {};
    if (v.pos >= m_n || m_s[v.pos] != '"') {
        wrongKind(v, u"expected a string"_s);
        return {};
    }
    // Most texts are plain ASCII with nothing escaped: their bytes are the text's.
    qsizetype q = v.pos + 1;
    while (q < m_n && uchar(m_s[q]) >= 0x20 && uchar(m_s[q]) < 0x80 && m_s[q] != '"' && m_s[q] != '\\')
        ++q;
    if (q < m_n && m_s[q] == '"' && q - v.pos - 1 <= maxBytes) {
        read(v.pos, q + 1);
        return QByteArray(m_s + v.pos + 1, q - v.pos - 1);
    }
    struct AnsiSink
    {
        JsonReader &reader;
        const JsonPath &path;
        const CodePage &page = CodePage::instance();
        QByteArray bytes;

        void run(const char *p, qsizetype n) { bytes.append(p, n); }  // ASCII is itself
        bool character(char32_t c, qsizetype at)
        {
            const int b = page.byte(c);
            if (b >= 0) {
                bytes += char(b);
                return true;
            }
            const QString shown = QString::fromUcs4(&c, 1);
            const bool printable = QChar::isPrint(c) && !QChar::isSpace(c);
            reader.failAt(at, path,
                          printable ? u"the character \"%1\" (%2) has no windows-1252 form"_s.arg(shown, codePoint(c))
                                    : u"the character %1 has no windows-1252 form"_s.arg(codePoint(c)));
            return false;
        }
    } sink{*this, v.path, CodePage::instance(), {}};
    const qsizetype end = readString(v.pos, v.path, sink);
    if (end < 0)
        return {};
    read(v.pos, end);
    if (sink.bytes.size() > maxBytes) {
        fail(v, u"%1 characters is too long: at most %2"_s.arg(sink.bytes.size()).arg(maxBytes));
        return {};
    }
    return sink.bytes;
}

QByteArray JsonReader::ansi(JsonObject &o, const char *key, qsizetype maxBytes)
{
    return ansi(member(o, key), maxBytes);
}

Q_ALWAYS_INLINE qsizetype JsonReader::plainNumber(qsizetype p, qint64 lo, qint64 hi, qint64 &value) const
{
    const bool negative = p < m_n && m_s[p] == '-';
    const qsizetype first = p + negative;
    qsizetype q = first;
    quint64 n = 0;  // wraps harmlessly on a long run of digits, which is refused below
    while (q < m_n && isDigit(m_s[q]))
        n = n * 10 + quint64(m_s[q++] - '0');
    // No digit, a leading zero, more digits than a whole number takes, or more than a number.
    if (q == first || q - first > 18 || (m_s[first] == '0' && q > first + 1))
        return -1;
    if (q < m_n && m_s[q] != ',' && m_s[q] != '}' && m_s[q] != ']' && !isSpace(m_s[q]))
        return -1;
    value = negative ? -qint64(n) : qint64(n);
    return value >= lo && value <= hi ? q : -1;
}

qsizetype JsonReader::plainObject(qsizetype p, JsonNames names, const Range *ranges, qint64 *values) const
{
    if (p >= m_n || m_s[p] != '{')
        return -1;
    ++p;
    for (std::size_t i = 0; i < names.size(); ++i) {
        p = skipSpace(p);
        if (i) {
            if (p >= m_n || m_s[p] != ',')
                return -1;
            p = skipSpace(p + 1);
        }
        const JsonName &name = names[i];
        if (!nameAt(p, name))
            return -1;
        p = skipSpace(p + name.size + 2);
        if (p >= m_n || m_s[p] != ':')
            return -1;
        p = plainNumber(skipSpace(p + 1), ranges[i].lo, ranges[i].hi, values[i]);
        if (p < 0)
            return -1;
    }
    p = skipSpace(p);
    return p < m_n && m_s[p] == '}' ? p + 1 : -1;
}

bool JsonReader::wholeNumbers(const JsonValue &v, JsonNames names, const Range *ranges, qint64 *values)
{
    if (bad() || !v.present())
        return false;
    const qsizetype end = plainObject(v.pos, names, ranges, values);
    if (end < 0)
        return false;
    read(v.pos, end);
    return true;
}

bool JsonReader::arrayOfWholeNumbers(const JsonValue &v, qsizetype count, JsonNames names, const Range *ranges,
                                     qint64 *values)
{
    if (bad() || !v.present() || v.pos >= m_n || m_s[v.pos] != '[')
        return false;
    qsizetype p = v.pos + 1;
    for (qsizetype i = 0; i < count; ++i) {
        p = skipSpace(p);
        if (i) {
            if (p >= m_n || m_s[p] != ',')
                return false;
            p = skipSpace(p + 1);
        }
        p = plainObject(p, names, ranges, values + i * qsizetype(names.size()));
        if (p < 0)
            return false;
    }
    p = skipSpace(p);
    if (p >= m_n || m_s[p] != ']')
        return false;
    read(v.pos, p + 1);
    return true;
}

std::pair<qint64, qint64> JsonReader::pair(const JsonValue &v, qint64 lo, qint64 hi)
{
    // Most pairs are two plain numbers: read at once.
    if (!bad() && v.present() && v.pos < m_n && m_s[v.pos] == '[') {
        qint64 a = 0, b = 0;
        qsizetype p = plainNumber(skipSpace(v.pos + 1), lo, hi, a);
        if (p >= 0 && (p = skipSpace(p)) < m_n && m_s[p] == ',')
            p = plainNumber(skipSpace(p + 1), lo, hi, b);
        else
            p = -1;
        if (p >= 0 && (p = skipSpace(p)) < m_n && m_s[p] == ']') {
            read(v.pos, p + 1);
            return {a, b};
        }
    }
    JsonArray a = array(v, 2, 2);
    JsonValue item;
    qint64 values[2] = {lo, lo};
    while (next(a, item))
        values[item.path.index] = number(item, lo, hi);
    return {values[0], values[1]};
}

} // namespace vtfile
