#include "canvasui/keyreferencewindow.h"

#include "canvasui/keycommanddata.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
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

    // The other keys, in the table's fonts: the key in the key column's, centred in a column as
    // wide as the table's.
    constexpr int kFooterMargin = 6;
    const QFont keyFont = KeyCommandData::keyFont();
    QString rows;
    for (const auto &[key, command] : otherKeys()) {
        rows += QStringLiteral("<tr><td width=\"%1\" align=\"center\" valign=\"middle\" "
                               "style=\"font-family: '%2'; font-size: %3pt\">%4</td>"
                               "<td valign=\"middle\">%5</td></tr>")
                    .arg(keyWidth - kFooterMargin)
                    .arg(keyFont.family().toHtmlEscaped())
                    .arg(keyFont.pointSize())
                    .arg(key.toHtmlEscaped(), command.toHtmlEscaped());
    }
    m_footer = new QLabel(
        QStringLiteral("<p>%1</p><table cellspacing=\"0\" cellpadding=\"2\">%2</table>")
            .arg(tr("Also:").toHtmlEscaped(), rows),
        this);
    m_footer->setTextFormat(Qt::RichText);
    m_footer->setContentsMargins(kFooterMargin, kFooterMargin, kFooterMargin, 2 * kFooterMargin);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_table);
    layout->addWidget(m_footer);

    const int rowsHeight = m_table->verticalHeader()->defaultSectionSize() * m_data->rowCount();
    resize(keyWidth + commandWidth + 2 * m_table->frameWidth(),
        rowsHeight + m_table->horizontalHeader()->sizeHint().height() + 2 * m_table->frameWidth()
            + m_footer->sizeHint().height());
}

QList<QPair<QString, QString>> KeyReferenceWindow::otherKeys()
{
    return {
        { tr("Alt + Stroke"), tr("Erase with the pen") },
        { tr("Meta + Drag"), tr("Rotate the view") },
        { tr("Arrow keys"), tr("Move the selection by 1 pixel") },
        { tr("Return or Enter"), tr("Commit a pasted image") },
        { tr("Escape"), tr("Cancel a pasted image") },
        { tr("Ctrl + Z"), tr("Undo") },
        { tr("Ctrl + Shift + Z"), tr("Redo (Ctrl + Y as well)") },
        { tr("F11"), tr("Full screen") },
    };
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
