#include "canvas/view/drawview.h"

#include "canvas/penend.h"
#include "canvas/undohistory.h"
#include "canvasui/mytextfield.h"
#include "canvasui/resizearrow.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QCoreApplication>
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

    connect(&PenEnd::shared(), &PenEnd::tabletProximityNotification, this, &DrawView::prox);
    // A tool chosen in the palette (or any other change of the brush settings) takes effect at
    // once: the size is applied again and the brush cursor redrawn.
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (key == keys::BrushSize || key == keys::EraserSize || key == keys::Color
            || key == keys::Ink)
            prox();
    });
    setAcceptDrops(true);
    m_statusfield = new MyTextField(this);
    m_usCursor = ResizeArrow::upslopeCursor();
    m_dsCursor = ResizeArrow::downslopeCursor();
    m_mt.setPointMapping([this](const QPointF &widgetPoint) {
        const Point c = viewToCanvas(viewPointFromWidget(widgetPoint));
        return QPointF(c.x, c.y);
    });
    m_mt.setResetCursorPaths([this](MouseTracker &tracker) { resetCursorPaths(tracker); });
    m_marqueeTimer.setInterval(1000 / 6);
    connect(&m_marqueeTimer, &QTimer::timeout, this, &DrawView::updateMarquee);
    m_marqueeTimer.start();
    connect(&m_undo, &CanvasUndo::regionChanged, this,
        [this](const QRect &r) { redisplayCanvasRect(fromQRect(r)); });
    m_gestureKeys = GestureKeys::fromDefaults(m_defaults);
    m_pressureCurve = PressureCurve::fromDefaults(m_defaults);
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (GestureKeys::isSettingsKey(key))
            reloadGestureKeys();
        else if (key == PressureCurve::settingsKey())
            m_pressureCurve = PressureCurve::fromDefaults(m_defaults);
    });
    m_painter.setCaughtUp([this] {
        // From the painting thread: the view shows the last segments at its next pass.
        QCoreApplication::postEvent(this, new QEvent(paintedEvent()));
    });
    prox();
}

DrawView::~DrawView()
{
    finishPainting();
}

QEvent::Type DrawView::paintedEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

namespace {
    // Whether any pixel is less than opaque: one pass, ending at the first such pixel.
    bool hasTranslucentPixel(const QImage &image)
    {
        for (int y = 0; y < image.height(); ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(row[x]) != 255)
                    return true;
            }
        }
        return false;
    }
} // namespace

bool DrawView::newImageWithSize(Size size)
{
    finishPainting();
    const bool ok = m_surface.newImageWithSize(size);
    m_mayShowThrough = false;
    update();
    return ok;
}

bool DrawView::adoptImage(QImage picture)
{
    finishPainting();
    const bool alpha = picture.hasAlphaChannel();
    const bool ok = m_surface.adoptImage(std::move(picture));
    m_mayShowThrough = ok && alpha && hasTranslucentPixel(m_surface.image());
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
    m_statusfield->flashstatus(text);
    emit statusMessage(text, false);
}

void DrawView::showstatus(const QString &text)
{
    m_statusfield->showstatus(text);
    emit statusMessage(text, true);
}

// The cursor regions for the current mode, first matching row wins: the closed hand or the
// crosshair while a button pans or picks, the open hand while Space is held, the closed hand during
// a pan, the brush (or the arrow while a paste waits) when painting, and in selection mode the
// crosshair, the arrow over the selection and resize arrows on its corners, drawn at the view's
// rotation.
void DrawView::resetCursorPaths(MouseTracker &tracker)
{
    if (!m_hasBrushCursor)
        return;
    // A button gesture shows what it does, whatever the keys.
    if (m_buttonGesture == ButtonGesture::Pan) {
        tracker.setDefaultCursor(Qt::ClosedHandCursor);
        return;
    }
    if (m_buttonGesture == ButtonGesture::Pick) {
        tracker.setDefaultCursor(Qt::CrossCursor);
        return;
    }
    if (m_isSpace && !m_moveDraggers) {
        tracker.setDefaultCursor(Qt::OpenHandCursor);
        return;
    }
    if (m_moveDraggers && m_mousedown) {
        tracker.setDefaultCursor(Qt::ClosedHandCursor);
        return;
    }
    if (!m_isSelect) {
        tracker.setDefaultCursor(m_isPaste ? QCursor(Qt::ArrowCursor) : m_brushCursor);
        return;
    }
    tracker.setDefaultCursor(Qt::CrossCursor);
    // No rectangle yet: nothing to point at but the crosshair.
    if (m_selection.selrect.isEmpty())
        return;
    QPainterPath selection;
    selection.addRect(toQRectF(m_selection.selrect));
    tracker.addCursorPath(selection, QCursor(Qt::ArrowCursor));
    if (!m_selection.selectionExists)
        return;
    const float rotation = m_transform.boundsRotation();
    m_dsCursor = ResizeArrow::cursorWithSize(16, rotation - 45);
    m_usCursor = ResizeArrow::cursorWithSize(16, rotation + 45);
    for (int i = 0; i < 4; ++i) {
        const Point c = m_selection.selcorners[size_t(i)];
        QPainterPath corner;
        corner.addEllipse(QRectF(c.x - 10, c.y - 10, 20, 20));
        tracker.addCursorPath(corner, i % 2 == 0 ? m_usCursor : m_dsCursor);
    }
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
    // Only the part on screen: a selection far off the canvas would not fit the integers of
    // QRect.
    const QRectF visible = widgetRect.intersected(QRectF(rect()));
    if (!visible.isEmpty())
        update(visible.toAlignedRect());
}

void DrawView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_placedInWindow) {
        m_placedInWindow = true;
        emit placedInWindow();
    }
}

void DrawView::resizeEvent(QResizeEvent *event)
{
    m_transform.setFrameSize(Size { float(event->size().width()), float(event->size().height()) });
    QWidget::resizeEvent(event);
}

} // namespace pennova
