#include "canvas/view/drawview.h"

#include "app/defaults.h"
#include "app/defaultskeys.h"
#include "app/tabletapp.h"
#include "canvas/undohistory.h"

#include <QResizeEvent>

namespace pennova {

DrawView::DrawView(Defaults &defaults, QWidget *parent)
    : QWidget(parent)
    , m_defaults(defaults)
    , m_brush(defaults)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TabletTracking);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_transform.setFrameSize(Size { float(width()), float(height()) });
    m_brushsize = Brush::clampSize(m_defaults.floatForKey(keys::BrushSize));

    if (TabletApp *app = TabletApp::instance())
        connect(app, &TabletApp::tabletProximityNotification, this, &DrawView::prox);
    setAcceptDrops(true);
    m_marqueeTimer.setInterval(1000 / 6);
    connect(&m_marqueeTimer, &QTimer::timeout, this, &DrawView::updateMarquee);
    m_marqueeTimer.start();
    connect(&m_undo, &CanvasUndo::regionChanged, this,
        [this](const QRect &r) { redisplayCanvasRect(fromQRect(r)); });
    prox();
}

DrawView::~DrawView() = default;

bool DrawView::newImageWithSize(Size size)
{
    const bool ok = m_surface.newImageWithSize(size);
    update();
    return ok;
}

bool DrawView::adoptImage(const QImage &picture)
{
    const bool ok = m_surface.adoptImage(picture);
    update();
    return ok;
}

void DrawView::setUndoHistory(UndoHistory *history)
{
    m_undo.setHistory(history);
}

UndoHistory *DrawView::undoHistory() const
{
    return m_undo.history();
}

void DrawView::flashstatus(const QString &text)
{
    qInfo("%s", qPrintable(text));
    emit statusMessage(text, false);
}

void DrawView::showstatus(const QString &text)
{
    emit statusMessage(text, true);
}

Point DrawView::viewPointFromWidget(const QPointF &widgetPoint) const
{
    return Point { float(widgetPoint.x()), float(height() - widgetPoint.y()) };
}

QPointF DrawView::widgetPointFromView(Point viewPoint) const
{
    return QPointF(viewPoint.x, height() - viewPoint.y);
}

void DrawView::redisplayCanvasRect(const Rect &canvasRect)
{
    const Rect v = m_transform.canvasToViewRect(canvasRect);
    // One pixel of slack for antialiased edges and interpolation.
    const QRectF widgetRect(
        v.origin.x - 1.0, height() - v.maxY() - 1.0, v.size.width + 2.0, v.size.height + 2.0);
    update(widgetRect.toAlignedRect());
}

void DrawView::resizeEvent(QResizeEvent *event)
{
    m_transform.setFrameSize(Size { float(event->size().width()), float(event->size().height()) });
    QWidget::resizeEvent(event);
}

} // namespace pennova
