#include "canvas/canvassurface.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace pennova {

qint64 CanvasSurface::physicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return qint64(pages) * qint64(pageSize);
}

CanvasSurface::CanvasSurface()
{
    startStore(QImage());
}

void CanvasSurface::startStore(QImage image)
{
    auto store = std::make_shared<detail::TileStore>();
    store->image = std::move(image);
    store->tilesX
        = (store->image.width() + CanvasSnapshot::kTileSize - 1) / CanvasSnapshot::kTileSize;
    store->tilesY
        = (store->image.height() + CanvasSnapshot::kTileSize - 1) / CanvasSnapshot::kTileSize;
    store->pending.assign(size_t(store->tilesX) * size_t(store->tilesY), 0);
    m_store = std::move(store);
    m_half = QImage();
    m_halfStale.clear();
}

CanvasSnapshot CanvasSurface::snapshot()
{
    auto state = std::make_shared<detail::SnapshotState>();
    state->store = m_store;
    {
        const std::lock_guard<std::mutex> lock(m_store->mutex);
        m_store->live.push_back(state.get());
    }
    std::fill(m_store->pending.begin(), m_store->pending.end(), uint8_t(1));
    return CanvasSnapshot(std::move(state));
}

void CanvasSurface::detachForWriting()
{
    if (m_store->image.isDetached())
        return;
    const std::lock_guard<std::mutex> lock(m_store->mutex);
    m_store->image.bits(); // a deep copy while the data is shared
}

void CanvasSurface::prepareWrite(const QRect &canvasRect)
{
    const QRect r = canvasRect.intersected(bounds());
    if (r.isEmpty())
        return;
    detachForWriting();
    detail::TileStore &store = *m_store;
    constexpr int kTile = CanvasSnapshot::kTileSize;
    std::unique_lock<std::mutex> lock(store.mutex, std::defer_lock);
    for (int ty = r.top() / kTile; ty <= r.bottom() / kTile; ++ty) {
        for (int tx = r.left() / kTile; tx <= r.right() / kTile; ++tx) {
            const int index = ty * store.tilesX + tx;
            if (!m_halfStale.empty())
                m_halfStale[size_t(index)] = 1;
            if (!store.pending[size_t(index)])
                continue;
            store.pending[size_t(index)] = 0;
            if (!lock.owns_lock())
                lock.lock();
            // One copy, shared by every live snapshot that has none of this tile yet.
            detail::TileCopy *copy = nullptr;
            for (detail::SnapshotState *snapshot : store.live) {
                if (snapshot->tiles.count(index))
                    continue;
                if (!copy)
                    copy = store.copyTile(index);
                snapshot->tiles.emplace(index, copy);
                ++copy->users;
            }
        }
    }
}

bool CanvasSurface::newImageWithSize(Size size)
{
    startStore(QImage());
    m_imgsize = size;
    const double w = std::trunc(double(size.width));
    const double h = std::trunc(double(size.height));
    if (!(w >= 1.0 && h >= 1.0)) {
        // A zero (or negative, or not-a-number) side cannot make a bitmap.
        qWarning("Could not create new image.");
        return false;
    }
    const double bytes = w * h * 4.0;
    const qint64 memory = physicalMemoryBytes();
    if (w > kMaxSide || h > kMaxSide || (memory > 0 && bytes > double(memory))) {
        qWarning("Could not allocate memory for new image.");
        return false;
    }
    QImage image(int(w), int(h), kFormat);
    if (image.isNull()) {
        qWarning("Could not allocate memory for new image.");
        return false;
    }
    image.fill(0xFFFFFFFFu);
    startStore(std::move(image));
    return true;
}

bool CanvasSurface::adoptImage(QImage image)
{
    if (image.isNull()) {
        startStore(QImage());
        m_imgsize = Size {};
        qWarning("Could not create new image.");
        return false;
    }
    if (image.width() > kMaxSide || image.height() > kMaxSide) {
        startStore(QImage());
        m_imgsize = Size {};
        qWarning("Could not allocate memory for new image.");
        return false;
    }
    if (image.format() != kFormat)
        image.convertTo(kFormat);
    if (image.format() != kFormat)
        image = QImage(); // the conversion found no memory
    startStore(std::move(image));
    if (this->image().isNull()) {
        m_imgsize = Size {};
        qWarning("Could not allocate memory for new image.");
        return false;
    }
    m_imgsize = Size { float(width()), float(height()) };
    // The picture may share its pixels with the caller's image: take a copy of our own now,
    // while the picture is being opened, rather than at the first press.
    detachForWriting();
    return true;
}

QRect CanvasSurface::storageRect(const QRect &canvasRect) const
{
    return QRect(canvasRect.x(), height() - canvasRect.y() - canvasRect.height(),
        canvasRect.width(), canvasRect.height());
}

QImage CanvasSurface::copyRegion(const QRect &canvasRect) const
{
    const QRect r = canvasRect.intersected(bounds());
    if (r.isEmpty())
        return QImage();
    return image().copy(storageRect(r));
}

void CanvasSurface::writeRegion(const QRect &canvasRect, const QImage &pixels)
{
    const QRect r = canvasRect.intersected(bounds());
    if (r.isEmpty() || pixels.isNull())
        return;
    prepareWrite(r);
    QImage &canvas = m_store->image;
    const QImage src = pixels.format() == kFormat ? pixels : pixels.convertToFormat(kFormat);
    // Offset of the clipped rectangle inside the given pixels (top row first).
    const int sx = r.x() - canvasRect.x();
    const int sy = (canvasRect.y() + canvasRect.height()) - (r.y() + r.height());
    const QRect target = storageRect(r);
    for (int j = 0; j < r.height(); ++j) {
        if (sy + j >= src.height())
            break;
        const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(sy + j)) + sx;
        QRgb *out = reinterpret_cast<QRgb *>(canvas.scanLine(target.y() + j)) + target.x();
        const int n = std::min(r.width(), src.width() - sx);
        std::copy(in, in + n, out);
    }
}

void CanvasSurface::fillRegion(const QRect &canvasRect, QRgb premultiplied)
{
    const QRect r = canvasRect.intersected(bounds());
    if (r.isEmpty())
        return;
    prepareWrite(r);
    QImage &canvas = m_store->image;
    const QRect target = storageRect(r);
    for (int j = 0; j < target.height(); ++j) {
        QRgb *out = reinterpret_cast<QRgb *>(canvas.scanLine(target.y() + j)) + target.x();
        std::fill(out, out + target.width(), premultiplied);
    }
}

const QImage &CanvasSurface::halfImage(const QRect &canvasRect)
{
    if (!isValid())
        return m_half;
    if (m_half.isNull()) {
        // Memory the system maps only as the tiles shown are made.
        m_half = QImage((width() + 1) / 2, (height() + 1) / 2, kFormat);
        if (m_half.isNull())
            return m_half;
        m_halfStale.assign(m_store->pending.size(), 1);
    }
    const QRect wanted = canvasRect.intersected(bounds());
    if (wanted.isEmpty())
        return m_half;
    const QImage &full = image();
    const int lastX = width() - 1, lastY = height() - 1;
    constexpr int kTile = CanvasSnapshot::kTileSize;
    for (int ty = wanted.top() / kTile; ty <= wanted.bottom() / kTile; ++ty) {
        for (int tx = wanted.left() / kTile; tx <= wanted.right() / kTile; ++tx) {
            const int index = ty * m_store->tilesX + tx;
            if (!m_halfStale[size_t(index)])
                continue;
            m_halfStale[size_t(index)] = 0;
            // The half pixels that read this tile's storage rows and columns.
            const QRect r = storageRect(m_store->tileRect(index));
            for (int hy = r.top() / 2; hy <= r.bottom() / 2; ++hy) {
                const auto *upper = reinterpret_cast<const QRgb *>(full.constScanLine(2 * hy));
                const auto *lower = reinterpret_cast<const QRgb *>(
                    full.constScanLine(std::min(2 * hy + 1, lastY)));
                auto *out = reinterpret_cast<QRgb *>(m_half.scanLine(hy));
                for (int hx = r.left() / 2; hx <= r.right() / 2; ++hx) {
                    const int x0 = 2 * hx, x1 = std::min(x0 + 1, lastX);
                    // Two channels at a time: four values of at most 255 fit in 16 bits.
                    const auto mean = [&](int shift) {
                        constexpr uint32_t kMask = 0x00FF00FFu;
                        const uint32_t sum = (upper[x0] >> shift & kMask)
                            + (upper[x1] >> shift & kMask) + (lower[x0] >> shift & kMask)
                            + (lower[x1] >> shift & kMask) + 0x00020002u;
                        return (sum >> 2 & kMask) << shift;
                    };
                    out[hx] = mean(0) | mean(8);
                }
            }
        }
    }
    return m_half;
}

QRgb CanvasSurface::pixel(int x, int y) const
{
    if (!bounds().contains(x, y))
        return 0;
    return row(y)[x];
}

QRgb *CanvasSurface::row(int y)
{
    detachForWriting();
    return reinterpret_cast<QRgb *>(m_store->image.scanLine(height() - 1 - y));
}

const QRgb *CanvasSurface::row(int y) const
{
    return reinterpret_cast<const QRgb *>(image().constScanLine(height() - 1 - y));
}

} // namespace pennova
