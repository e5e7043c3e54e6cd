#pragma once

// The preferences page of the pen and the keys: which keys erase with the pen tip, rotate the view
// and select (a modifier, a combination, or a letter held down), what the pen's side buttons do,
// and the pressure curve with its presets and a trace of the pen's pressure as it is now. Every
// change is written to the settings at once and reaches every canvas; a key that another gesture
// has, or a letter with a command of its own, is refused with a message and changes nothing.

#include "settings/gesturekeys.h"
#include "settings/penbuttons.h"

#include <QWidget>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pennova {

class Defaults;
class PressureCurveEditor;

class InputPreferences : public QWidget
{
    Q_OBJECT
public:
    explicit InputPreferences(Defaults &defaults, QWidget *parent = nullptr);
    ~InputPreferences() override;

    // The key of a gesture: a modifier choice, or "Letter key held" with the letter beside it.
    QComboBox *gestureBox(Gesture gesture) const { return m_keyBoxes[size_t(gesture)]; }
    QLineEdit *letterField(Gesture gesture) const { return m_letterFields[size_t(gesture)]; }
    QComboBox *penButtonBox(PenButton button) const { return m_buttonBoxes[size_t(button)]; }
    PressureCurveEditor *curveEditor() const { return m_curveEditor; }
    QPushButton *presetButton(int index) const { return m_presets[size_t(index)]; }
    // Why the last choice was refused; empty after a choice that was taken.
    QLabel *message() const { return m_message; }
    // "Pen 0.42 → 0.61": the pen's pressure now and what the curve makes of it.
    QLabel *penReading() const { return m_penReading; }

    // The combo box's entry for a letter binding.
    static QString letterChoiceText();

protected:
    // Tablet events anywhere in the program, for the trace; only while the page is shown.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // The widgets as the settings are now.
    void load();
    // A gesture's key box or letter field changed.
    void chooseKey(Gesture gesture);
    void showPenPressure(float pressure);

    Defaults &m_defaults;
    std::array<QComboBox *, 3> m_keyBoxes {};
    std::array<QLineEdit *, 3> m_letterFields {};
    std::array<QComboBox *, 2> m_buttonBoxes {};
    std::array<QPushButton *, 3> m_presets {};
    PressureCurveEditor *m_curveEditor = nullptr;
    QLabel *m_message = nullptr;
    QLabel *m_penReading = nullptr;
    bool m_loading = false;
    bool m_filtering = false;
};

} // namespace pennova
