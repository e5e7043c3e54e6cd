// The colour picker strip as the user sees and uses it: its pixels, clicks and drags in it, two
// windows sharing the colour, and the strip sliding in and out above the canvas.

#include "app/documentwindow.h"
#include "canvas/view/drawview.h"
#include "canvas/view/viewtestsupport.h"
#include "picker/colormath.h"
#include "picker/colormodel.h"
#include "picker/colorview.h"
#include "settings/defaults.h"
#include "testsupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QVariantAnimation>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

QRgb rgb8(const RgbaColor &c)
{
    return qRgb(qRound(c.red * 255), qRound(c.green * 255), qRound(c.blue * 255));
}

::testing::AssertionResult near(QRgb actual, QRgb expected, int tolerance)
{
    const bool ok = std::abs(qRed(actual) - qRed(expected)) <= tolerance
        && std::abs(qGreen(actual) - qGreen(expected)) <= tolerance
        && std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
    if (ok)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << std::hex << (actual & 0xFFFFFFu) << " is not " << (expected & 0xFFFFFFu) << " within "
        << std::dec << tolerance;
}

// Mouse events in strip coordinates (y up from the strip's lower-left corner).
void stripMouse(ColorView &strip, QEvent::Type type, double x, double y)
{
    const QPointF local(x, strip.height() - y);
    const Qt::MouseButtons buttons
        = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, local, local, strip.mapToGlobal(local),
        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&strip, &e);
}

class ColorViewTest : public ::testing::Test
{
protected:
    // A strip of its own, 448 x 48: the bands run from x = 48 to 448, rows 0–15 hue, 16–31
    // saturation, 32–47 brightness in the grab (y down).
    std::unique_ptr<ColorView> makeStrip(int width = 448)
    {
        auto strip = std::make_unique<ColorView>(*defaults, nullptr);
        strip->resize(width, DrawView::kPickerHeight);
        return strip;
    }

    // A shown document window whose content area is 400 x 300.
    std::unique_ptr<DocumentWindow> makeWindow()
    {
        auto window = std::make_unique<DocumentWindow>(*defaults);
        window->setAttribute(Qt::WA_DontShowOnScreen);
        window->newCanvas(400, 300);
        window->show();
        return window;
    }

    test::TestDefaults defaults;
};

// The columns of one grab row holding exactly a colour.
std::vector<int> columnsOf(const QImage &image, int row, QRgb color)
{
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        if ((image.pixel(x, row) & 0xFFFFFFu) == (color & 0xFFFFFFu))
            columns.push_back(x);
    }
    return columns;
}

} // namespace

TEST_F(ColorViewTest, BandsRunBetweenTheirEndColoursWithInverseMarkers)
{
    auto strip = makeStrip();
    const RgbaColor current = colormath::rgbFromHsb(0.25f, 0.75f, 0.8f);
    strip->setColor(current);
    const QImage grab = strip->grab().toImage();
    ASSERT_EQ(grab.size(), QSize(448, 48));
    const auto hsb = [](float h, float s, float b) { return rgb8(colormath::rgbFromHsb(h, s, b)); };

    EXPECT_TRUE(near(grab.pixel(0, 0), rgb8(current), 0));
    EXPECT_TRUE(near(grab.pixel(47, 47), rgb8(current), 0));
    // Hue: red at the left, every hue at the picked saturation and brightness along the way.
    EXPECT_TRUE(near(grab.pixel(48, 4), hsb(0, 0.75f, 0.8f), 3));
    EXPECT_TRUE(near(grab.pixel(48 + 200, 4), hsb(0.5f, 0.75f, 0.8f), 4));
    EXPECT_TRUE(near(grab.pixel(447, 4), hsb(1, 0.75f, 0.8f), 4));
    // Saturation from grey to full; brightness from black to full, blended in RGB halfway.
    EXPECT_TRUE(near(grab.pixel(48, 24), hsb(0.25f, 0, 0.8f), 2));
    EXPECT_TRUE(near(grab.pixel(447, 24), hsb(0.25f, 1, 0.8f), 2));
    EXPECT_TRUE(near(grab.pixel(48, 40), qRgb(0, 0, 0), 2));
    EXPECT_TRUE(near(grab.pixel(447, 40), hsb(0.25f, 0.75f, 1), 2));
    const QRgb full = hsb(0.25f, 0.75f, 1);
    EXPECT_TRUE(
        near(grab.pixel(248, 40), qRgb(qRed(full) / 2, qGreen(full) / 2, qBlue(full) / 2), 3));

    // One-pixel markers at h + (w − h)·t: hue 0.25, saturation 0.75, brightness at b² = 0.64.
    const QRgb inverse = rgb8(colormath::inverse(current));
    const auto isMarker
        = [&](int x, int row) { return (grab.pixel(x, row) & 0xFFFFFFu) == (inverse & 0xFFFFFFu); };
    for (const auto &[column, row] : { std::pair { 148, 8 }, { 348, 24 }, { 304, 40 } }) {
        EXPECT_TRUE(isMarker(column, row)) << column;
        EXPECT_TRUE(isMarker(column, row - 7) && isMarker(column, row + 7)) << column;
        EXPECT_FALSE(isMarker(column - 1, row) || isMarker(column + 1, row)) << column;
    }
    EXPECT_EQ(columnsOf(grab, 24, inverse), std::vector<int> { 348 });
}

TEST_F(ColorViewTest, ClicksPickByBandAndTheBrightnessMarkerFollowsItsSquare)
{
    auto strip = makeStrip();
    strip->setColor(colormath::rgbFromHsb(0.5f, 1, 1));
    // Left of the bands and beyond the right end clamp.
    stripMouse(*strip, QEvent::MouseButtonPress, 10, 24); // y = 24: saturation
    stripMouse(*strip, QEvent::MouseButtonRelease, 10, 24);
    EXPECT_EQ(strip->model().cSat(), 0.0f);
    stripMouse(*strip, QEvent::MouseButtonPress, 1000, 16); // y = h/3: brightness, t = 1
    stripMouse(*strip, QEvent::MouseButtonRelease, 1000, 16);
    EXPECT_NEAR(strip->model().brightness(), 1.0f, 1e-6f);

    strip->setColor(colormath::rgbFromHsb(0.5f, 1, 1));
    stripMouse(*strip, QEvent::MouseButtonPress, 148, 32); // y = 2h/3: saturation, t = 0.25
    stripMouse(*strip, QEvent::MouseButtonRelease, 148, 32);
    EXPECT_NEAR(strip->model().cSat(), 0.25f, 1e-5f);
    EXPECT_NEAR(strip->model().cHue(), 0.5f, 1e-5f);

    stripMouse(*strip, QEvent::MouseButtonPress, 148, 8); // brightness at t = 0.25
    stripMouse(*strip, QEvent::MouseButtonRelease, 148, 8);
    EXPECT_NEAR(strip->model().brightness(), 0.5f, 1e-6f);
    const QImage grab = strip->grab().toImage();
    EXPECT_EQ(
        columnsOf(grab, 40, rgb8(colormath::inverse(strip->color()))), std::vector<int> { 148 });
}

TEST_F(ColorViewTest, DragStaysInTheBandWhereItStarted)
{
    auto strip = makeStrip();
    strip->setColor(colormath::rgbFromHsb(0.1f, 0.8f, 0.6f));
    stripMouse(*strip, QEvent::MouseButtonPress, 88, 40); // hue band, t = 0.1
    stripMouse(*strip, QEvent::MouseMove, 248, 8); // down into the brightness band
    EXPECT_NEAR(strip->model().cHue(), 0.5f, 1e-4f);
    stripMouse(*strip, QEvent::MouseMove, 348, 2);
    stripMouse(*strip, QEvent::MouseButtonRelease, 348, 2);
    EXPECT_NEAR(strip->model().cHue(), 0.75f, 1e-4f);
    EXPECT_NEAR(strip->model().cSat(), 0.8f, 1e-4f);
    EXPECT_NEAR(strip->model().brightness(), 0.6f, 1e-4f);
}

TEST_F(ColorViewTest, StripNarrowerThanItsHeightDrawsTheSwatchAndPicksZero)
{
    auto strip = makeStrip(30);
    strip->setColor(RgbaColor { 1, 0, 0, 1 });
    const QImage grab = strip->grab().toImage();
    EXPECT_TRUE(near(grab.pixel(29, 40), qRgb(255, 0, 0), 0));
    stripMouse(*strip, QEvent::MouseButtonPress, 20, 8);
    stripMouse(*strip, QEvent::MouseButtonRelease, 20, 8);
    EXPECT_EQ(strip->color(), (RgbaColor { 0, 0, 0, 1 }));
}

TEST_F(ColorViewTest, PickInOneWindowRedrawsBothStripsAndBothBrushesPaintIt)
{
    auto first = makeWindow();
    auto second = makeWindow();
    for (DocumentWindow *w : { first.get(), second.get() }) {
        w->action(QStringLiteral("showPicker"))->trigger();
        w->drawView()->finishPickerSlide();
    }
    QCoreApplication::processEvents();
    int secondPaints = 0;
    struct PaintCounter : QObject
    {
        int *count;
        explicit PaintCounter(int *c)
            : count(c)
        { }
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&secondPaints);
    second->colorView()->installEventFilter(&counter);

    // Full brightness at the right end, then blue in the hue band at t = 2/3.
    ColorView &strip = *first->colorView();
    const double w = strip.width();
    stripMouse(strip, QEvent::MouseButtonPress, w, 8);
    stripMouse(strip, QEvent::MouseButtonRelease, w, 8);
    stripMouse(strip, QEvent::MouseButtonPress, 1000, 24);
    stripMouse(strip, QEvent::MouseButtonRelease, 1000, 24);
    stripMouse(strip, QEvent::MouseButtonPress, 48 + (w - 48) * 2 / 3, 40);
    stripMouse(strip, QEvent::MouseButtonRelease, 48 + (w - 48) * 2 / 3, 40);
    QCoreApplication::processEvents();
    EXPECT_GT(secondPaints, 0);
    EXPECT_TRUE(near(second->colorView()->grab().toImage().pixel(10, 10), qRgb(0, 0, 255), 1));

    for (DocumentWindow *w2 : { first.get(), second.get() }) {
        DrawView *view = w2->drawView();
        // The brush cursor is filled with the colour at 80 %.
        const QImage cursor = view->brushCursor().pixmap().toImage();
        const QRgb middle = qUnpremultiply(cursor.pixel(cursor.width() / 2, cursor.height() / 2));
        EXPECT_TRUE(near(middle, qRgb(0, 0, 255), 2));
        view->mouseDown(test::pointerAt(50, 100));
        view->mouseDragged(test::pointerAt(150, 100));
        view->mouseUp(test::pointerAt(150, 100));
        EXPECT_EQ(view->surface().pixel(100, 100), 0xFF0000FFu);
    }
}

TEST_F(ColorViewTest, StripSlidesOverTheCanvasAndGivesTheHeightBack)
{
    auto window = makeWindow();
    DrawView *view = window->drawView();
    QAction *command = window->action(QStringLiteral("showPicker"));
    const auto title = [command]() { return command->text().remove(QLatin1Char('&')); };
    const QSize content = view->parentWidget()->size();
    ASSERT_EQ(view->size(), content);
    EXPECT_EQ(view->pickerVisibleHeight(), 0);
    EXPECT_EQ(title(), QStringLiteral("Show Color Picker"));

    command->trigger();
    EXPECT_EQ(title(), QStringLiteral("Hide Color Picker"));
    // Halfway through the 0.4 s slide, strip and canvas have moved half the way.
    auto *slide = view->findChild<QVariantAnimation *>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(slide, nullptr);
    EXPECT_EQ(slide->duration(), 400);
    slide->setCurrentTime(200);
    EXPECT_EQ(view->pickerVisibleHeight(), 24);
    EXPECT_EQ(view->height(), content.height() - 24);
    view->finishPickerSlide();
    EXPECT_EQ(view->pickerVisibleHeight(), 48);
    EXPECT_EQ(view->geometry(), QRect(0, 48, content.width(), content.height() - 48));
    EXPECT_EQ(window->colorView()->width(), content.width());

    // A wider window widens the strip and keeps the canvas below it.
    window->resize(window->width() + 60, window->height());
    EXPECT_EQ(window->colorView()->width(), content.width() + 60);
    EXPECT_EQ(view->height(), content.height() - 48);

    command->trigger();
    EXPECT_EQ(title(), QStringLiteral("Show Color Picker"));
    view->finishPickerSlide();
    EXPECT_EQ(view->pickerVisibleHeight(), 0);
    EXPECT_EQ(view->height(), content.height());

    // A second press during a slide turns it back.
    command->trigger();
    slide->setCurrentTime(100);
    command->trigger();
    EXPECT_EQ(title(), QStringLiteral("Show Color Picker"));
    view->finishPickerSlide();
    EXPECT_EQ(view->pickerVisibleHeight(), 0);
    EXPECT_EQ(view->height(), content.height());
}
