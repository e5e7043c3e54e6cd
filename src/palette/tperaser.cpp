#include "palette/tperaser.h"

#include "palette/tpsetting.h"
#include "settings/defaultskeys.h"

#include <QPainter>

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

// A plain stand-in for the eraser icon: a pink block.
void TPEraser::updateIcon()
{
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(16, 18);
    painter.rotate(-30);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(QColor::fromRgbF(0.95, 0.8, 0.8));
    painter.drawRoundedRect(QRectF(-13, -7, 26, 14), 3, 3);
    painter.end();
    setIcon(image);
}

} // namespace pennova
