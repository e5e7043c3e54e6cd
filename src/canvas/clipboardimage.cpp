#include "canvas/clipboardimage.h"

#include <QBuffer>
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

} // namespace

QMimeData *mimeDataForImage(const QImage &image)
{
    auto *mime = new QMimeData;
    mime->setData(kTiffType, tiffBytes(image));
    mime->setImageData(image);
    return mime;
}

imagefile::ReadResult imageFromMime(const QMimeData *mime, const imagefile::ReadOptions &options)
{
    if (!mime)
        return {};
    QStringList types;
    for (const QString &type : mime->formats()) {
        if (type.startsWith(QLatin1String("image/")))
            types << type;
    }
    if (types.removeAll(kTiffType) > 0)
        types.prepend(kTiffType);
    // The first type a reader knows decides: its picture, or why it was refused (the others are
    // the same picture). Types no reader knows are passed over.
    imagefile::ReadResult unknown;
    for (const QString &type : std::as_const(types)) {
        imagefile::ReadResult read = imagefile::readImageData(mime->data(type), options);
        if (read.ok() || read.cancelled || !read.format.isEmpty())
            return read;
        if (unknown.error.isEmpty())
            unknown = std::move(read);
    }
    // A picture offered as decoded pixels, as programs in this process put it there. (Offered
    // image types were read above: where one was known, its answer stands, since Qt's own
    // decoding of it here would skip the size limit.)
    if (mime->hasImage())
        return imagefile::fromDecodedImage(qvariant_cast<QImage>(mime->imageData()));
    return unknown;
}

std::unique_ptr<QMimeData> imageCopy(const QMimeData *mime)
{
    auto copy = std::make_unique<QMimeData>();
    if (!mime)
        return copy;
    for (const QString &type : mime->formats()) {
        if (type.startsWith(QLatin1String("image/")))
            copy->setData(type, mime->data(type));
    }
    if (mime->hasImage())
        copy->setImageData(mime->imageData());
    return copy;
}

} // namespace pennova::clipboard
