#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>

// Qt reads GIF but cannot write it; the demo's map and backdrop pictures need real GIF files.
namespace demo {

// A GIF89a file of one image: a global colour table (the image's, padded to a power of two)
// and LZW-compressed pixel data. The image must be Format_Indexed8 with 1 to 256 colours and
// every pixel index inside its colour table; anything else gives an empty array.
QByteArray encodeGif(const QImage &indexed);

// Converts a picture to Format_Indexed8 without dithering. When it uses at most 256 distinct
// colours the table is exactly those colours (so the conversion is lossless); otherwise
// every pixel takes the nearest colour of a fixed 256-colour table.
QImage toIndexed(const QImage &image);

} // namespace demo
