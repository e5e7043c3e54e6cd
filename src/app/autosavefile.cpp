#include "app/autosavefile.h"

#include "canvas/atomicfile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <png.h>
#include <vector>
#include <zlib.h>

namespace pennova::autosavefile {

namespace {

    // Private chunk names: ancillary, private, safe to copy, so every PNG reader skips them.
    constexpr char kRecordChunk[5] = "pnRc";
    constexpr char kThumbnailChunk[5] = "pnTb";
    const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);
    // The chunks before the pixels are read from at most this much of the file's start.
    constexpr qint64 kMaxHeaderBytes = 1 << 20;

    QString tr(const char *text)
    {
        return QCoreApplication::translate("pennova::autosavefile", text);
    }

    // The state libpng's callbacks share: where the bytes go, and the first failure.
    struct PngOutput
    {
        QIODevice *device = nullptr;
        QString error;
    };

    void writeBytes(png_structp png, png_bytep data, png_size_t length)
    {
        auto *out = static_cast<PngOutput *>(png_get_io_ptr(png));
        if (out->device->write(reinterpret_cast<const char *>(data), qint64(length))
            != qint64(length))
            png_error(png, "write failed");
    }

    void flushNothing(png_structp) { }

    void pngError(png_structp png, png_const_charp message)
    {
        auto *out = static_cast<PngOutput *>(png_get_error_ptr(png));
        if (out->error.isEmpty())
            out->error = QString::fromUtf8(message);
        png_longjmp(png, 1);
    }

    void pngWarning(png_structp, png_const_charp) { }

    // A picture of at most kThumbnailSide pixels a side: each pixel the mean of 4 x 4 samples
    // spread over the canvas pixels it stands for.
    QImage thumbnailOf(const CanvasSnapshot &picture)
    {
        const int w = picture.width(), h = picture.height();
        if (w <= 0 || h <= 0)
            return QImage();
        const double scale = std::min(1.0, double(kThumbnailSide) / std::max(w, h));
        const int tw = std::max(1, int(w * scale)), th = std::max(1, int(h * scale));
        QImage thumb(tw, th, QImage::Format_ARGB32_Premultiplied);
        if (thumb.isNull())
            return thumb;
        const size_t width = size_t(w);
        std::vector<QRgb> row(width);
        std::vector<quint32> sums(size_t(tw) * 4);
        constexpr int kSamples = 4;
        for (int ty = 0; ty < th; ++ty) {
            std::fill(sums.begin(), sums.end(), 0u);
            for (int sy = 0; sy < kSamples; ++sy) {
                const int y = std::min(h - 1, int((ty + (sy + 0.5) / kSamples) * h / th));
                picture.readRow(h - 1 - y, 0, w, row.data()); // canvas rows count from the bottom
                for (int tx = 0; tx < tw; ++tx) {
                    for (int sx = 0; sx < kSamples; ++sx) {
                        const int x = std::min(w - 1, int((tx + (sx + 0.5) / kSamples) * w / tw));
                        const QRgb p = row[size_t(x)];
                        quint32 *s = &sums[size_t(tx) * 4];
                        s[0] += qAlpha(p);
                        s[1] += qRed(p);
                        s[2] += qGreen(p);
                        s[3] += qBlue(p);
                    }
                }
            }
            auto *out = reinterpret_cast<QRgb *>(thumb.scanLine(ty));
            constexpr int n = kSamples * kSamples;
            for (int tx = 0; tx < tw; ++tx) {
                const quint32 *s = &sums[size_t(tx) * 4];
                out[tx] = qRgba(int(s[1] / n), int(s[2] / n), int(s[3] / n), int(s[0] / n));
            }
        }
        return thumb;
    }

    QByteArray pngBytes(const QImage &image)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        return writer.write(image) ? bytes : QByteArray();
    }

    QByteArray recordBytes(const Record &record)
    {
        QJsonObject object;
        object[QStringLiteral("path")] = record.documentPath;
        object[QStringLiteral("title")] = record.title;
        object[QStringLiteral("time")] = record.time.toUTC().toString(Qt::ISODateWithMs);
        object[QStringLiteral("width")] = record.canvasSize.width();
        object[QStringLiteral("height")] = record.canvasSize.height();
        return QJsonDocument(object).toJson(QJsonDocument::Compact);
    }

    // Encodes the picture into `device`. Every C++ object lives in this frame, made before the
    // jump point, so that libpng's jump back on an error skips no destructor.
    bool encode(QIODevice &device, const CanvasSnapshot &picture, const QByteArray &record,
        const QByteArray &thumbnail, QString &error)
    {
        const int w = picture.width(), h = picture.height();
        PngOutput out;
        out.device = &device;
        std::vector<QRgb> words(size_t(std::max(w, 1)));
        std::vector<png_byte> bytes(size_t(std::max(w, 1)) * 4);
        png_unknown_chunk chunks[2] = {};
        std::memcpy(chunks[0].name, kRecordChunk, 5);
        chunks[0].data = reinterpret_cast<png_bytep>(const_cast<char *>(record.constData()));
        chunks[0].size = size_t(record.size());
        chunks[0].location = PNG_HAVE_IHDR;
        std::memcpy(chunks[1].name, kThumbnailChunk, 5);
        chunks[1].data = reinterpret_cast<png_bytep>(const_cast<char *>(thumbnail.constData()));
        chunks[1].size = size_t(thumbnail.size());
        chunks[1].location = PNG_HAVE_IHDR;

        png_structp png
            = png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, pngError, pngWarning);
        png_infop info = png ? png_create_info_struct(png) : nullptr;
        if (!info) {
            png_destroy_write_struct(&png, nullptr);
            error = tr("there is not enough memory to write it");
            return false;
        }
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            // The device's own reason (a full disk) is reported by the caller when it has one.
            error = out.error;
            return false;
        }
        png_set_write_fn(png, &out, writeBytes, flushNothing);
        // Fast over small: an autosave is written every few seconds of work and read rarely.
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB_ALPHA,
            PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
        png_set_unknown_chunks(png, info, chunks, thumbnail.isEmpty() ? 1 : 2);
        png_write_info(png, info);
        for (int row = 0; row < h; ++row) {
            // Canvas rows count from the bottom; the file's from the top.
            picture.readRow(h - 1 - row, 0, w, words.data());
            for (int x = 0; x < w; ++x) {
                const QRgb p = qUnpremultiply(words[size_t(x)]);
                png_bytep b = &bytes[size_t(x) * 4];
                b[0] = png_byte(qRed(p));
                b[1] = png_byte(qGreen(p));
                b[2] = png_byte(qBlue(p));
                b[3] = png_byte(qAlpha(p));
            }
            png_write_row(png, bytes.data());
        }
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        return true;
    }

    // The picture in `bytes` when it is a PNG no larger than a thumbnail, checked before decoding.
    QImage smallPicture(const QByteArray &bytes)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        const QSize size = reader.size();
        if (!size.isValid() || size.width() > kThumbnailSide || size.height() > kThumbnailSide)
            return QImage();
        return reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    std::optional<Record> parseRecord(const QByteArray &bytes)
    {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
        if (parseError.error != QJsonParseError::NoError || !document.isObject())
            return std::nullopt;
        const QJsonObject object = document.object();
        Record record;
        record.documentPath = object.value(QStringLiteral("path")).toString();
        record.title = object.value(QStringLiteral("title")).toString();
        record.time = QDateTime::fromString(
            object.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
        record.canvasSize = QSize(object.value(QStringLiteral("width")).toInt(-1),
            object.value(QStringLiteral("height")).toInt(-1));
        if (!record.time.isValid() || record.canvasSize.isEmpty())
            return std::nullopt;
        return record;
    }

} // namespace

QString write(const QString &path, const CanvasSnapshot &picture, const Record &record)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return tr("there is no picture to keep");
    const QByteArray recordData = recordBytes(record);
    const QByteArray thumbnail = pngBytes(thumbnailOf(picture));
    return atomicfile::writeFile(path, [&](QIODevice &device, QString &error) {
        return encode(device, picture, recordData, thumbnail, error);
    });
}

std::optional<Header> parseHeader(const QByteArray &bytes, QString *error)
{
    const auto fail = [error](const QString &why) -> std::optional<Header> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!bytes.startsWith(kSignature))
        return fail(tr("it is not an autosave file"));
    std::optional<Record> record;
    QImage thumbnail;
    qsizetype pos = kSignature.size();
    while (pos + 12 <= bytes.size()) {
        const quint32 length = qFromBigEndian<quint32>(bytes.constData() + pos);
        const QByteArray type = bytes.mid(pos + 4, 4);
        if (length > quint32(bytes.size() - pos - 12))
            break;
        const QByteArray body = bytes.mid(pos + 4, qsizetype(length) + 4); // type and data
        const quint32 crc = qFromBigEndian<quint32>(bytes.constData() + pos + 8 + length);
        if (crc
            != quint32(
                ::crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))))
            return fail(tr("the autosave file is damaged"));
        const QByteArray data = body.mid(4);
        if (type == kRecordChunk)
            record = parseRecord(data);
        else if (type == kThumbnailChunk)
            thumbnail = smallPicture(data);
        else if (type == "IDAT")
            break;
        pos += 12 + qsizetype(length);
    }
    if (!record)
        return fail(tr("the autosave file is damaged or was not made by Pennova"));
    return Header { *record, thumbnail };
}

std::optional<Header> readHeader(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = atomicfile::describeError(file.errorString());
        return std::nullopt;
    }
    return parseHeader(file.read(kMaxHeaderBytes), error);
}

} // namespace pennova::autosavefile
