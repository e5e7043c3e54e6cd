#include "palette/tperaser.h"

#include "palette/toolicons.h"
#include "palette/tpsetting.h"
#include "settings/defaultskeys.h"

namespace pennova {

TPEraser::TPEraser(QWidget *parent)
    : TPTool(parent)
{
    setType(ToolRecord::kEraserType);
    TPSetting *size = addSetting(keys::EraserSize, tr("Eraser Size: "), SettingType::Integer);
    TPSetting *strength = addSetting(keys::EraserStrength, tr("Strength: "), SettingType::Integer);
    size->setAllowedRange(ValueRange { 0, kMaxSize });
    // 1 through 100: the upper end is location + length.
    strength->setAllowedRange(ValueRange { 1, 99 });
    updateIcon();
    layout();
}

void TPEraser::updateIcon()
{
    setIcon(toolicons::eraserIcon(dictRepresentation(), devicePixelRatioF()));
}

} // namespace pennova
