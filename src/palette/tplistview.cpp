#include "palette/tplistview.h"

#include <QEvent>
#include <QEventLoop>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QVariantAnimation>
#include <cmath>
#include <utility>

namespace pennova {

namespace {

    // Point at fraction t of the way from a to b, for each edge of the frame.
    QRect interpolated(const QRect &a, const QRect &b, double t)
    {
        const auto mix = [t](int from, int to) { return int(std::lround(from + (to - from) * t)); };
        return QRect(mix(a.x(), b.x()), mix(a.y(), b.y()), mix(a.width(), b.width()),
            mix(a.height(), b.height()));
    }

    // A layout that keeps asking for another (a scroll bar appearing and going) stops here.
    constexpr int kMaxLayoutPasses = 4;

} // namespace

TPListView::TPListView(QWidget *parent)
    : QWidget(parent)
{
    m_children.reserve(10);
    m_spacer = new QWidget;
    m_spacer->setObjectName(QStringLiteral("spacer"));
    m_spacer->resize(0, 0);
    addSubview(m_spacer);
    watchParent();
}

bool TPListView::isNested() const
{
    return qobject_cast<TPListView *>(parentWidget()) != nullptr;
}

QWidget *TPListView::getChildAtIndex(int index) const
{
    return index >= 0 && index < childCount() ? m_children.at(index) : nullptr;
}

int TPListView::indexOfChild(const QWidget *view) const
{
    return int(m_children.indexOf(const_cast<QWidget *>(view)));
}

void TPListView::addSubview(QWidget *view)
{
    if (!view || view == this || m_children.contains(view) || view->isAncestorOf(this))
        return;
    // A view that was never shown (or was shown) becomes visible with the list; one that was
    // hidden on purpose stays hidden.
    const bool keepHidden = view->isHidden() && view->testAttribute(Qt::WA_WState_ExplicitShowHide);
    view->setParent(this);
    view->resize(width(), view->height());
    m_children.append(view);
    if (m_children.size() > 1)
        m_children.swapItemsAt(m_children.size() - 1, m_children.size() - 2);
    if (!keepHidden)
        view->show();
    layout();
    emit childrenChanged();
}

void TPListView::removeChild(QWidget *view)
{
    if (!view || view == m_spacer || !m_children.contains(view))
        return;
    m_children.removeOne(view);
    view->hide();
    view->setParent(nullptr);
    view->deleteLater();
    layout();
    emit childrenChanged();
}

void TPListView::swapChild(QWidget *a, QWidget *b)
{
    const int i = indexOfChild(a);
    const int j = indexOfChild(b);
    if (i < 0 || j < 0 || a == m_spacer || b == m_spacer)
        return;
    m_children.swapItemsAt(i, j);
    layout();
    emit childrenChanged();
}

void TPListView::moveSubview(QWidget *view, QWidget *before)
{
    if (view == before || view == m_spacer || !m_children.contains(view)
        || !m_children.contains(before))
        return;
    m_children.removeOne(view);
    m_children.insert(indexOfChild(before), view);
    layout();
    emit childrenChanged();
}

void TPListView::moveSubview(QWidget *view, int index)
{
    if (QWidget *before = getChildAtIndex(index))
        moveSubview(view, before);
}

void TPListView::popChild(QWidget *child)
{
    if (m_children.contains(child))
        child->raise();
}

void TPListView::moveChildDown(QWidget *child)
{
    const int i = indexOfChild(child);
    if (m_moving || i < 0 || i >= childCount() - 2)
        return;
    m_children.swapItemsAt(i, i + 1);
    QWidget *below = m_children.at(i);
    const QRect movedFrom = child->geometry();
    const QRect otherFrom = below->geometry();
    // The row below takes the row's top edge; the row follows directly under it.
    animateExchange(child,
        QRect(movedFrom.x(), movedFrom.y() + otherFrom.height(), movedFrom.width(),
            movedFrom.height()),
        below, QRect(otherFrom.x(), movedFrom.y(), otherFrom.width(), otherFrom.height()),
        otherFrom.height());
}

void TPListView::moveChildUp(QWidget *child)
{
    const int i = indexOfChild(child);
    if (m_moving || i < 1 || child == m_spacer)
        return;
    m_children.swapItemsAt(i, i - 1);
    QWidget *above = m_children.at(i);
    const QRect movedFrom = child->geometry();
    const QRect otherFrom = above->geometry();
    // The row takes the top edge of the row above, which follows directly under it.
    animateExchange(child,
        QRect(movedFrom.x(), otherFrom.y(), movedFrom.width(), movedFrom.height()), above,
        QRect(otherFrom.x(), otherFrom.y() + movedFrom.height(), otherFrom.width(),
            otherFrom.height()),
        otherFrom.height());
}

void TPListView::animateExchange(
    QWidget *moved, const QRect &movedEnd, QWidget *other, const QRect &otherEnd, int distance)
{
    // The order has changed already; the animation only shows it.
    emit childrenChanged();
    m_lastMoveSeconds = std::abs(distance) * double(m_moveTime) / 32.0;
    const int milliseconds = int(std::lround(m_lastMoveSeconds * 1000.0));
    // Hidden rows have no place to move from, and an unseen list has nothing to show.
    if (moved->isHidden() || other->isHidden()) {
        layout();
        return;
    }
    if (milliseconds <= 0 || !isVisible()) {
        moved->setGeometry(movedEnd);
        other->setGeometry(otherEnd);
        return;
    }

    const QPointer<TPListView> self(this);
    const QPointer<QWidget> movedRow(moved);
    const QPointer<QWidget> otherRow(other);
    const QRect movedStart = moved->geometry();
    const QRect otherStart = other->geometry();
    QVariantAnimation animation;
    animation.setStartValue(0.0);
    animation.setEndValue(1.0);
    animation.setDuration(milliseconds);
    animation.setEasingCurve(QEasingCurve::Linear);
    connect(&animation, &QVariantAnimation::valueChanged, this, [&](const QVariant &value) {
        const double t = value.toDouble();
        if (movedRow)
            movedRow->setGeometry(interpolated(movedStart, movedEnd, t));
        if (otherRow)
            otherRow->setGeometry(interpolated(otherStart, otherEnd, t));
    });
    QEventLoop loop;
    connect(&animation, &QAbstractAnimation::finished, &loop, &QEventLoop::quit);

    m_moving = true;
    animation.start();
    emit moveStarted(&animation);
    // User input waits until the move has ended, as the caller does.
    if (animation.state() == QAbstractAnimation::Running)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!self)
        return;
    m_moving = false;
    if (movedRow)
        movedRow->setGeometry(movedEnd);
    if (otherRow)
        otherRow->setGeometry(otherEnd);
    if (m_layoutPending)
        layout();
}

// The area a top-level list is seen in: its parent, which is the viewport when the list is the
// widget of a scroll area.
QSize TPListView::visibleAreaSize() const
{
    const QWidget *super = parentWidget();
    return super ? super->size() : size();
}

int TPListView::stackChildren()
{
    int y = 0;
    for (QWidget *child : std::as_const(m_children)) {
        if (child->isHidden())
            continue;
        child->setGeometry(child->x(), y, width(), child->height());
        y += child->height();
    }
    return y;
}

void TPListView::layout()
{
    if (m_moving) {
        m_layoutPending = true;
        return;
    }
    // Resizing the list can resize its parent (a scroll area's scroll bar comes or goes), which
    // asks for a layout from inside this one; that request is run after this pass instead.
    if (m_layoutDepth > 0) {
        m_layoutPending = true;
        return;
    }
    ++m_layoutDepth;
    int passes = 0;
    do {
        m_layoutPending = false;
        QWidget *super = parentWidget();
        const bool nested = isNested();
        if (super && !nested) {
            int rowsHeight = 0;
            for (int i = 0; i + 1 < childCount(); ++i) {
                if (!m_children.at(i)->isHidden())
                    rowsHeight += m_children.at(i)->height();
            }
            const QSize visible = visibleAreaSize();
            m_spacer->resize(visible.width(),
                rowsHeight >= visible.height() ? 0 : visible.height() - rowsHeight);
            resize(super->width(), height());
        }
        resize(width(), stackChildren());
        update();
        if (nested)
            static_cast<TPListView *>(super)->layout();
        else if (super)
            super->update();
    } while (m_layoutPending && ++passes < kMaxLayoutPasses);
    m_layoutPending = false;
    --m_layoutDepth;
}

void TPListView::watchParent()
{
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
    m_watchedParent = nullptr;
    QWidget *super = parentWidget();
    if (super && !isNested()) {
        m_watchedParent = super;
        super->installEventFilter(this);
    }
}

bool TPListView::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange) {
        watchParent();
        layout();
    }
    return QWidget::event(event);
}

bool TPListView::eventFilter(QObject *watched, QEvent *event)
{
    // A top-level list follows the size of the area it is shown in.
    if (watched == m_watchedParent && event->type() == QEvent::Resize)
        layout();
    return QWidget::eventFilter(watched, event);
}

void TPListView::resizeEvent(QResizeEvent *event)
{
    // The enclosing list changed this list's width: the children follow it. Heights stay, so
    // nothing above needs to know.
    if (event->oldSize().width() != event->size().width() && !m_moving && m_layoutDepth == 0)
        stackChildren();
    QWidget::resizeEvent(event);
}

void TPListView::paintEvent(QPaintEvent *event)
{
    if (isNested())
        return;
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
}

} // namespace pennova
