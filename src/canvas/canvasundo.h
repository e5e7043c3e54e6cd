#pragma once

// Records changes of a canvas's pixels as undo steps and applies them. A step keeps the changed
// rectangle and the difference image (new minus old, byte by byte) of the pixels that changed,
// LZW-compressed as TIFF. A stroke's step keeps only the tiles the stroke reached, so a long
// stroke across a large canvas does not store (or compress) the empty parts of its rectangle.
// Applying a step subtracts the difference from the current pixels, which gives the old pixels
// back, and registers the reverse difference as the step that takes it back again (redo).

#include "canvas/canvassurface.h"
#include "canvas/undohistory.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVector>

namespace pennova {

class CanvasSnapshot;

struct UndoRecord
{
    struct Piece
    {
        QRect rect; // canvas rectangle (origin lower-left), within the record's rectangle
        QByteArray difference; // LZW TIFF of the difference image, the piece's size
    };
    QRect rect; // the changed region
    QVector<Piece> pieces;
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

signals:
    // Canvas rectangle whose pixels an undo or redo changed (grown by 2 for redisplay).
    void regionChanged(const QRect &canvasRect);

private:
    void registerRecord(const UndoRecord &record, const QString &actionName);

    CanvasSurface &m_surface;
    QPointer<UndoHistory> m_history;
};

} // namespace pennova
