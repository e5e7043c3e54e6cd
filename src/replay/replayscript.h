#pragma once

// A replay script: a text list of document, settings, pointer and key commands, one a line, that
// pennova-replay plays into a real document window (grammar: docs/replay.md). The whole text is
// parsed and checked before anything runs, so a typo near the end never leaves half a run behind.
// Pointer positions are view coordinates: pixels from the view's lower-left corner, y up.

#include <QRect>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <variant>
#include <vector>

namespace pennova {

namespace replay {

    // The pen end, eraser end or plain mouse named by `proximity`.
    enum class Device
    {
        Pen,
        Eraser,
        Mouse
    };

    // canvas W H: a new document with a W x H canvas; the view takes the canvas size.
    struct CanvasCommand
    {
        int width = 0;
        int height = 0;
    };

    // window W H: the view's size in window pixels.
    struct WindowCommand
    {
        int width = 0;
        int height = 0;
    };

    // set KEY VALUE: a user default. The value's type says which write is used: bool, int,
    // float, QString or QByteArray (a colour archive for "clr").
    struct SetCommand
    {
        QString key;
        QVariant value;
    };

    struct ProximityCommand
    {
        Device device = Device::Pen;
    };

    // down / move / up. With a pressure or a pen button the events are tablet events, otherwise
    // mouse events. The button is that of a press; moves and the release keep the press's.
    struct PointerCommand
    {
        enum class Phase
        {
            Down,
            Move,
            Up
        };
        enum class Button
        {
            Primary, // the left mouse button, or the pen's tip
            Middle, // the middle mouse button
            PenLower, // the pen's lower side button (Qt's middle button on a tablet)
            PenUpper, // the pen's upper side button (Qt's right button on a tablet)
        };
        Phase phase = Phase::Down;
        Button button = Button::Primary;
        double viewX = 0.0;
        double viewY = 0.0;
        std::optional<float> pressure; // 0..1
        Qt::KeyboardModifiers modifiers;
    };

    // wheel X Y DX DY [MODS]: a mouse wheel turned by notches (positive: away from the user, to
    // the left). scroll X Y DX DY [MODS]: a touchpad's two-finger scroll in pixels, the same way.
    struct WheelCommand
    {
        double viewX = 0.0;
        double viewY = 0.0;
        double dx = 0.0;
        double dy = 0.0;
        bool pixels = false; // scroll: pixel deltas; wheel: notches
        Qt::KeyboardModifiers modifiers;
    };

    // pinch X Y SCALE: a touchpad pinch that changes the scale by SCALE (0.1 is 10 % larger).
    struct PinchCommand
    {
        double viewX = 0.0;
        double viewY = 0.0;
        double scale = 0.0;
    };

    // key (press and release), keydown, keyup.
    struct KeyCommand
    {
        enum class Phase
        {
            Click,
            Press,
            Release
        };
        Phase phase = Phase::Click;
        Qt::Key key = Qt::Key_unknown;
        Qt::KeyboardModifiers modifiers;
    };

    // action NAME: a window command by its QAction object name.
    struct ActionCommand
    {
        QString name;
    };

    // png FILE: the canvas as a PNG file; a relative path is taken from the script's folder.
    struct PngCommand
    {
        QString path;
    };

    // expect pixel X Y RRGGBBAA [TOLERANCE]: a canvas pixel (canvas coordinates, y up) in
    // straight, not premultiplied, colour, as the png command writes it.
    struct ExpectPixelCommand
    {
        int canvasX = 0;
        int canvasY = 0;
        QRgb straightColor = 0; // qRgba(r, g, b, a)
        int tolerance = 0; // largest difference allowed per channel, 0..255
    };

    // expect undo N / expect redo N: the number of steps the document can undo or redo.
    struct ExpectStepsCommand
    {
        bool redo = false;
        int steps = 0;
    };

    // open FILE: an image file becomes the current document, as the Open command reads it.
    struct OpenCommand
    {
        QString path;
    };

    // save FILE: the document written as its extension says (.png, .jpg or .jpeg).
    struct SaveCommand
    {
        QString path;
    };

    // grab FILE: the canvas view as drawn on screen, as a PNG file.
    struct GrabCommand
    {
        QString path;
    };

    // clipboard load FILE / clipboard save FILE / clipboard clear: the desktop clipboard.
    struct ClipboardCommand
    {
        enum class Operation
        {
            Load,
            Save,
            Clear
        };
        Operation operation = Operation::Clear;
        QString path; // empty for Clear
    };

    // drop FILE X Y: a file dragged from a file manager and dropped at a view point (y up).
    struct DropCommand
    {
        QString path;
        double viewX = 0.0;
        double viewY = 0.0;
    };

    // expect selection X Y W H / expect selection none: the selection rectangle in canvas
    // coordinates, or that there is no selection.
    struct ExpectSelectionCommand
    {
        std::optional<QRect> canvasRect; // y up; none for "none"
    };

    // expect paste yes|no: whether a paste floats, waiting to be committed.
    struct ExpectPasteCommand
    {
        bool floating = false;
    };

    // expect zoom PERCENT: the view's zoom in whole percent, truncated as the status box shows it.
    struct ExpectZoomCommand
    {
        int percent = 100;
    };

    // expect status TEXT: the last message the status box was given.
    struct ExpectStatusCommand
    {
        QString text;
    };

    // expect size W H: the canvas size in pixels.
    struct ExpectSizeCommand
    {
        int width = 0;
        int height = 0;
    };

    // picker show|hide: the colour picker strip shown or hidden, its slide run to the end.
    // picker down|move|up X Y: the mouse in the strip, at strip coordinates (y up).
    struct PickerCommand
    {
        enum class Operation
        {
            Show,
            Hide,
            Down,
            Move,
            Up
        };
        Operation operation = Operation::Show;
        double stripX = 0.0;
        double stripY = 0.0;
    };

    // screen image FILE / screen color RRGGBB: what screen picks see instead of the screen.
    struct ScreenCommand
    {
        QString path; // empty for a screen of one colour
        QRgb color = 0;
    };

    // screenpick X Y / screenpick cancel: a click on a pixel of the screen picture (from its
    // top-left corner, y down) in the screen pick in progress, or Escape.
    struct ScreenPickCommand
    {
        bool cancel = false;
        int screenX = 0;
        int screenY = 0;
    };

    // expect color RRGGBB [TOLERANCE]: the current colour, 8 bits a channel.
    struct ExpectColorCommand
    {
        QRgb color = 0;
        int tolerance = 0;
    };

    // expect picker shown|hidden: the strip wholly in view, or wholly out of it.
    struct ExpectPickerCommand
    {
        bool shown = false;
    };

    // wait MS: timers and animations run for that long while events are processed.
    struct WaitCommand
    {
        int milliseconds = 0;
    };

    // palette …: what the user does in the tool palette. Rows are counted from 1 at the top;
    // row 0 stands for the current-settings area ("current").
    struct PaletteCommand
    {
        enum class Operation
        {
            Choose, // a tool's icon is clicked: by row, or by name when row is 0
            NewPen,
            NewEraser,
            Duplicate,
            Delete,
            Drag, // the row is dragged to the position toRow
            Tick,
            Untick,
            Type, // text typed into a setting's field or the name, left there
            Enter // the same, then Return
        };
        Operation operation = Operation::Choose;
        int row = 0;
        int toRow = 0;
        QString name; // Choose by name
        QString key; // a setting key, or "name" for the tool's name
        QString text;
    };

    // expect tools NAME…: the palette's tool names, top to bottom (none: an empty palette).
    struct ExpectToolsCommand
    {
        QStringList names;
    };

    // expect setting KEY VALUE: a value of the settings store, written as `set` writes it.
    struct ExpectSettingCommand
    {
        QString key;
        QVariant value;
    };

    // expect palette shown|hidden: whether the palette panel is on screen.
    struct ExpectPaletteCommand
    {
        bool shown = false;
    };

    using Command = std::variant<CanvasCommand, WindowCommand, SetCommand, ProximityCommand,
        PointerCommand, KeyCommand, ActionCommand, PngCommand, OpenCommand, SaveCommand,
        GrabCommand, ClipboardCommand, DropCommand, ExpectPixelCommand, ExpectStepsCommand,
        ExpectSelectionCommand, ExpectPasteCommand, ExpectZoomCommand, ExpectStatusCommand,
        ExpectSizeCommand, WaitCommand, PickerCommand, ScreenCommand, ScreenPickCommand,
        ExpectColorCommand, ExpectPickerCommand, PaletteCommand, ExpectToolsCommand,
        ExpectSettingCommand, ExpectPaletteCommand, WheelCommand, PinchCommand>;

    // Whether a command counts as an expectation in the run's summary.
    bool isExpectation(const Command &command);
    // Whether a command acts on the document, and so needs a `canvas` or `open` before it.
    bool needsDocument(const Command &command);

    struct ScriptLine
    {
        int line = 0; // 1-based line number in the script text
        Command command;
    };

    // A Qt key from its name without the "Key_" prefix ("Z", "Space", "BracketLeft"); the exact
    // spelling first, then ignoring case.
    std::optional<Qt::Key> keyFromName(const QString &name);
    // A comma list of shift, ctrl, alt, meta (any case).
    std::optional<Qt::KeyboardModifiers> modifiersFromText(const QString &text);

} // namespace replay

class ReplayScript
{
public:
    // The longest `wait`: a minute, so that a typo cannot stall a test run for hours.
    static constexpr int kLongestWaitMs = 60000;

    // Parses a whole script. On failure returns nothing and sets *error to "LINE: message"
    // (e.g. "12: unknown command 'foo'"), for the caller to prefix with the script's name.
    // Commands that act on the document need a `canvas` or `open` before them, unless the script
    // continues a document that is already open (documentOpen).
    static std::optional<ReplayScript> parse(
        const QString &text, QString *error, bool documentOpen = false);

    const std::vector<replay::ScriptLine> &lines() const { return m_lines; }
    bool isEmpty() const { return m_lines.empty(); }

private:
    std::vector<replay::ScriptLine> m_lines;
};

} // namespace pennova
