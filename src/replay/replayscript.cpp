#include "replay/replayscript.h"

#include "canvas/imagefile.h"
#include "settings/colorarchive.h"

#include <QMetaEnum>
#include <QStringList>
#include <cfloat>
#include <climits>
#include <cmath>

namespace pennova {

using namespace replay;

namespace {

    struct Token
    {
        QString text;
        bool quoted = false; // written in double quotes: a string, never a number
    };

    // Splits a line at white space. '#' outside quotes starts a comment. A double-quoted token
    // may hold spaces and '#'; inside it \" is a quote and \\ a backslash.
    std::optional<std::vector<Token>> tokenize(const QString &line, QString *error)
    {
        std::vector<Token> tokens;
        const int n = int(line.size());
        int i = 0;
        while (i < n) {
            const QChar c = line.at(i);
            if (c.isSpace()) {
                ++i;
                continue;
            }
            if (c == QLatin1Char('#'))
                break;
            Token token;
            if (c == QLatin1Char('"')) {
                token.quoted = true;
                bool closed = false;
                for (++i; i < n; ++i) {
                    const QChar q = line.at(i);
                    if (q == QLatin1Char('\\') && i + 1 < n
                        && (line.at(i + 1) == QLatin1Char('"')
                            || line.at(i + 1) == QLatin1Char('\\'))) {
                        token.text += line.at(++i);
                    } else if (q == QLatin1Char('"')) {
                        closed = true;
                        ++i;
                        break;
                    } else {
                        token.text += q;
                    }
                }
                if (!closed) {
                    *error = QStringLiteral("unterminated quoted text");
                    return std::nullopt;
                }
                if (i < n && !line.at(i).isSpace() && line.at(i) != QLatin1Char('#')) {
                    *error = QStringLiteral("missing space after quoted text");
                    return std::nullopt;
                }
            } else {
                while (i < n && !line.at(i).isSpace() && line.at(i) != QLatin1Char('#')) {
                    if (line.at(i) == QLatin1Char('"')) {
                        *error = QStringLiteral("unexpected quote in '%1'").arg(line.mid(i));
                        return std::nullopt;
                    }
                    token.text += line.at(i++);
                }
            }
            tokens.push_back(token);
        }
        return tokens;
    }

    // Parses the arguments of one command; the first error message wins.
    class ArgumentParser
    {
    public:
        ArgumentParser(const std::vector<Token> &tokens, QString usage)
            : m_tokens(tokens)
            , m_usage(std::move(usage))
        { }

        const QString &error() const { return m_error; }
        bool failed() const { return !m_error.isEmpty(); }
        int count() const { return int(m_tokens.size()) - 1; }
        const Token &at(int index) const { return m_tokens[size_t(index + 1)]; }

        // Checks that there are between minimum and maximum arguments.
        bool expectCount(int minimum, int maximum)
        {
            if (count() < minimum)
                return fail(QStringLiteral("missing argument (usage: %1)").arg(m_usage));
            if (count() > maximum)
                return fail(QStringLiteral("unexpected argument '%1' (usage: %2)")
                                .arg(at(maximum).text, m_usage));
            return true;
        }

        int integer(int index, const QString &what, int minimum, int maximum)
        {
            bool ok = false;
            const int value = at(index).text.toInt(&ok, 10);
            if (!ok || value < minimum || value > maximum) {
                fail(QStringLiteral("%1 '%2' is not an integer in %3..%4")
                         .arg(what, at(index).text)
                         .arg(minimum)
                         .arg(maximum));
                return 0;
            }
            return value;
        }

        double number(int index, const QString &what)
        {
            bool ok = false;
            const double value = at(index).text.toDouble(&ok);
            if (!ok || !std::isfinite(value) || at(index).quoted) {
                fail(QStringLiteral("%1 '%2' is not a number").arg(what, at(index).text));
                return 0.0;
            }
            return value;
        }

        double unitNumber(int index, const QString &what)
        {
            const double value = number(index, what);
            if (!failed() && (value < 0.0 || value > 1.0))
                fail(QStringLiteral("%1 '%2' is not in 0..1").arg(what, at(index).text));
            return value;
        }

        Qt::KeyboardModifiers modifiers(int index)
        {
            const std::optional<Qt::KeyboardModifiers> mods = modifiersFromText(at(index).text);
            if (!mods) {
                fail(QStringLiteral("bad modifiers '%1' (a comma list of shift, ctrl, alt, meta)")
                         .arg(at(index).text));
                return {};
            }
            return *mods;
        }

        bool fail(const QString &message)
        {
            if (m_error.isEmpty())
                m_error = message;
            return false;
        }

    private:
        const std::vector<Token> &m_tokens;
        QString m_usage;
        QString m_error;
    };

    // Modifier lists are words, numbers are not: that tells the optional arguments apart.
    bool looksLikeModifiers(const Token &token)
    {
        return !token.quoted && !token.text.isEmpty() && token.text.at(0).isLetter();
    }

    std::optional<Command> parseSize(ArgumentParser &args, bool canvas)
    {
        if (!args.expectCount(2, 2))
            return std::nullopt;
        // The upper bound only keeps the arithmetic in range; whether a size can be allocated is
        // found out when it runs.
        constexpr int kMaxSide = 1 << 20;
        const int width = args.integer(0, QStringLiteral("width"), 1, kMaxSide);
        const int height = args.integer(1, QStringLiteral("height"), 1, kMaxSide);
        if (args.failed())
            return std::nullopt;
        if (canvas)
            return CanvasCommand { width, height };
        return WindowCommand { width, height };
    }

    std::optional<Command> parseSet(ArgumentParser &args)
    {
        if (!args.expectCount(2, 5))
            return std::nullopt;
        const QString key = args.at(0).text;
        if (key.isEmpty()) {
            args.fail(QStringLiteral("empty key"));
            return std::nullopt;
        }
        if (key == QLatin1String("clr")) {
            if (args.count() < 4) {
                args.fail(QStringLiteral("missing argument (usage: set clr R G B [A])"));
                return std::nullopt;
            }
            RgbaColor color;
            color.red = float(args.unitNumber(1, QStringLiteral("red")));
            color.green = float(args.unitNumber(2, QStringLiteral("green")));
            color.blue = float(args.unitNumber(3, QStringLiteral("blue")));
            if (args.count() == 5)
                color.alpha = float(args.unitNumber(4, QStringLiteral("alpha")));
            if (args.failed())
                return std::nullopt;
            return SetCommand { key, ColorArchive::encode(color) };
        }
        if (!args.expectCount(2, 2))
            return std::nullopt;
        const Token &value = args.at(1);
        if (value.quoted)
            return SetCommand { key, value.text };
        if (value.text == QLatin1String("true") || value.text == QLatin1String("false"))
            return SetCommand { key, value.text == QLatin1String("true") };
        bool ok = false;
        const int integer = value.text.toInt(&ok, 10);
        if (ok)
            return SetCommand { key, integer };
        const double number = value.text.toDouble(&ok);
        if (ok && std::isfinite(number) && std::fabs(number) <= double(FLT_MAX))
            return SetCommand { key, float(number) };
        args.fail(QStringLiteral("value '%1' is not a number, true, false or quoted text")
                      .arg(value.text));
        return std::nullopt;
    }

    std::optional<Command> parseProximity(ArgumentParser &args)
    {
        if (!args.expectCount(1, 1))
            return std::nullopt;
        const QString &name = args.at(0).text;
        if (name == QLatin1String("pen"))
            return ProximityCommand { Device::Pen };
        if (name == QLatin1String("eraser"))
            return ProximityCommand { Device::Eraser };
        if (name == QLatin1String("mouse"))
            return ProximityCommand { Device::Mouse };
        args.fail(QStringLiteral("unknown device '%1' (pen, eraser or mouse)").arg(name));
        return std::nullopt;
    }

    std::optional<PointerCommand::Button> buttonFromName(const QString &name)
    {
        using Button = PointerCommand::Button;
        if (name == QLatin1String("middle"))
            return Button::Middle;
        if (name == QLatin1String("lower"))
            return Button::PenLower;
        if (name == QLatin1String("upper"))
            return Button::PenUpper;
        return std::nullopt;
    }

    std::optional<Command> parsePointer(ArgumentParser &args, PointerCommand::Phase phase)
    {
        const bool takesPressure = phase != PointerCommand::Phase::Up;
        const bool takesButton = phase == PointerCommand::Phase::Down;
        if (!args.expectCount(2, 3 + int(takesPressure) + int(takesButton)))
            return std::nullopt;
        PointerCommand command;
        command.phase = phase;
        command.viewX = args.number(0, QStringLiteral("x"));
        command.viewY = args.number(1, QStringLiteral("y"));
        int next = 2;
        if (takesPressure && next < args.count() && !looksLikeModifiers(args.at(next)))
            command.pressure = float(args.unitNumber(next++, QStringLiteral("pressure")));
        if (next < args.count() && buttonFromName(args.at(next).text)) {
            if (!takesButton) {
                args.fail(
                    QStringLiteral("only 'down' takes a button: '%1'").arg(args.at(next).text));
                return std::nullopt;
            }
            command.button = *buttonFromName(args.at(next++).text);
            if (command.button == PointerCommand::Button::Middle && command.pressure) {
                args.fail(QStringLiteral("the middle button is a mouse's: it takes no pressure"));
                return std::nullopt;
            }
        }
        if (next < args.count() && looksLikeModifiers(args.at(next)))
            command.modifiers = args.modifiers(next++);
        if (next < args.count() && !takesPressure)
            args.fail(QStringLiteral("'up' takes no pressure: '%1'").arg(args.at(next).text));
        else if (next < args.count())
            args.expectCount(0, next);
        if (args.failed())
            return std::nullopt;
        return command;
    }

    std::optional<Command> parseKey(ArgumentParser &args, KeyCommand::Phase phase)
    {
        if (!args.expectCount(1, 2))
            return std::nullopt;
        KeyCommand command;
        command.phase = phase;
        const std::optional<Qt::Key> key = keyFromName(args.at(0).text);
        if (!key) {
            args.fail(QStringLiteral("unknown key '%1'").arg(args.at(0).text));
            return std::nullopt;
        }
        command.key = *key;
        if (args.count() == 2)
            command.modifiers = args.modifiers(1);
        if (args.failed())
            return std::nullopt;
        return command;
    }

    std::optional<QRgb> colorFromHex(const QString &text)
    {
        if (text.size() != 6 && text.size() != 8)
            return std::nullopt;
        for (const QChar c : text) {
            if (!c.isDigit()
                && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
                return std::nullopt;
        }
        bool ok = false;
        const uint value = text.toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        if (text.size() == 6)
            return qRgba(
                int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF), 255);
        return qRgba(int(value >> 24), int((value >> 16) & 0xFF), int((value >> 8) & 0xFF),
            int(value & 0xFF));
    }

    // The usage line of an expectation, by its kind.
    QString expectUsage(const QString &what)
    {
        if (what == QLatin1String("pixel"))
            return QStringLiteral("expect pixel X Y RRGGBBAA [TOLERANCE]");
        if (what == QLatin1String("undo") || what == QLatin1String("redo"))
            return QStringLiteral("expect %1 N").arg(what);
        if (what == QLatin1String("selection"))
            return QStringLiteral("expect selection X Y W H | expect selection none");
        if (what == QLatin1String("paste"))
            return QStringLiteral("expect paste yes|no");
        if (what == QLatin1String("zoom"))
            return QStringLiteral("expect zoom PERCENT");
        if (what == QLatin1String("status"))
            return QStringLiteral("expect status TEXT");
        if (what == QLatin1String("size"))
            return QStringLiteral("expect size W H");
        if (what == QLatin1String("color"))
            return QStringLiteral("expect color RRGGBB [TOLERANCE]");
        if (what == QLatin1String("picker"))
            return QStringLiteral("expect picker shown|hidden");
        if (what == QLatin1String("tools"))
            return QStringLiteral("expect tools NAME...");
        if (what == QLatin1String("setting"))
            return QStringLiteral("expect setting KEY VALUE");
        if (what == QLatin1String("palette"))
            return QStringLiteral("expect palette shown|hidden");
        return QStringLiteral("expect pixel|undo|redo|selection|paste|zoom|status|size|color|"
                              "picker|tools|setting|palette ...");
    }

    std::optional<Command> parseExpectPixel(ArgumentParser &args)
    {
        if (!args.expectCount(4, 5))
            return std::nullopt;
        ExpectPixelCommand command;
        command.canvasX = args.integer(1, QStringLiteral("x"), INT_MIN, INT_MAX);
        command.canvasY = args.integer(2, QStringLiteral("y"), INT_MIN, INT_MAX);
        const std::optional<QRgb> color = colorFromHex(args.at(3).text);
        if (!color)
            args.fail(QStringLiteral("colour '%1' is not RRGGBBAA or RRGGBB in hexadecimal")
                          .arg(args.at(3).text));
        else
            command.straightColor = *color;
        if (args.count() == 5)
            command.tolerance = args.integer(4, QStringLiteral("tolerance"), 0, 255);
        if (args.failed())
            return std::nullopt;
        return command;
    }

    std::optional<Command> parseExpectColor(ArgumentParser &args)
    {
        if (!args.expectCount(2, 3))
            return std::nullopt;
        ExpectColorCommand command;
        const std::optional<QRgb> color = colorFromHex(args.at(1).text);
        if (!color || args.at(1).text.size() != 6)
            args.fail(
                QStringLiteral("colour '%1' is not RRGGBB in hexadecimal").arg(args.at(1).text));
        else
            command.color = *color;
        if (args.count() == 3)
            command.tolerance = args.integer(2, QStringLiteral("tolerance"), 0, 255);
        if (args.failed())
            return std::nullopt;
        return command;
    }

    std::optional<Command> parseExpectSelection(ArgumentParser &args)
    {
        if (args.count() >= 2 && args.at(1).text == QLatin1String("none")) {
            if (!args.expectCount(2, 2))
                return std::nullopt;
            return ExpectSelectionCommand {};
        }
        if (!args.expectCount(5, 5))
            return std::nullopt;
        // Halved bounds keep x + width within int.
        const int x = args.integer(1, QStringLiteral("x"), INT_MIN / 2, INT_MAX / 2);
        const int y = args.integer(2, QStringLiteral("y"), INT_MIN / 2, INT_MAX / 2);
        const int width = args.integer(3, QStringLiteral("width"), 0, INT_MAX / 2);
        const int height = args.integer(4, QStringLiteral("height"), 0, INT_MAX / 2);
        if (args.failed())
            return std::nullopt;
        return ExpectSelectionCommand { QRect(x, y, width, height) };
    }

    std::optional<Command> parseExpect(ArgumentParser &args)
    {
        if (!args.expectCount(1, INT_MAX))
            return std::nullopt;
        const QString &what = args.at(0).text;
        if (what == QLatin1String("pixel"))
            return parseExpectPixel(args);
        if (what == QLatin1String("selection"))
            return parseExpectSelection(args);
        if (what == QLatin1String("status")) {
            if (!args.expectCount(2, INT_MAX))
                return std::nullopt;
            // The rest of the line, its words joined by single spaces.
            QStringList words;
            for (int i = 1; i < args.count(); ++i)
                words << args.at(i).text;
            return ExpectStatusCommand { words.join(QLatin1Char(' ')) };
        }
        if (what == QLatin1String("color"))
            return parseExpectColor(args);
        if (what == QLatin1String("picker")) {
            if (!args.expectCount(2, 2))
                return std::nullopt;
            const QString &state = args.at(1).text;
            if (state == QLatin1String("shown") || state == QLatin1String("hidden"))
                return ExpectPickerCommand { state == QLatin1String("shown") };
            args.fail(QStringLiteral("'%1' is not shown or hidden").arg(state));
            return std::nullopt;
        }
        if (what == QLatin1String("size")) {
            if (!args.expectCount(3, 3))
                return std::nullopt;
            const int width = args.integer(1, QStringLiteral("width"), 1, INT_MAX);
            const int height = args.integer(2, QStringLiteral("height"), 1, INT_MAX);
            if (args.failed())
                return std::nullopt;
            return ExpectSizeCommand { width, height };
        }
        if (what == QLatin1String("tools")) {
            ExpectToolsCommand command;
            for (int i = 1; i < args.count(); ++i)
                command.names << args.at(i).text;
            return command;
        }
        if (what == QLatin1String("setting")) {
            // The value is written as `set` takes it.
            std::vector<Token> rest;
            for (int i = 0; i < args.count(); ++i)
                rest.push_back(args.at(i));
            ArgumentParser valueArgs(rest, expectUsage(what));
            const std::optional<Command> set = parseSet(valueArgs);
            if (!set) {
                args.fail(valueArgs.error());
                return std::nullopt;
            }
            const auto &written = std::get<SetCommand>(*set);
            return ExpectSettingCommand { written.key, written.value };
        }
        const bool known = what == QLatin1String("undo") || what == QLatin1String("redo")
            || what == QLatin1String("zoom") || what == QLatin1String("paste")
            || what == QLatin1String("palette");
        if (!known) {
            args.fail(QStringLiteral("unknown expectation '%1' (pixel, undo, redo, selection, "
                                     "paste, zoom, status, size, color, picker, tools, setting "
                                     "or palette)")
                          .arg(what));
            return std::nullopt;
        }
        if (!args.expectCount(2, 2))
            return std::nullopt;
        if (what == QLatin1String("paste")) {
            const QString &answer = args.at(1).text;
            if (answer == QLatin1String("yes") || answer == QLatin1String("no"))
                return ExpectPasteCommand { answer == QLatin1String("yes") };
            args.fail(QStringLiteral("'%1' is not yes or no").arg(answer));
            return std::nullopt;
        }
        if (what == QLatin1String("palette")) {
            const QString &answer = args.at(1).text;
            if (answer == QLatin1String("shown") || answer == QLatin1String("hidden"))
                return ExpectPaletteCommand { answer == QLatin1String("shown") };
            args.fail(QStringLiteral("'%1' is not shown or hidden").arg(answer));
            return std::nullopt;
        }
        if (what == QLatin1String("zoom")) {
            const int percent = args.integer(1, QStringLiteral("zoom"), 1, INT_MAX);
            if (args.failed())
                return std::nullopt;
            return ExpectZoomCommand { percent };
        }
        const int steps = args.integer(1, QStringLiteral("step count"), 0, INT_MAX);
        if (args.failed())
            return std::nullopt;
        return ExpectStepsCommand { what == QLatin1String("redo"), steps };
    }

    // The one argument of a command that takes a file or action name.
    std::optional<QString> parseName(ArgumentParser &args, const QString &what)
    {
        if (!args.expectCount(1, 1))
            return std::nullopt;
        const QString text = args.at(0).text;
        if (text.isEmpty()) {
            args.fail(QStringLiteral("empty %1").arg(what));
            return std::nullopt;
        }
        return text;
    }

    std::optional<Command> parseSave(ArgumentParser &args)
    {
        const std::optional<QString> path = parseName(args, QStringLiteral("file name"));
        if (!path)
            return std::nullopt;
        // Checked before the run, so that a script never runs up to a save that cannot happen.
        if (!imagefile::formatForPath(*path)) {
            args.fail(QStringLiteral("'%1' does not end in .png, .jpg or .jpeg").arg(*path));
            return std::nullopt;
        }
        return SaveCommand { *path };
    }

    std::optional<Command> parseClipboard(ArgumentParser &args)
    {
        if (!args.expectCount(1, 2))
            return std::nullopt;
        const QString &operation = args.at(0).text;
        using Operation = ClipboardCommand::Operation;
        if (operation == QLatin1String("clear")) {
            if (!args.expectCount(1, 1))
                return std::nullopt;
            return ClipboardCommand { Operation::Clear, QString() };
        }
        if (operation != QLatin1String("load") && operation != QLatin1String("save")) {
            args.fail(QStringLiteral("unknown clipboard operation '%1' (load, save or clear)")
                          .arg(operation));
            return std::nullopt;
        }
        if (!args.expectCount(2, 2))
            return std::nullopt;
        if (args.at(1).text.isEmpty()) {
            args.fail(QStringLiteral("empty file name"));
            return std::nullopt;
        }
        return ClipboardCommand {
            operation == QLatin1String("load") ? Operation::Load : Operation::Save,
            args.at(1).text,
        };
    }

    std::optional<Command> parseDrop(ArgumentParser &args)
    {
        if (!args.expectCount(3, 3))
            return std::nullopt;
        DropCommand command;
        command.path = args.at(0).text;
        if (command.path.isEmpty())
            args.fail(QStringLiteral("empty file name"));
        command.viewX = args.number(1, QStringLiteral("x"));
        command.viewY = args.number(2, QStringLiteral("y"));
        if (args.failed())
            return std::nullopt;
        return command;
    }

    // A row of the palette: a position from 1, or "current" (0) where the current-settings area
    // is allowed.
    int parseRow(ArgumentParser &args, int index, bool currentAllowed)
    {
        if (currentAllowed && args.at(index).text == QLatin1String("current"))
            return 0;
        return args.integer(index, QStringLiteral("row"), 1, INT_MAX);
    }

    std::optional<Command> parsePalette(ArgumentParser &args)
    {
        if (!args.expectCount(1, 4))
            return std::nullopt;
        using Operation = PaletteCommand::Operation;
        const QString &what = args.at(0).text;
        PaletteCommand command;
        if (what == QLatin1String("choose")) {
            if (!args.expectCount(2, 2))
                return std::nullopt;
            bool isNumber = false;
            args.at(1).text.toInt(&isNumber, 10);
            command.operation = Operation::Choose;
            if (isNumber && !args.at(1).quoted)
                command.row = parseRow(args, 1, false);
            else
                command.name = args.at(1).text;
        } else if (what == QLatin1String("new")) {
            if (!args.expectCount(2, 2))
                return std::nullopt;
            if (args.at(1).text == QLatin1String("pen"))
                command.operation = Operation::NewPen;
            else if (args.at(1).text == QLatin1String("eraser"))
                command.operation = Operation::NewEraser;
            else
                args.fail(QStringLiteral("'%1' is not pen or eraser").arg(args.at(1).text));
        } else if (what == QLatin1String("duplicate") || what == QLatin1String("delete")) {
            if (!args.expectCount(2, 2))
                return std::nullopt;
            command.operation
                = what == QLatin1String("delete") ? Operation::Delete : Operation::Duplicate;
            command.row = parseRow(args, 1, false);
        } else if (what == QLatin1String("drag")) {
            if (!args.expectCount(3, 3))
                return std::nullopt;
            command.operation = Operation::Drag;
            command.row = parseRow(args, 1, false);
            command.toRow = parseRow(args, 2, false);
        } else if (what == QLatin1String("tick") || what == QLatin1String("untick")) {
            if (!args.expectCount(3, 3))
                return std::nullopt;
            command.operation = what == QLatin1String("tick") ? Operation::Tick : Operation::Untick;
            command.row = parseRow(args, 1, true);
            command.key = args.at(2).text;
        } else if (what == QLatin1String("type") || what == QLatin1String("enter")) {
            if (!args.expectCount(4, 4))
                return std::nullopt;
            command.operation = what == QLatin1String("type") ? Operation::Type : Operation::Enter;
            command.row = parseRow(args, 1, true);
            command.key = args.at(2).text;
            command.text = args.at(3).text;
        } else {
            args.fail(QStringLiteral("unknown palette command '%1' (choose, new, duplicate, "
                                     "delete, drag, tick, untick, type or enter)")
                          .arg(what));
        }
        if (args.failed())
            return std::nullopt;
        return command;
    }

    std::optional<Command> parsePicker(ArgumentParser &args)
    {
        if (!args.expectCount(1, 3))
            return std::nullopt;
        using Operation = PickerCommand::Operation;
        const QString &what = args.at(0).text;
        PickerCommand command;
        if (what == QLatin1String("show") || what == QLatin1String("hide")) {
            if (!args.expectCount(1, 1))
                return std::nullopt;
            command.operation = what == QLatin1String("show") ? Operation::Show : Operation::Hide;
            return command;
        }
        if (what == QLatin1String("down"))
            command.operation = Operation::Down;
        else if (what == QLatin1String("move"))
            command.operation = Operation::Move;
        else if (what == QLatin1String("up"))
            command.operation = Operation::Up;
        else {
            args.fail(QStringLiteral("unknown picker command '%1' (show, hide, down, move or up)")
                          .arg(what));
            return std::nullopt;
        }
        if (!args.expectCount(3, 3))
            return std::nullopt;
        command.stripX = args.number(1, QStringLiteral("x"));
        command.stripY = args.number(2, QStringLiteral("y"));
        if (args.failed())
            return std::nullopt;
        return command;
    }

    std::optional<Command> parseScreen(ArgumentParser &args)
    {
        if (!args.expectCount(2, 2))
            return std::nullopt;
        const QString &what = args.at(0).text;
        if (what == QLatin1String("image")) {
            if (args.at(1).text.isEmpty()) {
                args.fail(QStringLiteral("empty file name"));
                return std::nullopt;
            }
            return ScreenCommand { args.at(1).text, 0 };
        }
        if (what == QLatin1String("color")) {
            const std::optional<QRgb> color = colorFromHex(args.at(1).text);
            if (!color || args.at(1).text.size() != 6) {
                args.fail(QStringLiteral("colour '%1' is not RRGGBB in hexadecimal")
                              .arg(args.at(1).text));
                return std::nullopt;
            }
            return ScreenCommand { QString(), *color };
        }
        args.fail(QStringLiteral("unknown screen source '%1' (image or color)").arg(what));
        return std::nullopt;
    }

    std::optional<Command> parseScreenPick(ArgumentParser &args)
    {
        if (args.count() == 1 && args.at(0).text == QLatin1String("cancel"))
            return ScreenPickCommand { true, 0, 0 };
        if (!args.expectCount(2, 2))
            return std::nullopt;
        const int x = args.integer(0, QStringLiteral("x"), 0, INT_MAX);
        const int y = args.integer(1, QStringLiteral("y"), 0, INT_MAX);
        if (args.failed())
            return std::nullopt;
        return ScreenPickCommand { false, x, y };
    }

    std::optional<Command> parseWheel(ArgumentParser &args, bool pixels)
    {
        if (!args.expectCount(4, 5))
            return std::nullopt;
        WheelCommand command;
        command.pixels = pixels;
        command.viewX = args.number(0, QStringLiteral("x"));
        command.viewY = args.number(1, QStringLiteral("y"));
        command.dx = args.number(2, QStringLiteral("dx"));
        command.dy = args.number(3, QStringLiteral("dy"));
        // Qt carries both as integers: eighths of a degree, or pixels.
        constexpr double kLargest = 1e6;
        if (!args.failed()
            && (std::fabs(command.dx) > kLargest || std::fabs(command.dy) > kLargest))
            args.fail(QStringLiteral("the turn is too large"));
        if (args.count() == 5)
            command.modifiers = args.modifiers(4);
        if (args.failed())
            return std::nullopt;
        return command;
    }

    std::optional<Command> parsePinch(ArgumentParser &args)
    {
        if (!args.expectCount(3, 3))
            return std::nullopt;
        PinchCommand command;
        command.viewX = args.number(0, QStringLiteral("x"));
        command.viewY = args.number(1, QStringLiteral("y"));
        command.scale = args.number(2, QStringLiteral("scale"));
        if (!args.failed() && !(command.scale > -1.0 && command.scale < 100.0))
            args.fail(
                QStringLiteral("scale '%1' is not above -1 and below 100").arg(args.at(2).text));
        if (args.failed())
            return std::nullopt;
        return command;
    }

    std::optional<Command> parseWait(ArgumentParser &args)
    {
        if (!args.expectCount(1, 1))
            return std::nullopt;
        const int milliseconds
            = args.integer(0, QStringLiteral("wait"), 0, ReplayScript::kLongestWaitMs);
        if (args.failed())
            return std::nullopt;
        return WaitCommand { milliseconds };
    }

} // namespace

namespace replay {

    bool needsDocument(const Command &command)
    {
        return !std::holds_alternative<CanvasCommand>(command)
            && !std::holds_alternative<OpenCommand>(command)
            && !std::holds_alternative<SetCommand>(command)
            && !std::holds_alternative<ProximityCommand>(command)
            && !std::holds_alternative<ClipboardCommand>(command)
            && !std::holds_alternative<ScreenCommand>(command)
            && !std::holds_alternative<WaitCommand>(command)
            && !std::holds_alternative<PaletteCommand>(command)
            && !std::holds_alternative<ExpectToolsCommand>(command)
            && !std::holds_alternative<ExpectSettingCommand>(command)
            && !std::holds_alternative<ExpectPaletteCommand>(command);
    }

    bool isExpectation(const Command &command)
    {
        return std::holds_alternative<ExpectPixelCommand>(command)
            || std::holds_alternative<ExpectStepsCommand>(command)
            || std::holds_alternative<ExpectSelectionCommand>(command)
            || std::holds_alternative<ExpectPasteCommand>(command)
            || std::holds_alternative<ExpectZoomCommand>(command)
            || std::holds_alternative<ExpectStatusCommand>(command)
            || std::holds_alternative<ExpectSizeCommand>(command)
            || std::holds_alternative<ExpectColorCommand>(command)
            || std::holds_alternative<ExpectPickerCommand>(command)
            || std::holds_alternative<ExpectToolsCommand>(command)
            || std::holds_alternative<ExpectSettingCommand>(command)
            || std::holds_alternative<ExpectPaletteCommand>(command);
    }

    std::optional<Qt::Key> keyFromName(const QString &name)
    {
        if (name.isEmpty())
            return std::nullopt;
        const QMetaEnum keys = QMetaEnum::fromType<Qt::Key>();
        const QByteArray qtName = "Key_" + name.toLatin1();
        bool ok = false;
        const int exact = keys.keyToValue(qtName.constData(), &ok);
        if (ok)
            return Qt::Key(exact);
        for (int i = 0; i < keys.keyCount(); ++i) {
            if (qstricmp(keys.key(i), qtName.constData()) == 0)
                return Qt::Key(keys.value(i));
        }
        return std::nullopt;
    }

    std::optional<Qt::KeyboardModifiers> modifiersFromText(const QString &text)
    {
        Qt::KeyboardModifiers mods;
        for (const QString &part : text.split(QLatin1Char(','))) {
            const QString word = part.toLower();
            if (word == QLatin1String("shift"))
                mods |= Qt::ShiftModifier;
            else if (word == QLatin1String("ctrl"))
                mods |= Qt::ControlModifier;
            else if (word == QLatin1String("alt"))
                mods |= Qt::AltModifier;
            else if (word == QLatin1String("meta"))
                mods |= Qt::MetaModifier;
            else
                return std::nullopt;
        }
        return mods;
    }

} // namespace replay

std::optional<ReplayScript> ReplayScript::parse(
    const QString &text, QString *error, bool documentOpen)
{
    ReplayScript script;
    bool haveDocument = documentOpen;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int index = 0; index < lines.size(); ++index) {
        const int lineNumber = index + 1;
        const auto failAt = [&](const QString &message) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(lineNumber).arg(message);
            return std::nullopt;
        };

        QString tokenError;
        const std::optional<std::vector<Token>> tokens = tokenize(lines.at(index), &tokenError);
        if (!tokens)
            return failAt(tokenError);
        if (tokens->empty())
            continue;
        const QString name = tokens->front().text;
        const auto usage = [&name, &tokens]() -> QString {
            if (name == QLatin1String("canvas") || name == QLatin1String("window"))
                return name + QStringLiteral(" W H");
            if (name == QLatin1String("set"))
                return QStringLiteral("set KEY VALUE");
            if (name == QLatin1String("proximity"))
                return QStringLiteral("proximity pen|eraser|mouse");
            if (name == QLatin1String("up"))
                return QStringLiteral("up X Y [MODS]");
            if (name == QLatin1String("down"))
                return QStringLiteral("down X Y [PRESSURE] [middle|lower|upper] [MODS]");
            if (name == QLatin1String("move"))
                return QStringLiteral("move X Y [PRESSURE] [MODS]");
            if (name == QLatin1String("wheel") || name == QLatin1String("scroll"))
                return name + QStringLiteral(" X Y DX DY [MODS]");
            if (name == QLatin1String("pinch"))
                return QStringLiteral("pinch X Y SCALE");
            if (name.startsWith(QLatin1String("key")))
                return name + QStringLiteral(" NAME [MODS]");
            if (name == QLatin1String("action"))
                return QStringLiteral("action NAME");
            if (name == QLatin1String("png") || name == QLatin1String("open")
                || name == QLatin1String("save") || name == QLatin1String("grab"))
                return name + QStringLiteral(" FILE");
            if (name == QLatin1String("clipboard"))
                return QStringLiteral(
                    "clipboard load FILE | clipboard save FILE | clipboard clear");
            if (name == QLatin1String("drop"))
                return QStringLiteral("drop FILE X Y");
            if (name == QLatin1String("wait"))
                return QStringLiteral("wait MS");
            if (name == QLatin1String("palette"))
                return QStringLiteral("palette choose ROW|NAME | palette new pen|eraser | "
                                      "palette duplicate|delete ROW | palette drag ROW TO | "
                                      "palette tick|untick ROW KEY | "
                                      "palette type|enter ROW KEY|name TEXT");
            if (name == QLatin1String("picker"))
                return QStringLiteral("picker show|hide | picker down|move|up X Y");
            if (name == QLatin1String("screen"))
                return QStringLiteral("screen image FILE | screen color RRGGBB");
            if (name == QLatin1String("screenpick"))
                return QStringLiteral("screenpick X Y | screenpick cancel");
            return expectUsage(tokens->size() > 1 ? tokens->at(1).text : QString());
        };
        ArgumentParser args(*tokens, usage());

        std::optional<Command> command;
        if (tokens->front().quoted)
            return failAt(QStringLiteral("unknown command '%1'").arg(name));
        if (name == QLatin1String("canvas"))
            command = parseSize(args, true);
        else if (name == QLatin1String("window"))
            command = parseSize(args, false);
        else if (name == QLatin1String("set"))
            command = parseSet(args);
        else if (name == QLatin1String("proximity"))
            command = parseProximity(args);
        else if (name == QLatin1String("down"))
            command = parsePointer(args, PointerCommand::Phase::Down);
        else if (name == QLatin1String("move"))
            command = parsePointer(args, PointerCommand::Phase::Move);
        else if (name == QLatin1String("up"))
            command = parsePointer(args, PointerCommand::Phase::Up);
        else if (name == QLatin1String("key"))
            command = parseKey(args, KeyCommand::Phase::Click);
        else if (name == QLatin1String("keydown"))
            command = parseKey(args, KeyCommand::Phase::Press);
        else if (name == QLatin1String("keyup"))
            command = parseKey(args, KeyCommand::Phase::Release);
        else if (name == QLatin1String("action")) {
            if (const auto action = parseName(args, QStringLiteral("action name")))
                command = ActionCommand { *action };
        } else if (name == QLatin1String("png")) {
            if (const auto path = parseName(args, QStringLiteral("file name")))
                command = PngCommand { *path };
        } else if (name == QLatin1String("open")) {
            if (const auto path = parseName(args, QStringLiteral("file name")))
                command = OpenCommand { *path };
        } else if (name == QLatin1String("grab")) {
            if (const auto path = parseName(args, QStringLiteral("file name")))
                command = GrabCommand { *path };
        } else if (name == QLatin1String("save"))
            command = parseSave(args);
        else if (name == QLatin1String("clipboard"))
            command = parseClipboard(args);
        else if (name == QLatin1String("drop"))
            command = parseDrop(args);
        else if (name == QLatin1String("expect"))
            command = parseExpect(args);
        else if (name == QLatin1String("wait"))
            command = parseWait(args);
        else if (name == QLatin1String("palette"))
            command = parsePalette(args);
        else if (name == QLatin1String("wheel"))
            command = parseWheel(args, false);
        else if (name == QLatin1String("scroll"))
            command = parseWheel(args, true);
        else if (name == QLatin1String("pinch"))
            command = parsePinch(args);
        else if (name == QLatin1String("picker"))
            command = parsePicker(args);
        else if (name == QLatin1String("screen"))
            command = parseScreen(args);
        else if (name == QLatin1String("screenpick"))
            command = parseScreenPick(args);
        else
            return failAt(QStringLiteral("unknown command '%1'").arg(name));

        if (!command)
            return failAt(args.error());
        if (needsDocument(*command) && !haveDocument)
            return failAt(
                QStringLiteral("'%1' needs a document: start with 'canvas W H' or 'open FILE'")
                    .arg(name));
        if (std::holds_alternative<CanvasCommand>(*command)
            || std::holds_alternative<OpenCommand>(*command))
            haveDocument = true;
        script.m_lines.push_back(ScriptLine { lineNumber, std::move(*command) });
    }
    return script;
}

} // namespace pennova
