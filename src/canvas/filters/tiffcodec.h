#pragma once

// The stored form of undo difference images: TIFF with LZW compression, 8 bits per sample and
// four samples per pixel (red, green, blue and an unassociated "alpha" that libtiff never
// alters), encoded and decoded in memory. Decoding gives back the difference words bit for bit.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace pennova::filters {

// The TIFF bytes of a difference image (its raw ARGB32 words; other formats are converted to
// Format_ARGB32 first). Empty for a null image or when encoding fails.
QByteArray encodeDifferenceTiff(const QImage &difference);

// The difference image (Format_ARGB32) stored in data, which must be a TIFF of expectedSize with
// four 8-bit samples per pixel. Anything else (empty, truncated or damaged bytes, another size
// or sample layout) gives a null image and, when error is given, a message saying why. libtiff's
// own messages are collected, never printed.
QImage decodeDifferenceTiff(const QByteArray &data, QSize expectedSize, QString *error = nullptr);

} // namespace pennova::filters
