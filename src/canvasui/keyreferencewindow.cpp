#include "canvasui/keyreferencewindow.h"

#include "canvasui/keycommanddata.h"

#include <QApplication>
#include <QHeaderView>
#include <QPointer>
#include <QTableView>
#include <QVBoxLayout>

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
    m_table->setColumnWidth(KeyCommandData::KeyColumn, kKeyColumnWidth);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);

    const int rowsHeight = m_table->verticalHeader()->defaultSectionSize() * m_data->rowCount();
    resize(kKeyColumnWidth + kCommandColumnWidth,
        rowsHeight + m_table->horizontalHeader()->sizeHint().height() + 2 * m_table->frameWidth());
}

KeyReferenceWindow *KeyReferenceWindow::show(QWidget *parent)
{
    if (!g_window) {
        // Not a child of a document window: it outlives any one of them.
        g_window = new KeyReferenceWindow;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_window, &QObject::deleteLater);
        if (parent) {
            const QRect over = parent->window()->frameGeometry();
            g_window->move(over.center() - g_window->rect().center());
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
