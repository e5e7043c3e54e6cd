#pragma once

// The stored form of undo difference images: TIFF with LZW compression, 8 bits per sample and
// four samples per pixel (red, green, blue and an unassociated "alpha" that libtiff never
// alters), encoded and decoded in memory. Decoding gives back the difference words bit for bit.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

namespace pennova::filters {

// The TIFF bytes of a difference image (its raw ARGB32 words; other formats are converted to
// Format_ARGB32 first). Empty for a null image or when encoding fails.
QByteArray encodeDifferenceTiff(const QImage &difference);

// The difference image (Format_ARGB32) stored in data, which must be a TIFF of expectedSize with
// four 8-bit samples per pixel. Anything else (empty, truncated or damaged bytes, another size
// or sample layout) gives a null image and, when error is given, a message saying why. libtiff's
// own messages are collected, never printed.
QImage decodeDifferenceTiff(const QByteArray &data, QSize expectedSize, QString *error = nullptr);

// The same image read strip by strip, as it is stored: rows of pixels of four bytes, red, green,
// blue and alpha in that order. Two readers of the same bytes may decode different strips on two
// threads.
class DifferenceTiffReader
{
public:
    // Opens the data and checks it as decodeDifferenceTiff does.
    DifferenceTiffReader(const QByteArray &data, QSize expectedSize);
    ~DifferenceTiffReader();
    DifferenceTiffReader(const DifferenceTiffReader &) = delete;
    DifferenceTiffReader &operator=(const DifferenceTiffReader &) = delete;

    // Empty while the data is readable; otherwise the message saying why not.
    QString error() const;
    int stripCount() const;
    // Decodes one strip into its rows of `image`, which holds expectedSize pixels, row after
    // row. False, with error() set, when the strip is damaged.
    bool readStrip(int strip, uchar *image);

private:
    struct State;
    static QString open(State &state, const QByteArray &data, QSize expectedSize);
    std::unique_ptr<State> m_state;
};

} // namespace pennova::filters
