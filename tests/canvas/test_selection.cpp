#include "canvas/selection.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

SelectionModel selectionOf(const Rect &r)
{
    SelectionModel s;
    s.selectAll(r.size);
    s.selrect = r;
    getPointsFromRect(r, s.selcorners);
    s.selAR = r.size.width / r.size.height;
    return s;
}

// Press, drag through the points, release, as the canvas view does in selection mode.
void dragFrom(SelectionModel &s, Point press, std::initializer_list<Point> path, bool shift = false)
{
    Point anchor = press;
    s.press(press, shift, false);
    for (const Point &p : path)
        s.drag(p, anchor, shift);
    s.release();
}

} // namespace

TEST(Selection, HandleHitTestIncludesLowerEdgesOnly)
{
    const SelectionModel base = selectionOf(MakeRect(100, 100, 200, 100));
    struct Case
    {
        Point at;
        int expected;
    };
    for (const Case &c : { Case { Point { 291, 191 }, 2 }, Case { Point { 290, 190 }, 2 },
             Case { Point { 309, 209 }, 2 }, Case { Point { 310, 200 }, -1 },
             Case { Point { 289, 195 }, 4 }, Case { Point { 300, 210 }, -1 },
             Case { Point { 89, 100 }, -1 }, Case { Point { 150, 150 }, 4 } }) {
        SelectionModel s = base;
        s.press(c.at, false, false);
        EXPECT_EQ(s.selclick, c.expected) << c.at.x << "," << c.at.y;
    }
}

TEST(Selection, LowerNumberedHandleWinsOnNarrowSelection)
{
    SelectionModel s = selectionOf(MakeRect(100, 100, 10, 50));
    EXPECT_TRUE(s.press(Point { 105, 100 }, false, false));
    EXPECT_EQ(s.selclick, 0);
    s.press(Point { 105, 150 }, false, false);
    EXPECT_EQ(s.selclick, 2);
}

TEST(Selection, DraggingACornerAcrossTheOppositeOneFlipsAndFollows)
{
    SelectionModel s = selectionOf(MakeRect(100, 100, 50, 50));
    Point anchor { 150, 150 };
    ASSERT_TRUE(s.press(anchor, false, false));
    ASSERT_EQ(s.selclick, 2);
    s.drag(Point { 80, 70 }, anchor, false);
    EXPECT_EQ(s.selrect, MakeRect(80, 70, 20, 30));
    EXPECT_EQ(s.selclick, 0); // the pointer now holds the lower-left corner
    s.drag(Point { 130, 60 }, anchor, false);
    EXPECT_EQ(s.selrect, MakeRect(100, 60, 30, 40));
    EXPECT_EQ(s.selclick, 1);
}

TEST(Selection, ShiftResizeKeepsTheAspectRatio)
{
    SelectionModel s = selectionOf(MakeRect(100, 100, 100, 50));
    s.press(Point { 400, 400 }, false, false); // a press without Shift refreshes the ratio
    EXPECT_FLOAT_EQ(s.selAR, 2.0f);
    Point anchor { 200, 150 };
    ASSERT_TRUE(s.press(anchor, true, false));
    for (const Point q : { Point { 260, 170 }, Point { 230, 240 }, Point { 150, 120 } }) {
        s.drag(q, anchor, true);
        const Rect exact = rectFromPoints(s.selcorners[0], s.selcorners[2]);
        EXPECT_NEAR(exact.size.width / exact.size.height, 2.0f, 1e-4) << q.x << "," << q.y;
        EXPECT_EQ(s.selrect, integralRect(exact));
    }
}

TEST(Selection, ZeroHeightDragIsNoSelectionAndLeavesRatioFinite)
{
    SelectionModel s;
    dragFrom(s, Point { 10, 10 }, { Point { 30, 10 }, Point { 50, 10 } });
    EXPECT_FALSE(s.selectionExists);
    EXPECT_TRUE(std::isfinite(s.selAR));
    EXPECT_GT(s.selAR, 0.0f);

    // A real selection afterwards resizes proportionally without producing NaN or infinity.
    dragFrom(s, Point { 10, 10 }, { Point { 50, 30 } });
    ASSERT_TRUE(s.selectionExists);
    Point anchor { 50, 30 };
    s.press(anchor, true, false);
    s.drag(Point { 90, 31 }, anchor, true);
    for (const Point &c : s.selcorners) {
        EXPECT_TRUE(std::isfinite(c.x));
        EXPECT_TRUE(std::isfinite(c.y));
    }
}

TEST(Selection, NewSelectionClickAndMoves)
{
    SelectionModel s;
    dragFrom(s, Point { 40, 30 }, { Point { 20, 60 }, Point { 10, 80 } });
    EXPECT_TRUE(s.selectionExists);
    EXPECT_EQ(s.selrect, MakeRect(10, 30, 30, 50));

    // Dragging inside moves by whole pixels and keeps the shape.
    Point anchor { 20, 40 };
    s.press(anchor, false, false);
    EXPECT_EQ(s.selclick, SelectionModel::WholeSelection);
    s.drag(Point { 25, 37 }, anchor, false);
    EXPECT_EQ(s.selrect, MakeRect(15, 27, 30, 50));
    EXPECT_EQ(anchor, (Point { 25, 37 }));

    // A click away from the selection and its handles clears the corners.
    s.press(Point { 300, 300 }, false, false);
    EXPECT_EQ(s.selclick, -1);
    EXPECT_TRUE(s.selectionExists);
    SelectionModel none;
    none.press(Point { 5, 5 }, false, false);
    EXPECT_FALSE(none.selectionExists);
    EXPECT_EQ(none.selcorners[2], (Point { 0, 0 }));
}

TEST(Selection, SelectAllDeselectAndNudge)
{
    SelectionModel s;
    s.selectAll(Size { 640, 480 });
    EXPECT_EQ(s.selrect, MakeRect(0, 0, 640, 480));
    EXPECT_EQ(s.selcorners[0], (Point { 0, 0 }));
    EXPECT_EQ(s.selcorners[1], (Point { 640, 0 }));
    EXPECT_EQ(s.selcorners[2], (Point { 640, 480 }));
    EXPECT_EQ(s.selcorners[3], (Point { 0, 480 }));

    s.nudge(Point { 1, 1 }); // Up and Right in one event
    EXPECT_EQ(s.selrect, MakeRect(1, 1, 640, 480));
    EXPECT_EQ(s.oldselrect, MakeRect(-2, -2, 644, 484));

    s.clearRect();
    EXPECT_EQ(s.selrect, MakeRect(1, 1, 640, 480)); // clearRect keeps the rectangle
    s.deselectAll();
    EXPECT_FALSE(s.selectionExists);
    EXPECT_TRUE(s.selrect.isEmpty());
}
