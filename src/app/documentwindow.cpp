#include "app/documentwindow.h"

#include "app/defaults.h"
#include "app/defaultskeys.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

namespace pennova {

DocumentWindow::DocumentWindow(Defaults &defaults, QWidget *parent)
    : QMainWindow(parent)
    , m_defaults(defaults)
    , m_history(new UndoHistory(this))
    , m_drawView(new DrawView(defaults, this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setCentralWidget(m_drawView);
    m_drawView->setUndoHistory(m_history);
    m_history->setLevelsOfUndo(m_defaults.integerForKey(keys::UndoLevels));
    buildMenus();
    connect(m_history, &UndoHistory::changed, this, &DocumentWindow::updateUndoActions);
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

void DocumentWindow::fitContentToCanvas()
{
    // The content area takes the canvas size, within the screen and not below the window's
    // minimum.
    const QSize canvas(m_drawView->surface().width(), m_drawView->surface().height());
    QSize available(4096, 4096);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        available = screen->availableGeometry().size();
    const QSize minimum = minimumSizeHint().expandedTo(QSize(160, 120));
    const QSize content(std::max(std::min(available.width(), canvas.width()), minimum.width()),
        std::max(std::min(available.height(), canvas.height()), minimum.height()));
    m_drawView->resize(content);
    resize(content + QSize(0, menuBar()->sizeHint().height()));
}

QAction *DocumentWindow::action(const QString &name) const
{
    return findChild<QAction *>(name);
}

void DocumentWindow::buildMenus()
{
    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    m_undoAction = edit->addAction(tr("Undo"), m_history, &UndoHistory::undo);
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
}

void DocumentWindow::updateUndoActions()
{
    const auto label = [](const QString &verb, const QString &name) {
        return name.isEmpty() ? verb : verb + QLatin1Char(' ') + name;
    };
    m_undoAction->setEnabled(m_history->canUndo());
    m_undoAction->setText(label(tr("Undo"), m_history->undoActionName()));
    m_redoAction->setEnabled(m_history->canRedo());
    m_redoAction->setText(label(tr("Redo"), m_history->redoActionName()));
}

} // namespace pennova
