// DrawView: pointer and tablet events, and the painting path of a stroke.

#include "canvas/penend.h"
#include "canvas/view/drawview.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabletEvent>

namespace pennova {

namespace {

    // Mouse events that Qt makes up from tablet events carry the tablet's device. The tablet
    // events themselves are handled, so these would paint a second time.
    bool isTabletDevice(const QPointingDevice *device)
    {
        if (!device)
            return false;
        switch (device->type()) {
        case QInputDevice::DeviceType::Stylus:
        case QInputDevice::DeviceType::Airbrush:
        case QInputDevice::DeviceType::Puck:
            return true;
        default:
            return false;
        }
    }

} // namespace

PointerEvent DrawView::pointerEventFrom(
    const QSinglePointEvent &event, float pressure, bool tablet) const
{
    PointerEvent e;
    e.location = viewPointFromWidget(event.position());
    e.pressure = pressure;
    e.modifiers = event.modifiers();
    e.device = event.pointingDevice();
    e.tablet = tablet;
    return e;
}

void DrawView::mousePressEvent(QMouseEvent *event)
{
    // The middle button pans, beside everything else; the pen's buttons come as tablet events.
    if (event->button() == Qt::MiddleButton && !isTabletDevice(event->pointingDevice())
        && !m_mousedown && m_buttonGesture == ButtonGesture::None) {
        buttonPress(PenButtonRole::Pan, Qt::MiddleButton, pointerEventFrom(*event, 1.0f, false));
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton || isTabletDevice(event->pointingDevice()) || m_mousedown
        || m_buttonGesture != ButtonGesture::None) {
        event->ignore();
        return;
    }
    // A click into an inactive window both activates it and paints, with the current size.
    if (!isActiveWindow())
        prox();
    m_strokeDevice = event->pointingDevice();
    mouseDown(pointerEventFrom(*event, 1.0f, false));
    event->accept();
}

void DrawView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_buttonGesture != ButtonGesture::None) {
        if (event->pointingDevice() == m_buttonDevice)
            buttonDrag(pointerEventFrom(*event, 1.0f, false));
        event->accept();
        return;
    }
    if (!m_mousedown) {
        m_mt.mouseMoved(event->position());
        return;
    }
    if (event->pointingDevice() != m_strokeDevice) {
        event->ignore();
        return;
    }
    mouseDragged(pointerEventFrom(*event, 1.0f, false));
    event->accept();
}

void DrawView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_buttonGesture != ButtonGesture::None && event->button() == m_gestureButton
        && event->pointingDevice() == m_buttonDevice) {
        buttonRelease();
        event->accept();
        return;
    }
    if (!m_mousedown || event->button() != Qt::LeftButton
        || event->pointingDevice() != m_strokeDevice) {
        event->ignore();
        return;
    }
    mouseUp(pointerEventFrom(*event, 1.0f, false));
    m_strokeDevice = nullptr;
    event->accept();
}

void DrawView::tabletEvent(QTabletEvent *event)
{
    // Accepted in every case, so that Qt does not turn it into a mouse event as well.
    event->accept();
    const float pressure = float(event->pressure());
    // The side buttons: the lower one is Qt's middle button, the upper one its right button.
    if (m_buttonGesture != ButtonGesture::None) {
        if (event->pointingDevice() != m_buttonDevice)
            return;
        if (event->type() == QEvent::TabletMove)
            buttonDrag(pointerEventFrom(*event, pressure, true));
        else if (event->type() == QEvent::TabletRelease && event->button() == m_gestureButton)
            buttonRelease();
        return;
    }
    if (event->type() == QEvent::TabletPress && !m_mousedown
        && (event->button() == Qt::MiddleButton || event->button() == Qt::RightButton)) {
        const PenButton side
            = event->button() == Qt::MiddleButton ? PenButton::Lower : PenButton::Upper;
        buttonPress(penbuttons::role(m_defaults, side), event->button(),
            pointerEventFrom(*event, pressure, true));
        return;
    }
    switch (event->type()) {
    case QEvent::TabletPress: {
        if (m_mousedown)
            return;
        // Some drivers send no proximity events, or name the eraser only on contact: a press
        // from another end than the recorded one switches the brush first.
        const int type = PenEnd::deviceTypeFor(event->pointerType());
        if (type != PenEnd::shared().curtip())
            PenEnd::shared().setDeviceType(type);
        if (!isActiveWindow())
            prox();
        m_strokeDevice = event->pointingDevice();
        mouseDown(pointerEventFrom(*event, pressure, true));
        break;
    }
    case QEvent::TabletMove:
        if (m_mousedown && event->pointingDevice() == m_strokeDevice)
            mouseDragged(pointerEventFrom(*event, pressure, true));
        else if (!m_mousedown)
            m_mt.mouseMoved(event->position());
        break;
    case QEvent::TabletRelease:
        if (m_mousedown && event->pointingDevice() == m_strokeDevice) {
            mouseUp(pointerEventFrom(*event, pressure, true));
            m_strokeDevice = nullptr;
        }
        break;
    default:
        break;
    }
}

void DrawView::mouseDown(const PointerEvent &event)
{
    finishPainting(); // a press without the last stroke's release
    m_mousedown = true;
    emit drawViewClicked(this);
    m_alt = m_gestureKeys.held(event.modifiers, m_heldLetters).erase;
    const QRgb fill = m_brush.colourPixel();
    const Point p = viewToCanvas(event.location);
    m_engine.setLastPoints(p);

    // Rotation and pan presses end here; a zoom press goes on, and its drags then zoom.
    if (pressGesture(event))
        return;
    m_selDraggers = m_isSelect;
    if (m_selDraggers) {
        selectionPress(event);
        return;
    }
    if (m_isPaste) {
        // A plain press while a paste floats starts moving it, by whole pixels.
        m_engine.setLastPoint(integralPoint(p));
        return;
    }
    // Painting start: keep the "before" pixels, then paint the press as the first segment, a dot.
    m_engine.beginStroke(fill);
    mouseDragged(event);
}

void DrawView::mouseDragged(const PointerEvent &event)
{
    if (dragGesture(event))
        return;
    if (m_selDraggers)
        selectionDrag(event);
    else if (m_isPaste)
        pasteDrag(event);
    else
        paintSegmentTo(event);
}

void DrawView::mouseUp(const PointerEvent &)
{
    m_mousedown = false;
    // The order differs from the press: a zoom first, then selection and paste, then pan and
    // rotation, and only then a stroke.
    if (m_zoomDraggers) {
        releaseGesture();
        return;
    }
    if (m_selDraggers) {
        selectionRelease();
        return;
    }
    if (m_isPaste) {
        pasteRelease();
        return;
    }
    if (releaseGesture())
        return;
    commitStroke();
}

void DrawView::paintSegmentTo(const PointerEvent &event)
{
    if (!m_surface.isValid())
        return;
    // The pressure curve shapes what the tablet reports; a mouse's full pressure stays full.
    const float pressure = event.tablet ? m_pressureCurve.map(event.pressure) : event.pressure;
    const PenSample sample { viewToCanvas(event.location), pressure, isEraser() || m_alt };
    // With a selection, strokes stay inside it.
    std::optional<Rect> clip;
    if (m_selection.selectionExists)
        clip = m_selection.selrect;
    m_paintingGate.setWatching(true);
    m_painter.paintSegment(sample, m_brush.params(m_brushsize), clip, m_eraseImage);
    // What the painting thread has done so far; the rest follows at the next event, or when it
    // has caught up.
    redisplayPainted();
}

void DrawView::redisplayPainted()
{
    // Only the pixels the segments' pieces reach can have changed.
    const QRect reach = m_painter.takePainted();
    if (!reach.isEmpty())
        redisplayCanvasRect(MakeRect(
            float(reach.x()), float(reach.y()), float(reach.width()), float(reach.height())));
}

void DrawView::finishPainting()
{
    if (!m_painter.busy())
        return;
    m_painter.finish();
    m_paintingGate.setWatching(false);
    redisplayPainted();
}

void DrawView::commitStroke()
{
    finishPainting();
    const Rect dirty = m_engine.dirtyRect();
    // A stroke wholly outside the canvas changed nothing.
    if (!dirty.isEmpty())
        m_undo.recordChange(toQRect(dirty), m_engine.before(), QStringLiteral("Draw"));
    m_engine.endStroke();
}

void DrawView::flagsChanged(Qt::KeyboardModifiers modifiers)
{
    m_modifiers = modifiers;
    applyGestureKeys();
}

// The erase, select and rotate flags follow whatever keys the settings give those gestures, so
// that a remapped key drives exactly the code the factory key does.
void DrawView::applyGestureKeys()
{
    const GestureKeys::Held held = m_gestureKeys.held(m_modifiers, m_heldLetters);
    m_alt = held.erase;
    m_selectHeld = held.select;
    const bool wasSelect = m_isSelect;
    m_isSelect = m_selectHeld || m_selectToggled;
    m_ctrl = held.rotate;
    if (wasSelect != m_isSelect) {
        update();
        emit selectionStateChanged();
    }
    updateCursor();
    prox();
}

namespace {
    bool isModifierKey(int key)
    {
        return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt
            || key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_Super_L
            || key == Qt::Key_Super_R;
    }
} // namespace

void DrawView::keyPressEvent(QKeyEvent *event)
{
    if (isModifierKey(event->key())) {
        flagsChanged(QGuiApplication::queryKeyboardModifiers());
        return;
    }
    // Return or Enter commits a floating paste, Escape drops it.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_isPaste) {
        doPaste();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_isPaste) {
        cancelPaste();
        return;
    }
    // A letter key given to a gesture: held like Space, its auto-repeat absorbed.
    if (const quint32 bit = letterKeyBit(event->key()) & m_gestureKeys.letterBits()) {
        if (!(m_heldLetters & bit)) {
            m_heldLetters |= bit;
            applyGestureKeys();
        }
        return;
    }
    // Space held: pan mode. Its auto-repeat is absorbed here.
    if (event->key() == Qt::Key_Space) {
        if (!m_isSpace) {
            m_isSpace = true;
            updateCursor();
        }
        return;
    }
    if (nudgeSelection(event->key()))
        return;
    // Keys that no command takes: the platform's alert, as with any other unbound key.
    if (!event->text().isEmpty()
        || (event->key() >= Qt::Key_Left && event->key() <= Qt::Key_Down)) {
        QApplication::beep();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DrawView::keyReleaseEvent(QKeyEvent *event)
{
    if (isModifierKey(event->key())) {
        flagsChanged(QGuiApplication::queryKeyboardModifiers());
        return;
    }
    if (const quint32 bit = letterKeyBit(event->key()) & m_gestureKeys.letterBits()) {
        if (!event->isAutoRepeat() && (m_heldLetters & bit)) {
            m_heldLetters &= ~bit;
            applyGestureKeys();
        }
        return;
    }
    if (event->key() == Qt::Key_Space) {
        if (event->isAutoRepeat())
            return;
        const bool was = m_isSpace;
        m_isSpace = false;
        if (was)
            updateCursor();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void DrawView::focusOutEvent(QFocusEvent *event)
{
    // The release of a held letter would go elsewhere: let go of it now.
    if (m_heldLetters) {
        m_heldLetters = 0;
        applyGestureKeys();
    }
    QWidget::focusOutEvent(event);
}

void DrawView::reloadGestureKeys()
{
    m_gestureKeys = GestureKeys::fromDefaults(m_defaults);
    m_heldLetters &= m_gestureKeys.letterBits();
    applyGestureKeys();
}

void DrawView::changeEvent(QEvent *event)
{
    // Modifiers released while another window was active must not stay latched.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        flagsChanged(QGuiApplication::queryKeyboardModifiers());
    QWidget::changeEvent(event);
}

} // namespace pennova
