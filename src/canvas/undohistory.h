#pragma once

// The undo history of one document: two stacks of named steps, each step holding the actions that
// take it back. An action run by undo() registers its reverse, which becomes the redo step, and
// the other way round, so a step needs no redo code of its own. The history also keeps a depth
// limit that applies to existing steps, and the clean state behind the window's modified mark.

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace pennova {

class UndoHistory : public QObject
{
    Q_OBJECT
public:
    using Action = std::function<void()>;

    explicit UndoHistory(QObject *parent = nullptr);
    ~UndoHistory() override;

    // Registers an action that undoes a change. While undoing it is filed as the redo step (with
    // the undone step's name), while redoing as the undo step (with the redone step's name);
    // otherwise it is a new undo step and the redo steps are dropped. Everything registered during
    // one undo() or redo() forms one step, whose actions run last-registered first. An empty
    // action is ignored.
    void registerUndo(Action action);
    // Names the step most recently registered ("Draw", "Delete", "Paste").
    void setActionName(const QString &name);

    bool canUndo() const { return !m_undoSteps.empty(); }
    bool canRedo() const { return !m_redoSteps.empty(); }
    QString undoActionName() const;
    QString redoActionName() const;

    // Runs the newest undo (redo) step; no-op when there is none or while undoing or redoing.
    void undo();
    void redo();
    bool isUndoing() const { return m_mode == Mode::Undoing; }
    bool isRedoing() const { return m_mode == Mode::Redoing; }

    // Number of steps that can be undone, and redone.
    int count() const { return int(m_undoSteps.size()); }
    int redoCount() const { return int(m_redoSteps.size()); }

    // Most undo steps kept; 0 (or less) means no limit. Setting it drops the oldest undo steps at
    // once, and the redo steps furthest ahead beyond the same number.
    void setLevelsOfUndo(int levels);
    int levelsOfUndo() const { return m_levels; }

    // Marks the present state as clean (saved). Steps leading away and back keep it reachable; a
    // clean point whose steps are dropped (by a new edit after undo, trimming or clear()) is gone.
    void setClean();
    bool isClean() const { return m_currentState == m_cleanState; }
    // Marks the present state as not saved, with no step leading back to a clean one (a picture
    // recovered from an autosave).
    void setUnclean();
    // A number for the present state of the pixels: the same again after steps that lead back
    // to it, another after any other change.
    quint64 state() const { return m_currentState; }

    // Drops every step. The present state stays clean if it was.
    void clear();

signals:
    // After every change of the steps or of their names.
    void changed();
    void cleanChanged(bool clean);

private:
    enum class Mode
    {
        Normal,
        Undoing,
        Redoing
    };

    // States are numbered; a step moves between two of them. The clean state is a number too, so
    // a state that no remaining step leads to can never be current again.
    struct Step
    {
        std::vector<Action> actions;
        QString name;
        quint64 stateBefore = 0;
        quint64 stateAfter = 0;
    };

    void apply(Mode mode);
    void trimToLevels(bool includingRedo);
    void finishChange(bool wasClean);

    std::deque<Step> m_undoSteps; // back = newest
    std::deque<Step> m_redoSteps; // back = next to redo
    Mode m_mode = Mode::Normal;
    // The step filled by registrations during undo() or redo(); filed when the actions are done.
    std::optional<Step> m_pending;
    // The list whose newest step setActionName() names; none after an undo or redo that
    // registered nothing.
    std::deque<Step> *m_nameTarget = nullptr;
    int m_levels = 0;
    quint64 m_nextState = 1;
    quint64 m_currentState = 0;
    quint64 m_cleanState = 0;
};

} // namespace pennova
