#pragma once

// A picture of a canvas surface as it was at one moment, taken without copying it. The surface
// keeps its pixels in 64 x 64 tiles as far as snapshots are concerned: before the surface first
// writes a tile after a snapshot was taken, it hands the snapshot a copy of that tile (one copy
// shared by every snapshot that needs it). A snapshot reads the tiles it was handed, and every
// other tile from the canvas itself, which has not changed there since.
//
// Taking a snapshot costs a few microseconds at any canvas size; each tile is copied at most
// once per snapshot, and only if the canvas writes it while the snapshot lives. Snapshots are
// taken on the surface's thread; they may be read, copied and released on any thread while the
// canvas keeps painting (a worker encoding an undo step, an autosave writing a file).

#include <QImage>
#include <QRect>
#include <QVector>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace pennova {

namespace detail {

    struct SnapshotState;
    struct TileCopy;

    // The pixels of one surface and the bookkeeping its snapshots share. A surface that takes
    // over another picture starts a new store; the old one stays, unchanged, for its snapshots.
    struct TileStore
    {
        static constexpr int kTileSize = 64;

        // Guards `image` against changes of its data pointer, the snapshots' tile maps, `live`
        // and the spare tile copies. The surface's thread writes pixels without it, but only into
        // tiles that every live snapshot already holds a copy of.
        std::mutex mutex;
        QImage image; // the canvas pixels, top row first
        int tilesX = 0;
        int tilesY = 0;
        // Per tile (index ty * tilesX + tx, canvas coordinates, y up): a snapshot taken since
        // the tile was last written may still read it from the canvas. The surface's thread
        // only.
        std::vector<uint8_t> pending;
        std::vector<SnapshotState *> live;
        // Tile copies no snapshot holds any more, kept for the next ones: a stroke's copies are
        // then made without allocating, into memory that is mapped already.
        std::vector<TileCopy *> spareCopies;

        TileStore() = default;
        TileStore(const TileStore &) = delete;
        TileStore &operator=(const TileStore &) = delete;
        ~TileStore();

        QRect tileRect(int index) const;
        QRect bounds() const { return QRect(0, 0, image.width(), image.height()); }
        // A copy of the tile's current pixels, held by no snapshot yet. The caller holds the
        // mutex.
        TileCopy *copyTile(int index);
        // One holder fewer for the copy; the last one hands it back. The caller holds the mutex.
        void release(TileCopy *copy);
    };

    // One tile's pixels as they were before the canvas first wrote it after a snapshot: rows of
    // kTileSize pixels, top row first (a tile cut by the canvas edge uses the top left part).
    struct TileCopy
    {
        QRgb pixels[TileStore::kTileSize * TileStore::kTileSize];
        int users = 0; // snapshots holding it; under the store's mutex
    };

    struct SnapshotState
    {
        std::shared_ptr<TileStore> store;
        // Copies of the tiles the canvas wrote since the snapshot was taken (top row first).
        std::unordered_map<int, TileCopy *> tiles;
        ~SnapshotState();
    };

} // namespace detail

class CanvasSnapshot
{
public:
    static constexpr int kTileSize = detail::TileStore::kTileSize;

    // No picture.
    CanvasSnapshot() = default;
    // A picture of a plain image (top row first, converted to the canvas format), for callers
    // that have one already.
    static CanvasSnapshot fromImage(const QImage &picture);

    bool isNull() const { return !m_state; }
    int width() const;
    int height() const;
    QRect bounds() const { return QRect(0, 0, width(), height()); }

    // The pixels under a canvas rectangle (clipped to the picture), top row first.
    QImage copyRegion(const QRect &canvasRect) const;
    // Pixels x0 .. x0 + count - 1 of canvas row y; transparent outside the picture.
    void readRow(int y, int x0, int count, QRgb *out) const;
    // The pixels of a canvas rectangle inside the picture: row y goes to
    // firstRow + (y - r.top()) * rowStep (a negative step writes top rows first).
    void readRect(const QRect &r, QRgb *firstRow, qsizetype rowStep) const;
    QRgb pixel(int x, int y) const;

    // The canvas rectangles of the tiles the canvas wrote since the snapshot was taken, bottom
    // row of tiles first, each row from the left. Every pixel that may differ lies in one.
    QVector<QRect> changedTiles() const;

private:
    friend class CanvasSurface;
    explicit CanvasSnapshot(std::shared_ptr<detail::SnapshotState> state)
        : m_state(std::move(state))
    { }

    std::shared_ptr<detail::SnapshotState> m_state;
};

} // namespace pennova
