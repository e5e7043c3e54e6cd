#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "testsupport.h"
#include "viewtestsupport.h"
#include <QAction>

#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

class KeyCommandTest : public ::testing::Test
{
protected:
    std::unique_ptr<DrawView> makeView()
    {
        return test::makeShownView(*defaults, QSize(200, 100), Size { 200, 100 }, &history);
    }

    static PointerEvent at(float x, float y) { return test::pointerAt(x, y); }
    static void stroke(DrawView &v, Point a, Point b, bool erase = false)
    {
        v.flagsChanged(erase ? Qt::AltModifier : Qt::NoModifier);
        PointerEvent down = at(a.x, a.y);
        down.modifiers = erase ? Qt::AltModifier : Qt::NoModifier;
        v.mouseDown(down);
        PointerEvent to = at(b.x, b.y);
        to.modifiers = down.modifiers;
        v.mouseDragged(to);
        v.mouseUp(to);
        v.flagsChanged(Qt::NoModifier);
    }

    test::TestDefaults defaults;
    UndoHistory history;
};

} // namespace

TEST_F(KeyCommandTest, BrushSizeStepsWithShiftAndAlt)
{
    auto view = makeView();
    defaults->setFloat(keys::BrushSize, 30);
    view->modifyBrush(-1, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 20.0f);
    view->modifyBrush(+1, Qt::ShiftModifier);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 25.0f);
    view->modifyBrush(+1, Qt::NoModifier);
    EXPECT_EQ(view->brushsize(), 26.0f);
    for (int i = 0; i < 3; ++i)
        view->modifyBrush(+1, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(view->brushsize(), 48.0f); // clamped
}

TEST_F(KeyCommandTest, SealedCanvasErasesBackToTheSealedPicture)
{
    auto view = makeView();
    defaults->setFloat(keys::EraserSize, 20);
    defaults->setFloat(keys::EraserStrength, 100);
    view->prox();
    view->surface().fillRegion(QRect(0, 0, 200, 100), 0xFF0000FFu);
    view->setErase(1);
    stroke(*view, Point { 10, 50 }, Point { 190, 50 });
    EXPECT_EQ(view->surface().pixel(100, 50), 0xFF000000u);
    stroke(*view, Point { 10, 50 }, Point { 190, 50 }, true);
    EXPECT_EQ(view->surface().pixel(100, 50), 0xFF0000FFu); // the sealed blue, not white

    view->setErase(0);
    stroke(*view, Point { 10, 50 }, Point { 190, 50 }, true);
    EXPECT_EQ(view->surface().pixel(100, 50), 0xFFFFFFFFu);
}

TEST_F(KeyCommandTest, SealingOneCanvasLeavesOthersWhite)
{
    auto first = makeView();
    auto second = makeView();
    defaults->setFloat(keys::EraserStrength, 100);
    first->surface().fillRegion(QRect(0, 0, 200, 100), 0xFF00FF00u);
    second->surface().fillRegion(QRect(0, 0, 200, 100), 0xFF00FF00u);
    first->setErase(1);
    // A third canvas opening afterwards does not unseal the first either.
    auto third = makeView();
    EXPECT_FALSE(first->eraseImage().isWhite());
    EXPECT_TRUE(second->eraseImage().isWhite());
    stroke(*second, Point { 10, 50 }, Point { 190, 50 }, true);
    EXPECT_EQ(second->surface().pixel(100, 50), 0xFFFFFFFFu);

    // Delete restores the sealed pixels too.
    first->surface().fillRegion(QRect(0, 0, 200, 100), 0xFF000000u);
    first->selectAll();
    first->deleteSelection();
    EXPECT_EQ(first->surface().pixel(5, 5), 0xFF00FF00u);
}

#include "app/documentwindow.h"

#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

namespace {

// The menu commands on plain keys, pressed as a user would in a document window.
class KeyBindingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<DocumentWindow>(*defaults);
        window->newCanvas(200, 100);
        window->show();
        window->activateWindow();
        // Menu keys reach only the active window, as on the desktop.
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->drawView()->setFocus();
    }

    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(window->drawView(), key, mods);
    }

    // Opens the menu that holds a command and clicks the command's item, with keys held.
    void clickMenuItem(const QString &name, Qt::KeyboardModifiers mods)
    {
        QAction *command = window->action(name);
        QMenu *menu = nullptr;
        for (QMenu *m : window->menuBar()->findChildren<QMenu *>()) {
            if (m->actions().contains(command))
                menu = m;
        }
        ASSERT_NE(menu, nullptr);
        menu->popup(window->mapToGlobal(QPoint(10, 10)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QTest::mouseClick(menu, Qt::LeftButton, mods, menu->actionGeometry(command).center());
        EXPECT_FALSE(menu->isVisible());
    }

    test::TestDefaults defaults;
    std::unique_ptr<DocumentWindow> window;
};

} // namespace

TEST_F(KeyBindingTest, BracketsStepTheBrushWithShiftAndAlt)
{
    defaults->setFloat(keys::BrushSize, 30);
    press(Qt::Key_BracketLeft, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 20.0f);
    press(Qt::Key_BracketRight);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 21.0f);
    press(Qt::Key_BracketRight, Qt::ShiftModifier);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 26.0f);
}

// Canvas > Increase Brush Size chosen with the mouse steps by what is held at the click, not by
// the Shift of an earlier key.
TEST_F(KeyBindingTest, BrushStepFromTheMenuReadsTheModifiersOfTheClick)
{
    defaults->setFloat(keys::BrushSize, 20);
    press(Qt::Key_E, Qt::ShiftModifier); // Unseal Canvas
    clickMenuItem(QStringLiteral("increaseBrush"), Qt::NoModifier);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 21.0f);
    press(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier); // Deselect All
    clickMenuItem(QStringLiteral("decreaseBrush"), Qt::NoModifier);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 20.0f);
    clickMenuItem(QStringLiteral("increaseBrush"), Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 30.0f);
    press(Qt::Key_BracketLeft, Qt::ShiftModifier);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 25.0f);
}

TEST_F(KeyBindingTest, InkSealAndResetKeysShowTheirMessages)
{
    QSignalSpy status(window->drawView(), &DrawView::statusMessage);
    const bool inkBefore = defaults->boolForKey(keys::Ink);
    press(Qt::Key_I);
    press(Qt::Key_I);
    EXPECT_EQ(defaults->boolForKey(keys::Ink), inkBefore);
    press(Qt::Key_E);
    EXPECT_FALSE(window->drawView()->eraseImage().isWhite());
    press(Qt::Key_E, Qt::ShiftModifier);
    EXPECT_TRUE(window->drawView()->eraseImage().isWhite());
    press(Qt::Key_0);
    QStringList texts;
    for (const auto &args : status)
        texts << args.at(0).toString();
    EXPECT_EQ(texts,
        (QStringList { QStringLiteral("Ink ON"), QStringLiteral("Ink OFF"),
            QStringLiteral("Canvas Sealed"), QStringLiteral("Unseal Canvas"),
            QStringLiteral("View Reset") }));
}

TEST_F(KeyBindingTest, ArrowsMoveTheSelectionOnlyWhenThereIsOne)
{
    press(Qt::Key_Up); // no selection: nothing moves, nothing breaks
    EXPECT_FALSE(window->drawView()->selection().selectionExists);
    window->action(QStringLiteral("selectAll"))->trigger();
    press(Qt::Key_Up);
    press(Qt::Key_Right);
    EXPECT_EQ(window->drawView()->selection().selrect, MakeRect(1, 1, 200, 100));
    press(Qt::Key_Delete);
    EXPECT_EQ(window->undoHistory()->undoActionName(), QStringLiteral("Delete"));
}
