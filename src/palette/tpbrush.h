#pragma once

// The pen tool (type 1): minimum and maximum size (0 to 48, kept in order: raising the minimum
// above the maximum raises the maximum, lowering the maximum below the minimum lowers the
// minimum), colour and ink mode, all disabled until given a value or ticked.

#include "palette/tptool.h"

namespace pennova {

class TPBrush : public TPTool
{
    Q_OBJECT
public:
    static constexpr quint32 kMaxSize = 48;

    explicit TPBrush(QWidget *parent = nullptr);

    void settingChanged(TPSetting *setting) override;
    void updateIcon() override;
};

} // namespace pennova
