// Picking a colour from the screen: the overlay over a picture of the screen, its loupe, a pick,
// a cancel, a screen that cannot be read, and Pennova's own canvas picked off the real screen.

#include "app/documentwindow.h"
#include "canvas/view/drawview.h"
#include "canvasui/mytextfield.h"
#include "picker/colorview.h"
#include "picker/screenpicker.h"
#include "picker/screenpickoverlay.h"
#include "settings/defaults.h"
#include "testsupport.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

class ScreenPickTest : public ::testing::Test
{
protected:
    ScreenPickTest()
    {
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.newCanvas(200, 100);
        window.show();
        // A screen of white with one red and one blue pixel.
        screen = QImage(320, 200, QImage::Format_RGB32);
        screen.fill(Qt::white);
        screen.setPixel(40, 30, qRgb(255, 0, 0));
        screen.setPixel(41, 30, qRgb(0, 0, 255));
        ScreenPicker::setGrabSource([this](QScreen *) { return screen; });
    }
    ~ScreenPickTest() override
    {
        if (ScreenPickOverlay *overlay = ScreenPicker::activeOverlay())
            overlay->close();
        ScreenPicker::setGrabSource({});
    }

    ScreenPickOverlay *startPick()
    {
        window.colorView()->magnify();
        return ScreenPicker::activeOverlay();
    }

    static void mouse(QWidget *target, QEvent::Type type, QPointF at, Qt::MouseButton button)
    {
        QMouseEvent e(type, at, at, target->mapToGlobal(at),
            type == QEvent::MouseMove ? Qt::NoButton : button,
            type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    }

    test::TestDefaults defaults;
    DocumentWindow window { *defaults };
    QImage screen;
};

} // namespace

TEST_F(ScreenPickTest, ClickTakesThePixelAndTheLoupeMagnifiesIt)
{
    ScreenPickOverlay *overlay = startPick();
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(window.colorView()->isPicking());
    mouse(overlay, QEvent::MouseMove, QPointF(40.5, 30.5), Qt::NoButton);
    // The loupe shows the red pixel large in its middle, the blue one beside it.
    const QRect loupe = overlay->loupeRect();
    const QImage shown = overlay->grab(loupe).toImage();
    const int middle = 1 + ScreenPickOverlay::kLoupePixels / 2 * ScreenPickOverlay::kLoupeZoom;
    const int zoom = ScreenPickOverlay::kLoupeZoom;
    EXPECT_EQ(shown.pixel(middle + zoom / 2, middle + zoom / 2) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(shown.pixel(middle + zoom + zoom / 2, middle + zoom / 2) & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(shown.pixel(middle - zoom / 2, middle + zoom / 2) & 0xFFFFFFu, 0xFFFFFFu);

    mouse(overlay, QEvent::MouseButtonPress, QPointF(41.5, 30.5), Qt::LeftButton);
    EXPECT_EQ(ScreenPicker::activeOverlay(), nullptr);
    EXPECT_FALSE(window.colorView()->isPicking());
    EXPECT_EQ(window.colorView()->color(), (RgbaColor { 0, 0, 1, 1 }));
    EXPECT_EQ(colorFromDefaults(*defaults), (RgbaColor { 0, 0, 1, 1 }));
}

TEST_F(ScreenPickTest, CancelledPickChangesNothing)
{
    defaults->setData(
        QStringLiteral("clr"), ColorArchive::encode(RgbaColor { 0.2f, 0.4f, 0.6f, 1 }));
    QSignalSpy writes(&*defaults, &Defaults::changed);
    for (const bool escape : { true, false }) {
        ScreenPickOverlay *overlay = startPick();
        ASSERT_NE(overlay, nullptr);
        if (escape) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(overlay, &key);
        } else {
            mouse(overlay, QEvent::MouseButtonPress, QPointF(40.5, 30.5), Qt::RightButton);
        }
        EXPECT_EQ(ScreenPicker::activeOverlay(), nullptr);
        EXPECT_FALSE(window.colorView()->isPicking());
    }
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(window.colorView()->color(), (RgbaColor { 0.2f, 0.4f, 0.6f, 1 }));
}

TEST_F(ScreenPickTest, ScreenThatCannotBeReadSaysSoAndChangesNothing)
{
    ScreenPicker::setGrabSource([](QScreen *) { return QImage(); });
    QSignalSpy writes(&*defaults, &Defaults::changed);
    EXPECT_EQ(startPick(), nullptr);
    EXPECT_EQ(
        window.drawView()->statusfield()->text(), QStringLiteral("Could not read the screen"));
    EXPECT_EQ(writes.count(), 0);
    EXPECT_FALSE(window.colorView()->isPicking());
}

TEST(ScreenPickRealTest, OwnCanvasCanBePickedFromTheScreen)
{
    test::TestDefaults defaults;
    DocumentWindow window(*defaults);
    window.newCanvas(200, 100);
    window.drawView()->surface().fillRegion(QRect(0, 0, 200, 100), 0xFF20A040u);
    window.move(100, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.drawView()->repaint();

    window.colorView()->magnify();
    ASSERT_TRUE(QTest::qWaitFor([]() { return ScreenPicker::activeOverlay() != nullptr; }));
    ScreenPickOverlay *overlay = ScreenPicker::activeOverlay();
    const QPointF onCanvas
        = overlay->mapFromGlobal(window.drawView()->mapToGlobal(QPointF(50, 50)));
    QMouseEvent press(QEvent::MouseButtonPress, onCanvas, onCanvas, overlay->mapToGlobal(onCanvas),
        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(overlay, &press);
    const RgbaColor picked = window.colorView()->color();
    EXPECT_EQ(qRgb(qRound(picked.red * 255), qRound(picked.green * 255), qRound(picked.blue * 255)),
        qRgb(0x20, 0xA0, 0x40));
}
