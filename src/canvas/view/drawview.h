#pragma once

// The canvas view of a document window. It owns the canvas surface, the stroke engine, the erase
// image and the view transform, and routes pointer, tablet and key events into them: a press
// chooses between a gesture and a stroke, a drag paints one segment, a release commits the
// stroke to the document's undo history. All canvas geometry is in canvas pixels with the
// origin at the lower-left and y up; Qt's y-down widget coordinates are converted at the event
// boundary.
//
// The class is split by concern: drawview.cpp (set-up, surface, undo), drawview_pointer.cpp
// (pointer and tablet events, keys, the stroke path), drawview_gestures.cpp (pan, zoom, rotate,
// view commands), drawview_selection.cpp (selection editing, marquee, delete),
// drawview_clipboard.cpp (copy, cut, paste, drops), drawview_brush.cpp (brush size, colour, ink,
// cursor), drawview_display.cpp (drawing), drawview_blit.cpp (the one-to-one copy into the
// backing store), drawview_picker.cpp (sliding the colour picker strip),
// drawview_navigation.cpp (wheel, touchpad, middle button, pen buttons, Zoom to Fit).

#include "canvas/brush.h"
#include "canvas/canvassurface.h"
#include "canvas/canvasundo.h"
#include "canvas/eraseimage.h"
#include "canvas/selection.h"
#include "canvas/strokeengine.h"
#include "canvas/strokepainter.h"
#include "canvas/transformeddraw.h"
#include "canvas/view/paintinggate.h"
#include "canvas/view/pointerevent.h"
#include "canvas/view/readprogress.h"
#include "canvas/viewtransform.h"
#include "canvasui/mousetracker.h"
#include "settings/gesturekeys.h"
#include "settings/penbuttons.h"
#include "settings/pressurecurve.h"

#include <QCursor>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

class QAction;
class QBrush;
class QNativeGestureEvent;
class QSinglePointEvent;
class QPainter;
class QVariantAnimation;

namespace pennova {

class Defaults;
class MyTextField;
class UndoHistory;

class DrawView : public QWidget
{
    Q_OBJECT
public:
    explicit DrawView(Defaults &defaults, QWidget *parent = nullptr);
    ~DrawView() override;

    // Creates the canvas surface at a size in pixels, opaque white. False (and logged) when it
    // cannot be made; the view then shows no picture.
    bool newImageWithSize(Size size);
    // Makes the given picture the canvas (opened files).
    bool adoptImage(QImage picture);
    CanvasSurface &surface() { return m_surface; }
    const CanvasSurface &surface() const { return m_surface; }
    // Waits until the stroke's segments queued for the painting thread are painted, and asks
    // for their repaint. The canvas and the stroke are then the caller's to read or change.
    // Every event but a stroke's own does this first; code that reads the canvas between a
    // stroke's events without one (a test, a replay) calls it.
    void finishPainting();
    Size imgsize() const { return m_surface.imgsize(); }

    // The document's undo history; strokes are recorded there.
    void setUndoHistory(UndoHistory *history);
    UndoHistory *undoHistory() const;

    const ViewTransform &transform() const { return m_transform; }
    Point viewToCanvas(Point viewPoint) const { return m_transform.viewToCanvas(viewPoint); }

    // Brush (drawview_brush.cpp).
    void setBrushSize(float size);
    float getBrushSize() const;
    std::optional<RgbaColor> getColor() const { return m_brush.getColor(); }
    float brushsize() const { return m_brushsize; }
    const QCursor &brushCursor() const { return m_brushCursor; }
    void setInk();
    // Re-applies the stored size of the pen end in use (proximity, first click, modifiers).
    void prox();
    bool isEraser() const;

    // Steps the stored size of the end in use by `step` pixels: five times with Shift, twice
    // that with Alt.
    void modifyBrush(int step, Qt::KeyboardModifiers modifiers);

    // What erasing paints; white until the canvas is sealed.
    const EraseImage &eraseImage() const { return m_eraseImage; }
    // Seal (1): erasing and Delete restore the picture as it is now. Unseal (0): they paint white.
    // Each canvas has its own, so sealing one document never affects another.
    void setErase(int tag);

    // Status messages in the box over the canvas: a flash fades out, a persistent one stays.
    void flashstatus(const QString &text);
    void showstatus(const QString &text);
    MyTextField *statusfield() const { return m_statusfield; }

    // The cursor tracker, and the regions it is filled with for the current mode.
    MouseTracker &mt() { return m_mt; }
    void resetCursorPaths(MouseTracker &tracker);

    // The pointer handlers, in view coordinates (drawview_pointer.cpp).
    void mouseDown(const PointerEvent &event);
    void mouseDragged(const PointerEvent &event);
    void mouseUp(const PointerEvent &event);
    bool mousedown() const { return m_mousedown; }

    // A change of the held modifier keys.
    void flagsChanged(Qt::KeyboardModifiers modifiers);
    // The modifier state the gestures read: Space held (pan), the rotate key held (Meta at the
    // factory), selection mode (its key held, Ctrl at the factory, or switched on from the menu),
    // the erase key held (Alt at the factory). The keys are those of the settings (GestureKeys).
    bool isSpace() const { return m_isSpace; }
    bool ctrl() const { return m_ctrl; }
    bool isSelect() const { return m_isSelect; }
    bool alt() const { return m_alt; }
    const GestureKeys &gestureKeys() const { return m_gestureKeys; }
    // The pen's pressure curve of the settings, applied to tablet pressure before each segment.
    const PressureCurve &pressureCurve() const { return m_pressureCurve; }

    // View commands (drawview_gestures.cpp): back to 100 % with no rotation, the canvas placed
    // in the window; the window size whose content shows the whole zoomed canvas.
    void resetZoom();
    QSize standardContentSize();
    // The zoom factor, rotation and origin (gestures).
    void setViewZoom(float zoom);
    // The whole canvas in the view, centred and unrotated, in whole percent (below 50 % for a
    // canvas larger than the view); gestures may then zoom out as far as this again until the
    // view is reset.
    void zoomToFit();
    // The lowest zoom the gestures go to: 50 %, or lower after Zoom to Fit.
    float zoomFloor() const { return m_zoomFloor; }

    // Navigation that never paints (drawview_navigation.cpp). The picture moves by (dx, dy) view
    // pixels (y up), as under a pan drag of that length; a zoom by dy as a zoom drag of dy pixels,
    // but about a view point instead of the centre. Small zoom steps add up until they change the
    // zoom by a whole percent. Ignored while a press is in progress.
    void scrollBy(float dx, float dy);
    void zoomAbout(float dy, Point viewPivot);
    // The canvas pixel under a view point becomes the current colour (opaque); transparent pixels
    // and points off the canvas change nothing.
    void pickCanvasColor(Point viewPoint);
    // What one notch of the wheel (120 eighths of a degree) pans and zooms, and what a pinch that
    // doubles the distance between the fingers zooms, as drag lengths in window pixels.
    static constexpr float kWheelNotchPanPixels = 40.0f;
    static constexpr float kWheelNotchZoomPixels = 30.0f;
    static constexpr float kPinchZoomPixels = 300.0f;

    // Selection (drawview_selection.cpp).
    const SelectionModel &selection() const { return m_selection; }
    void toggleSelectionMode();
    void selectAll();
    void deselectAll();
    // Erases the selected pixels to the erase image, as one undo step "Delete".
    void deleteSelection();
    // Advances the marching ants (every 1/6 second while a selection exists and no button is
    // down).
    void updateMarquee();
    static int marqueePhase();

    // Clipboard and placed pastes (drawview_clipboard.cpp).
    // How pastes and drops ask before reading a very large picture (by default in a message box).
    void setLargeImageQuestion(ReadProgress::Question question);
    void copy();
    void cut();
    void paste();
    // Floats an image as a paste centred on a view point (drops) or on the window centre.
    void pasteImageAt(const QImage &image, std::optional<Point> viewPoint);
    // Commits the floating paste into the canvas as one undo step "Paste"; beeps and keeps it
    // floating when it lies wholly outside the canvas.
    void doPaste();
    // Drops the floating paste without drawing it (Escape, Undo, Delete, Deselect All): the
    // canvas and the undo history stay as they are, and no selection is left.
    void cancelPaste();
    bool isPaste() const { return m_isPaste; }
    const QImage &pasteImage() const { return m_pasteImage; }
    // Cut and Copy are unavailable while a paste floats.
    bool canCopy() const { return !m_isPaste; }

    // The colour picker strip (drawview_picker.cpp): a sibling of the view in the window's
    // content view, 48 units high. Shown, it covers the top of the content and the view takes the
    // rest below it; hidden, it waits just above the content, out of sight, and the view fills
    // the content. The view lays out both whenever the content is resized.
    static constexpr int kPickerHeight = 48;
    static constexpr int kPickerSlideMilliseconds = 400;
    void setPicker(QWidget *picker);
    QWidget *cPicker() const { return m_cPicker; }
    // Shows the strip when it is hidden, otherwise hides it: strip and view slide together,
    // linearly over 0.4 s, and the sender's title becomes "Hide Color Picker" or "Show Color
    // Picker". A settled strip counts as hidden unless wholly in view; during a slide the
    // command turns the slide back.
    void showPicker(QAction *sender = nullptr);
    // Whether the strip is shown or sliding in.
    bool isPickerShown() const { return m_pickerShown; }
    // How much of the strip's height is inside the content view.
    int pickerVisibleHeight() const;
    // Ends a slide in progress at once, in its end position.
    void finishPickerSlide();

    // What shows through transparent canvas pixels: squares of 8 window pixels, white and light
    // grey, fixed to the window. Only a picture opened with transparency can have such pixels:
    // strokes, erasing, pastes and undo over an opaque canvas leave it opaque, so an opaque
    // canvas is drawn without the checkerboard.
    static constexpr int kCheckerSquare = 8;
    static constexpr QRgb kCheckerLight = 0xFFFFFFFFu;
    static constexpr QRgb kCheckerDark = 0xFFCCCCCCu;
    static QBrush checkerboardBrush();
    bool mayShowThrough() const { return m_mayShowThrough; }

    // Converts a widget position (y down) to view coordinates (y up), and back.
    Point viewPointFromWidget(const QPointF &widgetPoint) const;
    QPointF widgetPointFromView(Point viewPoint) const;
    // Schedules a repaint of a canvas rectangle.
    void redisplayCanvasRect(const Rect &canvasRect);
    // Whether repaints that show canvas pixels one to one copy them straight into the window's
    // backing store (the default) instead of drawing them with a painter; the pixels are the
    // same either way.
    static void setDirectPaint(bool on);
    // How many repaints were copied so far, in all views.
    static quint64 directPaintCount();

signals:
    // Posted at every press, before anything else happens.
    void drawViewClicked(DrawView *view);
    // A status message for the status box (persistent or flashed).
    void statusMessage(const QString &text, bool persistent);
    // Selection mode, a floating paste or the selection changed (menus follow).
    void selectionStateChanged();
    // The view is shown in its window for the first time.
    void placedInWindow();

protected:
    void paintEvent(QPaintEvent *event) override;
    // Draws the exposed area of a turned view.
    void drawTurnedPicture(QPainter &painter, const QRegion &exposed, const QImage &picture,
        const QTransform &pictureToWidget, const QPolygonF &canvasArea, Sampling sampling);
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool event(QEvent *event) override;

    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The strip and the view in their settled places for the strip's state.
    void placePicker();

    // Gestures (drawview_gestures.cpp).
    bool pressGesture(const PointerEvent &event);
    bool dragGesture(const PointerEvent &event);
    bool releaseGesture();
    void pan(float dx, float dy, float rotation);
    // A zoom step about a view point, never below `lowest`.
    void zoomBy(float dy, bool fast, float rotation, Point viewPivot, float lowest);
    void rotateTo(Point location);
    Point frameCentre() const;
    // "Zoom: 150%": the status text of a zoom.
    static QString zoomMessage(float zoom);
    // The modifier keys and held letter keys, read through the gesture keys into the flags.
    void applyGestureKeys();
    void reloadGestureKeys();

    // Button gestures (drawview_navigation.cpp): the middle mouse button and the pen's side
    // buttons. They run beside the press state of strokes and gestures and never touch it.
    enum class ButtonGesture
    {
        None,
        Pan,
        Zoom,
        Rotate,
        Pick,
    };
    void buttonPress(PenButtonRole role, Qt::MouseButton button, const PointerEvent &event);
    void buttonDrag(const PointerEvent &event);
    void buttonRelease();
    void nativeGesture(QNativeGestureEvent *event);
    // Rebuilds the cursor regions for the current mode and shows the right cursor at once.
    void updateCursor() { m_mt.invalidateCursorPaths(); }

    // Selection editing by drag (drawview_selection.cpp).
    void selectionPress(const PointerEvent &event);
    void selectionDrag(const PointerEvent &event);
    void selectionRelease();
    void pasteDrag(const PointerEvent &event);
    void pasteRelease();
    // Arrow keys: true when the key moved the selection.
    bool nudgeSelection(int key);
    // The state after a paste is committed or dropped.
    void endPaste();
    void drawSelection(QPainter &painter);
    // The repaint as a direct copy into the backing store (drawview_blit.cpp); false when the
    // view or the paint device does not allow it, and nothing was drawn.
    bool paintDirect(const QPaintEvent &event);
    // Canvas storage pixels (rows top down) to widget pixels, as the picture is drawn.
    QTransform storageToWidget() const;

    PointerEvent pointerEventFrom(
        const QSinglePointEvent &event, float pressure, bool tablet) const;
    void paintSegmentTo(const PointerEvent &event);
    void commitStroke();
    // Asks for the repaint of what the painting thread painted since last asked.
    void redisplayPainted();
    void rebuildBrushCursor();

    Defaults &m_defaults;
    Brush m_brush;
    CanvasSurface m_surface;
    StrokeEngine m_engine { m_surface };
    CanvasUndo m_undo { m_surface };
    EraseImage m_eraseImage;
    // A stroke's segments are painted on their own thread; the gate holds every other event
    // until they are.
    StrokePainter m_painter { m_engine, m_surface };
    // Posted by the painting thread once it has caught up with something to show.
    static QEvent::Type paintedEvent();
    PaintingGate m_paintingGate { this, paintedEvent(), [this] { finishPainting(); } };
    ViewTransform m_transform;

    float m_brushsize = 1.0f;
    QCursor m_brushCursor;
    bool m_hasBrushCursor = false;
    MouseTracker m_mt { this };
    QCursor m_usCursor; // resize arrows for the even and the odd corners
    QCursor m_dsCursor;
    MyTextField *m_statusfield = nullptr;
    bool m_placedInWindow = false;

    // The current press: button down, the erase modifier, and the device that started it (other
    // devices are ignored until it is released).
    bool m_mousedown = false;
    bool m_alt = false;
    const QPointingDevice *m_strokeDevice = nullptr;

    // Modifier state. Selection mode is on while its key is held or while switched on from the
    // menu. The gesture keys say which modifiers and letter keys the flags follow; m_heldLetters
    // has bit i set while letter 'A' + i, bound to a gesture, is held down.
    GestureKeys m_gestureKeys;
    Qt::KeyboardModifiers m_modifiers;
    quint32 m_heldLetters = 0;
    PressureCurve m_pressureCurve;
    bool m_isSpace = false;
    bool m_ctrl = false;
    bool m_isSelect = false;
    bool m_selectHeld = false;
    bool m_selectToggled = false;

    SelectionModel m_selection;
    QTimer m_marqueeTimer;

    ReadProgress::Question m_largeImageQuestion = ReadProgress::askInBox;
    // Reads a pasted or dropped picture while the user waits; `label` names it for the progress.
    imagefile::ReadResult readWaiting(const ReadProgress::Read &read, const QString &label);

    // The floating paste: drawn in the selection rectangle until committed.
    bool m_isPaste = false;
    QImage m_pasteImage;

    // The gesture latched at the press, kept until the next press (a rotation press keeps the
    // others as they were).
    bool m_turnDraggers = false;
    bool m_moveDraggers = false;
    bool m_zoomDraggers = false;
    bool m_selDraggers = false;
    Point m_lastdrag; // view location of the previous event of a pan or zoom
    float m_oldzoom = 1.0f; // zoom at the press of a zoom
    float m_dragZoomLowest = 0.5f; // the lowest zoom of the zoom drag in progress
    float m_zoomFloor = 0.5f; // lowest zoom of the gestures; below 50 % after Zoom to Fit
    float m_zoomCarry = 0.0f; // wheel and pinch zoom too small to change the zoom yet
    float m_canvasAngle = 0.0f; // rotation at the press of a rotation, degrees
    float m_startAngle = 0.0f; // pointer angle about the centre at that press, radians

    // The button gesture in progress: its button, the device it came from, its last location.
    ButtonGesture m_buttonGesture = ButtonGesture::None;
    Qt::MouseButton m_gestureButton = Qt::NoButton;
    const QPointingDevice *m_buttonDevice = nullptr;
    Point m_buttonLast;

    // The picture was opened with pixels that are not opaque (the checkerboard is drawn).
    bool m_mayShowThrough = false;
    // A turned view's repaint where it cannot be drawn into the window's pixels directly.
    QImage m_turnedPicture;

    QPointer<QWidget> m_cPicker;
    QVariantAnimation *m_pickerSlide = nullptr;
    bool m_pickerShown = false;
};

} // namespace pennova
