#include "app/documentwindow.h"

#include "app/appdelegate.h"
#include "app/helpwindow.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "canvasui/keyreferencewindow.h"
#include "palette/toolpanel.h"
#include "picker/colorview.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "settings/gesturekeys.h"
#include "settings/penbuttons.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QWindowStateChangeEvent>

namespace pennova {

DocumentWindow::DocumentWindow(Defaults &defaults, QWidget *parent)
    : QMainWindow(parent)
    , m_defaults(defaults)
    , m_history(new UndoHistory(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // The content view holds the canvas and, above it, the colour picker strip; the canvas lays
    // out both.
    auto *content = new QWidget(this);
    m_drawView = new DrawView(defaults, content);
    m_colorView = new ColorView(defaults, m_drawView, content);
    setCentralWidget(content);
    m_drawView->setPicker(m_colorView);
    m_drawView->setUndoHistory(m_history);
    m_history->setLevelsOfUndo(m_defaults.integerForKey(keys::UndoLevels));
    buildMenus();
    connect(m_history, &UndoHistory::changed, this, &DocumentWindow::updateUndoActions);
    connect(m_drawView, &DrawView::placedInWindow, this, [] {
        if (AppDelegate *delegate = AppDelegate::instance())
            delegate->closeSplash();
    });
    updateUndoActions();
    m_drawView->setFocus();
}

DocumentWindow::~DocumentWindow() = default;

bool DocumentWindow::newCanvas(int width, int height)
{
    const bool ok = m_drawView->newImageWithSize(Size { float(width), float(height) });
    fitContentToCanvas();
    return ok;
}

bool DocumentWindow::adoptCanvas(QImage picture)
{
    const bool ok = m_drawView->adoptImage(std::move(picture));
    fitContentToCanvas();
    return ok;
}

QRect DocumentWindow::availableGeometry() const
{
    if (const QScreen *s = screen())
        return s->availableGeometry();
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        return primary->availableGeometry();
    return QRect(0, 0, 4096, 4096);
}

QSize DocumentWindow::frameMarginsSize() const
{
    // The window manager tells the frame only once the window is on screen; before, assume a
    // title bar and borders of common size.
    const QSize known = frameGeometry().size() - geometry().size();
    if (isVisible() && (known.width() > 0 || known.height() > 0))
        return known;
    return kAssumedFrame;
}

void DocumentWindow::fitContentToCanvas()
{
    // The content area takes the canvas size, within the room the screen leaves once the menu
    // bar and the window's frame are counted, and not below the window's minimum. A larger
    // canvas is shown in part and can be panned or zoomed out.
    const QSize canvas(m_drawView->surface().width(), m_drawView->surface().height());
    const int menu = menuBar()->sizeHint().height();
    const QSize room = availableGeometry().size() - frameMarginsSize() - QSize(0, menu);
    const QSize minimum = minimumSizeHint().expandedTo(QSize(160, 120));
    const QSize content(std::max(std::min(room.width(), canvas.width()), minimum.width()),
        std::max(std::min(room.height(), canvas.height()), minimum.height()));
    m_drawView->resize(content);
    resize(content + QSize(0, menu));
    if (isVisible())
        keepOnScreen();
}

void DocumentWindow::keepOnScreen()
{
    // Move the window back onto the screen where its frame would spill over an edge.
    const QRect available = availableGeometry();
    QRect frame(frameGeometry().topLeft(), size() + frameMarginsSize());
    if (frame.right() > available.right())
        frame.moveRight(available.right());
    if (frame.bottom() > available.bottom())
        frame.moveBottom(available.bottom());
    frame.moveLeft(std::max(frame.left(), available.left()));
    frame.moveTop(std::max(frame.top(), available.top()));
    if (frame.topLeft() != frameGeometry().topLeft())
        move(frame.topLeft());
}

void DocumentWindow::fitWindowToCanvas()
{
    if (isFullScreen() || isMaximized())
        showNormal();
    // What surrounds the view inside the window (the menu bar) and outside it (the frame the
    // window manager adds), so that the whole frame fits the screen's available area.
    QSize around = size() - m_drawView->size();
    if (!m_drawView->isVisible())
        around = QSize(0, menuBar()->sizeHint().height());

    const QSize wanted = m_drawView->standardContentSize() + around;
    const QSize fitted = wanted.boundedTo(availableGeometry().size() - frameMarginsSize())
                             .expandedTo(minimumSizeHint().expandedTo(QSize(160, 120)));
    resize(fitted);
    keepOnScreen();
}

void DocumentWindow::setFullScreen(bool on)
{
    if (on == isFullScreen())
        return;
    if (on)
        showFullScreen();
    else
        showNormal();
}

void DocumentWindow::changeEvent(QEvent *event)
{
    // The window manager may leave full screen by itself; the menu item follows.
    if (event->type() == QEvent::WindowStateChange && m_fullScreenAction) {
        const QSignalBlocker blocker(m_fullScreenAction);
        m_fullScreenAction->setChecked(isFullScreen());
    }
    QMainWindow::changeEvent(event);
}

QAction *DocumentWindow::action(const QString &name) const
{
    return findChild<QAction *>(name);
}

QAction *DocumentWindow::addCommand(
    QMenu *menu, const QString &text, const QString &name, const QKeySequence &shortcut)
{
    QAction *a = menu->addAction(text);
    a->setObjectName(name);
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    return a;
}

void DocumentWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    // Connected by the document; without one they stay disabled.
    const auto documentCommand = [&](const QString &text, const QString &name,
                                     const QKeySequence &shortcut = QKeySequence()) {
        QAction *a = addCommand(file, text, name, shortcut);
        a->setEnabled(false);
        return a;
    };
    documentCommand(tr("&New…"), QStringLiteral("new"), QKeySequence::New);
    documentCommand(tr("&Open…"), QStringLiteral("open"), QKeySequence::Open);
    file->addSeparator();
    QAction *closeAction = addCommand(
        file, tr("&Close"), QStringLiteral("close"), QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    documentCommand(tr("&Save"), QStringLiteral("save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    documentCommand(
        tr("Save &As…"), QStringLiteral("saveAs"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    documentCommand(tr("&Revert to Saved"), QStringLiteral("revert"));
    file->addSeparator();
    documentCommand(tr("&Print…"), QStringLiteral("print"), QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    documentCommand(tr("&Quit"), QStringLiteral("quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    // A floating paste is not in the history yet: Undo drops it.
    m_undoAction = edit->addAction(tr("Undo"), this, [this]() {
        if (m_drawView->isPaste())
            m_drawView->cancelPaste();
        else
            m_history->undo();
    });
    m_undoAction->setObjectName(QStringLiteral("undo"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_redoAction = edit->addAction(tr("Redo"), m_history, &UndoHistory::redo);
    m_redoAction->setObjectName(QStringLiteral("redo"));
    // The platform's redo keys, and Ctrl+Y as well where the platform does not use it already.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence ctrlY(Qt::CTRL | Qt::Key_Y);
    if (!redoKeys.contains(ctrlY))
        redoKeys << ctrlY;
    m_redoAction->setShortcuts(redoKeys);

    buildCanvasCommands(edit);
    AppDelegate *delegate = AppDelegate::instance();
    if (delegate)
        delegate->addEditCommands(edit);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    connect(
        addCommand(view, tr("&Reset View"), QStringLiteral("resetZoom"), QKeySequence(Qt::Key_0)),
        &QAction::triggered, m_drawView, &DrawView::resetZoom);
    connect(addCommand(view, tr("Zoom to &Fit"), QStringLiteral("zoomToFit"),
                QKeySequence(Qt::CTRL | Qt::Key_0)),
        &QAction::triggered, m_drawView, &DrawView::zoomToFit);
    connect(addCommand(view, tr("&Fit Window to Canvas"), QStringLiteral("fitWindowToCanvas")),
        &QAction::triggered, this, &DocumentWindow::fitWindowToCanvas);
    m_fullScreenAction = addCommand(
        view, tr("F&ull Screen"), QStringLiteral("fullScreen"), QKeySequence(Qt::Key_F11));
    m_fullScreenAction->setCheckable(true);
    connect(m_fullScreenAction, &QAction::toggled, this, &DocumentWindow::setFullScreen);

    QMenu *window = menuBar()->addMenu(tr("&Window"));
    connect(addCommand(window, tr("&Tool Palette"), QStringLiteral("toolPalette")),
        &QAction::triggered, this,
        []() { ToolPanel::shared()->orderFront(ToolPanel::Sender::MenuItem); });

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    connect(addCommand(
                help, tr("&User Guide"), QStringLiteral("userGuide"), QKeySequence::HelpContents),
        &QAction::triggered, this, [this]() { HelpWindow::show(this, m_defaults); });
    connect(addCommand(help, tr("&Keyboard Shortcuts"), QStringLiteral("keyReference")),
        &QAction::triggered, this, [this]() { KeyReferenceWindow::show(this, &m_defaults); });
    if (delegate)
        delegate->addHelpCommands(help);
    help->addSeparator();
    connect(addCommand(help, tr("&About Pennova"), QStringLiteral("about")), &QAction::triggered,
        this, [this]() { HelpWindow::showAbout(this); });
}

// The commands that act on the canvas: clipboard and selection in the Edit menu, and the brush
// and seal commands on plain keys in the Canvas menu.
void DocumentWindow::buildCanvasCommands(QMenu *edit)
{
    DrawView *v = m_drawView;
    edit->addSeparator();
    m_cutAction = addCommand(edit, tr("Cu&t"), QStringLiteral("cut"), QKeySequence::Cut);
    m_cutAction->setProperty("tag", 20);
    connect(m_cutAction, &QAction::triggered, v, &DrawView::cut);
    m_copyAction = addCommand(edit, tr("&Copy"), QStringLiteral("copy"), QKeySequence::Copy);
    m_copyAction->setProperty("tag", 21);
    connect(m_copyAction, &QAction::triggered, v, &DrawView::copy);
    connect(addCommand(edit, tr("&Paste"), QStringLiteral("paste"), QKeySequence::Paste),
        &QAction::triggered, v, &DrawView::paste);
    connect(addCommand(edit, tr("&Delete"), QStringLiteral("delete"), QKeySequence(Qt::Key_Delete)),
        &QAction::triggered, v, &DrawView::deleteSelection);
    edit->addSeparator();
    connect(
        addCommand(edit, tr("Select &All"), QStringLiteral("selectAll"), QKeySequence::SelectAll),
        &QAction::triggered, v, &DrawView::selectAll);
    connect(addCommand(edit, tr("Deselect All"), QStringLiteral("deselectAll"),
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)),
        &QAction::triggered, v, &DrawView::deselectAll);
    m_selectionModeAction
        = addCommand(edit, tr("&Selection Mode"), QStringLiteral("toggleSelectionMode"));
    m_selectionModeAction->setCheckable(true);
    connect(m_selectionModeAction, &QAction::triggered, v, &DrawView::toggleSelectionMode);
    connect(edit, &QMenu::aboutToShow, this, [this, edit] { menuNeedsUpdate(edit); });
    connect(v, &DrawView::selectionStateChanged, this, &DocumentWindow::updateMenu);
    connect(v, &DrawView::selectionStateChanged, this, &DocumentWindow::updateUndoActions);

    QMenu *canvas = menuBar()->addMenu(tr("&Canvas"));
    // The size steps read Shift (five pixels) and Alt (twice that) from the event that ran them:
    // Qt's record of the held modifiers is that of the last input event, the key press of the
    // shortcut or the click on the menu item.
    const auto brushStep = [&](const QString &text, const QString &name, Qt::Key key, int step) {
        QAction *a = addCommand(canvas, text, name);
        a->setProperty("tag", step);
        a->setShortcuts({ QKeySequence(key), QKeySequence(Qt::SHIFT | key),
            QKeySequence(Qt::ALT | key), QKeySequence(Qt::SHIFT | Qt::ALT | key) });
        connect(a, &QAction::triggered, v,
            [v, step]() { v->modifyBrush(step, QGuiApplication::keyboardModifiers()); });
    };
    brushStep(tr("&Decrease Brush Size"), QStringLiteral("decreaseBrush"), Qt::Key_BracketLeft, -1);
    brushStep(
        tr("&Increase Brush Size"), QStringLiteral("increaseBrush"), Qt::Key_BracketRight, +1);
    canvas->addSeparator();
    m_inkAction
        = addCommand(canvas, tr("&Ink Mode"), QStringLiteral("ink"), QKeySequence(Qt::Key_I));
    m_inkAction->setCheckable(true);
    connect(m_inkAction, &QAction::triggered, v, &DrawView::setInk);
    QAction *seal
        = addCommand(canvas, tr("S&eal Canvas"), QStringLiteral("seal"), QKeySequence(Qt::Key_E));
    seal->setProperty("tag", 1);
    connect(seal, &QAction::triggered, v, [v]() { v->setErase(1); });
    QAction *unseal = addCommand(canvas, tr("&Unseal Canvas"), QStringLiteral("unseal"),
        QKeySequence(Qt::SHIFT | Qt::Key_E));
    unseal->setProperty("tag", 0);
    connect(unseal, &QAction::triggered, v, [v]() { v->setErase(0); });
    canvas->addSeparator();
    connect(addCommand(canvas, tr("&Pick Color from Screen"), QStringLiteral("magnify"),
                QKeySequence(Qt::Key_P)),
        &QAction::triggered, m_colorView, &ColorView::magnify);
    QAction *showPicker = addCommand(
        canvas, tr("Show &Color Picker"), QStringLiteral("showPicker"), QKeySequence(Qt::Key_C));
    connect(showPicker, &QAction::triggered, v, [v, showPicker]() { v->showPicker(showPicker); });
    connect(canvas, &QMenu::aboutToShow, this, [this, canvas] { menuNeedsUpdate(canvas); });
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (key == keys::Ink)
            updateMenu();
        // An open key reference and user guide show the keys in force.
        if (GestureKeys::isSettingsKey(key) || penbuttons::isSettingsKey(key)) {
            if (KeyReferenceWindow *reference = KeyReferenceWindow::instance())
                reference->updateKeys(&m_defaults);
            if (HelpWindow *guide = HelpWindow::instance())
                guide->updateKeys(m_defaults);
        }
    });
    updateMenu();
}

void DocumentWindow::menuNeedsUpdate(QMenu *menu)
{
    // The program's delegate passes it on to the current document; a window without one (the
    // replay tool) updates itself.
    if (AppDelegate *delegate = AppDelegate::instance())
        delegate->menuNeedsUpdate(menu);
    else
        updateMenu();
}

void DocumentWindow::updateMenu()
{
    m_cutAction->setEnabled(m_drawView->canCopy());
    m_copyAction->setEnabled(m_drawView->canCopy());
    m_selectionModeAction->setChecked(m_drawView->isSelect());
    m_inkAction->setChecked(m_defaults.boolForKey(keys::Ink));
}

void DocumentWindow::updateUndoActions()
{
    const auto label = [](const QString &verb, const QString &name) {
        return name.isEmpty() ? verb : verb + QLatin1Char(' ') + name;
    };
    const bool floating = m_drawView->isPaste();
    m_undoAction->setEnabled(floating || m_history->canUndo());
    m_undoAction->setText(
        label(tr("Undo"), floating ? QStringLiteral("Paste") : m_history->undoActionName()));
    m_redoAction->setEnabled(m_history->canRedo());
    m_redoAction->setText(label(tr("Redo"), m_history->redoActionName()));
}

} // namespace pennova
