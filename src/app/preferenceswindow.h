#pragma once

// The preferences window: the pen's smallest and largest size, the eraser's size and strength
// (kept in range by a FieldController) and how many steps Undo keeps (0, shown as "No limit",
// keeps all); on a second page the gesture keys, pen buttons and pressure curve
// (InputPreferences). Every field writes the settings as it is committed; the undo depth reaches
// the documents already open only when the window is closed (the application delegate's setPrefs),
// while documents opened later read it themselves. Escape and Close both close it.

#include <QDialog>

class QSpinBox;

namespace pennova {

class Defaults;
class FieldController;
class InputPreferences;

class PreferencesWindow : public QDialog
{
    Q_OBJECT
public:
    explicit PreferencesWindow(Defaults &defaults, QWidget *parent = nullptr);

    QSpinBox *minBrush() const { return m_minBrush; }
    QSpinBox *maxBrush() const { return m_maxBrush; }
    QSpinBox *eraserSize() const { return m_eraserSize; }
    QSpinBox *eraserStrength() const { return m_eraserStrength; }
    QSpinBox *undoLevels() const { return m_undoLevels; }
    FieldController *fieldController() const { return m_fields; }
    // The page of the gesture keys, pen buttons and pressure curve.
    InputPreferences *inputPage() const { return m_input; }

    // Commits what is typed in a field that still has the focus.
    void commitEdits();

private:
    Defaults &m_defaults;
    QSpinBox *m_minBrush;
    QSpinBox *m_maxBrush;
    QSpinBox *m_eraserSize;
    QSpinBox *m_eraserStrength;
    QSpinBox *m_undoLevels;
    FieldController *m_fields;
    InputPreferences *m_input;
};

} // namespace pennova
