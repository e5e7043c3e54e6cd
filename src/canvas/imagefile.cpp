#include "canvas/imagefile.h"

#include "canvas/atomicfile.h"
#include "canvas/canvassurface.h"
#include "canvas/decodewatch.h"
#include "canvas/imagecheck.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace pennova::imagefile {

namespace {

    // An image with a longer side could be read but never become a canvas.
    constexpr qint64 kMaxSide = CanvasSurface::kMaxSide;
    // Upper bound of the allocation limit, in megabytes, however much memory the computer has.
    constexpr qint64 kMaxAllocationMB = 8192;
    // Qt's own limit, kept on computers too small for more.
    constexpr qint64 kMinAllocationMB = 256;

    QString tr(const char *text)
    {
        return QCoreApplication::translate("pennova::imagefile", text);
    }

    QString tooLargeMessage(const QSize &size)
    {
        return tr("the image is too large to open on this computer (%1 × %2 pixels)")
            .arg(size.width())
            .arg(size.height());
    }

    QString damagedBeyondUseMessage()
    {
        return tr("the file is damaged, and none of the picture could be read");
    }

    // The memory a decode of `size` needs at its peak, per pixel: the decoder's image, plus the
    // canvas when the decoder's format cannot become the canvas format in place. Decoders whose
    // format is not known beforehand are counted as keeping a picture of their own.
    qint64 peakBytesPerPixel(QImage::Format decoded)
    {
        if (decoded == QImage::Format_Invalid)
            return 8;
        const int depth = QImage::toPixelFormat(decoded).bitsPerPixel();
        if (depth == 32 || depth == 64)
            return depth / 8;
        return (depth + 7) / 8 + 4;
    }

    qint64 canvasBytes(const QSize &size)
    {
        return qint64(size.width()) * size.height() * 4;
    }

    // Whether a picture of `size` can become a canvas: the side limit, and `bytesPerPixel`
    // against the allocation limit.
    bool fitsCanvas(const QSize &size, qint64 bytesPerPixel)
    {
        const qint64 limitBytes = qint64(raiseAllocationLimit()) * 1024 * 1024;
        return size.width() <= kMaxSide && size.height() <= kMaxSide
            && qint64(size.width()) * size.height() * bytesPerPixel <= limitBytes;
    }

    bool isOpaque(const QImage &image)
    {
        if (!image.hasAlphaChannel())
            return true;
        for (int y = 0; y < image.height(); ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(row[x]) != 255)
                    return false;
            }
        }
        return true;
    }

    QString notRegularMessage()
    {
        return tr("it is not a regular file (a pipe, a device or a socket)");
    }

    ReadResult failure(const QByteArray &format, const QString &error)
    {
        ReadResult result;
        result.format = format;
        result.error = error;
        return result;
    }

    ReadResult cancelled(const QByteArray &format)
    {
        ReadResult result;
        result.format = format;
        result.cancelled = true;
        return result;
    }

    // The decoded picture in the canvas format, converted in place where the formats allow
    // (32-bit decoders), so that no second copy of the picture is made. The pixel grid is the
    // picture; the file's dots per inch only say how large it prints.
    ReadResult toCanvasFormat(QImage image, const QByteArray &format)
    {
        image.setDotsPerMeterX(0);
        image.setDotsPerMeterY(0);
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
        if (image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied)
            return failure(format, tr("there is not enough memory to open it"));
        ReadResult result;
        result.image = std::move(image);
        result.format = format;
        return result;
    }

    // Ends a watch's decoding when the read returns, whichever way.
    struct WatchingDecode
    {
        explicit WatchingDecode(DecodeWatch &watch)
            : m_watch(watch)
        {
            m_watch.beginDecode();
        }
        ~WatchingDecode() { m_watch.endDecode(); }
        DecodeWatch &m_watch;
    };

    // The larger of two sizes, side by side; an invalid one counts for nothing.
    QSize largest(const QSize &a, const std::optional<QSize> &b)
    {
        if (!b || !b->isValid())
            return a;
        if (!a.isValid())
            return *b;
        return a.expandedTo(*b);
    }

    // Reads through `reader`, whose device is `watch` over `source`; `suffix` names the type
    // when the reader knows it only by the file's name.
    ReadResult readFrom(QImageReader &reader, DecodeWatch &watch, QIODevice &source,
        const QByteArray &suffix, const ReadOptions &options)
    {
        raiseAllocationLimit();
        // What the decoders say from here on is collected, not printed: it goes into the answer.
        const WatchingDecode watching(watch);
        // Photographs are opened upright, as image viewers show them; the saved file then needs
        // no orientation tag.
        reader.setAutoTransform(true);
        if (!reader.canRead())
            return failure({}, atomicfile::describeError(reader.errorString()));
        const QByteArray format = reader.format().isEmpty() ? suffix : reader.format();

        // Refuse what cannot become a canvas, or holds far less than it claims, before
        // decoding anything; ask about what would take much of the computer's memory. Some
        // decoders allocate more than they report beforehand (a GIF's whole screen).
        const QSize size = largest(reader.size(), imagecheck::headerSize(format, source));
        const QImage::Format decodedFormat = reader.imageFormat();
        const bool truncated = imagecheck::isTruncated(format, source, size);
        if (size.isValid()) {
            const bool large = canvasBytes(size) > kAskAboveBytes;
            const bool fits = fitsCanvas(size, peakBytesPerPixel(decodedFormat));
            if (truncated && (large || !fits)) {
                return failure(format,
                    tr("the file is damaged: it claims a picture of %1 × %2 pixels, but most of "
                       "its data is missing")
                        .arg(size.width())
                        .arg(size.height()));
            }
            if (!fits)
                return failure(format, tooLargeMessage(size));
            if (large) {
                if (!options.confirmLarge) {
                    return failure(format,
                        tr("the image is very large (%1 × %2 pixels) and was not opened")
                            .arg(size.width())
                            .arg(size.height()));
                }
                if (!options.confirmLarge(largeImageQuestion(size)))
                    return cancelled(format);
            }
        }

        // The decoder writes into this image when its format is the one it announced, so the
        // memory is taken (or found missing) before decoding starts.
        QImage image;
        if (size.isValid() && size == reader.size() && decodedFormat != QImage::Format_Invalid) {
            image = QImage(size, decodedFormat);
            if (image.isNull())
                return failure(format, tr("there is not enough memory to open it"));
        }
        const bool read = reader.read(&image);
        if (watch.cancelled())
            return cancelled(format);
        if (!read) {
            image = QImage();
            // Decoders of 16-bit images use up to 8 bytes a pixel; Qt reports their refusal only
            // as unreadable data, and a refusal by its allocation limit in a message.
            if (size.isValid() && !fitsCanvas(size, 8))
                return failure(format, tooLargeMessage(size));
            if (watch.complaints()
                    .join(QLatin1Char(' '))
                    .contains(QLatin1String("exceeds the current allocation limit")))
                return failure(format, tr("the image is too large to open on this computer"));
            if (reader.error() == QImageReader::DeviceError)
                return failure(format, atomicfile::describeError(reader.errorString()));
            return failure(format, damagedBeyondUseMessage());
        }
        ReadResult result = toCanvasFormat(std::move(image), format);
        result.damaged = result.ok() && (truncated || watch.reportedDamage());
        return result;
    }

    // Reads from `source` (open, seekable), by its content, else as the type its file name's
    // extension names: some types (TGA, for one) are known only so.
    ReadResult readDevice(QIODevice &source, const QByteArray &suffix, const ReadOptions &options)
    {
        DecodeWatch watch(source, options.progress);
        QImageReader reader(&watch);
        if (!reader.canRead() && !suffix.isEmpty()
            && QImageReader::supportedImageFormats().contains(suffix)) {
            DecodeWatch bySuffixWatch(source, options.progress);
            QImageReader bySuffix(&bySuffixWatch, suffix);
            if (bySuffix.canRead())
                return readFrom(bySuffix, bySuffixWatch, source, suffix, options);
            watch.seek(0);
        }
        return readFrom(reader, watch, source, suffix, options);
    }

} // namespace

int raiseAllocationLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // A quarter of physical memory leaves room for the decoder's buffer, its conversion to
        // the canvas format and the undo snapshots of the first strokes.
        const qint64 quarterMB = CanvasSurface::physicalMemoryBytes() / 4 / (1024 * 1024);
        const qint64 limit = std::clamp(quarterMB, kMinAllocationMB, kMaxAllocationMB);
        QImageReader::setAllocationLimit(int(limit));
    });
    return QImageReader::allocationLimit();
}

ReadResult readImage(const QString &path, const ReadOptions &options)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR || path.isEmpty())
            return failure({}, tr("the file does not exist"));
        return failure({}, atomicfile::describeError(QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (S_ISDIR(status.st_mode))
        return failure({}, tr("it is a folder, not an image file"));
    if (!S_ISREG(status.st_mode))
        return failure({}, notRegularMessage());
    if (status.st_size == 0)
        return failure({}, tr("the file is empty"));

    // Opened without waiting and checked again once open, so that a pipe put in the file's
    // place in the meantime is never waited on.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failure({}, atomicfile::describeError(QString::fromLocal8Bit(std::strerror(errno))));
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return failure({}, notRegularMessage());
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure({}, atomicfile::describeError(file.errorString()));
    }
    return readDevice(file, QFileInfo(path).suffix().toLower().toLatin1(), options);
}

ReadResult readImageData(const QByteArray &bytes, const ReadOptions &options)
{
    if (bytes.isEmpty())
        return failure({}, tr("the image data is empty"));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readDevice(buffer, {}, options);
}

QString largeImageQuestion(const QSize &size)
{
    const double gigabytes = double(canvasBytes(size)) / double(qint64(1) << 30);
    return tr("This picture is %1 × %2 pixels and needs %3 GB of memory. Open it?")
        .arg(size.width())
        .arg(size.height())
        .arg(gigabytes, 0, 'f', 1);
}

QString damageNotice()
{
    return tr("the file is damaged, and part of the picture may be missing");
}

ReadResult fromDecodedImage(const QImage &image)
{
    if (image.isNull())
        return failure({}, tr("there is no image"));
    if (!fitsCanvas(image.size(), 4))
        return failure({}, tooLargeMessage(image.size()));
    return toCanvasFormat(image, {});
}

QImage flattenedOnWhite(const QImage &canvas)
{
    // A painter expects paper under the paint, so transparent areas become white rather than
    // the black their premultiplied colour would give.
    QImage flat(canvas.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return flat;
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(0, 0, canvas);
    return flat;
}

QString writeImage(const QImage &canvas, const QString &path, Format format, bool *replaced)
{
    if (replaced)
        *replaced = false;
    QImage picture;
    if (canvas.isNull())
        picture = canvas;
    else if (format == Format::Jpeg)
        picture = flattenedOnWhite(canvas);
    else if (isOpaque(canvas))
        picture = canvas.convertToFormat(QImage::Format_RGB32); // a smaller RGB file, same pixels
    else
        picture = canvas;
    if (!canvas.isNull() && picture.isNull())
        return tr("there is not enough memory to save it");

    const auto encode = [&](QIODevice &device, QString &error) {
        QImageWriter writer(&device, formatName(format));
        if (format == Format::Jpeg) {
            writer.setQuality(100);
            writer.setProgressiveScanWrite(true);
            writer.setOptimizedWrite(true);
        }
        if (writer.write(picture))
            return true;
        error = atomicfile::describeError(writer.errorString());
        return false;
    };
    return atomicfile::writeFile(path, encode, replaced);
}

std::optional<Format> formatForPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return Format::Png;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")
        || suffix == QLatin1String("jpe"))
        return Format::Jpeg;
    return std::nullopt;
}

QByteArray formatName(Format format)
{
    return format == Format::Jpeg ? QByteArrayLiteral("jpeg") : QByteArrayLiteral("png");
}

QString defaultSuffix(Format format)
{
    return format == Format::Jpeg ? QStringLiteral("jpg") : QStringLiteral("png");
}

QStringList openNameFilters()
{
    QStringList patterns;
    for (const QByteArray &suffix : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(suffix);
    patterns.removeDuplicates();
    return { tr("Images (%1)").arg(patterns.join(QLatin1Char(' '))), tr("All files (*)") };
}

QString nameFilter(Format format)
{
    return format == Format::Jpeg ? tr("JPEG image (*.jpg *.jpeg)") : tr("PNG image (*.png)");
}

std::optional<Format> formatForNameFilter(const QString &filter)
{
    for (const Format format : { Format::Png, Format::Jpeg }) {
        if (filter == nameFilter(format))
            return format;
    }
    return std::nullopt;
}

} // namespace pennova::imagefile
