// DrawView: drawing the canvas. Black outside the picture; the picture is drawn with one
// transformed image draw per band of the exposed area, over a light checkerboard that shows
// through its transparent and translucent pixels; pixels show as sharp squares from 200 %, and
// while a gesture drags the view (every event repaints it all) at any zoom.

#include "canvas/view/drawview.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace pennova {

namespace {
    // Qt's raster engine hands a fill of more than about 96 rows to its thread pool and waits
    // for it; on a busy machine waking those threads costs more than the fill. Bands of this
    // many rows stay on the painting thread.
    constexpr int kBandRows = 64;
} // namespace

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
    const QRect exposed = event->rect();
    // Smooth filtering below 200 %, except while a gesture drags the view: then the whole view
    // is drawn at every event, and the smooth picture follows once the pointer is released.
    const bool dragging = (m_mousedown && (m_turnDraggers || m_moveDraggers || m_zoomDraggers))
        || m_buttonGesture != ButtonGesture::None;
    const bool smooth = m_transform.zoom() < 2.0f && !dragging;
    // Image rows run top down: storage (x, row) is canvas (x, h - row). Then the view transform
    // (y up), then the widget's y-down coordinates.
    const QTransform storageToCanvas(1, 0, 0, -1, 0, m_surface.height());
    const QTransform viewToWidget(1, 0, 0, -1, 0, height());
    const QTransform pictureToWidget
        = storageToCanvas * m_transform.canvasToViewTransform() * viewToWidget;
    // The checkerboard is filled in window pixels (the brush does not turn with the view), so its
    // squares stay the same size at any zoom; the opaque picture covers it wholly.
    const QPolygonF canvasArea
        = pictureToWidget.map(QPolygonF(QRectF(0, 0, m_surface.width(), m_surface.height())));
    painter.setPen(Qt::NoPen);
    painter.setBrush(checkerboardBrush());
    for (int top = exposed.top(); top <= exposed.bottom(); top += kBandRows) {
        const QRect band(
            exposed.left(), top, exposed.width(), std::min(kBandRows, exposed.bottom() + 1 - top));
        painter.resetTransform();
        painter.setClipRect(band);
        painter.fillRect(band, Qt::black);
        if (!m_surface.isValid())
            continue;
        if (m_mayShowThrough)
            painter.drawPolygon(canvasArea);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        painter.setTransform(pictureToWidget);
        painter.drawImage(QPointF(0, 0), m_surface.image());
    }
    if (!m_surface.isValid())
        return;
    // The selection and a floating paste, in canvas coordinates.
    painter.setClipping(false);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_transform.zoom() < 2.0f);
    painter.setTransform(m_transform.canvasToViewTransform() * viewToWidget);
    drawSelection(painter);
}

} // namespace pennova
