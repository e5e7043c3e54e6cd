// Replay commands of the colour picker: the strip shown and hidden, picks in it, screen pictures
// and screen picks, and the colour expectation.

#include "replay/replayscript.h"
#include "replayfixture.h"

#include <gtest/gtest.h>

using namespace pennova;
using namespace pennova::replay;

namespace {

using test::messages;
using test::stroke;

class ReplayPickerTest : public test::ReplayFixture
{
};

std::string parseError(const char *text)
{
    QString error;
    EXPECT_FALSE(ReplayScript::parse(QString::fromUtf8(text), &error).has_value());
    return error.toStdString();
}

} // namespace

TEST(ReplayPickerScriptTest, ParsesStripScreenAndColorCommands)
{
    QString error;
    const std::optional<ReplayScript> script = ReplayScript::parse(
        QStringLiteral("screen color 336699\ncanvas 9 9\npicker show\npicker down 1.5 -2\n"
                       "screen image \"a b.png\"\nscreenpick 3 4\nscreenpick cancel\n"
                       "expect color 00ff80 2\nexpect picker hidden\n"),
        &error);
    ASSERT_TRUE(script.has_value()) << qPrintable(error);
    const auto &lines = script->lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(std::get<ScreenCommand>(lines[0].command).color & 0xFFFFFFu, 0x336699u);
    EXPECT_EQ(std::get<PickerCommand>(lines[2].command).operation, PickerCommand::Operation::Show);
    const auto &down = std::get<PickerCommand>(lines[3].command);
    EXPECT_EQ(down.operation, PickerCommand::Operation::Down);
    EXPECT_EQ(down.stripX, 1.5);
    EXPECT_EQ(down.stripY, -2.0);
    EXPECT_EQ(std::get<ScreenCommand>(lines[4].command).path, QStringLiteral("a b.png"));
    EXPECT_EQ(std::get<ScreenPickCommand>(lines[5].command).screenY, 4);
    EXPECT_TRUE(std::get<ScreenPickCommand>(lines[6].command).cancel);
    EXPECT_EQ(std::get<ExpectColorCommand>(lines[7].command).tolerance, 2);
    EXPECT_FALSE(std::get<ExpectPickerCommand>(lines[8].command).shown);
    EXPECT_TRUE(isExpectation(lines[7].command) && isExpectation(lines[8].command));

    EXPECT_EQ(parseError("canvas 9 9\npicker open\n"),
        "2: unknown picker command 'open' (show, hide, down, move or up)");
    EXPECT_EQ(parseError("canvas 9 9\npicker down 1\n"),
        "2: missing argument (usage: picker show|hide | picker down|move|up X Y)");
    EXPECT_EQ(parseError("canvas 9 9\npicker show 1\n"),
        "2: unexpected argument '1' (usage: picker show|hide | picker down|move|up X Y)");
    EXPECT_EQ(parseError("screen color 33669\n"), "1: colour '33669' is not RRGGBB in hexadecimal");
    EXPECT_EQ(
        parseError("screen video a.mp4\n"), "1: unknown screen source 'video' (image or color)");
    EXPECT_EQ(parseError("canvas 9 9\nscreenpick -1 2\n"),
        "2: x '-1' is not an integer in 0..2147483647");
    EXPECT_EQ(parseError("screenpick cancel\n"),
        "1: 'screenpick' needs a document: start with 'canvas W H' or 'open FILE'");
    EXPECT_EQ(parseError("canvas 9 9\nexpect color 00ff0080\n"),
        "2: colour '00ff0080' is not RRGGBB in hexadecimal");
    EXPECT_EQ(parseError("canvas 9 9\nexpect picker up\n"), "2: 'up' is not shown or hidden");
}

TEST_F(ReplayPickerTest, StripPicksTheColourTheCanvasPaints)
{
    runOk(QStringLiteral("set bsize 8\ncanvas 448 200\n"
                         "expect picker hidden\n"
                         "picker show\n"
                         "expect picker shown\n"
                         "picker down 448 8\npicker up 448 8\n" // brightness 1
                         "picker down 448 24\npicker up 448 24\n" // saturation 1
                         "picker down 48 40\n" // hue 0: red
                         "expect color ff0000\n"
                         "picker move 248 8\npicker up 248 8\n" // still the hue: 0.5
                         "expect color 00ffff\n")
        + stroke(20, 200, 60)
        + QStringLiteral("expect pixel 100 60 00ffffff\n"
                         "picker hide\n"
                         "expect picker hidden\n"));
    EXPECT_EQ(m_runner.drawView()->height(), 200);
}

TEST_F(ReplayPickerTest, ScreenPicksTakeAPixelOrChangeNothing)
{
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.setPixel(3, 2, qRgb(255, 0, 0));
    ASSERT_TRUE(picture.save(path(QStringLiteral("screen.png"))));
    runOk(QStringLiteral("screen color 336699\ncanvas 100 100\n"
                         "action magnify\nscreenpick 5 5\nexpect color 336699\n"
                         "screen image screen.png\n"
                         "action magnify\nscreenpick 3 2\nexpect color ff0000\n"
                         "key P\nscreenpick cancel\nexpect color ff0000\n"));

    const ReplayResult failed = m_runner.runText(QStringLiteral("expect color fe0000\n"
                                                                "expect color f00000 8\n"));
    EXPECT_EQ(failed.exitCode(), 1);
    EXPECT_EQ(messages(failed),
        "1: color: ff0000, expected fe0000\n2: color: ff0000, expected f00000 within 8");
}

TEST_F(ReplayPickerTest, CommandsThatCannotBeCarriedOutStopTheRun)
{
    runOk(QStringLiteral("canvas 100 100\n"));
    EXPECT_EQ(runError(QStringLiteral("picker down 10 10\n")),
        "1: the color picker is hidden (show it with 'picker show')");
    EXPECT_EQ(runError(QStringLiteral("screenpick 1 1\n")),
        "1: no screen pick is in progress (start one with 'action magnify')");
    EXPECT_EQ(
        runError(QStringLiteral("screen image missing.png\n")).rfind("1: cannot use '", 0), 0u);
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(path(QStringLiteral("small.png"))));
    EXPECT_EQ(runError(QStringLiteral("screen image small.png\naction magnify\nscreenpick 20 3\n")),
        "3: (20, 3) is outside the screen picture");
    runOk(QStringLiteral("screenpick cancel\n"));
}
