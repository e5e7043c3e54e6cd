#pragma once

// The icons of the palette's tools, drawn from a tool record so that only enabled settings show.
// Each icon is 32 × 32 points, rendered at a device pixel ratio (2 gives a 64 × 64 image that
// draws as 32 × 32). The drawings are laid out in y-up coordinates from the icon's lower-left
// corner.
//
// Pen: the pen's tip end, filled with its colour (with a white highlight stripe, brighter towards
// its middle) or, without a colour, with a grey checkerboard; with "ink" an emblem under the tip:
// a blue line and a circle, and a second blue line when ink is off; the sizes as "min-max" text,
// "*" for a size that is not set. Eraser: a pink block with three shaded faces, its size at the
// top left and its strength at the bottom.

#include "palette/toolrecord.h"

#include <QImage>

namespace pennova::toolicons {

constexpr int kIconSize = 32;
// Text is set in a small sans-serif face this many points high.
constexpr int kTextPointSize = 6;

QImage penIcon(const ToolRecord &record, qreal devicePixelRatio = 1.0);
QImage eraserIcon(const ToolRecord &record, qreal devicePixelRatio = 1.0);

} // namespace pennova::toolicons
