// The palette's controller over a panel shown off screen, a settings store and a tool-box folder
// of each test's own. restart() plays the next start of the program on the same folder.

#include "app/documentwindow.h"
#include "canvas/atomicfile.h"
#include "canvas/view/drawview.h"
#include "palette/currentsettingsview.h"
#include "palette/pntoolbox.h"
#include "palette/toolboxfile.h"
#include "palette/toolpanel.h"
#include "palette/tpcolorwell.h"
#include "palette/tpdisclosurebutton.h"
#include "palette/tpiconbutton.h"
#include "palette/tplistview.h"
#include "palette/tpsetting.h"
#include "palette/tptool.h"
#include "settings/colorarchive.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using namespace pennova;

namespace {

const QStringList kDefaultNames { "Fine Liner", "Pencil", "Broad Pen", "Ink Marker", "Black",
    "Sepia", "Soft Eraser", "Hard Eraser" };
const RgbaColor kTeal { 0.0f, 0.5f, 0.5f, 1.0f };

class ToolBoxTest : public ::testing::Test
{
protected:
    ToolBoxTest() { make(); }

    void make()
    {
        panel = std::make_unique<ToolPanel>(*defaults);
        panel->setAttribute(Qt::WA_DontShowOnScreen);
        box = new PNToolBox(panel.get(), *defaults, folder(), panel.get());
        box->setAlert([this](const QString &message) { alerts << message; });
    }
    // The program quits and starts again.
    void restart()
    {
        ASSERT_TRUE(box->saveTools());
        panel.reset();
        make();
        box->loadTools();
    }

    QString folder() const { return dir.filePath(QStringLiteral("Pennova")); }
    void writeToolBox(const QByteArray &bytes)
    {
        QDir().mkpath(folder());
        ASSERT_EQ(atomicfile::writeFile(box->toolBoxFile(), bytes), QString());
    }
    QList<ToolRecord> stored() const
    {
        const toolboxfile::Decoded decoded = toolboxfile::readFile(box->toolBoxFile());
        EXPECT_TRUE(decoded.ok) << qPrintable(decoded.error);
        return decoded.records;
    }
    QStringList names() const
    {
        QStringList list;
        for (const TPTool *tool : box->paletteTools())
            list << tool->title();
        return list;
    }
    TPTool *row(int index) const { return box->paletteTools().value(index); }
    TPTool *pen(const QString &name, const QList<std::pair<QString, QVariant>> &values)
    {
        TPTool *tool = box->addToolWithName(name, ToolRecord::kPenType);
        for (const auto &[key, value] : values)
            tool->setObject(value, key);
        return tool;
    }

    test::TestDefaults defaults;
    QTemporaryDir dir;
    std::unique_ptr<ToolPanel> panel;
    PNToolBox *box = nullptr;
    QStringList alerts;
};

} // namespace

TEST_F(ToolBoxTest, FirstStartMakesTheFolderAndLoadsTheDefaultTools)
{
    ASSERT_FALSE(QDir(folder()).exists());
    box->loadTools();
    EXPECT_TRUE(QDir(folder()).exists());
    EXPECT_EQ(names(), kDefaultNames);
    for (const TPTool *tool : box->paletteTools())
        EXPECT_FALSE(tool->dictRepresentation().keys().isEmpty()) << qPrintable(tool->title());
    EXPECT_EQ(row(6)->type(), ToolRecord::kEraserType);
    EXPECT_TRUE(alerts.isEmpty());

    restart();
    EXPECT_EQ(names(), kDefaultNames);
}

TEST_F(ToolBoxTest, AnEmptyPaletteStaysEmpty)
{
    writeToolBox(toolboxfile::encode({}));
    box->loadTools();
    EXPECT_TRUE(names().isEmpty());
    restart();
    EXPECT_TRUE(names().isEmpty());

    // Every tool deleted: the file holds an empty list, and the next start shows no tools.
    const QString file = box->toolBoxFile(); // the box goes with its panel
    panel.reset();
    QFile::remove(file);
    make();
    box->loadTools();
    ASSERT_EQ(names().size(), kDefaultNames.size());
    for (TPTool *tool : box->paletteTools())
        box->delTool(tool);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    restart();
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_TRUE(names().isEmpty());
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(ToolBoxTest, ReorderedToolsAreStoredInTheirNewOrder)
{
    box->loadTools();
    panel->toolView()->moveSubview(row(0), row(3));
    panel->toolView()->moveChildUp(row(7));
    const QStringList order { "Pencil", "Broad Pen", "Fine Liner", "Ink Marker", "Black", "Sepia",
        "Hard Eraser", "Soft Eraser" };
    EXPECT_EQ(names(), order);
    restart();
    EXPECT_EQ(names(), order);
    EXPECT_EQ(stored().at(0).name(), QStringLiteral("Pencil"));
}

TEST_F(ToolBoxTest, RecordsLoadWhatTheirToolHas)
{
    ToolRecord eraser(QStringLiteral("Eraser"), ToolRecord::kEraserType);
    eraser.insert(keys::Color, ColorArchive::encode(kTeal));
    ToolRecord later(QStringLiteral("Airbrush"), 3);
    later.insert(keys::BrushSize, 10);
    ToolRecord nameless(QString(), ToolRecord::kPenType);
    nameless.insert(keys::BrushSize, 60);
    writeToolBox(toolboxfile::encode({ eraser, later, nameless }));
    box->loadTools();

    ASSERT_EQ(names(), QStringList({ "Eraser", "Untitled Pen" }));
    EXPECT_EQ(row(0)->type(), ToolRecord::kEraserType);
    EXPECT_TRUE(row(0)->getEnabledSettings().isEmpty());
    // Values are held in their setting's range.
    EXPECT_EQ(row(1)->dictRepresentation().value(keys::BrushSize), QVariant(48));
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(ToolBoxTest, ADamagedFileIsKeptAsideAndTheUserToldOnce)
{
    const QByteArray damaged("\xa1\x00 not a tool box at all", 24);
    writeToolBox(damaged);
    box->loadTools();
    EXPECT_EQ(names(), kDefaultNames);
    ASSERT_EQ(alerts.size(), 1);
    const QString kept = box->keptAsidePath();
    EXPECT_TRUE(alerts.at(0).contains(kept)) << qPrintable(alerts.at(0));
    EXPECT_EQ(QFileInfo(kept).dir(), QDir(folder()));
    QFile keptFile(kept);
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), damaged);
    keptFile.close();

    // Saving writes a fresh file and leaves the kept one alone; a second damaged file is kept
    // under another name.
    ASSERT_TRUE(box->saveTools());
    EXPECT_EQ(stored().size(), kDefaultNames.size());
    writeToolBox("also damaged");
    alerts.clear();
    box->loadTools();
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_NE(box->keptAsidePath(), kept);
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), damaged);
}

// Saves are killed at random moments while they replace the file with a large or a small tool
// box; whatever moment the kill hits, the file reads as one of the two whole.
TEST_F(ToolBoxTest, AWriteKilledHalfwayLeavesTheLastFileReadable)
{
    QList<ToolRecord> large;
    for (int i = 0; i < 4000; ++i)
        large.append(ToolRecord(QStringLiteral("Pen %1").arg(i), ToolRecord::kPenType));
    const QByteArray bytes[2] = { toolboxfile::encode(large),
        toolboxfile::encode({ ToolRecord(QStringLiteral("One"), ToolRecord::kPenType) }) };
    writeToolBox(bytes[1]);
    const QString path = box->toolBoxFile();
    for (int round = 0; round < 6; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int n = 0;; ++n)
                atomicfile::writeFile(path, bytes[n % 2]);
        }
        usleep(useconds_t(15000 + round * 6000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        const toolboxfile::Decoded decoded = toolboxfile::readFile(path);
        ASSERT_TRUE(decoded.ok) << "round " << round << ": " << qPrintable(decoded.error);
        EXPECT_TRUE(decoded.records.size() == 1 || decoded.records.size() == large.size());
    }
}

TEST_F(ToolBoxTest, ChoosingAToolWritesItsEnabledSettingsOnly)
{
    TPTool *swatch = pen(QStringLiteral("Teal"), { { keys::Color, ColorArchive::encode(kTeal) } });
    TPTool *eraser = box->addToolWithName(QStringLiteral("E"), ToolRecord::kEraserType);
    eraser->setObject(20, keys::EraserSize);
    eraser->setObject(0, keys::EraserStrength);
    QSignalSpy written(&*defaults, &Defaults::changed);

    swatch->setButton()->click();
    ASSERT_EQ(written.size(), 1);
    EXPECT_EQ(written.at(0).at(0).toString(), keys::Color);
    EXPECT_EQ(colorFromDefaults(*defaults), kTeal);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 10.0f);

    written.clear();
    box->setTool(eraser);
    ASSERT_EQ(written.size(), 2);
    EXPECT_EQ(written.at(0).at(0).toString(), keys::EraserSize);
    EXPECT_EQ(written.at(1).at(0).toString(), keys::EraserStrength);
    EXPECT_EQ(defaults->integerForKey(keys::EraserStrength), 1);

    // The canvas takes a chosen size at once.
    auto canvas = std::make_unique<DrawView>(*defaults);
    box->setTool(pen(QStringLiteral("Wide"), { { keys::BrushSize, 20 } }));
    EXPECT_EQ(canvas->brushsize(), 20.0f);
}

TEST_F(ToolBoxTest, NewToolsTakeTheSettingsInForceAsTheyAre)
{
    defaults->setInteger(keys::BrushSizeMin, 10);
    defaults->setInteger(keys::BrushSize, 5);
    defaults->setBool(keys::Ink, true);
    defaults->setData(keys::Color, ColorArchive::encode(kTeal));
    defaults->setInteger(keys::EraserSize, 20);
    defaults->setInteger(keys::EraserStrength, 30);
    pen(QStringLiteral("A"), {});

    for (QAction *item : panel->newToolMenu()->actions())
        item->trigger();
    EXPECT_EQ(box->newButton(2), nullptr);
    ASSERT_EQ(names(), QStringList({ "A", "Untitled Pen", "Untitled Eraser" }));
    const ToolRecord made = row(1)->dictRepresentation();
    EXPECT_EQ(
        made.keys(), QStringList({ keys::BrushSizeMin, keys::BrushSize, keys::Color, keys::Ink }));
    EXPECT_EQ(made.value(keys::BrushSizeMin), QVariant(10));
    EXPECT_EQ(made.value(keys::BrushSize), QVariant(5));
    EXPECT_EQ(made.value(keys::Ink), QVariant(1));
    EXPECT_EQ(made.value(keys::Color).toByteArray(), ColorArchive::encode(kTeal));
    const ToolRecord eraser = row(2)->dictRepresentation();
    EXPECT_EQ(eraser.value(keys::EraserSize), QVariant(20));
    EXPECT_EQ(eraser.value(keys::EraserStrength), QVariant(30));
}

TEST_F(ToolBoxTest, ACopyGoesDirectlyBelowWithTheEnabledSettingsOnly)
{
    pen(QStringLiteral("A"), {});
    TPTool *b = pen(QStringLiteral("B"), { { keys::BrushSize, 30 }, { keys::Ink, 1 } });
    b->settingForKey(keys::BrushSize)->enable(false);
    pen(QStringLiteral("C"), {});

    // Through the row's context menu, as the user does it.
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(150, 10), QPoint(150, 10));
    QCoreApplication::sendEvent(b, &menuEvent);
    panel->toolMenu()->hide();
    EXPECT_EQ(box->findClickedTool(), b);
    panel->duplicateAction()->trigger();
    ASSERT_EQ(names(), QStringList({ "A", "B", "B copy", "C" }));
    const ToolRecord copy = row(2)->dictRepresentation();
    EXPECT_EQ(copy.keys(), QStringList({ keys::Ink }));
    EXPECT_EQ(copy.value(keys::Ink), QVariant(1));

    box->dupTool(row(2));
    EXPECT_EQ(names(), QStringList({ "A", "B", "B copy", "B copy copy", "C" }));
    box->delTool(row(0));
    EXPECT_EQ(names(), QStringList({ "B", "B copy", "B copy copy", "C" }));
}

TEST_F(ToolBoxTest, ThePaletteCommandHidesAShownPaletteAndShowsAHiddenOne)
{
    PNToolBox::setShared(box);
    DocumentWindow window(*defaults);
    QAction *command = window.action(QStringLiteral("toolPalette"));
    ASSERT_NE(command, nullptr);
    command->trigger();
    EXPECT_TRUE(panel->isVisible());
    command->trigger();
    EXPECT_FALSE(panel->isVisible());
    command->trigger();
    EXPECT_TRUE(panel->isVisible());
    // Brought to the front by other means, a shown palette stays.
    panel->orderFront(ToolPanel::Sender::Other);
    EXPECT_TRUE(panel->isVisible());
    PNToolBox::setShared(nullptr);
}

TEST_F(ToolBoxTest, APressOnTheCanvasStoresWhatIsBeingTyped)
{
    auto canvas = std::make_unique<DrawView>(*defaults);
    canvas->setAttribute(Qt::WA_DontShowOnScreen);
    canvas->resize(100, 100);
    canvas->newImageWithSize(Size { 100, 100 });
    canvas->show();
    box->watchCanvas(canvas.get());
    panel->show();
    TPTool *tool = pen(QStringLiteral("Old"), {});

    tool->startTitleEdit();
    QTest::keyClicks(tool->titleField(), QStringLiteral("Inky"));
    QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_FALSE(tool->isEditingTitle());
    EXPECT_EQ(tool->title(), QStringLiteral("Inky"));

    QLineEdit *field = panel->curView()->field(keys::EraserSize);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("99"));
    EXPECT_EQ(defaults->integerForKey(keys::EraserSize), 15);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(defaults->integerForKey(keys::EraserSize), 48);

    // Pointer movement over the panel reaches the canvas's cursor tracker.
    box->setCurrentCanvas([&canvas]() { return canvas.get(); });
    canvas->mt().setDefaultCursor(QCursor(Qt::CrossCursor));
    emit panel->mouseMoved(canvas->mapToGlobal(QPointF(50, 50)));
    EXPECT_EQ(canvas->mt().currentCursor().shape(), Qt::CrossCursor);
}

TEST_F(ToolBoxTest, TheCurrentSettingsShowAndEditTheSettingsInForce)
{
    CurrentSettingsView *current = panel->curView();
    QLineEdit *maximum = current->field(keys::BrushSize);
    EXPECT_EQ(maximum->text(), QStringLiteral("10"));
    defaults->setFloat(keys::BrushSize, 33.0f);
    EXPECT_EQ(maximum->text(), QStringLiteral("33"));
    defaults->setData(keys::Color, ColorArchive::encode(kTeal));
    EXPECT_EQ(current->colorWell()->color(), kTeal);

    maximum->setText(QStringLiteral("60"));
    maximum->setModified(true);
    QTest::keyClick(maximum, Qt::Key_Return);
    EXPECT_EQ(defaults->integerForKey(keys::BrushSize), 48);
    EXPECT_EQ(maximum->text(), QStringLiteral("48"));
    QLineEdit *minimum = current->field(keys::BrushSizeMin);
    minimum->setText(QStringLiteral("50"));
    QTest::keyClick(minimum, Qt::Key_Return);
    EXPECT_EQ(defaults->integerForKey(keys::BrushSizeMin), 48);

    current->inkCheck()->click();
    EXPECT_TRUE(defaults->boolForKey(keys::Ink));
    defaults->setBool(keys::Ink, false);
    EXPECT_FALSE(current->inkCheck()->isChecked());
}

TEST_F(ToolBoxTest, TheSwitchResizesThePanelKeepingItsTopAndTheList)
{
    panel->move(100, 80);
    panel->show();
    // The panel's first height is without the area, which it gets at wake.
    const int start = panel->height();
    box->awake();
    const int area = panel->curView()->height();
    EXPECT_GT(area, 20);
    EXPECT_EQ(panel->height(), start + area);
    const int listHeight = panel->scrollArea()->height();
    EXPECT_EQ(listHeight, start - panel->bar()->height());

    panel->currentSwitch()->click();
    EXPECT_TRUE(panel->curView()->isHidden());
    EXPECT_EQ(panel->height(), start);
    EXPECT_EQ(panel->y(), 80);
    EXPECT_EQ(panel->scrollArea()->height(), listHeight);
    panel->currentSwitch()->click();
    EXPECT_EQ(panel->height(), start + area);
    EXPECT_EQ(panel->y(), 80);
    EXPECT_EQ(panel->width(), ToolPanel::kInitialWidth);
}

TEST_F(ToolBoxTest, ThePanelFrameIsKeptBetweenRuns)
{
    box->loadTools();
    panel->resize(panel->width(), 500);
    restart();
    const std::optional<QRect> frame
        = PNToolBox::frameFromString(defaults->stringForKey(keys::ToolPanelFrame));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(ToolPanel::kInitialWidth, 500));
    box->awake();
    EXPECT_EQ(panel->height(), 500);

    EXPECT_EQ(PNToolBox::frameFromString(QStringLiteral(" {{-20, 40}, {230, 300}} ")),
        QRect(-20, 40, 230, 300));
    for (const char *bad :
        { "", "{{1, 2}, {0, 5}}", "{{1, 2}, {3}}", "1, 2, 3, 4", "{{1, 2}, {99999999, 5}}" })
        EXPECT_FALSE(PNToolBox::frameFromString(QString::fromLatin1(bad))) << bad;
}

TEST_F(ToolBoxTest, ChangesAreWrittenShortlyAfterAndAFailedWriteIsToldOnce)
{
    box->loadTools();
    row(0)->setTitle(QStringLiteral("Liner"));
    EXPECT_TRUE(box->isSavePending());
    EXPECT_TRUE(QTest::qWaitFor([this]() { return !box->isSavePending(); }, 5000));
    EXPECT_EQ(stored().at(0).name(), QStringLiteral("Liner"));

    // The folder cannot be made where a file stands in its way.
    panel.reset();
    ASSERT_TRUE(QDir(folder()).removeRecursively());
    QFile blocker(folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    make();
    pen(QStringLiteral("A"), {});
    EXPECT_FALSE(box->saveToolBox());
    EXPECT_FALSE(box->saveTools());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.at(0).contains(box->toolBoxFile())) << qPrintable(alerts.at(0));
    // Once a write has succeeded, the next failure is told again.
    ASSERT_TRUE(QFile::remove(folder()));
    EXPECT_TRUE(box->saveToolBox());
    ASSERT_TRUE(QDir(folder()).removeRecursively());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(box->saveToolBox());
    EXPECT_EQ(alerts.size(), 2);
}
