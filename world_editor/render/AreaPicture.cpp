#include "AreaPicture.h"

#include "AreaRenderer.h"

#include <QFileInfo>
#include <QSaveFile>

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace tessaforge {

namespace {

// Strips of about this many bytes: small beside any picture worth streaming, large enough
// that the per-strip cost vanishes.
constexpr qint64 kStripBytes = 8 * 1024 * 1024;

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
    StripDrawer(const oLevel &area, const QImage &tileset, const QImage &tagSheet,
                const AreaPictureOptions &o)
        : m_options(o)
    {
        prepareSource(area, o, m_source);
        m_width = areaPictureSize(area, o.zoom).width();
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
        m_renderer.draw(*m_source.area, view, m_strip);
        if (m_options.background)
            return m_strip;
        view.background = qRgb(255, 255, 255);
        m_second.draw(*m_source.area, view, m_white);
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
    Source m_source;
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

// Rows go to a sink as they are drawn: PNG from the top, BMP from the bottom.
class RowSink
{
public:
    virtual ~RowSink() = default;
    virtual bool bottomUp() const = 0;
    virtual bool row(const QRgb *pixels) = 0;
    virtual bool finish() = 0;
};

class BmpSink final : public RowSink
{
public:
    BmpSink(QIODevice &out, QSize size) : m_out(out), m_size(size)
    {
        const qint64 rowBytes = (qint64(size.width()) * 3 + 3) / 4 * 4;
        m_row.resize(std::size_t(rowBytes), 0);
        const qint64 imageBytes = rowBytes * size.height();
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
        m_ok = m_out.write(h) == h.size();
    }
    bool bottomUp() const override { return true; }
    bool row(const QRgb *p) override
    {
        uchar *o = m_row.data();
        for (int x = 0; x < m_size.width(); ++x) {
            *o++ = uchar(qBlue(p[x]));
            *o++ = uchar(qGreen(p[x]));
            *o++ = uchar(qRed(p[x]));
        }
        m_ok = m_ok && m_out.write(reinterpret_cast<const char *>(m_row.data()), qint64(m_row.size())) == qint64(m_row.size());
        return m_ok;
    }
    bool finish() override { return m_ok; }

private:
    QIODevice &m_out;
    QSize m_size;
    std::vector<uchar> m_row;
    bool m_ok = true;
};

class PngSink final : public RowSink
{
public:
    PngSink(QIODevice &out, QSize size, bool alpha) : m_out(out), m_size(size), m_alpha(alpha)
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
        m_row.resize(std::size_t(size.width()) * (alpha ? 4 : 3));
    }
    ~PngSink() override
    {
        if (m_png)
            png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr);
    }
    bool bottomUp() const override { return false; }
    bool row(const QRgb *p) override
    {
        if (!m_ok)
            return false;
        uchar *o = m_row.data();
        for (int x = 0; x < m_size.width(); ++x) {
            *o++ = uchar(qRed(p[x]));
            *o++ = uchar(qGreen(p[x]));
            *o++ = uchar(qBlue(p[x]));
            if (m_alpha)
                *o++ = uchar(qAlpha(p[x]));
        }
        if (setjmp(png_jmpbuf(m_png))) {
            m_ok = false;
            return false;
        }
        png_write_row(m_png, m_row.data());
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
        if (self->m_out.write(reinterpret_cast<const char *>(data), qint64(length)) != qint64(length))
            self->m_ok = false;
    }
    static void flush(png_structp) {}

    QIODevice &m_out;
    QSize m_size;
    bool m_alpha;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    std::vector<uchar> m_row;
    bool m_ok = true;
};

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

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return vt::Status::failure(u"%1: cannot write: %2"_s.arg(path, file.errorString()));
    std::unique_ptr<RowSink> sink;
    if (format == PictureFormat::Bmp)
        sink = std::make_unique<BmpSink>(file, size);
    else
        sink = std::make_unique<PngSink>(file, size, !options.background);

    StripDrawer drawer(area, tileset, tagSheet, options);
    const qint32 zoom = options.zoom;
    const qint32 squaresDown = size.height() / zoom;
    const qint32 step = stripRows(size, zoom);
    bool ok = true;
    qint64 done = 0;
    for (qint32 k = 0; k < squaresDown && ok; k += step) {
        const qint32 rows = std::min(step, squaresDown - k);
        const qint32 first = sink->bottomUp() ? squaresDown - k - rows : k;
        const QImage &strip = drawer.draw(first, rows);
        for (int i = 0; i < strip.height() && ok; ++i) {
            const int y = sink->bottomUp() ? strip.height() - 1 - i : i;
            ok = sink->row(reinterpret_cast<const QRgb *>(strip.constScanLine(y)));
        }
        done += rows;
        if (ok && progress && !progress(done, squaresDown)) {
            file.cancelWriting();
            return vt::Status::failure(u"%1: cancelled"_s.arg(path));
        }
    }
    ok = ok && sink->finish();
    if (!ok) {
        file.cancelWriting();
        return vt::Status::failure(u"%1: cannot write: %2"_s.arg(path, file.errorString()));
    }
    if (!file.flush() || !file.commit())
        return vt::Status::failure(u"%1: cannot write: %2"_s.arg(path, file.errorString()));
    return vt::Status::success();
}

vt::Status writePicture(const QImage &picture, PictureFormat format, const QString &path)
{
    const bool alpha = picture.format() == QImage::Format_ARGB32;
    if (format == PictureFormat::Bmp && alpha)
        return vt::Status::failure(u"%1: a BMP cannot be see-through"_s.arg(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return vt::Status::failure(u"%1: cannot write: %2"_s.arg(path, file.errorString()));
    std::unique_ptr<RowSink> sink;
    if (format == PictureFormat::Bmp)
        sink = std::make_unique<BmpSink>(file, picture.size());
    else
        sink = std::make_unique<PngSink>(file, picture.size(), alpha);
    bool ok = true;
    for (int i = 0; i < picture.height() && ok; ++i) {
        const int y = sink->bottomUp() ? picture.height() - 1 - i : i;
        ok = sink->row(reinterpret_cast<const QRgb *>(picture.constScanLine(y)));
    }
    if (!(ok && sink->finish() && file.flush() && file.commit())) {
        file.cancelWriting();
        return vt::Status::failure(u"%1: cannot write: %2"_s.arg(path, file.errorString()));
    }
    return vt::Status::success();
}

QImage areaPicture(const oLevel &area, const QImage &tileset, const QImage &tagSheet,
                   const AreaPictureOptions &options)
{
    const QSize size = areaPictureSize(area, options.zoom);
    if (size.isEmpty())
        return {};
    StripDrawer drawer(area, tileset, tagSheet, options);
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
