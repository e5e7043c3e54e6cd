#include "palette/tpbrush.h"

#include "palette/tpsetting.h"
#include "settings/colorarchive.h"
#include "settings/defaultskeys.h"

#include <QPainter>
#include <QPainterPath>
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

// A plain stand-in for the pen icon: a nib in the tool's colour, grey without one.
void TPBrush::updateIcon()
{
    const ToolRecord record = dictRepresentation();
    QColor fill(160, 160, 160);
    if (const auto color = ColorArchive::decode(record.value(keys::Color).toByteArray()))
        fill = QColor::fromRgbF(color->red, color->green, color->blue, color->alpha);

    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath nib;
    nib.moveTo(6, 26);
    nib.lineTo(12, 14);
    nib.lineTo(28, -2);
    nib.lineTo(34, 4);
    nib.lineTo(18, 20);
    nib.closeSubpath();
    painter.fillPath(nib, fill);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawPath(nib);
    painter.end();
    setIcon(image);
}

} // namespace pennova
