#include "canvas/undohistory.h"

#include <utility>

namespace pennova {

UndoHistory::UndoHistory(QObject *parent)
    : QObject(parent)
{ }

UndoHistory::~UndoHistory() = default;

void UndoHistory::registerUndo(Action action)
{
    if (!action)
        return;
    if (m_pending) {
        m_pending->actions.push_back(std::move(action));
        return;
    }
    const bool wasClean = isClean();
    Step step;
    step.actions.push_back(std::move(action));
    step.stateBefore = m_currentState;
    step.stateAfter = m_nextState++;
    m_undoSteps.push_back(std::move(step));
    // A new change forks the history: the steps ahead, and any clean point among them, are gone.
    m_redoSteps.clear();
    m_currentState = m_undoSteps.back().stateAfter;
    m_nameTarget = &m_undoSteps;
    trimToLevels(false);
    finishChange(wasClean);
}

void UndoHistory::setActionName(const QString &name)
{
    if (m_pending) {
        m_pending->name = name;
        return;
    }
    if (!m_nameTarget || m_nameTarget->empty())
        return;
    m_nameTarget->back().name = name;
    emit changed();
}

QString UndoHistory::undoActionName() const
{
    return m_undoSteps.empty() ? QString() : m_undoSteps.back().name;
}

QString UndoHistory::redoActionName() const
{
    return m_redoSteps.empty() ? QString() : m_redoSteps.back().name;
}

void UndoHistory::undo()
{
    if (m_mode == Mode::Normal && canUndo())
        apply(Mode::Undoing);
}

void UndoHistory::redo()
{
    if (m_mode == Mode::Normal && canRedo())
        apply(Mode::Redoing);
}

void UndoHistory::apply(Mode mode)
{
    const bool wasClean = isClean();
    const bool undoing = mode == Mode::Undoing;
    std::deque<Step> &source = undoing ? m_undoSteps : m_redoSteps;
    std::deque<Step> &target = undoing ? m_redoSteps : m_undoSteps;

    const Step step = std::move(source.back());
    source.pop_back();

    // The reverse step moves between the same two states, in the other direction.
    m_pending = Step {};
    m_pending->name = step.name;
    m_pending->stateBefore = step.stateBefore;
    m_pending->stateAfter = step.stateAfter;
    m_mode = mode;
    for (auto it = step.actions.rbegin(); it != step.actions.rend(); ++it)
        (*it)();
    m_mode = Mode::Normal;

    m_nameTarget = nullptr;
    if (m_pending && !m_pending->actions.empty()) {
        target.push_back(std::move(*m_pending));
        m_nameTarget = &target;
    }
    m_pending.reset();
    m_currentState = undoing ? step.stateBefore : step.stateAfter;
    trimToLevels(false);
    finishChange(wasClean);
}

void UndoHistory::setLevelsOfUndo(int levels)
{
    const bool wasClean = isClean();
    m_levels = levels > 0 ? levels : 0;
    const size_t before = m_undoSteps.size() + m_redoSteps.size();
    trimToLevels(true);
    if (m_undoSteps.size() + m_redoSteps.size() != before)
        finishChange(wasClean);
}

void UndoHistory::trimToLevels(bool includingRedo)
{
    if (m_levels <= 0)
        return;
    const size_t limit = size_t(m_levels);
    while (m_undoSteps.size() > limit)
        m_undoSteps.pop_front();
    // An undo only moves a step across, so the redo steps are trimmed when the depth is set.
    while (includingRedo && m_redoSteps.size() > limit)
        m_redoSteps.pop_front();
}

void UndoHistory::setClean()
{
    const bool wasClean = isClean();
    m_cleanState = m_currentState;
    if (!wasClean)
        emit cleanChanged(true);
}

void UndoHistory::setUnclean()
{
    const bool wasClean = isClean();
    // No state ever gets this number: states count up from 1.
    m_cleanState = ~quint64(0);
    if (wasClean)
        emit cleanChanged(false);
}

void UndoHistory::clear()
{
    const bool wasClean = isClean();
    m_undoSteps.clear();
    m_redoSteps.clear();
    m_nameTarget = nullptr;
    if (m_pending)
        m_pending->actions.clear();
    finishChange(wasClean);
}

void UndoHistory::finishChange(bool wasClean)
{
    emit changed();
    if (isClean() != wasClean)
        emit cleanChanged(isClean());
}

} // namespace pennova
