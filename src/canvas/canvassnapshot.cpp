#include "canvas/canvassnapshot.h"

#include <algorithm>
#include <cstring>

namespace pennova {

namespace detail {

    QRect TileStore::tileRect(int index) const
    {
        const int tx = index % tilesX, ty = index / tilesX;
        return QRect(tx * kTileSize, ty * kTileSize, kTileSize, kTileSize).intersected(bounds());
    }

    namespace {
        // At most this many spare tile copies are kept (16 MiB), and never more than the canvas
        // has tiles.
        constexpr size_t kMaxSpareCopies = 1024;
    } // namespace

    TileStore::~TileStore()
    {
        for (TileCopy *copy : spareCopies)
            delete copy;
    }

    TileCopy *TileStore::copyTile(int index)
    {
        TileCopy *copy;
        if (spareCopies.empty()) {
            copy = new TileCopy;
        } else {
            copy = spareCopies.back();
            spareCopies.pop_back();
        }
        const QRect r = tileRect(index);
        const size_t rowBytes = size_t(r.width()) * sizeof(QRgb);
        const int top = image.height() - 1 - r.bottom(); // the tile's top row in the image
        // The tile's rows lie far apart in the canvas, each on its own page, and have mostly
        // not been read for a while: each row is asked for a few rows before it is copied.
        constexpr int kAhead = 4;
        const auto rowAt = [&](int j) {
            return reinterpret_cast<const QRgb *>(image.constScanLine(top + j)) + r.x();
        };
        const auto fetch = [&](int j) {
            const char *row = reinterpret_cast<const char *>(rowAt(j));
            for (size_t b = 0; b < rowBytes; b += 64)
                __builtin_prefetch(row + b);
        };
        for (int j = 0; j < std::min(kAhead, r.height()); ++j)
            fetch(j);
        for (int j = 0; j < r.height(); ++j) {
            if (j + kAhead < r.height())
                fetch(j + kAhead);
            std::memcpy(copy->pixels + j * kTileSize, rowAt(j), rowBytes);
        }
        copy->users = 0;
        return copy;
    }

    void TileStore::release(TileCopy *copy)
    {
        if (--copy->users > 0)
            return;
        if (spareCopies.size() < std::min(kMaxSpareCopies, pending.size()))
            spareCopies.push_back(copy);
        else
            delete copy;
    }

    SnapshotState::~SnapshotState()
    {
        const std::lock_guard<std::mutex> lock(store->mutex);
        auto &live = store->live;
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
        for (const auto &tile : tiles)
            store->release(tile.second);
    }

} // namespace detail

namespace {

    // Copies canvas row y, columns x0 .. x0 + count - 1, of one tile's pixels, or of the canvas
    // when the tile was not copied. The caller holds the store's lock.
    void copyTileRow(const detail::TileStore &store, const detail::TileCopy *tile, int tileIndex,
        int y, int x0, int count, QRgb *out)
    {
        const QRect r = store.tileRect(tileIndex);
        const QRgb *in;
        if (tile)
            in = tile->pixels + (r.bottom() - y) * CanvasSnapshot::kTileSize + (x0 - r.x());
        else
            in = reinterpret_cast<const QRgb *>(
                     store.image.constScanLine(store.image.height() - 1 - y))
                + x0;
        std::copy(in, in + count, out);
    }

} // namespace

CanvasSnapshot CanvasSnapshot::fromImage(const QImage &picture)
{
    auto store = std::make_shared<detail::TileStore>();
    store->image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    store->tilesX = (store->image.width() + kTileSize - 1) / kTileSize;
    store->tilesY = (store->image.height() + kTileSize - 1) / kTileSize;
    auto state = std::make_shared<detail::SnapshotState>();
    state->store = std::move(store);
    return CanvasSnapshot(std::move(state));
}

int CanvasSnapshot::width() const
{
    return m_state ? m_state->store->image.width() : 0;
}

int CanvasSnapshot::height() const
{
    return m_state ? m_state->store->image.height() : 0;
}

void CanvasSnapshot::readRow(int y, int x0, int count, QRgb *out) const
{
    if (count <= 0)
        return;
    if (!m_state || y < 0 || y >= height()) {
        std::fill(out, out + count, 0u);
        return;
    }
    detail::TileStore &store = *m_state->store;
    // Transparent left and right of the picture.
    const int first = std::clamp(x0, 0, width()), last = std::clamp(x0 + count, 0, width());
    if (first >= last) {
        std::fill(out, out + count, 0u);
        return;
    }
    std::fill(out, out + (first - x0), 0u);
    std::fill(out + (last - x0), out + count, 0u);
    const int ty = y / kTileSize;
    for (int x = first; x < last;) {
        const int tx = x / kTileSize;
        const int end = std::min(last, (tx + 1) * kTileSize);
        const int index = ty * store.tilesX + tx;
        const std::lock_guard<std::mutex> lock(store.mutex);
        const auto it = m_state->tiles.find(index);
        copyTileRow(store, it == m_state->tiles.end() ? nullptr : it->second, index, y, x, end - x,
            out + (x - x0));
        x = end;
    }
}

void CanvasSnapshot::readRect(const QRect &r, QRgb *firstRow, qsizetype rowStep) const
{
    if (!m_state || r.isEmpty())
        return;
    detail::TileStore &store = *m_state->store;
    // One lock per tile rather than per row: a worker reading while the canvas paints.
    for (int ty = r.top() / kTileSize; ty <= r.bottom() / kTileSize; ++ty) {
        for (int tx = r.left() / kTileSize; tx <= r.right() / kTileSize; ++tx) {
            const int index = ty * store.tilesX + tx;
            const QRect part = store.tileRect(index).intersected(r);
            const std::lock_guard<std::mutex> lock(store.mutex);
            const auto it = m_state->tiles.find(index);
            const detail::TileCopy *tile = it == m_state->tiles.end() ? nullptr : it->second;
            for (int y = part.top(); y <= part.bottom(); ++y)
                copyTileRow(store, tile, index, y, part.x(), part.width(),
                    firstRow + (y - r.top()) * rowStep + (part.x() - r.x()));
        }
    }
}

QRgb CanvasSnapshot::pixel(int x, int y) const
{
    QRgb value = 0;
    readRow(y, x, 1, &value);
    return value;
}

QImage CanvasSnapshot::copyRegion(const QRect &canvasRect) const
{
    const QRect r = canvasRect.intersected(bounds());
    if (r.isEmpty())
        return QImage();
    QImage out(r.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return out;
    for (int y = r.top(); y <= r.bottom(); ++y)
        readRow(y, r.x(), r.width(), reinterpret_cast<QRgb *>(out.scanLine(r.bottom() - y)));
    return out;
}

QVector<QRect> CanvasSnapshot::changedTiles() const
{
    QVector<QRect> rects;
    if (!m_state)
        return rects;
    std::vector<int> indices;
    {
        const std::lock_guard<std::mutex> lock(m_state->store->mutex);
        indices.reserve(m_state->tiles.size());
        for (const auto &tile : m_state->tiles)
            indices.push_back(tile.first);
    }
    std::sort(indices.begin(), indices.end());
    rects.reserve(int(indices.size()));
    for (int index : indices)
        rects.push_back(m_state->store->tileRect(index));
    return rects;
}

} // namespace pennova
