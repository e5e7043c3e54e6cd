#include "canvasui/resizearrow.h"

#include <QPainter>
#include <QPixmap>
#include <cmath>

// Resources of a static library are only linked when something references them.
static void initCursorResources()
{
    Q_INIT_RESOURCE(cursors);
}

namespace pennova {

namespace {

    // The arrow's own units per image pixel: s = size / 14.
    qreal unitScale(float size)
    {
        return qreal(size) / 14.0;
    }

    // Pixel sizes are rounded up, but not for float noise: 21 · 16/14 must give 24, not 25.
    int pixelExtent(qreal extent)
    {
        return std::max(1, int(std::ceil(extent - 1e-3)));
    }

    QCursor bundledCursor(const char *path, int hotX, int hotY)
    {
        initCursorResources();
        const QPixmap pixmap(QString::fromLatin1(path));
        if (pixmap.isNull()) {
            qWarning("ResizeArrow: missing cursor image %s", path);
            return QCursor(Qt::ArrowCursor);
        }
        return QCursor(pixmap, hotX, hotY);
    }

} // namespace

const QPainterPath &ResizeArrow::arrowPath()
{
    static const QPainterPath path = [] {
        QPainterPath p;
        p.moveTo(2, 2); // left head
        p.lineTo(0, 0);
        p.lineTo(2, -2);
        p.moveTo(0, 0); // left shaft
        p.lineTo(5, 0);
        p.moveTo(6, 1); // mark at the inner end of the left shaft
        p.lineTo(5, 0);
        p.lineTo(6, -1);
        p.moveTo(13, 2); // right head
        p.lineTo(15, 0);
        p.lineTo(13, -2);
        p.moveTo(15, 0); // right shaft
        p.lineTo(10, 0);
        p.moveTo(9, 1); // mark at the inner end of the right shaft
        p.lineTo(10, 0);
        p.lineTo(9, -1);
        return p;
    }();
    return path;
}

QPainterPath ResizeArrow::transformedPath(float size, float angleDegrees)
{
    const QPainterPath &base = arrowPath();
    const QPointF c = base.boundingRect().center();
    // In y-up coordinates QTransform::rotate turns (1, 0) towards (0, 1): counter-clockwise.
    const QPainterPath turned = QTransform::fromTranslate(c.x(), c.y())
                                    .rotate(angleDegrees)
                                    .translate(-c.x(), -c.y())
                                    .map(base);
    const QPointF from = turned.boundingRect().topLeft(); // the minimum corner
    const qreal s = unitScale(size);
    return QTransform::fromScale(s, s).translate(3 - from.x(), 3 - from.y()).map(turned);
}

QSizeF ResizeArrow::imageSizeF(float size, float angleDegrees)
{
    const qreal margin = 3 * unitScale(size);
    const QSizeF box = transformedPath(size, angleDegrees).boundingRect().size();
    return QSizeF(box.width() + 2 * margin, box.height() + 2 * margin);
}

void ResizeArrow::paintArrow(QPainter &painter, float size, float angleDegrees, QPointF centre)
{
    const QPainterPath path = transformedPath(size, angleDegrees);
    const QPointF c = path.boundingRect().center();
    // y-up to y-down about the centre: (x, y) → (x − c.x + centre.x, centre.y − (y − c.y)).
    const QTransform flip(1, 0, 0, -1, centre.x() - c.x(), centre.y() + c.y());
    const QPainterPath drawn = flip.map(path);
    const qreal s = unitScale(size);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 3 * s, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    painter.drawPath(drawn);
    painter.setPen(QPen(Qt::black, s, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    painter.drawPath(drawn);
    painter.restore();
}

QImage ResizeArrow::imageWithSize(float size, float angleDegrees)
{
    const QSizeF exact = imageSizeF(size, angleDegrees);
    QImage image(pixelExtent(exact.width()), pixelExtent(exact.height()),
        QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // The rounding slack is shared by both sides so that the arrow's centre is the image's.
    paintArrow(painter, size, angleDegrees, QPointF(image.width() / 2.0, image.height() / 2.0));
    return image;
}

QPoint ResizeArrow::hotSpot(const QImage &image)
{
    return QPoint(image.width() / 2, image.height() / 2);
}

QCursor ResizeArrow::cursorWithSize(float size, float angleDegrees)
{
    const QImage image = imageWithSize(size, angleDegrees);
    const QPoint hot = hotSpot(image);
    return QCursor(QPixmap::fromImage(image), hot.x(), hot.y());
}

QCursor ResizeArrow::upslopeCursor()
{
    return bundledCursor(":/cursors/rs_upslope.png", 7, 8);
}

QCursor ResizeArrow::downslopeCursor()
{
    return bundledCursor(":/cursors/rs_downslope.png", 7, 7);
}

} // namespace pennova
