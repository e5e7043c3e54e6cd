#include "palette/tpiconbutton.h"

#include <QPainter>

namespace pennova {

TPIconButton::TPIconButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void TPIconButton::setImages(const QImage &image, const QImage &pressed)
{
    m_image = image;
    m_pressed = pressed;
    update();
}

void TPIconButton::paintEvent(QPaintEvent *)
{
    const QImage &shown = isDown() ? m_pressed : m_image;
    if (shown.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(rect()), shown);
}

} // namespace pennova
