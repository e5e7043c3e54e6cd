#include "settings/gesturebinding.h"

#include <QStringList>

namespace pennova {

namespace {
    struct ModifierName
    {
        Qt::KeyboardModifier modifier;
        const char *name;
    };
    // In the order they are written and shown.
    constexpr ModifierName kNames[] = {
        { Qt::ControlModifier, "Ctrl" },
        { Qt::AltModifier, "Alt" },
        { Qt::MetaModifier, "Meta" },
    };

    // Longer than any binding's text; a longer stored text is not looked at.
    constexpr qsizetype kLongestText = 32;
} // namespace

GestureBinding GestureBinding::modifiers(Qt::KeyboardModifiers modifiers)
{
    GestureBinding b;
    b.m_modifiers = modifiers & kBindableModifiers;
    return b;
}

GestureBinding GestureBinding::letter(QChar letter)
{
    GestureBinding b;
    const char16_t upper = letter.toUpper().unicode();
    if (upper >= u'A' && upper <= u'Z')
        b.m_letter = upper;
    return b;
}

std::optional<GestureBinding> GestureBinding::fromText(const QString &text)
{
    if (text.size() > kLongestText)
        return std::nullopt;
    const QString trimmed = text.trimmed();
    if (trimmed.size() == 1) {
        const GestureBinding b = letter(trimmed.at(0));
        return b.isValid() ? std::optional(b) : std::nullopt;
    }
    Qt::KeyboardModifiers mods;
    for (const QString &part : trimmed.split(QLatin1Char('+'))) {
        const QString word = part.trimmed();
        bool known = false;
        for (const ModifierName &m : kNames) {
            if (word.compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0) {
                if (mods.testFlag(m.modifier))
                    return std::nullopt; // "Alt+Alt"
                mods |= m.modifier;
                known = true;
            }
        }
        if (!known)
            return std::nullopt;
    }
    return modifiers(mods);
}

QString GestureBinding::toText() const
{
    if (m_letter)
        return QString(QChar(m_letter));
    QStringList parts;
    for (const ModifierName &m : kNames) {
        if (m_modifiers.testFlag(m.modifier))
            parts << QLatin1String(m.name);
    }
    return parts.join(QLatin1Char('+'));
}

QString GestureBinding::displayText() const
{
    return toText().replace(QLatin1Char('+'), QLatin1String(" + "));
}

Qt::Key GestureBinding::key() const
{
    return m_letter ? Qt::Key(Qt::Key_A + (m_letter - u'A')) : Qt::Key_unknown;
}

quint32 GestureBinding::letterBit() const
{
    return m_letter ? letterKeyBit(key()) : 0u;
}

bool GestureBinding::isHeld(Qt::KeyboardModifiers held, quint32 heldLetters) const
{
    if (m_letter)
        return (heldLetters & letterBit()) != 0;
    return m_modifiers != Qt::NoModifier && (held & m_modifiers) == m_modifiers;
}

quint32 letterKeyBit(int qtKey)
{
    if (qtKey < Qt::Key_A || qtKey > Qt::Key_Z)
        return 0u;
    return 1u << (qtKey - Qt::Key_A);
}

} // namespace pennova
