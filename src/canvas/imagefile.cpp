#include "canvas/imagefile.h"

#include "canvas/atomicfile.h"
#include "canvas/canvassurface.h"

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

    // The decoded picture in the canvas format. The pixel grid is the picture; the file's dots
    // per inch only say how large it prints.
    ReadResult toCanvasFormat(QImage image, const QByteArray &format)
    {
        image.setDotsPerMeterX(0);
        image.setDotsPerMeterY(0);
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
        if (image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied)
            return { {}, format, tr("there is not enough memory to open it") };
        return { std::move(image), format, {} };
    }

    ReadResult readFrom(QImageReader &reader)
    {
        // Photographs are opened upright, as image viewers show them; the saved file then needs
        // no orientation tag.
        reader.setAutoTransform(true);
        if (!reader.canRead())
            return { {}, {}, atomicfile::describeError(reader.errorString()) };
        const QByteArray format = reader.format();

        // Refuse what cannot become a canvas before decoding anything.
        const QSize size = reader.size();
        if (size.isValid() && !fitsCanvas(size, 4))
            return { {}, format, tooLargeMessage(size) };

        QImage image;
        if (!reader.read(&image)) {
            // Decoders of 16-bit images use up to 8 bytes a pixel; Qt reports their refusal only
            // as unreadable data.
            if (size.isValid() && !fitsCanvas(size, 8))
                return { {}, format, tooLargeMessage(size) };
            return { {}, format, atomicfile::describeError(reader.errorString()) };
        }
        return toCanvasFormat(std::move(image), format);
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

ReadResult readImage(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return { {}, {}, tr("the file does not exist") };
    if (info.isDir())
        return { {}, {}, tr("it is a folder, not an image file") };
    if (!info.isFile())
        return { {}, {}, notRegularMessage() };
    if (info.size() == 0)
        return { {}, {}, tr("the file is empty") };

    // Opened without waiting and checked again once open, so that a pipe put in the file's
    // place in the meantime is never waited on.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return { {}, {}, atomicfile::describeError(QString::fromLocal8Bit(std::strerror(errno))) };
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return { {}, {}, notRegularMessage() };
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return { {}, {}, atomicfile::describeError(file.errorString()) };
    }
    QImageReader reader(&file);
    if (!reader.canRead()) {
        // Some types (TGA, for one) are known only by their extension, not by their first bytes.
        const QByteArray suffix = info.suffix().toLower().toLatin1();
        if (QImageReader::supportedImageFormats().contains(suffix) && file.seek(0)) {
            QImageReader bySuffix(&file, suffix);
            if (bySuffix.canRead())
                return readFrom(bySuffix);
        }
        file.seek(0);
    }
    return readFrom(reader);
}

ReadResult readImageData(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return { {}, {}, tr("the image data is empty") };
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readFrom(reader);
}

ReadResult fromDecodedImage(const QImage &image)
{
    if (image.isNull())
        return { {}, {}, tr("there is no image") };
    if (!fitsCanvas(image.size(), 4))
        return { {}, {}, tooLargeMessage(image.size()) };
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
