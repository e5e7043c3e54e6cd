#pragma once

// The eraser tool (type 2): size (0 to 48) and strength (1 to 100), both disabled until given a
// value or ticked.

#include "palette/tptool.h"

namespace pennova {

class TPEraser : public TPTool
{
    Q_OBJECT
public:
    static constexpr quint32 kMaxSize = 48;

    explicit TPEraser(QWidget *parent = nullptr);

    void updateIcon() override;
};

} // namespace pennova
