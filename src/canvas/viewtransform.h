#pragma once

// The canvas view's bounds transform: frame size, zoom, rotation and bounds origin, and the
// mapping between canvas and view coordinates they define. A plain value type; the widget owns
// one and converts Qt's y-down widget coordinates to the y-up view coordinates used here.

#include "canvas/geometry.h"

#include <QTransform>

namespace pennova {

// View coordinates: window pixels from the view's lower-left corner, y up. Canvas coordinates:
// canvas pixels, origin lower-left, y up. A canvas point q shows at the view point
//     f = z · R(θ) · q + t
// with z the zoom (view pixels per canvas pixel), R(θ) the counter-clockwise rotation by θ degrees
// and t the translation. t is fixed by the bounds origin o: the four view corners carried back to
// canvas coordinates have a bounding box whose lower-left corner is o. With θ = 0, f = z · (q − o).
// Arithmetic runs in double; values come in and go out as floats like the rest of the canvas code.
class ViewTransform
{
public:
    ViewTransform() = default;
    explicit ViewTransform(Size frameSize);

    // The view's size in window pixels. Resizing keeps t: the picture stays put relative to the
    // view's lower-left corner (and so, unrotated, the bounds origin stays the same).
    void setFrameSize(Size frameSize);
    Size frameSize() const;

    // z = frame width / bounds width, rounded to float. The bounds origin is kept; callers set it
    // right after. A bounds width that is not positive and finite, or a zero frame width, is
    // ignored. Note W / (W / z) is not always z again in float: setZoom() keeps z exactly.
    void setBoundsSize(Size boundsSize);
    // Sets z directly; a zoom that is not positive and finite is ignored.
    void setZoom(float zoom);
    float zoom() const;

    // Turns the picture about the view position of canvas (0, 0), which stays where it was (t is
    // kept); the bounds origin changes accordingly. Non-finite angles are ignored.
    void setBoundsRotation(float angleDegrees);
    float boundsRotation() const;

    // Moves the picture so that the canvas bounding box of the view has lower-left corner o.
    void setBoundsOrigin(Point canvasOrigin);
    Point boundsOrigin() const;

    // The canvas bounding box of the view: origin o, size (W / z, H / z) unrotated, larger rotated.
    Rect bounds() const;

    Point viewToCanvas(Point viewPoint) const;
    Point canvasToView(Point canvasPoint) const;
    // Bounding rectangles of the mapped corners; an empty rectangle maps to the zero rectangle.
    Rect canvasToViewRect(const Rect &canvasRect) const;
    Rect viewToCanvasRect(const Rect &viewRect) const;

    // Canvas to view, both y up, for drawing the picture.
    QTransform canvasToViewTransform() const;

private:
    struct Vec
    {
        double x;
        double y;
    };

    // Recomputes the cached cosine, sine and corner minimum after θ, z or the frame changed.
    void update();
    Vec cornerMinimum() const;

    double m_width = 0.0;
    double m_height = 0.0;
    float m_zoom = 1.0f;
    float m_rotationDegrees = 0.0f;
    double m_originX = 0.0;
    double m_originY = 0.0;

    double m_cos = 1.0;
    double m_sin = 0.0;
    // m: lower-left corner of the bounding box of R(−θ) · corner / z over the four view corners,
    // so that t = z · R(θ) · (m − o). Zero when unrotated.
    Vec m_min { 0.0, 0.0 };
};

// The origin reset view gives (zoom back to 1, no rotation): the old bounds origin times the old
// zoom, clamped per axis so that a canvas larger than the content area keeps covering it and a
// smaller one stays wholly inside it. canvasSize is the canvas in pixels, contentSize the window's
// content area in window pixels.
Point resetZoomOrigin(Point oldOrigin, float oldZoom, Size canvasSize, Size contentSize);

// The zoom in whole percent, truncated, as the status box shows it and the redisplay rule of the
// zoom drag compares it. A zoom within float precision of a whole percentage is that percentage:
// 0.99 gives 99, although the float nearest to it lies a little below.
int zoomPercent(float zoom);

// The zoom range of the gestures: 50 % to 800 %. Zoom to Fit may go below 50 % to show a large
// canvas whole; a gesture that starts there may then go down to where it started.
constexpr float kGestureZoomMin = 0.5f;
constexpr float kZoomMax = 8.0f;

// One step of the zoom drag: dy window pixels up change the zoom by dy / k of itself, with k = 150
// when fast (the drag's rate modifier held) and 300 otherwise; the result is limited to
// [lowest, 8] and truncated to whole percent (zoomPercent), stored as the float nearest to that
// percentage. lowest is 50 % unless the gesture started below it (a fitted view); there, below
// 50 %, the zoom is not truncated, so that it moves smoothly instead of by whole percent (at 20 %
// a whole percent is 1/20 of the zoom).
float zoomStep(float zoom, float dy, bool fast, float lowest = kGestureZoomMin);

// The zoom that shows the whole canvas in the frame: the larger scale at which both sides fit,
// truncated to whole percent, from 1 % to 800 %. A canvas or frame without area gives 1.
float fitZoom(Size canvasSize, Size frameSize);

// The content size that holds the whole zoomed canvas: zoom × canvasSize.
Size standardFrameContent(float zoom, Size canvasSize);

} // namespace pennova
