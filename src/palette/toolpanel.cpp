#include "palette/toolpanel.h"

#include "palette/currentsettingsview.h"
#include "palette/pntoolbox.h"
#include "palette/tpdisclosurebutton.h"
#include "palette/tplistview.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace pennova {

namespace {

    constexpr int kBarHeight = 24;
    constexpr int kSwitchLabelPixelSize = 10;

} // namespace

ToolPanel::ToolPanel(Defaults &defaults, QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setWindowTitle(tr("Tool Palette"));
    setAttribute(Qt::WA_QuitOnClose, false);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The list sizes itself: its spacer fills what its rows leave of the visible height.
    m_scrollArea->setWidgetResizable(false);
    m_toolView = new TPListView;
    m_toolView->setObjectName(QStringLiteral("toolView"));
    m_scrollArea->setWidget(m_toolView);

    m_toolMenu = new QMenu(this);
    m_duplicateAction = m_toolMenu->addAction(tr("Duplicate"));
    m_duplicateAction->setObjectName(QStringLiteral("dupTool"));
    m_deleteAction = m_toolMenu->addAction(tr("Delete"));
    m_deleteAction->setObjectName(QStringLiteral("delTool"));

    buildBar();
    m_curView = new CurrentSettingsView(defaults, this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The panel's height is the user's; the controller keeps its limits (updateSizeLimits).
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(m_scrollArea, 1);
    layout->addWidget(m_bar);
    layout->addWidget(m_curView);

    // The close command of the menus, while the panel is the active window.
    auto *close = new QAction(this);
    close->setShortcut(QKeySequence::Close);
    close->setShortcutContext(Qt::WindowShortcut);
    connect(close, &QAction::triggered, this, [this]() { performClose(Sender::MenuItem); });
    addAction(close);

    // Pointer movements over any control of the panel, whether it tracks the mouse or not.
    qApp->installEventFilter(this);

    setFixedWidth(kInitialWidth);
    resize(kInitialWidth, kInitialHeight);
    updateSizeLimits();
}

ToolPanel::~ToolPanel()
{
    qApp->removeEventFilter(this);
}

void ToolPanel::buildBar()
{
    m_bar = new QWidget(this);
    m_bar->setObjectName(QStringLiteral("bar"));
    m_bar->setFixedHeight(kBarHeight);
    auto *row = new QHBoxLayout(m_bar);
    row->setContentsMargins(4, 2, 6, 2);
    row->setSpacing(4);

    m_plusButton = new QToolButton(m_bar);
    m_plusButton->setObjectName(QStringLiteral("plus"));
    m_plusButton->setText(QStringLiteral("+"));
    m_plusButton->setToolTip(tr("Make a new pen or eraser from the current settings"));
    m_plusButton->setAutoRaise(true);
    m_plusButton->setFocusPolicy(Qt::NoFocus);
    m_plusButton->setPopupMode(QToolButton::InstantPopup);
    m_plusButton->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    m_newToolMenu = new QMenu(m_plusButton);
    QAction *pen = m_newToolMenu->addAction(tr("New Pen"));
    pen->setObjectName(QStringLiteral("newPen"));
    pen->setProperty("tag", kNewPenTag);
    QAction *eraser = m_newToolMenu->addAction(tr("New Eraser"));
    eraser->setObjectName(QStringLiteral("newEraser"));
    eraser->setProperty("tag", kNewEraserTag);
    m_plusButton->setMenu(m_newToolMenu);
    row->addWidget(m_plusButton);
    row->addStretch(1);

    m_currentSwitch = new TPDisclosureButton(m_bar);
    m_currentSwitch->setCheckable(true);
    m_currentSwitch->setChecked(true);
    m_currentSwitch->setFocusPolicy(Qt::NoFocus);
    m_currentSwitch->setFixedSize(m_currentSwitch->sizeHint());
    m_currentSwitch->setToolTip(tr("Show or hide the current settings"));
    auto *label = new QLabel(tr("Current Settings"), m_bar);
    QFont font = label->font();
    font.setPixelSize(kSwitchLabelPixelSize);
    label->setFont(font);
    row->addWidget(label);
    row->addWidget(m_currentSwitch);
    connect(m_currentSwitch, &TPDisclosureButton::clicked, this, [this]() {
        m_curView->setVisible(m_currentSwitch->isChecked());
        emit currentSettingsToggled();
    });
}

int ToolPanel::controlsHeight() const
{
    return m_bar->height() + (m_curView->isHidden() ? 0 : m_curView->height());
}

void ToolPanel::updateSizeLimits()
{
    setMinimumHeight(kMinimumListHeight + controlsHeight());
}

void ToolPanel::orderFront(Sender sender)
{
    if (sender == Sender::MenuItem && isVisible()) {
        close();
        return;
    }
    show();
    raise();
    activateWindow();
}

void ToolPanel::performClose(Sender sender)
{
    if (sender != Sender::MenuItem) {
        close();
        return;
    }
    if (m_frontWindowCloser)
        m_frontWindowCloser();
}

bool ToolPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget->window() == this)
            emit mouseMoved(static_cast<QMouseEvent *>(event)->globalPosition());
    }
    return QWidget::eventFilter(watched, event);
}

ToolPanel *ToolPanel::shared()
{
    return PNToolBox::shared()->panel();
}

ToolPanel *ToolPanel::existing()
{
    PNToolBox *box = PNToolBox::existing();
    return box ? box->panel() : nullptr;
}

} // namespace pennova
