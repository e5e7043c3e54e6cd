// Replays of what a Linux desktop adds: gesture keys moved elsewhere, the wheel, the touchpad,
// the middle button, the pen's side buttons, and the pressure curve.

#include "canvas/undohistory.h"
#include "replayfixture.h"
#include "testsupport.h"

#include <QTemporaryDir>

using namespace pennova;

namespace {

// A runner of its own, to compare two sessions side by side.
struct Session
{
    QTemporaryDir dir;
    Defaults defaults { dir.filePath(QStringLiteral("session.conf")) };
    ReplayRunner runner { defaults, dir.path() };

    void run(const QString &text)
    {
        const ReplayResult result = runner.runText(text);
        EXPECT_EQ(result.exitCode(), 0) << test::messages(result);
    }
    const ViewTransform &view() const { return runner.drawView()->transform(); }
    QImage canvas() const { return runner.drawView()->surface().image().copy(); }
};

// Erase along part of a line, select, then rotate a quarter turn about the window centre, each
// with its key held; E, R and S name the keys (modifier or letter keys alike).
QString gestureSession(const char *e, const char *r, const char *s)
{
    return QStringLiteral("set bsize 8\nset esize 20\nset estren 100\ncanvas 200 150\n")
        + test::stroke(20, 180, 75) + QStringLiteral("keydown %1\n").arg(QLatin1String(e))
        + test::stroke(60, 120, 75) + QStringLiteral("keyup %1\n").arg(QLatin1String(e))
        + QStringLiteral("keydown %1\ndown 30 20\nmove 90 50\nup 90 50\nkeyup %1\n")
              .arg(QLatin1String(s))
        + QStringLiteral("expect selection 30 20 60 30\naction deselectAll\n")
        + QStringLiteral("keydown %1\ndown 150 75\nmove 100 125\nup 100 125\nkeyup %1\n")
              .arg(QLatin1String(r));
}

void expectSameView(const ViewTransform &a, const ViewTransform &b)
{
    EXPECT_EQ(a.zoom(), b.zoom());
    EXPECT_EQ(a.boundsRotation(), b.boundsRotation());
    EXPECT_EQ(a.boundsOrigin(), b.boundsOrigin());
}

} // namespace

// Held letters and other modifiers drive the very gestures the factory keys drive, with the same
// pixels and view; once moved, the factory keys paint like any plain stroke.
TEST(ReplayDesktopTest, MovedGestureKeysDriveTheSameGesturesAndTheOldKeysDoNothing)
{
    Session factory;
    factory.run(gestureSession("Alt", "Meta", "Control"));
    Session moved;
    moved.run(QStringLiteral("set EraseGestureKey \"X\"\n"
                             "set RotateGestureKey \"R\"\n"
                             "set SelectGestureKey \"Ctrl+Alt\"\n")
        + gestureSession("X", "R", "Control\nkeydown Alt") + QStringLiteral("keyup Alt\n"));
    EXPECT_TRUE(test::imagesEqual(moved.canvas(), factory.canvas(), QStringLiteral("moved_keys")));
    EXPECT_NEAR(factory.view().boundsRotation(), 90.0f, 1e-3);
    expectSameView(moved.view(), factory.view());
    EXPECT_EQ(moved.runner.drawView()->surface().pixel(90, 75), 0xFFFFFFFFu); // erased
    EXPECT_EQ(moved.runner.drawView()->surface().pixel(30, 75), 0xFF000000u);

    // Alt, Meta and Ctrl alone are plain strokes now: each paints and leaves one step.
    moved.run(QStringLiteral("action resetZoom\nexpect undo 2\n") + QStringLiteral("keydown Alt\n")
        + test::stroke(20, 180, 30) + QStringLiteral("keyup Alt\n")
        + QStringLiteral("keydown Meta\ndown 150 75\nmove 100 125\nup 100 125\nkeyup Meta\n")
        + QStringLiteral("keydown Control\ndown 30 100\nmove 90 120\nup 90 120\nkeyup Control\n")
        + QStringLiteral("expect undo 5\nexpect selection none\nexpect pixel 100 30 000000ff\n"));
    EXPECT_EQ(moved.view().boundsRotation(), 0.0f);
}

// Each replays exactly as the drag it stands for, and none records an undo step.
TEST(ReplayDesktopTest, WheelScrollPinchAndButtonsNavigateAsTheirDrags)
{
    const QString start = QStringLiteral("canvas 400 300\n");
    const QString spaceDrag
        = QStringLiteral("keydown Space\ndown %1 %2\nmove %3 %4\nup %3 %4\nkeyup Space\n");
    const struct
    {
        const char *what;
        QString replayed;
        QString drag;
    } cases[] = {
        { "wheel", QStringLiteral("wheel 100 100 0 -1\nwheel 100 100 0 1 shift\n"),
            spaceDrag.arg(100).arg(100).arg(100).arg(140)
                + spaceDrag.arg(100).arg(100).arg(140).arg(100) },
        { "scroll", QStringLiteral("scroll 100 100 -7 12\n"),
            spaceDrag.arg(100).arg(100).arg(93).arg(88) },
        { "ctrl wheel", QStringLiteral("wheel 200 150 0 1 ctrl\n"),
            QStringLiteral("down 200 150 shift\nmove 200 180 shift\nup 200 180 shift\n") },
        { "pinch", QStringLiteral("pinch 200 150 0.1\n"),
            QStringLiteral("down 200 150 shift\nmove 200 180 shift\nup 200 180 shift\n") },
        { "middle", QStringLiteral("down 100 100 middle\nmove 130 90\nmove 160 50\nup 160 50\n"),
            spaceDrag.arg(100).arg(100).arg(160).arg(50) },
        { "pen lower", QStringLiteral("down 100 100 lower\nmove 130 90\nmove 160 50\nup 160 50\n"),
            spaceDrag.arg(100).arg(100).arg(160).arg(50) },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Session replayed;
        replayed.run(start + c.replayed + QStringLiteral("expect undo 0\n"));
        Session dragged;
        dragged.run(start + c.drag);
        expectSameView(replayed.view(), dragged.view());
        EXPECT_EQ(replayed.canvas(), dragged.canvas());
    }

    // The pen's upper button picks the colour under it, and paints nothing either.
    Session pick;
    pick.run(QStringLiteral("set clr 0 0.5 1\nset bsize 30\ncanvas 200 100\n")
        + test::stroke(20, 100, 50)
        + QStringLiteral("set clr 1 0 0\ndown 60 50 upper\nup 60 50\nexpect color 0080ff 1\n"
                         "expect undo 1\n"));
}

// The linear curve, however it is written, paints exactly as no curve; a soft one paints a light
// stroke wider.
TEST(ReplayDesktopTest, ALinearPressureCurveKeepsStrokesAndASoftOneWidensLightOnes)
{
    const QString stroke = QStringLiteral("set bsize 30\nset bsizemin 1\ncanvas 200 100\n")
        + test::stroke(20, 180, 50, QStringLiteral("0.2"));
    const auto width = [](const QImage &canvas) {
        int painted = 0;
        for (int y = 0; y < canvas.height(); ++y)
            painted += qRed(canvas.pixel(100, y)) < 128 ? 1 : 0;
        return painted;
    };
    Session plain;
    plain.run(stroke);
    Session diagonal;
    diagonal.run(QStringLiteral("set PressureCurve \"0,0 0.2,0.2 0.7,0.7 1,1\"\n") + stroke);
    Session damaged;
    damaged.run(QStringLiteral("set PressureCurve \"0,0 0.5\"\n") + stroke);
    Session soft;
    soft.run(QStringLiteral("set PressureCurve \"0,0 0.25,0.45 0.6,0.82 1,1\"\n") + stroke);

    EXPECT_EQ(diagonal.canvas(), plain.canvas());
    EXPECT_EQ(damaged.canvas(), plain.canvas());
    const int plainWidth = width(plain.canvas());
    EXPECT_GT(plainWidth, 5);
    EXPECT_GE(width(soft.canvas()), plainWidth + 4) << plainWidth;
}
