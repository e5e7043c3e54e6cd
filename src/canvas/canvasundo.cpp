#include "canvas/canvasundo.h"

#include "canvas/filters/pixelops.h"
#include "canvas/filters/tiffcodec.h"
#include "canvas/sharedwork.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

namespace pennova {

namespace {

    constexpr int kSlot = CanvasSnapshot::kTileSize;

    // Compressing runs on one worker thread, in the order the steps were recorded, so that it
    // never takes both cores from painting.
    QThreadPool &encoderPool()
    {
        static QThreadPool *pool = newSingleThreadPool();
        return *pool;
    }

    struct EncodingHold
    {
        std::mutex mutex;
        std::condition_variable released;
        bool held = false;

        void waitWhileHeld()
        {
            std::unique_lock<std::mutex> lock(mutex);
            released.wait(lock, [this] { return !held; });
        }
    };
    EncodingHold &encodingHold()
    {
        static EncodingHold hold;
        return hold;
    }

    // The pieces of a region: its parts in the canvas tiles that `tiles` lists.
    QVector<QRect> piecesOf(const QRect &region, const QVector<QRect> &tiles)
    {
        QVector<QRect> pieces;
        for (const QRect &tile : tiles) {
            const QRect piece = tile.intersected(region);
            if (!piece.isEmpty())
                pieces.push_back(piece);
        }
        return pieces;
    }

    // Every canvas tile that a rectangle reaches, bottom row first.
    QVector<QRect> tilesUnder(const QRect &r)
    {
        QVector<QRect> tiles;
        for (int ty = r.top() / kSlot; ty <= r.bottom() / kSlot; ++ty)
            for (int tx = r.left() / kSlot; tx <= r.right() / kSlot; ++tx)
                tiles.push_back(QRect(tx * kSlot, ty * kSlot, kSlot, kSlot));
        return tiles;
    }

    // The differences of pieces, stacked: piece i fills rows 64 i .. 64 i + height - 1 from the
    // left, its top row first; the rest of each 64 x 64 slot is zero. Pieces that did not change
    // get no slot, and neither do pieces whose difference is one word throughout (a flat fill,
    // a tile wholly inside a stroke over a flat background): they keep just that word.
    struct StackedDifference
    {
        QImage words; // Format_ARGB32: differences are byte words, not colours
        QVector<QRect> pieces;
        QVector<QPair<QRect, QRgb>> flatPieces;

        bool allocate(int count)
        {
            words = QImage(kSlot, kSlot * std::max(count, 1), QImage::Format_ARGB32);
            if (words.isNull())
                return false;
            words.fill(0u);
            return true;
        }

        // Fills the next slot with new - old for one piece; oldRow and newRow give a canvas row
        // of the piece. Keeps the slot only when some byte changed and not all words are equal.
        template <typename OldRow, typename NewRow>
        void add(const QRect &piece, OldRow oldRow, NewRow newRow, QRgb *oldBuffer, QRgb *newBuffer)
        {
            const int slot = pieces.size();
            QRgb changed = 0, unequal = 0, first = 0;
            for (int j = 0; j < piece.height(); ++j) {
                const int y = piece.bottom() - j;
                const QRgb *o = oldRow(y, oldBuffer);
                const QRgb *n = newRow(y, newBuffer);
                auto *d = reinterpret_cast<QRgb *>(words.scanLine(slot * kSlot + j));
                if (j == 0)
                    first = filters::diffPixel(o[0], n[0]);
                for (int x = 0; x < piece.width(); ++x) {
                    d[x] = filters::diffPixel(o[x], n[x]);
                    changed |= d[x];
                    unequal |= d[x] ^ first;
                }
            }
            if (!changed)
                return;
            if (unequal) {
                pieces.push_back(piece);
                return;
            }
            flatPieces.push_back({ piece, first });
            for (int j = 0; j < piece.height(); ++j)
                std::fill_n(reinterpret_cast<QRgb *>(words.scanLine(slot * kSlot + j)), kSlot, 0u);
        }

        // The used slots, without copying.
        QImage used() const
        {
            return QImage(words.constBits(), kSlot, kSlot * pieces.size(), words.bytesPerLine(),
                QImage::Format_ARGB32);
        }
    };

    // Where a canvas's rows are in memory, for threads that write them without going through the
    // surface (canvas row y at bottom + y * step).
    struct CanvasRows
    {
        QRgb *bottom;
        qsizetype step;
        QRgb *row(int y) const { return bottom + y * step; }
    };

    // Adds (forward) or subtracts the difference of one piece to or from the canvas: its rows in a
    // slot, top row first, kSlot words apart; `samples` as for applyDiffRow.
    void applyPiece(
        const CanvasRows &rows, const QRect &piece, const quint32 *slot, bool forward, bool samples)
    {
        for (int j = 0; j < piece.height(); ++j, slot += kSlot)
            filters::applyDiffRow(
                rows.row(piece.bottom() - j) + piece.x(), slot, piece.width(), forward, samples);
    }

    CanvasRows writableRows(CanvasSurface &surface, const QVector<QRect> &pieces,
        const QVector<QPair<QRect, QRgb>> &flatPieces)
    {
        for (const QRect &piece : pieces)
            surface.prepareWrite(piece);
        for (const auto &piece : flatPieces)
            surface.prepareWrite(piece.first);
        return CanvasRows { surface.row(0), surface.rowStep() };
    }

    void applyFlatPieces(
        const CanvasRows &rows, const QVector<QPair<QRect, QRgb>> &flatPieces, bool forward)
    {
        for (const auto &piece : flatPieces) {
            const QRect &r = piece.first;
            quint32 flat[kSlot * kSlot];
            std::fill_n(flat, kSlot * r.height(), piece.second);
            applyPiece(rows, r, flat, forward, false);
        }
    }

    // Adds (forward) or subtracts uncompressed stacked and flat differences.
    void applyDifference(CanvasSurface &surface, const QImage &words, const QVector<QRect> &pieces,
        const QVector<QPair<QRect, QRgb>> &flatPieces, bool forward)
    {
        const CanvasRows rows = writableRows(surface, pieces, flatPieces);
        for (int i = 0; i < pieces.size(); ++i)
            applyPiece(rows, pieces[i],
                reinterpret_cast<const quint32 *>(words.constScanLine(i * kSlot)), forward, false);
        applyFlatPieces(rows, flatPieces, forward);
    }

    // Decodes a compressed difference and adds (forward) or subtracts it, strips and pieces shared
    // out between two threads. Changes nothing and gives the reason when the data cannot be read.
    bool applyCompressedDifference(CanvasSurface &surface, const QByteArray &tiff,
        const QVector<QRect> &pieces, const QVector<QPair<QRect, QRgb>> &flatPieces, bool forward,
        QString *error)
    {
        if (!pieces.isEmpty()) {
            const QSize size(kSlot, kSlot * pieces.size());
            std::unique_ptr<filters::DifferenceTiffReader> readers[2];
            readers[0] = std::make_unique<filters::DifferenceTiffReader>(tiff, size);
            if (!readers[0]->error().isEmpty()) {
                *error = readers[0]->error();
                return false;
            }
            // Every strip is decoded before any pixel changes: a damaged step changes nothing. The
            // room for a typical stroke's difference is kept from one undo to the next, so that
            // its memory is not mapped afresh every time.
            constexpr size_t kKeptWords = 256 * kSlot * kSlot;
            thread_local std::vector<quint32> kept;
            std::vector<quint32> once;
            const size_t words = size_t(size.width()) * size_t(size.height());
            std::vector<quint32> &buffer = words <= kKeptWords ? kept : once;
            try {
                if (buffer.size() < words)
                    buffer.resize(words);
            } catch (const std::bad_alloc &) {
                *error = QStringLiteral("not enough memory to read the undo difference image.");
                return false;
            }
            quint32 *const samples = buffer.data();
            std::mutex errorMutex;
            std::atomic<bool> damaged { false };
            shareOut(readers[0]->stripCount(), [&](int strip, int thread) {
                if (damaged)
                    return;
                auto &reader = readers[thread];
                if (!reader)
                    reader = std::make_unique<filters::DifferenceTiffReader>(tiff, size);
                if (!reader->readStrip(strip, reinterpret_cast<uchar *>(samples))) {
                    const std::lock_guard<std::mutex> lock(errorMutex);
                    if (!damaged.exchange(true))
                        *error = reader->error();
                }
            });
            if (damaged)
                return false;
            const CanvasRows rows = writableRows(surface, pieces, flatPieces);
            constexpr int kPiecesPerPart = 8;
            const int parts = (pieces.size() + kPiecesPerPart - 1) / kPiecesPerPart;
            shareOut(parts, [&](int part, int) {
                const int end = std::min(int(pieces.size()), (part + 1) * kPiecesPerPart);
                for (int i = part * kPiecesPerPart; i < end; ++i)
                    applyPiece(rows, pieces[i], samples + size_t(i) * kSlot * kSlot, forward, true);
            });
            applyFlatPieces(rows, flatPieces, forward);
            return true;
        }
        applyFlatPieces(writableRows(surface, pieces, flatPieces), flatPieces, forward);
        return true;
    }

} // namespace

namespace detail {

    // The stored change of one step. Until the worker has compressed it, it holds the canvas
    // as it was before and after the change (or the uncompressed difference); then only the
    // compressed difference and the list of its pieces.
    class UndoPayload
    {
    public:
        explicit UndoPayload(std::shared_ptr<std::atomic<qint64>> bytes)
            : m_bytes(std::move(bytes))
        { }
        ~UndoPayload() { *m_bytes -= m_counted; }

        // What applying needs, read under the lock.
        struct View
        {
            bool encoded = false;
            QByteArray tiff;
            QImage raw; // uncompressed difference, before encoding
            QVector<QRect> pieces;
            QVector<QPair<QRect, QRgb>> flatPieces;
            CanvasSnapshot before, after;
        };
        View view() const
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            return View { m_encoded, m_tiff, m_raw.words, m_raw.pieces, m_raw.flatPieces, m_before,
                m_after };
        }

        void setSnapshots(const QVector<QRect> &pieces, CanvasSnapshot before, CanvasSnapshot after)
        {
            m_raw.pieces = pieces;
            m_before = std::move(before);
            m_after = std::move(after);
        }
        void setRaw(StackedDifference raw) { m_raw = std::move(raw); }

        // Worker: makes the difference from the snapshots if need be, and compresses it.
        void encode()
        {
            StackedDifference raw;
            CanvasSnapshot before, after;
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                before = m_before;
                after = m_after;
                raw = m_raw;
            }
            if (!before.isNull()) {
                const QVector<QRect> pieces = raw.pieces;
                raw = StackedDifference();
                if (!raw.allocate(pieces.size()))
                    return; // no memory: the snapshots stay and serve
                // Each piece read whole from both snapshots, canvas row y at row y - top.
                std::vector<QRgb> oldPixels(kSlot * kSlot), newPixels(kSlot * kSlot);
                for (const QRect &piece : pieces) {
                    before.readRect(piece, oldPixels.data(), kSlot);
                    after.readRect(piece, newPixels.data(), kSlot);
                    const auto rowOf = [&piece](int y, QRgb *pixels) {
                        return static_cast<const QRgb *>(pixels) + (y - piece.top()) * kSlot;
                    };
                    raw.add(piece, rowOf, rowOf, oldPixels.data(), newPixels.data());
                }
            }
            QByteArray tiff;
            if (!raw.pieces.isEmpty()) {
                tiff = filters::encodeDifferenceTiff(raw.used());
                if (tiff.isEmpty())
                    return; // encoding failed: keep what serves now
            }
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_tiff = tiff;
            m_raw.pieces = raw.pieces;
            m_raw.flatPieces = raw.flatPieces;
            m_raw.flatPieces.squeeze();
            m_raw.words = QImage();
            m_before = CanvasSnapshot();
            m_after = CanvasSnapshot();
            m_encoded = true;
            m_counted = m_tiff.capacity() + m_raw.pieces.capacity() * qsizetype(sizeof(QRect))
                + m_raw.flatPieces.capacity() * qsizetype(sizeof(QPair<QRect, QRgb>));
            *m_bytes += m_counted;
        }

    private:
        mutable std::mutex m_mutex;
        bool m_encoded = false;
        QByteArray m_tiff;
        StackedDifference m_raw; // pieces always; words before encoding when made from images
        CanvasSnapshot m_before, m_after;
        std::shared_ptr<std::atomic<qint64>> m_bytes;
        qint64 m_counted = 0;
    };

} // namespace detail

CanvasUndo::CanvasUndo(CanvasSurface &surface, QObject *parent)
    : QObject(parent)
    , m_surface(surface)
    , m_storedBytes(std::make_shared<std::atomic<qint64>>(0))
{ }

void CanvasUndo::finishPendingWork()
{
    encoderPool().waitForDone();
}

void CanvasUndo::holdEncoding(bool hold)
{
    EncodingHold &h = encodingHold();
    {
        const std::lock_guard<std::mutex> lock(h.mutex);
        h.held = hold;
    }
    h.released.notify_all();
}

void CanvasUndo::registerRecord(const UndoRecord &record, const QString &actionName)
{
    QPointer<CanvasUndo> self(this);
    m_history->registerUndo([self, record]() {
        if (self)
            self->undoDraw(record);
    });
    if (!actionName.isEmpty())
        m_history->setActionName(actionName);
}

namespace {
    void startEncoding(const std::shared_ptr<detail::UndoPayload> &payload)
    {
        encoderPool().start([payload]() {
            encodingHold().waitWhileHeld();
            payload->encode();
        });
    }
} // namespace

bool CanvasUndo::recordChange(const QRect &region, const QImage &before, const QString &actionName)
{
    const QRect r = region.intersected(m_surface.bounds());
    if (!m_history || r.isEmpty() || before.isNull())
        return false;
    // `before` covers `region` (top row first); keep the part inside the canvas.
    const QRect inBefore(r.x() - region.x(), region.bottom() - r.bottom(), r.width(), r.height());
    const QImage oldPixels = (before.size() == r.size() ? before : before.copy(inBefore))
                                 .convertToFormat(CanvasSurface::kFormat);
    if (oldPixels.size() != r.size())
        return false;
    const QVector<QRect> pieces = piecesOf(r, tilesUnder(r));
    StackedDifference raw;
    if (!raw.allocate(pieces.size()))
        return false;
    for (const QRect &piece : pieces) {
        const auto oldRow = [&](int y, QRgb *) {
            return reinterpret_cast<const QRgb *>(oldPixels.constScanLine(r.bottom() - y))
                + (piece.x() - r.x());
        };
        const auto newRow = [&](int y, QRgb *) {
            return static_cast<const QRgb *>(m_surface.row(y)) + piece.x();
        };
        raw.add(piece, oldRow, newRow, nullptr, nullptr);
    }
    auto payload = std::make_shared<detail::UndoPayload>(m_storedBytes);
    payload->setRaw(std::move(raw));
    registerRecord(UndoRecord { r, payload, false }, actionName);
    startEncoding(payload);
    return true;
}

bool CanvasUndo::recordChange(
    const QRect &region, const CanvasSnapshot &before, const QString &actionName)
{
    const QRect r = region.intersected(m_surface.bounds());
    if (!m_history || r.isEmpty() || before.isNull())
        return false;
    const QVector<QRect> pieces = piecesOf(r, before.changedTiles());
    if (pieces.isEmpty())
        return false;
    auto payload = std::make_shared<detail::UndoPayload>(m_storedBytes);
    payload->setSnapshots(pieces, before, m_surface.snapshot());
    registerRecord(UndoRecord { r, payload, false }, actionName);
    startEncoding(payload);
    return true;
}

void CanvasUndo::undoDraw(const UndoRecord &record)
{
    if (!record.payload)
        return;
    const detail::UndoPayload::View v = record.payload->view();
    if (!v.before.isNull()) {
        // Not compressed yet: put back the pixels of the snapshot on the far side.
        const CanvasSnapshot &target = record.forward ? v.after : v.before;
        for (const QRect &piece : v.pieces) {
            m_surface.prepareWrite(piece);
            // Canvas rows run upwards through the surface's storage.
            QRgb *bottom = m_surface.row(piece.top()) + piece.x();
            const qsizetype step = piece.height() > 1
                ? qsizetype(m_surface.row(piece.top() + 1) - m_surface.row(piece.top()))
                : 0;
            target.readRect(piece, bottom, step);
        }
    } else if (!v.encoded) {
        applyDifference(m_surface, v.raw, v.pieces, v.flatPieces, record.forward);
    } else {
        QString error;
        if (!applyCompressedDifference(
                m_surface, v.tiff, v.pieces, v.flatPieces, record.forward, &error)) {
            qWarning("Undo step could not be read: %s", qPrintable(error));
            return;
        }
    }
    if (m_history)
        registerRecord(UndoRecord { record.rect, record.payload, !record.forward }, QString());
    emit regionChanged(record.rect.adjusted(-2, -2, 2, 2));
}

} // namespace pennova
