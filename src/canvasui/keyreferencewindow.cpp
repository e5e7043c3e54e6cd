#include "canvasui/keyreferencewindow.h"

#include "canvasui/keycommanddata.h"
#include "settings/gesturekeys.h"
#include "settings/penbuttons.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace pennova {

namespace {
    QPointer<KeyReferenceWindow> g_window;

    constexpr int kKeyColumnWidth = 180;
    constexpr int kCommandColumnWidth = 280;
} // namespace

KeyReferenceWindow::KeyReferenceWindow(QWidget *parent, const Defaults *defaults)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("Keyboard Shortcuts"));
    setAttribute(Qt::WA_QuitOnClose, false);
    // Ctrl+W closes it like every other window of the program.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QWidget::close);

    m_table = new QTableView(this);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setAlternatingRowColors(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setSectionsClickable(false);
    m_footer = new QLabel(this);
    m_footer->setTextFormat(Qt::RichText);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_table);
    layout->addWidget(m_footer);
    fill(defaults);
}

void KeyReferenceWindow::updateKeys(const Defaults *defaults)
{
    fill(defaults);
}

void KeyReferenceWindow::fill(const Defaults *defaults)
{
    const GestureKeys keys = defaults ? GestureKeys::fromDefaults(*defaults) : GestureKeys();
    const QList<QPair<QString, QString>> others = otherKeys(defaults);
    QString shown = keys.binding(Gesture::Select).toText();
    for (const auto &[key, command] : others)
        shown += QLatin1Char('\n') + key + QLatin1Char('\t') + command;
    if (m_data && shown == m_shown)
        return;
    m_shown = shown;

    KeyCommandData *old = m_data;
    m_data = new KeyCommandData(keys, this);
    m_table->setModel(m_data);
    delete old;
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
    for (const auto &[key, command] : others) {
        rows += QStringLiteral("<tr><td width=\"%1\" align=\"center\" valign=\"middle\" "
                               "style=\"font-family: '%2'; font-size: %3pt\">%4</td>"
                               "<td valign=\"middle\">%5</td></tr>")
                    .arg(keyWidth - kFooterMargin)
                    .arg(keyFont.family().toHtmlEscaped())
                    .arg(keyFont.pointSize())
                    .arg(key.toHtmlEscaped(), command.toHtmlEscaped());
    }
    m_footer->setText(
        QStringLiteral("<p>%1</p><table cellspacing=\"0\" cellpadding=\"2\">%2</table>")
            .arg(tr("Also:").toHtmlEscaped(), rows));
    m_footer->setContentsMargins(kFooterMargin, kFooterMargin, kFooterMargin, 2 * kFooterMargin);

    const int rowsHeight = m_table->verticalHeader()->defaultSectionSize() * m_data->rowCount();
    resize(keyWidth + commandWidth + 2 * m_table->frameWidth(),
        rowsHeight + m_table->horizontalHeader()->sizeHint().height() + 2 * m_table->frameWidth()
            + m_footer->sizeHint().height());
}

QList<QPair<QString, QString>> KeyReferenceWindow::otherKeys(const Defaults *defaults)
{
    const GestureKeys keys = defaults ? GestureKeys::fromDefaults(*defaults) : GestureKeys();
    const auto button = [defaults](PenButton which) {
        return penbuttons::roleTitle(
            defaults ? penbuttons::role(*defaults, which) : penbuttons::factoryRole(which));
    };
    return {
        { tr("%1 + Stroke").arg(keys.binding(Gesture::Erase).displayText()),
            tr("Erase with the pen") },
        { tr("%1 + Drag").arg(keys.binding(Gesture::Rotate).displayText()), tr("Rotate the view") },
        { tr("Wheel, Shift + Wheel"), tr("Scroll the canvas, sideways with Shift") },
        { tr("Ctrl + Wheel, Pinch"), tr("Zoom about the pointer") },
        { tr("Middle Button + Drag"), tr("Move canvas") },
        { tr("Pen Lower Button"), button(PenButton::Lower) },
        { tr("Pen Upper Button"), button(PenButton::Upper) },
        { tr("Ctrl + 0"), tr("Zoom to fit the window") },
        { tr("Arrow keys"), tr("Move the selection by 1 pixel") },
        { tr("Return or Enter"), tr("Commit a pasted image") },
        { tr("Escape"), tr("Cancel a pasted image") },
        { tr("Ctrl + Z"), tr("Undo") },
        { tr("Ctrl + Shift + Z"), tr("Redo (Ctrl + Y as well)") },
        { tr("F11"), tr("Full screen") },
    };
}

KeyReferenceWindow *KeyReferenceWindow::show(QWidget *parent, const Defaults *defaults)
{
    if (g_window)
        g_window->updateKeys(defaults);
    if (!g_window) {
        // Not a child of a document window: it outlives any one of them.
        g_window = new KeyReferenceWindow(nullptr, defaults);
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
