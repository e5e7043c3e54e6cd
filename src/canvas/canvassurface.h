#pragma once

// The raster surface a canvas view owns: 8-bit premultiplied ARGB pixels (QImage
// Format_ARGB32_Premultiplied). All of its API speaks canvas coordinates: pixels, origin at the
// lower-left corner, y up. The storage keeps the top row first, as image files and snapshots do,
// so a canvas rectangle (x, y, w, h) lives at storage rows H - y - h .. H - y - 1 (the crop rule).
// A surface whose creation failed has no pixels; every call on it is then a harmless no-op.
//
// Snapshots (canvassnapshot.h) are pictures of the surface taken without copying it: every write
// first hands them the tiles it is about to change. So every write goes through writeRegion() or
// fillRegion(), or calls prepareWrite() before it writes through row().

#include "canvas/canvassnapshot.h"
#include "canvas/geometry.h"

#include <QImage>
#include <QRect>

#include <vector>

namespace pennova {

class CanvasSurface
{
public:
    static constexpr QImage::Format kFormat = QImage::Format_ARGB32_Premultiplied;
    // The longest side a canvas may have: the raster painter's coordinates stay exact well
    // beyond it, and it keeps width x 4 bytes far from integer overflow.
    static constexpr int kMaxSide = 65535;

    // The computer's physical memory in bytes; 0 when the system does not say.
    static qint64 physicalMemoryBytes();

    CanvasSurface();
    CanvasSurface(const CanvasSurface &) = delete;
    CanvasSurface &operator=(const CanvasSurface &) = delete;

    // Creates the surface at w x h pixels (each truncated toward zero), every pixel opaque white.
    // On failure logs "Could not allocate memory for new image." or "Could not create new image."
    // and leaves the surface without pixels; returns whether it succeeded.
    bool newImageWithSize(Size size);
    // Takes over an existing image (converted to the canvas format) as the picture. Handed over
    // (moved in) in the canvas format, its pixels become the canvas without a copy; an image the
    // caller still shares is copied once, now.
    bool adoptImage(QImage image);

    bool isValid() const { return !image().isNull(); }
    int width() const { return image().width(); }
    int height() const { return image().height(); }
    Size imgsize() const { return m_imgsize; }
    QRect bounds() const { return QRect(0, 0, width(), height()); }

    // The storage rectangle of a canvas rectangle (the crop rule), and back (it is symmetric).
    QRect storageRect(const QRect &canvasRect) const;

    // A copy of the pixels under a canvas rectangle, top row first; the rectangle is clipped to
    // the canvas first. Costs in proportion to the rectangle.
    QImage copyRegion(const QRect &canvasRect) const;
    // Writes pixels (top row first, the size of the rectangle) into a canvas rectangle; parts
    // outside the canvas are dropped.
    void writeRegion(const QRect &canvasRect, const QImage &pixels);
    // Fills a canvas rectangle with one premultiplied pixel value.
    void fillRegion(const QRect &canvasRect, QRgb premultiplied);

    // One pixel at canvas (x, y); 0 (transparent) outside the canvas.
    QRgb pixel(int x, int y) const;
    // Row y of the canvas (y up) as premultiplied ARGB words. Write through it only inside a
    // rectangle given to prepareWrite() since the last snapshot() was taken.
    QRgb *row(int y);
    const QRgb *row(int y) const;
    // Words from row y to row y + 1 in memory (negative: the storage runs top down).
    qsizetype rowStep() const { return -qsizetype(image().bytesPerLine() / 4); }

    // The picture as it is now, without copying it; costs microseconds at any size.
    CanvasSnapshot snapshot();
    // Call before writing pixels of a canvas rectangle through row(): hands the live snapshots
    // the tiles under it that they have not got yet. Costs nothing for tiles already handed.
    void prepareWrite(const QRect &canvasRect);

    // The whole picture, top row first. Use for whole-canvas reads only (save, print, display).
    const QImage &image() const { return m_store->image; }
    // The picture at half size, top row first, for showing it at 50 % and less: each pixel the
    // mean of a 2 x 2 block (an odd side's last row or column counted twice). Brought up to date
    // under a canvas rectangle, for the tiles there written since; elsewhere it may be out of
    // date. Null without pixels or memory.
    const QImage &halfImage(const QRect &canvasRect);

    // Makes the picture's data the surface's own before it is written (a caller may hold a
    // shallow copy of image()). Writes do it themselves; a caller that hands the writing to
    // another thread does it first, so that the data pointer never changes under its readers.
    void detachForWriting();

private:
    // A store for a new picture; snapshots of the old one keep theirs.
    void startStore(QImage image);

    std::shared_ptr<detail::TileStore> m_store;
    Size m_imgsize;
    QImage m_half;
    std::vector<uint8_t> m_halfStale; // per tile: written since its part of m_half was made
};

} // namespace pennova
