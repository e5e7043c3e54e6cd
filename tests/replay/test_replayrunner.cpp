#include "app/defaults.h"
#include "app/documentwindow.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "replay/replayrunner.h"
#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// A stroke along y = viewY from x0 to x1, one sample every 2 pixels (slow enough for the full
// width), with pressure when given (a tablet stroke), else with the mouse.
QString stroke(int x0, int x1, int viewY, const QString &pressure = QString())
{
    const QString p = pressure.isEmpty() ? QString() : QLatin1Char(' ') + pressure;
    QString text = QStringLiteral("down %1 %2%3\n").arg(x0).arg(viewY).arg(p);
    for (int x = x0 + 2; x <= x1; x += 2)
        text += QStringLiteral("move %1 %2%3\n").arg(x).arg(viewY).arg(p);
    return text + QStringLiteral("up %1 %2\n").arg(x1).arg(viewY);
}

std::string messages(const ReplayResult &result)
{
    return result.messages.join(QLatin1Char('\n')).toStdString();
}

class ReplayRunnerTest : public ::testing::Test
{
protected:
    ReplayRunnerTest()
        : m_defaults(m_dir.filePath(QStringLiteral("replay.conf")))
        , m_runner(m_defaults, m_dir.path())
    { }

    // Runs a script that must pass.
    void runOk(const QString &text)
    {
        const ReplayResult result = m_runner.runText(text);
        EXPECT_EQ(result.exitCode(), 0) << messages(result);
    }

    QImage canvas() const { return m_runner.drawView()->surface().image().copy(); }

    // How many pixels of column x, between canvas rows y0 and y1, are darker than mid grey.
    int darkPixelsInColumn(int x, int y0, int y1) const
    {
        int count = 0;
        for (int y = y0; y <= y1; ++y)
            count += qGray(m_runner.drawView()->surface().pixel(x, y)) < 128 ? 1 : 0;
        return count;
    }

    QTemporaryDir m_dir;
    Defaults m_defaults;
    ReplayRunner m_runner;
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

TEST(ReplayProgramSampleTest, ShippedSampleScriptPasses)
{
    QTemporaryDir dir;
    const QString sample = QStringLiteral(PENNOVA_TEST_DATA "/replay/undo_roundtrip.txt");
    ASSERT_TRUE(QFile::copy(sample, dir.filePath(QStringLiteral("sample.txt"))));
    QProcess process;
    process.start(
        QStringLiteral(PENNOVA_REPLAY_PROGRAM), { dir.filePath(QStringLiteral("sample.txt")) });
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    // Its png files land beside the script.
    const QImage before(dir.filePath(QStringLiteral("before.png")));
    const QImage undone(dir.filePath(QStringLiteral("undone.png")));
    ASSERT_FALSE(before.isNull());
    EXPECT_TRUE(test::imagesEqual(undone, before, QStringLiteral("replay-sample-undone")));
}
