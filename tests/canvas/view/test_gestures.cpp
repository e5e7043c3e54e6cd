#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "settings/defaults.h"
#include "testsupport.h"
#include "viewtestsupport.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// A canvas view in a 400 x 300 frame over a 640 x 480 checkerboard-free white canvas, driven
// through its pointer handlers in view coordinates (y up).
class GestureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view = test::makeShownView(*defaults, QSize(400, 300), Size { 640, 480 }, &history);
        ASSERT_TRUE(view->surface().isValid());
    }

    static PointerEvent at(float x, float y, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        return test::pointerAt(x, y, mods);
    }

    void drag(std::initializer_list<Point> path, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        auto it = path.begin();
        view->mouseDown(at(it->x, it->y, mods));
        for (++it; it != path.end(); ++it)
            view->mouseDragged(at(it->x, it->y, mods));
        const Point last = *(path.end() - 1);
        view->mouseUp(at(last.x, last.y, mods));
    }

    void holdSpace(bool down)
    {
        QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier,
            QStringLiteral(" "));
        QCoreApplication::sendEvent(view.get(), &e);
    }

    static void expectNear(Point a, Point b, float tolerance = 1e-3f)
    {
        EXPECT_NEAR(a.x, b.x, tolerance);
        EXPECT_NEAR(a.y, b.y, tolerance);
    }

    test::TestDefaults defaults;
    UndoHistory history;
    std::unique_ptr<DrawView> view;
};

} // namespace

TEST_F(GestureTest, ShiftDragZoomsInWholePercentAndClamps)
{
    const QImage before = view->surface().image().copy();
    view->mouseDown(at(200, 150, Qt::ShiftModifier));
    view->mouseDragged(at(200, 153, Qt::ShiftModifier)); // 1 + 3/300
    EXPECT_FLOAT_EQ(view->transform().zoom(), 1.01f);
    view->mouseDragged(at(200, 152, Qt::ShiftModifier)); // down by 1: at least one percent less
    EXPECT_FLOAT_EQ(view->transform().zoom(), 1.0f);
    view->mouseDragged(at(260, 152, Qt::ShiftModifier)); // sideways: unchanged
    EXPECT_FLOAT_EQ(view->transform().zoom(), 1.0f);
    view->mouseDragged(at(200, 5000, Qt::ShiftModifier));
    EXPECT_FLOAT_EQ(view->transform().zoom(), 8.0f);
    view->mouseDragged(at(200, -5000, Qt::ShiftModifier));
    EXPECT_FLOAT_EQ(view->transform().zoom(), 0.5f);
    view->mouseUp(at(200, -5000, Qt::ShiftModifier));
    // Zooming never paints and leaves no undo step.
    EXPECT_EQ(view->surface().image(), before);
    EXPECT_EQ(history.count(), 0);
}

// One drag event of dy window pixels from 100 % gives trunc(100 + dy / 3) percent, exactly.
TEST_F(GestureTest, ZoomStepsFromOneHundredPercentShowTheExactPercentage)
{
    QSignalSpy status(view.get(), &DrawView::statusMessage);
    for (int dy = -150; dy <= 300; ++dy) {
        SCOPED_TRACE(dy);
        view->resetZoom();
        const int exact = (300 + dy) / 3; // 300 + dy >= 150: truncation is integer division
        drag({ Point { 200, 150 }, Point { 200, 150.0f + float(dy) } }, Qt::ShiftModifier);
        EXPECT_EQ(zoomPercent(view->transform().zoom()), exact);
        EXPECT_EQ(status.last().at(0).toString(), QStringLiteral("Zoom: %1%").arg(exact));
    }
}

TEST_F(GestureTest, ZoomKeepsTheCanvasPointUnderTheCentre)
{
    const Point centre { 200, 150 };
    const Point under = view->viewToCanvas(centre);
    drag({ Point { 10, 10 }, Point { 10, 100 }, Point { 10, 160 } }, Qt::ShiftModifier);
    EXPECT_GT(view->transform().zoom(), 1.4f);
    expectNear(view->viewToCanvas(centre), under, 0.01f);
}

TEST_F(GestureTest, SpaceDragPansOneToOneAtAnyZoomAndRotation)
{
    for (const auto &[zoom, rotation] :
        { std::pair { 1.0f, 0.0f }, std::pair { 2.5f, 30.0f }, std::pair { 0.5f, -100.0f } }) {
        view->setViewZoom(zoom);
        // Rotate by a Control drag about the centre first.
        view->flagsChanged(Qt::MetaModifier);
        const float a = rotation * float(M_PI) / 180.0f;
        drag({ Point { 300, 150 }, Point { 200 + 100 * std::cos(a), 150 + 100 * std::sin(a) } });
        view->flagsChanged(Qt::NoModifier);
        EXPECT_NEAR(view->transform().boundsRotation(), rotation, 1e-3);

        holdSpace(true);
        const Point grabbed = view->viewToCanvas(Point { 120, 80 });
        const QImage before = view->surface().image().copy();
        drag({ Point { 120, 80 }, Point { 150, 95 }, Point { 210, 40 } });
        holdSpace(false);
        expectNear(view->viewToCanvas(Point { 210, 40 }), grabbed, 0.01f);
        EXPECT_EQ(view->surface().image(), before);
        view->resetZoom();
    }
    EXPECT_EQ(history.count(), 0);
}

TEST_F(GestureTest, RotationAccumulatesAcrossDragsAboutAFixedCentre)
{
    const Point centre { 200, 150 };
    const Point under = view->viewToCanvas(centre);
    view->flagsChanged(Qt::MetaModifier);
    drag({ Point { 300, 150 }, Point { 200, 250 } }); // a quarter turn
    EXPECT_NEAR(view->transform().boundsRotation(), 90.0f, 1e-3);
    drag({ Point { 200, 250 }, Point { 100, 150 } }); // another
    EXPECT_NEAR(view->transform().boundsRotation(), 180.0f, 1e-3);
    expectNear(view->viewToCanvas(centre), under, 0.01f);
    view->flagsChanged(Qt::NoModifier);
    EXPECT_EQ(history.count(), 0);
}

TEST_F(GestureTest, ResetZoomClampsTheCanvasIntoTheWindow)
{
    // Larger canvas than the window: it keeps covering the window.
    view->setViewZoom(2.0f);
    holdSpace(true);
    drag({ Point { 100, 100 }, Point { 400, 400 } }); // pan far to the lower left
    holdSpace(false);
    view->resetZoom();
    EXPECT_FLOAT_EQ(view->transform().zoom(), 1.0f);
    EXPECT_FLOAT_EQ(view->transform().boundsRotation(), 0.0f);
    const Point o = view->transform().boundsOrigin();
    EXPECT_GE(o.x, 0.0f);
    EXPECT_LE(o.x, 640.0f - 400.0f);
    EXPECT_GE(o.y, 0.0f);
    EXPECT_LE(o.y, 480.0f - 300.0f);

    // Smaller canvas than the window: it stays wholly inside.
    view->resize(800, 600);
    view->setViewZoom(1.0f);
    holdSpace(true);
    drag({ Point { 100, 100 }, Point { 500, 420 } });
    holdSpace(false);
    view->resetZoom();
    const Point p = view->transform().boundsOrigin();
    EXPECT_GE(p.x, -160.0f);
    EXPECT_LE(p.x, 0.0f);
    EXPECT_GE(p.y, -120.0f);
    EXPECT_LE(p.y, 0.0f);
}

TEST_F(GestureTest, InterpolationSmoothBelow200AndSharpFrom200)
{
    // One black pixel in white: sharp squares at 200 %, blended edges at 150 %.
    view->surface().fillRegion(QRect(10, 10, 1, 1), 0xFF000000u);
    const auto distinctGreys = [&](float zoom) {
        view->setViewZoom(zoom);
        const QImage shot = view->grab().toImage();
        QSet<int> greys;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < 80; ++x)
                greys.insert(qRed(shot.pixel(x, y)));
        return greys.size();
    };
    EXPECT_EQ(distinctGreys(2.0f), 2); // only white and black
    EXPECT_GT(distinctGreys(1.5f), 2);
}

TEST_F(GestureTest, GesturesNeverPaint)
{
    const QImage before = view->surface().image().copy();
    holdSpace(true);
    drag({ Point { 50, 50 }, Point { 80, 90 } });
    holdSpace(false);
    view->flagsChanged(Qt::MetaModifier);
    drag({ Point { 50, 50 }, Point { 80, 90 } });
    view->flagsChanged(Qt::NoModifier);
    drag({ Point { 50, 50 }, Point { 80, 90 } }, Qt::ShiftModifier);
    EXPECT_EQ(view->surface().image(), before);
    EXPECT_EQ(history.count(), 0);
    // And a plain drag afterwards paints again.
    view->resetZoom();
    drag({ Point { 50, 50 }, Point { 80, 90 } });
    EXPECT_EQ(history.count(), 1);
}
