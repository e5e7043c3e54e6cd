// DrawView: navigation that never paints and records no undo step. The wheel scrolls (Shift +
// wheel sideways), Ctrl + wheel zooms about the pointer, a touchpad's pinch zooms and its
// two-finger scroll pans, the middle mouse button pans, and the pen's side buttons do what the
// settings give them. Each drives the same pan, zoom and rotate code as the drags.

#include "canvas/view/drawview.h"
#include "settings/colorarchive.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QNativeGestureEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace pennova {

namespace {
    // Qt measures the wheel in eighths of a degree; a notch is 15 degrees.
    constexpr float kNotch = 120.0f;
} // namespace

void DrawView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (m_mousedown || m_buttonGesture != ButtonGesture::None || !m_surface.isValid())
        return;
    // A touchpad reports pixels where the platform knows them; a wheel, or a touchpad on X11,
    // eighths of a degree. Positive is away from the user and to the left: the picture moves
    // down or right, as the content of any scrolled window does.
    const bool pixels = !event->pixelDelta().isNull();
    const QPointF delta = pixels ? QPointF(event->pixelDelta())
                                 : QPointF(event->angleDelta()) * kWheelNotchPanPixels / kNotch;
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        const float dy = pixels ? float(event->pixelDelta().y())
                                : float(event->angleDelta().y()) * kWheelNotchZoomPixels / kNotch;
        zoomAbout(dy, viewPointFromWidget(event->position()));
        return;
    }
    float dx = float(delta.x());
    float dy = -float(delta.y());
    // Shift turns a wheel that only goes up and down sideways.
    if (event->modifiers().testFlag(Qt::ShiftModifier) && dx == 0.0f) {
        dx = -dy;
        dy = 0.0f;
    }
    scrollBy(dx, dy);
}

bool DrawView::event(QEvent *event)
{
    if (event->type() == paintedEvent()) {
        redisplayPainted();
        return true;
    }
    if (event->type() == QEvent::NativeGesture) {
        nativeGesture(static_cast<QNativeGestureEvent *>(event));
        return event->isAccepted();
    }
    return QWidget::event(event);
}

void DrawView::nativeGesture(QNativeGestureEvent *event)
{
    const bool busy = m_mousedown || m_buttonGesture != ButtonGesture::None || !m_surface.isValid();
    switch (event->gestureType()) {
    case Qt::ZoomNativeGesture:
        // value() is the change of scale since the last event: +0.1 is 10 % larger.
        if (!busy)
            zoomAbout(
                float(event->value()) * kPinchZoomPixels, viewPointFromWidget(event->position()));
        event->accept();
        break;
    case Qt::PanNativeGesture:
        // delta() in widget pixels, y down; the picture follows the fingers.
        if (!busy)
            scrollBy(float(event->delta().x()), -float(event->delta().y()));
        event->accept();
        break;
    case Qt::BeginNativeGesture:
    case Qt::EndNativeGesture:
        m_zoomCarry = 0.0f;
        event->accept();
        break;
    default:
        event->ignore();
        break;
    }
}

void DrawView::scrollBy(float dx, float dy)
{
    if (m_mousedown || !m_surface.isValid() || !std::isfinite(dx) || !std::isfinite(dy))
        return;
    if (dx == 0.0f && dy == 0.0f)
        return;
    pan(dx, dy, m_transform.boundsRotation());
    update();
}

void DrawView::zoomAbout(float dy, Point viewPivot)
{
    if (m_mousedown || !m_surface.isValid() || !std::isfinite(dy) || dy == 0.0f)
        return;
    // A turn the other way starts afresh; steps too small for a whole percent add up.
    m_zoomCarry = m_zoomCarry * dy < 0.0f ? dy : m_zoomCarry + dy;
    const float before = m_transform.zoom();
    const float lowest = std::min(m_zoomFloor, before);
    if (zoomStep(before, m_zoomCarry, false, lowest) == before)
        return;
    zoomBy(m_zoomCarry, false, m_transform.boundsRotation(), viewPivot, lowest);
    m_zoomCarry = 0.0f;
    flashstatus(zoomMessage(m_transform.zoom()));
    update();
}

void DrawView::pickCanvasColor(Point viewPoint)
{
    const Point c = viewToCanvas(viewPoint);
    if (!(c.x >= 0.0f && c.y >= 0.0f && c.x < float(m_surface.width())
            && c.y < float(m_surface.height())))
        return;
    const QRgb pixel = qUnpremultiply(m_surface.pixel(int(c.x), int(c.y)));
    if (qAlpha(pixel) == 0)
        return;
    const RgbaColor colour { float(qRed(pixel)) / 255.0f, float(qGreen(pixel)) / 255.0f,
        float(qBlue(pixel)) / 255.0f, 1.0f };
    if (colorFromDefaults(m_defaults) != colour)
        m_defaults.setData(keys::Color, ColorArchive::encode(colour));
}

void DrawView::buttonPress(PenButtonRole role, Qt::MouseButton button, const PointerEvent &event)
{
    switch (role) {
    case PenButtonRole::None:
        return;
    case PenButtonRole::Pan:
        m_buttonGesture = ButtonGesture::Pan;
        break;
    case PenButtonRole::Zoom:
        m_buttonGesture = ButtonGesture::Zoom;
        m_oldzoom = m_transform.zoom();
        m_dragZoomLowest = std::min(m_zoomFloor, m_oldzoom);
        break;
    case PenButtonRole::Rotate: {
        m_buttonGesture = ButtonGesture::Rotate;
        m_canvasAngle = m_transform.boundsRotation();
        const Point m = frameCentre();
        m_startAngle = std::atan2(event.location.y - m.y, event.location.x - m.x);
        break;
    }
    case PenButtonRole::PickColor:
        m_buttonGesture = ButtonGesture::Pick;
        pickCanvasColor(event.location);
        break;
    }
    emit drawViewClicked(this);
    m_gestureButton = button;
    m_buttonDevice = event.device;
    m_buttonLast = event.location;
    updateCursor();
}

void DrawView::buttonDrag(const PointerEvent &event)
{
    const float rotation = m_transform.boundsRotation();
    const float dx = event.location.x - m_buttonLast.x;
    const float dy = event.location.y - m_buttonLast.y;
    m_buttonLast = event.location;
    switch (m_buttonGesture) {
    case ButtonGesture::Pan:
        pan(dx, dy, rotation);
        update();
        break;
    case ButtonGesture::Zoom: {
        const float before = m_transform.zoom();
        zoomBy(dy, false, rotation, frameCentre(), m_dragZoomLowest);
        if (m_transform.zoom() != before)
            update();
        break;
    }
    case ButtonGesture::Rotate:
        rotateTo(event.location);
        break;
    case ButtonGesture::Pick:
        pickCanvasColor(event.location);
        break;
    case ButtonGesture::None:
        break;
    }
}

void DrawView::buttonRelease()
{
    if (m_buttonGesture == ButtonGesture::Zoom)
        flashstatus(zoomMessage(m_transform.zoom()));
    m_buttonGesture = ButtonGesture::None;
    m_gestureButton = Qt::NoButton;
    m_buttonDevice = nullptr;
    updateCursor();
}

} // namespace pennova
