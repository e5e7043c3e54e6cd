#pragma once

// The palette's controller. It loads the user's tool box into the palette at start-up (the
// built-in default tool box on a first start or when the file is damaged, which is then kept
// aside under a new name), writes it back about a second after every change and at quit, and
// carries out what the panel offers: choosing a tool writes its enabled settings into the
// settings store (the canvas and the current-settings area follow the store), "+" makes a new
// pen or eraser from the settings in force, a row's menu duplicates or deletes it, and the
// current-settings switch resizes the panel, its top edge kept in place. A press on a canvas ends
// any editing in the panel, and pointer movement over the panel reaches the current canvas's
// cursor tracker.

#include "palette/tptoolbox.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class QPointF;

namespace pennova {

class Defaults;
class DrawView;
class ToolPanel;

class PNToolBox : public TPToolBox
{
    Q_OBJECT
public:
    static constexpr int kSaveDelayMs = 1000;
    static constexpr int kResizeMs = 200;
    static inline const QString kFileName = QStringLiteral("toolbox.pntb");
    static inline const QString kDefaultToolBox = QStringLiteral(":/toolbox/default.pntb");

    // The controller of `panel`, keeping its tool box in the folder `toolPath`. Nothing is loaded
    // until awake() or loadTools().
    PNToolBox(
        ToolPanel *panel, Defaults &defaults, const QString &toolPath, QObject *parent = nullptr);

    // The program's controller and its panel, over the shared settings store and the per-user
    // data folder; made and woken on first use, written at quit.
    static PNToolBox *shared();
    static PNToolBox *existing();
    // Makes another controller the program's (a scripted session's own palette); null lets
    // shared() make the program's own again.
    static void setShared(PNToolBox *toolbox);

    // Start-up: loads the tools, fits the panel to the current-settings area and gives it the
    // frame it had when the program last quit.
    void awake();

    ToolPanel *panel() const { return m_panel; }
    QString toolPath() const { return m_toolpath; }
    QString toolBoxFile() const;
    // Where the last damaged tool box was kept (empty when none was).
    QString keptAsidePath() const { return m_keptAside; }

    // Tells the user of a problem (a message box unless set otherwise).
    void setAlert(std::function<void(const QString &message)> alert) { m_alert = alert; }
    // The canvas of the current document, or null when there is none.
    void setCurrentCanvas(std::function<DrawView *()> canvas) { m_currentCanvas = canvas; }
    // A press on the canvas ends the editing in the panel.
    void watchCanvas(DrawView *canvas);

    // Makes a pen (type 1) or an eraser (type 2), adds it at the bottom of the palette and
    // returns it; null for any other type. A blank name becomes "Untitled Pen" or "Untitled
    // Eraser".
    TPTool *addToolWithName(const QString &name, int type) override;
    // The palette's rows in display order, top first.
    QList<TPTool *> paletteTools() const;

    void loadTools();
    // False (the palette left empty) when the built-in tool box cannot be read.
    bool loadDefaultTools();
    // At quit: ends editing, writes the tool box and stores the panel's frame.
    bool saveTools();
    // Writes the tool box file now; a failure is told to the user once, until a write succeeds.
    bool saveToolBox();
    bool isSavePending() const { return m_saveTimer.isActive(); }

    // Writes every enabled setting of the tool into the settings store.
    void setTool(TPTool *tool);
    // Tag 0: a new pen with the current colour, ink mode and sizes; tag 1: a new eraser with the
    // current strength and size; any other tag makes nothing. The new row is scrolled into view.
    TPTool *newButton(int tag);
    // The row whose context menu was opened last, while it exists.
    TPTool *findClickedTool() const { return m_clickedTool; }
    // A copy named after the tool with " copy" appended, holding its enabled settings, directly
    // below it.
    TPTool *dupTool(TPTool *tool);
    void delTool(TPTool *tool);
    // Fits the panel's height to whether the current-settings area is shown: it grows or shrinks
    // by the area's height over 0.2 s, its top edge in place. Returns when it is done.
    void showCurrent();
    // Ends any editing in the panel: a name or a value being typed is stored.
    void deactivatePanel();
    // Hands a pointer position over the panel to the current canvas's cursor tracker.
    void mouseMoved(const QPointF &globalPosition);

    // The panel's frame as text, "{{x, y}, {width, height}}" (top-left corner, y down), and back.
    static QString frameToString(const QRect &frame);
    static std::optional<QRect> frameFromString(const QString &text);

private:
    void scheduleSave();
    void saveIfChanged();
    void removeAllTools();
    void setAside(const QString &reason);
    void report(const QString &message);
    void restoreFrame();

    ToolPanel *m_panel;
    Defaults &m_defaults;
    QString m_toolpath;
    std::function<void(const QString &)> m_alert;
    std::function<DrawView *()> m_currentCanvas;
    QPointer<TPTool> m_clickedTool;
    QTimer m_saveTimer;
    QByteArray m_lastWritten;
    QString m_keptAside;
    bool m_loading = false;
    // A damaged file that could not be moved out of the way is never written over.
    bool m_saveBlocked = false;
    bool m_failureReported = false;
};

} // namespace pennova
