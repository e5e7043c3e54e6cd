#pragma once

// Keeps the preferences window's four number fields inside their ranges and writes them to the
// settings. Each field is a spin box, whose arrows play the stepper: typing (once the field is
// left or Return pressed) and stepping both end in changeValue(), which clamps the field's value,
// shows the clamped value and stores it, so the store never holds more than the field shows.
// The two pen fields bound each other: the smallest size is at most the largest, the largest at
// least the smallest (and at least 1); where the bounds cross, the lowest bound wins. The fields
// follow the settings when something else changes them.

#include <QObject>
#include <QString>

class QSpinBox;

namespace pennova {

class Defaults;

class FieldController : public QObject
{
    Q_OBJECT
public:
    FieldController(Defaults &defaults, QSpinBox *minBrush, QSpinBox *maxBrush,
        QSpinBox *eraserSize, QSpinBox *eraserStrength, QObject *parent = nullptr);

    // Clamps the field's value, writes it back and stores it under the field's key.
    void changeValue(QSpinBox *field);
    // Shows the stored values in all four fields.
    void readSettings();

private:
    struct Binding
    {
        QSpinBox *box;
        QString key;
    };
    const Binding *bindingFor(const QSpinBox *box) const;
    const Binding *bindingFor(const QString &key) const;
    void show(const Binding &binding, int value);

    Defaults &m_defaults;
    Binding m_bindings[4];
};

} // namespace pennova
