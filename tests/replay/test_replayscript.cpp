#include "replay/replayscript.h"
#include "settings/colorarchive.h"

#include <gtest/gtest.h>

using namespace pennova;
using namespace pennova::replay;

namespace {

ReplayScript parseOk(const QString &text)
{
    QString error;
    const std::optional<ReplayScript> script = ReplayScript::parse(text, &error);
    EXPECT_TRUE(script.has_value()) << qPrintable(error);
    return script.value_or(ReplayScript {});
}

template <typename T> const T &commandAt(const ReplayScript &script, size_t index)
{
    static const T empty {};
    if (index >= script.lines().size()) {
        ADD_FAILURE() << "no command " << index;
        return empty;
    }
    const T *command = std::get_if<T>(&script.lines()[index].command);
    if (!command) {
        ADD_FAILURE() << "command " << index << " has another type";
        return empty;
    }
    return *command;
}

} // namespace

TEST(ReplayScriptTest, ParsesEveryCommandWithItsLineNumber)
{
    const ReplayScript script = parseOk(QStringLiteral("# a comment line\n"
                                                       "set bsize 12.5\n"
                                                       "canvas 320 240   # trailing comment\n"
                                                       "\n"
                                                       "window 200 100\n"
                                                       "proximity eraser\n"
                                                       "down 10 20.5 0.25 shift,ctrl\n"
                                                       "move -3 4 alt\n"
                                                       "up 5 6 meta\n"
                                                       "key BracketLeft\n"
                                                       "keydown Z ctrl\n"
                                                       "keyup Space\n"
                                                       "action undo\n"
                                                       "png \"out dir/a #1.png\"\n"
                                                       "expect pixel 3 4 11223344 2\n"
                                                       "expect undo 7\r\n"
                                                       "expect redo 0\n"));
    ASSERT_EQ(script.lines().size(), 15u);
    const std::vector<int> lineNumbers { 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17 };
    for (size_t i = 0; i < lineNumbers.size(); ++i)
        EXPECT_EQ(script.lines()[i].line, lineNumbers[i]);

    EXPECT_EQ(commandAt<SetCommand>(script, 0).value, QVariant(12.5f));
    EXPECT_EQ(commandAt<CanvasCommand>(script, 1).width, 320);
    EXPECT_EQ(commandAt<CanvasCommand>(script, 1).height, 240);
    EXPECT_EQ(commandAt<WindowCommand>(script, 2).height, 100);
    EXPECT_EQ(commandAt<ProximityCommand>(script, 3).device, Device::Eraser);

    const auto &down = commandAt<PointerCommand>(script, 4);
    EXPECT_EQ(down.phase, PointerCommand::Phase::Down);
    EXPECT_EQ(down.viewY, 20.5);
    EXPECT_EQ(down.pressure, 0.25f);
    EXPECT_EQ(down.modifiers, Qt::ShiftModifier | Qt::ControlModifier);
    const auto &move = commandAt<PointerCommand>(script, 5);
    EXPECT_EQ(move.viewX, -3.0);
    EXPECT_FALSE(move.pressure.has_value());
    EXPECT_EQ(move.modifiers, Qt::AltModifier);
    EXPECT_EQ(commandAt<PointerCommand>(script, 6).phase, PointerCommand::Phase::Up);
    EXPECT_EQ(commandAt<PointerCommand>(script, 6).modifiers, Qt::MetaModifier);

    EXPECT_EQ(commandAt<KeyCommand>(script, 7).key, Qt::Key_BracketLeft);
    EXPECT_EQ(commandAt<KeyCommand>(script, 7).phase, KeyCommand::Phase::Click);
    EXPECT_EQ(commandAt<KeyCommand>(script, 8).phase, KeyCommand::Phase::Press);
    EXPECT_EQ(commandAt<KeyCommand>(script, 8).modifiers, Qt::ControlModifier);
    EXPECT_EQ(commandAt<KeyCommand>(script, 9).key, Qt::Key_Space);
    EXPECT_EQ(commandAt<KeyCommand>(script, 9).phase, KeyCommand::Phase::Release);
    EXPECT_EQ(commandAt<ActionCommand>(script, 10).name, QStringLiteral("undo"));
    EXPECT_EQ(commandAt<PngCommand>(script, 11).path, QStringLiteral("out dir/a #1.png"));

    const auto &pixel = commandAt<ExpectPixelCommand>(script, 12);
    EXPECT_EQ(pixel.canvasX, 3);
    EXPECT_EQ(pixel.canvasY, 4);
    EXPECT_EQ(pixel.straightColor, qRgba(0x11, 0x22, 0x33, 0x44));
    EXPECT_EQ(pixel.tolerance, 2);
    EXPECT_FALSE(commandAt<ExpectStepsCommand>(script, 13).redo);
    EXPECT_EQ(commandAt<ExpectStepsCommand>(script, 13).steps, 7);
    EXPECT_TRUE(commandAt<ExpectStepsCommand>(script, 14).redo);
}

TEST(ReplayScriptTest, SettingValuesKeepTheirType)
{
    const ReplayScript script = parseOk(QStringLiteral("set UndoLevels 3\n"
                                                       "set ink true\n"
                                                       "set estren 1e2\n"
                                                       "set DonateMessage \"say \\\"hi\\\"\"\n"
                                                       "set clr 1 0.5 0\n"
                                                       "set clr 0 0 1 0.25\n"));
    EXPECT_EQ(commandAt<SetCommand>(script, 0).value.typeId(), QMetaType::Int);
    EXPECT_EQ(commandAt<SetCommand>(script, 0).value.toInt(), 3);
    EXPECT_EQ(commandAt<SetCommand>(script, 1).value, QVariant(true));
    EXPECT_EQ(commandAt<SetCommand>(script, 2).value, QVariant(100.0f));
    EXPECT_EQ(commandAt<SetCommand>(script, 3).value, QVariant(QStringLiteral("say \"hi\"")));
    EXPECT_EQ(ColorArchive::decode(commandAt<SetCommand>(script, 4).value.toByteArray()),
        (RgbaColor { 1.0f, 0.5f, 0.0f, 1.0f }));
    EXPECT_EQ(ColorArchive::decode(commandAt<SetCommand>(script, 5).value.toByteArray()),
        (RgbaColor { 0.0f, 0.0f, 1.0f, 0.25f }));
}

TEST(ReplayScriptTest, PointerOptionsAreToldApartByForm)
{
    // A word is a modifier list, a number a pressure; pressure must come first.
    const ReplayScript script = parseOk(QStringLiteral("canvas 10 10\n"
                                                       "down 1 2 shift\n"
                                                       "move 1 2 0\n"
                                                       "move 1 2 1 CTRL,Meta\n"));
    EXPECT_FALSE(commandAt<PointerCommand>(script, 1).pressure.has_value());
    EXPECT_EQ(commandAt<PointerCommand>(script, 1).modifiers, Qt::ShiftModifier);
    EXPECT_EQ(commandAt<PointerCommand>(script, 2).pressure, 0.0f);
    EXPECT_EQ(
        commandAt<PointerCommand>(script, 3).modifiers, Qt::ControlModifier | Qt::MetaModifier);
}

TEST(ReplayScriptTest, ButtonsWheelScrollAndPinch)
{
    const ReplayScript script = parseOk(QStringLiteral("canvas 10 10\n"
                                                       "down 1 2 middle\n"
                                                       "down 1 2 0.5 lower shift\n"
                                                       "down 1 2 upper\n"
                                                       "wheel 3 4 0 -1.5 ctrl\n"
                                                       "scroll 3 4 -7 12\n"
                                                       "pinch 5 6 -0.25\n"));
    using Button = PointerCommand::Button;
    EXPECT_EQ(commandAt<PointerCommand>(script, 1).button, Button::Middle);
    EXPECT_FALSE(commandAt<PointerCommand>(script, 1).pressure.has_value());
    EXPECT_EQ(commandAt<PointerCommand>(script, 2).button, Button::PenLower);
    EXPECT_EQ(commandAt<PointerCommand>(script, 2).pressure, 0.5f);
    EXPECT_EQ(commandAt<PointerCommand>(script, 2).modifiers, Qt::ShiftModifier);
    EXPECT_EQ(commandAt<PointerCommand>(script, 3).button, Button::PenUpper);
    const auto &wheel = commandAt<WheelCommand>(script, 4);
    EXPECT_FALSE(wheel.pixels);
    EXPECT_EQ(wheel.dy, -1.5);
    EXPECT_EQ(wheel.modifiers, Qt::ControlModifier);
    EXPECT_TRUE(commandAt<WheelCommand>(script, 5).pixels);
    EXPECT_EQ(commandAt<WheelCommand>(script, 5).dx, -7.0);
    EXPECT_EQ(commandAt<PinchCommand>(script, 6).scale, -0.25);
}

TEST(ReplayScriptTest, KeyNamesFollowQtWithoutThePrefix)
{
    EXPECT_EQ(keyFromName(QStringLiteral("Z")), Qt::Key_Z);
    EXPECT_EQ(keyFromName(QStringLiteral("z")), Qt::Key_Z);
    EXPECT_EQ(keyFromName(QStringLiteral("space")), Qt::Key_Space);
    EXPECT_EQ(keyFromName(QStringLiteral("BracketRight")), Qt::Key_BracketRight);
    EXPECT_EQ(keyFromName(QStringLiteral("F12")), Qt::Key_F12);
    EXPECT_EQ(keyFromName(QStringLiteral("Return")), Qt::Key_Return);
    EXPECT_FALSE(keyFromName(QStringLiteral("Key_Z")).has_value());
    EXPECT_FALSE(keyFromName(QString()).has_value());
    EXPECT_FALSE(keyFromName(QStringLiteral("NoSuchKey")).has_value());
}

TEST(ReplayScriptTest, ParsesFileClipboardAndViewCommands)
{
    // `open` starts a document as `canvas` does; the clipboard needs none.
    const ReplayScript script = parseOk(QStringLiteral("clipboard load \"in dir/a.png\"\n"
                                                       "open pictures/b.png\n"
                                                       "save out.JPEG\n"
                                                       "grab view.png\n"
                                                       "clipboard save c.png\n"
                                                       "clipboard clear\n"
                                                       "drop d.png 12.5 -3\n"
                                                       "expect selection -5 10 20 0\n"
                                                       "expect selection none\n"
                                                       "expect paste yes\n"
                                                       "expect zoom 101\n"
                                                       "expect status Zoom:   101%  # note\n"
                                                       "expect status \"a  #b\"\n"
                                                       "expect size 640 480\n"));
    ASSERT_EQ(script.lines().size(), 14u);
    using Operation = ClipboardCommand::Operation;
    EXPECT_EQ(commandAt<ClipboardCommand>(script, 0).operation, Operation::Load);
    EXPECT_EQ(commandAt<ClipboardCommand>(script, 0).path, QStringLiteral("in dir/a.png"));
    EXPECT_EQ(commandAt<OpenCommand>(script, 1).path, QStringLiteral("pictures/b.png"));
    EXPECT_EQ(commandAt<SaveCommand>(script, 2).path, QStringLiteral("out.JPEG"));
    EXPECT_EQ(commandAt<GrabCommand>(script, 3).path, QStringLiteral("view.png"));
    EXPECT_EQ(commandAt<ClipboardCommand>(script, 4).operation, Operation::Save);
    EXPECT_EQ(commandAt<ClipboardCommand>(script, 5).operation, Operation::Clear);
    EXPECT_TRUE(commandAt<ClipboardCommand>(script, 5).path.isEmpty());

    const auto &drop = commandAt<DropCommand>(script, 6);
    EXPECT_EQ(drop.path, QStringLiteral("d.png"));
    EXPECT_EQ(drop.viewX, 12.5);
    EXPECT_EQ(drop.viewY, -3.0);
    EXPECT_EQ(commandAt<ExpectSelectionCommand>(script, 7).canvasRect, QRect(-5, 10, 20, 0));
    EXPECT_FALSE(commandAt<ExpectSelectionCommand>(script, 8).canvasRect.has_value());
    EXPECT_TRUE(commandAt<ExpectPasteCommand>(script, 9).floating);
    EXPECT_EQ(commandAt<ExpectZoomCommand>(script, 10).percent, 101);
    // The words of the rest of the line, joined by single spaces; quotes keep theirs.
    EXPECT_EQ(commandAt<ExpectStatusCommand>(script, 11).text, QStringLiteral("Zoom: 101%"));
    EXPECT_EQ(commandAt<ExpectStatusCommand>(script, 12).text, QStringLiteral("a  #b"));
    EXPECT_EQ(commandAt<ExpectSizeCommand>(script, 13).width, 640);
    EXPECT_EQ(commandAt<ExpectSizeCommand>(script, 13).height, 480);

    int expectations = 0;
    for (const ScriptLine &line : script.lines())
        expectations += isExpectation(line.command) ? 1 : 0;
    EXPECT_EQ(expectations, 7);
}

struct BadScript
{
    const char *text;
    const char *error; // the whole "LINE: message", or its start when it ends in "..."
};

// Names a case in test listings by the message it expects.
void PrintTo(const BadScript &bad, std::ostream *out)
{
    *out << bad.error;
}

class ReplayScriptErrorTest : public ::testing::TestWithParam<BadScript>
{
};

TEST_P(ReplayScriptErrorTest, ReportsTheLineAndWhatIsWrong)
{
    QString error;
    const std::optional<ReplayScript> script
        = ReplayScript::parse(QString::fromUtf8(GetParam().text), &error);
    EXPECT_FALSE(script.has_value());
    const QString expected = QString::fromUtf8(GetParam().error);
    if (expected.endsWith(QLatin1String("...")))
        EXPECT_TRUE(error.startsWith(expected.chopped(3))) << qPrintable(error);
    else
        EXPECT_EQ(error.toStdString(), expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Table, ReplayScriptErrorTest,
    ::testing::Values(BadScript { "canvas 10 10\n\n# note\nfoo 1 2\n", "4: unknown command 'foo'" },
        BadScript { "canvas 10 10\n\"down\" 1 2\n", "2: unknown command 'down'" },
        BadScript { "canvas 10\n", "1: missing argument (usage: canvas W H)" },
        BadScript { "canvas 10 10 10\n", "1: unexpected argument '10' (usage: canvas W H)" },
        BadScript { "canvas 10 ten\n", "1: height 'ten' is not an integer..." },
        BadScript { "canvas 0 10\n", "1: width '0' is not an integer in 1..." },
        BadScript { "canvas 10 10\ndown 1 y\n", "2: y 'y' is not a number" },
        BadScript { "canvas 10 10\ndown 1 nan\n", "2: y 'nan' is not a number" },
        BadScript { "canvas 10 10\nmove 1 2 1.5\n", "2: pressure '1.5' is not in 0..1" },
        BadScript { "canvas 10 10\ndown 1 2 shift,hyper\n", "2: bad modifiers 'shift,hyper'..." },
        BadScript { "canvas 10 10\ndown 1 2 0.5 alt 3\n", "2: unexpected argument '3'..." },
        BadScript { "canvas 10 10\ndown 1 2 alt 0.5\n", "2: unexpected argument '0.5'..." },
        BadScript { "canvas 10 10\nup 1 2 0.5\n", "2: 'up' takes no pressure: '0.5'" },
        BadScript { "canvas 10 10\nup\n", "2: missing argument (usage: up X Y [MODS])" },
        BadScript { "canvas 10 10\nmove 1 2 lower\n", "2: only 'down' takes a button: 'lower'" },
        BadScript { "canvas 10 10\ndown 1 2 0.5 middle\n", "2: the middle button is a mouse's..." },
        BadScript { "canvas 10 10\ndown 1 2 left\n", "2: bad modifiers 'left'..." },
        BadScript {
            "canvas 10 10\nwheel 1 2 3\n", "2: missing argument (usage: wheel X Y DX DY..." },
        BadScript { "canvas 10 10\nscroll 1 2 3 4e9\n", "2: the turn is too large" },
        BadScript { "canvas 10 10\npinch 1 2 -1\n", "2: scale '-1' is not above -1 and below 100" },
        BadScript { "pinch 1 2 0.1\n", "1: 'pinch' needs a document: start with..." },
        BadScript { "canvas 10 10\nkey Foo\n", "2: unknown key 'Foo'" },
        BadScript { "canvas 10 10\nkey Z ctrl,,shift\n", "2: bad modifiers 'ctrl,,shift'..." },
        BadScript { "proximity stylus\n", "1: unknown device 'stylus' (pen, eraser or mouse)" },
        BadScript {
            "set bsize big\n", "1: value 'big' is not a number, true, false or quoted text" },
        BadScript { "set bsize 1 2\n", "1: unexpected argument '2'..." },
        BadScript { "set clr 1 0\n", "1: missing argument (usage: set clr R G B [A])" },
        BadScript { "set clr 1 0 2\n", "1: blue '2' is not in 0..1" },
        BadScript { "canvas 10 10\nexpect pixel 1 2 ff00\n", "2: colour 'ff00' is not..." },
        BadScript { "canvas 10 10\nexpect pixel 1 2 0xff0000\n", "2: colour '0xff0000'..." },
        BadScript { "canvas 10 10\nexpect pixel 1 2 ffffffff 300\n", "2: tolerance '300'..." },
        BadScript { "canvas 10 10\nexpect undo -1\n", "2: step count '-1'..." },
        BadScript { "canvas 10 10\nexpect colour 1\n", "2: unknown expectation 'colour'..." },
        BadScript { "canvas 10 10\naction\n", "2: missing argument (usage: action NAME)" },
        BadScript { "canvas 10 10\npng \"a.png\n", "2: unterminated quoted text" },
        BadScript { "canvas 10 10\npng a\"b.png\n", "2: unexpected quote in '\"b.png'" },
        BadScript { "set bsize 3\ndown 1 2\n", "2: 'down' needs a document: start with..." },
        BadScript { "expect undo 0\ncanvas 1 1\n", "1: 'expect' needs a document: start with..." },
        BadScript { "grab a.png\n",
            "1: 'grab' needs a document: start with 'canvas W H' or "
            "'open FILE'" },
        BadScript { "drop a.png 1 2\n", "1: 'drop' needs a document: start with..." },
        BadScript { "open\n", "1: missing argument (usage: open FILE)" },
        BadScript { "open a.png b.png\n", "1: unexpected argument 'b.png' (usage: open FILE)" },
        BadScript { "open \"\"\n", "1: empty file name" },
        BadScript { "canvas 9 9\nsave a.bmp\n", "2: 'a.bmp' does not end in .png, .jpg or .jpeg" },
        BadScript { "clipboard\n", "1: missing argument (usage: clipboard load FILE | ..." },
        BadScript { "clipboard paste a.png\n",
            "1: unknown clipboard operation 'paste' (load, save or clear)" },
        BadScript { "clipboard clear a.png\n", "1: unexpected argument 'a.png'..." },
        BadScript { "canvas 9 9\ndrop a.png 1\n", "2: missing argument (usage: drop FILE X Y)" },
        BadScript { "canvas 9 9\ndrop a.png 1 up\n", "2: y 'up' is not a number" },
        BadScript { "canvas 9 9\nexpect selection 1 2 3\n",
            "2: missing argument (usage: expect selection X Y W H | expect selection none)" },
        BadScript { "canvas 9 9\nexpect selection 1 2 -3 4\n", "2: width '-3' is not..." },
        BadScript { "canvas 9 9\nexpect selection none 4\n", "2: unexpected argument '4'..." },
        BadScript { "canvas 9 9\nexpect paste maybe\n", "2: 'maybe' is not yes or no" },
        BadScript { "canvas 9 9\nexpect zoom 101%\n", "2: zoom '101%' is not an integer..." },
        BadScript {
            "canvas 9 9\nexpect status\n", "2: missing argument (usage: expect status TEXT)" },
        BadScript { "canvas 9 9\nexpect size 9\n", "2: missing argument (usage: expect size W H)" },
        BadScript { "canvas 9 9\nexpect\n", "2: missing argument (usage: expect pixel|undo|..." },
        BadScript { "wait\n", "1: missing argument (usage: wait MS)" },
        BadScript { "wait -1\n", "1: wait '-1' is not an integer in 0..60000" },
        BadScript { "wait 60001\n", "1: wait '60001' is not an integer in 0..60000" },
        BadScript { "wait 1.5\n", "1: wait '1.5' is not an integer..." }));

TEST(ReplayScriptTest, AScriptMayContinueAnOpenDocument)
{
    // Waiting needs no document.
    EXPECT_EQ(commandAt<WaitCommand>(parseOk(QStringLiteral("wait 250\n")), 0).milliseconds, 250);
    QString error;
    EXPECT_FALSE(ReplayScript::parse(QStringLiteral("key Z ctrl\n"), &error).has_value());
    const std::optional<ReplayScript> script
        = ReplayScript::parse(QStringLiteral("key Z ctrl\n"), &error, true);
    ASSERT_TRUE(script.has_value()) << qPrintable(error);
    EXPECT_EQ(script->lines().size(), 1u);
}
