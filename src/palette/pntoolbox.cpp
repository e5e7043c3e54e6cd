#include "palette/pntoolbox.h"

#include "canvas/atomicfile.h"
#include "canvas/view/drawview.h"
#include "palette/currentsettingsview.h"
#include "palette/toolboxfile.h"
#include "palette/toolpanel.h"
#include "palette/tpbrush.h"
#include "palette/tperaser.h"
#include "palette/tplistview.h"
#include "palette/tpsetting.h"
#include "settings/colorarchive.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLayout>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QVariantAnimation>
#include <algorithm>

namespace pennova {

namespace {

    QPointer<PNToolBox> g_toolbox;

    const RgbaColor kBlack { 0.0f, 0.0f, 0.0f, 1.0f };

    // A free name for a damaged tool box beside it: "toolbox-damaged-20240501-093000.pntb", with
    // "-2", "-3" … added when that is taken.
    QString asideName(const QDir &folder)
    {
        const QString stamp
            = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString name = QStringLiteral("toolbox-damaged-%1.pntb").arg(stamp);
        for (int n = 2; QFileInfo::exists(folder.filePath(name)); ++n)
            name = QStringLiteral("toolbox-damaged-%1-%2.pntb").arg(stamp).arg(n);
        return folder.filePath(name);
    }

} // namespace

PNToolBox::PNToolBox(ToolPanel *panel, Defaults &defaults, const QString &toolPath, QObject *parent)
    : TPToolBox(parent)
    , m_panel(panel)
    , m_defaults(defaults)
    , m_toolpath(toolPath)
{
    m_alert = [this](const QString &message) {
        QWidget *parentWindow = m_panel && m_panel->isVisible() ? m_panel : nullptr;
        QMessageBox::warning(parentWindow, tr("Tool Palette"), message);
    };
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &PNToolBox::saveIfChanged);

    connect(m_panel->toolView(), &TPListView::childrenChanged, this, &PNToolBox::scheduleSave);
    connect(m_panel->newToolMenu(), &QMenu::triggered, this,
        [this](QAction *item) { newButton(item->property("tag").toInt()); });
    connect(m_panel->duplicateAction(), &QAction::triggered, this,
        [this]() { dupTool(findClickedTool()); });
    connect(m_panel->deleteAction(), &QAction::triggered, this,
        [this]() { delTool(findClickedTool()); });
    connect(m_panel, &ToolPanel::currentSettingsToggled, this, &PNToolBox::showCurrent);
    connect(m_panel, &ToolPanel::mouseMoved, this, &PNToolBox::mouseMoved);
    m_panel->setFrontWindowCloser([this]() {
        if (DrawView *canvas = m_currentCanvas ? m_currentCanvas() : nullptr)
            canvas->window()->close();
    });
}

PNToolBox *PNToolBox::shared()
{
    if (!g_toolbox) {
        // Not a child of a document window: it outlives any one of them.
        auto *panel = new ToolPanel(Defaults::shared());
        // The per-user data folder, ~/.local/share/Pennova.
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Pennova");
        g_toolbox = new PNToolBox(panel, Defaults::shared(), folder, panel);
        // Near the top right corner of the screen, out of the way of the canvas, unless the
        // panel has a frame of its own from the last run.
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            panel->move(available.right() - ToolPanel::kInitialWidth - 40, available.top() + 60);
        }
        g_toolbox->awake();
        // The tool box is written before the panel goes.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_toolbox, &PNToolBox::saveTools);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, panel, &QObject::deleteLater);
    }
    return g_toolbox;
}

PNToolBox *PNToolBox::existing()
{
    return g_toolbox;
}

void PNToolBox::setShared(PNToolBox *toolbox)
{
    g_toolbox = toolbox;
}

void PNToolBox::watchCanvas(DrawView *canvas)
{
    if (canvas)
        connect(canvas, &DrawView::drawViewClicked, this, &PNToolBox::deactivatePanel);
}

void PNToolBox::awake()
{
    loadTools();
    if (!m_panel->curView()->isHidden())
        showCurrent();
    restoreFrame();
}

QString PNToolBox::toolBoxFile() const
{
    return QDir(m_toolpath).filePath(kFileName);
}

TPTool *PNToolBox::addToolWithName(const QString &name, int type)
{
    TPTool *tool = nullptr;
    QString fallbackName;
    if (type == ToolRecord::kPenType) {
        tool = new TPBrush;
        fallbackName = tr("Untitled Pen");
    } else if (type == ToolRecord::kEraserType) {
        tool = new TPEraser;
        fallbackName = tr("Untitled Eraser");
    } else {
        return nullptr;
    }
    tool->setType(type);
    tool->setTitle(name.trimmed().isEmpty() ? fallbackName : name);
    connect(tool, &TPTool::chosen, this, &PNToolBox::setTool);
    connect(tool, &TPTool::menuRequested, this, [this](TPTool *row) { m_clickedTool = row; });
    connect(tool, &TPTool::edited, this, &PNToolBox::scheduleSave);
    addTool(tool);
    m_panel->toolView()->addSubview(tool);
    tool->setMenu(m_panel->toolMenu());
    return tool;
}

QList<TPTool *> PNToolBox::paletteTools() const
{
    QList<TPTool *> rows;
    for (QWidget *child : m_panel->toolView()->children()) {
        if (auto *tool = qobject_cast<TPTool *>(child))
            rows.append(tool);
    }
    return rows;
}

void PNToolBox::removeAllTools()
{
    for (TPTool *tool : paletteTools())
        m_panel->toolView()->removeChild(tool);
    setTools({});
}

void PNToolBox::loadTools()
{
    m_loading = true;
    removeAllTools();
    const QString path = toolBoxFile();
    if (!QDir(m_toolpath).exists()) {
        // A first start: the folder is made now, the file at the first save.
        if (!QDir().mkpath(m_toolpath))
            qWarning("Tool box: the folder %s cannot be made.", qPrintable(m_toolpath));
        loadDefaultTools();
    } else if (!QFileInfo::exists(path)) {
        loadDefaultTools();
    } else {
        const toolboxfile::Decoded read = toolboxfile::readFile(path);
        if (read.ok) {
            loadRecords(read.records, read.valuesSkipped);
        } else {
            setAside(read.error);
            loadDefaultTools();
        }
    }
    // What is on disk now, or will be at the first save: an unchanged palette is not rewritten.
    m_lastWritten = getData();
    m_loading = false;
}

bool PNToolBox::loadDefaultTools()
{
    QFile file(kDefaultToolBox);
    QString error;
    if (!file.open(QIODevice::ReadOnly) || !loadFromData(file.readAll(), &error)) {
        qWarning("Tool box: the default tool box cannot be read%s%s.", error.isEmpty() ? "" : ": ",
            qPrintable(error));
        return false;
    }
    return true;
}

// The damaged file is moved, not copied, out of the way: the same bytes under a new name, and a
// file that cannot even be read is kept as well. Should that fail, a copy is tried; should that
// fail too, the file stays and is not written over in this session.
void PNToolBox::setAside(const QString &reason)
{
    const QString path = toolBoxFile();
    const QString aside = asideName(QDir(m_toolpath));
    QFile file(path);
    const bool kept = file.rename(aside) || QFile::copy(path, aside);
    const QString why = file.errorString();
    if (kept) {
        m_keptAside = aside;
        report(tr("The tool box “%1” could not be read: %2.\n\nIt has been kept as “%3”, and the "
                  "palette starts with the default tools.")
                   .arg(QDir::toNativeSeparators(path), reason, QDir::toNativeSeparators(aside)));
    } else {
        m_saveBlocked = true;
        report(tr("The tool box “%1” could not be read: %2.\n\nIt could not be kept aside (%3), so "
                  "the palette starts with the default tools and will not save over that file "
                  "until Pennova is started again.")
                   .arg(QDir::toNativeSeparators(path), reason, atomicfile::describeError(why)));
    }
}

void PNToolBox::report(const QString &message)
{
    qWarning("%s", qPrintable(message));
    if (m_alert)
        m_alert(message);
}

void PNToolBox::scheduleSave()
{
    if (!m_loading)
        m_saveTimer.start();
}

void PNToolBox::saveIfChanged()
{
    setTools(paletteTools());
    if (getData() != m_lastWritten)
        saveToolBox();
}

bool PNToolBox::saveToolBox()
{
    m_saveTimer.stop();
    if (m_saveBlocked)
        return false;
    setTools(paletteTools());
    const QByteArray data = getData();
    QString error;
    if (!QDir().mkpath(m_toolpath))
        error = tr("its folder cannot be made");
    else
        error = atomicfile::writeFile(toolBoxFile(), data);
    if (!error.isEmpty()) {
        if (!m_failureReported) {
            m_failureReported = true;
            report(tr("The tool palette could not be saved to “%1”: %2.")
                       .arg(QDir::toNativeSeparators(toolBoxFile()), error));
        }
        return false;
    }
    m_failureReported = false;
    m_lastWritten = data;
    return true;
}

bool PNToolBox::saveTools()
{
    // A name or value still being typed is part of what the user leaves behind.
    deactivatePanel();
    const bool saved = saveToolBox();
    m_defaults.setString(
        keys::ToolPanelFrame, frameToString(QRect(m_panel->pos(), m_panel->size())));
    m_defaults.sync();
    return saved;
}

void PNToolBox::setTool(TPTool *tool)
{
    if (!tool)
        return;
    // A value typed into the tool's own fields counts as it would once stored.
    deactivatePanel();
    for (const TPSetting *setting : tool->getEnabledSettings()) {
        const QVariant value = setting->getValue();
        switch (setting->type()) {
        case SettingType::OnOff:
            m_defaults.setBool(setting->key(), value.toInt() != 0);
            break;
        case SettingType::Integer:
            m_defaults.setInteger(setting->key(), value.toInt());
            break;
        case SettingType::Color:
            m_defaults.setData(setting->key(), value.toByteArray());
            break;
        }
    }
}

TPTool *PNToolBox::newButton(int tag)
{
    deactivatePanel();
    TPTool *tool = nullptr;
    if (tag == ToolPanel::kNewPenTag) {
        tool = addToolWithName(tr("Untitled Pen"), ToolRecord::kPenType);
        // The sizes as they are, even out of order: they are not coupled here.
        tool->setObject(
            ColorArchive::encode(colorFromDefaults(m_defaults).value_or(kBlack)), keys::Color);
        tool->setObject(int(m_defaults.boolForKey(keys::Ink)), keys::Ink);
        tool->setObject(m_defaults.integerForKey(keys::BrushSize), keys::BrushSize);
        tool->setObject(m_defaults.integerForKey(keys::BrushSizeMin), keys::BrushSizeMin);
    } else if (tag == ToolPanel::kNewEraserTag) {
        tool = addToolWithName(tr("Untitled Eraser"), ToolRecord::kEraserType);
        tool->setObject(m_defaults.integerForKey(keys::EraserStrength), keys::EraserStrength);
        tool->setObject(m_defaults.integerForKey(keys::EraserSize), keys::EraserSize);
    }
    if (tool)
        m_panel->scrollArea()->ensureWidgetVisible(tool, 0, 0);
    return tool;
}

TPTool *PNToolBox::dupTool(TPTool *tool)
{
    TPListView *list = m_panel->toolView();
    if (!tool || list->indexOfChild(tool) < 0)
        return nullptr;
    TPTool *copy = addToolWithName(tool->title() + tr(" copy"), tool->type());
    if (!copy)
        return nullptr;
    const ToolRecord record = tool->dictRepresentation();
    for (const QString &key : record.keys())
        copy->setObject(record.value(key), key);
    list->moveSubview(copy, tool);
    list->moveSubview(tool, copy);
    m_panel->scrollArea()->ensureWidgetVisible(copy, 0, 0);
    return copy;
}

void PNToolBox::delTool(TPTool *tool)
{
    if (tool)
        m_panel->toolView()->removeChild(tool);
}

void PNToolBox::showCurrent()
{
    QWidget *area = m_panel->curView();
    QWidget *bar = m_panel->bar();
    const bool hidden = area->isHidden();
    const int change = hidden ? -area->height() : area->height();
    const int fromHeight = m_panel->height();
    const int toHeight = std::max(1, fromHeight + change);
    const int width = m_panel->width();

    // While the panel changes height, its controls stay pinned to its top as they are in the
    // panel without the area, and the area lies below them, uncovered or covered by the edge.
    const int shortHeight = std::min(fromHeight, toHeight);
    m_panel->layout()->setEnabled(false);
    m_panel->scrollArea()->setGeometry(0, 0, width, shortHeight - bar->height());
    bar->setGeometry(0, shortHeight - bar->height(), width, bar->height());
    area->setGeometry(0, shortHeight, width, area->height());
    area->show();
    m_panel->setMinimumHeight(0);

    if (m_panel->isVisible()) {
        QVariantAnimation animation;
        animation.setStartValue(fromHeight);
        animation.setEndValue(toHeight);
        animation.setDuration(kResizeMs);
        animation.setEasingCurve(QEasingCurve::InQuad);
        const QPointer<ToolPanel> panel(m_panel);
        connect(&animation, &QVariantAnimation::valueChanged, this, [&](const QVariant &height) {
            if (panel)
                panel->resize(width, height.toInt());
        });
        QEventLoop loop;
        connect(&animation, &QAbstractAnimation::finished, &loop, &QEventLoop::quit);
        animation.start();
        // User input waits until the panel has its new size.
        if (animation.state() == QAbstractAnimation::Running)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!panel)
            return;
    }
    m_panel->resize(width, toHeight);
    area->setHidden(hidden);
    m_panel->layout()->setEnabled(true);
    m_panel->layout()->activate();
    m_panel->updateSizeLimits();
}

void PNToolBox::deactivatePanel()
{
    for (TPTool *tool : paletteTools()) {
        if (tool->isEditingTitle())
            tool->endTitleEdit();
    }
    // The field with the focus ends its edit as when the user leaves it, which stores a value
    // typed into it.
    if (QWidget *focus = m_panel->focusWidget()) {
        QFocusEvent leaving(QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(focus, &leaving);
        focus->clearFocus();
    }
}

void PNToolBox::mouseMoved(const QPointF &globalPosition)
{
    DrawView *canvas = m_currentCanvas ? m_currentCanvas() : nullptr;
    if (canvas)
        canvas->mt().mouseMoved(canvas->mapFromGlobal(globalPosition));
}

QString PNToolBox::frameToString(const QRect &frame)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height());
}

std::optional<QRect> PNToolBox::frameFromString(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
        R"(^\s*\{\s*\{\s*(-?\d{1,6})\s*,\s*(-?\d{1,6})\s*\}\s*,\s*\{\s*(\d{1,6})\s*,\s*(\d{1,6})\s*\}\s*\}\s*$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QRect frame(match.captured(1).toInt(), match.captured(2).toInt(),
        match.captured(3).toInt(), match.captured(4).toInt());
    if (frame.width() < 1 || frame.height() < 1)
        return std::nullopt;
    return frame;
}

// The frame of the last run, if it still lies on a screen; the width stays the panel's own, and
// the height is kept within the panel's limits and the screen.
void PNToolBox::restoreFrame()
{
    const std::optional<QRect> frame
        = frameFromString(m_defaults.stringForKey(keys::ToolPanelFrame));
    if (!frame)
        return;
    const QScreen *screen = QGuiApplication::screenAt(frame->topLeft() + QPoint(20, 10));
    if (!screen)
        return;
    const int height = std::clamp(frame->height(), m_panel->minimumHeight(),
        std::max(m_panel->minimumHeight(), screen->availableGeometry().height()));
    m_panel->move(frame->topLeft());
    m_panel->resize(m_panel->width(), height);
}

} // namespace pennova
