#include "canvasui/mousetracker.h"

#include <QDebug>

namespace pennova {

namespace {

    bool isResizable(const QWidget *window)
    {
        if (window->windowFlags() & Qt::MSWindowsFixedSizeDialogHint)
            return false;
        if (window->isFullScreen())
            return false;
        return window->minimumSize() != window->maximumSize();
    }

} // namespace

MouseTracker::MouseTracker(QWidget *owner)
    : m_owner(owner)
{
    m_regions.reserve(10);
    if (m_owner)
        m_owner->setMouseTracking(true);
}

void MouseTracker::addCursorPath(const QPainterPath &path, const std::optional<QCursor> &cursor)
{
    if (path.isEmpty()) {
        qWarning("MouseTracker: Nil path received");
        return;
    }
    if (!cursor) {
        qWarning("MouseTracker: Nil cursor received");
        return;
    }
    m_regions.push_back(Region { path, *cursor });
}

void MouseTracker::setDefaultCursor(const QCursor &cursor)
{
    m_defaultCursor = cursor;
}

void MouseTracker::setResetCursorPaths(std::function<void(MouseTracker &)> resetCursorPaths)
{
    m_resetCursorPaths = std::move(resetCursorPaths);
}

void MouseTracker::setPointMapping(std::function<QPointF(const QPointF &)> mapping)
{
    m_mapping = std::move(mapping);
}

void MouseTracker::invalidateCursorPaths()
{
    m_regions.clear();
    if (m_resetCursorPaths)
        m_resetCursorPaths(*this);
    if (m_owner)
        mouseMoved(QPointF(m_owner->mapFromGlobal(QCursor::pos())));
}

void MouseTracker::mouseMoved(const QPointF &widgetPoint)
{
    if (!m_owner)
        return;
    m_current = cursorForWidgetPoint(widgetPoint);
    // Setting an equal cursor again would only make the window system busy on every movement.
    if (!(m_owner->cursor() == m_current) || !m_owner->testAttribute(Qt::WA_SetCursor))
        m_owner->setCursor(m_current);
}

QCursor MouseTracker::cursorForWidgetPoint(const QPointF &widgetPoint) const
{
    if (!m_owner)
        return QCursor(Qt::ArrowCursor);
    const QPointF p = widgetPoint;
    if (!(0 <= p.x() && p.x() < m_owner->width() && 0 <= p.y() && p.y() < m_owner->height()))
        return QCursor(Qt::ArrowCursor);
    if (overResizeGrip(widgetPoint))
        return QCursor(Qt::ArrowCursor);
    return cursorForPoint(regionPoint(widgetPoint));
}

QCursor MouseTracker::cursorForPoint(const QPointF &regionPoint) const
{
    const int i = regionIndexAt(regionPoint);
    return i < 0 ? m_defaultCursor : m_regions[size_t(i)].cursor;
}

int MouseTracker::regionIndexAt(const QPointF &regionPoint) const
{
    for (int i = int(m_regions.size()) - 1; i >= 0; --i) {
        // QPainterPath counts an edge crossing for min <= y < max and edge x <= point x, so a
        // rectangle contains minX <= x < maxX, minY <= y < maxY: the half-open test.
        if (m_regions[size_t(i)].path.contains(regionPoint))
            return i;
    }
    return -1;
}

bool MouseTracker::overResizeGrip(const QPointF &widgetPoint) const
{
    const QWidget *window = m_owner->window();
    if (!isResizable(window))
        return false;
    // The grip square, y down: x from width − 16, y from height − 16, to the window's edges.
    const QPointF p = m_owner->mapTo(window, widgetPoint);
    return p.x() >= window->width() - kResizeGripSize && p.x() < window->width()
        && p.y() >= window->height() - kResizeGripSize && p.y() < window->height();
}

QPointF MouseTracker::regionPoint(const QPointF &widgetPoint) const
{
    if (m_mapping)
        return m_mapping(widgetPoint);
    return QPointF(widgetPoint.x(), m_owner->height() - widgetPoint.y());
}

} // namespace pennova
