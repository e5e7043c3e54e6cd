#include "canvas/viewtransform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace pennova;

namespace {

const Size kFrame { 800, 600 };

// Float results of maps over a few thousand pixels: a few ulps at that magnitude.
constexpr float kTol = 2e-3f;

void expectNear(Point actual, Point expected, float tol = kTol)
{
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
}

const Point kCanvasPoints[]
    = { { 0, 0 }, { 1, 0 }, { 0, 1 }, { 123.25f, -45.5f }, { 640, 480 }, { -300.75f, 999.125f } };

const Point kViewCorners[] = { { 0, 0 }, { 800, 0 }, { 800, 600 }, { 0, 600 } };

ViewTransform makeView(float zoom, float angle, Point origin)
{
    ViewTransform v(kFrame);
    v.setBoundsSize(Size { kFrame.width / zoom, kFrame.height / zoom });
    v.setBoundsRotation(angle);
    v.setBoundsOrigin(origin);
    return v;
}

// The pan drag: unrotate, move the origin against the pointer, rotate back.
void pan(ViewTransform &v, Point d)
{
    const float angle = v.boundsRotation();
    v.setBoundsRotation(0);
    const Rect b = v.bounds();
    v.setBoundsOrigin(Point { b.origin.x - d.x / v.zoom(), b.origin.y - d.y / v.zoom() });
    v.setBoundsRotation(angle);
}

// The rotate drag: turn, then put the canvas point that was under the frame centre back there.
void rotateAboutCentre(ViewTransform &v, float angle)
{
    const Point mid { v.frameSize().width / 2, v.frameSize().height / 2 };
    const Point a = v.viewToCanvas(mid);
    v.setBoundsRotation(angle);
    v.setBoundsOrigin(Point { 0, 0 });
    const Point b = v.viewToCanvas(mid);
    v.setBoundsOrigin(a - b);
}

} // namespace

class ViewTransformGrid : public ::testing::TestWithParam<std::tuple<float, float>>
{
protected:
    float zoom() const { return std::get<0>(GetParam()); }
    float angle() const { return std::get<1>(GetParam()); }
};

TEST_P(ViewTransformGrid, MapsRoundTripAndAgreeWithQTransform)
{
    const ViewTransform v = makeView(zoom(), angle(), Point { -37.5f, 52.25f });
    EXPECT_FLOAT_EQ(v.zoom(), zoom());
    const QTransform m = v.canvasToViewTransform();
    for (const Point q : kCanvasPoints) {
        const Point f = v.canvasToView(q);
        expectNear(v.viewToCanvas(f), q);
        const QPointF g = m.map(QPointF(q.x, q.y));
        expectNear(Point { float(g.x()), float(g.y()) }, f);
    }
    for (const Point f : kViewCorners)
        expectNear(v.canvasToView(v.viewToCanvas(f)), f);

    // The picture is shown turned counter-clockwise by θ and scaled by z.
    const QPointF d = m.map(QPointF(1, 0)) - m.map(QPointF(0, 0));
    const double radians = angle() * 3.14159265358979323846 / 180.0;
    EXPECT_NEAR(d.x(), zoom() * std::cos(radians), 1e-6);
    EXPECT_NEAR(d.y(), zoom() * std::sin(radians), 1e-6);
}

TEST_P(ViewTransformGrid, BoundsAreTheTightBoxOfTheViewCorners)
{
    const Point origin { 12.5f, -7.25f };
    const ViewTransform v = makeView(zoom(), angle(), origin);
    const Rect b = v.bounds();
    EXPECT_EQ(b.origin, origin);
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (const Point f : kViewCorners) {
        const Point q = v.viewToCanvas(f);
        minX = std::min(minX, q.x);
        minY = std::min(minY, q.y);
        maxX = std::max(maxX, q.x);
        maxY = std::max(maxY, q.y);
    }
    EXPECT_NEAR(minX, b.minX(), kTol);
    EXPECT_NEAR(minY, b.minY(), kTol);
    EXPECT_NEAR(maxX, b.maxX(), kTol);
    EXPECT_NEAR(maxY, b.maxY(), kTol);

    const Rect mapped = v.viewToCanvasRect(MakeRect(0, 0, kFrame.width, kFrame.height));
    EXPECT_NEAR(mapped.size.width, b.size.width, kTol);
    EXPECT_NEAR(mapped.size.height, b.size.height, kTol);
}

TEST_P(ViewTransformGrid, RotationKeepsCanvasZeroAndPanMovesOneToOne)
{
    ViewTransform v = makeView(zoom(), 0, Point { 20, 30 });
    const Point zero = v.canvasToView(Point { 0, 0 });
    v.setBoundsRotation(angle());
    expectNear(v.canvasToView(Point { 0, 0 }), zero);
    EXPECT_FLOAT_EQ(v.boundsRotation(), angle());

    const Point d { 17, -9 };
    Point before[std::size(kCanvasPoints)];
    for (size_t i = 0; i < std::size(kCanvasPoints); ++i)
        before[i] = v.canvasToView(kCanvasPoints[i]);
    pan(v, d);
    pan(v, d);
    EXPECT_FLOAT_EQ(v.boundsRotation(), angle());
    for (size_t i = 0; i < std::size(kCanvasPoints); ++i)
        expectNear(v.canvasToView(kCanvasPoints[i]), before[i] + d * 2.0f);
}

INSTANTIATE_TEST_SUITE_P(ZoomsAndRotations, ViewTransformGrid,
    ::testing::Combine(::testing::Values(0.5f, 1.0f, 1.5f, 2.0f, 8.0f),
        ::testing::Values(0.0f, 30.0f, 90.0f, 180.0f, -45.0f)));

TEST(ViewTransform, UnrotatedIsZoomTimesOffsetExactly)
{
    for (const float zoom : { 0.5f, 1.0f, 1.01f, 1.5f, 3.33f, 8.0f }) {
        for (const Point o : { Point { 0, 0 }, Point { -160, -120 }, Point { 0.1f, 1234.7f } }) {
            // Through the bounds size, as the zoom commands do; zoom() is the scale in use.
            const ViewTransform v = makeView(zoom, 0, o);
            const double z = v.zoom();
            EXPECT_EQ(v.boundsOrigin(), o);
            for (const Point q : kCanvasPoints) {
                // z · (q − o), rounded once to float.
                const Point expected { float(z * (double(q.x) - double(o.x))),
                    float(z * (double(q.y) - double(o.y))) };
                EXPECT_EQ(v.canvasToView(q), expected) << "zoom " << zoom;
            }
        }
    }
    // Values where float arithmetic is exact give the obvious answer.
    const ViewTransform v = makeView(2, 0, Point { -160, 40 });
    EXPECT_EQ(v.canvasToView(Point { 10.5f, 50 }), (Point { 341, 20 }));
    EXPECT_EQ(v.viewToCanvas(Point { 341, 20 }), (Point { 10.5f, 50 }));
    EXPECT_EQ(v.bounds(), MakeRect(-160, 40, 400, 300));
    EXPECT_EQ(v.canvasToViewRect(MakeRect(-160, 40, 10, 5)), MakeRect(0, 0, 20, 10));
}

TEST(ViewTransform, QuarterTurnsAreExact)
{
    ViewTransform v = makeView(2, 90, Point { 0, 0 });
    EXPECT_EQ(v.bounds(), MakeRect(0, 0, 300, 400));
    // Turned a quarter counter-clockwise, the canvas x axis points up the view.
    EXPECT_EQ(v.canvasToView(Point { 1, 0 }) - v.canvasToView(Point { 0, 0 }), (Point { 0, 2 }));
    v.setBoundsRotation(-270);
    EXPECT_EQ(v.bounds(), MakeRect(0, 0, 300, 400));
    v.setBoundsRotation(180);
    EXPECT_EQ(v.bounds().size, (Size { 400, 300 }));
    EXPECT_EQ(v.canvasToView(Point { 1, 1 }) - v.canvasToView(Point { 0, 0 }), (Point { -2, -2 }));
}

TEST(ViewTransform, RotatingAboutTheCentreKeepsItsCanvasPointAndAccumulates)
{
    const Point mid { 400, 300 };
    ViewTransform v = makeView(1.5f, 0, Point { -40, 25 });
    const Point under = v.viewToCanvas(mid);

    // One drag in steps that pass through several angles, as the drag events do.
    for (const float angle : { 10.0f, 25.0f, -5.0f, 50.0f }) {
        rotateAboutCentre(v, angle);
        expectNear(v.viewToCanvas(mid), under);
    }
    // A second drag starting from where the first ended.
    rotateAboutCentre(v, 50 + 40);
    expectNear(v.viewToCanvas(mid), under);

    ViewTransform direct = makeView(1.5f, 0, Point { -40, 25 });
    rotateAboutCentre(direct, 90);
    for (const Point q : kCanvasPoints)
        expectNear(v.canvasToView(q), direct.canvasToView(q));
}

TEST(ViewTransform, ZoomAboutTheCentreKeepsItsCanvasPoint)
{
    const Point mid { 400, 300 };
    ViewTransform v = makeView(1, 30, Point { 100, -50 });
    const Point a = v.viewToCanvas(mid);
    // The zoom drag: new bounds size, rotation back, origin (0, 0), then shift by a − b.
    const float zoom = zoomStep(v.zoom(), 30, false);
    v.setBoundsRotation(0);
    v.setBoundsSize(Size { kFrame.width / zoom, kFrame.height / zoom });
    v.setBoundsRotation(30);
    v.setBoundsOrigin(Point { 0, 0 });
    const Point b = v.viewToCanvas(mid);
    v.setBoundsOrigin(a - b);
    EXPECT_FLOAT_EQ(v.zoom(), 1.1f);
    expectNear(v.viewToCanvas(mid), a);
}

TEST(ViewTransform, FrameAndZoomChanges)
{
    ViewTransform v = makeView(2, 0, Point { 10, 20 });
    // Resizing keeps the picture fixed to the lower-left corner.
    v.setFrameSize(Size { 1000, 700 });
    EXPECT_EQ(v.boundsOrigin(), (Point { 10, 20 }));
    EXPECT_EQ(v.bounds().size, (Size { 500, 350 }));

    v.setBoundsRotation(30);
    const Point q { 77, 88 };
    const Point f = v.canvasToView(q);
    v.setFrameSize(Size { 640, 900 });
    expectNear(v.canvasToView(q), f);

    v.setZoom(1.01f);
    EXPECT_EQ(v.zoom(), 1.01f);
    // Invalid zooms and sizes leave the zoom alone.
    v.setZoom(0);
    v.setZoom(-1);
    v.setZoom(NAN);
    v.setBoundsSize(Size { 0, 100 });
    EXPECT_EQ(v.zoom(), 1.01f);
    v.setBoundsRotation(INFINITY);
    EXPECT_FLOAT_EQ(v.boundsRotation(), 30);

    // Without a frame there is nothing to derive a zoom from.
    ViewTransform empty;
    empty.setBoundsSize(Size { 100, 100 });
    EXPECT_FLOAT_EQ(empty.zoom(), 1);
    EXPECT_TRUE(empty.bounds().isEmpty());
    EXPECT_TRUE(v.canvasToViewRect(MakeRect(5, 5, 0, 10)).isEmpty());
}

TEST(ViewCommands, ZoomStepTruncatesEachEventToWholePercent)
{
    // Whole percent times 0.01 may sit an ulp off the float literal, hence FLOAT_EQ.
    EXPECT_FLOAT_EQ(zoomStep(1.0f, 3, false), 1.01f);
    EXPECT_FLOAT_EQ(zoomStep(1.0f, 1, false), 1.0f);
    EXPECT_FLOAT_EQ(zoomStep(1.0f, 2, false), 1.0f);
    EXPECT_FLOAT_EQ(zoomStep(1.0f, -1, false), 0.99f);
    EXPECT_FLOAT_EQ(zoomStep(1.0f, 3, true), 1.02f);
    EXPECT_FLOAT_EQ(zoomStep(2.0f, 30, false), 2.2f);
    EXPECT_FLOAT_EQ(zoomStep(7.9f, 300, false), 8.0f);
    EXPECT_FLOAT_EQ(zoomStep(8.0f, 1, false), 8.0f);
    EXPECT_FLOAT_EQ(zoomStep(0.6f, -300, false), 0.5f);
    EXPECT_FLOAT_EQ(zoomStep(0.5f, -1, true), 0.5f);
    EXPECT_EQ(zoomStep(1.0f, NAN, false), 1.0f);

    // A step of zero pixels keeps every whole percentage, although float(0.53) × 100 < 53.
    EXPECT_EQ(zoomStep(1.01f, 0, false), 1.01f);
    EXPECT_EQ(zoomStep(0.53f, 0, false), 0.53f);
}

TEST(ViewCommands, EveryWholePercentageShowsAsItself)
{
    for (int p = 50; p <= 800; ++p) {
        EXPECT_EQ(zoomPercent(float(p / 100.0)), p);
        EXPECT_EQ(zoomPercent(float(p) * 0.01f), p);
        EXPECT_EQ(zoomPercent(zoomStep(float(p / 100.0), 0, false)), p);
    }
    // Truncated otherwise, never rounded up.
    EXPECT_EQ(zoomPercent(0.9966f), 99);
    EXPECT_EQ(zoomPercent(1.0099f), 100);
    EXPECT_EQ(zoomPercent(NAN), 0);
}

TEST(ViewCommands, ResetZoomOriginClampsPerAxis)
{
    const Size content { 800, 600 };
    const Size small { 640, 480 };
    // A smaller canvas stays inside the window: x in [−160, 0], y in [−120, 0].
    EXPECT_EQ(resetZoomOrigin(Point { -50, -30 }, 2, small, content), (Point { -100, -60 }));
    EXPECT_EQ(resetZoomOrigin(Point { 10, 10 }, 1, small, content), (Point { 0, 0 }));
    EXPECT_EQ(resetZoomOrigin(Point { -500, -500 }, 1, small, content), (Point { -160, -120 }));

    // A larger canvas keeps covering it: x in [0, 1200], y in [0, 900].
    const Size large { 2000, 1500 };
    EXPECT_EQ(resetZoomOrigin(Point { 300, 200 }, 0.5f, large, content), (Point { 150, 100 }));
    EXPECT_EQ(resetZoomOrigin(Point { -10, -10 }, 1, large, content), (Point { 0, 0 }));
    EXPECT_EQ(resetZoomOrigin(Point { 1000, 1000 }, 2, large, content), (Point { 1200, 900 }));

    // The axes are independent: wider than the window but shorter.
    EXPECT_EQ(
        resetZoomOrigin(Point { 5000, 5000 }, 1, Size { 1000, 100 }, content), (Point { 200, 0 }));
    // Exactly the window's size pins the origin to zero.
    EXPECT_EQ(resetZoomOrigin(Point { 37, -37 }, 1, content, content), (Point { 0, 0 }));

    EXPECT_EQ(standardFrameContent(2, small), (Size { 1280, 960 }));
}

// Below 50 % (only reached by Zoom to Fit) a drag moves smoothly: each event changes the zoom by
// dy / 300 of itself, up through 50 % into whole percent, and never below where it started.
TEST(ViewCommands, ZoomStepBelowFiftyPercentIsSmoothAndKeepsItsFloor)
{
    float zoom = 0.2f;
    for (int event = 0; event < 400; ++event) {
        const float next = zoomStep(zoom, 1, false, 0.2f);
        ASSERT_GE(next, zoom) << event;
        // Never more than the drag asks for: no jump up to 50 %.
        ASSERT_LE(next, zoom * (1.0f + 1.0f / 300.0f) * (1.0f + 1e-6f)) << event;
        zoom = next;
    }
    EXPECT_GE(zoom, 0.5f);
    EXPECT_EQ(zoomPercent(zoom) / 100.0f, zoom) << "whole percent again from 50 %";

    EXPECT_FLOAT_EQ(zoomStep(0.3f, -3000, false, 0.2f), 0.2f);
    EXPECT_FLOAT_EQ(zoomStep(0.3f, -3, false, 0.2f), 0.297f);
    EXPECT_FLOAT_EQ(zoomStep(0.499f, 30, false, 0.2f), 0.54f);
    // Started at 50 % or above, the range is 50 %..800 % as ever; a floor above 50 % or one
    // that is no number changes nothing.
    EXPECT_FLOAT_EQ(zoomStep(0.6f, -300, false, 0.9f), 0.5f);
    EXPECT_FLOAT_EQ(zoomStep(0.6f, -300, false, NAN), 0.5f);
    EXPECT_FLOAT_EQ(zoomStep(0.6f, -300, false, -1), 0.5f);
}

TEST(ViewCommands, FitZoomShowsTheWholeCanvasInWholePercent)
{
    EXPECT_FLOAT_EQ(fitZoom(Size { 4000, 3000 }, Size { 1200, 800 }), 0.26f);
    EXPECT_FLOAT_EQ(fitZoom(Size { 4000, 3000 }, Size { 1200, 900 }), 0.3f);
    EXPECT_FLOAT_EQ(fitZoom(Size { 640, 480 }, Size { 640, 480 }), 1.0f);
    EXPECT_FLOAT_EQ(fitZoom(Size { 100, 50 }, Size { 1200, 800 }), 8.0f);
    EXPECT_FLOAT_EQ(fitZoom(Size { 100000, 100 }, Size { 500, 500 }), 0.01f);
    EXPECT_FLOAT_EQ(fitZoom(Size { 0, 100 }, Size { 500, 500 }), 1.0f);
    EXPECT_FLOAT_EQ(fitZoom(Size { 100, 100 }, Size { 500, NAN }), 1.0f);
    // The zoomed canvas fits, whatever the ratio.
    for (int side = 700; side < 5000; side += 37) {
        const Size canvas { float(side), float(side * 3 / 4) };
        const Size frame { 1200, 800 };
        const float z = fitZoom(canvas, frame);
        EXPECT_LE(z * canvas.width, frame.width) << side;
        EXPECT_LE(z * canvas.height, frame.height) << side;
    }
}
