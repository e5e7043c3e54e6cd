#include "canvas/geometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace pennova;

TEST(Geometry, PointHelpers)
{
    EXPECT_EQ(integralPoint(Point { -1.7f, 2.9f }), (Point { -1.0f, 2.0f }));
    EXPECT_EQ((Point { 1, 2 } + Point { 3, 4 }), (Point { 4, 6 }));
    EXPECT_EQ((Point { 1, 2 } - Point { 3, 5 }), (Point { -2, -3 }));
    EXPECT_EQ((Point { 1, -2 } * 3.0f), (Point { 3, -6 }));
    // Division multiplies by the reciprocal in float, which differs from a true division here.
    const float r = 1.0f / 3.0f;
    EXPECT_EQ((Point { 10, 1 } / 3.0f), (Point { 10 * r, 1 * r }));
}

TEST(Geometry, CornersAndRectangles)
{
    Corners c = getPointsFromRect(MakeRect(10, 20, 30, 40));
    EXPECT_EQ(c[0], (Point { 10, 20 }));
    EXPECT_EQ(c[1], (Point { 40, 20 }));
    EXPECT_EQ(c[2], (Point { 40, 60 }));
    EXPECT_EQ(c[3], (Point { 10, 60 }));
    translatePoints(c, Point { 1, -1 });
    EXPECT_EQ(c[2], (Point { 41, 59 }));

    EXPECT_EQ(rectFromPoints(Point { 5, 9 }, Point { 2, 3 }), MakeRect(2, 3, 3, 6));
}

TEST(Geometry, IntegralRectRoundsOutward)
{
    EXPECT_EQ(integralRect(MakeRect(1.5f, -0.5f, 2.0f, 1.2f)), MakeRect(1, -1, 3, 2));
    EXPECT_EQ(integralRect(MakeRect(3, 4, -2, 1)), MakeRect(1, 4, 2, 1));
    EXPECT_TRUE(integralRect(MakeRect(1.5f, 1.5f, 10, 0)).isEmpty());
}

TEST(Geometry, UnionIntersectionInsetContainment)
{
    EXPECT_EQ(unionRect(Rect {}, MakeRect(1, 2, 3, 4)), MakeRect(1, 2, 3, 4));
    EXPECT_EQ(unionRect(MakeRect(0, 0, 2, 2), MakeRect(5, 5, 1, 1)), MakeRect(0, 0, 6, 6));
    EXPECT_EQ(
        intersectionRect(MakeRect(0, 0, 10, 10), MakeRect(5, -5, 10, 10)), MakeRect(5, 0, 5, 5));
    EXPECT_TRUE(intersectionRect(MakeRect(0, 0, 2, 2), MakeRect(2, 0, 2, 2)).isEmpty());
    EXPECT_EQ(insetRect(MakeRect(10, 10, 5, 5), -2, -2), MakeRect(8, 8, 9, 9));
    EXPECT_TRUE(pointInRect(Point { 0, 0 }, MakeRect(0, 0, 2, 2)));
    EXPECT_FALSE(pointInRect(Point { 2, 1 }, MakeRect(0, 0, 2, 2)));
    EXPECT_FALSE(pointInRect(Point { 1, 2 }, MakeRect(0, 0, 2, 2)));
}

TEST(Geometry, QRectOfARectangleFarOffStaysWithinInt)
{
    // Near 2^31 the right edge (x + width - 1) would overflow int.
    const QRect far = toQRect(MakeRect(2147483520.0f, 0, 1024, 1));
    EXPECT_GT(far.right(), far.left());
    EXPECT_GT(far.left(), 65535);
    const float inf = std::numeric_limits<float>::infinity();
    const QRect endless = toQRect(MakeRect(-inf, std::nanf(""), inf, 1));
    EXPECT_GT(endless.width(), 0);
    EXPECT_EQ(endless.top(), 0);
}
