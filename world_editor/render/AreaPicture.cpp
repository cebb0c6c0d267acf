#include "AreaPicture.h"

#include "AreaRenderer.h"

#include "FileIO.h"

#include <QFileInfo>

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <future>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace tessaforge {

namespace {

// Strips of about this many bytes: small beside any picture worth streaming, large enough
// that the per-strip cost vanishes. Two are held while a picture is written.
constexpr qint64 kStripBytes = 2 * 1024 * 1024;

// The area as the options want it drawn: the renderer always draws tiles and the start, so a
// copy without them stands in when a layer is left out.
struct Source
{
    const oLevel *area = nullptr;
    oLevel stripped;
};

void prepareSource(const oLevel &area, const AreaPictureOptions &o, Source &s)
{
    s.area = &area;
    if (o.tiles && o.start)
        return;
    if (!s.stripped.Resize(area.width() + 1, area.height() + 1))
        return;
    for (qint32 x = 0; x <= area.width(); ++x) {
        const AreaCell *col = area.column(x);
        for (qint32 y = 0; y <= area.height(); ++y) {
            if (o.tiles && col[y].bIsTile)
                s.stripped.SetTile(x, y, col[y].xSrc, col[y].ySrc);
            (void)s.stripped.SetTileTag(x, y, col[y].lTag);
            (void)s.stripped.SetTileEnemy(x, y, col[y].lEnemy);
        }
    }
    // A start outside every drawn square draws no marker.
    if (o.start)
        s.stripped.SetStartPos(qint16(area.StartX()), qint16(area.StartY()));
    else
        s.stripped.SetStartPos(-32768, -32768);
    s.area = &s.stripped;
}

// Draws rows [firstRow, firstRow + rows) of squares: RGB32, or ARGB32 with the background
// see-through (drawn on two backgrounds: a pixel that differs is background).
class StripDrawer
{
public:
    StripDrawer(const Source &source, const QImage &tileset, const QImage &tagSheet, const AreaPictureOptions &o)
        : m_options(o), m_area(*source.area)
    {
        m_width = areaPictureSize(m_area, o.zoom).width();
        m_renderer.setSources(tileset, tagSheet);
        if (!o.background)
            m_second.setSources(tileset, tagSheet);
    }

    const QImage &draw(qint32 firstRow, qint32 rows)
    {
        AreaView view;
        view.size = QSize(m_width, rows * m_options.zoom);
        view.zoom = m_options.zoom;
        view.firstRow = firstRow;
        view.showTags = m_options.tags;
        view.showEnemies = m_options.enemies;
        view.background = m_options.background.value_or(qRgb(0, 0, 0));
        m_renderer.draw(m_area, view, m_strip);
        if (m_options.background)
            return m_strip;
        view.background = qRgb(255, 255, 255);
        m_second.draw(m_area, view, m_white);
        if (m_clear.size() != m_strip.size())
            m_clear = QImage(m_strip.size(), QImage::Format_ARGB32);
        for (int y = 0; y < m_strip.height(); ++y) {
            const QRgb *a = reinterpret_cast<const QRgb *>(m_strip.constScanLine(y));
            const QRgb *b = reinterpret_cast<const QRgb *>(m_white.constScanLine(y));
            QRgb *out = reinterpret_cast<QRgb *>(m_clear.scanLine(y));
            for (int x = 0; x < m_strip.width(); ++x)
                out[x] = a[x] == b[x] ? (a[x] | 0xff000000u) : 0u;
        }
        return m_clear;
    }

private:
    AreaPictureOptions m_options;
    const oLevel &m_area;
    qint32 m_width = 0;
    AreaRenderer m_renderer;
    AreaRenderer m_second;
    QImage m_strip, m_white, m_clear;
};

qint32 stripRows(const QSize &size, qint32 zoom)
{
    const qint64 rowBytes = qint64(size.width()) * 4 * zoom;
    return qint32(std::clamp<qint64>(kStripBytes / std::max<qint64>(rowBytes, 1), 1, size.height() / zoom));
}

// Rows go to a sink as they are drawn: PNG from the top, BMP from the bottom. Turning a row
// of pixels into the file's bytes needs no state, so it may run on the drawing thread; only
// put() and finish() touch the file.
class RowSink
{
public:
    virtual ~RowSink() = default;
    virtual bool bottomUp() const = 0;
    virtual qsizetype rowBytes() const = 0;
    virtual void convert(const QRgb *pixels, uchar *out) const = 0;
    virtual bool put(const uchar *row) = 0;
    virtual bool finish() = 0;

    bool row(const QRgb *pixels)
    {
        m_row.resize(std::size_t(rowBytes()));
        convert(pixels, m_row.data());
        return put(m_row.data());
    }

private:
    std::vector<uchar> m_row;
};

class BmpSink final : public RowSink
{
public:
    BmpSink(vt::FileReplacer &out, QSize size) : m_out(out), m_size(size), m_rowBytes((qint64(size.width()) * 3 + 3) / 4 * 4)
    {
        const qint64 imageBytes = m_rowBytes * size.height();
        QByteArray h(54, '\0');
        auto put32 = [&h](int at, quint32 v) {
            for (int i = 0; i < 4; ++i)
                h[at + i] = char((v >> (8 * i)) & 0xff);
        };
        h[0] = 'B';
        h[1] = 'M';
        put32(2, quint32(std::min<qint64>(54 + imageBytes, 0xffffffffLL)));
        put32(10, 54);
        put32(14, 40);
        put32(18, quint32(size.width()));
        put32(22, quint32(size.height()));
        h[26] = 1;   // planes
        h[28] = 24;  // bits per pixel
        put32(34, quint32(std::min<qint64>(imageBytes, 0xffffffffLL)));
        put32(38, 2835);  // 72 dots per inch
        put32(42, 2835);
        m_ok = m_out.write(h);
    }
    bool bottomUp() const override { return true; }
    qsizetype rowBytes() const override { return qsizetype(m_rowBytes); }
    void convert(const QRgb *p, uchar *o) const override
    {
        uchar *const end = o + m_rowBytes;
        for (int x = 0; x < m_size.width(); ++x) {
            *o++ = uchar(qBlue(p[x]));
            *o++ = uchar(qGreen(p[x]));
            *o++ = uchar(qRed(p[x]));
        }
        std::fill(o, end, uchar(0));  // rows are padded to four bytes
    }
    bool put(const uchar *row) override
    {
        m_ok = m_ok && m_out.write(QByteArrayView(row, m_rowBytes));
        return m_ok;
    }
    bool finish() override { return m_ok; }

private:
    vt::FileReplacer &m_out;
    QSize m_size;
    qint64 m_rowBytes;
    bool m_ok = true;
};

class PngSink final : public RowSink
{
public:
    PngSink(vt::FileReplacer &out, QSize size, bool alpha) : m_out(out), m_size(size), m_alpha(alpha)
    {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        m_info = m_png ? png_create_info_struct(m_png) : nullptr;
        if (!m_info || setjmp(png_jmpbuf(m_png))) {
            m_ok = false;
            return;
        }
        png_set_write_fn(m_png, this, &PngSink::write, &PngSink::flush);
        png_set_IHDR(m_png, m_info, png_uint_32(size.width()), png_uint_32(size.height()), 8,
                     alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        // Squares repeat along a row: the Sub filter and a fast level compress them well.
        png_set_filter(m_png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        png_set_compression_level(m_png, 1);
        png_write_info(m_png, m_info);
    }
    ~PngSink() override
    {
        if (m_png)
            png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr);
    }
    bool bottomUp() const override { return false; }
    qsizetype rowBytes() const override { return qsizetype(m_size.width()) * (m_alpha ? 4 : 3); }
    void convert(const QRgb *p, uchar *o) const override
    {
        for (int x = 0; x < m_size.width(); ++x) {
            *o++ = uchar(qRed(p[x]));
            *o++ = uchar(qGreen(p[x]));
            *o++ = uchar(qBlue(p[x]));
            if (m_alpha)
                *o++ = uchar(qAlpha(p[x]));
        }
    }
    bool put(const uchar *row) override
    {
        if (!m_ok)
            return false;
        if (setjmp(png_jmpbuf(m_png))) {
            m_ok = false;
            return false;
        }
        png_write_row(m_png, row);
        return m_ok;
    }
    bool finish() override
    {
        if (!m_ok || setjmp(png_jmpbuf(m_png)))
            return false;
        png_write_end(m_png, nullptr);
        return m_ok;
    }

private:
    static void write(png_structp png, png_bytep data, png_size_t length)
    {
        auto *self = static_cast<PngSink *>(png_get_io_ptr(png));
        if (!self->m_out.write(QByteArrayView(data, qsizetype(length))))
            self->m_ok = false;
    }
    static void flush(png_structp) {}

    vt::FileReplacer &m_out;
    QSize m_size;
    bool m_alpha;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    bool m_ok = true;
};

std::unique_ptr<RowSink> makeSink(vt::FileReplacer &file, PictureFormat format, QSize size, bool alpha)
{
    if (format == PictureFormat::Bmp)
        return std::make_unique<BmpSink>(file, size);
    return std::make_unique<PngSink>(file, size, alpha);
}

// Ends the picture: the file takes it whole, or is left as it was with the reason told.
vt::Status finished(vt::FileReplacer &file, RowSink &sink, bool rowsWritten, const QString &path)
{
    if (rowsWritten && sink.finish())
        return file.commit();
    vt::Status s = file.status();
    file.cancel();
    // The writes report a full disk or the like; what else fails is the encoder itself.
    return s ? vt::Status::failure(u"Cannot write %1: the picture could not be encoded."_s.arg(path)) : s;
}

} // namespace

std::optional<PictureFormat> pictureFormatOf(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"png"_s)
        return PictureFormat::Png;
    if (ext == u"bmp"_s)
        return PictureFormat::Bmp;
    return std::nullopt;
}

QSize areaPictureSize(const oLevel &area, qint32 zoom)
{
    if (!area.hasGrid())
        return {};
    return {(area.width() + 1) * zoom, (area.height() + 1) * zoom};
}

vt::Status writeAreaPicture(const oLevel &area, const QImage &tileset, const QImage &tagSheet,
                            const AreaPictureOptions &options, PictureFormat format,
                            const QString &path, const PictureProgress &progress)
{
    const QSize size = areaPictureSize(area, options.zoom);
    if (size.isEmpty())
        return vt::Status::failure(u"%1: the area has no grid to draw"_s.arg(path));
    if (qint64(size.width()) * size.height() > (qint64(1) << 31) * 2 || size.width() > 0x7fffffff / 4)
        return vt::Status::failure(u"%1: a picture of %2 x %3 pixels is too large"_s.arg(path).arg(size.width()).arg(size.height()));
    if (format == PictureFormat::Bmp && !options.background)
        return vt::Status::failure(u"%1: a BMP cannot be see-through: give a background colour"_s.arg(path));
    if (format == PictureFormat::Bmp && qint64(size.width()) * 3 * size.height() + 54 > 0xffffffffLL)
        return vt::Status::failure(u"%1: a picture this large does not fit a BMP file; use PNG"_s.arg(path));

    vt::FileReplacer file(path);
    if (vt::Status s = file.open(); !s)
        return s;
    const std::unique_ptr<RowSink> sink = makeSink(file, format, size, !options.background);

    // Each strip is drawn and turned into the file's bytes on a second thread while the one
    // before is written, so the drawing costs next to nothing beside the encoding. Two drawers
    // take turns, each with its strip and its bytes.
    Source source;
    prepareSource(area, options, source);
    StripDrawer first(source, tileset, tagSheet, options);
    StripDrawer second(source, tileset, tagSheet, options);
    StripDrawer *const drawers[2] = {&first, &second};
    std::vector<uchar> bytes[2];
    const qint32 zoom = options.zoom;
    const qint32 squaresDown = size.height() / zoom;
    const qint32 step = stripRows(size, zoom);
    const bool bottomUp = sink->bottomUp();
    const qsizetype rowBytes = sink->rowBytes();
    // The rows of strip `index` in the order the file takes them.
    auto drawStrip = [&](qint32 index) {
        const qint32 k = index * step;
        const qint32 rows = std::min(step, squaresDown - k);
        return std::async(std::launch::async, [&, k, rows, index]() -> const std::vector<uchar> * {
            const QImage &strip = drawers[index % 2]->draw(bottomUp ? squaresDown - k - rows : k, rows);
            std::vector<uchar> &out = bytes[index % 2];
            out.resize(std::size_t(rowBytes) * std::size_t(strip.height()));
            for (int i = 0; i < strip.height(); ++i) {
                const int y = bottomUp ? strip.height() - 1 - i : i;
                sink->convert(reinterpret_cast<const QRgb *>(strip.constScanLine(y)), out.data() + i * rowBytes);
            }
            return &out;
        });
    };
    const qint32 strips = (squaresDown + step - 1) / step;
    std::future<const std::vector<uchar> *> next = drawStrip(0);
    bool ok = true;
    bool cancelled = false;
    for (qint32 index = 0; index < strips && ok && !cancelled; ++index) {
        const std::vector<uchar> &rows = *next.get();
        if (index + 1 < strips)
            next = drawStrip(index + 1);
        for (std::size_t at = 0; at < rows.size() && ok; at += std::size_t(rowBytes))
            ok = sink->put(rows.data() + at);
        const qint64 done = std::min<qint64>(qint64(index + 1) * step, squaresDown);
        cancelled = ok && progress && !progress(done, squaresDown);
    }
    if (next.valid())
        next.wait();  // the drawer works on locals of this function
    if (cancelled) {
        file.cancel();
        return vt::Status::failure(u"%1: cancelled"_s.arg(path));
    }
    return finished(file, *sink, ok, path);
}

vt::Status writePicture(const QImage &picture, PictureFormat format, const QString &path)
{
    const bool alpha = picture.format() == QImage::Format_ARGB32;
    if (format == PictureFormat::Bmp && alpha)
        return vt::Status::failure(u"%1: a BMP cannot be see-through"_s.arg(path));
    vt::FileReplacer file(path);
    if (vt::Status s = file.open(); !s)
        return s;
    const std::unique_ptr<RowSink> sink = makeSink(file, format, picture.size(), alpha);
    bool ok = true;
    for (int i = 0; i < picture.height() && ok; ++i) {
        const int y = sink->bottomUp() ? picture.height() - 1 - i : i;
        ok = sink->row(reinterpret_cast<const QRgb *>(picture.constScanLine(y)));
    }
    return finished(file, *sink, ok, path);
}

QImage areaPicture(const oLevel &area, const QImage &tileset, const QImage &tagSheet,
                   const AreaPictureOptions &options)
{
    const QSize size = areaPictureSize(area, options.zoom);
    if (size.isEmpty())
        return {};
    Source source;
    prepareSource(area, options, source);
    StripDrawer drawer(source, tileset, tagSheet, options);
    QImage out(size, options.background ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    const qint32 squaresDown = size.height() / options.zoom;
    const qint32 step = stripRows(size, options.zoom);
    for (qint32 k = 0; k < squaresDown; k += step) {
        const qint32 rows = std::min(step, squaresDown - k);
        const QImage &strip = drawer.draw(k, rows);
        for (int y = 0; y < strip.height(); ++y)
            std::copy_n(strip.constScanLine(y), strip.bytesPerLine(), out.scanLine(k * options.zoom + y));
    }
    return out;
}

} // namespace tessaforge
