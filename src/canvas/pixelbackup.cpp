#include "canvas/pixelbackup.h"

#include <algorithm>

namespace pennova {

namespace {
    quint64 tileKey(int tx, int ty)
    {
        return (quint64(quint32(tx)) << 32) | quint32(ty);
    }
} // namespace

void PixelBackup::begin(const CanvasSurface *surface)
{
    m_surface = surface;
    m_tiles.clear();
}

QRect PixelBackup::tileRect(int tx, int ty) const
{
    return QRect(tx * kTileSize, ty * kTileSize, kTileSize, kTileSize)
        .intersected(m_surface->bounds());
}

void PixelBackup::preserve(const QRect &canvasRect)
{
    if (!m_surface)
        return;
    const QRect r = canvasRect.intersected(m_surface->bounds());
    if (r.isEmpty())
        return;
    for (int ty = r.top() / kTileSize; ty <= r.bottom() / kTileSize; ++ty) {
        for (int tx = r.left() / kTileSize; tx <= r.right() / kTileSize; ++tx) {
            const quint64 key = tileKey(tx, ty);
            if (!m_tiles.contains(key))
                m_tiles.insert(key, m_surface->copyRegion(tileRect(tx, ty)));
        }
    }
}

QVector<QRect> PixelBackup::keptTiles() const
{
    QVector<QRect> tiles;
    tiles.reserve(m_tiles.size());
    for (auto it = m_tiles.constBegin(); it != m_tiles.constEnd(); ++it)
        tiles.push_back(tileRect(int(it.key() >> 32), int(quint32(it.key()))));
    // A stable order, so that equal strokes make equal undo steps.
    std::sort(tiles.begin(), tiles.end(), [](const QRect &a, const QRect &b) {
        return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x();
    });
    return tiles;
}

QImage PixelBackup::original(const QRect &canvasRect) const
{
    if (!m_surface)
        return QImage();
    const QRect r = canvasRect.intersected(m_surface->bounds());
    if (r.isEmpty())
        return QImage();
    QImage result = m_surface->copyRegion(r);
    // Storage rows of the result run from the top of r downwards.
    const auto putTile = [&](const QRect &tile, const QImage &pixels) {
        const QRect part = tile.intersected(r);
        for (int y = part.top(); y <= part.bottom(); ++y) {
            const auto *in = reinterpret_cast<const QRgb *>(pixels.constScanLine(tile.bottom() - y))
                + (part.left() - tile.left());
            auto *out = reinterpret_cast<QRgb *>(result.scanLine(r.bottom() - y))
                + (part.left() - r.left());
            std::copy(in, in + part.width(), out);
        }
    };
    for (int ty = r.top() / kTileSize; ty <= r.bottom() / kTileSize; ++ty) {
        for (int tx = r.left() / kTileSize; tx <= r.right() / kTileSize; ++tx) {
            const auto it = m_tiles.constFind(tileKey(tx, ty));
            if (it != m_tiles.constEnd())
                putTile(tileRect(tx, ty), *it);
        }
    }
    return result;
}

} // namespace pennova
