#include "canvasui/mytextfield.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVariantAnimation>
#include <algorithm>

namespace pennova {

namespace {

    QPointer<QVariantAnimation> g_fade;
    QPointer<MyTextField> g_fadeTarget;

    // Large enough to read over a busy picture.
    constexpr int kFontPixelSize = 22;

    // The rounded rectangle (0, 0)–(w, h), y up, from lines and quadratic curves with control
    // points at the corners. Narrower than 2r the corner curves overlap, which is accepted.
    QPainterPath roundedBox(qreal w, qreal h, qreal r)
    {
        QPainterPath p;
        p.moveTo(r, 0);
        p.quadTo(0, 0, 0, r);
        p.lineTo(0, h - r);
        p.quadTo(0, h, r, h);
        p.lineTo(w - r, h);
        p.quadTo(w, h, w, h - r);
        p.lineTo(w, r);
        p.quadTo(w, 0, w - r, 0);
        p.lineTo(r, 0);
        p.closeSubpath();
        return p;
    }

} // namespace

MyTextField::MyTextField(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    QFont f = font();
    f.setPixelSize(kFontPixelSize);
    setFont(f);
    resize(boxSizeForText(QString()));
    watchParent();
    // Nothing to say yet: the first message shows the box.
    setVisible(false);
}

MyTextField::~MyTextField()
{
    if (g_fadeTarget == this && g_fade)
        g_fade->stop();
}

QVariantAnimation *MyTextField::fadeAnimation()
{
    if (!g_fade) {
        g_fade = new QVariantAnimation(QCoreApplication::instance());
        g_fade->setStartValue(1.0);
        g_fade->setEndValue(0.0);
        g_fade->setDuration(kFadeMilliseconds);
        g_fade->setEasingCurve(QEasingCurve::Linear);
        QObject::connect(
            g_fade, &QVariantAnimation::valueChanged, g_fade, [](const QVariant &value) {
                if (g_fadeTarget)
                    g_fadeTarget->setOpacity(value.toReal());
            });
        QObject::connect(g_fade, &QAbstractAnimation::finished, g_fade, [] {
            if (g_fadeTarget)
                g_fadeTarget->hide();
        });
    }
    return g_fade;
}

MyTextField *MyTextField::fadeTarget()
{
    return g_fadeTarget;
}

void MyTextField::flashstatus(const QString &text)
{
    QVariantAnimation *fade = fadeAnimation();
    // Another box that was fading ends as its fade would have: hidden.
    if (g_fadeTarget && g_fadeTarget != this && fade->state() != QAbstractAnimation::Stopped)
        g_fadeTarget->hide();
    fade->stop();
    g_fadeTarget = this;
    layoutText(text);
    fade->start(); // from a stopped state the time starts again at 0
}

void MyTextField::showstatus(const QString &text)
{
    if (g_fadeTarget == this) {
        if (g_fade)
            g_fade->stop();
        g_fadeTarget = nullptr;
    }
    layoutText(text);
    update();
}

void MyTextField::setOpacity(qreal opacity)
{
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

void MyTextField::setAlignment(Qt::Alignment) { }

QSize MyTextField::boxSizeForText(const QString &text) const
{
    return QSize(fontMetrics().horizontalAdvance(text) + kTextPadding, kBoxHeight);
}

void MyTextField::layoutText(const QString &text)
{
    m_text = text;
    resize(boxSizeForText(text));
    centreInParent();
    m_opacity = 1.0;
    show();
    raise();
    update();
}

void MyTextField::centreInParent()
{
    if (const QWidget *p = parentWidget())
        move(p->width() / 2 - width() / 2, p->height() / 2 - height() / 2);
}

void MyTextField::watchParent()
{
    if (m_watchedParent == parentWidget())
        return;
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
    m_watchedParent = parentWidget();
    if (m_watchedParent)
        m_watchedParent->installEventFilter(this);
}

bool MyTextField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watchedParent && event->type() == QEvent::Resize)
        centreInParent();
    return QWidget::eventFilter(watched, event);
}

bool MyTextField::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange) {
        watchParent();
        centreInParent();
    }
    return QWidget::event(event);
}

void MyTextField::paintEvent(QPaintEvent *)
{
    if (m_opacity <= 0.0)
        return;
    const qreal w = width(), h = height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);

    // The box is laid out y up, from the lower-left corner: flip, then scale by s = W / (W + 4)
    // and move by (2, 2) so that the stroke stays inside the field.
    const qreal s = w / (w + 4);
    const QTransform box = QTransform::fromScale(s, s).translate(2, 2);
    const QTransform toWidget(1, 0, 0, -1, 0, h);
    const QTransform t = box * toWidget;
    const QPainterPath outline = t.map(roundedBox(w, h, kCornerRadius));
    painter.fillPath(outline, Qt::black);
    QPen pen(QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.5f));
    pen.setWidthF(2 * s);
    painter.strokePath(outline, pen);

    // The text is centred in the box as drawn.
    painter.setPen(Qt::white);
    painter.setFont(font());
    painter.drawText(outline.boundingRect(), Qt::AlignCenter | Qt::TextSingleLine, m_text);
}

} // namespace pennova
