#pragma once

// Plays a replay script into a real document window: it owns the window of the current
// document and one tablet device per pen end, turns each command into the Qt events the window
// system would deliver (mouse, tablet, key and proximity events, sent through the application so
// that the widgets' own handlers run), and checks the script's expectations. Works offscreen; a
// TabletApp must exist. A runner can run several scripts in turn; the document stays between runs.

#include "replay/replayscript.h"

#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <array>
#include <memory>

class QImage;
class QPointingDevice;
class QWidget;

namespace pennova {

class Defaults;
class DocumentWindow;
class DrawView;
class PNToolBox;
class TPTool;
class ToolPanel;

struct ReplayResult
{
    // The process exit status of each outcome.
    enum class Status
    {
        Passed = 0,
        ExpectationFailed = 1, // the script ran to its end, some expectations did not hold
        Error = 2 // the script is malformed or a command could not be carried out
    };

    Status status = Status::Passed;
    // One "LINE: text" entry per failed expectation or error, in script order.
    QStringList messages;
    int commandsRun = 0;
    int expectationsChecked = 0;

    int exitCode() const { return int(status); }
};

class ReplayRunner
{
public:
    // Settings commands write to `defaults`, which the document windows read; the factory values
    // are registered into it. Relative file paths are taken from `baseDirectory` (the current
    // folder when empty). Resets the application's proximity state to "no device seen", as at
    // start-up, so that each runner starts alike; the destructor puts the previous state back.
    explicit ReplayRunner(Defaults &defaults, const QString &baseDirectory = QString());
    ~ReplayRunner();

    ReplayRunner(const ReplayRunner &) = delete;
    ReplayRunner &operator=(const ReplayRunner &) = delete;

    // Runs every command in order. A failed expectation is reported and the run goes on (so
    // that later png files are still written); an error stops it.
    ReplayResult run(const ReplayScript &script);
    // Parses and runs; the script may continue the open document. A parse error gives
    // Status::Error with its message.
    ReplayResult runText(const QString &text);

    // The current document's window and canvas view; null before the first `canvas` or `open`.
    DocumentWindow *window() const;
    DrawView *drawView() const;
    // The tablet device used for a pen end (the same object for the whole run).
    const QPointingDevice *tabletDevice(replay::Device device) const;
    // The run's tool palette, kept in a data folder of the runner's own (made with the default
    // tools, hidden); it is the program's palette while the runner lives.
    PNToolBox *toolbox() const { return m_toolbox; }
    // Starts the palette again from a copy of a tool-box file (which is not changed); the reason
    // when the file cannot be copied. A damaged file is kept aside as the program keeps it.
    QString startToolBox(const QString &file);
    // Writes the palette's tool box as the program does when it quits, then copies it to `file`;
    // the reason when that fails.
    QString writeToolBox(const QString &file);
    // What the palette told the user (a damaged tool box, a failed write).
    QStringList paletteMessages() const { return m_paletteMessages; }
    // The modifier keys held down by keydown commands.
    Qt::KeyboardModifiers heldModifiers() const { return m_heldModifiers; }
    QString resolvePath(const QString &path) const;

private:
    struct Outcome
    {
        bool ok = true;
        bool error = false; // stops the run
        QString message;
    };

    Outcome execute(const replay::Command &command);
    // Deletes the current window (never asking about changes) and makes a new, empty one.
    DocumentWindow *replaceWindow();
    // Shows the new window with its view at the canvas size.
    Outcome showWindow(int width, int height);
    Outcome newDocument(const replay::CanvasCommand &command);
    Outcome openDocument(const replay::OpenCommand &command);
    Outcome resizeView(int width, int height);
    Outcome setDefault(const replay::SetCommand &command);
    Outcome proximity(const replay::ProximityCommand &command);
    Outcome pointer(const replay::PointerCommand &command);
    Outcome key(const replay::KeyCommand &command);
    Outcome action(const replay::ActionCommand &command);
    Outcome png(const replay::PngCommand &command);
    Outcome save(const replay::SaveCommand &command);
    Outcome grab(const replay::GrabCommand &command);
    Outcome clipboard(const replay::ClipboardCommand &command);
    Outcome drop(const replay::DropCommand &command);
    Outcome expectPixel(const replay::ExpectPixelCommand &command);
    Outcome expectSteps(const replay::ExpectStepsCommand &command);
    Outcome expectSelection(const replay::ExpectSelectionCommand &command);
    Outcome expectPaste(const replay::ExpectPasteCommand &command);
    Outcome expectZoom(const replay::ExpectZoomCommand &command);
    Outcome expectStatus(const replay::ExpectStatusCommand &command);
    Outcome expectSize(const replay::ExpectSizeCommand &command);
    Outcome picker(const replay::PickerCommand &command);
    Outcome screen(const replay::ScreenCommand &command);
    Outcome screenPick(const replay::ScreenPickCommand &command);
    Outcome expectColor(const replay::ExpectColorCommand &command);
    Outcome expectPicker(const replay::ExpectPickerCommand &command);
    // The palette commands and checks (replaypalette.cpp).
    Outcome palette(const replay::PaletteCommand &command);
    Outcome expectTools(const replay::ExpectToolsCommand &command);
    Outcome expectSetting(const replay::ExpectSettingCommand &command);
    Outcome expectPalette(const replay::ExpectPaletteCommand &command);
    TPTool *paletteRow(int row) const;
    Outcome dragRow(TPTool *tool, int toRow);
    Outcome typeInto(const replay::PaletteCommand &command);
    void makePalette();

    // Writes an image as a PNG file, whole or not at all, making missing folders.
    Outcome writePng(const QImage &image, const QString &path);

    Outcome wait(const replay::WaitCommand &command);
    Outcome wheel(const replay::WheelCommand &command);
    Outcome pinch(const replay::PinchCommand &command);
    void sendPointer(const replay::PointerCommand &command);

    // Keys. sendKeyEvent sends one press or release, with the given modifiers, the way of a key
    // from the window system; sendKey presses or releases a key of a key command, and keeps the
    // held modifiers when it is a modifier key. The modifier keys of a command's MODS are pressed
    // before its event and released after it (unless a keydown holds them): the returned set is
    // what to release.
    void sendKeyEvent(bool press, Qt::Key key, Qt::KeyboardModifiers modifiers);
    void sendKey(bool press, Qt::Key key);
    Qt::KeyboardModifiers pressModifierKeys(Qt::KeyboardModifiers wanted);
    void releaseModifierKeys(Qt::KeyboardModifiers extra);
    void releaseStaleModifiers();
    // Brings the document window to the front and makes it the active one, as a click into it
    // does.
    void activateWindow();
    void processEvents();
    quint64 nextTimestamp();

    Defaults &m_defaults;
    QString m_baseDirectory;
    std::array<std::unique_ptr<QPointingDevice>, 3> m_devices;
    QPointer<DocumentWindow> m_window;
    replay::Device m_currentDevice = replay::Device::Pen;
    // The device of the press in progress: null for none or a mouse press.
    const QPointingDevice *m_pressDevice = nullptr;
    Qt::MouseButton m_pressButton = Qt::LeftButton; // of that press: the tip or a side button
    bool m_mousePressed = false;
    Qt::MouseButton m_mouseButton = Qt::LeftButton; // of the mouse press in progress
    Qt::KeyboardModifiers m_heldModifiers;
    // Every modifier key down on the replayed keyboard: the held ones and those of the command
    // now running.
    Qt::KeyboardModifiers m_downModifiers;
    // The last message the current view gave its status box; none since the document was made.
    std::optional<QString> m_lastStatus;
    quint64 m_clockMs = 0;
    int m_previousDeviceType = 0; // the application's proximity state before this runner
    QTemporaryDir m_dataFolder;
    ToolPanel *m_panel = nullptr; // owned; deleted with the runner
    PNToolBox *m_toolbox = nullptr; // a child of the panel
    QPointer<PNToolBox> m_previousToolbox; // the program's palette before this runner's
    QStringList m_paletteMessages;
    bool m_screenReplaced = false; // a `screen` command replaced the screen grab
};

} // namespace pennova
