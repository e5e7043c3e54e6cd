// DrawView: the pointer gestures (rotate, pan, zoom) and the view commands. The gesture of a
// press is chosen by the keys held at the press and latched for the whole drag: the rotate key
// (Meta at the factory) rotates, Space pans, Shift zooms. They change only the view transform,
// never the picture or the undo history.

#include "canvas/view/drawview.h"
#include "settings/defaults.h"

#include <algorithm>
#include <cmath>

namespace pennova {

QString DrawView::zoomMessage(float zoom)
{
    return QStringLiteral("Zoom: %1%").arg(zoomPercent(zoom));
}

Point DrawView::frameCentre() const
{
    const Size f = m_transform.frameSize();
    return Point { f.width / 2.0f, f.height / 2.0f };
}

bool DrawView::pressGesture(const PointerEvent &event)
{
    m_turnDraggers = m_ctrl;
    if (m_turnDraggers) {
        m_canvasAngle = m_transform.boundsRotation();
        const Point m = frameCentre();
        m_startAngle = std::atan2(event.location.y - m.y, event.location.x - m.x);
        mouseDragged(event); // a rotation of zero
        return true;
    }
    m_moveDraggers = m_isSpace;
    if (m_moveDraggers)
        updateCursor();
    m_zoomDraggers = event.modifiers.testFlag(Qt::ShiftModifier);
    if (m_zoomDraggers) {
        m_oldzoom = m_transform.zoom();
        m_dragZoomLowest = std::min(m_zoomFloor, m_oldzoom);
    }
    if (m_moveDraggers || m_zoomDraggers)
        m_lastdrag = event.location;
    return m_moveDraggers;
}

bool DrawView::dragGesture(const PointerEvent &event)
{
    const float rotation = m_transform.boundsRotation();
    const float dx = event.location.x - m_lastdrag.x;
    const float dy = event.location.y - m_lastdrag.y;
    m_lastdrag = event.location;

    if (m_turnDraggers) {
        rotateTo(event.location);
        return true;
    }
    if (m_moveDraggers) {
        pan(dx, dy, rotation);
        // The picture follows the pointer, so it is always redrawn (also when Shift was held
        // at the press as well as Space).
        update();
        return true;
    }
    if (m_zoomDraggers) {
        const float before = m_transform.zoom();
        zoomBy(dy, event.modifiers.testFlag(Qt::MetaModifier), rotation, frameCentre(),
            m_dragZoomLowest);
        // Below 50 % the zoom changes by less than a percent at a time.
        const float now = m_transform.zoom();
        if (zoomPercent(m_oldzoom) != zoomPercent(now) || (now < kGestureZoomMin && now != before))
            update();
        return true;
    }
    return false;
}

bool DrawView::releaseGesture()
{
    // While a gesture dragged, the picture was drawn without smoothing; now it is smoothed.
    if ((m_zoomDraggers || m_moveDraggers || m_turnDraggers) && m_transform.zoom() < 2.0f)
        update();
    if (m_zoomDraggers) {
        flashstatus(zoomMessage(m_transform.zoom()));
        return true;
    }
    if (m_moveDraggers) {
        m_moveDraggers = false;
        updateCursor();
        return true;
    }
    if (m_turnDraggers) {
        updateCursor();
        return true;
    }
    return false;
}

// Pan: the picture follows the pointer one to one on the screen, at any zoom and rotation.
void DrawView::pan(float dx, float dy, float rotation)
{
    const float z = m_transform.zoom();
    m_transform.setBoundsRotation(0.0f);
    const Point o = m_transform.bounds().origin;
    m_transform.setBoundsOrigin(Point { o.x - dx / z, o.y - dy / z });
    m_transform.setBoundsRotation(rotation);
}

// Zoom about a view point (the window centre for the drag): dragging up zooms in, each window
// pixel changing the zoom by 1/300 of itself (1/150 with Control), within 50 %..800 % (or down to
// a lower start) and in whole percent. The canvas point under the pivot stays where it is.
void DrawView::zoomBy(float dy, bool fast, float rotation, Point viewPivot, float lowest)
{
    const Point m = viewPivot;
    const Point a = viewToCanvas(m);
    m_transform.setBoundsRotation(0.0f);
    showstatus(zoomMessage(m_transform.zoom()));
    setViewZoom(zoomStep(m_transform.zoom(), dy, fast, lowest));
    m_transform.setBoundsRotation(rotation);
    m_transform.setBoundsOrigin(Point {});
    const Point b = viewToCanvas(m);
    m_transform.setBoundsOrigin(a - b);
}

// Rotate about the window centre by the pointer's angle about it since the press; the canvas
// point under the centre stays where it is.
void DrawView::rotateTo(Point location)
{
    const Point m = frameCentre();
    const Point a = viewToCanvas(m);
    const float turned = float(std::atan2(location.y - m.y, location.x - m.x) - m_startAngle);
    m_transform.setBoundsRotation(turned * 180.0f / float(M_PI) + m_canvasAngle);
    m_transform.setBoundsOrigin(Point {});
    const Point b = viewToCanvas(m);
    m_transform.setBoundsOrigin(a - b);
    update();
}

void DrawView::setViewZoom(float zoom)
{
    m_transform.setZoom(zoom);
    // The brush cursor is drawn at the zoomed size.
    setBrushSize(getBrushSize());
}

void DrawView::resetZoom()
{
    const float oldZoom = m_transform.zoom();
    const Point oldOrigin = m_transform.bounds().origin;
    m_transform.setZoom(1.0f);
    m_transform.setBoundsRotation(0.0f);
    m_zoomFloor = kGestureZoomMin;
    flashstatus(QStringLiteral("View Reset"));
    const Point origin = resetZoomOrigin(oldOrigin, oldZoom, imgsize(), m_transform.frameSize());
    setBrushSize(getBrushSize());
    m_transform.setBoundsOrigin(origin);
    update();
}

void DrawView::zoomToFit()
{
    if (!m_surface.isValid())
        return;
    const Size frame = m_transform.frameSize();
    const Size image = imgsize();
    const float z = fitZoom(image, frame);
    m_transform.setBoundsRotation(0.0f);
    setViewZoom(z);
    m_zoomFloor = std::min(kGestureZoomMin, z);
    // Unrotated, f = z · (q − o): the canvas centre at the frame centre.
    m_transform.setBoundsOrigin(Point { image.width / 2.0f - frame.width / (2.0f * z),
        image.height / 2.0f - frame.height / (2.0f * z) });
    flashstatus(zoomMessage(z));
    update();
}

QSize DrawView::standardContentSize()
{
    const float z = m_transform.zoom();
    m_transform.setBoundsOrigin(Point {});
    update();
    return QSize(int(std::ceil(z * imgsize().width)), int(std::ceil(z * imgsize().height)));
}

} // namespace pennova
