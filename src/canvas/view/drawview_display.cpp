// DrawView: drawing the canvas. Black outside the picture; the picture is drawn with one
// transformed image draw per band of the exposed area; pixels show as sharp squares from 200 %,
// and while a gesture drags the view (every event repaints it all) at any zoom.

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

void DrawView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    // Smooth filtering below 200 %, except while a gesture drags the view: then the whole view
    // is drawn at every event, and the smooth picture follows once the pointer is released.
    const bool dragging = m_mousedown && (m_turnDraggers || m_moveDraggers || m_zoomDraggers);
    const bool smooth = m_transform.zoom() < 2.0f && !dragging;
    // Image rows run top down: storage (x, row) is canvas (x, h - row). Then the view transform
    // (y up), then the widget's y-down coordinates.
    const QTransform storageToCanvas(1, 0, 0, -1, 0, m_surface.height());
    const QTransform viewToWidget(1, 0, 0, -1, 0, height());
    const QTransform pictureToWidget
        = storageToCanvas * m_transform.canvasToViewTransform() * viewToWidget;
    for (int top = exposed.top(); top <= exposed.bottom(); top += kBandRows) {
        const QRect band(
            exposed.left(), top, exposed.width(), std::min(kBandRows, exposed.bottom() + 1 - top));
        painter.resetTransform();
        painter.setClipRect(band);
        painter.fillRect(band, Qt::black);
        if (!m_surface.isValid())
            continue;
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        painter.setTransform(pictureToWidget);
        painter.drawImage(QPointF(0, 0), m_surface.image());
    }
    if (!m_surface.isValid())
        return;
    // The selection and a floating paste, in canvas coordinates.
    painter.setClipping(false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_transform.zoom() < 2.0f);
    painter.setTransform(m_transform.canvasToViewTransform() * viewToWidget);
    drawSelection(painter);
}

} // namespace pennova
