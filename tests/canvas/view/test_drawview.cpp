#include "app/documentwindow.h"
#include "canvas/penend.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTabletEvent>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// Devices like a real tablet's pen and eraser, owned by the application so that they go away
// before it does.
const QPointingDevice *tabletDevice(QPointingDevice::PointerType type)
{
    const auto make = [](const char *name, qint64 id, QPointingDevice::PointerType pointer) {
        return new QPointingDevice(QString::fromLatin1(name), id, QInputDevice::DeviceType::Stylus,
            pointer, QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3,
            QString(), QPointingDeviceUniqueId(), qApp);
    };
    static const QPointingDevice *pen = make("test pen", 1001, QPointingDevice::PointerType::Pen);
    static const QPointingDevice *eraser
        = make("test eraser", 1002, QPointingDevice::PointerType::Eraser);
    return type == QPointingDevice::PointerType::Eraser ? eraser : pen;
}

class DrawViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<DocumentWindow>(*defaults);
        ASSERT_TRUE(window->newCanvas(120, 80));
        view()->resize(120, 80);
        PenEnd::shared().setDeviceType(PenEnd::UnknownDevice);
    }
    void TearDown() override { PenEnd::shared().setDeviceType(PenEnd::UnknownDevice); }

    DrawView *view() const { return window->drawView(); }

    void mouse(QEvent::Type type, QPointF widgetPos, const QPointingDevice *device = nullptr)
    {
        const Qt::MouseButtons buttons
            = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, widgetPos, widgetPos, widgetPos, Qt::LeftButton, buttons,
            Qt::NoModifier, device ? device : QPointingDevice::primaryPointingDevice());
        QCoreApplication::sendEvent(view(), &e);
    }

    void tablet(QEvent::Type type, QPointF widgetPos, float pressure, const QPointingDevice *device)
    {
        QTabletEvent e(type, device, widgetPos, widgetPos, pressure, 0, 0, 0, 0, 0, Qt::NoModifier,
            Qt::LeftButton, type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
        QCoreApplication::sendEvent(view(), &e);
    }

    test::TestDefaults defaults;
    std::unique_ptr<DocumentWindow> window;
};

} // namespace

TEST_F(DrawViewTest, ClickPaintsOneDrawStepAndStrokeOffCanvasNone)
{
    mouse(QEvent::MouseButtonPress, QPointF(60, 40));
    mouse(QEvent::MouseButtonRelease, QPointF(60, 40));
    EXPECT_EQ(view()->surface().pixel(60, 40), 0xFF000000u);
    EXPECT_EQ(window->undoHistory()->count(), 1);
    EXPECT_EQ(window->action(QStringLiteral("undo"))->text(), QStringLiteral("Undo Draw"));

    // Wholly outside the canvas (the view is larger): nothing changes, no step.
    view()->resize(400, 300);
    mouse(QEvent::MouseButtonPress, QPointF(300, 20));
    mouse(QEvent::MouseMove, QPointF(380, 30));
    mouse(QEvent::MouseButtonRelease, QPointF(380, 30));
    EXPECT_EQ(window->undoHistory()->count(), 1);
}

TEST_F(DrawViewTest, ProximityOfEraserSwitchesEveryCanvasBeforeAnyClick)
{
    DocumentWindow second(*defaults);
    second.newCanvas(50, 50);
    defaults->setFloat(keys::EraserSize, 22);
    defaults->setFloat(keys::BrushSize, 6);

    QTabletEvent enter(QEvent::TabletEnterProximity,
        tabletDevice(QPointingDevice::PointerType::Eraser), QPointF(), QPointF(), 0, 0, 0, 0, 0, 0,
        Qt::NoModifier, Qt::NoButton, Qt::NoButton);
    QCoreApplication::sendEvent(qApp, &enter);
    EXPECT_TRUE(PenEnd::shared().isEraser());
    EXPECT_EQ(view()->brushsize(), 22.0f);
    EXPECT_EQ(second.drawView()->brushsize(), 22.0f);

    // Leaving keeps the eraser until another end comes near.
    QTabletEvent leave(QEvent::TabletLeaveProximity,
        tabletDevice(QPointingDevice::PointerType::Eraser), QPointF(), QPointF(), 0, 0, 0, 0, 0, 0,
        Qt::NoModifier, Qt::NoButton, Qt::NoButton);
    QCoreApplication::sendEvent(qApp, &leave);
    EXPECT_TRUE(PenEnd::shared().isEraser());

    QTabletEvent pen(QEvent::TabletEnterProximity, tabletDevice(QPointingDevice::PointerType::Pen),
        QPointF(), QPointF(), 0, 0, 0, 0, 0, 0, Qt::NoModifier, Qt::NoButton, Qt::NoButton);
    QCoreApplication::sendEvent(qApp, &pen);
    EXPECT_EQ(view()->brushsize(), 6.0f);
    EXPECT_EQ(second.drawView()->brushsize(), 6.0f);
}

TEST_F(DrawViewTest, TabletPressFromAnotherEndSwitchesBrushFirst)
{
    // No proximity event was seen; the eraser touches down on black.
    view()->surface().fillRegion(view()->surface().bounds(), 0xFF000000u);
    defaults->setFloat(keys::EraserStrength, 100);
    const auto *eraser = tabletDevice(QPointingDevice::PointerType::Eraser);
    tablet(QEvent::TabletPress, QPointF(20, 40), 1.0f, eraser);
    tablet(QEvent::TabletMove, QPointF(100, 40), 1.0f, eraser);
    tablet(QEvent::TabletRelease, QPointF(100, 40), 0.0f, eraser);
    EXPECT_TRUE(PenEnd::shared().isEraser());
    EXPECT_EQ(view()->surface().pixel(60, 40), 0xFFFFFFFFu);
}

TEST_F(DrawViewTest, MouseEventsMadeFromTabletEventsDoNotPaintTwice)
{
    const auto *pen = tabletDevice(QPointingDevice::PointerType::Pen);
    const QImage before = view()->surface().image().copy();
    mouse(QEvent::MouseButtonPress, QPointF(30, 30), pen);
    mouse(QEvent::MouseMove, QPointF(90, 30), pen);
    mouse(QEvent::MouseButtonRelease, QPointF(90, 30), pen);
    EXPECT_EQ(view()->surface().image(), before);
    EXPECT_EQ(window->undoHistory()->count(), 0);
}

TEST_F(DrawViewTest, OtherDevicesAreIgnoredDuringAStroke)
{
    const auto *pen = tabletDevice(QPointingDevice::PointerType::Pen);
    tablet(QEvent::TabletPress, QPointF(10, 20), 1.0f, pen);
    // The mouse wanders elsewhere meanwhile.
    mouse(QEvent::MouseButtonPress, QPointF(60, 70));
    mouse(QEvent::MouseMove, QPointF(100, 70));
    mouse(QEvent::MouseButtonRelease, QPointF(100, 70));
    tablet(QEvent::TabletMove, QPointF(50, 20), 1.0f, pen);
    tablet(QEvent::TabletRelease, QPointF(50, 20), 0.0f, pen);
    EXPECT_EQ(view()->surface().pixel(80, 80 - 70), 0xFFFFFFFFu);
    EXPECT_EQ(view()->surface().pixel(30, 80 - 20), 0xFF000000u);
    EXPECT_EQ(window->undoHistory()->count(), 1);
}

TEST_F(DrawViewTest, UndoLevelsFromSettingsApplyToNewDocuments)
{
    defaults->setInteger(keys::UndoLevels, 3);
    DocumentWindow limited(*defaults);
    limited.newCanvas(60, 60);
    limited.drawView()->resize(60, 60);
    for (int i = 0; i < 5; ++i) {
        const QPointF p(10 + 10 * i, 30);
        QMouseEvent press(
            QEvent::MouseButtonPress, p, p, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(
            QEvent::MouseButtonRelease, p, p, p, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(limited.drawView(), &press);
        QCoreApplication::sendEvent(limited.drawView(), &release);
    }
    EXPECT_EQ(limited.undoHistory()->count(), 3);
}

// A stroke is painted on its own thread; any other event (a menu, a key, a timer) waits until
// the painting has caught up, so it finds the canvas as the stroke left it.
TEST_F(DrawViewTest, OtherEventsFindTheStrokePaintedSoFar)
{
    defaults->setFloat(keys::BrushSize, 40);
    DocumentWindow big(*defaults);
    ASSERT_TRUE(big.newCanvas(600, 400));
    DrawView *v = big.drawView();
    v->resize(600, 400);
    const auto send = [&](QEvent::Type type, QPointF p) {
        QMouseEvent e(type, p, p, p, Qt::LeftButton,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(v, &e);
    };
    send(QEvent::MouseButtonPress, QPointF(20, 20));
    for (int i = 0; i < 400; ++i)
        send(QEvent::MouseMove, QPointF(20 + (i * 37) % 560, 20 + (i * 23) % 360));
    QEvent other(QEvent::User);
    QCoreApplication::sendEvent(&big, &other);
    const QImage afterOther = v->surface().image().copy();
    v->finishPainting();
    EXPECT_TRUE(test::imagesEqual(afterOther, v->surface().image(), QStringLiteral("caught-up")));
    send(QEvent::MouseButtonRelease, QPointF(20, 20));
    EXPECT_EQ(big.undoHistory()->count(), 1);
}
