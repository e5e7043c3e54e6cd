// DrawView: drawing the canvas. Black outside the picture; the picture is drawn with one
// transformed image draw, clipped to the exposed area; pixels show as sharp squares from 200 %.

#include "canvas/view/drawview.h"

#include <QPaintEvent>
#include <QPainter>

namespace pennova {

void DrawView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    if (!m_surface.isValid())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_transform.zoom() < 2.0f);
    // Image rows run top down: storage (x, row) is canvas (x, h - row). Then the view transform
    // (y up), then the widget's y-down coordinates.
    const QTransform storageToCanvas(1, 0, 0, -1, 0, m_surface.height());
    const QTransform viewToWidget(1, 0, 0, -1, 0, height());
    painter.setTransform(storageToCanvas * m_transform.canvasToViewTransform() * viewToWidget);
    painter.drawImage(QPointF(0, 0), m_surface.image());
    // The selection and a floating paste, in canvas coordinates.
    painter.setTransform(m_transform.canvasToViewTransform() * viewToWidget);
    drawSelection(painter);
}

} // namespace pennova
