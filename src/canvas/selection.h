#pragma once

// The canvas's one selection: an axis-aligned rectangle of canvas pixels with its four corners,
// and how pointer drags and arrow keys edit it. Headless; the canvas view routes events here and
// redisplays the rectangles it reports. Canvas coordinates: pixels, origin lower-left, y up.
// Corners are numbered 0 lower-left, 1 lower-right, 2 upper-right, 3 upper-left; the opposite of
// corner k is corner (k + 2) mod 4.

#include "canvas/geometry.h"

namespace pennova {

class SelectionModel
{
public:
    // What a selection drag holds.
    enum Handle
    {
        NewSelection = -1,
        WholeSelection = 4 // 0..3 are the corners
    };

    static constexpr float kHandleSize = 20.0f; // square around each corner that grabs it

    bool selectionExists = false;
    Rect selrect; // whole pixels after every edit
    Corners selcorners {}; // may be fractional after a proportional resize
    Rect oldselrect; // where the selection was before the latest change, for redisplay
    float selAR = 1.0f; // width / height kept by the proportional resize
    int selclick = NewSelection;

    // Forgets the corners; the rectangle is kept.
    void clearRect();
    void selectAll(Size canvasSize);
    void deselectAll();
    // The selection outline: the rectangle rounded outwards to whole pixels.
    Rect getSelPath() const;

    // A press in selection mode at a whole-pixel point. Returns true when the press took a
    // corner handle (a Shift press there resizes proportionally instead of zooming).
    bool press(Point point, bool shift, bool pasteFloats);
    // A drag to a whole-pixel point; `anchor` is the press point for a new selection and the
    // previous pointer point for a move (updated here). Returns the rectangle to redisplay.
    Rect drag(Point point, Point &anchor, bool shift);
    // Moves the selection by whole pixels (a floating paste dragged outside selection mode).
    Rect moveBy(Point delta);
    // End of a selection drag: a rectangle with area becomes the selection.
    void release();
    // Arrow keys: moves the corners by the offset and returns the rectangle to redisplay.
    Rect nudge(Point delta);
    // A floating paste placed at a rectangle becomes the selection.
    void placePaste(const Rect &rect);

private:
    void setSelrect(const Rect &r);
    // Keeps the width-to-height ratio of a rectangle with area; others leave it as it was.
    void takeAspectRatio(const Rect &r);
    Rect boundingRectOfCorners() const;
};

} // namespace pennova
