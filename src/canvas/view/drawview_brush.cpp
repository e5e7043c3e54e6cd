// DrawView: brush size, colour, ink mode and the brush cursor.

#include "canvas/brushcursor.h"
#include "canvas/penend.h"
#include "canvas/view/drawview.h"
#include "settings/defaults.h"

#include <QPixmap>

namespace pennova {

bool DrawView::isEraser() const
{
    return PenEnd::shared().isEraser();
}

float DrawView::getBrushSize() const
{
    return m_brush.getBrushSize(isEraser());
}

void DrawView::setBrushSize(float size)
{
    m_brushsize = m_brush.setBrushSize(size, isEraser());
    rebuildBrushCursor();
}

void DrawView::prox()
{
    setBrushSize(getBrushSize());
}

void DrawView::setInk()
{
    const bool on = m_brush.toggleInk();
    setBrushSize(getBrushSize());
    flashstatus(QStringLiteral("Ink %1").arg(on ? QStringLiteral("ON") : QStringLiteral("OFF")));
}

void DrawView::modifyBrush(int step, Qt::KeyboardModifiers modifiers)
{
    if (modifiers.testFlag(Qt::ShiftModifier))
        step *= 5;
    if (modifiers.testFlag(Qt::AltModifier))
        step *= 2;
    setBrushSize(getBrushSize() + float(step));
}

void DrawView::setErase(int tag)
{
    finishPainting(); // the painting thread reads the erase image
    if (tag == 1) {
        m_eraseImage = EraseImage::sealed(m_surface.snapshot());
        flashstatus(QStringLiteral("Canvas Sealed"));
    } else if (tag == 0) {
        m_eraseImage = EraseImage();
        flashstatus(QStringLiteral("Unseal Canvas"));
    }
}

void DrawView::rebuildBrushCursor()
{
    const BrushCursorImage c = renderBrushCursor(
        m_brushsize * m_transform.zoom(), m_brush.getColor(), isEraser(), m_brush.ink());
    m_brushCursor = QCursor(QPixmap::fromImage(c.image), c.hotSpot.x(), c.hotSpot.y());
    m_hasBrushCursor = true;
    updateCursor();
}

} // namespace pennova
