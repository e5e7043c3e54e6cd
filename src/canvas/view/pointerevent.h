#pragma once

// A pointer event as the canvas view's handlers see it: converted once, at the widget boundary,
// from Qt's mouse or tablet event.

#include "canvas/geometry.h"

#include <Qt>

class QPointingDevice;

namespace pennova {

struct PointerEvent
{
    Point location; // view coordinates: window pixels from the view's lower-left corner, y up
    float pressure = 1.0f; // 0..1; a plain mouse reports 1 while its button is down
    Qt::KeyboardModifiers modifiers;
    const QPointingDevice *device = nullptr; // where the event came from
    bool tablet = false;
};

} // namespace pennova
