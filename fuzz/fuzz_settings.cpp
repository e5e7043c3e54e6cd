// The settings file: any bytes as the INI file the store reads, then every key read with every
// typed read, and the readers that interpret them (the colour, the recent pictures, the values the
// tool settings clamp).

#include "fuzzsupport.h"
#include "palette/settingvalue.h"
#include "settings/colorarchive.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "settings/recentfiles.h"

#include <QFile>

using namespace pennova;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::scratchFolder() + QStringLiteral("/fuzz.conf");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(fuzz::bytesOf(data, size));
    }
    Defaults defaults(path);
    registerApplicationDefaults(defaults);
    for (const QString &key :
        { keys::BrushSize, keys::BrushSizeMin, keys::EraserSize, keys::EraserStrength, keys::Ink,
            keys::Color, keys::UndoLevels, keys::DonateMessage, keys::ImageWidth, keys::ImageHeight,
            keys::ServerAddress, keys::RecentFiles, keys::ToolPanelFrame }) {
        (void)defaults.floatForKey(key);
        (void)defaults.integerForKey(key);
        (void)defaults.boolForKey(key);
        (void)defaults.dataForKey(key);
        (void)defaults.stringForKey(key);
        (void)settingvalue::integerInRange(
            settingvalue::numberFromValue(defaults.objectForKey(key)), ValueRange { 1, 47 });
    }
    (void)colorFromDefaults(defaults);
    (void)recentfiles::read(defaults);
    return 0;
}
