#include "canvasui/keyreferencewindow.h"

#include "canvasui/keycommanddata.h"

#include <QApplication>
#include <QHeaderView>
#include <QPointer>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace pennova {

namespace {
    QPointer<KeyReferenceWindow> g_window;

    constexpr int kKeyColumnWidth = 180;
    constexpr int kCommandColumnWidth = 280;
} // namespace

KeyReferenceWindow::KeyReferenceWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("Keyboard Shortcuts"));
    setAttribute(Qt::WA_QuitOnClose, false);

    m_data = new KeyCommandData(this);
    m_table = new QTableView(this);
    m_table->setModel(m_data);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setAlternatingRowColors(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setSectionsClickable(false);
    // Wide enough for the longest key and command, whatever the fonts.
    m_table->resizeColumnsToContents();
    const int keyWidth
        = std::max(kKeyColumnWidth, m_table->columnWidth(KeyCommandData::KeyColumn) + 16);
    const int commandWidth
        = std::max(kCommandColumnWidth, m_table->columnWidth(KeyCommandData::CommandColumn) + 16);
    m_table->setColumnWidth(KeyCommandData::KeyColumn, keyWidth);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);

    const int rowsHeight = m_table->verticalHeader()->defaultSectionSize() * m_data->rowCount();
    resize(keyWidth + commandWidth + 2 * m_table->frameWidth(),
        rowsHeight + m_table->horizontalHeader()->sizeHint().height() + 2 * m_table->frameWidth());
}

KeyReferenceWindow *KeyReferenceWindow::show(QWidget *parent)
{
    if (!g_window) {
        // Not a child of a document window: it outlives any one of them.
        g_window = new KeyReferenceWindow;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_window, &QObject::deleteLater);
        if (parent) {
            // Centred over the document window, but never off the screen.
            const QRect over = parent->window()->frameGeometry();
            QRect placed(over.center() - g_window->rect().center(), g_window->size());
            if (const QScreen *screen = parent->screen()) {
                const QRect available = screen->availableGeometry();
                placed.moveLeft(std::clamp(placed.left(), available.left(),
                    std::max(available.left(), available.right() - placed.width())));
                placed.moveTop(std::clamp(placed.top(), available.top(),
                    std::max(available.top(), available.bottom() - placed.height())));
            }
            g_window->move(placed.topLeft());
        }
    }
    g_window->QWidget::show();
    g_window->raise();
    g_window->activateWindow();
    return g_window;
}

KeyReferenceWindow *KeyReferenceWindow::instance()
{
    return g_window;
}

} // namespace pennova
