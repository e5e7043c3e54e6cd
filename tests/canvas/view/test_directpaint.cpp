#include "canvas/view/drawview.h"
#include "canvasui/mytextfield.h"
#include "settings/defaults.h"
#include "testsupport.h"
#include "viewtestsupport.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// A view placed inside a window (away from its corner, so that the backing store's offset
// counts) over a smaller canvas of gentle gradients, with black around it.
class DirectPaintTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.resize(360, 260);
        view = new DrawView(*defaults, &window);
        view->setGeometry(17, 23, 300, 200);
        QImage picture(250, 150, CanvasSurface::kFormat);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y,
                    qRgb(128 + int(100 * std::sin(x / 9.0)), 128 + int(100 * std::cos(y / 7.0)),
                        (x + y) / 2));
        view->adoptImage(picture);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
    }

    void TearDown() override { DrawView::setDirectPaint(true); }

    // What the window shows of the view now.
    QImage shown()
    {
        QCoreApplication::processEvents();
        const auto *store = static_cast<const QImage *>(window.backingStore()->paintDevice());
        return store->copy(view->geometry()).convertToFormat(QImage::Format_RGB32);
    }

    // The whole view drawn again by the painter.
    QImage repaintedByPainter()
    {
        DrawView::setDirectPaint(false);
        view->repaint();
        const QImage image = shown();
        DrawView::setDirectPaint(true);
        return image;
    }

    // A stroke across the canvas's upper right corner into the black around it, each segment
    // shown before the next.
    void stroke()
    {
        view->mouseDown(test::pointerAt(150, 60));
        for (int i = 1; i <= 24; ++i) {
            view->mouseDragged(test::pointerAt(150.0f + 5.3f * float(i), 60.0f + 4.1f * float(i)));
            view->finishPainting();
            QCoreApplication::processEvents();
        }
        view->mouseUp(test::pointerAt(277, 158));
        QCoreApplication::processEvents();
    }

    void turnBy(float degrees)
    {
        view->flagsChanged(Qt::MetaModifier);
        const float a = degrees * float(M_PI) / 180.0f;
        view->mouseDown(test::pointerAt(250, 100));
        view->mouseDragged(test::pointerAt(150 + 100 * std::cos(a), 100 + 100 * std::sin(a)));
        view->mouseUp(test::pointerAt(150 + 100 * std::cos(a), 100 + 100 * std::sin(a)));
        view->flagsChanged(Qt::NoModifier);
        QCoreApplication::processEvents();
    }

    test::TestDefaults defaults;
    QWidget window;
    DrawView *view = nullptr;
};

} // namespace

// At 100 % the stroke's repaints are copied straight into the backing store, and the window
// shows exactly what the painter draws, picture and black alike.
TEST_F(DirectPaintTest, CopiedRepaintsShowWhatThePainterDraws)
{
    const quint64 before = DrawView::directPaintCount();
    stroke();
    EXPECT_GE(DrawView::directPaintCount(), before + 15);
    const QImage copied = shown();
    EXPECT_TRUE(test::imagesEqual(copied, repaintedByPainter(), QStringLiteral("direct-stroke")));

    // With a selection, strokes stay inside it and its outline is drawn over the copy.
    view->selectAll();
    stroke();
    EXPECT_TRUE(
        test::imagesEqual(shown(), repaintedByPainter(), QStringLiteral("direct-selection")));
}

// Where screen pixels are not canvas pixels one to one the painter draws every repaint.
TEST_F(DirectPaintTest, OtherZoomsTurnsAndHalfPixelOffsetsArePainted)
{
    const std::function<void()> setUps[] = {
        [&] { view->setViewZoom(1.5f); },
        [&] { view->setViewZoom(0.5f); },
        [&] { turnBy(30.0f); },
        [&] { turnBy(90.0f); },
        [&] { view->scrollBy(0.5f, 0.25f); },
    };
    for (size_t i = 0; i < std::size(setUps); ++i) {
        SCOPED_TRACE(i);
        view->resetZoom();
        setUps[i]();
        // Resetting the view flashes a message that fades over the canvas while the two
        // pictures are taken; on a slow run it would differ between them.
        view->statusfield()->hide();
        QCoreApplication::processEvents();
        const quint64 before = DrawView::directPaintCount();
        stroke();
        EXPECT_EQ(DrawView::directPaintCount(), before);
        EXPECT_TRUE(test::imagesEqual(
            shown(), repaintedByPainter(), QStringLiteral("painted-%1").arg(i), 0));
    }
}
