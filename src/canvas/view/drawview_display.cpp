// DrawView: drawing the canvas. Black outside the picture; the picture is drawn with one
// transformed image draw per band of the exposed area, or by our own sampler when the view is
// turned, at 50 % and less from the half-size picture, over a light checkerboard that shows
// through its transparent and translucent pixels; pixels show as sharp squares from 200 %, and
// while a gesture drags the view (every event repaints it all) at any zoom.

#include "canvas/view/drawview.h"

#include "canvas/sharedwork.h"
#include "canvas/transformeddraw.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

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

void DrawView::drawTurnedPicture(QPainter &painter, const QRegion &exposed, const QImage &picture,
    const QTransform &pictureToWidget, const QPolygonF &canvasArea, Sampling sampling)
{
    painter.resetTransform();
    painter.setClipRegion(exposed);
    // Drawn straight into the window's pixels where the painter draws into an image without
    // scaling (the usual case); elsewhere (a high-density screen, a grab into a pixmap) into a
    // kept image of the exposed area, copied to the painter after.
    QPaintDevice *device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    const QTransform widgetToDevice = painter.deviceTransform();
    const bool direct = device && device->devType() == QInternal::Image
        && widgetToDevice.type() <= QTransform::TxTranslate
        && widgetToDevice.dx() == std::floor(widgetToDevice.dx())
        && widgetToDevice.dy() == std::floor(widgetToDevice.dy())
        && static_cast<QImage *>(device)->depth() == 32;
    const QRect bounds = exposed.boundingRect();
    QPoint offset;
    PixelRows target;
    if (direct) {
        QImage &image = *static_cast<QImage *>(device);
        offset = QPoint(int(widgetToDevice.dx()), int(widgetToDevice.dy()));
        target = { image.bits(), image.bytesPerLine(), image.rect() };
        if (m_mayShowThrough) {
            // Black around the picture and the checkerboard under it, in window pixels.
            painter.fillRect(bounds, Qt::black);
            painter.drawPolygon(canvasArea);
        }
    } else {
        if (m_turnedPicture.size() != bounds.size())
            m_turnedPicture = QImage(bounds.size(), QImage::Format_RGB32);
        offset = -bounds.topLeft();
        if (m_mayShowThrough) {
            QPainter under(&m_turnedPicture);
            under.fillRect(m_turnedPicture.rect(), Qt::black);
            under.setPen(Qt::NoPen);
            under.setBrush(checkerboardBrush());
            under.setTransform(QTransform::fromTranslate(offset.x(), offset.y()));
            under.drawPolygon(canvasArea);
        }
        target = { m_turnedPicture.bits(), m_turnedPicture.bytesPerLine(), m_turnedPicture.rect() };
    }
    const QTransform toTarget = pictureToWidget * QTransform::fromTranslate(offset.x(), offset.y());
    // Bands of rows, shared with the helper thread as it comes.
    std::vector<QRect> bands;
    for (const QRect &rect : exposed)
        for (int top = rect.top(); top <= rect.bottom(); top += kBandRows)
            bands.emplace_back(
                QRect(rect.left(), top, rect.width(), std::min(kBandRows, rect.bottom() + 1 - top))
                    .translated(offset));
    const std::optional<QRgb> outside
        = m_mayShowThrough ? std::nullopt : std::optional<QRgb>(qRgb(0, 0, 0));
    shareOut(int(bands.size()), [&](int i, int) {
        drawTransformed(target, bands[size_t(i)], picture, toTarget, sampling, outside);
    });
    if (!direct)
        painter.drawImage(bounds.topLeft(), m_turnedPicture);
}

QTransform DrawView::storageToWidget() const
{
    // Image rows run top down: storage (x, row) is canvas (x, h - row). Then the view transform
    // (y up), then the widget's y-down coordinates.
    const QTransform storageToCanvas(1, 0, 0, -1, 0, m_surface.height());
    const QTransform viewToWidget(1, 0, 0, -1, 0, height());
    return storageToCanvas * m_transform.canvasToViewTransform() * viewToWidget;
}

void DrawView::paintEvent(QPaintEvent *event)
{
    // The direct copy reads only canvas rows, which the painting thread may be writing: a row
    // half painted now is shown whole at the next repaint. Everything else waits for it.
    if (paintDirect(*event))
        return;
    finishPainting();
    QPainter painter(this);
    const QRect exposed = event->rect();
    // Smooth filtering below 200 %, except while a gesture drags the view: then the whole view
    // is drawn at every event, and the smooth picture follows once the pointer is released.
    const bool dragging = (m_mousedown && (m_turnDraggers || m_moveDraggers || m_zoomDraggers))
        || m_buttonGesture != ButtonGesture::None;
    const bool smooth = m_transform.zoom() < 2.0f && !dragging;
    const QTransform viewToWidget(1, 0, 0, -1, 0, height());
    const QTransform pictureToWidget = storageToWidget();
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
    if (pictureToWidget.type() > QTransform::TxScale && m_surface.isValid()) {
        // A turned picture: drawn by our own sampler, which walks the picture in cache-sized
        // blocks and reads ahead of itself, on both cores.
        const QTransform sourceToWidget = picture == &m_surface.image()
            ? pictureToWidget
            : QTransform::fromScale(2, 2) * pictureToWidget;
        drawTurnedPicture(painter, event->region(), *picture, sourceToWidget, canvasArea,
            smooth ? Sampling::Bilinear : Sampling::Nearest);
    } else {
        for (int top = exposed.top(); top <= exposed.bottom(); top += kBandRows) {
            const QRect band(exposed.left(), top, exposed.width(),
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
