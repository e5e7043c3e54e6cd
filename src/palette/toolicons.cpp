#include "palette/toolicons.h"

#include "settings/colorarchive.h"
#include "settings/defaultskeys.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace pennova::toolicons {

namespace {

    const QColor kInkBlue = QColor::fromRgbF(0.5f, 0.5f, 1.0f);
    const QColor kCheckerDark = QColor::fromRgbF(0.4f, 0.4f, 0.4f);
    const QColor kCheckerLight = QColor::fromRgbF(0.95f, 0.95f, 0.95f);
    constexpr double kCheckerSquare = 2.0;

    QImage blankIcon(qreal devicePixelRatio)
    {
        const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
        const int side = int(std::ceil(kIconSize * ratio));
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        return image;
    }

    // Makes the painter draw in y-up icon coordinates, origin at the lower-left corner.
    void flipToYUp(QPainter &painter)
    {
        painter.translate(0, kIconSize);
        painter.scale(1, -1);
    }

    // Text whose baseline starts at a y-up point, drawn upright.
    void drawText(QPainter &painter, double x, double yUp, const QString &text)
    {
        QFont font(QStringLiteral("Sans Serif"));
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(kTextPointSize);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x, kIconSize - yUp), text);
    }

    QString numberText(const ToolRecord &record, const QString &key)
    {
        return record.contains(key) ? QString::number(record.value(key).toInt())
                                    : QStringLiteral("*");
    }

    QPen roundPen(const QColor &color, double width)
    {
        return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    }

    // Pen coordinates are shifted by (6, 4) from the icon's corner; the outline runs out of the
    // icon to the upper right, so only the tip end shows.
    QPainterPath penOutline()
    {
        QPainterPath outline;
        outline.moveTo(6, 6);
        outline.quadTo(9, 9, 20, 13);
        outline.lineTo(64, 50);
        outline.lineTo(58, 56);
        outline.lineTo(14, 19);
        outline.quadTo(9, 9, 6, 6);
        return outline;
    }

    void drawInkEmblem(QPainter &painter, bool inkOn)
    {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(roundPen(kInkBlue, 3));
        painter.drawLine(QPointF(-6, -4), QPointF(6, 6));
        painter.setPen(roundPen(Qt::black, 1.5));
        painter.drawEllipse(QRectF(-12, -11, 16, 16));
        if (!inkOn) {
            painter.setPen(roundPen(kInkBlue, 3));
            painter.drawLine(QPointF(-4, -2), QPointF(6, 6));
        }
    }

    // Squares of kCheckerSquare points from the pen's origin, over the icon's area, replacing
    // whatever lies under them within the clip.
    void drawCheckerboard(QPainter &painter)
    {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const int squares = int(kIconSize / kCheckerSquare);
        for (int row = 0; row < squares; ++row) {
            for (int column = 0; column < squares; ++column) {
                painter.fillRect(QRectF(column * kCheckerSquare, row * kCheckerSquare,
                                     kCheckerSquare, kCheckerSquare),
                    (row + column) % 2 == 0 ? kCheckerDark : kCheckerLight);
            }
        }
        painter.restore();
    }

    // White strokes along the pen, each narrower and more opaque: alpha a, width (1 − a)·5 + a.
    void drawHighlight(QPainter &painter)
    {
        for (const double alpha : { 0.0, 0.3, 0.6, 0.9 }) {
            QColor white(Qt::white);
            white.setAlphaF(float(alpha));
            painter.setPen(roundPen(white, (1.0 - alpha) * 5.0 + alpha));
            painter.drawLine(QPointF(16, 17), QPointF(60, 54));
        }
    }

} // namespace

QImage penIcon(const ToolRecord &record, qreal devicePixelRatio)
{
    const std::optional<RgbaColor> color = record.contains(keys::Color)
        ? ColorArchive::decode(record.value(keys::Color).toByteArray())
        : std::nullopt;

    QImage image = blankIcon(devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    flipToYUp(painter);
    painter.translate(6, 4);

    if (record.contains(keys::Ink))
        drawInkEmblem(painter, record.value(keys::Ink).toInt() != 0);

    const QPainterPath outline = penOutline();
    painter.save();
    if (color) {
        painter.fillPath(
            outline, QColor::fromRgbF(color->red, color->green, color->blue, color->alpha));
    } else {
        painter.setClipPath(outline);
        drawCheckerboard(painter);
    }
    painter.restore();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(roundPen(Qt::black, 1));
    painter.drawPath(outline);

    if (color)
        drawHighlight(painter);
    painter.restore();

    if (record.contains(keys::BrushSizeMin) || record.contains(keys::BrushSize)) {
        drawText(painter, 0, 22,
            numberText(record, keys::BrushSizeMin) + QLatin1Char('-')
                + numberText(record, keys::BrushSize));
    }
    return image;
}

QImage eraserIcon(const ToolRecord &record, qreal devicePixelRatio)
{
    QImage image = blankIcon(devicePixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    flipToYUp(painter);
    painter.translate(0, 4);

    QPainterPath outline;
    outline.moveTo(1, 8);
    outline.quadTo(5, 5, 10, 1);
    outline.lineTo(26, 10);
    outline.lineTo(30.5, 17);
    outline.lineTo(22, 22);
    outline.lineTo(5, 13);
    outline.closeSubpath();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(roundPen(Qt::black, 2));
    painter.drawPath(outline);

    // The faces go over the outline's inner half.
    QPainterPath right;
    right.moveTo(13, 7);
    right.lineTo(30.5, 17);
    right.lineTo(26, 10);
    right.lineTo(10, 1);
    right.quadTo(11, 5, 13, 7);
    painter.fillPath(right, QColor::fromRgbF(0.9f, 0.7f, 0.7f));

    QPainterPath end;
    end.moveTo(1, 8);
    end.quadTo(5, 5, 10, 1);
    end.quadTo(11, 5, 13, 7);
    end.quadTo(10, 11, 5, 13);
    end.closeSubpath();
    painter.fillPath(end, QColor::fromRgbF(0.95f, 0.8f, 0.8f));

    QPainterPath top;
    top.moveTo(5, 13);
    top.lineTo(22, 22);
    top.lineTo(30.5, 17);
    top.lineTo(13, 7);
    top.quadTo(10, 11, 5, 13);
    top.closeSubpath();
    painter.fillPath(top, QColor::fromRgbF(1.0f, 0.9f, 0.9f));
    painter.restore();

    if (record.contains(keys::EraserSize))
        drawText(painter, 1, 22, QString::number(record.value(keys::EraserSize).toInt()));
    if (record.contains(keys::EraserStrength))
        drawText(painter, 18, 0, QString::number(record.value(keys::EraserStrength).toInt()));
    return image;
}

} // namespace pennova::toolicons
