#include "canvas/brushcursor.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace pennova {

BrushCursorImage renderBrushCursor(
    float diameterScreen, const std::optional<RgbaColor> &colour, bool eraser, bool ink)
{
    const double d = std::max(0.0, double(diameterScreen));
    const int side = int(std::ceil(d)) + 2;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QColor c = Qt::black;
    if (colour)
        c = QColor::fromRgbF(colour->red, colour->green, colour->blue);
    c.setAlphaF(0.8f);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(1.0, 1.0, d, d);
    if (eraser) {
        QFont font(QStringLiteral("Monospace"));
        font.setStyleHint(QFont::Monospace);
        font.setPointSizeF(std::max(d * 2.0 / 3.0, 8.0));
        p.setFont(font);
        const QFontMetricsF metrics(font);
        const QString e = QStringLiteral("E");
        const double tw = metrics.horizontalAdvance(e);
        const double th = metrics.height();
        // Centred in the circle, drawn in the default text colour.
        const QRectF textRect((d - tw) / 2.0 + 1.0, (d - th) / 2.0 + 1.0, tw, th);
        p.setPen(Qt::black);
        p.drawText(textRect, Qt::AlignCenter, e);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(circle);
        if (ink) {
            p.setPen(QPen(Qt::black, 1.0));
            p.drawLine(QPointF(d / 2.0 + 0.5, 1.0), QPointF(d / 2.0 + 0.5, d));
        }
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::magenta, 1.0));
    p.drawEllipse(circle);
    p.end();

    const int hot = int(d / 2.0 + 1.5);
    return BrushCursorImage { image, QPoint(hot, hot) };
}

} // namespace pennova
