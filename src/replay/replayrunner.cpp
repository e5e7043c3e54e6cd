#include "replay/replayrunner.h"

#include "app/documentwindow.h"
#include "canvas/atomicfile.h"
#include "canvas/clipboardimage.h"
#include "canvas/imagefile.h"
#include "canvas/penend.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "palette/pntoolbox.h"
#include "palette/toolpanel.h"
#include "picker/colormodel.h"
#include "picker/colorview.h"
#include "picker/screenpicker.h"
#include "picker/screenpickoverlay.h"
#include "settings/defaults.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPixmap>
#include <QPointingDevice>
#include <QScreen>
#include <QTabletEvent>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

// Qt's entry for a key event from the window system, exported by QtGui for Qt Test. The event
// takes the platform's road: the window's shortcuts first (menu commands), then its focus widget;
// and Qt's record of the held modifiers (QGuiApplication::keyboardModifiers()) becomes the
// event's, as it does with every key of a real keyboard.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow *window, QEvent::Type type, int key,
    Qt::KeyboardModifiers modifiers, const QString &text, bool autorep, ushort count);
QT_END_NAMESPACE

namespace pennova {

using namespace replay;

namespace {

    template <class... Ts> struct Overloaded : Ts...
    {
        using Ts::operator()...;
    };
    template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

    // Milliseconds between two replayed input events: about the report rate of a pen tablet.
    constexpr quint64 kEventIntervalMs = 8;
    // How long a window manager may take to bring the document window to the front.
    constexpr qint64 kActivationTimeoutMs = 1000;

    QString hexColor(QRgb straight)
    {
        return QStringLiteral("%1%2%3%4")
            .arg(qRed(straight), 2, 16, QLatin1Char('0'))
            .arg(qGreen(straight), 2, 16, QLatin1Char('0'))
            .arg(qBlue(straight), 2, 16, QLatin1Char('0'))
            .arg(qAlpha(straight), 2, 16, QLatin1Char('0'));
    }

    // The modifier keys, in the order a hand presses them for a chord.
    struct ModifierKey
    {
        Qt::KeyboardModifier modifier;
        Qt::Key key;
    };
    constexpr ModifierKey kModifierKeys[] = {
        { Qt::ShiftModifier, Qt::Key_Shift },
        { Qt::ControlModifier, Qt::Key_Control },
        { Qt::AltModifier, Qt::Key_Alt },
        { Qt::MetaModifier, Qt::Key_Meta },
    };

    Qt::KeyboardModifier modifierOfKey(Qt::Key key)
    {
        for (const ModifierKey &m : kModifierKeys) {
            if (m.key == key)
                return m.modifier;
        }
        return Qt::NoModifier;
    }

    // The text a keyboard would type: the key's character (letters in lower case unless Shift
    // is held), a control character for Ctrl with a letter, as X11 reports it, and nothing for
    // keys that type nothing.
    QString keyText(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return QStringLiteral("\r");
        case Qt::Key_Tab:
            return QStringLiteral("\t");
        case Qt::Key_Backspace:
            return QStringLiteral("\b");
        case Qt::Key_Escape:
            return QStringLiteral("\x1b");
        case Qt::Key_Delete:
            return QStringLiteral("\x7f");
        default:
            break;
        }
        if (key >= Qt::Key_A && key <= Qt::Key_Z) {
            if (modifiers.testFlag(Qt::ControlModifier))
                return QString(QChar(char16_t(key - Qt::Key_A + 1)));
            const QChar letter(char16_t(key - Qt::Key_A + 'A'));
            return modifiers.testFlag(Qt::ShiftModifier) ? QString(letter)
                                                         : QString(letter.toLower());
        }
        if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
            return QString(QChar(char16_t(key)));
        return {};
    }

    QString rectText(float x, float y, float width, float height)
    {
        return QStringLiteral("%1 %2 %3 %4")
            .arg(QString::number(x), QString::number(y), QString::number(width),
                QString::number(height));
    }

} // namespace

ReplayRunner::ReplayRunner(Defaults &defaults, const QString &baseDirectory)
    : m_defaults(defaults)
    , m_baseDirectory(baseDirectory)
{
    registerApplicationDefaults(m_defaults);
    registerDocumentDefaults(m_defaults);

    struct Kind
    {
        const char *name;
        QPointingDevice::PointerType type;
    };
    // In the order of replay::Device. "mouse" is a tablet tool of the generic pointer type,
    // which the application counts as no pen end; plain mouse events (commands without a
    // pressure) come from Qt's core pointer instead.
    const Kind kinds[] = {
        { "Replay pen", QPointingDevice::PointerType::Pen },
        { "Replay eraser", QPointingDevice::PointerType::Eraser },
        { "Replay mouse", QPointingDevice::PointerType::Generic },
    };
    for (size_t i = 0; i < m_devices.size(); ++i) {
        m_devices[i] = std::make_unique<QPointingDevice>(QString::fromLatin1(kinds[i].name),
            qint64(0x5E9100 + i), QInputDevice::DeviceType::Stylus, kinds[i].type,
            QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 2,
            QString(), QPointingDeviceUniqueId::fromNumericId(qint64(i + 1)));
    }
    m_previousDeviceType = PenEnd::shared().curtip();
    PenEnd::shared().setDeviceType(PenEnd::UnknownDevice);
    makePalette();
}

ReplayRunner::~ReplayRunner()
{
    // A screen pick left open ends as cancelled; the window goes next: its view may still point
    // at one of the devices.
    if (ScreenPickOverlay *overlay = ScreenPicker::activeOverlay())
        overlay->close();
    delete m_window.data();
    if (PNToolBox::existing() == m_toolbox)
        PNToolBox::setShared(m_previousToolbox);
    delete m_panel;
    if (m_screenReplaced)
        ScreenPicker::setGrabSource({});
    // Leaves the application as it found it, for whatever runs in the process next.
    if (PenEnd::shared().curtip() != m_previousDeviceType)
        PenEnd::shared().setDeviceType(m_previousDeviceType);
}

DocumentWindow *ReplayRunner::window() const
{
    return m_window.data();
}

DrawView *ReplayRunner::drawView() const
{
    return m_window ? m_window->drawView() : nullptr;
}

const QPointingDevice *ReplayRunner::tabletDevice(Device device) const
{
    return m_devices[size_t(device)].get();
}

QString ReplayRunner::resolvePath(const QString &path) const
{
    const QDir base(m_baseDirectory.isEmpty() ? QDir::currentPath() : m_baseDirectory);
    return QDir::cleanPath(base.absoluteFilePath(path));
}

ReplayResult ReplayRunner::runText(const QString &text)
{
    QString error;
    const std::optional<ReplayScript> script
        = ReplayScript::parse(text, &error, !m_window.isNull());
    if (!script) {
        ReplayResult result;
        result.status = ReplayResult::Status::Error;
        result.messages << error;
        return result;
    }
    return run(*script);
}

ReplayResult ReplayRunner::run(const ReplayScript &script)
{
    ReplayResult result;
    for (const ScriptLine &line : script.lines()) {
        const Outcome outcome = execute(line.command);
        ++result.commandsRun;
        if (isExpectation(line.command))
            ++result.expectationsChecked;
        if (outcome.ok)
            continue;
        result.messages << QStringLiteral("%1: %2").arg(line.line).arg(outcome.message);
        if (outcome.error) {
            result.status = ReplayResult::Status::Error;
            return result;
        }
        result.status = ReplayResult::Status::ExpectationFailed;
    }
    processEvents();
    return result;
}

void ReplayRunner::processEvents()
{
    QCoreApplication::processEvents();
}

quint64 ReplayRunner::nextTimestamp()
{
    m_clockMs += kEventIntervalMs;
    return m_clockMs;
}

ReplayRunner::Outcome ReplayRunner::execute(const Command &command)
{
    const bool sizing = std::holds_alternative<CanvasCommand>(command)
        || std::holds_alternative<OpenCommand>(command)
        || std::holds_alternative<WindowCommand>(command);
    if (!sizing) {
        // What the event loop would do between two input events: repaint, run due timers. Not
        // between sizing commands, so that "canvas" followed by "window" never paints a window
        // the size of a huge canvas.
        processEvents();
    }
    // Every command sees the stroke painted up to its last sample, as a user's next action
    // does.
    if (DrawView *view = drawView())
        view->finishPainting();
    if (needsDocument(command) && !m_window)
        return Outcome { false, true, QStringLiteral("the document window is gone") };

    return std::visit(Overloaded {
                          [&](const CanvasCommand &c) { return newDocument(c); },
                          [&](const WindowCommand &c) { return resizeView(c.width, c.height); },
                          [&](const SetCommand &c) { return setDefault(c); },
                          [&](const ProximityCommand &c) { return proximity(c); },
                          [&](const PointerCommand &c) { return pointer(c); },
                          [&](const KeyCommand &c) { return key(c); },
                          [&](const ActionCommand &c) { return action(c); },
                          [&](const PngCommand &c) { return png(c); },
                          [&](const OpenCommand &c) { return openDocument(c); },
                          [&](const SaveCommand &c) { return save(c); },
                          [&](const GrabCommand &c) { return grab(c); },
                          [&](const ClipboardCommand &c) { return clipboard(c); },
                          [&](const DropCommand &c) { return drop(c); },
                          [&](const ExpectPixelCommand &c) { return expectPixel(c); },
                          [&](const ExpectStepsCommand &c) { return expectSteps(c); },
                          [&](const ExpectSelectionCommand &c) { return expectSelection(c); },
                          [&](const ExpectPasteCommand &c) { return expectPaste(c); },
                          [&](const ExpectZoomCommand &c) { return expectZoom(c); },
                          [&](const ExpectStatusCommand &c) { return expectStatus(c); },
                          [&](const ExpectSizeCommand &c) { return expectSize(c); },
                          [&](const WaitCommand &c) { return wait(c); },
                          [&](const PaletteCommand &c) { return palette(c); },
                          [&](const ExpectToolsCommand &c) { return expectTools(c); },
                          [&](const ExpectSettingCommand &c) { return expectSetting(c); },
                          [&](const ExpectPaletteCommand &c) { return expectPalette(c); },
                          [&](const PickerCommand &c) { return picker(c); },
                          [&](const ScreenCommand &c) { return screen(c); },
                          [&](const ScreenPickCommand &c) { return screenPick(c); },
                          [&](const ExpectColorCommand &c) { return expectColor(c); },
                          [&](const ExpectPickerCommand &c) { return expectPicker(c); },
                          [&](const WheelCommand &c) { return wheel(c); },
                          [&](const PinchCommand &c) { return pinch(c); },
                      },
        command);
}

DocumentWindow *ReplayRunner::replaceWindow()
{
    // The old document goes without the question about unsaved changes: a replay has no one to
    // answer it.
    delete m_window.data();
    m_pressDevice = nullptr;
    m_pressButton = Qt::LeftButton;
    m_mousePressed = false;
    m_mouseButton = Qt::LeftButton;
    m_lastStatus.reset();

    auto *window = new DocumentWindow(m_defaults);
    m_window = window;
    window->setWindowTitle(QStringLiteral("Replay"));
    // The window is the connection's context: it goes before the runner does.
    QObject::connect(window->drawView(), &DrawView::statusMessage, window,
        [this](const QString &text) { m_lastStatus = text; });
    m_toolbox->watchCanvas(window->drawView());
    return window;
}

ReplayRunner::Outcome ReplayRunner::showWindow(int width, int height)
{
    m_window->show();
    activateWindow();
    releaseStaleModifiers();
    return resizeView(width, height);
}

ReplayRunner::Outcome ReplayRunner::newDocument(const CanvasCommand &command)
{
    DocumentWindow *window = replaceWindow();
    if (!window->newCanvas(command.width, command.height)) {
        return Outcome { false, true,
            QStringLiteral("could not create a %1 x %2 canvas")
                .arg(command.width)
                .arg(command.height) };
    }
    return showWindow(command.width, command.height);
}

ReplayRunner::Outcome ReplayRunner::openDocument(const OpenCommand &command)
{
    // Read as the Open command reads a file, before the current document goes: a file that
    // cannot be opened leaves it as it was.
    const QString path = resolvePath(command.path);
    imagefile::ReadResult read = imagefile::readImage(path);
    if (!read.ok())
        return Outcome { false, true,
            QStringLiteral("cannot open '%1': %2").arg(path, read.error) };
    const QSize size = read.image.size();
    DocumentWindow *window = replaceWindow();
    const bool adopted = window->adoptCanvas(std::move(read.image)); // handed over, no copy
    if (!adopted) {
        return Outcome { false, true,
            QStringLiteral("cannot open '%1': there is not enough memory for it").arg(path) };
    }
    return showWindow(size.width(), size.height());
}

ReplayRunner::Outcome ReplayRunner::resizeView(int width, int height)
{
    // The view fills the window's content area below the menu bar: grow the window by what
    // surrounds the view. A second pass catches a menu bar whose height depends on the width.
    DrawView *view = drawView();
    const QSize wanted(width, height);
    for (int pass = 0; pass < 3 && view->size() != wanted; ++pass) {
        const QSize frame = m_window->size() - view->size();
        m_window->resize(wanted + frame);
    }
    if (view->size() != wanted) {
        return Outcome { false, true,
            QStringLiteral("the view cannot be %1 x %2 (it is %3 x %4; the window's smallest size "
                           "is %5 x %6)")
                .arg(width)
                .arg(height)
                .arg(view->width())
                .arg(view->height())
                .arg(m_window->minimumSize().width())
                .arg(m_window->minimumSize().height()) };
    }
    return {};
}

ReplayRunner::Outcome ReplayRunner::setDefault(const SetCommand &command)
{
    const QVariant &value = command.value;
    switch (value.typeId()) {
    case QMetaType::Bool:
        m_defaults.setBool(command.key, value.toBool());
        break;
    case QMetaType::Int:
        m_defaults.setInteger(command.key, value.toInt());
        break;
    case QMetaType::Float:
        m_defaults.setFloat(command.key, value.toFloat());
        break;
    case QMetaType::QByteArray:
        m_defaults.setData(command.key, value.toByteArray());
        break;
    default:
        m_defaults.setString(command.key, value.toString());
        break;
    }
    return {};
}

ReplayRunner::Outcome ReplayRunner::proximity(const ProximityCommand &command)
{
    // Qt delivers proximity to the application object, not to a widget.
    m_currentDevice = command.device;
    QTabletEvent event(QEvent::TabletEnterProximity, tabletDevice(command.device), QPointF(),
        QPointF(), 0.0, 0.0f, 0.0f, 0.0f, 0.0, 0.0f, m_heldModifiers, Qt::NoButton, Qt::NoButton);
    event.setTimestamp(nextTimestamp());
    QCoreApplication::sendEvent(QCoreApplication::instance(), &event);
    return {};
}

ReplayRunner::Outcome ReplayRunner::pointer(const PointerCommand &command)
{
    // A press brings its window to the front, as a click does.
    if (command.phase == PointerCommand::Phase::Down)
        activateWindow();
    // Modifiers given on the command are keys held for this one event: pressed just before it
    // and released just after, so that the view hears of them as from a keyboard (it reads
    // selection mode from Ctrl and rotation from Meta only from those changes).
    const Qt::KeyboardModifiers extra = pressModifierKeys(command.modifiers);
    sendPointer(command);
    releaseModifierKeys(extra);
    return {};
}

void ReplayRunner::sendPointer(const PointerCommand &command)
{
    DrawView *view = drawView();
    // View coordinates are y up from the view's lower-left corner; the widget's are y down.
    const QPointF local(command.viewX, view->height() - command.viewY);
    const QPointF scene = view->mapTo(m_window.data(), local);
    const QPointF global = view->mapToGlobal(local);
    const Qt::KeyboardModifiers modifiers = command.modifiers | m_heldModifiers;
    using Phase = PointerCommand::Phase;

    // A release ends the press in progress, which says whether it is a tablet event; so do the
    // moves of a press with a pen button, which the pen makes hovering.
    using Button = PointerCommand::Button;
    const bool penButton = command.button == Button::PenLower || command.button == Button::PenUpper;
    const bool tablet = command.phase == Phase::Up ? m_pressDevice != nullptr
                                                   : command.pressure.has_value() || penButton
            || (m_pressDevice && m_pressButton != Qt::LeftButton);
    if (tablet) {
        const QPointingDevice *device
            = command.phase == Phase::Up ? m_pressDevice : tabletDevice(m_currentDevice);
        QEvent::Type type = QEvent::TabletMove;
        Qt::MouseButton button = Qt::NoButton;
        Qt::MouseButtons buttons = m_pressDevice == device ? m_pressButton : Qt::NoButton;
        qreal pressure = command.pressure.value_or(0.0f);
        if (command.phase == Phase::Down) {
            type = QEvent::TabletPress;
            button = command.button == Button::PenLower ? Qt::MiddleButton
                : command.button == Button::PenUpper    ? Qt::RightButton
                                                        : Qt::LeftButton;
            buttons = button;
            m_pressDevice = device;
            m_pressButton = button;
        } else if (command.phase == Phase::Up) {
            type = QEvent::TabletRelease;
            button = m_pressButton;
            buttons = Qt::NoButton;
            pressure = 0.0;
            m_pressDevice = nullptr;
            m_pressButton = Qt::LeftButton;
        }
        QTabletEvent event(type, device, local, global, pressure, 0.0f, 0.0f, 0.0f, 0.0, 0.0f,
            modifiers, button, buttons);
        event.setTimestamp(nextTimestamp());
        QCoreApplication::sendEvent(view, &event);
        return;
    }

    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons = m_mousePressed ? m_mouseButton : Qt::NoButton;
    if (command.phase == Phase::Down) {
        type = QEvent::MouseButtonPress;
        button = command.button == Button::Middle ? Qt::MiddleButton : Qt::LeftButton;
        buttons = button;
        m_mousePressed = true;
        m_mouseButton = button;
    } else if (command.phase == Phase::Up) {
        type = QEvent::MouseButtonRelease;
        button = m_mouseButton;
        buttons = Qt::NoButton;
        m_mousePressed = false;
        m_mouseButton = Qt::LeftButton;
    }
    QMouseEvent event(type, local, scene, global, button, buttons, modifiers,
        QPointingDevice::primaryPointingDevice());
    event.setTimestamp(nextTimestamp());
    QCoreApplication::sendEvent(view, &event);
}

void ReplayRunner::activateWindow()
{
    if (!m_window || m_window->isActiveWindow())
        return;
    m_window->activateWindow();
    // At once offscreen; a window manager takes a moment, and may refuse.
    QElapsedTimer waited;
    waited.start();
    do {
        processEvents();
        if (!m_window || m_window->isActiveWindow())
            return;
        QThread::msleep(2);
    } while (waited.elapsed() < kActivationTimeoutMs);
}

void ReplayRunner::releaseStaleModifiers()
{
    // Qt's record of the held modifiers may still hold keys that something before this run
    // pressed: the replayed keyboard starts with only its own keys down.
    Qt::KeyboardModifiers record = QGuiApplication::keyboardModifiers();
    for (const ModifierKey &m : kModifierKeys) {
        if (record.testFlag(m.modifier) && !m_downModifiers.testFlag(m.modifier)) {
            record &= ~Qt::KeyboardModifiers(m.modifier);
            sendKeyEvent(false, m.key, record);
        }
    }
}

void ReplayRunner::sendKeyEvent(bool press, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWindow *handle = m_window ? m_window->windowHandle() : nullptr;
    qt_handleKeyEvent(handle, press ? QEvent::KeyPress : QEvent::KeyRelease, int(key), modifiers,
        keyText(key, modifiers), false, 1);
    // Where the platform asks the real keyboard for the held modifiers (X11), the view would
    // hear of none: tell it what the replayed keyboard holds.
    DrawView *view = drawView();
    if (view && modifierOfKey(key) != Qt::NoModifier
        && QGuiApplication::queryKeyboardModifiers() != modifiers)
        view->flagsChanged(modifiers);
}

Qt::KeyboardModifiers ReplayRunner::pressModifierKeys(Qt::KeyboardModifiers wanted)
{
    const Qt::KeyboardModifiers extra = wanted & ~m_downModifiers;
    for (const ModifierKey &m : kModifierKeys) {
        if (extra.testFlag(m.modifier)) {
            m_downModifiers |= m.modifier;
            sendKeyEvent(true, m.key, m_downModifiers);
        }
    }
    return extra;
}

void ReplayRunner::releaseModifierKeys(Qt::KeyboardModifiers extra)
{
    // In the reverse order of the presses; a key that a keydown now holds stays down.
    for (auto it = std::rbegin(kModifierKeys); it != std::rend(kModifierKeys); ++it) {
        if (extra.testFlag(it->modifier) && !m_heldModifiers.testFlag(it->modifier)) {
            m_downModifiers &= ~Qt::KeyboardModifiers(it->modifier);
            sendKeyEvent(false, it->key, m_downModifiers);
        }
    }
}

void ReplayRunner::sendKey(bool press, Qt::Key key)
{
    // A modifier key's own press already carries its modifier; its release no longer does.
    const Qt::KeyboardModifier own = modifierOfKey(key);
    if (press) {
        m_heldModifiers |= own;
        m_downModifiers |= own;
    } else {
        m_heldModifiers &= ~Qt::KeyboardModifiers(own);
        m_downModifiers &= ~Qt::KeyboardModifiers(own);
    }
    sendKeyEvent(press, key, m_downModifiers);
}

ReplayRunner::Outcome ReplayRunner::key(const KeyCommand &command)
{
    // Menu keys work only in the active window: the document window comes to the front first,
    // as after a click back into it, whatever window came up in between.
    activateWindow();
    const Qt::KeyboardModifiers extra = pressModifierKeys(command.modifiers);
    if (command.phase != KeyCommand::Phase::Release)
        sendKey(true, command.key);
    // The press may have closed the window; the keys still come up.
    if (command.phase != KeyCommand::Phase::Press)
        sendKey(false, command.key);
    releaseModifierKeys(extra);
    return {};
}

ReplayRunner::Outcome ReplayRunner::wheel(const WheelCommand &command)
{
    // Modifiers named on the command are keys held for this one event, as for the pointer.
    const Qt::KeyboardModifiers extra = pressModifierKeys(command.modifiers);
    DrawView *view = drawView();
    const QPointF local(command.viewX, view->height() - command.viewY);
    const QPoint delta(int(std::lround(command.dx * (command.pixels ? 1.0 : 120.0))),
        int(std::lround(command.dy * (command.pixels ? 1.0 : 120.0))));
    // A touchpad reports its pixels and, as Qt asks of every wheel event, an angle as well.
    QWheelEvent event(local, view->mapToGlobal(local), command.pixels ? delta : QPoint(), delta,
        Qt::NoButton, command.modifiers | m_heldModifiers,
        command.pixels ? Qt::ScrollUpdate : Qt::NoScrollPhase, false);
    event.setTimestamp(nextTimestamp());
    QCoreApplication::sendEvent(view, &event);
    releaseModifierKeys(extra);
    return {};
}

ReplayRunner::Outcome ReplayRunner::pinch(const PinchCommand &command)
{
    DrawView *view = drawView();
    const QPointF local(command.viewX, view->height() - command.viewY);
    const QPointF global = view->mapToGlobal(local);
    const QPointF scene = view->mapTo(m_window.data(), local);
    // A whole gesture: begin, one step of zoom, end, as a touchpad sends them.
    for (const Qt::NativeGestureType type :
        { Qt::BeginNativeGesture, Qt::ZoomNativeGesture, Qt::EndNativeGesture }) {
        QNativeGestureEvent event(type, QPointingDevice::primaryPointingDevice(), 2, local, scene,
            global, type == Qt::ZoomNativeGesture ? command.scale : 0.0, QPointF());
        event.setTimestamp(nextTimestamp());
        QCoreApplication::sendEvent(view, &event);
    }
    return {};
}

ReplayRunner::Outcome ReplayRunner::wait(const WaitCommand &command)
{
    // On the wall clock, as the timers and animations run; the input clock moves on as well.
    QEventLoop loop;
    QTimer::singleShot(command.milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    m_clockMs += quint64(command.milliseconds);
    return {};
}

ReplayRunner::Outcome ReplayRunner::action(const ActionCommand &command)
{
    QAction *a = m_window->action(command.name);
    if (!a)
        return Outcome { false, true, QStringLiteral("unknown action '%1'").arg(command.name) };
    // A disabled command does nothing, as its menu item would.
    a->trigger();
    return {};
}

ReplayRunner::Outcome ReplayRunner::writePng(const QImage &image, const QString &path)
{
    const auto failed = [&](const QString &why) {
        return Outcome { false, true, QStringLiteral("cannot write '%1': %2").arg(path, why) };
    };
    if (image.isNull())
        return failed(QStringLiteral("there are no pixels"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Written whole or not at all. PNG keeps straight alpha; the writer converts.
    const QString why = atomicfile::writeFile(path, [&image](QIODevice &device, QString &error) {
        QImageWriter writer(&device, "png");
        if (writer.write(image))
            return true;
        error = writer.errorString();
        return false;
    });
    if (!why.isEmpty())
        return failed(why);
    return {};
}

ReplayRunner::Outcome ReplayRunner::png(const PngCommand &command)
{
    return writePng(drawView()->surface().image(), resolvePath(command.path));
}

ReplayRunner::Outcome ReplayRunner::save(const SaveCommand &command)
{
    // The document's own writer: PNG as it is, JPEG over white paper, atomically.
    const QString path = resolvePath(command.path);
    const std::optional<imagefile::Format> format = imagefile::formatForPath(path);
    if (!format) {
        return Outcome { false, true,
            QStringLiteral("cannot save '%1': the name does not end in .png, .jpg or .jpeg")
                .arg(path) };
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString why = imagefile::writeImage(drawView()->surface().image(), path, *format);
    if (!why.isEmpty())
        return Outcome { false, true, QStringLiteral("cannot save '%1': %2").arg(path, why) };
    return {};
}

ReplayRunner::Outcome ReplayRunner::grab(const GrabCommand &command)
{
    // The widget renders itself and its children (the status box) as it would on screen.
    return writePng(drawView()->grab().toImage(), resolvePath(command.path));
}

ReplayRunner::Outcome ReplayRunner::clipboard(const ClipboardCommand &command)
{
    QClipboard *board = QGuiApplication::clipboard();
    const QString path = command.path.isEmpty() ? QString() : resolvePath(command.path);
    switch (command.operation) {
    case ClipboardCommand::Operation::Clear:
        board->clear();
        return {};
    case ClipboardCommand::Operation::Load: {
        // As another program would offer a picture: Qt's own image type, no TIFF.
        const imagefile::ReadResult read = imagefile::readImage(path);
        if (!read.ok()) {
            return Outcome { false, true,
                QStringLiteral("cannot load '%1' into the clipboard: %2").arg(path, read.error) };
        }
        auto *mime = new QMimeData;
        mime->setImageData(read.image);
        board->setMimeData(mime);
        return {};
    }
    case ClipboardCommand::Operation::Save: {
        const imagefile::ReadResult read = clipboard::imageFromMime(board->mimeData());
        if (!read.ok()) {
            return Outcome { false, true,
                QStringLiteral("cannot write '%1': %2")
                    .arg(path,
                        read.error.isEmpty() ? QStringLiteral("the clipboard holds no image")
                                             : read.error) };
        }
        return writePng(read.image, path);
    }
    }
    return {};
}

ReplayRunner::Outcome ReplayRunner::drop(const DropCommand &command)
{
    const QString path = resolvePath(command.path);
    if (!QFileInfo::exists(path)) {
        return Outcome { false, true,
            QStringLiteral("cannot drop '%1': the file does not exist").arg(path) };
    }
    // What a file manager offers: the file's URL, as "text/uri-list".
    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(path) });
    DrawView *view = drawView();
    const QPointF local(command.viewX, view->height() - command.viewY);
    // The drop follows only when the view takes the drag as it enters, as with a real drag.
    QDragEnterEvent enter(local.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, m_heldModifiers);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(view, &enter);
    if (!enter.isAccepted())
        return {};
    QDropEvent dropEvent(local, Qt::CopyAction, &mime, Qt::LeftButton, m_heldModifiers);
    dropEvent.setAccepted(false);
    QCoreApplication::sendEvent(view, &dropEvent);
    return {};
}

ReplayRunner::Outcome ReplayRunner::expectPixel(const ExpectPixelCommand &command)
{
    const CanvasSurface &surface = drawView()->surface();
    const int x = command.canvasX;
    const int y = command.canvasY;
    if (x < 0 || y < 0 || x >= surface.width() || y >= surface.height()) {
        return Outcome { false, true,
            QStringLiteral("pixel (%1, %2) is outside the %3 x %4 canvas")
                .arg(x)
                .arg(y)
                .arg(surface.width())
                .arg(surface.height()) };
    }
    const QRgb actual = qUnpremultiply(surface.pixel(x, y));
    const QRgb expected = command.straightColor;
    const int t = command.tolerance;
    const bool close = std::abs(qRed(actual) - qRed(expected)) <= t
        && std::abs(qGreen(actual) - qGreen(expected)) <= t
        && std::abs(qBlue(actual) - qBlue(expected)) <= t
        && std::abs(qAlpha(actual) - qAlpha(expected)) <= t;
    if (close)
        return {};
    QString message = QStringLiteral("pixel (%1, %2) is %3, expected %4")
                          .arg(x)
                          .arg(y)
                          .arg(hexColor(actual), hexColor(expected));
    if (t > 0)
        message += QStringLiteral(" within %1").arg(t);
    return Outcome { false, false, message };
}

ReplayRunner::Outcome ReplayRunner::expectSteps(const ExpectStepsCommand &command)
{
    const UndoHistory *history = m_window->undoHistory();
    const int actual = command.redo ? history->redoCount() : history->count();
    if (actual == command.steps)
        return {};
    return Outcome { false, false,
        QStringLiteral("%1 steps: %2, expected %3")
            .arg(command.redo ? QStringLiteral("redo") : QStringLiteral("undo"))
            .arg(actual)
            .arg(command.steps) };
}

ReplayRunner::Outcome ReplayRunner::expectSelection(const ExpectSelectionCommand &command)
{
    const SelectionModel &selection = drawView()->selection();
    const Rect &r = selection.selrect;
    const QString actual = selection.selectionExists
        ? rectText(r.origin.x, r.origin.y, r.size.width, r.size.height)
        : QStringLiteral("none");
    QString expected = QStringLiteral("none");
    if (command.canvasRect) {
        const QRect &e = *command.canvasRect;
        if (selection.selectionExists && fromQRect(e) == r)
            return {};
        expected = rectText(float(e.x()), float(e.y()), float(e.width()), float(e.height()));
    } else if (!selection.selectionExists) {
        return {};
    }
    return Outcome { false, false,
        QStringLiteral("selection: %1, expected %2").arg(actual, expected) };
}

ReplayRunner::Outcome ReplayRunner::expectPaste(const ExpectPasteCommand &command)
{
    const bool floating = drawView()->isPaste();
    if (floating == command.floating)
        return {};
    const auto word = [](bool yes) { return yes ? QStringLiteral("yes") : QStringLiteral("no"); };
    return Outcome {
        false, false,
        QStringLiteral("paste floats: %1, expected %2").arg(word(floating), word(command.floating))
    };
}

ReplayRunner::Outcome ReplayRunner::expectZoom(const ExpectZoomCommand &command)
{
    // As the status box shows it.
    const int percent = zoomPercent(drawView()->transform().zoom());
    if (percent == command.percent)
        return {};
    return Outcome { false, false,
        QStringLiteral("zoom: %1%, expected %2%").arg(percent).arg(command.percent) };
}

ReplayRunner::Outcome ReplayRunner::expectStatus(const ExpectStatusCommand &command)
{
    if (m_lastStatus == command.text)
        return {};
    const QString actual
        = m_lastStatus ? QStringLiteral("'%1'").arg(*m_lastStatus) : QStringLiteral("none shown");
    return Outcome { false, false,
        QStringLiteral("status: %1, expected '%2'").arg(actual, command.text) };
}

ReplayRunner::Outcome ReplayRunner::expectSize(const ExpectSizeCommand &command)
{
    const CanvasSurface &surface = drawView()->surface();
    if (surface.width() == command.width && surface.height() == command.height)
        return {};
    return Outcome { false, false,
        QStringLiteral("canvas size: %1 x %2, expected %3 x %4")
            .arg(surface.width())
            .arg(surface.height())
            .arg(command.width)
            .arg(command.height) };
}

ReplayRunner::Outcome ReplayRunner::picker(const PickerCommand &command)
{
    DrawView *view = drawView();
    ColorView *strip = m_window->colorView();
    using Operation = PickerCommand::Operation;
    if (command.operation == Operation::Show || command.operation == Operation::Hide) {
        // The menu command starts the slide when the strip is not already on its way; the run
        // then goes on with the strip in its end position.
        const bool show = command.operation == Operation::Show;
        if (view->isPickerShown() != show)
            m_window->action(QStringLiteral("showPicker"))->trigger();
        view->finishPickerSlide();
        return {};
    }
    if (view->pickerVisibleHeight() == 0) {
        return Outcome { false, true,
            QStringLiteral("the color picker is hidden (show it with 'picker show')") };
    }
    // Strip coordinates are y up from the strip's lower-left corner; the widget's are y down.
    const QPointF local(command.stripX, strip->height() - command.stripY);
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons = m_mousePressed ? Qt::LeftButton : Qt::NoButton;
    if (command.operation == Operation::Down) {
        type = QEvent::MouseButtonPress;
        button = Qt::LeftButton;
        buttons = Qt::LeftButton;
        m_mousePressed = true;
    } else if (command.operation == Operation::Up) {
        type = QEvent::MouseButtonRelease;
        button = Qt::LeftButton;
        buttons = Qt::NoButton;
        m_mousePressed = false;
    }
    QMouseEvent event(type, local, strip->mapTo(m_window.data(), local), strip->mapToGlobal(local),
        button, buttons, m_heldModifiers, QPointingDevice::primaryPointingDevice());
    event.setTimestamp(nextTimestamp());
    QCoreApplication::sendEvent(strip, &event);
    return {};
}

ReplayRunner::Outcome ReplayRunner::screen(const ScreenCommand &command)
{
    QImage picture;
    QRgb color = command.color;
    if (!command.path.isEmpty()) {
        const QString path = resolvePath(command.path);
        const imagefile::ReadResult read = imagefile::readImage(path);
        if (!read.ok()) {
            return Outcome { false, true,
                QStringLiteral("cannot use '%1' as the screen: %2").arg(path, read.error) };
        }
        picture = read.image.convertToFormat(QImage::Format_RGB32);
    }
    // A picture of one colour takes the size of the screen it stands for.
    ScreenPicker::setGrabSource([picture, color](QScreen *screen) {
        if (!picture.isNull())
            return picture;
        QImage filled(
            screen ? screen->geometry().size() * screen->devicePixelRatio() : QSize(640, 480),
            QImage::Format_RGB32);
        filled.fill(color);
        return filled;
    });
    m_screenReplaced = true;
    return {};
}

ReplayRunner::Outcome ReplayRunner::screenPick(const ScreenPickCommand &command)
{
    ScreenPickOverlay *overlay = ScreenPicker::activeOverlay();
    if (!overlay) {
        return Outcome { false, true,
            QStringLiteral("no screen pick is in progress (start one with 'action magnify')") };
    }
    if (command.cancel) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, m_heldModifiers, QStringLiteral("\x1b"));
        QCoreApplication::sendEvent(overlay, &press);
        return {};
    }
    // The middle of the screen pixel, so that no rounding moves it.
    const QPointF local
        = QPointF(command.screenX + 0.5, command.screenY + 0.5) / overlay->devicePixelRatioF();
    if (!overlay->colorAt(local)) {
        return Outcome { false, true,
            QStringLiteral("(%1, %2) is outside the screen picture")
                .arg(command.screenX)
                .arg(command.screenY) };
    }
    const QPointF global = overlay->mapToGlobal(local);
    QMouseEvent move(QEvent::MouseMove, local, local, global, Qt::NoButton, Qt::NoButton,
        m_heldModifiers, QPointingDevice::primaryPointingDevice());
    QCoreApplication::sendEvent(overlay, &move);
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton,
        Qt::LeftButton, m_heldModifiers, QPointingDevice::primaryPointingDevice());
    press.setTimestamp(nextTimestamp());
    QCoreApplication::sendEvent(overlay, &press);
    return {};
}

ReplayRunner::Outcome ReplayRunner::expectColor(const ExpectColorCommand &command)
{
    const RgbaColor c = m_window->colorView()->color();
    const auto channel
        = [](float v) { return int(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    const QRgb actual = qRgb(channel(c.red), channel(c.green), channel(c.blue));
    const QRgb expected = command.color;
    const int t = command.tolerance;
    if (std::abs(qRed(actual) - qRed(expected)) <= t
        && std::abs(qGreen(actual) - qGreen(expected)) <= t
        && std::abs(qBlue(actual) - qBlue(expected)) <= t)
        return {};
    QString message = QStringLiteral("color: %1, expected %2")
                          .arg(hexColor(actual).left(6), hexColor(expected).left(6));
    if (t > 0)
        message += QStringLiteral(" within %1").arg(t);
    return Outcome { false, false, message };
}

ReplayRunner::Outcome ReplayRunner::expectPicker(const ExpectPickerCommand &command)
{
    const int visible = drawView()->pickerVisibleHeight();
    const QString actual = visible == DrawView::kPickerHeight ? QStringLiteral("shown")
        : visible == 0
        ? QStringLiteral("hidden")
        : QStringLiteral("sliding (%1 of %2 in view)").arg(visible).arg(DrawView::kPickerHeight);
    const QString expected = command.shown ? QStringLiteral("shown") : QStringLiteral("hidden");
    if (actual == expected)
        return {};
    return Outcome { false, false,
        QStringLiteral("color picker: %1, expected %2").arg(actual, expected) };
}

} // namespace pennova
