#pragma once

// Keeps the pixels a change is about to overwrite, tile by tile, so that the "before" picture of
// a stroke can be had at release without copying the whole canvas at the press. Each tile is
// copied the first time a change reaches it; what was never reached is still on the canvas.

#include "canvas/canvassurface.h"

#include <QHash>
#include <QImage>
#include <QVector>

namespace pennova {

class PixelBackup
{
public:
    static constexpr int kTileSize = 64;

    // Forgets everything kept; the canvas as it is now becomes the "before" picture.
    void begin(const CanvasSurface *surface);
    // Keeps the current pixels of every tile under the canvas rectangle not kept yet. Call before
    // writing there. Costs in proportion to the rectangle.
    void preserve(const QRect &canvasRect);
    // The "before" pixels under a canvas rectangle (clipped to the canvas), top row first.
    QImage original(const QRect &canvasRect) const;
    // The canvas rectangles of the tiles kept so far: every pixel changed since begin() lies in
    // one of them.
    QVector<QRect> keptTiles() const;

private:
    QRect tileRect(int tx, int ty) const;

    const CanvasSurface *m_surface = nullptr;
    QHash<quint64, QImage> m_tiles;
};

} // namespace pennova
