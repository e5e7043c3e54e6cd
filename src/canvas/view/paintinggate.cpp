#include "canvas/view/paintinggate.h"

#include <QCoreApplication>
#include <QWindow>

namespace pennova {

PaintingGate::PaintingGate(QObject *view, QEvent::Type caughtUpEvent, std::function<void()> finish)
    : m_view(view)
    , m_caughtUpEvent(caughtUpEvent)
    , m_finish(std::move(finish))
{ }

PaintingGate::~PaintingGate()
{
    setWatching(false);
}

void PaintingGate::setWatching(bool watching)
{
    if (watching == m_watching || !QCoreApplication::instance())
        return;
    m_watching = watching;
    if (watching)
        QCoreApplication::instance()->installEventFilter(this);
    else
        QCoreApplication::instance()->removeEventFilter(this);
}

bool PaintingGate::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::TabletMove:
        // The window's own copy of a move, then the view's: both go on to paintSegment.
        if (watched == m_view || qobject_cast<QWindow *>(watched))
            return false;
        break;
    case QEvent::HoverMove: // a widget's hover look follows the pointer, whatever it is over
    case QEvent::UpdateRequest:
    case QEvent::UpdateLater:
        return false; // these only ask for paint events, which come through here one by one
    case QEvent::Paint:
        if (watched == m_view)
            return false; // the view's paint event finishes first where it reads more than rows
        break;
    default:
        if (event->type() == m_caughtUpEvent && watched == m_view)
            return false;
        break;
    }
    m_finish();
    return false;
}

} // namespace pennova
