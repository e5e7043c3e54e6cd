#include "canvas/selection.h"

#include <cmath>

namespace pennova {

namespace {
    Rect outset(const Rect &r, float n)
    {
        return insetRect(r, -n, -n);
    }
    float sign(float v)
    {
        return v >= 0.0f ? 1.0f : -1.0f;
    }
} // namespace

void SelectionModel::clearRect()
{
    selcorners = Corners {};
    selectionExists = false;
}

void SelectionModel::setSelrect(const Rect &r)
{
    selrect = r;
    getPointsFromRect(selrect, selcorners);
}

void SelectionModel::takeAspectRatio(const Rect &r)
{
    // A selection without area has no ratio; dividing by its zero height would make the next
    // proportional resize infinite or undefined.
    if (r.size.width > 0.0f && r.size.height > 0.0f)
        selAR = r.size.width / r.size.height;
}

void SelectionModel::selectAll(Size canvasSize)
{
    selectionExists = true;
    setSelrect(MakeRect(Point {}, canvasSize));
}

void SelectionModel::deselectAll()
{
    selectionExists = false;
    setSelrect(Rect {});
}

Rect SelectionModel::getSelPath() const
{
    return integralRect(selrect);
}

Rect SelectionModel::boundingRectOfCorners() const
{
    return integralRect(unionRect(rectFromPoints(selcorners[0], selcorners[2]),
        rectFromPoints(selcorners[1], selcorners[3])));
}

bool SelectionModel::press(Point point, bool shift, bool pasteFloats)
{
    selclick = NewSelection;
    if (!selectionExists) {
        // With Shift the drag zooms; otherwise it draws a new selection.
        if (!shift)
            clearRect();
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        // Lower edges included, upper edges excluded.
        const Rect handle = MakeRect(selcorners[size_t(i)].x - kHandleSize / 2,
            selcorners[size_t(i)].y - kHandleSize / 2, kHandleSize, kHandleSize);
        if (pointInRect(point, handle)) {
            selclick = i;
            return true;
        }
        if (!shift)
            takeAspectRatio(selrect);
    }
    if (pointInRect(point, getSelPath()) || pasteFloats)
        selclick = WholeSelection;
    return false;
}

Rect SelectionModel::drag(Point q, Point &anchor, bool shift)
{
    oldselrect = outset(selrect, 2);
    if (selclick == NewSelection) {
        // Always the rectangle from the press point to the pointer.
        setSelrect(integralRect(rectFromPoints(anchor, q)));
        takeAspectRatio(selrect);
    } else if (selclick >= 0 && selclick < 4) {
        const Point e = selcorners[size_t((selclick + 2) % 4)];
        Point n = q;
        if (shift) {
            // Keep the ratio: project the pointer onto the rectangle of ratio selAR with the
            // fixed corner e.
            const float dx = q.x - e.x, dy = q.y - e.y;
            if (dx >= dy)
                n.x = e.x + sign(dx) * std::fabs(dy * selAR);
            else
                n.y = e.y + sign(dy) * std::fabs(dx / selAR);
        }
        setSelrect(rectFromPoints(n, e));
        // The held handle follows the pointer across the opposite corner.
        for (int i = 0; i < 4; ++i)
            if (selcorners[size_t(i)] == n)
                selclick = i;
        selrect = integralRect(selrect);
        if (!shift)
            takeAspectRatio(selrect);
    } else if (selclick == WholeSelection) {
        translatePoints(selcorners, q - anchor);
        anchor = q;
        selrect = boundingRectOfCorners();
    }
    return unionRect(outset(selrect, 2), oldselrect);
}

Rect SelectionModel::moveBy(Point delta)
{
    oldselrect = outset(selrect, 1);
    translatePoints(selcorners, delta);
    selrect.origin = selrect.origin + delta;
    return unionRect(outset(selrect, 2), oldselrect);
}

void SelectionModel::release()
{
    if (selrect.size.width > 0.0f && selrect.size.height > 0.0f)
        selectionExists = true;
}

Rect SelectionModel::nudge(Point delta)
{
    translatePoints(selcorners, delta);
    oldselrect = outset(selrect, 2);
    selrect = boundingRectOfCorners();
    return unionRect(outset(selrect, 2), oldselrect);
}

void SelectionModel::placePaste(const Rect &rect)
{
    oldselrect = outset(selrect, 1);
    setSelrect(rect);
    takeAspectRatio(rect);
    selectionExists = true;
}

} // namespace pennova
