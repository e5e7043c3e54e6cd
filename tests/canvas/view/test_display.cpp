#include "canvas/view/drawview.h"
#include "settings/defaults.h"
#include "testsupport.h"
#include "viewtestsupport.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
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
    QImage lines(400, 300, CanvasSurface::kFormat);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
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
    EXPECT_GT(grey, 90 * 65);
    EXPECT_LT(other, 400) << grey;
}

// Painted band by band, the picture is the same as one transformed draw of the whole canvas.
TEST_F(DisplayTest, BandsJoinWithoutSeams)
{
    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage expected(shot.size(), QImage::Format_RGB32);
    expected.fill(Qt::black);
    {
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QTransform storageToCanvas(1, 0, 0, -1, 0, 300);
        const QTransform viewToWidget(1, 0, 0, -1, 0, 200);
        painter.setTransform(
            storageToCanvas * view->transform().canvasToViewTransform() * viewToWidget);
        painter.drawImage(QPointF(0, 0), view->surface().image());
    }
    EXPECT_TRUE(test::imagesEqual(shot, expected, QStringLiteral("display-bands"), 1));
}
