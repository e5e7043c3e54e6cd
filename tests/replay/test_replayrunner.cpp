#include "app/documentwindow.h"
#include "canvas/undohistory.h"
#include "canvasui/keyreferencewindow.h"
#include "canvasui/mytextfield.h"
#include "replayfixture.h"
#include "testsupport.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace pennova;

namespace {

using test::messages;
using test::stroke;

// A JPEG file of `image` as stored, with an Exif orientation tag as cameras write it (6: "turn a
// quarter clockwise to show"): an APP1 segment after the start marker holding a big-endian TIFF
// header and one directory with the single 16-bit entry 0x0112.
QByteArray jpegWithOrientation(const QImage &image, char orientation)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpeg").write(image);
    const QByteArray exif
        = QByteArray("Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 25) + orientation
        + QByteArray(6, '\0');
    const char length = char(exif.size() + 2);
    return jpeg.left(2) + QByteArray("\xFF\xE1\0", 3) + length + exif + jpeg.mid(2);
}

class ReplayRunnerTest : public test::ReplayFixture
{
protected:
    // How many pixels of column x, between canvas rows y0 and y1, are darker than mid grey.
    int darkPixelsInColumn(int x, int y0, int y1) const
    {
        int count = 0;
        for (int y = y0; y <= y1; ++y)
            count += qGray(m_runner.drawView()->surface().pixel(x, y)) < 128 ? 1 : 0;
        return count;
    }
};

} // namespace

TEST_F(ReplayRunnerTest, MouseLineLandsWhereTheScriptSaysWithYUp)
{
    runOk(QStringLiteral("set bsize 6\ncanvas 120 80\n") + stroke(10, 110, 20)
        + QStringLiteral("expect pixel 60 20 000000ff\n"
                         "expect pixel 60 60 ffffffff\n"
                         "expect undo 1\n"));
    ASSERT_NE(m_runner.drawView(), nullptr);
    EXPECT_EQ(m_runner.drawView()->size(), QSize(120, 80));
    // The line is about 6 pixels wide around canvas row 20, and nowhere else in its column.
    EXPECT_GE(darkPixelsInColumn(60, 14, 26), 4);
    EXPECT_LE(darkPixelsInColumn(60, 14, 26), 8);
    EXPECT_EQ(darkPixelsInColumn(60, 0, 13) + darkPixelsInColumn(60, 27, 79), 0);
    EXPECT_EQ(darkPixelsInColumn(4, 0, 79), 0); // before its start
    EXPECT_EQ(darkPixelsInColumn(116, 0, 79), 0); // after its end
}

TEST_F(ReplayRunnerTest, TabletPressureNarrowsTheLine)
{
    runOk(QStringLiteral("set bsizemin 2\nset bsize 20\ncanvas 200 120\nproximity pen\n")
        + stroke(20, 180, 30, QStringLiteral("0.25")) + stroke(20, 180, 90, QStringLiteral("1")));
    const int thin = darkPixelsInColumn(100, 10, 50);
    const int thick = darkPixelsInColumn(100, 70, 110);
    EXPECT_GE(thin, 2);
    EXPECT_GE(thick, 17);
    EXPECT_LT(thin, thick - 5);
}

TEST_F(ReplayRunnerTest, EraserProximitySwitchesTheSizeAndErases)
{
    runOk(QStringLiteral("set bsize 20\nset esize 30\nset estren 100\ncanvas 200 120\n")
        + stroke(20, 180, 30) + stroke(20, 180, 90, QStringLiteral("1")));
    EXPECT_EQ(m_runner.drawView()->brushsize(), 20.0f);
    ASSERT_EQ(qGray(m_runner.drawView()->surface().pixel(100, 30)), 0);

    // The view takes the eraser's size as soon as the eraser comes near, before any click.
    runOk(QStringLiteral("proximity eraser\n"));
    EXPECT_EQ(m_runner.drawView()->brushsize(), 30.0f);

    // Over the first line with the mouse, over the second with the eraser end.
    runOk(stroke(60, 140, 30) + stroke(60, 140, 90, QStringLiteral("1"))
        + QStringLiteral("expect pixel 100 30 ffffffff 2\n"
                         "expect pixel 100 90 ffffffff 2\n"
                         "expect pixel 30 30 000000ff\n"
                         "expect undo 4\n"));

    runOk(QStringLiteral("proximity pen\n"));
    EXPECT_EQ(m_runner.drawView()->brushsize(), 20.0f);
}

TEST_F(ReplayRunnerTest, HeldAltErasesLikeTheModifierOnThePointer)
{
    runOk(QStringLiteral("set bsize 20\nset estren 100\ncanvas 200 120\n") + stroke(20, 180, 20)
        + stroke(20, 180, 60) + stroke(20, 180, 100) + QStringLiteral("keydown Alt\n"));
    EXPECT_EQ(m_runner.heldModifiers(), Qt::AltModifier);
    // Held from before the press, given on the pointer event, and pressed mid-stroke.
    runOk(stroke(60, 140, 20)
        + QStringLiteral("keyup Alt\n"
                         "down 60 60 alt\nmove 100 60 alt\n"
                         "move 140 60 alt\nup 140 60 alt\n"
                         "down 60 100\nkeydown Alt\nmove 64 100\n"
                         "move 100 100\nmove 140 100\nup 140 100\n"
                         "keyup Alt\n"
                         "expect pixel 100 20 ffffffff 2\n"
                         "expect pixel 100 60 ffffffff 2\n"
                         "expect pixel 100 100 ffffffff 2\n"));
    EXPECT_EQ(m_runner.heldModifiers(), Qt::NoModifier);
    // With nothing held, a stroke paints again.
    runOk(stroke(60, 140, 40) + QStringLiteral("expect pixel 100 40 000000ff\n"));
}

TEST_F(ReplayRunnerTest, DamagedBrushSizesStillPaintWithinTheSizeRange)
{
    // Light pressure, where the minimum counts. A minimum above the maximum paints at the
    // maximum; a huge minimum does not make the stroke vanish.
    const QString light = QStringLiteral("0.05");
    runOk(QStringLiteral("set bsize 4\nset bsizemin 40\ncanvas 200 120\nproximity pen\n")
        + stroke(20, 180, 30, light) + QStringLiteral("set bsize 10\nset bsizemin 1e30\n")
        + stroke(20, 180, 90, light));
    EXPECT_GE(darkPixelsInColumn(100, 10, 50), 3);
    EXPECT_LE(darkPixelsInColumn(100, 10, 50), 6);
    EXPECT_GE(darkPixelsInColumn(100, 70, 110), 8);
    EXPECT_LE(darkPixelsInColumn(100, 70, 110), 12);
}

TEST_F(ReplayRunnerTest, UndoAndRedoByKeyAndByActionRestoreEveryByte)
{
    runOk(QStringLiteral("set bsize 12\ncanvas 160 100\n"));
    const QImage blank = canvas();
    runOk(stroke(10, 150, 50, QStringLiteral("0.8")) + QStringLiteral("expect undo 1\n"));
    const QImage drawn = canvas();
    ASSERT_NE(drawn, blank);

    runOk(QStringLiteral("key Z ctrl\nexpect undo 0\nexpect redo 1\n"));
    EXPECT_TRUE(test::imagesEqual(canvas(), blank, QStringLiteral("replay-undo-key")));
    runOk(QStringLiteral("action redo\nexpect undo 1\nexpect redo 0\n"));
    EXPECT_TRUE(test::imagesEqual(canvas(), drawn, QStringLiteral("replay-redo-action")));
    runOk(QStringLiteral("action undo\n"));
    EXPECT_TRUE(test::imagesEqual(canvas(), blank, QStringLiteral("replay-undo-action")));
    runOk(QStringLiteral("key Y ctrl\n"));
    EXPECT_TRUE(test::imagesEqual(canvas(), drawn, QStringLiteral("replay-redo-key")));

    // A shortcut of a disabled command does nothing, and the key goes to the view instead.
    runOk(QStringLiteral("key Y ctrl\nexpect undo 1\nexpect redo 0\n"));
    EXPECT_TRUE(test::imagesEqual(canvas(), drawn, QStringLiteral("replay-redo-disabled")));
}

TEST_F(ReplayRunnerTest, UndoLevelsSetBeforeTheCanvasLimitTheSteps)
{
    QString text = QStringLiteral("set UndoLevels 3\ncanvas 100 100\n");
    for (int y = 10; y <= 90; y += 20)
        text += stroke(10, 90, y);
    runOk(text + QStringLiteral("expect undo 3\n"));
    EXPECT_EQ(m_runner.window()->undoHistory()->count(), 3);
}

TEST_F(ReplayRunnerTest, PngHoldsTheCanvasPixelsTopRowFirst)
{
    runOk(QStringLiteral("set clr 1 0 0\ncanvas 90 60\n") + stroke(10, 80, 45)
        + QStringLiteral("png out/picture.png\n"));
    const QString path = m_dir.filePath(QStringLiteral("out/picture.png"));
    QImage written(path);
    ASSERT_FALSE(written.isNull());
    EXPECT_TRUE(written.hasAlphaChannel());
    EXPECT_TRUE(test::imagesEqual(written.convertToFormat(QImage::Format_ARGB32_Premultiplied),
        canvas(), QStringLiteral("replay-png")));
    // View row 45 (y up) of 60 is image row 15 (top first).
    EXPECT_EQ(written.pixel(45, 15), qRgba(255, 0, 0, 255));
    EXPECT_EQ(written.pixel(45, 45), qRgba(255, 255, 255, 255));
}

TEST_F(ReplayRunnerTest, FailedExpectationsAreAllReportedAndTheRunGoesOn)
{
    const ReplayResult result = m_runner.runText(QStringLiteral("canvas 20 20\n"
                                                                "expect pixel 1 1 000000ff\n"
                                                                "expect pixel 1 1 f4f4f4ff 11\n"
                                                                "expect undo 2\n"
                                                                "png after.png\n"));
    EXPECT_EQ(result.status, ReplayResult::Status::ExpectationFailed);
    EXPECT_EQ(result.exitCode(), 1);
    EXPECT_EQ(messages(result),
        "2: pixel (1, 1) is ffffffff, expected 000000ff\n4: undo steps: 0, expected 2");
    EXPECT_EQ(result.expectationsChecked, 3);
    EXPECT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("after.png"))));
}

TEST_F(ReplayRunnerTest, ErrorsStopTheRunAtTheirLine)
{
    const ReplayResult unknown
        = m_runner.runText(QStringLiteral("canvas 20 20\naction nosuch\npng never.png\n"));
    EXPECT_EQ(unknown.exitCode(), 2);
    EXPECT_EQ(messages(unknown), "2: unknown action 'nosuch'");
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("never.png"))));

    const ReplayResult edge = m_runner.runText(QStringLiteral("canvas 20 20\n"
                                                              "expect pixel 19 19 ffffffff\n"
                                                              "expect pixel 20 0 ffffffff\n"));
    EXPECT_EQ(edge.exitCode(), 2);
    EXPECT_EQ(messages(edge), "3: pixel (20, 0) is outside the 20 x 20 canvas");
}

TEST_F(ReplayRunnerTest, WindowSizesTheViewAndKeepsTheCanvas)
{
    runOk(QStringLiteral("canvas 300 200\nwindow 240 130\n"));
    EXPECT_EQ(m_runner.drawView()->size(), QSize(240, 130));
    EXPECT_EQ(m_runner.drawView()->surface().width(), 300);
    // Points are measured from the view's lower-left corner: view y 30 is canvas y 30 while the
    // canvas origin sits there.
    runOk(stroke(20, 100, 30) + QStringLiteral("expect pixel 60 30 000000ff\n"));
    runOk(QStringLiteral("window 400 260\n"));
    EXPECT_EQ(m_runner.drawView()->size(), QSize(400, 260));
}

TEST_F(ReplayRunnerTest, ShiftDragZoomsInWholePercentAndTwoHundredPercentShowsSharpPixels)
{
    // An antialiased diagonal: many shades, which a smoothed drawing would blur across blocks.
    QString text = QStringLiteral("set bsize 9\nset clr 0.1 0.4 0.9\ncanvas 200 150\ndown 20 20\n");
    for (int i = 1; i <= 80; ++i)
        text += QStringLiteral("move %1 %2\n").arg(20 + 2 * i).arg(20 + 1.375 * i);
    text += QStringLiteral("up 180 130\n");
    runOk(text
        + QStringLiteral("down 100 75 shift\nmove 100 78 shift\nup 100 78 shift\n"
                         "expect zoom 101\nexpect status Zoom: 101%\n"
                         "action resetZoom\nexpect zoom 100\nexpect status View Reset\n"
                         "down 100 75 shift\nmove 100 74 shift\nup 100 74 shift\n"
                         "expect zoom 99\nexpect status Zoom: 99%\naction resetZoom\n"
                         "down 100 75 shift\nmove 100 375 shift\nup 100 375 shift\n"
                         "expect zoom 200\nexpect undo 1\ngrab zoomed.png\n"));

    const QImage grab(path(QStringLiteral("zoomed.png")));
    ASSERT_EQ(grab.size(), QSize(200, 150));
    const DrawView *view = m_runner.drawView();
    const QWidget *status = view->statusfield();
    const QRect statusBox = status->isVisible() ? status->geometry() : QRect();
    // Each grab pixel is exactly the canvas pixel under its centre: 2 x 2 blocks, no blending.
    int compared = 0;
    int blurred = 0;
    for (int wy = 0; wy < grab.height(); ++wy) {
        for (int wx = 0; wx < grab.width(); ++wx) {
            if (statusBox.contains(wx, wy))
                continue;
            const Point c
                = view->viewToCanvas(Point { wx + 0.5f, float(grab.height() - wy) - 0.5f });
            const int cx = int(std::floor(c.x)), cy = int(std::floor(c.y));
            if (cx < 0 || cy < 0 || cx >= 200 || cy >= 150)
                continue;
            ++compared;
            const QRgb expected = view->surface().pixel(cx, cy);
            if ((grab.pixel(wx, wy) & 0xFFFFFF) != (expected & 0xFFFFFF))
                ++blurred;
        }
    }
    EXPECT_GT(compared, 15000);
    EXPECT_EQ(blurred, 0);

    const ReplayResult wrong = m_runner.runText(QStringLiteral("expect zoom 199\n"
                                                               "expect status Zoom: 199%\n"));
    EXPECT_EQ(messages(wrong),
        "1: zoom: 200%, expected 199%\n2: status: 'Zoom: 200%', expected 'Zoom: 199%'");
}

TEST_F(ReplayRunnerTest, GrabShowsTheBlackSurroundAndTheMarquee)
{
    runOk(QStringLiteral("canvas 100 80\nwindow 160 120\n"
                         "keydown Control\ndown 20 10\nmove 60 50\nup 60 50\nkeyup Control\n"
                         "expect selection 20 10 40 40\ngrab marquee.png\n"));
    const QImage grab(path(QStringLiteral("marquee.png")));
    ASSERT_EQ(grab.size(), QSize(160, 120));
    // The canvas keeps its lower-left corner; the rest of the view is black (rows top down).
    EXPECT_EQ(grab.pixel(5, 115), qRgb(255, 255, 255));
    EXPECT_EQ(grab.pixel(95, 45), qRgb(255, 255, 255));
    EXPECT_EQ(grab.pixel(105, 115), qRgb(0, 0, 0));
    EXPECT_EQ(grab.pixel(5, 35), qRgb(0, 0, 0));
    // The dashed outline inverts the white canvas along the selection's left edge, x = 20.
    int dashes = 0;
    for (int row = 120 - 50; row < 120 - 10; ++row) {
        for (int x = 19; x <= 20; ++x)
            dashes += grab.pixel(x, row) == qRgb(0, 0, 0) ? 1 : 0;
    }
    EXPECT_GE(dashes, 12);
    EXPECT_LE(dashes, 28);
    EXPECT_EQ(canvas().pixel(20, 80 - 30), qRgb(255, 255, 255));
}

TEST_F(ReplayRunnerTest, CtrlDragSelectsAndDeleteErasesOnlyTheSelection)
{
    QImage red(80, 60, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(red.save(path(QStringLiteral("red.png"))));
    runOk(QStringLiteral("open red.png\n"
                         "keydown Control\ndown 10 10\nmove 25 20\nmove 40 30\nup 40 30\n"
                         "keyup Control\n"
                         "expect selection 10 10 30 20\nexpect undo 0\n"
                         "action delete\nexpect undo 1\n"
                         "expect pixel 10 10 ffffffff\nexpect pixel 39 29 ffffffff\n"
                         "expect pixel 9 10 ff0000ff\nexpect pixel 40 29 ff0000ff\n"
                         "expect pixel 10 30 ff0000ff\nexpect pixel 39 9 ff0000ff\n"));
    // Ctrl given on the pointer events alone selects too; the Delete key erases.
    runOk(QStringLiteral("down 50 40 ctrl\nmove 70 55 ctrl\nup 70 55 ctrl\n"
                         "expect selection 50 40 20 15\n"
                         "key Delete\nexpect undo 2\nexpect pixel 60 50 ffffffff\n"
                         "expect pixel 20 20 ffffffff\n"
                         "action undo\nexpect pixel 60 50 ff0000ff\n"));
    // Without Ctrl a drag paints again.
    runOk(QStringLiteral("action deselectAll\nexpect selection none\n") + stroke(5, 75, 50)
        + QStringLiteral("expect undo 2\nexpect pixel 40 50 000000ff\n"));

    const ReplayResult wrong = m_runner.runText(QStringLiteral("expect selection 1 2 3 4\n"
                                                               "action selectAll\n"
                                                               "expect selection none\n"));
    EXPECT_EQ(messages(wrong),
        "1: selection: none, expected 1 2 3 4\n3: selection: 0 0 80 60, expected none");
}

TEST_F(ReplayRunnerTest, SelectionAndClipboardCommandsWorkFromTheMenu)
{
    runOk(QStringLiteral("set bsize 6\ncanvas 100 80\n"
                         "action selectAll\nexpect selection 0 0 100 80\n"
                         "action deselectAll\nexpect selection none\n"
                         // Selection mode from the menu: a plain drag selects, and paints nothing.
                         "action toggleSelectionMode\n"
                         "down 10 10\nmove 30 30\nup 30 30\n"
                         "expect selection 10 10 20 20\nexpect undo 0\n"));
    EXPECT_TRUE(m_runner.window()->action(QStringLiteral("toggleSelectionMode"))->isChecked());
    runOk(QStringLiteral("action toggleSelectionMode\n") + stroke(12, 28, 20)
        + QStringLiteral("expect undo 1\nexpect pixel 20 20 000000ff\n"
                         "action cut\nexpect undo 2\nexpect pixel 20 20 ffffffff\n"
                         "clipboard save cut.png\n"));
    const QImage cut(path(QStringLiteral("cut.png")));
    ASSERT_EQ(cut.size(), QSize(20, 20));
    EXPECT_EQ(cut.pixel(10, 10), qRgb(0, 0, 0));

    // Pasted in the middle of the view; Copy waits while it floats; Return commits it.
    runOk(QStringLiteral("action paste\nexpect paste yes\nexpect selection 40 30 20 20\n"
                         "expect status Press enter to commit\n"
                         "clipboard clear\naction copy\n"
                         "key Return\nexpect paste no\nexpect undo 3\nexpect selection none\n"
                         "expect pixel 50 40 000000ff\n"
                         "action paste\nexpect paste no\nexpect status Nothing to paste\n"));
}

TEST_F(ReplayRunnerTest, CopyOfASelectionStickingOutOfTheCanvasIsClipped)
{
    runOk(QStringLiteral("set bsize 10\ncanvas 100 80\nwindow 160 120\n") + stroke(60, 98, 70)
        + QStringLiteral("keydown Control\ndown 70 50\nmove 130 100\nup 130 100\n"
                         "keyup Control\nexpect selection 70 50 60 50\n"
                         "action copy\nclipboard save copied.png\n"));
    const QImage copied(path(QStringLiteral("copied.png")));
    // Canvas x 70..99 and y 50..79 (y up) are storage rows 0..29.
    EXPECT_TRUE(test::imagesEqual(copied.convertToFormat(QImage::Format_ARGB32_Premultiplied),
        canvas().copy(70, 0, 30, 30), QStringLiteral("replay-copy-clipped")));
}

TEST_F(ReplayRunnerTest, PasteFloatsInTheViewCentreUntilReturnCommitsIt)
{
    QImage stamp(100, 50, QImage::Format_RGB32);
    stamp.fill(qRgb(0, 160, 0));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 30; ++x)
            stamp.setPixel(x, y, qRgb(200, 0, 120));
    ASSERT_TRUE(stamp.save(path(QStringLiteral("stamp.png"))));

    runOk(QStringLiteral("canvas 640 480\nwindow 800 600\n"
                         "clipboard load stamp.png\naction paste\n"
                         "expect paste yes\nexpect selection 350 275 100 50\n"
                         "expect status Press enter to commit\n"
                         "expect undo 0\nexpect pixel 400 300 ffffffff\n"
                         "key Return\n"
                         "expect paste no\nexpect undo 1\nexpect selection none\n"));
    // Canvas y 275..324 (y up) are storage rows 480 - 325 = 155 .. 204.
    EXPECT_TRUE(test::imagesEqual(canvas().copy(350, 155, 100, 50),
        stamp.convertToFormat(QImage::Format_ARGB32_Premultiplied),
        QStringLiteral("replay-paste-commit")));
    EXPECT_EQ(canvas().pixel(349, 180), qRgb(255, 255, 255));
    EXPECT_EQ(canvas().pixel(450, 180), qRgb(255, 255, 255));
}

TEST_F(ReplayRunnerTest, RefusedDropsAndPastesSayWhyAndChangeNothing)
{
    const QString pipe = path(QStringLiteral("pipe.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(pipe, path(QStringLiteral("link.png"))));
    // Should the drop wait on the pipe, it is released after a few seconds: the test then fails
    // instead of hanging.
    std::atomic<bool> done { false }, released { false };
    std::thread guard([&] {
        for (int i = 0; i < 50 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const int fd
            = done ? -1 : ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
        released = fd >= 0;
        if (fd >= 0)
            ::close(fd);
    });
    const QString notRegular
        = QStringLiteral("it is not a regular file (a pipe, a device or a socket)");
    runOk(QStringLiteral("canvas 200 100\n"
                         "drop pipe.png 50 50\nexpect status Cannot drop “pipe.png”: %1\n"
                         "drop link.png 50 50\nexpect status Cannot drop “link.png”: %1\n"
                         "drop /dev/zero 50 50\nexpect status Cannot drop “zero”: %1\n"
                         "expect paste no\nexpect undo 0\n")
              .arg(notRegular));
    done = true;
    guard.join();
    EXPECT_FALSE(released);

    // 50000 x 50000 pixels in 69 bytes: refused from its header, as Open refuses it, as a file
    // or as data.
    const QString hugeFile = QStringLiteral(PENNOVA_TEST_DATA "/images/bad/huge.png");
    ASSERT_TRUE(QFile::copy(hugeFile, path(QStringLiteral("huge.png"))));
    const QString tooLarge = QStringLiteral("the file is damaged: it claims a picture of 50000 × "
                                            "50000 pixels, but most of its data is missing");
    runOk(QStringLiteral("drop huge.png 50 50\nexpect paste no\n"
                         "expect status Cannot drop “huge.png”: %1\n")
              .arg(tooLarge));
    QFile huge(hugeFile);
    ASSERT_TRUE(huge.open(QIODevice::ReadOnly));
    auto *mime = new QMimeData;
    mime->setData(QStringLiteral("image/png"), huge.readAll());
    QGuiApplication::clipboard()->setMimeData(mime);
    runOk(QStringLiteral("action paste\nexpect paste no\nexpect status Cannot paste: %1\n"
                         "clipboard clear\naction paste\nexpect status Nothing to paste\n")
              .arg(tooLarge));
    EXPECT_EQ(canvas().pixel(50, 50), qRgb(255, 255, 255));
}

TEST_F(ReplayRunnerTest, DroppedPhotographFloatsUpright)
{
    // 40 x 20 with a blue left quarter, tagged to be shown a quarter turn clockwise.
    QImage photo(40, 20, QImage::Format_RGB32);
    photo.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x)
            photo.setPixel(x, y, qRgb(0, 0, 255));
    QFile file(path(QStringLiteral("turned.jpg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpegWithOrientation(photo, 6));
    file.close();
    // Upright it is 20 x 40, the blue quarter on top (canvas y 110..119, y up).
    runOk(QStringLiteral("canvas 200 200\ndrop turned.jpg 100 100\n"
                         "expect paste yes\nexpect selection 90 80 20 40\nkey Return\n"
                         "expect pixel 100 115 0000ff 40\nexpect pixel 100 90 ff0000 40\n"));
}

// Writes stopped by a file size limit: the run stops with the cause, and the file that was there
// stays.
TEST_F(ReplayRunnerTest, WritesThatHitAFileSizeLimitStopTheRunAndKeepTheOldFile)
{
    runOk(QStringLiteral("canvas 300 200\n") + stroke(20, 280, 100));
    const QByteArray old("an older file");
    // The PNG of the canvas, the view and the clipboard share one writer; save has its own.
    for (const QString &command :
        { QStringLiteral("png out.png"), QStringLiteral("save out.jpg") }) {
        SCOPED_TRACE(command.toStdString());
        const QString file = path(command.section(QLatin1Char(' '), -1));
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        ReplayResult result;
        {
            const test::FileSizeLimit small(100);
            result = m_runner.runText(command + QLatin1Char('\n'));
        }
        EXPECT_EQ(result.exitCode(), 2);
        EXPECT_NE(messages(result).find("larger than this system allows"), std::string::npos)
            << messages(result);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll() == old);
    }
}

namespace {

struct ProgramCase
{
    const char *script;
    int exitCode;
    const char *stderrPart; // the script file is named "case.txt"
};

void PrintTo(const ProgramCase &c, std::ostream *out)
{
    *out << "exit " << c.exitCode << ' ' << c.stderrPart;
}

class ReplayProgramTest : public ::testing::TestWithParam<ProgramCase>
{
};

} // namespace

TEST_P(ReplayProgramTest, ExitStatusAndMessagesNameTheLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("case.txt"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().script);
    }
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(PENNOVA_REPLAY_PROGRAM), { QStringLiteral("case.txt") });
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), GetParam().exitCode);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(errors.contains(QString::fromUtf8(GetParam().stderrPart))) << qPrintable(errors);
    // Nothing runs before the whole script is read: a bad line stops even the first png.
    EXPECT_EQ(QFile::exists(dir.filePath(QStringLiteral("out.png"))), GetParam().exitCode != 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplayProgramTest,
    ::testing::Values(ProgramCase { "canvas 40 30\npng out.png\nmove 1 2 0.5 shift x\n", 2,
                          "case.txt:3: unexpected argument 'x'" },
        ProgramCase {
            "canvas 40 30\npng out.png\npaint 1 2\n", 2, "case.txt:3: unknown command 'paint'" },
        ProgramCase { "canvas 40 30\npng out.png\nexpect pixel 0 0 000000ff\n", 1,
            "case.txt:3: pixel (0, 0) is ffffffff, expected 000000ff" },
        ProgramCase { "canvas 40 30\ndown 5 15\nmove 35 15\nup 35 15\npng out.png\n"
                      "expect undo 1\n",
            0, "" }));

struct SampleCase
{
    const char *script; // in tests/data/replay
    const char *written; // a PNG file it writes beside itself
    const char *sameAs; // another file it writes that must be identical, or null
};

void PrintTo(const SampleCase &c, std::ostream *out)
{
    *out << c.script;
}

class ReplayProgramSampleTest : public ::testing::TestWithParam<SampleCase>
{
};

// Each sample runs from a copy in a temporary folder, where its files land.
TEST_P(ReplayProgramSampleTest, ShippedSampleScriptPasses)
{
    QTemporaryDir dir;
    const QString sample = QStringLiteral(PENNOVA_TEST_DATA "/replay/") + GetParam().script;
    ASSERT_TRUE(QFile::copy(sample, dir.filePath(QStringLiteral("sample.txt"))));
    QProcess process;
    process.start(
        QStringLiteral(PENNOVA_REPLAY_PROGRAM), { dir.filePath(QStringLiteral("sample.txt")) });
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    const QImage written(dir.filePath(QString::fromLatin1(GetParam().written)));
    ASSERT_FALSE(written.isNull());
    if (GetParam().sameAs) {
        EXPECT_TRUE(
            test::imagesEqual(written, QImage(dir.filePath(QString::fromLatin1(GetParam().sameAs))),
                QStringLiteral("replay-sample-") + QString::fromLatin1(GetParam().written)));
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, ReplayProgramSampleTest,
    ::testing::Values(SampleCase { "undo_roundtrip.txt", "undone.png", "before.png" },
        SampleCase { "paste_and_drop.txt", "floating.png", nullptr },
        SampleCase { "color_picker.txt", "painted.png", nullptr }));

// The replayed keyboard seen from Qt: the record of held modifiers, the active window, and time.
class ReplayKeyboardTest : public test::ReplayFixture
{
protected:
    float brushSize() const { return m_defaults.floatForKey(QStringLiteral("bsize")); }
    void TearDown() override
    {
        // The key reference outlives document windows; the next test starts without one.
        delete KeyReferenceWindow::instance();
    }
};

TEST_F(ReplayKeyboardTest, ModifiersComeUpAgainAfterTheCommandThatNamedThem)
{
    runOk(QStringLiteral("set bsize 10\ncanvas 100 100\nkey E shift\n"));
    EXPECT_EQ(QGuiApplication::keyboardModifiers(), Qt::NoModifier);
    runOk(QStringLiteral("down 10 10 ctrl,alt\nup 10 10\n"));
    EXPECT_EQ(QGuiApplication::keyboardModifiers(), Qt::NoModifier);

    // A held Shift is what a menu command finds held, until its release.
    runOk(QStringLiteral("keydown Shift\n"));
    EXPECT_EQ(QGuiApplication::keyboardModifiers(), Qt::ShiftModifier);
    runOk(QStringLiteral("key Z ctrl\n")); // Ctrl comes up again, Shift stays
    EXPECT_EQ(QGuiApplication::keyboardModifiers(), Qt::ShiftModifier);
    runOk(QStringLiteral("action increaseBrush\n"));
    EXPECT_EQ(brushSize(), 15.0f);
    runOk(QStringLiteral("keyup Shift\naction increaseBrush\n"));
    EXPECT_EQ(QGuiApplication::keyboardModifiers(), Qt::NoModifier);
    EXPECT_EQ(brushSize(), 16.0f);
    EXPECT_EQ(m_runner.heldModifiers(), Qt::NoModifier);
}

TEST_F(ReplayKeyboardTest, BrushStepsReadWhatIsHeldWhenTheyRun)
{
    // Shift+E unseals; the next step from the menu finds nothing held and steps by one.
    runOk(QStringLiteral("set bsize 20\ncanvas 100 100\nkey E shift\naction increaseBrush\n"));
    EXPECT_EQ(brushSize(), 21.0f);
    runOk(QStringLiteral("key A ctrl,shift\naction decreaseBrush\n"));
    EXPECT_EQ(brushSize(), 20.0f);
    runOk(QStringLiteral("keydown Alt\naction decreaseBrush\nkeyup Alt\n"
                         "key BracketRight shift\n"));
    EXPECT_EQ(brushSize(), 23.0f);
}

TEST_F(ReplayKeyboardTest, KeysReachTheDocumentAfterAnotherWindowCameToTheFront)
{
    runOk(QStringLiteral("canvas 120 80\n") + stroke(10, 110, 40)
        + QStringLiteral("action keyReference\n"));
    ASSERT_NE(KeyReferenceWindow::instance(), nullptr);
    EXPECT_FALSE(m_runner.window()->isActiveWindow());
    runOk(QStringLiteral("key Z ctrl\nexpect undo 0\n"));
    EXPECT_TRUE(m_runner.window()->isActiveWindow());

    // A press into the window makes it the active one as well.
    runOk(QStringLiteral("action keyReference\n"));
    EXPECT_FALSE(m_runner.window()->isActiveWindow());
    runOk(stroke(10, 110, 40) + QStringLiteral("expect undo 1\n"));
    EXPECT_TRUE(m_runner.window()->isActiveWindow());
}

TEST_F(ReplayKeyboardTest, WaitLetsTheStatusFadeRun)
{
    runOk(QStringLiteral("canvas 200 100\nkey E\n"));
    const MyTextField *status = m_runner.drawView()->statusfield();
    EXPECT_TRUE(status->isVisible());
    runOk(QStringLiteral("wait 400\n"));
    EXPECT_TRUE(status->isVisible());
    EXPECT_LT(status->opacity(), 0.8);
    runOk(QStringLiteral("wait 900\n"));
    EXPECT_FALSE(status->isVisible());
}
