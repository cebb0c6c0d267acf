#include "GifWriter.h"

#include <QHash>

#include <algorithm>
#include <unordered_map>

namespace demo {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;

void putU16(QByteArray &out, int v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

// Smallest n >= 1 with 2^n >= count.
int bitsFor(int count)
{
    int bits = 1;
    while ((1 << bits) < count)
        ++bits;
    return bits;
}

// GIF packs codes least significant bit first.
class CodeSink
{
public:
    void put(int code, int bits)
    {
        m_acc |= static_cast<quint32>(code) << m_bits;
        m_bits += bits;
        while (m_bits >= 8) {
            m_out.append(static_cast<char>(m_acc & 0xFF));
            m_acc >>= 8;
            m_bits -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_bits > 0)
            m_out.append(static_cast<char>(m_acc & 0xFF));
        m_acc = 0;
        m_bits = 0;
        return std::move(m_out);
    }

private:
    QByteArray m_out;
    quint32 m_acc = 0;
    int m_bits = 0;
};

QByteArray compress(const QImage &image, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;

    // (prefix code << 8 | next index) -> code of that string
    std::unordered_map<quint32, quint16> table;
    table.reserve(kMaxCodes);
    int nextCode = 0;
    int codeSize = 0;
    const auto reset = [&] {
        table.clear();
        nextCode = clearCode + 2;
        codeSize = minCodeSize + 1;
    };

    CodeSink sink;
    reset();
    sink.put(clearCode, codeSize);

    int current = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const int k = row[x];
            if (current < 0) {
                current = k;
                continue;
            }
            const quint32 key = (static_cast<quint32>(current) << 8) | static_cast<quint32>(k);
            const auto found = table.find(key);
            if (found != table.end()) {
                current = found->second;
                continue;
            }
            sink.put(current, codeSize);
            if (nextCode < kMaxCodes) {
                table.emplace(key, static_cast<quint16>(nextCode++));
                // The decoder adds its entries one code later than we do, so it widens
                // its codes exactly when our next free code passes the current width.
                if (nextCode > (1 << codeSize) && codeSize < kMaxCodeBits)
                    ++codeSize;
            } else {
                // Start afresh before the table overflows rather than keep a stale one.
                sink.put(clearCode, codeSize);
                reset();
            }
            current = k;
        }
    }
    sink.put(current, codeSize);
    sink.put(endCode, codeSize);
    return sink.finish();
}

// A fixed table for pictures with too many colours: a 6x6x6 cube plus 40 greys.
QList<QRgb> fallbackTable()
{
    QList<QRgb> colours;
    colours.reserve(256);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                colours.append(qRgb(r * 51, g * 51, b * 51));
    for (int i = 0; i < 40; ++i) {
        const int v = 3 + i * 252 / 39;
        colours.append(qRgb(v, v, v));
    }
    return colours;
}

} // namespace

QByteArray encodeGif(const QImage &indexed)
{
    if (indexed.format() != QImage::Format_Indexed8 || indexed.isNull())
        return {};
    const QList<QRgb> colours = indexed.colorTable();
    if (colours.isEmpty() || colours.size() > 256)
        return {};
    if (indexed.width() > 0xFFFF || indexed.height() > 0xFFFF)
        return {};
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar *row = indexed.constScanLine(y);
        if (std::any_of(row, row + indexed.width(),
                        [&](uchar v) { return v >= colours.size(); }))
            return {};
    }

    const int tableBits = bitsFor(static_cast<int>(colours.size()));

    QByteArray out("GIF89a");
    putU16(out, indexed.width());
    putU16(out, indexed.height());
    // global table present, 8 bits per primary, table of 2^tableBits entries
    out.append(static_cast<char>(0x80 | (7 << 4) | (tableBits - 1)));
    out.append('\0');  // background colour index
    out.append('\0');  // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < colours.size() ? colours.at(i) : qRgb(0, 0, 0);
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }

    out.append(',');  // image descriptor: whole screen, no local table, not interlaced
    putU16(out, 0);
    putU16(out, 0);
    putU16(out, indexed.width());
    putU16(out, indexed.height());
    out.append('\0');

    const int minCodeSize = std::max(2, tableBits);  // the format's smallest is 2
    out.append(static_cast<char>(minCodeSize));
    const QByteArray data = compress(indexed, minCodeSize);
    for (qsizetype pos = 0; pos < data.size(); pos += 255) {
        const qsizetype n = std::min<qsizetype>(255, data.size() - pos);
        out.append(static_cast<char>(n));
        out.append(data.constData() + pos, n);
    }
    out.append('\0');  // end of the image data
    out.append(';');   // trailer
    return out;
}

QImage toIndexed(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> index;
    QList<QRgb> colours;
    bool fits = true;
    for (int y = 0; y < rgb.height() && fits; ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = rgb.pixel(x, y);
            if (index.contains(c))
                continue;
            if (colours.size() == 256) {
                fits = false;
                break;
            }
            index.insert(c, static_cast<int>(colours.size()));
            colours.append(c);
        }
    }
    if (!fits)
        return rgb.convertToFormat(QImage::Format_Indexed8, fallbackTable(),
                                   Qt::ThresholdDither | Qt::AvoidDither);

    QImage out(rgb.size(), QImage::Format_Indexed8);
    if (colours.isEmpty())
        colours.append(qRgb(0, 0, 0));
    out.setColorTable(colours);
    for (int y = 0; y < rgb.height(); ++y) {
        uchar *dst = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            dst[x] = static_cast<uchar>(index.value(rgb.pixel(x, y)));
    }
    return out;
}

} // namespace demo
