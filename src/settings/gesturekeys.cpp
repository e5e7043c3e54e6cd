#include "settings/gesturekeys.h"

#include "settings/defaults.h"

#include <QCoreApplication>
#include <QtDebug>

namespace pennova {

namespace {
    const QString kEraseKey = QStringLiteral("EraseGestureKey");
    const QString kRotateKey = QStringLiteral("RotateGestureKey");
    const QString kSelectKey = QStringLiteral("SelectGestureKey");

    QString tr(const char *text)
    {
        return QCoreApplication::translate("pennova::GestureKeys", text);
    }
} // namespace

GestureKeys::GestureKeys()
{
    for (const Gesture g : kGestures)
        m_bindings[size_t(g)] = factoryBinding(g);
}

GestureBinding GestureKeys::factoryBinding(Gesture gesture)
{
    switch (gesture) {
    case Gesture::Erase:
        return GestureBinding::modifiers(Qt::AltModifier);
    case Gesture::Rotate:
        return GestureBinding::modifiers(Qt::MetaModifier);
    case Gesture::Select:
        return GestureBinding::modifiers(Qt::ControlModifier);
    }
    return {};
}

const QString &GestureKeys::settingsKey(Gesture gesture)
{
    switch (gesture) {
    case Gesture::Erase:
        return kEraseKey;
    case Gesture::Rotate:
        return kRotateKey;
    case Gesture::Select:
        break;
    }
    return kSelectKey;
}

bool GestureKeys::isSettingsKey(const QString &key)
{
    return key == kEraseKey || key == kRotateKey || key == kSelectKey;
}

QString GestureKeys::gestureName(Gesture gesture)
{
    switch (gesture) {
    case Gesture::Erase:
        return tr("erasing");
    case Gesture::Rotate:
        return tr("rotating");
    case Gesture::Select:
        break;
    }
    return tr("selecting");
}

bool GestureKeys::isReservedLetter(QChar letter)
{
    const QChar c = letter.toUpper();
    return c == QLatin1Char('I') || c == QLatin1Char('P') || c == QLatin1Char('C')
        || c == QLatin1Char('E');
}

GestureKeys GestureKeys::fromDefaults(const Defaults &defaults)
{
    GestureKeys keys;
    bool damaged = false;
    for (const Gesture g : kGestures) {
        if (!defaults.hasStoredValue(settingsKey(g)))
            continue;
        const std::optional<GestureBinding> b
            = GestureBinding::fromText(defaults.stringForKey(settingsKey(g)));
        if (b && b->isValid() && !(b->isLetter() && isReservedLetter(b->toText().at(0))))
            keys.m_bindings[size_t(g)] = *b;
        else
            damaged = true;
    }
    // Every binding must differ from the others; otherwise nothing stored can be trusted to say
    // which gesture the user meant.
    const auto &b = keys.m_bindings;
    if (b[0] == b[1] || b[0] == b[2] || b[1] == b[2]) {
        qWarning("Gesture keys: two gestures share a key in the settings; the factory keys apply.");
        return GestureKeys();
    }
    if (damaged)
        qWarning("Gesture keys: a stored key is not one Pennova knows; its factory key applies.");
    return keys;
}

QString GestureKeys::problemWith(Gesture gesture, const GestureBinding &binding) const
{
    if (!binding.isValid())
        return tr("Choose a key for %1.").arg(gestureName(gesture));
    if (binding.isLetter() && isReservedLetter(binding.toText().at(0)))
        return tr("%1 has a command of its own; choose another letter.").arg(binding.toText());
    for (const Gesture other : kGestures) {
        if (other != gesture && m_bindings[size_t(other)] == binding)
            return tr("%1 is already the key for %2.")
                .arg(binding.displayText(), gestureName(other));
    }
    return QString();
}

bool GestureKeys::setBinding(Gesture gesture, const GestureBinding &binding)
{
    if (!problemWith(gesture, binding).isEmpty())
        return false;
    m_bindings[size_t(gesture)] = binding;
    return true;
}

void GestureKeys::store(Defaults &defaults) const
{
    for (const Gesture g : kGestures) {
        if (defaults.stringForKey(settingsKey(g)) != binding(g).toText()
            || !defaults.hasStoredValue(settingsKey(g)))
            defaults.setString(settingsKey(g), binding(g).toText());
    }
}

GestureKeys::Held GestureKeys::held(Qt::KeyboardModifiers modifiers, quint32 heldLetters) const
{
    std::array<bool, 3> on {};
    for (size_t i = 0; i < on.size(); ++i)
        on[i] = m_bindings[i].isHeld(modifiers, heldLetters);
    std::array<bool, 3> result = on;
    for (size_t i = 0; i < on.size(); ++i) {
        const Qt::KeyboardModifiers mine = m_bindings[i].modifierSet();
        for (size_t j = 0; j < on.size(); ++j) {
            const Qt::KeyboardModifiers theirs = m_bindings[j].modifierSet();
            // j's modifiers strictly contain i's, and j is held: i gives way.
            if (i != j && on[j] && mine != Qt::NoModifier && theirs != mine
                && (theirs & mine) == mine)
                result[i] = false;
        }
    }
    return Held { result[size_t(Gesture::Erase)], result[size_t(Gesture::Rotate)],
        result[size_t(Gesture::Select)] };
}

quint32 GestureKeys::letterBits() const
{
    quint32 bits = 0;
    for (const GestureBinding &b : m_bindings)
        bits |= b.letterBit();
    return bits;
}

} // namespace pennova
