#include "canvas/filters/tiffcodec.h"

#include "canvas/filters/imagewords.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace pennova::filters {

namespace {

    // The largest side of a canvas, and so of a difference image.
    constexpr int kMaxSide = 65535;
    // Strips of about this many bytes: long enough for LZW's dictionary to pay off, short enough
    // that libtiff's buffers stay small.
    constexpr int kStripBytes = 256 * 1024;
    // libtiff's largest single allocation while reading (directory arrays, codec state). The
    // strip data itself is read from the mapped buffer, never copied.
    constexpr tmsize_t kMaxLibtiffAlloc = 64 * 1024 * 1024;

    // A TIFF file in memory, growable for writing, plus the first error libtiff reported on it.
    struct MemoryFile
    {
        QByteArray bytes;
        qint64 pos = 0;
        bool writable = false;
        QString error;
    };

    MemoryFile *fileOf(thandle_t handle)
    {
        return static_cast<MemoryFile *>(handle);
    }

    tmsize_t readProc(thandle_t handle, void *buffer, tmsize_t size)
    {
        MemoryFile *file = fileOf(handle);
        if (size < 0 || file->pos >= file->bytes.size())
            return size < 0 ? -1 : 0;
        const qint64 count = std::min<qint64>(size, file->bytes.size() - file->pos);
        std::memcpy(buffer, file->bytes.constData() + file->pos, size_t(count));
        file->pos += count;
        return tmsize_t(count);
    }

    tmsize_t writeProc(thandle_t handle, void *buffer, tmsize_t size)
    {
        MemoryFile *file = fileOf(handle);
        if (!file->writable || size < 0)
            return -1;
        const auto *data = static_cast<const char *>(buffer);
        // libtiff may seek past the end before writing; the gap reads as zeros.
        if (file->pos > file->bytes.size())
            file->bytes.append(qsizetype(file->pos - file->bytes.size()), '\0');
        const qint64 overwrite = std::min<qint64>(size, file->bytes.size() - file->pos);
        if (overwrite > 0)
            std::memcpy(file->bytes.data() + file->pos, data, size_t(overwrite));
        if (size > overwrite)
            file->bytes.append(data + overwrite, qsizetype(size - overwrite));
        file->pos += size;
        return size;
    }

    toff_t seekProc(thandle_t handle, toff_t offset, int whence)
    {
        MemoryFile *file = fileOf(handle);
        constexpr toff_t kLargest = toff_t(std::numeric_limits<qint64>::max());
        qint64 target = 0;
        if (whence == SEEK_SET) {
            if (offset > kLargest)
                return toff_t(-1);
            target = qint64(offset);
        } else {
            // Relative offsets arrive as unsigned two's complement.
            const qint64 base = whence == SEEK_CUR ? file->pos : file->bytes.size();
            target = base + qint64(offset);
        }
        if (target < 0)
            return toff_t(-1);
        file->pos = target;
        return toff_t(target);
    }

    int closeProc(thandle_t)
    {
        return 0;
    }

    toff_t sizeProc(thandle_t handle)
    {
        return toff_t(fileOf(handle)->bytes.size());
    }

    int mapProc(thandle_t handle, void **base, toff_t *size)
    {
        MemoryFile *file = fileOf(handle);
        if (file->writable)
            return 0;
        // libtiff only reads through the mapping of a file opened for reading.
        *base = const_cast<char *>(file->bytes.constData());
        *size = toff_t(file->bytes.size());
        return 1;
    }

    void unmapProc(thandle_t, void *, toff_t) { }

    int collectError(TIFF *, void *userData, const char *, const char *format, va_list args)
    {
        MemoryFile *file = fileOf(userData);
        if (file->error.isEmpty()) {
            char text[512];
            std::vsnprintf(text, sizeof text, format, args);
            file->error = QString::fromLocal8Bit(text);
        }
        return 1; // handled: libtiff's global handler, which prints, is not called
    }

    // Warnings concern tags we do not use; reading goes on and errors still count.
    int ignoreWarning(TIFF *, void *, const char *, const char *, va_list)
    {
        return 1;
    }

    struct TiffCloser
    {
        void operator()(TIFF *tif) const { TIFFClose(tif); }
    };
    using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

    TiffHandle openTiff(MemoryFile &file, const char *mode, tmsize_t maxAlloc)
    {
        TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
        if (!options) {
            file.error = QStringLiteral("out of memory");
            return nullptr;
        }
        TIFFOpenOptionsSetErrorHandlerExtR(options, collectError, &file);
        TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, &file);
        if (maxAlloc > 0)
            TIFFOpenOptionsSetMaxSingleMemAlloc(options, maxAlloc);
        TIFF *tif = TIFFClientOpenExt("difference", mode, &file, readProc, writeProc, seekProc,
            closeProc, sizeProc, mapProc, unmapProc, options);
        TIFFOpenOptionsFree(options);
        return TiffHandle(tif);
    }

    // QRgb words (0xAARRGGBB) to R, G, B, A samples.
    void wordsToSamples(const QRgb *words, int count, uint8_t *samples)
    {
        for (int x = 0; x < count; ++x, samples += 4) {
            samples[0] = uint8_t(qRed(words[x]));
            samples[1] = uint8_t(qGreen(words[x]));
            samples[2] = uint8_t(qBlue(words[x]));
            samples[3] = uint8_t(qAlpha(words[x]));
        }
    }

    // The word (0xAARRGGBB) of a pixel stored as R, G, B, A samples, its four bytes read as one.
    inline QRgb samplesToWord(uint32_t samples)
    {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        // In memory R, G, B, A: only red and blue trade places.
        return (samples & 0xFF00FF00u) | (samples >> 16 & 0xFFu) | (samples << 16 & 0xFF0000u);
#else
        return samples >> 8 | samples << 24;
#endif
    }

} // namespace

QByteArray encodeDifferenceTiff(const QImage &difference)
{
    if (difference.isNull())
        return QByteArray();
    const QImage words = detail::rawWords(difference, QImage::Format_ARGB32);
    const int width = words.width();
    const int height = words.height();

    MemoryFile file;
    file.writable = true;
    // Always little-endian, so that the same image gives the same bytes on every machine.
    TiffHandle tif = openTiff(file, "wl", 0);
    if (!tif)
        return QByteArray();
    const uint16_t extraSamples[] = { EXTRASAMPLE_UNASSALPHA };
    const uint32_t rowsPerStrip = uint32_t(std::clamp(kStripBytes / (4 * width), 1, height));
    TIFF *t = tif.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extraSamples);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    // No horizontal predictor: it zeroes the runs inside a stroke, but LZW packs those runs well
    // anyway and the predictor scatters the antialiased edges; on strokes over flat backgrounds it
    // made the data 5-35 % larger (25 % smaller only over busy paint), and decoding slower.
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);

    std::vector<uint8_t> row(size_t(width) * 4);
    for (int y = 0; y < height; ++y) {
        wordsToSamples(reinterpret_cast<const QRgb *>(words.constScanLine(y)), width, row.data());
        if (TIFFWriteScanline(t, row.data(), uint32_t(y), 0) < 0)
            return QByteArray();
    }
    if (!TIFFFlush(t) || !file.error.isEmpty())
        return QByteArray();
    tif.reset();
    file.bytes.squeeze(); // a step keeps these bytes for long
    return file.bytes;
}

struct DifferenceTiffReader::State
{
    MemoryFile file;
    TiffHandle tif;
    QString error;
    int width = 0;
    int height = 0;
    uint32_t rowsPerStrip = 0;
    uint32_t strips = 0;
};

DifferenceTiffReader::DifferenceTiffReader(const QByteArray &data, QSize expectedSize)
    : m_state(std::make_unique<State>())
{
    State &s = *m_state;
    const QString why = open(s, data, expectedSize);
    if (!why.isEmpty()) {
        s.error = QStringLiteral("Could not read the undo difference image: ") + why;
        s.tif.reset();
    }
}

// Opens the data and checks its shape; empty when it is readable, otherwise why not.
QString DifferenceTiffReader::open(State &s, const QByteArray &data, QSize expectedSize)
{
    const int width = expectedSize.width();
    const int height = expectedSize.height();
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return QString(
            QStringLiteral("the region size %1 x %2 is not valid.").arg(width).arg(height));
    if (data.isEmpty())
        return QString(QStringLiteral("the data is empty."));

    s.file.bytes = data;
    const tmsize_t rowBytes = tmsize_t(width) * 4;
    s.tif
        = openTiff(s.file, "r", std::max<tmsize_t>(kMaxLibtiffAlloc, rowBytes * tmsize_t(height)));
    if (!s.tif)
        return QString(s.file.error.isEmpty() ? QStringLiteral("not a TIFF image.") : s.file.error);
    TIFF *t = s.tif.get();

    uint32_t tiffWidth = 0, tiffHeight = 0;
    uint16_t samples = 0, bits = 0, planar = 0, photometric = 0, format = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &tiffWidth);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &tiffHeight);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
    const bool hasPhotometric = TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric) == 1;

    // The shape is checked against the region before anything of the image's size is allocated.
    if (tiffWidth != uint32_t(width) || tiffHeight != uint32_t(height))
        return QString(QStringLiteral("it is %1 x %2 pixels, the region %3 x %4.")
                           .arg(tiffWidth)
                           .arg(tiffHeight)
                           .arg(width)
                           .arg(height));
    if (samples != 4 || bits != 8)
        return QString(QStringLiteral("it has %1 samples of %2 bits per pixel, not 4 of 8.")
                           .arg(samples)
                           .arg(bits));
    if (format != SAMPLEFORMAT_UINT)
        return QString(QStringLiteral("its samples are not unsigned integers."));
    if (planar != PLANARCONFIG_CONTIG || !hasPhotometric || photometric != PHOTOMETRIC_RGB
        || TIFFIsTiled(t))
        return QString(QStringLiteral("its samples are not stored as interleaved RGBA strips."));
    if (TIFFScanlineSize(t) != rowBytes)
        return QString(QStringLiteral("its rows are not %1 bytes long.").arg(rowBytes));
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    s.rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, uint32_t(height));
    s.strips = TIFFNumberOfStrips(t);
    if (s.strips != (uint32_t(height) + s.rowsPerStrip - 1) / s.rowsPerStrip)
        return QString(QStringLiteral("its strips do not cover its rows."));
    s.width = width;
    s.height = height;
    return QString();
}

DifferenceTiffReader::~DifferenceTiffReader() = default;

QString DifferenceTiffReader::error() const
{
    return m_state->error;
}

int DifferenceTiffReader::stripCount() const
{
    return m_state->tif ? int(m_state->strips) : 0;
}

bool DifferenceTiffReader::readStrip(int strip, uchar *image)
{
    State &s = *m_state;
    if (!s.tif || strip < 0 || uint32_t(strip) >= s.strips)
        return false;
    // Straight into the image: the strip data is decoded from the mapped bytes, never copied.
    const uint32_t firstRow = uint32_t(strip) * s.rowsPerStrip;
    const uint32_t rows = std::min<uint32_t>(s.rowsPerStrip, uint32_t(s.height) - firstRow);
    const tmsize_t rowBytes = tmsize_t(s.width) * 4;
    const tmsize_t bytes = tmsize_t(rows) * rowBytes;
    if (TIFFReadEncodedStrip(
            s.tif.get(), uint32_t(strip), image + tmsize_t(firstRow) * rowBytes, bytes)
            != bytes
        || !s.file.error.isEmpty()) {
        s.error = QStringLiteral("Could not read the undo difference image: ")
            + (s.file.error.isEmpty() ? QStringLiteral("strip %1 is damaged.").arg(strip)
                                      : s.file.error);
        s.tif.reset();
        return false;
    }
    return true;
}

QImage decodeDifferenceTiff(const QByteArray &data, QSize expectedSize, QString *error)
{
    DifferenceTiffReader reader(data, expectedSize);
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return QImage();
    };
    if (!reader.error().isEmpty())
        return fail(reader.error());
    QImage out(expectedSize, QImage::Format_ARGB32);
    if (out.isNull() || out.bytesPerLine() != qsizetype(expectedSize.width()) * 4)
        return fail(QStringLiteral("Could not read the undo difference image: not enough memory "
                                   "for %1 x %2 pixels.")
                        .arg(expectedSize.width())
                        .arg(expectedSize.height()));
    for (int strip = 0; strip < reader.stripCount(); ++strip)
        if (!reader.readStrip(strip, out.bits()))
            return fail(reader.error());
    auto *words = reinterpret_cast<QRgb *>(out.bits());
    const qsizetype count = qsizetype(expectedSize.width()) * expectedSize.height();
    for (qsizetype i = 0; i < count; ++i)
        words[i] = samplesToWord(words[i]);
    return out;
}

} // namespace pennova::filters
