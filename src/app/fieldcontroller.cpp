#include "app/fieldcontroller.h"

#include "settings/brushlimits.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QSignalBlocker>
#include <QSpinBox>

namespace pennova {

FieldController::FieldController(Defaults &defaults, QSpinBox *minBrush, QSpinBox *maxBrush,
    QSpinBox *eraserSize, QSpinBox *eraserStrength, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_bindings { { minBrush, keys::BrushSizeMin }, { maxBrush, keys::BrushSize },
        { eraserSize, keys::EraserSize }, { eraserStrength, keys::EraserStrength } }
{
    for (const Binding &binding : m_bindings) {
        // Room beyond every bound, so that a typed 60 or 150 reaches changeValue() to be
        // clamped rather than being refused key by key.
        binding.box->setRange(0, 999);
        // Typing commits when the field is left or Return is pressed; the arrows at once.
        binding.box->setKeyboardTracking(false);
        QSpinBox *box = binding.box;
        connect(box, &QSpinBox::valueChanged, this, [this, box] { changeValue(box); });
        // Return or leaving the field clamps even a value typed unchanged (the other field may
        // have moved its bound).
        connect(box, &QSpinBox::editingFinished, this, [this, box] { changeValue(box); });
    }
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (const Binding *binding = bindingFor(key))
            show(*binding, m_defaults.integerForKey(key));
    });
    readSettings();
}

const FieldController::Binding *FieldController::bindingFor(const QSpinBox *box) const
{
    for (const Binding &binding : m_bindings) {
        if (binding.box == box)
            return &binding;
    }
    return nullptr;
}

const FieldController::Binding *FieldController::bindingFor(const QString &key) const
{
    for (const Binding &binding : m_bindings) {
        if (binding.key == key)
            return &binding;
    }
    return nullptr;
}

void FieldController::show(const Binding &binding, int value)
{
    const QSignalBlocker blocker(binding.box);
    binding.box->setValue(value);
}

void FieldController::changeValue(QSpinBox *field)
{
    const Binding *binding = bindingFor(field);
    if (!binding)
        return;
    // The pen fields bound each other by what they show, which is what the user sees.
    const int value = brushlimits::clamp(field->value(),
        brushlimits::allowedRange(
            binding->key, m_bindings[0].box->value(), m_bindings[1].box->value()));
    show(*binding, value);
    m_defaults.setInteger(binding->key, value);
}

void FieldController::readSettings()
{
    for (const Binding &binding : m_bindings)
        show(binding, m_defaults.integerForKey(binding.key));
}

} // namespace pennova
