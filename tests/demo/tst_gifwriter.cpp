#include "GifWriter.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTest>

#include <functional>

using demo::encodeGif;
using demo::toIndexed;

namespace {

QImage indexedImage(int w, int h, int colourCount, const std::function<int(int, int)> &pick)
{
    QImage img(w, h, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (int i = 0; i < colourCount; ++i)
        colours.append(qRgb((i * 37) & 0xFF, (i * 91 + 17) & 0xFF, (255 - i) & 0xFF));
    img.setColorTable(colours);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, static_cast<uint>(pick(x, y)));
    return img;
}

// Decodes with Qt's own GIF reader and compares colour by colour.
void checkDecodesTo(const QImage &source)
{
    const QByteArray gif = encodeGif(source);
    QVERIFY(!gif.isEmpty());
    const QImage back = QImage::fromData(gif, "GIF");
    QVERIFY2(!back.isNull(), "Qt could not read the file");
    QCOMPARE(back.size(), source.size());
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (back.pixel(x, y) != source.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y)));
}

} // namespace

class tst_gifwriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesBackToTheSamePixels_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("one pixel, one colour") << indexedImage(1, 1, 1, [](int, int) { return 0; });
        QTest::newRow("two colours, odd size")
            << indexedImage(7, 3, 2, [](int x, int y) { return (x + y) % 2; });
        // five colours: the table is padded to eight entries, codes start at 4 bits
        QTest::newRow("five colours")
            << indexedImage(33, 17, 5, [](int x, int y) { return (x * 3 + y) % 5; });
        // one long run builds very long strings in the table
        QTest::newRow("single colour, large")
            << indexedImage(640, 480, 16, [](int, int) { return 9; });
        // noise fills the 4096-entry table many times: the clear-and-restart path
        QRandomGenerator rng(1234);
        QImage noise = indexedImage(257, 131, 256, [&](int, int) { return int(rng.bounded(256)); });
        QTest::newRow("noise, 256 colours") << noise;
        QTest::newRow("bands, 200 colours")
            << indexedImage(300, 200, 200, [](int x, int y) { return (x / 3 + y / 7) % 200; });
    }

    void decodesBackToTheSamePixels()
    {
        QFETCH(QImage, image);
        checkDecodesTo(image);
    }

    void fileLayout()
    {
        const QImage img = indexedImage(300, 2, 5, [](int x, int y) { return (x * y) % 5; });
        const QByteArray gif = encodeGif(img);
        QVERIFY(gif.startsWith("GIF89a"));
        const auto byte = [&](qsizetype i) { return quint8(gif.at(i)); };
        QCOMPARE(byte(6) | byte(7) << 8, 300);
        QCOMPARE(byte(8) | byte(9) << 8, 2);
        QCOMPARE(byte(10) & 0x87, 0x82);  // global table of 2^(2+1) = 8 entries
        const qsizetype descriptor = 13 + 8 * 3;
        QCOMPARE(gif.at(descriptor), ',');
        QCOMPARE(byte(descriptor + 9), 0);  // no local table, not interlaced
        QCOMPARE(byte(descriptor + 10), 3);  // minimum code size for 8 entries
        // the padded table entries are black
        QCOMPARE(gif.mid(13 + 5 * 3, 9), QByteArray(9, '\0'));

        qsizetype pos = descriptor + 11;
        int blocks = 0;
        while (byte(pos) != 0) {
            QVERIFY(byte(pos) <= 255);
            pos += 1 + byte(pos);
            QVERIFY(pos < gif.size());
            ++blocks;
        }
        QVERIFY(blocks >= 1);
        QCOMPARE(pos + 2, gif.size());
        QCOMPARE(gif.back(), ';');

        // more than 255 bytes of data are split into several sub-blocks
        QRandomGenerator rng(7);
        const QImage noise = indexedImage(64, 64, 256, [&](int, int) { return int(rng.bounded(256)); });
        const QByteArray big = encodeGif(noise);
        const qsizetype first = 13 + 256 * 3 + 11;
        QCOMPARE(quint8(big.at(first)), quint8(255));
    }

    void refusesWhatItCannotStore()
    {
        QVERIFY(encodeGif(QImage()).isEmpty());
        QVERIFY(encodeGif(QImage(4, 4, QImage::Format_RGB32)).isEmpty());
        QImage noTable(4, 4, QImage::Format_Indexed8);
        noTable.fill(0);
        QVERIFY(encodeGif(noTable).isEmpty());
        // an index past the colour table would decode to garbage
        QImage img = indexedImage(4, 4, 3, [](int, int) { return 0; });
        img.scanLine(3)[3] = 7;  // setPixel would refuse it
        QVERIFY(encodeGif(img).isEmpty());
    }

    void toIndexedIsExactUpTo256Colours()
    {
        // exactly 256 distinct colours
        QImage rgb(50, 40, QImage::Format_RGB32);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 50; ++x)
                rgb.setPixel(x, y, qRgb((x + 50 * y) % 256, 10, 20));
        const QImage exact = toIndexed(rgb);
        QCOMPARE(exact.format(), QImage::Format_Indexed8);
        QCOMPARE(exact.colorCount(), 256);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 50; ++x)
                QCOMPARE(exact.pixel(x, y), rgb.pixel(x, y));
        checkDecodesTo(exact);

        // one colour more and the fixed table takes over, still a valid GIF source
        rgb.setPixel(0, 0, qRgb(1, 2, 3));
        const QImage reduced = toIndexed(rgb);
        QCOMPARE(reduced.format(), QImage::Format_Indexed8);
        QVERIFY(reduced.colorCount() <= 256);
        QCOMPARE(reduced.size(), rgb.size());
        QVERIFY(!encodeGif(reduced).isEmpty());
    }
};

QTEST_APPLESS_MAIN(tst_gifwriter)
#include "tst_gifwriter.moc"
