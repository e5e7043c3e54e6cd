#pragma once

// A document's window: the canvas view filling the content area, with the colour picker strip
// that slides down over its top, the document's undo history, and the menus whose commands act
// on the canvas. Commands are QActions named after what they do ("undo", "save", "resetZoom"
// ...), so that menus, shortcuts and the replay tool find them by name. The window works on its own
// (the replay tool uses it so); the File commands that need a document (new, open, save, saveAs,
// revert, print, quit) stay disabled until a MyDocument connects them. Closing or deleting the
// window by itself never asks anything.

#include <QMainWindow>
#include <QSize>

class QImage;

namespace pennova {

class ColorView;
class Defaults;
class DrawView;
class UndoHistory;

class DocumentWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit DocumentWindow(Defaults &defaults, QWidget *parent = nullptr);
    ~DocumentWindow() override;

    DrawView *drawView() const { return m_drawView; }
    ColorView *colorView() const { return m_colorView; }
    UndoHistory *undoHistory() const { return m_history; }

    // Creates a white canvas of the given size and fits the window's content area to it.
    bool newCanvas(int width, int height);
    // Makes a picture (an opened file) the canvas and fits the window's content area to it.
    bool adoptCanvas(QImage picture);

    // The window's command of that name ("undo", "redo" ...), or null.
    QAction *action(const QString &name) const;

    // View commands: the window resized so that its content area shows the whole zoomed canvas,
    // within the screen's available area; full screen on or off.
    void fitWindowToCanvas();
    void setFullScreen(bool on);

    // Brings the canvas commands' items up to date: Cut and Copy wait while a paste floats, the
    // check marks follow selection mode and ink mode.
    void updateMenu();

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildMenus();
    void buildCanvasCommands(QMenu *edit);
    void menuNeedsUpdate(QMenu *menu);
    QAction *addCommand(QMenu *menu, const QString &text, const QString &name,
        const QKeySequence &shortcut = QKeySequence());
    void updateUndoActions();
    void fitContentToCanvas();
    void keepOnScreen();
    QRect availableGeometry() const;
    // What the window manager's frame adds around the window (title bar, borders).
    QSize frameMarginsSize() const;

    // The frame assumed before the window manager has told it: a title bar and thin borders.
    static constexpr QSize kAssumedFrame { 16, 48 };

    Defaults &m_defaults;
    UndoHistory *m_history = nullptr;
    DrawView *m_drawView = nullptr;
    ColorView *m_colorView = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_fullScreenAction = nullptr;
    QAction *m_cutAction = nullptr;
    QAction *m_copyAction = nullptr;
    QAction *m_selectionModeAction = nullptr;
    QAction *m_inkAction = nullptr;
};

} // namespace pennova
