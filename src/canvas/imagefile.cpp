#include "canvas/imagefile.h"

#include "canvas/canvassurface.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <algorithm>
#include <mutex>

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

    // Qt's error texts start with a capital and end without a full stop; ours are set into a
    // sentence.
    QString lowerFirst(QString text)
    {
        if (text.size() > 1 && text.at(0).isUpper() && !text.at(1).isUpper())
            text[0] = text.at(0).toLower();
        return text;
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
    const qint64 limitBytes = qint64(raiseAllocationLimit()) * 1024 * 1024;
    ReadResult result;
    const QFileInfo info(path);
    if (!info.exists())
        return { {}, {}, tr("the file does not exist") };
    if (info.isDir())
        return { {}, {}, tr("it is a folder, not an image file") };
    if (info.size() == 0)
        return { {}, {}, tr("the file is empty") };

    QImageReader reader(path);
    // Photographs are opened upright, as image viewers show them; the saved file then needs no
    // orientation tag.
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return { {}, {}, lowerFirst(reader.errorString()) };
    result.format = reader.format();

    // Refuse what cannot become a canvas before decoding anything: the side limit, and the
    // canvas's 4 bytes per pixel against the allocation limit.
    const QSize size = reader.size();
    if (size.isValid()) {
        const qint64 bytes = qint64(size.width()) * size.height() * 4;
        if (size.width() > kMaxSide || size.height() > kMaxSide || bytes > limitBytes)
            return { {}, result.format, tooLargeMessage(size) };
    }

    QImage image;
    if (!reader.read(&image)) {
        // Decoders of 16-bit images use up to 8 bytes a pixel; Qt reports their refusal only as
        // unreadable data.
        if (size.isValid() && qint64(size.width()) * size.height() * 8 > limitBytes)
            return { {}, result.format, tooLargeMessage(size) };
        return { {}, result.format, lowerFirst(reader.errorString()) };
    }
    // The pixel grid is the picture; the file's dots per inch only say how large it prints.
    image.setDotsPerMeterX(0);
    image.setDotsPerMeterY(0);
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied)
        return { {}, result.format, tr("there is not enough memory to open it") };
    result.image = std::move(image);
    return result;
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

QString writeImage(const QImage &canvas, const QString &path, Format format)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return lowerFirst(file.errorString());

    QImage picture;
    if (canvas.isNull())
        picture = canvas;
    else if (format == Format::Jpeg)
        picture = flattenedOnWhite(canvas);
    else if (isOpaque(canvas))
        picture = canvas.convertToFormat(QImage::Format_RGB32); // a smaller RGB file, same pixels
    else
        picture = canvas;
    if (!canvas.isNull() && picture.isNull()) {
        file.cancelWriting();
        return tr("there is not enough memory to save it");
    }

    QImageWriter writer(&file, formatName(format));
    if (format == Format::Jpeg) {
        writer.setQuality(100);
        writer.setProgressiveScanWrite(true);
        writer.setOptimizedWrite(true);
    }
    if (!writer.write(picture)) {
        file.cancelWriting();
        return lowerFirst(writer.errorString());
    }
    if (!file.commit())
        return lowerFirst(file.errorString());
    return QString();
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
