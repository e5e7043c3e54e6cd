#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "testsupport.h"
#include "viewtestsupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// A canvas view of 800 x 600 over a 640 x 480 canvas, driven in view coordinates (y up).
class SelectionViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view = test::makeShownView(*defaults, QSize(800, 600), Size { 640, 480 }, &history);
        ASSERT_TRUE(view->surface().isValid());
        QGuiApplication::clipboard()->clear();
    }

    static PointerEvent at(float x, float y, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        return test::pointerAt(x, y, mods);
    }
    void drag(Point from, Point to, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        view->mouseDown(at(from.x, from.y, mods));
        view->mouseDragged(at((from.x + to.x) / 2, (from.y + to.y) / 2, mods));
        view->mouseDragged(at(to.x, to.y, mods));
        view->mouseUp(at(to.x, to.y, mods));
    }
    // A selection made as a user does: Ctrl + drag.
    void select(Point from, Point to)
    {
        view->flagsChanged(Qt::ControlModifier);
        drag(from, to, Qt::ControlModifier);
        view->flagsChanged(Qt::NoModifier);
    }
    void key(int k)
    {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &press);
    }
    void putOnClipboard(const QImage &image)
    {
        auto *mime = new QMimeData;
        mime->setImageData(image);
        QGuiApplication::clipboard()->setMimeData(mime);
    }

    test::TestDefaults defaults;
    UndoHistory history;
    std::unique_ptr<DrawView> view;
};

} // namespace

TEST_F(SelectionViewTest, DeleteErasesToWhiteAsOneUndoableStep)
{
    view->surface().fillRegion(view->surface().bounds(), 0xFF202020u);
    select(Point { 600, 400 }, Point { 700, 500 }); // sticks out of the canvas
    ASSERT_TRUE(view->selection().selectionExists);
    view->deleteSelection();
    EXPECT_EQ(view->surface().pixel(620, 450), 0xFFFFFFFFu);
    EXPECT_EQ(view->surface().pixel(599, 450), 0xFF202020u);
    EXPECT_EQ(history.undoActionName(), QStringLiteral("Delete"));
    EXPECT_TRUE(view->selection().selectionExists); // the selection stays
    history.undo();
    EXPECT_EQ(view->surface().pixel(620, 450), 0xFF202020u);

    // No selection since the last deselect: nothing to erase, no step.
    view->deselectAll();
    view->deleteSelection();
    EXPECT_EQ(history.count(), 0);
}

TEST_F(SelectionViewTest, CopyTakesTheCanvasPartOnlyAndNeverTheFloatingImage)
{
    view->surface().fillRegion(QRect(0, 0, 640, 480), 0xFF336699u);
    select(Point { 600, 440 }, Point { 700, 520 });
    view->copy();
    QImage copied = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    ASSERT_EQ(copied.size(), QSize(40, 40));
    EXPECT_EQ(copied.convertToFormat(QImage::Format_ARGB32).pixel(5, 5), 0xFF336699u);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/tiff")));

    // While a paste floats, Copy is unavailable from the menus, and the canvas is what copy reads.
    QImage red(20, 20, QImage::Format_ARGB32);
    red.fill(Qt::red);
    putOnClipboard(red);
    view->paste();
    EXPECT_FALSE(view->canCopy());
    view->copy();
    copied = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    EXPECT_EQ(copied.convertToFormat(QImage::Format_ARGB32).pixel(2, 2), 0xFF336699u);
}

TEST_F(SelectionViewTest, PastePlacementCommitAndUndo)
{
    QImage image(100, 50, QImage::Format_ARGB32);
    image.fill(0xFF00FF00u);
    putOnClipboard(image);
    QSignalSpy status(view.get(), &DrawView::statusMessage);
    view->paste();
    ASSERT_TRUE(view->isPaste());
    EXPECT_EQ(view->selection().selrect, MakeRect(350, 275, 100, 50));
    EXPECT_EQ(status.last().at(0).toString(), QStringLiteral("Press enter to commit"));
    EXPECT_EQ(view->surface().pixel(400, 300), 0xFFFFFFFFu); // not yet in the canvas

    // Dragging moves it by whole pixels; Return commits it.
    drag(Point { 400, 300 }, Point { 410.6f, 290.2f });
    EXPECT_EQ(view->selection().selrect, MakeRect(360, 265, 100, 50));
    const QImage before = view->surface().image().copy();
    key(Qt::Key_Return);
    EXPECT_FALSE(view->isPaste());
    EXPECT_FALSE(view->selection().selectionExists);
    EXPECT_EQ(view->surface().pixel(360, 265), 0xFF00FF00u);
    EXPECT_EQ(view->surface().pixel(459, 314), 0xFF00FF00u);
    EXPECT_EQ(view->surface().pixel(460, 314), 0xFFFFFFFFu);
    EXPECT_EQ(history.undoActionName(), QStringLiteral("Paste"));
    history.undo();
    EXPECT_EQ(view->surface().image(), before);
}

TEST_F(SelectionViewTest, SecondPasteCommitsTheFirstAndOutsideCommitKeepsFloating)
{
    QImage image(10, 10, QImage::Format_ARGB32);
    image.fill(0xFF0000FFu);
    putOnClipboard(image);
    view->paste();
    view->paste();
    EXPECT_EQ(history.count(), 1);
    EXPECT_TRUE(view->isPaste());

    // Dragged wholly off the canvas, the commit is refused and the paste keeps floating.
    drag(Point { 400, 300 }, Point { 790, 590 });
    key(Qt::Key_Enter);
    EXPECT_TRUE(view->isPaste());
    EXPECT_EQ(history.count(), 1);
}

TEST_F(SelectionViewTest, NothingToPasteAndReturnWithoutPaste)
{
    QSignalSpy status(view.get(), &DrawView::statusMessage);
    view->paste();
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.last().at(0).toString(), QStringLiteral("Nothing to paste"));
    EXPECT_FALSE(view->isPaste());
    key(Qt::Key_Return);
    EXPECT_EQ(history.count(), 0);
}

TEST_F(SelectionViewTest, ArrowsNudgeAndStrokesStayInside)
{
    select(Point { 100, 100 }, Point { 200, 150 });
    key(Qt::Key_Up);
    key(Qt::Key_Right);
    EXPECT_EQ(view->selection().selrect, MakeRect(101, 101, 100, 50));

    drag(Point { 50, 120 }, Point { 300, 130 });
    EXPECT_EQ(view->surface().pixel(101, 125), 0xFFFFFFFFu); // the outermost column
    EXPECT_EQ(view->surface().pixel(100, 125), 0xFFFFFFFFu);
    EXPECT_EQ(view->surface().pixel(150, 125), 0xFF000000u);
}

TEST_F(SelectionViewTest, MovesAreWholePixelsAtAnyZoom)
{
    view->setViewZoom(1.5f);
    select(Point { 30, 30 }, Point { 150, 120 });
    const Rect start = view->selection().selrect;
    view->flagsChanged(Qt::ControlModifier);
    drag(Point { 90, 75 }, Point { 101.3f, 80.8f }, Qt::ControlModifier);
    view->flagsChanged(Qt::NoModifier);
    const Rect moved = view->selection().selrect;
    EXPECT_EQ(moved.size, start.size);
    EXPECT_EQ(moved.origin.x, std::trunc(moved.origin.x));
    EXPECT_EQ(moved.origin.y, std::trunc(moved.origin.y));
    EXPECT_NE(moved.origin, start.origin);
}

TEST_F(SelectionViewTest, SelectionFarOffTheCanvasErasesAndCopiesNothing)
{
    view->surface().fillRegion(view->surface().bounds(), 0xFF202020u);
    const QImage before = view->surface().image().copy();
    select(Point { 2147483000.0f, 10 }, Point { 2147484500.0f, 300 });
    ASSERT_TRUE(view->selection().selectionExists);
    view->deleteSelection();
    view->cut();
    EXPECT_EQ(history.count(), 0);
    EXPECT_EQ(view->surface().image(), before);
    const QMimeData *clipboard = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(!clipboard || !clipboard->hasImage());

    // A paste moved out there cannot be committed: it keeps floating, the canvas unchanged.
    putOnClipboard(QImage(20, 20, QImage::Format_ARGB32));
    view->paste();
    drag(Point { 400, 300 }, Point { -2147483000.0f, -2147483000.0f });
    key(Qt::Key_Return);
    EXPECT_TRUE(view->isPaste());
    EXPECT_EQ(view->surface().image(), before);
}
