#include "palette/tpdisclosurebutton.h"

#include <QPainter>
#include <QPainterPath>

namespace pennova {

TPDisclosureButton::TPDisclosureButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
}

void TPDisclosureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A triangle of about 8 points in the middle of the button.
    const QRectF box = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
    QPainterPath triangle;
    if (isChecked()) {
        triangle.moveTo(box.left(), box.top() + box.height() * 0.2);
        triangle.lineTo(box.right(), box.top() + box.height() * 0.2);
        triangle.lineTo(box.center().x(), box.bottom() - box.height() * 0.1);
    } else {
        triangle.moveTo(box.left() + box.width() * 0.2, box.top());
        triangle.lineTo(box.right() - box.width() * 0.1, box.center().y());
        triangle.lineTo(box.left() + box.width() * 0.2, box.bottom());
    }
    triangle.closeSubpath();
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    QColor fill = palette().color(group, QPalette::WindowText);
    fill.setAlphaF(isDown() ? 0.9f : 0.6f);
    painter.fillPath(triangle, fill);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.drawPath(triangle);
    }
}

} // namespace pennova
