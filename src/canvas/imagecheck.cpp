#include "canvas/imagecheck.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

namespace pennova::imagecheck {

namespace {

    // Sides beyond this are reported as they are, and refused by the caller's side limit.
    constexpr qint64 kMaxReportedSide = 1 << 30;

    // Reads exactly `count` bytes at `offset`; empty when the device holds fewer.
    QByteArray bytesAt(QIODevice &device, qint64 offset, qint64 count)
    {
        if (offset < 0 || count < 0 || offset + count > device.size() || !device.seek(offset))
            return QByteArray();
        QByteArray bytes = device.read(count);
        return bytes.size() == count ? bytes : QByteArray();
    }

    // Reads a device byte by byte through a window of its own, for walks over a whole file.
    class ByteCursor
    {
    public:
        explicit ByteCursor(QIODevice &device)
            : m_device(device)
        { }

        // The byte at `offset`, or -1 past the end.
        int at(qint64 offset)
        {
            if (offset < m_start || offset >= m_start + m_window.size()) {
                m_start = offset;
                m_window = m_device.seek(offset) ? m_device.read(kWindow) : QByteArray();
                if (m_window.isEmpty())
                    return -1;
            }
            return quint8(m_window[offset - m_start]);
        }

    private:
        static constexpr qint64 kWindow = 64 * 1024;
        QIODevice &m_device;
        QByteArray m_window;
        qint64 m_start = 0;
    };

    quint32 le32(const QByteArray &b, int at)
    {
        return qFromLittleEndian<quint32>(b.constData() + at);
    }
    quint16 le16(const QByteArray &b, int at)
    {
        return qFromLittleEndian<quint16>(b.constData() + at);
    }
    quint16 be16(const QByteArray &b, int at)
    {
        return qFromBigEndian<quint16>(b.constData() + at);
    }

    // Deflate codes at most 258 bytes in two bits: no zlib stream is smaller than 1/1032 of its
    // data.
    bool pngTruncated(QIODevice &device, const QSize &size)
    {
        const QByteArray ihdr = bytesAt(device, 16, 10);
        if (ihdr.isEmpty())
            return false;
        const int depth = quint8(ihdr[8]);
        static const int kChannels[] = { 1, 0, 3, 1, 2, 0, 4 };
        const int colourType = quint8(ihdr[9]);
        if (colourType > 6 || kChannels[colourType] == 0 || depth == 0)
            return false;
        const double pixelBytes
            = double(size.width()) * size.height() * depth * kChannels[colourType] / 8.0;
        return double(device.size()) < pixelBytes / 1032.0;
    }

    // A Huffman-coded JPEG spends at least one bit on every 8 x 8 block of its full-size
    // component (the DC code). Arithmetic coding has no such floor.
    bool jpegTruncated(QIODevice &device, const QSize &size)
    {
        qint64 pos = 2;
        for (int segments = 0; segments < 1000; ++segments) {
            const QByteArray head = bytesAt(device, pos, 4);
            if (head.isEmpty() || quint8(head[0]) != 0xFF)
                return false;
            const int marker = quint8(head[1]);
            if (marker == 0xFF) { // fill byte
                ++pos;
                continue;
            }
            if (marker == 0xDA || marker == 0xD9)
                return false; // scan data before any frame header
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
                && marker != 0xCC;
            if (frame) {
                const bool arithmetic = marker >= 0xC9;
                if (arithmetic)
                    return false;
                const double blocks
                    = std::ceil(size.width() / 8.0) * std::ceil(size.height() / 8.0);
                return double(device.size()) < blocks / 8.0;
            }
            pos += 2 + be16(head, 2);
        }
        return false;
    }

    // Walks the blocks up to the end of the first picture's data.
    bool gifTruncated(QIODevice &device)
    {
        ByteCursor bytes(device);
        if (bytes.at(12) < 0)
            return true;
        qint64 pos = 13;
        if (bytes.at(10) & 0x80)
            pos += 3 << ((bytes.at(10) & 7) + 1);
        // Data sub-blocks: a length byte, that many bytes, up to a length of 0.
        const auto skipSubBlocks = [&bytes, &pos]() {
            for (;;) {
                const int length = bytes.at(pos);
                if (length < 0)
                    return false;
                pos += 1 + length;
                if (length == 0)
                    return true;
            }
        };
        for (;;) {
            switch (bytes.at(pos)) {
            case -1:
                return true;
            case 0x21: // extension: label, then sub-blocks
                pos += 2;
                if (!skipSubBlocks())
                    return true;
                break;
            case 0x2C: { // image descriptor, local colour table, code size, data sub-blocks
                const int packed = bytes.at(pos + 9);
                if (packed < 0)
                    return true;
                pos += 10;
                if (packed & 0x80)
                    pos += 3 << ((packed & 7) + 1);
                pos += 1;
                return !skipSubBlocks();
            }
            default: // the trailer, or something no reader takes for a picture
                return false;
            }
        }
    }

    // Whether the run-length codes end (with the end code, or the last row) within the file.
    bool bmpRunsTruncated(QIODevice &device, qint64 offset, qint64 height, bool fourBit)
    {
        ByteCursor bytes(device);
        qint64 i = offset;
        qint64 row = 0;
        while (row < height) {
            const int count = bytes.at(i), code = bytes.at(i + 1);
            if (code < 0)
                return true;
            i += 2;
            if (count > 0)
                continue; // a run of one value
            if (code == 0) {
                ++row;
            } else if (code == 1) {
                return false;
            } else if (code == 2) { // a jump right and up
                const int up = bytes.at(i + 1);
                if (up < 0)
                    return true;
                row += up;
                i += 2;
            } else { // `code` literal pixels, padded to a whole number of 16-bit words
                const qint64 literal = fourBit ? (code + 1) / 2 : code;
                i += literal + (literal & 1);
            }
        }
        return false;
    }

    bool bmpTruncated(QIODevice &device)
    {
        const QByteArray header = bytesAt(device, 0, 34);
        if (header.isEmpty())
            return false;
        const qint64 offset = le32(header, 10);
        const quint32 infoSize = le32(header, 14);
        qint64 width, height;
        int bits;
        quint32 compression = 0;
        if (infoSize == 12) {
            width = le16(header, 18);
            height = le16(header, 20);
            bits = le16(header, 24);
        } else if (infoSize >= 40) {
            width = qint32(le32(header, 18));
            height = qint32(le32(header, 22));
            bits = le16(header, 28);
            compression = le32(header, 30);
        } else {
            return false;
        }
        height = std::abs(height);
        if (width <= 0 || height <= 0 || offset >= device.size())
            return offset >= device.size();
        if (compression == 0 || compression == 3) {
            const double rowBytes = std::floor((double(width) * bits + 31) / 32) * 4;
            return double(device.size()) < double(offset) + rowBytes * double(height);
        }
        if (compression == 1 || compression == 2)
            return bmpRunsTruncated(device, offset, height, compression == 2);
        return false;
    }

    // The end of the strips (or tiles) the first directory lists, or none when it cannot tell.
    std::optional<qint64> tiffDataEnd(QIODevice &device)
    {
        const QByteArray header = bytesAt(device, 0, 8);
        if (header.isEmpty())
            return std::nullopt;
        const bool little = header.startsWith("II");
        if (!little && !header.startsWith("MM"))
            return std::nullopt;
        const auto u16 = [little](const QByteArray &b, qint64 at) -> quint32 {
            return little ? qFromLittleEndian<quint16>(b.constData() + at)
                          : qFromBigEndian<quint16>(b.constData() + at);
        };
        const auto u32 = [little](const QByteArray &b, qint64 at) -> quint32 {
            return little ? qFromLittleEndian<quint32>(b.constData() + at)
                          : qFromBigEndian<quint32>(b.constData() + at);
        };
        if (u16(header, 2) != 42) // BigTIFF and the rest are not looked into
            return std::nullopt;
        const qint64 directory = u32(header, 4);
        const QByteArray countBytes = bytesAt(device, directory, 2);
        if (countBytes.isEmpty())
            return std::nullopt;
        const int entries = int(u16(countBytes, 0));
        const QByteArray table = bytesAt(device, directory + 2, qint64(entries) * 12);
        if (table.isEmpty())
            return std::nullopt;

        // Values too long for their entry (strip tables, the colour map) lie elsewhere in the
        // file; one that lies past its end shows the file cut short before it.
        qint64 arraysEnd = 0;
        for (int e = 0; e < entries; ++e) {
            static const int kTypeBytes[] = { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8 };
            const quint32 type = u16(table, e * 12 + 2);
            const qint64 bytes = type < 13 ? qint64(kTypeBytes[type]) * u32(table, e * 12 + 4) : 0;
            if (bytes > 4)
                arraysEnd = std::max(arraysEnd, u32(table, e * 12 + 8) + bytes);
        }
        // The values of a SHORT or LONG array tag.
        const auto values = [&](quint32 tag) -> std::optional<std::vector<qint64>> {
            for (int e = 0; e < entries; ++e) {
                const int at = e * 12;
                if (u16(table, at) != tag)
                    continue;
                const quint32 type = u16(table, at + 2), count = u32(table, at + 4);
                const int width = type == 3 ? 2 : type == 4 ? 4 : 0;
                if (width == 0 || count == 0 || count > (1u << 22))
                    return std::nullopt;
                QByteArray data = table.mid(at + 8, 4);
                if (qint64(count) * width > 4)
                    data = bytesAt(device, u32(table, at + 8), qint64(count) * width);
                if (data.isEmpty())
                    return std::nullopt;
                std::vector<qint64> out(count);
                for (quint32 i = 0; i < count; ++i)
                    out[i] = width == 2 ? u16(data, i * 2) : u32(data, i * 4);
                return out;
            }
            return std::nullopt;
        };
        auto offsets = values(273), counts = values(279); // strips
        if (!offsets || !counts) {
            offsets = values(324); // tiles
            counts = values(325);
        }
        if (arraysEnd > device.size())
            return arraysEnd;
        if (!offsets || !counts || offsets->size() != counts->size())
            return std::nullopt;
        qint64 end = 0;
        for (size_t i = 0; i < offsets->size(); ++i)
            end = std::max(end, (*offsets)[i] + (*counts)[i]);
        return end;
    }

    // The numbers of a PNM header ("P6 640 480 255") and where its pixels start.
    struct PnmHeader
    {
        int kind = 0; // 1..6
        std::vector<qint64> numbers;
        qint64 dataStart = 0;
    };

    std::optional<PnmHeader> pnmHeader(QIODevice &device)
    {
        const QByteArray head = bytesAt(device, 0, std::min<qint64>(device.size(), 1024));
        if (head.size() < 3 || head[0] != 'P' || head[1] < '1' || head[1] > '6')
            return std::nullopt;
        PnmHeader header;
        header.kind = head[1] - '0';
        const int wanted = header.kind == 1 || header.kind == 4 ? 2 : 3;
        int i = 2;
        while (int(header.numbers.size()) < wanted) {
            while (i < head.size() && (std::isspace(quint8(head[i])) || head[i] == '#')) {
                if (head[i] == '#') {
                    while (i < head.size() && head[i] != '\n')
                        ++i;
                }
                ++i;
            }
            qint64 value = 0;
            int digits = 0;
            while (i < head.size() && std::isdigit(quint8(head[i])) && digits < 12) {
                value = value * 10 + (head[i++] - '0');
                ++digits;
            }
            if (digits == 0)
                return std::nullopt;
            header.numbers.push_back(value);
        }
        header.dataStart = i + 1; // one white-space character ends the header
        return header;
    }

    bool pnmTruncated(QIODevice &device)
    {
        const std::optional<PnmHeader> header = pnmHeader(device);
        if (!header)
            return false;
        // In floating point: the header's numbers may be as long as it likes.
        const double w = double(header->numbers[0]), h = double(header->numbers[1]);
        const double sampleBytes = header->numbers.size() > 2 && header->numbers[2] > 255 ? 2 : 1;
        double data = 0;
        switch (header->kind) {
        case 4:
            data = std::ceil(w / 8) * h;
            break;
        case 5:
            data = w * h * sampleBytes;
            break;
        case 6:
            data = w * h * 3 * sampleBytes;
            break;
        default: // plain text: at least one digit and one space a sample
            data = w * h * (header->kind == 3 ? 3 : 1) * (header->kind == 1 ? 1 : 2);
            break;
        }
        return double(device.size()) < double(header->dataStart) + data;
    }

    // TGA: uncompressed pixels fill the file; run-length packets hold at most 128 pixels each.
    bool tgaTruncated(QIODevice &device)
    {
        const QByteArray h = bytesAt(device, 0, 18);
        if (h.isEmpty())
            return false;
        const int type = quint8(h[2]);
        const qint64 colourMap = qint64(le16(h, 5)) * ((quint8(h[7]) + 7) / 8);
        const qint64 pixels = qint64(le16(h, 12)) * le16(h, 14);
        const qint64 pixelBytes = (quint8(h[16]) + 7) / 8;
        const qint64 start = 18 + quint8(h[0]) + colourMap;
        if (type >= 1 && type <= 3)
            return device.size() < start + pixels * pixelBytes;
        if (type >= 9 && type <= 11)
            return device.size() < start + (pixels + 127) / 128 * (1 + pixelBytes);
        return false;
    }

    // WBMP: a type, a header byte, then width and height as multi-byte integers.
    std::optional<QSize> wbmpSize(QIODevice &device, qint64 *dataStart)
    {
        const QByteArray h = bytesAt(device, 0, std::min<qint64>(device.size(), 16));
        if (h.size() < 4 || h[0] != 0)
            return std::nullopt;
        int i = 2;
        qint64 sides[2] = {};
        for (qint64 &side : sides) {
            for (int n = 0;; ++n) {
                if (i >= h.size() || n > 4)
                    return std::nullopt;
                const int b = quint8(h[i++]);
                side = (side << 7) | (b & 0x7F);
                if (!(b & 0x80))
                    break;
            }
        }
        if (sides[0] > kMaxReportedSide || sides[1] > kMaxReportedSide)
            return std::nullopt;
        *dataStart = i;
        return QSize(int(sides[0]), int(sides[1]));
    }

    // The width and height an XBM file defines.
    std::optional<QSize> xbmSize(QIODevice &device)
    {
        const QByteArray head = bytesAt(device, 0, std::min<qint64>(device.size(), 1024));
        qint64 w = -1, h = -1;
        for (const QByteArray &line : head.split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words.size() != 3 || words[0] != "#define")
                continue;
            bool ok = false;
            const qint64 value = words[2].toLongLong(&ok);
            if (ok && words[1].endsWith("_width"))
                w = value;
            else if (ok && words[1].endsWith("_height"))
                h = value;
        }
        if (w < 0 || h < 0 || w > kMaxReportedSide || h > kMaxReportedSide)
            return std::nullopt;
        return QSize(int(w), int(h));
    }

} // namespace

std::optional<QSize> headerSize(const QByteArray &format, QIODevice &device)
{
    std::optional<QSize> size;
    if (format == "gif") {
        const QByteArray h = bytesAt(device, 0, 10);
        if (!h.isEmpty())
            size = QSize(le16(h, 6), le16(h, 8));
    } else if (format == "bmp") {
        const QByteArray h = bytesAt(device, 0, 26);
        if (!h.isEmpty() && le32(h, 14) >= 40) {
            const qint64 w = qint32(le32(h, 18)), hh = std::abs(qint64(qint32(le32(h, 22))));
            if (w >= 0 && w <= kMaxReportedSide && hh <= kMaxReportedSide)
                size = QSize(int(w), int(hh));
        }
    } else if (format == "tga") {
        const QByteArray h = bytesAt(device, 0, 18);
        if (!h.isEmpty())
            size = QSize(le16(h, 12), le16(h, 14));
    } else if (format == "wbmp") {
        qint64 start = 0;
        size = wbmpSize(device, &start);
    } else if (format == "xbm") {
        size = xbmSize(device);
    }
    device.seek(0);
    return size;
}

bool isTruncated(const QByteArray &format, QIODevice &device, const QSize &size)
{
    bool truncated = false;
    if (format == "png" && size.isValid())
        truncated = pngTruncated(device, size);
    else if ((format == "jpeg" || format == "jpg") && size.isValid())
        truncated = jpegTruncated(device, size);
    else if (format == "gif")
        truncated = gifTruncated(device);
    else if (format == "bmp")
        truncated = bmpTruncated(device);
    else if (format == "pbm" || format == "pgm" || format == "ppm")
        truncated = pnmTruncated(device);
    else if (format == "tga")
        truncated = tgaTruncated(device);
    else if (format == "wbmp") {
        qint64 start = 0;
        if (const std::optional<QSize> s = wbmpSize(device, &start))
            truncated = device.size() < start + qint64(s->width() + 7) / 8 * s->height();
    } else if (format == "xbm" && size.isValid()) {
        // "0x00," for every byte of the bitmap
        truncated = device.size() < qint64(size.width() + 7) / 8 * size.height() * 4;
    } else if (format == "xpm" && size.isValid()) {
        truncated = device.size() < qint64(size.width()) * size.height();
    } else if (format == "tiff" || format == "tif") {
        const std::optional<qint64> end = tiffDataEnd(device);
        truncated = end && *end > device.size();
    }
    device.seek(0);
    return truncated;
}

} // namespace pennova::imagecheck
