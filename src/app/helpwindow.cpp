#include "app/helpwindow.h"

#include "canvasui/keycommanddata.h"
#include "canvasui/keyreferencewindow.h"
#include "settings/gesturekeys.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

// Resources of a static library are only linked when something references them.
static void initHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace pennova {

namespace {
    QPointer<HelpWindow> g_window;

    // Where the guide holds the table of keys.
    const QString kKeysMark = QStringLiteral("<!--KEYS-->");

    QString readGuide()
    {
        initHelpResources();
        QFile file(QStringLiteral(":/help/guide.html"));
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromUtf8(file.readAll());
    }
} // namespace

HelpWindow::HelpWindow(const Defaults &defaults, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("Pennova User Guide"));
    setAttribute(Qt::WA_QuitOnClose, false);
    // Ctrl+W closes it like every other window of the program.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QWidget::close);
    m_browser = new QTextBrowser(this);
    // Anchors within the guide are followed here; anything else opens in the browser.
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    updateKeys(defaults);
    resize(640, 720);
}

void HelpWindow::updateKeys(const Defaults &defaults)
{
    const QString html = guideHtml(defaults);
    if (html == m_html)
        return;
    m_html = html;
    const int position = m_browser->verticalScrollBar()->value();
    m_browser->setHtml(html);
    m_browser->verticalScrollBar()->setValue(position);
}

QString HelpWindow::keyTableHtml(const Defaults &defaults)
{
    // The rows of the key reference: its table, then the keys below it.
    QList<QPair<QString, QString>> rows;
    const KeyCommandData table(GestureKeys::fromDefaults(defaults));
    for (int row = 0; row < table.rowCount(); ++row) {
        if (!table.keyAt(row).isEmpty())
            rows.append({ table.keyAt(row), table.commandAt(row) });
    }
    rows.append(KeyReferenceWindow::otherKeys(&defaults));
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">");
    for (const auto &[key, command] : rows) {
        html += QStringLiteral("<tr><td class=\"key\">%1</td><td>%2</td></tr>")
                    .arg(key.toHtmlEscaped(), command.toHtmlEscaped());
    }
    return html + QStringLiteral("</table>");
}

QString HelpWindow::guideHtml(const Defaults &defaults)
{
    QString html = readGuide();
    html.replace(kKeysMark, keyTableHtml(defaults));
    return html;
}

HelpWindow *HelpWindow::show(QWidget *parent, const Defaults &defaults)
{
    if (g_window) {
        g_window->updateKeys(defaults);
    } else {
        // Not a child of a document window: it outlives any one of them.
        g_window = new HelpWindow(defaults);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_window, &QObject::deleteLater);
        if (parent) {
            // Beside the document window's top-left corner, and on the screen.
            QRect placed(
                parent->window()->frameGeometry().topLeft() + QPoint(40, 40), g_window->size());
            if (const QScreen *screen = parent->screen()) {
                const QRect available = screen->availableGeometry();
                placed.setSize(placed.size().boundedTo(available.size() - QSize(40, 60)));
                placed.moveRight(std::min(placed.right(), available.right()));
                placed.moveBottom(std::min(placed.bottom(), available.bottom() - 30));
                placed.moveLeft(std::max(placed.left(), available.left()));
                placed.moveTop(std::max(placed.top(), available.top()));
            }
            g_window->resize(placed.size());
            g_window->move(placed.topLeft());
        }
    }
    g_window->QWidget::show();
    g_window->raise();
    g_window->activateWindow();
    return g_window;
}

HelpWindow *HelpWindow::instance()
{
    return g_window;
}

QString HelpWindow::aboutText()
{
    return tr("<h3>Pennova %1</h3>"
              "<p>A painting program for pressure-sensitive pen tablets.</p>"
              "<p>Built with Qt %2, running on Qt %3.</p>")
        .arg(QStringLiteral(PENNOVA_VERSION), QStringLiteral(QT_VERSION_STR),
            QString::fromLatin1(qVersion()));
}

void HelpWindow::showAbout(QWidget *parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(tr("About Pennova"));
    box.setTextFormat(Qt::RichText);
    box.setText(aboutText());
    box.setIconPixmap(programIcon().pixmap(64, 64));
    box.exec();
}

QIcon HelpWindow::programIcon()
{
    initHelpResources();
    QIcon icon;
    for (const int size : { 16, 24, 32, 48, 64, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/pennova-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace pennova
