#include "settings/penbuttons.h"

#include "settings/defaults.h"

#include <QCoreApplication>

namespace pennova::penbuttons {

namespace {
    const QString kLowerKey = QStringLiteral("PenLowerButton");
    const QString kUpperKey = QStringLiteral("PenUpperButton");

    struct RoleName
    {
        PenButtonRole role;
        const char *word;
        const char *title;
    };
    constexpr RoleName kRoles[] = {
        { PenButtonRole::None, "none", QT_TRANSLATE_NOOP("pennova::PenButtons", "Nothing") },
        { PenButtonRole::Pan, "pan", QT_TRANSLATE_NOOP("pennova::PenButtons", "Move the canvas") },
        { PenButtonRole::Zoom, "zoom", QT_TRANSLATE_NOOP("pennova::PenButtons", "Zoom") },
        { PenButtonRole::Rotate, "rotate",
            QT_TRANSLATE_NOOP("pennova::PenButtons", "Rotate the view") },
        { PenButtonRole::PickColor, "pick",
            QT_TRANSLATE_NOOP("pennova::PenButtons", "Pick a color from the canvas") },
    };
} // namespace

PenButtonRole factoryRole(PenButton button)
{
    return button == PenButton::Lower ? PenButtonRole::Pan : PenButtonRole::PickColor;
}

const QString &settingsKey(PenButton button)
{
    return button == PenButton::Lower ? kLowerKey : kUpperKey;
}

bool isSettingsKey(const QString &key)
{
    return key == kLowerKey || key == kUpperKey;
}

QString roleText(PenButtonRole role)
{
    for (const RoleName &r : kRoles) {
        if (r.role == role)
            return QLatin1String(r.word);
    }
    return QString();
}

PenButtonRole roleFromText(const QString &text, PenButton button)
{
    const QString word = text.trimmed();
    for (const RoleName &r : kRoles) {
        if (word.compare(QLatin1String(r.word), Qt::CaseInsensitive) == 0)
            return r.role;
    }
    return factoryRole(button);
}

QString roleTitle(PenButtonRole role)
{
    for (const RoleName &r : kRoles) {
        if (r.role == role)
            return QCoreApplication::translate("pennova::PenButtons", r.title);
    }
    return QString();
}

PenButtonRole role(const Defaults &defaults, PenButton button)
{
    if (!defaults.hasStoredValue(settingsKey(button)))
        return factoryRole(button);
    return roleFromText(defaults.stringForKey(settingsKey(button)), button);
}

void setRole(Defaults &defaults, PenButton button, PenButtonRole newRole)
{
    defaults.setString(settingsKey(button), roleText(newRole));
}

} // namespace pennova::penbuttons
