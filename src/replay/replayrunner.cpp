#include "replay/replayrunner.h"

#include "app/defaults.h"
#include "app/documentwindow.h"
#include "app/tabletapp.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QSaveFile>
#include <QTabletEvent>
#include <QWidget>

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

    QString hexColor(QRgb straight)
    {
        return QStringLiteral("%1%2%3%4")
            .arg(qRed(straight), 2, 16, QLatin1Char('0'))
            .arg(qGreen(straight), 2, 16, QLatin1Char('0'))
            .arg(qBlue(straight), 2, 16, QLatin1Char('0'))
            .arg(qAlpha(straight), 2, 16, QLatin1Char('0'));
    }

    Qt::KeyboardModifier modifierOfKey(Qt::Key key)
    {
        switch (key) {
        case Qt::Key_Shift:
            return Qt::ShiftModifier;
        case Qt::Key_Control:
            return Qt::ControlModifier;
        case Qt::Key_Alt:
            return Qt::AltModifier;
        case Qt::Key_Meta:
            return Qt::MetaModifier;
        default:
            return Qt::NoModifier;
        }
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
    if (TabletApp *app = TabletApp::instance()) {
        m_previousDeviceType = app->curtip();
        app->tabletProximity(TabletApp::UnknownDevice);
    }
}

ReplayRunner::~ReplayRunner()
{
    // The window goes first: its view may still point at one of the devices.
    delete m_window.data();
    // Leaves the application as it found it, for whatever runs in the process next.
    TabletApp *app = TabletApp::instance();
    if (app && app->curtip() != m_previousDeviceType)
        app->tabletProximity(m_previousDeviceType);
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
        const Outcome outcome = execute(line.command, result);
        ++result.commandsRun;
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

ReplayRunner::Outcome ReplayRunner::execute(const Command &command, ReplayResult &result)
{
    const bool sizing = std::holds_alternative<CanvasCommand>(command)
        || std::holds_alternative<WindowCommand>(command);
    if (!sizing) {
        // What the event loop would do between two input events: repaint, run due timers. Not
        // between sizing commands, so that "canvas" followed by "window" never paints a window
        // the size of a huge canvas.
        processEvents();
    }
    const bool needsWindow = !std::holds_alternative<CanvasCommand>(command)
        && !std::holds_alternative<SetCommand>(command)
        && !std::holds_alternative<ProximityCommand>(command);
    if (needsWindow && !m_window)
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
                          [&](const ExpectPixelCommand &c) {
                              ++result.expectationsChecked;
                              return expectPixel(c);
                          },
                          [&](const ExpectStepsCommand &c) {
                              ++result.expectationsChecked;
                              return expectSteps(c);
                          },
                      },
        command);
}

ReplayRunner::Outcome ReplayRunner::newDocument(const CanvasCommand &command)
{
    // The old document goes without the question about unsaved changes: a replay has no one to
    // answer it.
    delete m_window.data();
    m_pressDevice = nullptr;
    m_mousePressed = false;

    auto *window = new DocumentWindow(m_defaults);
    m_window = window;
    window->setWindowTitle(QStringLiteral("Replay"));
    if (!window->newCanvas(command.width, command.height)) {
        return Outcome { false, true,
            QStringLiteral("could not create a %1 x %2 canvas")
                .arg(command.width)
                .arg(command.height) };
    }
    window->show();
    window->activateWindow();
    return resizeView(command.width, command.height);
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
    DrawView *view = drawView();
    // View coordinates are y up from the view's lower-left corner; the widget's are y down.
    const QPointF local(command.viewX, view->height() - command.viewY);
    const QPointF scene = view->mapTo(m_window.data(), local);
    const QPointF global = view->mapToGlobal(local);
    const Qt::KeyboardModifiers modifiers = command.modifiers | m_heldModifiers;
    using Phase = PointerCommand::Phase;

    // A release ends the press in progress, which says whether it is a tablet event.
    const bool tablet
        = command.phase == Phase::Up ? m_pressDevice != nullptr : command.pressure.has_value();
    if (tablet) {
        const QPointingDevice *device
            = command.phase == Phase::Up ? m_pressDevice : tabletDevice(m_currentDevice);
        QEvent::Type type = QEvent::TabletMove;
        Qt::MouseButton button = Qt::NoButton;
        Qt::MouseButtons buttons = m_pressDevice == device ? Qt::LeftButton : Qt::NoButton;
        qreal pressure = command.pressure.value_or(0.0f);
        if (command.phase == Phase::Down) {
            type = QEvent::TabletPress;
            button = Qt::LeftButton;
            buttons = Qt::LeftButton;
            m_pressDevice = device;
        } else if (command.phase == Phase::Up) {
            type = QEvent::TabletRelease;
            button = Qt::LeftButton;
            buttons = Qt::NoButton;
            pressure = 0.0;
            m_pressDevice = nullptr;
        }
        QTabletEvent event(type, device, local, global, pressure, 0.0f, 0.0f, 0.0f, 0.0, 0.0f,
            modifiers, button, buttons);
        event.setTimestamp(nextTimestamp());
        QCoreApplication::sendEvent(view, &event);
        return {};
    }

    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons = m_mousePressed ? Qt::LeftButton : Qt::NoButton;
    if (command.phase == Phase::Down) {
        type = QEvent::MouseButtonPress;
        button = Qt::LeftButton;
        buttons = Qt::LeftButton;
        m_mousePressed = true;
    } else if (command.phase == Phase::Up) {
        type = QEvent::MouseButtonRelease;
        button = Qt::LeftButton;
        buttons = Qt::NoButton;
        m_mousePressed = false;
    }
    QMouseEvent event(type, local, scene, global, button, buttons, modifiers,
        QPointingDevice::primaryPointingDevice());
    event.setTimestamp(nextTimestamp());
    QCoreApplication::sendEvent(view, &event);
    return {};
}

QWidget *ReplayRunner::focusTarget() const
{
    // The widget that has (or, in an inactive window, would get) the keyboard.
    if (QWidget *focus = m_window->focusWidget())
        return focus;
    return drawView();
}

void ReplayRunner::sendKey(
    QWidget *target, bool press, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    // A modifier key's own press already carries its modifier; its release no longer does.
    const Qt::KeyboardModifier own = modifierOfKey(key);
    if (press)
        m_heldModifiers |= own;
    else
        m_heldModifiers &= ~Qt::KeyboardModifiers(own);
    const Qt::KeyboardModifiers all = modifiers | m_heldModifiers;
    const QString text = keyText(key, all);
    // A key press that is not spontaneous goes the way of one from the keyboard: QApplication
    // first offers it to the focus widget as ShortcutOverride, then to the shortcuts of the
    // active window (menu commands), and only when neither takes it to the widget.
    QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, all, text);
    event.setTimestamp(nextTimestamp());
    QCoreApplication::sendEvent(target, &event);

    // The view re-reads the held modifiers from the application, which only the window system
    // updates: tell it what the replayed keyboard holds.
    DrawView *view = drawView();
    if (own != Qt::NoModifier && view && target == view
        && QGuiApplication::queryKeyboardModifiers() != m_heldModifiers)
        view->flagsChanged(m_heldModifiers);
}

ReplayRunner::Outcome ReplayRunner::key(const KeyCommand &command)
{
    QWidget *target = focusTarget();
    if (command.phase != KeyCommand::Phase::Release)
        sendKey(target, true, command.key, command.modifiers);
    if (command.phase != KeyCommand::Phase::Press) {
        // The press may have moved the focus or closed the window.
        if (!m_window)
            return {};
        sendKey(focusTarget(), false, command.key, command.modifiers);
    }
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

ReplayRunner::Outcome ReplayRunner::png(const PngCommand &command)
{
    const QString path = resolvePath(command.path);
    const auto failed = [&](const QString &why) {
        return Outcome { false, true, QStringLiteral("cannot write '%1': %2").arg(path, why) };
    };
    const QImage &image = drawView()->surface().image();
    if (image.isNull())
        return failed(QStringLiteral("the canvas has no pixels"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Written whole or not at all. PNG keeps straight alpha; the writer converts.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    QImageWriter writer(&file, "png");
    if (!writer.write(image))
        return failed(writer.errorString());
    if (!file.commit())
        return failed(file.errorString());
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

} // namespace pennova
