#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "settings/colorarchive.h"
#include "settings/defaults.h"
#include "settings/penbuttons.h"
#include "testsupport.h"
#include "viewtestsupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

const QPointingDevice *testPen()
{
    static const QPointingDevice *pen = new QPointingDevice(QStringLiteral("navigation pen"), 2001,
        QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3, QString(),
        QPointingDeviceUniqueId(), qApp);
    return pen;
}

// Two views alike, a 400 x 300 frame over a 640 x 480 canvas: one navigated by the wheel, the
// touchpad or a button, the other by the drag those stand for. Points are view coordinates.
class NavigationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view = test::makeShownView(*defaults, QSize(400, 300), Size { 640, 480 }, &history);
        other = test::makeShownView(*defaults, QSize(400, 300), Size { 640, 480 }, &otherHistory);
        picture = view->surface().image().copy();
    }

    void wheel(DrawView &v, Point at, QPoint angle, Qt::KeyboardModifiers mods = {},
        QPoint pixels = QPoint())
    {
        const QPointF w = v.widgetPointFromView(at);
        QWheelEvent e(w, w, pixels, angle, Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&v, &e);
    }

    void pinch(DrawView &v, Point at, qreal value)
    {
        const QPointF w = v.widgetPointFromView(at);
        QNativeGestureEvent e(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, w,
            w, w, value, QPointF());
        QCoreApplication::sendEvent(&v, &e);
    }

    void mouse(DrawView &v, QEvent::Type type, Qt::MouseButton button, Point at)
    {
        const QPointF w = v.widgetPointFromView(at);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent e(
            type, w, w, w, type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&v, &e);
    }

    void pen(DrawView &v, QEvent::Type type, Qt::MouseButton button, Point at)
    {
        const QPointF w = v.widgetPointFromView(at);
        const Qt::MouseButtons held = type == QEvent::TabletRelease ? Qt::NoButton : button;
        QTabletEvent e(type, testPen(), w, w, 0.0, 0, 0, 0, 0, 0, Qt::NoModifier,
            type == QEvent::TabletMove ? Qt::NoButton : button, held);
        QCoreApplication::sendEvent(&v, &e);
    }

    void spaceDrag(DrawView &v, Point from, Point to)
    {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(&v, &down);
        v.mouseDown(test::pointerAt(from.x, from.y));
        v.mouseDragged(test::pointerAt(to.x, to.y));
        v.mouseUp(test::pointerAt(to.x, to.y));
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(&v, &up);
    }

    void zoomDrag(DrawView &v, float fromY, std::initializer_list<float> ys)
    {
        v.mouseDown(test::pointerAt(200, fromY, Qt::ShiftModifier));
        float last = fromY;
        for (const float y : ys)
            v.mouseDragged(test::pointerAt(200, last = y, Qt::ShiftModifier));
        v.mouseUp(test::pointerAt(200, last, Qt::ShiftModifier));
    }

    // The same view transform, to the last bit.
    static void expectSameView(const DrawView &a, const DrawView &b)
    {
        EXPECT_EQ(a.transform().zoom(), b.transform().zoom());
        EXPECT_EQ(a.transform().boundsRotation(), b.transform().boundsRotation());
        EXPECT_EQ(a.transform().boundsOrigin(), b.transform().boundsOrigin());
    }

    // Navigation leaves the picture and the undo history as they were.
    void expectUntouched()
    {
        EXPECT_EQ(view->surface().image(), picture);
        EXPECT_EQ(history.count(), 0);
    }

    test::TestDefaults defaults;
    UndoHistory history;
    UndoHistory otherHistory;
    std::unique_ptr<DrawView> view;
    std::unique_ptr<DrawView> other;
    QImage picture;
};

} // namespace

TEST_F(NavigationTest, WheelScrollsAsAPanDragDoes)
{
    // A notch towards the user: the picture moves up by 40 pixels, as under a drag 40 pixels up.
    wheel(*view, Point { 100, 100 }, QPoint(0, -120));
    spaceDrag(*other, Point { 100, 100 }, Point { 100, 140 });
    expectSameView(*view, *other);

    // Shift turns it sideways: a notch away from the user moves the picture right.
    wheel(*view, Point { 100, 100 }, QPoint(0, 120), Qt::ShiftModifier);
    spaceDrag(*other, Point { 100, 100 }, Point { 140, 100 });
    expectSameView(*view, *other);

    // A touchpad's pixels, both ways at once, and at an angle.
    view->setViewZoom(2.5f);
    other->setViewZoom(2.5f);
    wheel(*view, Point { 10, 10 }, QPoint(), {}, QPoint(-7, 12));
    spaceDrag(*other, Point { 100, 100 }, Point { 93, 88 });
    expectSameView(*view, *other);
    expectUntouched();
}

TEST_F(NavigationTest, CtrlWheelAndPinchZoomAsTheZoomDragAboutThePointer)
{
    // At the window centre a notch is exactly a zoom drag of 30 pixels: 110 %.
    const Point centre { 200, 150 };
    wheel(*view, centre, QPoint(0, 120), Qt::ControlModifier);
    zoomDrag(*other, 150, { 180 });
    expectSameView(*view, *other);
    EXPECT_EQ(zoomPercent(view->transform().zoom()), 110);

    // Elsewhere it keeps the canvas point under the pointer.
    const Point pointer { 50, 260 };
    const Point under = view->viewToCanvas(pointer);
    wheel(*view, pointer, QPoint(0, 240), Qt::ControlModifier);
    EXPECT_EQ(zoomPercent(view->transform().zoom()), 132); // 1.1 + 1.1 · 60 / 300
    EXPECT_NEAR(view->viewToCanvas(pointer).x, under.x, 0.01);
    EXPECT_NEAR(view->viewToCanvas(pointer).y, under.y, 0.01);

    // A pinch growing by 10 % at the centre is the same 30-pixel drag.
    view = test::makeShownView(*defaults, QSize(400, 300), Size { 640, 480 }, &history);
    other = test::makeShownView(*defaults, QSize(400, 300), Size { 640, 480 }, &otherHistory);
    pinch(*view, centre, 0.1);
    zoomDrag(*other, 150, { 180 });
    expectSameView(*view, *other);

    // Steps too small for a whole percent add up, and the range is the drag's.
    view->resetZoom();
    for (int i = 0; i < 3; ++i)
        pinch(*view, centre, 0.004); // 1.2 pixels of drag each
    EXPECT_EQ(zoomPercent(view->transform().zoom()), 101);
    for (int i = 0; i < 40; ++i)
        wheel(*view, centre, QPoint(0, -120), Qt::ControlModifier);
    EXPECT_FLOAT_EQ(view->transform().zoom(), 0.5f);
    expectUntouched();
}

TEST_F(NavigationTest, MiddleButtonDragPansAndALeftPressMeanwhilePaintsNothing)
{
    mouse(*view, QEvent::MouseButtonPress, Qt::MiddleButton, Point { 100, 100 });
    mouse(*view, QEvent::MouseMove, Qt::MiddleButton, Point { 130, 90 });
    mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, Point { 130, 90 });
    mouse(*view, QEvent::MouseMove, Qt::MiddleButton, Point { 160, 50 });
    mouse(*view, QEvent::MouseButtonRelease, Qt::LeftButton, Point { 160, 50 });
    mouse(*view, QEvent::MouseButtonRelease, Qt::MiddleButton, Point { 160, 50 });
    spaceDrag(*other, Point { 100, 100 }, Point { 130, 90 });
    spaceDrag(*other, Point { 130, 90 }, Point { 160, 50 });
    expectSameView(*view, *other);
    expectUntouched();

    // Released, the left button paints again.
    mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, Point { 200, 150 });
    mouse(*view, QEvent::MouseButtonRelease, Qt::LeftButton, Point { 200, 150 });
    EXPECT_EQ(history.count(), 1);
}

TEST_F(NavigationTest, PenButtonsPanAndPickAtTheFactoryAndAsTheSettingsSay)
{
    // The lower button pans.
    pen(*view, QEvent::TabletPress, Qt::MiddleButton, Point { 100, 100 });
    pen(*view, QEvent::TabletMove, Qt::MiddleButton, Point { 150, 120 });
    pen(*view, QEvent::TabletRelease, Qt::MiddleButton, Point { 150, 120 });
    spaceDrag(*other, Point { 100, 100 }, Point { 150, 120 });
    expectSameView(*view, *other);

    // The upper button picks the colour under the pen, unpremultiplied and opaque; transparent
    // pixels and places off the canvas leave it alone.
    view->resetZoom();
    view->surface().fillRegion(QRect(10, 10, 20, 20), qPremultiply(qRgba(200, 40, 0, 128)));
    view->surface().fillRegion(QRect(40, 10, 20, 20), 0);
    picture = view->surface().image().copy();
    pen(*view, QEvent::TabletPress, Qt::RightButton, Point { 15, 15 });
    pen(*view, QEvent::TabletMove, Qt::RightButton, Point { 45, 15 });
    pen(*view, QEvent::TabletMove, Qt::RightButton, Point { -5, 15 });
    pen(*view, QEvent::TabletRelease, Qt::RightButton, Point { -5, 15 });
    const std::optional<RgbaColor> picked = colorFromDefaults(*defaults);
    ASSERT_TRUE(picked);
    EXPECT_NEAR(picked->red, 200 / 255.0f, 0.01f);
    EXPECT_NEAR(picked->green, 40 / 255.0f, 0.01f);
    EXPECT_EQ(picked->blue, 0.0f);
    EXPECT_EQ(picked->alpha, 1.0f);

    // Given the zoom, the lower button zooms as the drag does; given nothing, it does nothing;
    // a stored word that means nothing reads as the factory's pan.
    penbuttons::setRole(*defaults, PenButton::Lower, PenButtonRole::Zoom);
    pen(*view, QEvent::TabletPress, Qt::MiddleButton, Point { 200, 150 });
    pen(*view, QEvent::TabletMove, Qt::MiddleButton, Point { 200, 180 });
    pen(*view, QEvent::TabletRelease, Qt::MiddleButton, Point { 200, 180 });
    EXPECT_EQ(zoomPercent(view->transform().zoom()), 110);
    penbuttons::setRole(*defaults, PenButton::Lower, PenButtonRole::None);
    const Point origin = view->transform().boundsOrigin();
    pen(*view, QEvent::TabletPress, Qt::MiddleButton, Point { 200, 150 });
    pen(*view, QEvent::TabletMove, Qt::MiddleButton, Point { 260, 180 });
    pen(*view, QEvent::TabletRelease, Qt::MiddleButton, Point { 260, 180 });
    EXPECT_EQ(view->transform().boundsOrigin(), origin);
    defaults->setString(penbuttons::settingsKey(PenButton::Lower), QStringLiteral("banana"));
    EXPECT_EQ(penbuttons::role(*defaults, PenButton::Lower), PenButtonRole::Pan);
    expectUntouched();
}

TEST_F(NavigationTest, ZoomToFitShowsALargeCanvasWholeAndCentred)
{
    view = test::makeShownView(*defaults, QSize(1200, 800), Size { 4000, 3000 }, &history);
    view->setViewZoom(3.0f);
    view->zoomToFit();
    EXPECT_FLOAT_EQ(view->transform().zoom(), 0.26f);
    const Rect shown = view->transform().canvasToViewRect(MakeRect(0, 0, 4000, 3000));
    EXPECT_GE(shown.origin.x, 0.0f);
    EXPECT_GE(shown.origin.y, 0.0f);
    EXPECT_LE(shown.maxX(), 1200.0f);
    EXPECT_LE(shown.maxY(), 800.0f);
    EXPECT_NEAR(shown.origin.x + shown.size.width / 2, 600.0f, 0.01f);
    EXPECT_NEAR(shown.origin.y + shown.size.height / 2, 400.0f, 0.01f);

    // Gestures may zoom out as far as the fit again, not further, until the view is reset.
    zoomDrag(*view, 400, { 450, 400, 200, -300 });
    EXPECT_FLOAT_EQ(view->transform().zoom(), 0.26f);
    view->resetZoom();
    zoomDrag(*view, 400, { -3000 });
    EXPECT_FLOAT_EQ(view->transform().zoom(), 0.5f);
}

TEST_F(NavigationTest, AZoomDragFromTwentyPercentNeverJumps)
{
    view = test::makeShownView(*defaults, QSize(800, 600), Size { 4000, 3000 }, &history);
    view->zoomToFit();
    ASSERT_FLOAT_EQ(view->transform().zoom(), 0.2f);
    // One pixel at a time, up to 50 % and down again: every event moves the zoom by at most what
    // the drag asks for (1/300 of itself a pixel, or one whole percent from 50 % on), in the
    // drag's direction, never below where it started.
    std::vector<float> path;
    for (int y = 301; y <= 700; ++y)
        path.push_back(float(y));
    for (int y = 699; y >= 0; --y)
        path.push_back(float(y));
    view->mouseDown(test::pointerAt(400, 300, Qt::ShiftModifier));
    float zoom = view->transform().zoom();
    float last = 300;
    for (size_t i = 0; i < path.size(); ++i) {
        const float y = path[i];
        view->mouseDragged(test::pointerAt(400, y, Qt::ShiftModifier));
        const float now = view->transform().zoom();
        const float asked = zoom * (y - last) / 300.0f;
        if (y > last) {
            ASSERT_GE(now, zoom) << y;
            ASSERT_LE(now - zoom, asked * 1.0001f) << y;
        } else {
            ASSERT_LE(now, zoom) << y;
            ASSERT_LE(zoom - now, std::max(-asked * 1.0001f, 0.0100001f)) << y;
            ASSERT_GE(now, 0.2f) << y;
        }
        zoom = now;
        last = y;
        if (i == 0) {
            EXPECT_GT(zoom, 0.2f) << "a pixel's drag moves the zoom";
        }
        if (i == 399) {
            // Where a pixel at a time no longer makes a whole percent, as at 100 %.
            EXPECT_FLOAT_EQ(zoom, 0.5f) << "up to 50 %";
        }
    }
    view->mouseUp(test::pointerAt(400, last, Qt::ShiftModifier));
    EXPECT_FLOAT_EQ(view->transform().zoom(), 0.2f);
}

TEST_F(NavigationTest, TheCheckerboardShowsThroughTransparentPixelsOnly)
{
    EXPECT_FALSE(view->mayShowThrough()) << "a new canvas is opaque";
    // A picture opened with transparency: transparent, opaque red, translucent blue.
    QImage opened(640, 480, QImage::Format_ARGB32);
    opened.fill(Qt::transparent);
    {
        QPainter p(&opened);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRect(100, 330, 50, 50), QColor(255, 0, 0));
        p.fillRect(QRect(200, 330, 50, 50), QColor(0, 0, 255, 128));
    }
    ASSERT_TRUE(view->adoptImage(opened));
    EXPECT_TRUE(view->mayShowThrough());
    view->setViewZoom(0.5f); // the canvas covers 320 x 240 of the 400 x 300 view
    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // View (x, y), y up, to the shot's pixel.
    const auto at
        = [&](int x, int y) { return shot.pixel(x, shot.height() - 1 - y) | 0xFF000000u; };

    EXPECT_EQ(at(60, 60), 0xFFFF0000u) << "opaque pixels cover the checkerboard";
    // Transparent: both squares, alternating every 8 window pixels.
    QSet<QRgb> seen;
    for (int x = 4; x < 40; ++x)
        seen.insert(at(x, 20));
    EXPECT_EQ(seen, (QSet<QRgb> { DrawView::kCheckerLight, DrawView::kCheckerDark }));
    EXPECT_NE(at(4, 20), at(12, 20));
    // Translucent blue over the squares: half blue, the rest the square's grey or white.
    const QRgb half = at(110, 60);
    EXPECT_NEAR(qBlue(half), 255, 2);
    EXPECT_GT(qRed(half), 90);
    EXPECT_LT(qRed(half), 140);
    // Outside the canvas the surround stays black.
    EXPECT_EQ(at(350, 260), 0xFF000000u);
    EXPECT_EQ(at(330, 20), 0xFF000000u);

    // An opaque picture, even in a format with alpha, is drawn without it.
    opened.fill(Qt::white);
    ASSERT_TRUE(view->adoptImage(opened));
    EXPECT_FALSE(view->mayShowThrough());
}
