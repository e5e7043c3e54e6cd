#include "canvas/view/drawview.h"
#include "settings/defaults.h"
#include "testsupport.h"
#include "viewtestsupport.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// A 300 x 200 view over a canvas of one-pixel black and white stripes, zoomed to 150 %: smooth
// filtering shows greys between them, nearest filtering only black and white.
class DisplayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view = test::makeShownView(*defaults, QSize(300, 200), Size { 400, 300 });
        QImage stripes(400, 300, CanvasSurface::kFormat);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                stripes.setPixel(x, y, (x + y) % 2 ? 0xFF000000u : 0xFFFFFFFFu);
        view->surface().adoptImage(stripes);
        view->setViewZoom(1.5f);
    }

    int greyPixels()
    {
        const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int greys = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const int r = qRed(shot.pixel(x, y));
                greys += r > 20 && r < 235;
            }
        return greys;
    }

    // At 100 %, a rotation drag (Meta held) of 30° about the view's centre.
    void turnTo30Degrees()
    {
        view->setViewZoom(1.0f);
        view->flagsChanged(Qt::MetaModifier);
        const float a = 30.0f * float(M_PI) / 180.0f;
        view->mouseDown(test::pointerAt(250, 100));
        view->mouseDragged(test::pointerAt(150 + 100 * std::cos(a), 100 + 100 * std::sin(a)));
        view->mouseUp(test::pointerAt(150 + 100 * std::cos(a), 100 + 100 * std::sin(a)));
        view->flagsChanged(Qt::NoModifier);
    }

    test::TestDefaults defaults;
    std::unique_ptr<DrawView> view;
};

} // namespace

TEST_F(DisplayTest, PictureIsSmoothAtRestAndSharpWhileAGestureDrags)
{
    EXPECT_GT(greyPixels(), 1000);
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(view.get(), &space);
    view->mouseDown(test::pointerAt(150, 100));
    EXPECT_EQ(greyPixels(), 0);
    view->mouseUp(test::pointerAt(150, 100));
    EXPECT_GT(greyPixels(), 1000);
}

// Below 50 % the view reads the half-size picture, each of whose pixels is the mean of four:
// one-pixel lines every four pixels show as a light grey at 25 % rather than vanishing between
// the samples.
TEST_F(DisplayTest, ThinLinesStayVisibleWhenZoomedOut)
{
    QImage lines(2000, 1600, CanvasSurface::kFormat);
    for (int y = 0; y < 1600; ++y)
        for (int x = 0; x < 2000; ++x)
            lines.setPixel(x, y, x % 4 ? 0xFFFFFFFFu : 0xFF000000u);
    view->surface().adoptImage(lines);
    view->setViewZoom(0.25f);
    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int grey = 0, other = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const int r = qRed(shot.pixel(x, y));
            if (r == 0)
                continue; // around the picture
            (r >= 180 && r <= 200 ? grey : other) += 1;
        }
    EXPECT_GT(grey, 290 * 190);
    EXPECT_LT(other, 400) << grey;

    // A change of the canvas shows at once, all over the view (the canvas reaches beyond it).
    view->surface().fillRegion(view->surface().bounds(), 0xFF2050A0u);
    const QImage after = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int changed = 0, stale = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const QRgb p = after.pixel(x, y) & 0xFFFFFFu;
            if (p != 0)
                (p == 0x2050A0u ? changed : stale) += 1;
        }
    EXPECT_GT(changed, 290 * 190);
    EXPECT_LT(stale, 400); // the picture's outline, over black
}

namespace {

// The picture as one transformed draw of the whole canvas, the view's size.
QImage oneDraw(DrawView &view, QSize size)
{
    QImage expected(size, QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter painter(&expected);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QTransform storageToCanvas(1, 0, 0, -1, 0, view.surface().height());
    const QTransform viewToWidget(1, 0, 0, -1, 0, size.height());
    painter.setTransform(storageToCanvas * view.transform().canvasToViewTransform() * viewToWidget);
    painter.drawImage(QPointF(0, 0), view.surface().image());
    return expected;
}

} // namespace

// Painted band by band, the picture is the same as one transformed draw of the whole canvas.
TEST_F(DisplayTest, BandsJoinWithoutSeams)
{
    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(
        test::imagesEqual(shot, oneDraw(*view, shot.size()), QStringLiteral("display-bands"), 1));
}

// A turned view is drawn in blocks; the picture is the same as one transformed draw.
TEST_F(DisplayTest, TurnedViewBlocksJoinWithoutSeams)
{
    // Gentle gradients: the draws may sample a hair apart, which one-pixel stripes would turn
    // into large differences; a block drawn a pixel off still shows.
    QImage picture(400, 300, CanvasSurface::kFormat);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            picture.setPixel(x, y,
                qRgb(128 + int(100 * std::sin(x / 9.0)), 128 + int(100 * std::cos(y / 7.0)),
                    (x + y) / 3));
    view->surface().adoptImage(picture);
    turnTo30Degrees();
    ASSERT_NEAR(view->transform().boundsRotation(), 30.0f, 1e-3);
    // The picture's outline may fall a pixel apart between the draws; inside it, no pixel may
    // differ by more than a few levels.
    const QImage expected = oneDraw(*view, QSize(300, 200));
    const auto nearOutline = [&](int x, int y) {
        for (int j = std::max(0, y - 1); j <= std::min(199, y + 1); ++j)
            for (int i = std::max(0, x - 1); i <= std::min(299, x + 1); ++i)
                if ((expected.pixel(i, j) & 0xFFFFFFu) == 0)
                    return true;
        return false;
    };
    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), expected.size());
    int differing = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const QRgb p = shot.pixel(x, y), q = expected.pixel(x, y);
            const int most = std::max({ std::abs(qRed(p) - qRed(q)),
                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q)) });
            differing += most > 3 && !nearOutline(x, y);
        }
    EXPECT_EQ(differing, 0);
}

// A turned view draws straight into the window's pixels where the painter draws into an image
// unscaled, and through a kept image of the exposed area elsewhere (here a high-density image):
// both show the same picture, with and without the checkerboard under translucent pixels.
TEST_F(DisplayTest, TurnedViewDrawsTheSameOnEveryDevice)
{
    turnTo30Degrees();
    for (const bool translucent : { false, true }) {
        QImage picture(400, 300, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                picture.setPixel(
                    x, y, translucent && x > 200 ? qRgba(0, 0, 60, 60) : qRgb(x / 2, y / 2, 90));
        view->adoptImage(picture);
        ASSERT_EQ(view->mayShowThrough(), translucent);
        QImage direct(view->size(), QImage::Format_RGB32);
        view->render(&direct);
        QImage dense(view->size() * 2, QImage::Format_RGB32);
        dense.setDevicePixelRatio(2);
        view->render(&dense);
        int differing = 0, checker = 0;
        for (int y = 0; y < direct.height(); ++y)
            for (int x = 0; x < direct.width(); ++x) {
                differing += dense.pixel(2 * x, 2 * y) != direct.pixel(x, y)
                    || dense.pixel(2 * x + 1, 2 * y + 1) != direct.pixel(x, y);
                checker += qBlue(direct.pixel(x, y)) > 150;
            }
        EXPECT_EQ(differing, 0) << translucent;
        EXPECT_EQ(checker > 1000, translucent);
    }
}
