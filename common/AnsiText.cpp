#include "AnsiText.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>

namespace vt {

namespace {

// The code page maps each byte to one character; the reverse table is built from the
// decoder once, so that encoding never depends on a converter's error state.
struct CodePage
{
    QHash<char16_t, char> toByte;

    CodePage()
    {
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            const QString c = fromAnsi(QByteArrayView(&byte, 1));
            if (c.size() == 1 && c[0] != QChar::ReplacementCharacter)
                toByte.insert(c[0].unicode(), byte);
        }
    }
};

} // namespace

QString fromAnsi(QByteArrayView bytes)
{
    // Below 128 the code page is ASCII. Names nearly always are, and a converter made for each
    // would cost more than the rest of reading a long world list.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<uchar>(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder("windows-1252");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray toAnsi(QStringView text, bool *lossless)
{
    static const CodePage page;
    QByteArray out;
    out.reserve(text.size());
    bool exact = true;
    for (const QChar c : text) {
        const auto it = page.toByte.constFind(c.unicode());
        if (it == page.toByte.cend()) {
            out.append('?');
            exact = false;
        } else {
            out.append(*it);
        }
    }
    if (lossless)
        *lossless = exact;
    return out;
}

QString trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin).toString();
}

} // namespace vt
