#pragma once

// A document's window: the canvas view filling the content area, the document's undo history,
// and the menus whose commands act on the canvas. Commands are QActions named after what they
// do ("undo", "redo" ...), so that menus, shortcuts and the replay tool find them by name.

#include <QMainWindow>

namespace pennova {

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
    UndoHistory *undoHistory() const { return m_history; }

    // Creates a white canvas of the given size and fits the window's content area to it.
    bool newCanvas(int width, int height);

    // The window's command of that name ("undo", "redo" ...), or null.
    QAction *action(const QString &name) const;

private:
    void buildMenus();
    void updateUndoActions();
    void fitContentToCanvas();

    Defaults &m_defaults;
    UndoHistory *m_history = nullptr;
    DrawView *m_drawView = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
};

} // namespace pennova
