#pragma once

// What the two side buttons of a tablet pen do over the canvas: the lower one (nearer the tip)
// pans at the factory, the upper one picks a colour from the canvas. Read from the settings
// ("PenLowerButton", "PenUpperButton": "pan", "zoom", "rotate", "pick" or "none"); a stored text
// that is none of these reads as the factory role.

#include <QString>

namespace pennova {

class Defaults;

enum class PenButton
{
    Lower,
    Upper,
};

enum class PenButtonRole
{
    None,
    Pan,
    Zoom,
    Rotate,
    PickColor,
};

namespace penbuttons {

    PenButtonRole factoryRole(PenButton button);
    const QString &settingsKey(PenButton button);
    bool isSettingsKey(const QString &key);
    PenButtonRole role(const Defaults &defaults, PenButton button);
    void setRole(Defaults &defaults, PenButton button, PenButtonRole role);

    // The stored word of a role, and back; an unknown word gives the factory role of the button.
    QString roleText(PenButtonRole role);
    PenButtonRole roleFromText(const QString &text, PenButton button);
    // As the preferences and the key reference name it: "Pan", "Pick a colour from the canvas" ...
    QString roleTitle(PenButtonRole role);

} // namespace penbuttons

} // namespace pennova
