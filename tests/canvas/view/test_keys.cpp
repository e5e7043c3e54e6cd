#include "app/defaults.h"
#include "app/defaultskeys.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "testsupport.h"
#include "viewtestsupport.h"

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
