#include "canvasui/mousetracker.h"

#include "testsupport.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace pennova;

namespace {

// A 400 x 300 top-level owner; region points are y-up view coordinates (x, 300 − y).
class MouseTrackerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        owner = std::make_unique<QWidget>();
        owner->setAttribute(Qt::WA_DontShowOnScreen);
        owner->resize(400, 300);
        owner->move(50, 60);
        owner->show();
        tracker = std::make_unique<MouseTracker>(owner.get());
    }

    static QPainterPath rectPath(qreal x, qreal y, qreal w, qreal h)
    {
        QPainterPath p;
        p.addRect(x, y, w, h);
        return p;
    }
    static QPainterPath circle(QPointF centre, qreal radius)
    {
        QPainterPath p;
        p.addEllipse(centre, radius, radius);
        return p;
    }
    Qt::CursorShape shapeAtView(qreal x, qreal y) const
    {
        return tracker->cursorForPoint(QPointF(x, y)).shape();
    }
    // Moves the pointer to a widget position and lets the tracker set the cursor there.
    Qt::CursorShape movedTo(qreal x, qreal y)
    {
        tracker->mouseMoved(QPointF(x, y));
        return owner->cursor().shape();
    }

    std::unique_ptr<QWidget> owner;
    std::unique_ptr<MouseTracker> tracker;
};

TEST_F(MouseTrackerTest, StartsWithTheArrowAndTurnsOnMouseTracking)
{
    EXPECT_TRUE(owner->hasMouseTracking());
    EXPECT_EQ(tracker->defaultCursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(movedTo(200, 150), Qt::ArrowCursor);
    tracker->setDefaultCursor(Qt::CrossCursor);
    EXPECT_EQ(movedTo(200, 150), Qt::CrossCursor);
    EXPECT_EQ(tracker->currentCursor().shape(), Qt::CrossCursor);
}

TEST_F(MouseTrackerTest, LastAddedRegionWinsWhereRegionsOverlap)
{
    tracker->setDefaultCursor(Qt::CrossCursor);
    tracker->addCursorPath(rectPath(100, 100, 100, 80), QCursor(Qt::ArrowCursor));
    tracker->addCursorPath(circle(QPointF(100, 100), 10), QCursor(Qt::SizeBDiagCursor));
    tracker->addCursorPath(circle(QPointF(200, 180), 10), QCursor(Qt::SizeFDiagCursor));

    EXPECT_EQ(shapeAtView(103, 103), Qt::SizeBDiagCursor); // circle over the rectangle
    EXPECT_EQ(shapeAtView(95, 95), Qt::SizeBDiagCursor); // circle outside the rectangle
    EXPECT_EQ(shapeAtView(197, 177), Qt::SizeFDiagCursor);
    EXPECT_EQ(shapeAtView(150, 140), Qt::ArrowCursor);
    // Within the circle's square but outside the circle.
    EXPECT_EQ(shapeAtView(92, 92), Qt::CrossCursor);
    EXPECT_EQ(shapeAtView(20, 20), Qt::CrossCursor);
    EXPECT_EQ(tracker->regionIndexAt(QPointF(103, 103)), 1);
    EXPECT_EQ(tracker->regionIndexAt(QPointF(20, 20)), -1);

    // Turning the order round makes the rectangle win over the circle's inner quarter.
    tracker->invalidateCursorPaths();
    tracker->addCursorPath(circle(QPointF(100, 100), 10), QCursor(Qt::SizeBDiagCursor));
    tracker->addCursorPath(rectPath(100, 100, 100, 80), QCursor(Qt::ArrowCursor));
    EXPECT_EQ(shapeAtView(103, 103), Qt::ArrowCursor);
    EXPECT_EQ(shapeAtView(97, 97), Qt::SizeBDiagCursor);
}

TEST_F(MouseTrackerTest, RectanglesAreHalfOpen)
{
    tracker->setDefaultCursor(Qt::CrossCursor);
    tracker->addCursorPath(rectPath(10, 20, 30, 40), QCursor(Qt::ArrowCursor));
    EXPECT_EQ(shapeAtView(10, 20), Qt::ArrowCursor); // min corner inside
    EXPECT_EQ(shapeAtView(39.99, 59.99), Qt::ArrowCursor);
    EXPECT_EQ(shapeAtView(40, 30), Qt::CrossCursor); // maxX outside
    EXPECT_EQ(shapeAtView(20, 60), Qt::CrossCursor); // maxY outside
    EXPECT_EQ(shapeAtView(9.99, 30), Qt::CrossCursor);

    // The same rectangle as a closed polygon is recognised too; a diamond is not a rectangle.
    tracker->invalidateCursorPaths();
    QPainterPath polygon;
    polygon.addPolygon(QPolygonF({ { 40, 60 }, { 10, 60 }, { 10, 20 }, { 40, 20 } }));
    polygon.closeSubpath();
    tracker->addCursorPath(polygon, QCursor(Qt::ArrowCursor));
    EXPECT_EQ(shapeAtView(10, 20), Qt::ArrowCursor);
    EXPECT_EQ(shapeAtView(40, 30), Qt::CrossCursor);
    EXPECT_EQ(shapeAtView(20, 60), Qt::CrossCursor);
}

TEST_F(MouseTrackerTest, WidgetPositionsAreFlippedToViewCoordinates)
{
    tracker->setDefaultCursor(Qt::CrossCursor);
    // View y 0..50 is the bottom 50 rows of the widget.
    tracker->addCursorPath(rectPath(0, 0, 400, 50), QCursor(Qt::PointingHandCursor));
    EXPECT_EQ(movedTo(200, 260), Qt::PointingHandCursor);
    EXPECT_EQ(movedTo(200, 20), Qt::CrossCursor);

    // An installed mapping replaces the flip (the canvas view maps to canvas coordinates).
    tracker->setPointMapping([](const QPointF &p) { return p / 2; });
    EXPECT_EQ(movedTo(200, 20), Qt::PointingHandCursor); // (100, 10)
    EXPECT_EQ(movedTo(200, 120), Qt::CrossCursor); // (100, 60)
}

TEST_F(MouseTrackerTest, OutsideTheOwnerAndOverTheResizeGripShowTheArrow)
{
    tracker->setDefaultCursor(Qt::CrossCursor);
    tracker->addCursorPath(rectPath(-1000, -1000, 3000, 3000), QCursor(Qt::OpenHandCursor));
    EXPECT_EQ(movedTo(-1, 100), Qt::ArrowCursor);
    EXPECT_EQ(movedTo(400, 100), Qt::ArrowCursor);
    EXPECT_EQ(movedTo(100, 300), Qt::ArrowCursor);
    EXPECT_EQ(movedTo(399, 299), Qt::ArrowCursor); // grip square: x from 384, y from 284
    EXPECT_EQ(movedTo(384, 284), Qt::ArrowCursor);
    EXPECT_EQ(movedTo(383, 299), Qt::OpenHandCursor);
    EXPECT_EQ(movedTo(399, 283), Qt::OpenHandCursor);

    // A window that cannot be resized has no grip.
    owner->setFixedSize(400, 300);
    EXPECT_EQ(movedTo(399, 299), Qt::OpenHandCursor);
}

TEST_F(MouseTrackerTest, GripIsTheWindowsCornerNotTheOwners)
{
    // The owner fills the window but for a 20-pixel band at the bottom (a status bar, say).
    auto window = std::make_unique<QWidget>();
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->resize(400, 320);
    auto *view = new QWidget(window.get());
    view->setGeometry(0, 0, 400, 300);
    window->show();
    MouseTracker t(view);
    t.setDefaultCursor(Qt::CrossCursor);
    EXPECT_EQ(t.cursorForWidgetPoint(QPointF(399, 299)).shape(), Qt::CrossCursor);
    EXPECT_EQ(t.cursorForWidgetPoint(QPointF(390, 290)).shape(), Qt::CrossCursor);
    view->setGeometry(0, 20, 400, 300);
    EXPECT_EQ(t.cursorForWidgetPoint(QPointF(390, 290)).shape(), Qt::ArrowCursor);
}

TEST_F(MouseTrackerTest, NilPathOrCursorIsLoggedAndSkipped)
{
    test::LogCapture log;
    tracker->addCursorPath(QPainterPath(), QCursor(Qt::ArrowCursor));
    EXPECT_TRUE(log.contains(QStringLiteral("MouseTracker: Nil path received")));
    tracker->addCursorPath(rectPath(0, 0, 10, 10), std::nullopt);
    EXPECT_TRUE(log.contains(QStringLiteral("MouseTracker: Nil cursor received")));
    // Both missing: the path is reported.
    tracker->addCursorPath(QPainterPath(), std::nullopt);
    EXPECT_EQ(log.messages().count(QStringLiteral("MouseTracker: Nil path received")), 2);
    EXPECT_EQ(tracker->regionCount(), 0);

    tracker->addCursorPath(rectPath(0, 0, 10, 10), QCursor(Qt::WaitCursor));
    EXPECT_EQ(tracker->regionCount(), 1);
    EXPECT_EQ(shapeAtView(5, 5), Qt::WaitCursor);
}

TEST_F(MouseTrackerTest, InvalidateRebuildsAndSetsTheCursorWithoutMovement)
{
    // The pointer rests over the owner at widget (100, 100), view (100, 200).
    QCursor::setPos(owner->mapToGlobal(QPoint(100, 100)));
    if (owner->mapFromGlobal(QCursor::pos()) != QPoint(100, 100))
        GTEST_SKIP() << "the platform cannot place the pointer";

    bool spaceHeld = false;
    int rebuilds = 0;
    tracker->addCursorPath(rectPath(0, 0, 10, 10), QCursor(Qt::WaitCursor));
    tracker->setResetCursorPaths([&](MouseTracker &t) {
        ++rebuilds;
        EXPECT_EQ(t.regionCount(), 0); // emptied before the rebuild
        if (spaceHeld) {
            t.setDefaultCursor(Qt::OpenHandCursor);
            return;
        }
        t.setDefaultCursor(Qt::CrossCursor);
        t.addCursorPath(rectPath(50, 150, 100, 100), QCursor(Qt::ArrowCursor));
    });

    tracker->invalidateCursorPaths();
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(tracker->regionCount(), 1);
    EXPECT_EQ(owner->cursor().shape(), Qt::ArrowCursor);

    spaceHeld = true;
    tracker->invalidateCursorPaths();
    EXPECT_EQ(rebuilds, 2);
    EXPECT_EQ(tracker->regionCount(), 0);
    EXPECT_EQ(owner->cursor().shape(), Qt::OpenHandCursor);
}

} // namespace
