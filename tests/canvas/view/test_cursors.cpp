#include "canvas/view/drawview.h"
#include "canvasui/resizearrow.h"
#include "settings/defaults.h"
#include "testsupport.h"
#include "viewtestsupport.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <cmath>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// The cursor a canvas view shows over each part of itself, by mode.
class CursorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view = test::makeShownView(*defaults, QSize(400, 300), Size { 400, 300 });
        ASSERT_TRUE(view->surface().isValid());
    }

    // The cursor at a canvas point (the view is unzoomed here, so canvas = view coordinates).
    QCursor cursorAt(float x, float y) { return view->mt().cursorForPoint(QPointF(x, y)); }

    static QImage cursorImage(const QCursor &c) { return c.pixmap().toImage(); }

    void space(QEvent::Type type, bool autoRepeat = false)
    {
        QKeyEvent e(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
        QCoreApplication::sendEvent(view.get(), &e);
    }

    test::TestDefaults defaults;
    std::unique_ptr<DrawView> view;
};

} // namespace

TEST_F(CursorTest, SelectionModeRegions)
{
    view->selectAll();
    view->deselectAll();
    // A selection from (100, 100) to (200, 180), made in selection mode.
    view->flagsChanged(Qt::ControlModifier);
    PointerEvent e;
    e.modifiers = Qt::ControlModifier;
    e.location = Point { 100, 100 };
    view->mouseDown(e);
    e.location = Point { 200, 180 };
    view->mouseDragged(e);
    view->mouseUp(e);
    ASSERT_TRUE(view->selection().selectionExists);

    EXPECT_EQ(cursorAt(300, 250).shape(), Qt::CrossCursor); // outside
    EXPECT_EQ(cursorAt(150, 140).shape(), Qt::ArrowCursor); // inside
    // Inside a corner's circle (radius 10): a resize arrow, even corners one way, odd the other.
    const QCursor lowerLeft = cursorAt(104, 104);
    const QCursor lowerRight = cursorAt(196, 104);
    EXPECT_EQ(lowerLeft.shape(), Qt::BitmapCursor);
    EXPECT_EQ(lowerRight.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursorImage(lowerLeft), ResizeArrow::imageWithSize(16, 45));
    EXPECT_EQ(cursorImage(lowerRight), ResizeArrow::imageWithSize(16, -45));
    // The circle, not its square: the square's corner point is outside the circle.
    EXPECT_EQ(cursorAt(91, 91).shape(), Qt::CrossCursor);

    // Leaving selection mode shows the brush again.
    view->flagsChanged(Qt::NoModifier);
    EXPECT_EQ(cursorAt(150, 140).shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursorImage(cursorAt(150, 140)), cursorImage(view->brushCursor()));
}

TEST_F(CursorTest, ResizeArrowsFollowTheViewRotation)
{
    // Rotate the view by 30 degrees with a Control drag about the centre.
    view->flagsChanged(Qt::MetaModifier);
    PointerEvent e;
    e.location = Point { 300, 150 };
    view->mouseDown(e);
    const float a = 30.0f * float(M_PI) / 180.0f;
    e.location = Point { 200 + 100 * std::cos(a), 150 + 100 * std::sin(a) };
    view->mouseDragged(e);
    view->mouseUp(e);
    ASSERT_NEAR(view->transform().boundsRotation(), 30.0f, 1e-3);

    view->selectAll();
    view->flagsChanged(Qt::ControlModifier);
    const Point corner0 = view->selection().selcorners[0];
    const Point corner1 = view->selection().selcorners[1];
    EXPECT_EQ(
        cursorImage(cursorAt(corner0.x + 2, corner0.y + 2)), ResizeArrow::imageWithSize(16, 75));
    EXPECT_EQ(
        cursorImage(cursorAt(corner1.x - 2, corner1.y + 2)), ResizeArrow::imageWithSize(16, -15));
}

TEST_F(CursorTest, SpaceShowsTheHandAtOnceAndAPendingPasteTheArrow)
{
    EXPECT_EQ(view->mt().defaultCursor().shape(), Qt::BitmapCursor); // the brush
    space(QEvent::KeyPress);
    EXPECT_EQ(view->mt().defaultCursor().shape(), Qt::OpenHandCursor);
    space(QEvent::KeyRelease, true); // auto-repeat pairs change nothing
    space(QEvent::KeyPress, true);
    EXPECT_EQ(view->mt().defaultCursor().shape(), Qt::OpenHandCursor);
    PointerEvent e;
    e.location = Point { 50, 50 };
    view->mouseDown(e);
    EXPECT_EQ(view->mt().defaultCursor().shape(), Qt::ClosedHandCursor);
    view->mouseUp(e);
    space(QEvent::KeyRelease);
    EXPECT_EQ(view->mt().defaultCursor().shape(), Qt::BitmapCursor);

    QImage image(10, 10, QImage::Format_ARGB32);
    image.fill(Qt::red);
    view->pasteImageAt(image, std::nullopt);
    EXPECT_EQ(view->mt().defaultCursor().shape(), Qt::ArrowCursor);
}

// A letter given to selecting is held like Space: selection mode and its crosshair at once, the
// letter's auto-repeat absorbed, and let go when the view loses the keyboard; the old key (Ctrl)
// no longer selects, and a letter given to no gesture is only a key.
TEST_F(CursorTest, AHeldLetterKeySelectsAndCtrlNoLonger)
{
    defaults->setString(GestureKeys::settingsKey(Gesture::Select), QStringLiteral("S"));
    const auto key = [&](QEvent::Type type, Qt::Key k, bool autoRepeat = false) {
        QKeyEvent e(type, k, Qt::NoModifier, QStringLiteral("s"), autoRepeat);
        QCoreApplication::sendEvent(view.get(), &e);
    };
    key(QEvent::KeyPress, Qt::Key_S);
    EXPECT_TRUE(view->isSelect());
    EXPECT_EQ(view->mt().defaultCursor().shape(), Qt::CrossCursor);
    key(QEvent::KeyRelease, Qt::Key_S, true);
    key(QEvent::KeyPress, Qt::Key_S, true);
    EXPECT_TRUE(view->isSelect());
    key(QEvent::KeyRelease, Qt::Key_S);
    EXPECT_FALSE(view->isSelect());
    EXPECT_EQ(view->mt().defaultCursor().shape(), Qt::BitmapCursor);

    view->flagsChanged(Qt::ControlModifier);
    EXPECT_FALSE(view->isSelect());
    view->flagsChanged(Qt::NoModifier);

    key(QEvent::KeyPress, Qt::Key_S);
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(view.get(), &out);
    EXPECT_FALSE(view->isSelect());

    // Back to the factory's Ctrl.
    defaults->removeObjectForKey(GestureKeys::settingsKey(Gesture::Select));
    view->flagsChanged(Qt::ControlModifier);
    EXPECT_TRUE(view->isSelect());
}
