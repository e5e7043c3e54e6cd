#include "palette/toolpanel.h"

#include "palette/tpbrush.h"
#include "palette/tperaser.h"
#include "palette/tplistview.h"
#include "settings/colorarchive.h"
#include "settings/defaultskeys.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <optional>

namespace pennova {

namespace {

    QPointer<ToolPanel> g_panel;

    // The tools the palette starts with until it reads the user's tool box.
    void addStarterTools(TPListView *list)
    {
        const auto pen = [list](const QString &name, int minimum, int maximum,
                             std::optional<RgbaColor> color, std::optional<int> ink) {
            auto *tool = new TPBrush;
            tool->setTitle(name);
            tool->setObject(minimum, keys::BrushSizeMin);
            tool->setObject(maximum, keys::BrushSize);
            if (color)
                tool->setObject(ColorArchive::encode(*color), keys::Color);
            if (ink)
                tool->setObject(*ink, keys::Ink);
            list->addSubview(tool);
        };
        const auto eraser = [list](const QString &name, int size, int strength) {
            auto *tool = new TPEraser;
            tool->setTitle(name);
            tool->setObject(size, keys::EraserSize);
            tool->setObject(strength, keys::EraserStrength);
            list->addSubview(tool);
        };
        pen(ToolPanel::tr("Fine Liner"), 1, 3, RgbaColor { 0, 0, 0, 1 }, 0);
        pen(ToolPanel::tr("Broad Pen"), 4, 16, std::nullopt, std::nullopt);
        pen(ToolPanel::tr("Ink Marker"), 6, 12, RgbaColor { 0.1f, 0.2f, 0.6f, 1 }, 1);
        eraser(ToolPanel::tr("Soft Eraser"), 24, 30);
        eraser(ToolPanel::tr("Hard Eraser"), 12, 100);
    }

} // namespace

ToolPanel::ToolPanel(QWidget *parent)
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

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollArea);
    resize(kInitialWidth, kInitialHeight);
}

ToolPanel *ToolPanel::shared()
{
    if (!g_panel) {
        // Not a child of a document window: it outlives any one of them.
        g_panel = new ToolPanel;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_panel, &QObject::deleteLater);
        addStarterTools(g_panel->toolView());
        // Near the top right corner of the screen, out of the way of the canvas.
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            g_panel->move(available.right() - kInitialWidth - 40, available.top() + 60);
        }
    }
    return g_panel;
}

void ToolPanel::showShared()
{
    ToolPanel *panel = shared();
    panel->show();
    panel->raise();
    panel->activateWindow();
}

} // namespace pennova
