#include "canvas/clipboardimage.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>

namespace pennova::clipboard {

namespace {

    const QString kTiffType = QStringLiteral("image/tiff");

    QByteArray tiffBytes(const QImage &image)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "tiff");
        if (!writer.write(image))
            return QByteArray();
        return bytes;
    }

    QImage imageFromBytes(const QByteArray &bytes)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        return QImageReader(&buffer).read();
    }

} // namespace

QMimeData *mimeDataForImage(const QImage &image)
{
    auto *mime = new QMimeData;
    mime->setData(kTiffType, tiffBytes(image));
    mime->setImageData(image);
    return mime;
}

QImage imageFromMime(const QMimeData *mime)
{
    if (!mime)
        return QImage();
    if (mime->hasFormat(kTiffType)) {
        const QImage tiff = imageFromBytes(mime->data(kTiffType));
        if (!tiff.isNull())
            return tiff;
    }
    if (mime->hasImage()) {
        const QImage image = qvariant_cast<QImage>(mime->imageData());
        if (!image.isNull())
            return image;
    }
    for (const QString &format : mime->formats()) {
        if (!format.startsWith(QLatin1String("image/")))
            continue;
        const QImage image = imageFromBytes(mime->data(format));
        if (!image.isNull())
            return image;
    }
    return QImage();
}

} // namespace pennova::clipboard
