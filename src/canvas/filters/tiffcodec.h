#pragma once

// The stored form of undo difference images: TIFF with LZW compression, 8 bits per sample and
// four samples per pixel (red, green, blue and an unassociated "alpha" that libtiff never
// alters), encoded and decoded in memory. Decoding gives back the difference words bit for bit.

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <QSize>
#include <QString>
#include <QtGlobal>

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

// The same image read strip by strip, as it is stored: rows of R, G, B, A samples (see
// samplesToWord). Two readers of the same bytes may decode different strips on two threads.
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
    int rowsPerStrip() const;
    // Decodes one strip into its rows of `image`, which holds expectedSize pixels, row after
    // row. False, with error() set, when the strip is damaged.
    bool readStrip(int strip, uchar *image);

private:
    struct State;
    static QString open(State &state, const QByteArray &data, QSize expectedSize);
    std::unique_ptr<State> m_state;
};

// The word (0xAARRGGBB) of a pixel stored as R, G, B, A samples, the four bytes read as one word.
inline QRgb samplesToWord(quint32 samples)
{
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // In memory R, G, B, A: only red and blue trade places.
    return (samples & 0xFF00FF00u) | (samples >> 16 & 0xFFu) | (samples << 16 & 0xFF0000u);
#else
    return samples >> 8 | samples << 24;
#endif
}

} // namespace pennova::filters
