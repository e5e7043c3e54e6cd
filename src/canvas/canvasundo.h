#pragma once

// Records changes of a canvas's pixels as undo steps and applies them. A step keeps the changed
// rectangle and the difference image (new minus old, byte by byte) of the 64 x 64 tiles that
// changed, stacked into one LZW-compressed TIFF. Tiles whose difference is all zero are left
// out, so a long stroke across a large canvas stores (and compresses) only what it changed.
//
// Recording costs the caller almost nothing: the step keeps a snapshot of the canvas before and
// after the change, and a worker thread makes and compresses the difference from them, then
// lets them go. Applying a step before that work is done simply puts the tiles of the other
// snapshot back; afterwards it decodes the difference and subtracts it from the current pixels,
// which gives the old pixels back exactly. A large step is decoded and applied by the calling
// thread and a helper thread together. The reverse step (redo) shares the same stored
// difference and adds it instead, so it is never encoded again.

#include "canvas/canvassnapshot.h"
#include "canvas/canvassurface.h"
#include "canvas/undohistory.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVector>

#include <atomic>
#include <memory>

namespace pennova {

namespace detail {
    class UndoPayload;
}

struct UndoRecord
{
    QRect rect; // the changed region
    // The stored change, shared by a step and its reverse.
    std::shared_ptr<detail::UndoPayload> payload;
    // True for the step that goes from the old pixels to the new ones (redo).
    bool forward = false;
};

class CanvasUndo : public QObject
{
    Q_OBJECT
public:
    explicit CanvasUndo(CanvasSurface &surface, QObject *parent = nullptr);

    void setHistory(UndoHistory *history) { m_history = history; }
    UndoHistory *history() const { return m_history; }

    // Call after the change has been drawn. `before` holds the pixels of `region` as they were
    // (top row first). The region is clipped to the canvas; nothing is registered when it is
    // empty. Returns whether a step was registered.
    bool recordChange(const QRect &region, const QImage &before, const QString &actionName);
    // The same for a change whose "before" pixels are a snapshot taken before it: only the tiles
    // the canvas wrote since are compared.
    bool recordChange(const QRect &region, const CanvasSnapshot &before, const QString &actionName);

    // Applies a step: restores the pixels it was made from and registers the reverse step.
    void undoDraw(const UndoRecord &record);

    // Bytes of compressed differences held by the steps this object recorded that still exist.
    qint64 storedBytes() const { return m_storedBytes->load(); }
    // Waits until every step recorded so far (by any canvas) is compressed.
    static void finishPendingWork();
    // Holds compressing back until released (tests and benchmarks of steps not yet compressed).
    static void holdEncoding(bool hold);

signals:
    // Canvas rectangle whose pixels an undo or redo changed (grown by 2 for redisplay).
    void regionChanged(const QRect &canvasRect);

private:
    void registerRecord(const UndoRecord &record, const QString &actionName);

    CanvasSurface &m_surface;
    QPointer<UndoHistory> m_history;
    std::shared_ptr<std::atomic<qint64>> m_storedBytes;
};

} // namespace pennova
