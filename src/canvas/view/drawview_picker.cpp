// DrawView: showing and hiding the colour picker strip above the canvas.

#include "canvas/view/drawview.h"

#include <QAction>
#include <QEvent>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

namespace pennova {

namespace {

    QRect interpolated(const QRect &from, const QRect &to, double progress)
    {
        const auto mix
            = [progress](int a, int b) { return int(std::lround(a + (b - a) * progress)); };
        return QRect(mix(from.x(), to.x()), mix(from.y(), to.y()), mix(from.width(), to.width()),
            mix(from.height(), to.height()));
    }

} // namespace

void DrawView::setPicker(QWidget *picker)
{
    m_cPicker = picker;
    if (!m_pickerSlide) {
        m_pickerSlide = new QVariantAnimation(this);
        m_pickerSlide->setDuration(kPickerSlideMilliseconds);
        m_pickerSlide->setEasingCurve(QEasingCurve::Linear);
        m_pickerSlide->setStartValue(0.0);
        m_pickerSlide->setEndValue(1.0);
    }
    if (QWidget *content = parentWidget())
        content->installEventFilter(this);
    placePicker();
}

int DrawView::pickerVisibleHeight() const
{
    const QWidget *content = parentWidget();
    if (!m_cPicker || !content)
        return 0;
    return m_cPicker->geometry().intersected(content->rect()).height();
}

void DrawView::showPicker(QAction *sender)
{
    const QWidget *content = parentWidget();
    if (!m_cPicker || !content)
        return;
    const bool sliding = m_pickerSlide->state() == QAbstractAnimation::Running;
    const bool hidden = sliding ? !m_pickerShown : pickerVisibleHeight() < kPickerHeight;
    m_pickerShown = hidden;
    if (sender)
        sender->setText(hidden ? tr("Hide &Color Picker") : tr("Show &Color Picker"));

    // Shown, the strip's top is the content's top and the view gives up the strip's height at
    // its top; the view's bottom edge stays where it is, so the picture does not move.
    const QRect pickerFrom = m_cPicker->geometry();
    const QRect viewFrom = geometry();
    const QRect pickerTo(
        pickerFrom.x(), hidden ? 0 : -kPickerHeight, pickerFrom.width(), kPickerHeight);
    const int viewHeight = std::max(0, content->height() - (hidden ? kPickerHeight : 0));
    const QRect viewTo(
        viewFrom.x(), viewFrom.y() + viewFrom.height() - viewHeight, viewFrom.width(), viewHeight);

    m_pickerSlide->stop();
    m_pickerSlide->disconnect(this);
    connect(m_pickerSlide, &QVariantAnimation::valueChanged, this,
        [this, pickerFrom, pickerTo, viewFrom, viewTo](const QVariant &value) {
            const double progress = value.toDouble();
            if (m_cPicker)
                m_cPicker->setGeometry(interpolated(pickerFrom, pickerTo, progress));
            setGeometry(interpolated(viewFrom, viewTo, progress));
        });
    m_pickerSlide->start();
}

void DrawView::finishPickerSlide()
{
    if (m_pickerSlide && m_pickerSlide->state() == QAbstractAnimation::Running)
        m_pickerSlide->setCurrentTime(m_pickerSlide->duration());
}

void DrawView::placePicker()
{
    const QWidget *content = parentWidget();
    if (!m_cPicker || !content)
        return;
    // A new content size ends a slide in progress where it was going.
    if (m_pickerSlide->state() == QAbstractAnimation::Running)
        m_pickerSlide->stop();
    const int width = content->width();
    const int top = m_pickerShown ? kPickerHeight : 0;
    m_cPicker->setGeometry(0, m_pickerShown ? 0 : -kPickerHeight, width, kPickerHeight);
    setGeometry(0, top, width, std::max(0, content->height() - top));
}

bool DrawView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        placePicker();
    return QWidget::eventFilter(watched, event);
}

} // namespace pennova
