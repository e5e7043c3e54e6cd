// DrawView: the selection. Ctrl + drag (or a drag in selection mode switched on from the menu)
// draws a new selection, moves it from inside, or resizes it by a corner handle, keeping its
// proportions with Shift. The selection clips strokes, limits copy, cut and delete, frames a
// floating paste, and is shown as marching ants.

#include "canvas/view/drawview.h"

#include <QApplication>
#include <QPainter>

namespace pennova {

namespace {
    int g_marqueePhase = 0; // shared by every canvas, so all marquees march in step
}

int DrawView::marqueePhase()
{
    return g_marqueePhase;
}

void DrawView::toggleSelectionMode()
{
    m_selectToggled = !m_isSelect;
    m_isSelect = m_selectHeld || m_selectToggled;
    updateCursor();
    update();
    emit selectionStateChanged();
}

void DrawView::selectAll()
{
    m_selection.selectAll(imgsize());
    update();
    emit selectionStateChanged();
}

void DrawView::deselectAll()
{
    // A floating paste goes with its rectangle; hidden, it would come back with the next one.
    if (m_isPaste) {
        cancelPaste();
        return;
    }
    m_selection.deselectAll();
    updateCursor();
    update();
    emit selectionStateChanged();
}

void DrawView::deleteSelection()
{
    // While a paste floats, Delete drops it rather than erase the canvas hidden under it.
    if (m_isPaste) {
        cancelPaste();
        return;
    }
    const QRect r = toQRect(integralRect(m_selection.selrect)).intersected(m_surface.bounds());
    // No selection since the last deselect, or one wholly outside the canvas: nothing to erase.
    if (r.isEmpty())
        return;
    const CanvasSnapshot before = m_surface.snapshot();
    m_eraseImage.drawInto(m_surface, r);
    m_undo.recordChange(r, before, QStringLiteral("Delete"));
    redisplayCanvasRect(insetRect(m_selection.selrect, -2, -2));
}

void DrawView::updateMarquee()
{
    if (!m_selection.selectionExists || m_mousedown)
        return;
    g_marqueePhase += 2;
    redisplayCanvasRect(integralRect(insetRect(m_selection.selrect, -2, -2)));
}

void DrawView::selectionPress(const PointerEvent &event)
{
    const Point p = integralPoint(m_engine.lastPoint());
    m_engine.setLastPoint(p);
    const bool onHandle
        = m_selection.press(p, event.modifiers.testFlag(Qt::ShiftModifier), m_isPaste);
    // A Shift press on a handle resizes proportionally instead of zooming.
    if (onHandle)
        m_zoomDraggers = false;
    if (!m_selection.selectionExists)
        updateCursor();
}

void DrawView::selectionDrag(const PointerEvent &event)
{
    const Point q = integralPoint(viewToCanvas(event.location));
    Point anchor = m_engine.lastPoint();
    const Rect changed = m_selection.drag(q, anchor, event.modifiers.testFlag(Qt::ShiftModifier));
    m_engine.setLastPoint(anchor);
    redisplayCanvasRect(changed);
}

void DrawView::selectionRelease()
{
    m_selection.release();
    redisplayCanvasRect(insetRect(m_selection.selrect, -2, -2));
    updateCursor();
    emit selectionStateChanged();
}

void DrawView::pasteDrag(const PointerEvent &event)
{
    const Point q = integralPoint(viewToCanvas(event.location));
    const Rect changed = m_selection.moveBy(q - m_engine.lastPoint());
    m_engine.setLastPoint(q);
    redisplayCanvasRect(changed);
}

void DrawView::pasteRelease()
{
    // The floating paste is drawn fully opaque again.
    redisplayCanvasRect(insetRect(m_selection.selrect, -2, -2));
    updateCursor();
}

bool DrawView::nudgeSelection(int key)
{
    if (!m_selection.selectionExists)
        return false;
    Point d;
    switch (key) {
    case Qt::Key_Up:
        d.y = 1;
        break;
    case Qt::Key_Down:
        d.y = -1;
        break;
    case Qt::Key_Left:
        d.x = -1;
        break;
    case Qt::Key_Right:
        d.x = 1;
        break;
    default:
        return false;
    }
    redisplayCanvasRect(m_selection.nudge(d));
    updateCursor();
    return true;
}

// The floating paste and the selection outline over the picture. The outline is drawn in
// white with an exclusion blend, so it inverts whatever it crosses, dashed 4 pixels on and 4 off
// on screen at any zoom.
void DrawView::drawSelection(QPainter &painter)
{
    if (!m_isSelect && !m_selection.selectionExists)
        return;
    const Rect outline = m_selection.getSelPath();
    if (m_isPaste && !m_pasteImage.isNull() && !outline.isEmpty()) {
        painter.save();
        painter.setOpacity(m_mousedown ? 0.5 : 1.0);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        // The paste image's rows run top down, like the canvas storage: flip it into the y-up
        // canvas coordinates.
        painter.translate(outline.origin.x, outline.origin.y + outline.size.height);
        painter.scale(1.0, -1.0);
        painter.drawImage(QRectF(0, 0, outline.size.width, outline.size.height), m_pasteImage);
        painter.restore();
    }
    if (outline.isEmpty())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Exclusion);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(Qt::white, 0); // cosmetic: one screen pixel whatever the zoom
    pen.setDashPattern({ 4, 4 });
    pen.setDashOffset(g_marqueePhase % 8);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(toQRectF(outline));
    painter.restore();
}

} // namespace pennova
