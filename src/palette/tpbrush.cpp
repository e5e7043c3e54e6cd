#include "palette/tpbrush.h"

#include "palette/toolicons.h"
#include "palette/tpsetting.h"
#include "settings/defaultskeys.h"

#include <algorithm>

namespace pennova {

TPBrush::TPBrush(QWidget *parent)
    : TPTool(parent)
{
    setType(ToolRecord::kPenType);
    TPSetting *minimum = addSetting(keys::BrushSizeMin, tr("Size (Min): "), SettingType::Integer);
    TPSetting *maximum = addSetting(keys::BrushSize, tr("Size (Max): "), SettingType::Integer);
    addSetting(keys::Color, tr("Color: "), SettingType::Color);
    addSetting(keys::Ink, tr("Ink Mode: "), SettingType::OnOff);
    minimum->setAllowedRange(ValueRange { 0, kMaxSize });
    maximum->setAllowedRange(ValueRange { 0, kMaxSize });
    updateIcon();
    layout();
}

// The two sizes stay in order. The changed size is compared as typed, before its own clamp; the
// other one is clamped by its own range when it is given the new value.
void TPBrush::settingChanged(TPSetting *setting)
{
    const bool minimumChanged = setting->key() == keys::BrushSizeMin;
    if (!minimumChanged && setting->key() != keys::BrushSize)
        return;
    TPSetting *other = settingForKey(minimumChanged ? keys::BrushSize : keys::BrushSizeMin);
    if (!other)
        return;
    const int typed = setting->getValue().toInt();
    const int current = other->getValue().toInt();
    other->setValue(minimumChanged ? std::max(typed, current) : std::min(typed, current));
}

void TPBrush::updateIcon()
{
    setIcon(toolicons::penIcon(dictRepresentation(), devicePixelRatioF()));
}

} // namespace pennova
