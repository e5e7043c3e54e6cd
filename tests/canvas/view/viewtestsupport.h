#pragma once

// Shared by the canvas view tests: a view shown off screen (so that it has its real size), and
// pointer events in view coordinates (window pixels from the lower-left corner, y up).

#include "canvas/view/drawview.h"

#include <memory>

namespace pennova::test {

inline std::unique_ptr<DrawView> makeShownView(
    Defaults &defaults, QSize viewSize, Size canvasSize, UndoHistory *history = nullptr)
{
    auto view = std::make_unique<DrawView>(defaults);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(viewSize);
    view->show();
    if (history)
        view->setUndoHistory(history);
    view->newImageWithSize(canvasSize);
    return view;
}

inline PointerEvent pointerAt(float x, float y, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    PointerEvent e;
    e.location = Point { x, y };
    e.modifiers = modifiers;
    return e;
}

} // namespace pennova::test
