#include "app/launchwindow.h"

#include "app/updateview.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace pennova {

LaunchWindow::LaunchWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_new(new QPushButton(tr("New…")))
    , m_recent(new QListWidget)
    , m_updateView(new UpdateView)
    , m_donation(new QLabel)
    , m_donate(new QPushButton(tr("Donate…")))
{
    setWindowTitle(tr("Welcome to Pennova"));

    auto *title = new QLabel(QStringLiteral("Pennova"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto *version = new QLabel(tr("Version %1").arg(QCoreApplication::applicationVersion()));
    version->setForegroundRole(QPalette::PlaceholderText);

    auto *open = new QPushButton(tr("Open…"));
    m_new->setToolTip(tr("Start a new canvas"));
    open->setToolTip(tr("Open a picture"));
    // Return presses the focused button, as in a dialog; New… has the focus at first.
    for (QPushButton *button : { m_new, open, m_donate })
        button->setAutoDefault(true);
    connect(m_new, &QPushButton::clicked, this, &LaunchWindow::newRequested);
    connect(open, &QPushButton::clicked, this, &LaunchWindow::openRequested);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_new);
    buttons->addWidget(open);

    auto *recentTitle = new QLabel(tr("Recent pictures"));
    QFont bold = recentTitle->font();
    bold.setBold(true);
    recentTitle->setFont(bold);
    m_recent->setUniformItemSizes(true);
    m_recent->setTextElideMode(Qt::ElideMiddle);
    connect(m_recent, &QListWidget::itemActivated, this, &LaunchWindow::openItem);

    auto *left = new QVBoxLayout;
    left->addWidget(title);
    left->addWidget(version);
    left->addSpacing(12);
    left->addLayout(buttons);
    left->addSpacing(12);
    left->addWidget(recentTitle);
    left->addWidget(m_recent, 1);

    auto *top = new QHBoxLayout;
    top->addLayout(left, 2);
    top->addWidget(m_updateView, 3);

    m_donation->setWordWrap(true);
    m_donation->setTextFormat(Qt::PlainText);
    m_donation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_donation->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    connect(m_donate, &QPushButton::clicked, this, &LaunchWindow::donateRequested);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_donation, 1);
    bottom->addWidget(m_donate, 0, Qt::AlignVCenter);

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    setCentralWidget(central);
    setRecentFiles({});
    resize(760, 460);
}

void LaunchWindow::setDonationMessage(const QString &message)
{
    m_donation->setText(message);
}

void LaunchWindow::setRecentFiles(const QStringList &paths)
{
    m_recent->clear();
    for (const QString &path : paths) {
        auto *item = new QListWidgetItem(QFileInfo(path).fileName(), m_recent);
        item->setData(Qt::UserRole, path);
        item->setToolTip(QDir::toNativeSeparators(path));
    }
    if (paths.isEmpty()) {
        auto *none = new QListWidgetItem(tr("No pictures opened yet"), m_recent);
        none->setFlags(Qt::NoItemFlags);
    }
}

void LaunchWindow::present()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        resize(size().boundedTo(area.size()));
        move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frameGeometry().size(), area)
                 .topLeft());
    }
    show();
    raise();
    activateWindow();
    m_new->setFocus();
}

void LaunchWindow::openItem(QListWidgetItem *item)
{
    const QString path = item->data(Qt::UserRole).toString();
    if (!path.isEmpty())
        emit recentRequested(path);
}

void LaunchWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closedByUser();
}

} // namespace pennova
