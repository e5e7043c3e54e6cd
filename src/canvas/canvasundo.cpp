#include "canvas/canvasundo.h"

#include "canvas/filters/difference.h"
#include "canvas/filters/tiffcodec.h"

namespace pennova {

namespace {

    UndoRecord::Piece makePiece(const QRect &rect, const QImage &oldPixels, const QImage &newPixels)
    {
        return UndoRecord::Piece { rect,
            filters::encodeDifferenceTiff(filters::diffFilter(oldPixels, newPixels)) };
    }

} // namespace

CanvasUndo::CanvasUndo(CanvasSurface &surface, QObject *parent)
    : QObject(parent)
    , m_surface(surface)
{ }

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

bool CanvasUndo::recordChange(const QRect &region, const QImage &before, const QString &actionName)
{
    const QRect r = region.intersected(m_surface.bounds());
    if (!m_history || r.isEmpty() || before.isNull())
        return false;
    // `before` covers `region` (top row first); keep the part inside the canvas.
    const QRect inBefore(r.x() - region.x(), region.bottom() - r.bottom(), r.width(), r.height());
    const QImage oldPixels = before.size() == r.size() ? before : before.copy(inBefore);
    registerRecord(
        UndoRecord { r, { makePiece(r, oldPixels, m_surface.copyRegion(r)) } }, actionName);
    return true;
}

bool CanvasUndo::recordChange(
    const QRect &region, const CanvasSnapshot &before, const QString &actionName)
{
    const QRect r = region.intersected(m_surface.bounds());
    if (!m_history || r.isEmpty())
        return false;
    UndoRecord record { r, {} };
    for (const QRect &tile : before.changedTiles()) {
        const QRect piece = tile.intersected(r);
        if (!piece.isEmpty())
            record.pieces.push_back(
                makePiece(piece, before.copyRegion(piece), m_surface.copyRegion(piece)));
    }
    if (record.pieces.isEmpty())
        return false;
    registerRecord(record, actionName);
    return true;
}

void CanvasUndo::undoDraw(const UndoRecord &record)
{
    // Decode everything first: a damaged step changes nothing at all.
    QVector<QImage> differences;
    for (const UndoRecord::Piece &piece : record.pieces) {
        QString error;
        differences.push_back(
            filters::decodeDifferenceTiff(piece.difference, piece.rect.size(), &error));
        if (differences.back().isNull()) {
            qWarning("Undo step could not be read: %s", qPrintable(error));
            return;
        }
    }
    UndoRecord reverse { record.rect, {} };
    for (int i = 0; i < record.pieces.size(); ++i) {
        const QRect &r = record.pieces[i].rect;
        const QImage current = m_surface.copyRegion(r);
        const QImage restored = filters::undoFilter(current, differences[i]);
        reverse.pieces.push_back(makePiece(r, current, restored));
        m_surface.writeRegion(r, restored);
    }
    if (m_history)
        registerRecord(reverse, QString());
    emit regionChanged(record.rect.adjusted(-2, -2, 2, 2));
}

} // namespace pennova
