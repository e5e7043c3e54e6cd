// ReplayRunner: the tool palette. The run has its own palette in a data folder of its own; the
// commands act on it as a user's clicks, drags and typing would.

#include "canvas/view/drawview.h"
#include "palette/currentsettingsview.h"
#include "palette/pntoolbox.h"
#include "palette/toolpanel.h"
#include "palette/tpiconbutton.h"
#include "palette/tplistview.h"
#include "palette/tpsetting.h"
#include "palette/tptool.h"
#include "replay/replayrunner.h"
#include "settings/colorarchive.h"
#include "settings/defaults.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <cmath>

namespace pennova {

using namespace replay;

namespace {

    // A key press and release that type one character, or press one key, into a field.
    void typeKey(QWidget *field, Qt::Key key, const QString &text)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(field, &release);
    }

    Qt::Key keyForCharacter(QChar c)
    {
        const char16_t upper = c.toUpper().unicode();
        return upper < 0x7F ? Qt::Key(upper) : Qt::Key_unknown;
    }

    void sendMouse(QWidget *target, QEvent::Type type, const QPointF &local, Qt::MouseButton button,
        Qt::MouseButtons buttons)
    {
        QMouseEvent event(
            type, local, local, target->mapToGlobal(local), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

} // namespace

void ReplayRunner::makePalette()
{
    m_panel = new ToolPanel(m_defaults);
    m_panel->setWindowTitle(QStringLiteral("Replay palette"));
    m_toolbox = new PNToolBox(
        m_panel, m_defaults, m_dataFolder.filePath(QStringLiteral("Pennova")), m_panel);
    m_toolbox->setAlert([this](const QString &message) { m_paletteMessages << message; });
    m_toolbox->setCurrentCanvas([this]() { return drawView(); });
    m_toolbox->awake();
    m_previousToolbox = PNToolBox::existing();
    PNToolBox::setShared(m_toolbox);
}

QString ReplayRunner::startToolBox(const QString &file)
{
    const QString target = m_toolbox->toolBoxFile();
    QDir().mkpath(m_toolbox->toolPath());
    QFile::remove(target);
    if (!QFile::copy(file, target))
        return QStringLiteral("cannot read the tool box '%1'").arg(file);
    m_toolbox->loadTools();
    return {};
}

QString ReplayRunner::writeToolBox(const QString &file)
{
    if (!m_toolbox->saveTools())
        return m_paletteMessages.value(m_paletteMessages.size() - 1);
    QFile::remove(file);
    if (!QFile::copy(m_toolbox->toolBoxFile(), file))
        return QStringLiteral("cannot write the tool box to '%1'").arg(file);
    return {};
}

TPTool *ReplayRunner::paletteRow(int row) const
{
    const QList<TPTool *> rows = m_toolbox->paletteTools();
    return row >= 1 && row <= rows.size() ? rows.at(row - 1) : nullptr;
}

ReplayRunner::Outcome ReplayRunner::palette(const PaletteCommand &command)
{
    using Operation = PaletteCommand::Operation;
    const auto error = [](const QString &message) { return Outcome { false, true, message }; };
    // The user opens the palette to use it.
    if (!m_panel->isVisible())
        m_panel->orderFront(ToolPanel::Sender::Other);
    processEvents();

    TPTool *tool = nullptr;
    if (command.operation == Operation::Choose && command.row == 0) {
        for (TPTool *row : m_toolbox->paletteTools()) {
            if (row->title() == command.name) {
                tool = row;
                break;
            }
        }
        if (!tool)
            return error(QStringLiteral("no tool is named '%1'").arg(command.name));
    } else if (command.row > 0) {
        tool = paletteRow(command.row);
        if (!tool)
            return error(QStringLiteral("the palette has no row %1").arg(command.row));
    }

    switch (command.operation) {
    case Operation::Choose:
        tool->setButton()->click();
        break;
    case Operation::NewPen:
    case Operation::NewEraser: {
        const int tag = command.operation == Operation::NewPen ? ToolPanel::kNewPenTag
                                                               : ToolPanel::kNewEraserTag;
        for (QAction *item : m_panel->newToolMenu()->actions()) {
            if (item->property("tag").toInt() == tag)
                item->trigger();
        }
        break;
    }
    case Operation::Duplicate:
    case Operation::Delete: {
        // The row's context menu opens over it, and the item is chosen.
        const QPoint local(tool->width() - 10, TPTool::kHeaderHeight / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, local, tool->mapToGlobal(local));
        QCoreApplication::sendEvent(tool, &event);
        m_panel->toolMenu()->hide();
        (command.operation == Operation::Delete ? m_panel->deleteAction()
                                                : m_panel->duplicateAction())
            ->trigger();
        break;
    }
    case Operation::Drag:
        return dragRow(tool, command.toRow);
    case Operation::Tick:
    case Operation::Untick: {
        const bool on = command.operation == Operation::Tick;
        QAbstractButton *box = nullptr;
        if (command.row == 0) {
            if (command.key != QLatin1String("ink"))
                return error(
                    QStringLiteral("the current settings have no tick box '%1'").arg(command.key));
            box = m_panel->curView()->inkCheck();
        } else if (TPSetting *setting = tool->settingForKey(command.key)) {
            tool->setOpen(true);
            box = setting->titleField();
        } else {
            return error(
                QStringLiteral("row %1 has no setting '%2'").arg(command.row).arg(command.key));
        }
        if (box->isChecked() != on)
            box->click();
        break;
    }
    case Operation::Type:
    case Operation::Enter:
        return typeInto(command);
    }
    processEvents();
    return {};
}

// Presses the row in its header, beside the name, moves the pointer to the middle of the row now
// at the position, a little beyond it in the direction of the drag, and releases it there.
ReplayRunner::Outcome ReplayRunner::dragRow(TPTool *tool, int toRow)
{
    TPTool *target = paletteRow(toRow);
    if (!target)
        return Outcome { false, true, QStringLiteral("the palette has no row %1").arg(toRow) };
    TPListView *list = m_toolbox->panel()->toolView();
    const QPointF start(tool->width() - 10, TPTool::kHeaderHeight / 2.0);
    const int from = list->indexOfChild(tool);
    const int to = list->indexOfChild(target);
    const double beyond = to > from ? 4.0 : to < from ? -4.0 : 0.0;
    const QPointF targetInList(start.x(), target->y() + TPTool::kHeaderHeight / 2.0 + beyond);
    sendMouse(tool, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    constexpr int kSteps = 4;
    for (int i = 1; i <= kSteps; ++i) {
        const QPointF startInList = tool->mapTo(list, start);
        const QPointF p = startInList + (targetInList - startInList) * (double(i) / kSteps);
        sendMouse(tool, QEvent::MouseMove, tool->mapFrom(list, p), Qt::NoButton, Qt::LeftButton);
    }
    sendMouse(tool, QEvent::MouseButtonRelease, tool->mapFrom(list, targetInList), Qt::LeftButton,
        Qt::NoButton);
    processEvents();
    return {};
}

// Typing goes to the field as the keyboard's would once the user has clicked into it: the name
// field of a row (which starts renaming it), a setting's number field (its row opened) or a field
// of the current settings. The text replaces what the field held.
ReplayRunner::Outcome ReplayRunner::typeInto(const PaletteCommand &command)
{
    const auto error = [](const QString &message) { return Outcome { false, true, message }; };
    QLineEdit *field = nullptr;
    if (command.row == 0) {
        field = m_panel->curView()->field(command.key);
        if (!field)
            return error(
                QStringLiteral("the current settings have no field '%1'").arg(command.key));
    } else {
        TPTool *tool = paletteRow(command.row);
        if (command.key == QLatin1String("name")) {
            tool->startTitleEdit();
            field = tool->titleField();
        } else {
            TPSetting *setting = tool->settingForKey(command.key);
            field = setting ? qobject_cast<QLineEdit *>(setting->control()) : nullptr;
            if (!field)
                return error(QStringLiteral("row %1 has no number setting '%2'")
                                 .arg(command.row)
                                 .arg(command.key));
            if (!setting->enabled())
                return error(QStringLiteral("setting '%1' of row %2 is not ticked")
                                 .arg(command.key)
                                 .arg(command.row));
            tool->setOpen(true);
        }
    }
    field->setFocus(Qt::MouseFocusReason);
    field->selectAll();
    for (const QChar c : command.text)
        typeKey(field, keyForCharacter(c), QString(c));
    if (command.operation == PaletteCommand::Operation::Enter)
        typeKey(field, Qt::Key_Return, QStringLiteral("\r"));
    processEvents();
    return {};
}

ReplayRunner::Outcome ReplayRunner::expectTools(const ExpectToolsCommand &command)
{
    QStringList names;
    for (const TPTool *tool : m_toolbox->paletteTools())
        names << tool->title();
    if (names == command.names)
        return {};
    const auto quoted = [](const QStringList &list) {
        return list.isEmpty()
            ? QStringLiteral("none")
            : QLatin1Char('"') + list.join(QStringLiteral("\", \"")) + QLatin1Char('"');
    };
    return Outcome { false, false,
        QStringLiteral("tools are %1, expected %2").arg(quoted(names), quoted(command.names)) };
}

ReplayRunner::Outcome ReplayRunner::expectSetting(const ExpectSettingCommand &command)
{
    const QVariant &want = command.value;
    QString actual;
    bool same = false;
    switch (want.typeId()) {
    case QMetaType::Bool:
        same = m_defaults.boolForKey(command.key) == want.toBool();
        actual
            = m_defaults.boolForKey(command.key) ? QStringLiteral("true") : QStringLiteral("false");
        break;
    case QMetaType::Int:
    case QMetaType::Float:
        same = m_defaults.floatForKey(command.key) == want.toFloat();
        actual = QString::number(m_defaults.floatForKey(command.key));
        break;
    case QMetaType::QByteArray: {
        // Colours agree when every component rounds to the same 8-bit value.
        const std::optional<RgbaColor> a = ColorArchive::decode(m_defaults.dataForKey(command.key));
        const std::optional<RgbaColor> b = ColorArchive::decode(want.toByteArray());
        const auto close = [](float x, float y) { return std::fabs(x - y) * 255.0f < 0.5f; };
        same = a && b && close(a->red, b->red) && close(a->green, b->green)
            && close(a->blue, b->blue) && close(a->alpha, b->alpha);
        actual = a
            ? QStringLiteral("%1 %2 %3 %4").arg(a->red).arg(a->green).arg(a->blue).arg(a->alpha)
            : QStringLiteral("no colour");
        break;
    }
    default:
        same = m_defaults.stringForKey(command.key) == want.toString();
        actual = QLatin1Char('"') + m_defaults.stringForKey(command.key) + QLatin1Char('"');
        break;
    }
    if (same)
        return {};
    return Outcome { false, false,
        QStringLiteral("setting %1 is %2, expected %3")
            .arg(command.key, actual,
                want.typeId() == QMetaType::QByteArray ? QStringLiteral("another colour")
                                                       : want.toString()) };
}

ReplayRunner::Outcome ReplayRunner::expectPalette(const ExpectPaletteCommand &command)
{
    if (m_panel->isVisible() == command.shown)
        return {};
    return Outcome { false, false,
        QStringLiteral("the palette is %1").arg(command.shown ? "hidden" : "shown") };
}

} // namespace pennova
