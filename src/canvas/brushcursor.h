#pragma once

// The brush-outline cursor: a circle as wide as the brush on screen, filled with the brush
// colour at 80 % for the pen (with a vertical line in ink mode), an "E" in it for the eraser end,
// outlined in magenta so it shows on any picture.

#include "settings/colorarchive.h"

#include <QImage>
#include <QPoint>
#include <optional>

namespace pennova {

struct BrushCursorImage
{
    QImage image; // ceil(d) + 2 pixels square
    QPoint hotSpot; // the circle's centre
};

// d is the brush diameter in screen pixels (brush size times zoom).
BrushCursorImage renderBrushCursor(
    float diameterScreen, const std::optional<RgbaColor> &colour, bool eraser, bool ink);

} // namespace pennova
