#pragma once

// What the user holds to turn a drag into one of the changeable gestures (erase with the pen tip,
// rotate, select): one or more of Ctrl, Alt and Meta held together, or one letter key held down
// alone, as Space is held to pan. A plain value; stored in the settings as text ("Alt",
// "Ctrl+Alt", "R").

#include <QString>
#include <Qt>
#include <optional>

namespace pennova {

class GestureBinding
{
public:
    // The modifiers a binding may combine. Shift is not among them: it zooms, steps the brush by
    // five and keeps a selection's proportions.
    static constexpr Qt::KeyboardModifiers kBindableModifiers
        = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

    // No binding: never held.
    GestureBinding() = default;
    // Modifiers outside Ctrl, Alt and Meta are dropped; none left gives no binding.
    static GestureBinding modifiers(Qt::KeyboardModifiers modifiers);
    // A letter key A..Z (either case); anything else gives no binding.
    static GestureBinding letter(QChar letter);

    // The stored form back: modifier names joined by "+" in any order and case ("alt+ctrl"), or
    // one letter. Nothing for any other text, Shift included.
    static std::optional<GestureBinding> fromText(const QString &text);
    // "Ctrl+Alt+Meta" order, or the letter in upper case; empty for no binding.
    QString toText() const;
    // As the key reference and the menus show it: "Ctrl + Alt", "R".
    QString displayText() const;

    bool isValid() const { return m_modifiers != Qt::NoModifier || m_letter != 0; }
    bool isLetter() const { return m_letter != 0; }
    Qt::KeyboardModifiers modifierSet() const { return m_modifiers; }
    // The letter's Qt key (Qt::Key_A ..), or Qt::Key_unknown for a modifier binding.
    Qt::Key key() const;
    // Bit i stands for the letter 'A' + i, as in DrawView's set of held letter keys.
    quint32 letterBit() const;

    // Held when every one of its modifiers is held (others may be held as well), or when its
    // letter's bit is set in heldLetters.
    bool isHeld(Qt::KeyboardModifiers held, quint32 heldLetters) const;

    bool operator==(const GestureBinding &other) const
    {
        return m_modifiers == other.m_modifiers && m_letter == other.m_letter;
    }
    bool operator!=(const GestureBinding &other) const { return !(*this == other); }

private:
    Qt::KeyboardModifiers m_modifiers;
    char16_t m_letter = 0; // 'A'..'Z', or 0
};

// The bit of a letter key in a set of held letter keys; 0 for any key that is not A..Z.
quint32 letterKeyBit(int qtKey);

} // namespace pennova
