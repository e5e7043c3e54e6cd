#pragma once

// The floating "Tool Palette" panel: a tool window holding, from the top, the palette list (the
// tool rows) in a scroll area that scrolls vertically, a bar with the "+" button (its menu makes a
// new pen or eraser) and the switch of the current-settings area, and that area itself. The
// panel is resized vertically only. One panel serves the whole program (shared()); it does not
// keep the program running and is deleted when the application quits. The panel lays out its
// controls; PNToolBox gives them their behaviour.

#include <QPointF>
#include <QWidget>
#include <functional>

class QAction;
class QMenu;
class QScrollArea;
class QToolButton;

namespace pennova {

class CurrentSettingsView;
class Defaults;
class TPDisclosureButton;
class TPListView;

class ToolPanel : public QWidget
{
    Q_OBJECT
public:
    // The panel is built this size without its current-settings area, which it grows by when it
    // wakes with the area shown (PNToolBox::awake).
    static constexpr int kInitialWidth = 230;
    static constexpr int kInitialHeight = 420;
    // The list keeps at least this much height when the panel is made small.
    static constexpr int kMinimumListHeight = 40;
    // Tags of the "+" menu's items.
    static constexpr int kNewPenTag = 0;
    static constexpr int kNewEraserTag = 1;

    // Whether a command came from a menu item (or its key) or from elsewhere, such as the
    // window's own close button.
    enum class Sender
    {
        MenuItem,
        Other
    };

    explicit ToolPanel(Defaults &defaults, QWidget *parent = nullptr);
    ~ToolPanel() override;

    TPListView *toolView() const { return m_toolView; }
    QScrollArea *scrollArea() const { return m_scrollArea; }
    CurrentSettingsView *curView() const { return m_curView; }
    QWidget *bar() const { return m_bar; }
    QToolButton *plusButton() const { return m_plusButton; }
    // The "+" button's menu: "New Pen" (tag 0) and "New Eraser" (tag 1).
    QMenu *newToolMenu() const { return m_newToolMenu; }
    // The context menu of every tool row: "Duplicate" and "Delete".
    QMenu *toolMenu() const { return m_toolMenu; }
    QAction *duplicateAction() const { return m_duplicateAction; }
    QAction *deleteAction() const { return m_deleteAction; }
    // The switch that shows or hides the current-settings area.
    TPDisclosureButton *currentSwitch() const { return m_currentSwitch; }

    // The height the panel's controls below the list take now.
    int controlsHeight() const;
    // Minimum heights follow the current-settings area; the width stays as it is.
    void updateSizeLimits();

    // The palette's menu command hides a palette that is shown; otherwise the panel comes to
    // the front.
    void orderFront(Sender sender);
    // The close command (Ctrl+W) while the panel is the active window closes the front document
    // window (through the closer), not the palette; the window's own close button closes it.
    void performClose(Sender sender);
    // Closes the front document window, if there is one.
    void setFrontWindowCloser(std::function<void()> closer) { m_frontWindowCloser = closer; }

    // The program's panel, made with its controller and tools on first use.
    static ToolPanel *shared();
    // The program's panel if it has been made, else null.
    static ToolPanel *existing();

signals:
    // The pointer moved over the panel (any of its controls), at a global position.
    void mouseMoved(const QPointF &globalPosition);
    // The current-settings area has just been shown or hidden by its switch.
    void currentSettingsToggled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildBar();

    QScrollArea *m_scrollArea = nullptr;
    TPListView *m_toolView = nullptr;
    QWidget *m_bar = nullptr;
    QToolButton *m_plusButton = nullptr;
    QMenu *m_newToolMenu = nullptr;
    QMenu *m_toolMenu = nullptr;
    QAction *m_duplicateAction = nullptr;
    QAction *m_deleteAction = nullptr;
    TPDisclosureButton *m_currentSwitch = nullptr;
    CurrentSettingsView *m_curView = nullptr;
    std::function<void()> m_frontWindowCloser;
};

} // namespace pennova
