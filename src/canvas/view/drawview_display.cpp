// DrawView: drawing the canvas. Black outside the picture; the picture is drawn with one
// transformed image draw per band of the exposed area (per block of a band when the view is
// turned), at 50 % and less from the half-size picture, over a light checkerboard that shows
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
    constexpr int kBlockColumns = 256;
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
    if (paintDirect(*event))
        return;
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
    // At 50 % and less the half-size picture is shown: a quarter of the pixels to read, and
    // each screen pixel the mean of the canvas pixels under it rather than of a few of them.
    const QRectF pictureRect(0, 0, m_surface.width(), m_surface.height());
    const QImage *picture = &m_surface.image();
    QRectF sourceRect = pictureRect;
    if (m_transform.zoom() <= 0.5f) {
        // Brought up to date under the exposed area only: the first time, on a large canvas,
        // that is much less than all of it.
        const QRect shown = m_surface.storageRect(pictureToWidget.inverted()
                                                      .mapRect(QRectF(exposed))
                                                      .toAlignedRect()
                                                      .adjusted(-4, -4, 4, 4));
        const QImage &half = m_surface.halfImage(shown);
        if (!half.isNull()) {
            picture = &half;
            sourceRect = QRectF(0, 0, pictureRect.width() / 2, pictureRect.height() / 2);
        }
    }
    // A turned picture is drawn in blocks rather than whole rows: the canvas rows under a block
    // stay in the processor's caches while it is drawn.
    const int blockColumns
        = pictureToWidget.type() > QTransform::TxScale ? kBlockColumns : exposed.width();
    for (int top = exposed.top(); top <= exposed.bottom(); top += kBandRows) {
        for (int left = exposed.left(); left <= exposed.right(); left += blockColumns) {
            const QRect band(left, top, std::min(blockColumns, exposed.right() + 1 - left),
                std::min(kBandRows, exposed.bottom() + 1 - top));
            painter.resetTransform();
            painter.setClipRect(band);
            painter.fillRect(band, Qt::black);
            if (!m_surface.isValid())
                continue;
            if (m_mayShowThrough)
                painter.drawPolygon(canvasArea);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
            painter.setTransform(pictureToWidget);
            painter.drawImage(pictureRect, *picture, sourceRect);
        }
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
