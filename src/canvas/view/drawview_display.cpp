// DrawView: drawing the canvas. Black outside the picture; the picture is drawn with one
// transformed image draw, clipped to the exposed area, over a light checkerboard that shows
// through its transparent and translucent pixels; pixels show as sharp squares from 200 %.

#include "canvas/view/drawview.h"

#include <QPaintEvent>
#include <QPainter>

namespace pennova {

QBrush DrawView::checkerboardBrush()
{
    static const QBrush brush = [] {
        QImage tile(2 * kCheckerSquare, 2 * kCheckerSquare, QImage::Format_RGB32);
        tile.fill(kCheckerLight);
        QPainter p(&tile);
        p.fillRect(kCheckerSquare, 0, kCheckerSquare, kCheckerSquare, QColor(kCheckerDark));
        p.fillRect(0, kCheckerSquare, kCheckerSquare, kCheckerSquare, QColor(kCheckerDark));
        return QBrush(tile);
    }();
    return brush;
}

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
    // The checkerboard is filled in window pixels (the brush does not turn with the view), so
    // its squares stay the same size at any zoom; the opaque picture covers it wholly.
    const QPolygonF canvasArea
        = painter.transform().map(QPolygonF(QRectF(0, 0, m_surface.width(), m_surface.height())));
    painter.save();
    painter.resetTransform();
    painter.setPen(Qt::NoPen);
    painter.setBrush(checkerboardBrush());
    painter.drawPolygon(canvasArea);
    painter.restore();
    painter.drawImage(QPointF(0, 0), m_surface.image());
    // The selection and a floating paste, in canvas coordinates.
    painter.setTransform(m_transform.canvasToViewTransform() * viewToWidget);
    drawSelection(painter);
}

} // namespace pennova
