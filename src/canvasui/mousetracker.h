#pragma once

// Picks the pointer's cursor over a canvas view from a list of regions, each a closed shape with
// a cursor, and a default cursor. The owner (the view, not owned) rebuilds the regions for its
// current mode through a callback whenever invalidateCursorPaths() is called. Regions are in the
// owner's region coordinates: by default its y-up view coordinates (x, height − y); the owner may
// install another mapping (the canvas view maps to canvas coordinates). A tracker lives as long
// as its owner; its regions stay valid until the next invalidateCursorPaths().

#include <QCursor>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace pennova {

class MouseTracker
{
public:
    // The square at the bottom-right corner of a resizable window where the window's own resize
    // grip takes the pointer.
    static constexpr int kResizeGripSize = 16;

    // Switches the owner to deliver pointer movements without a button down.
    explicit MouseTracker(QWidget *owner);

    QWidget *owner() const { return m_owner; }

    // Appends a region; later regions win where they overlap earlier ones. An empty path is logged
    // as "MouseTracker: Nil path received", a missing cursor as "MouseTracker: Nil cursor
    // received", and nothing is added. Rectangles are tested half-open: minX <= x < maxX and
    // minY <= y < maxY.
    void addCursorPath(const QPainterPath &path, const std::optional<QCursor> &cursor);
    void setDefaultCursor(const QCursor &cursor);
    const QCursor &defaultCursor() const { return m_defaultCursor; }
    int regionCount() const { return int(m_regions.size()); }

    // Fills the regions for the owner's current mode; called by invalidateCursorPaths() only.
    void setResetCursorPaths(std::function<void(MouseTracker &)> resetCursorPaths);
    // Maps an owner widget position (y down) to region coordinates.
    void setPointMapping(std::function<QPointF(const QPointF &widgetPoint)> mapping);

    // Empties the regions, asks the owner to rebuild them, and sets the cursor for the pointer's
    // current position at once, so that the cursor changes without the pointer moving.
    void invalidateCursorPaths();

    // Chooses and sets the owner's cursor for a pointer position in owner widget coordinates.
    void mouseMoved(const QPointF &widgetPoint);

    // The cursor mouseMoved() would set at a widget position: the arrow outside the owner and
    // over a resizable window's resize grip, otherwise that of cursorForPoint().
    QCursor cursorForWidgetPoint(const QPointF &widgetPoint) const;
    // The cursor of the last added region containing a point in region coordinates, or the
    // default cursor.
    QCursor cursorForPoint(const QPointF &regionPoint) const;
    // Index of the region that wins at a point, or −1 when none contains it.
    int regionIndexAt(const QPointF &regionPoint) const;
    // What mouseMoved() set last (the arrow before the first movement).
    const QCursor &currentCursor() const { return m_current; }

private:
    struct Region
    {
        QPainterPath path;
        QCursor cursor;
    };

    bool overResizeGrip(const QPointF &widgetPoint) const;
    QPointF regionPoint(const QPointF &widgetPoint) const;

    QPointer<QWidget> m_owner;
    std::vector<Region> m_regions;
    QCursor m_defaultCursor { Qt::ArrowCursor };
    QCursor m_current { Qt::ArrowCursor };
    std::function<void(MouseTracker &)> m_resetCursorPaths;
    std::function<QPointF(const QPointF &)> m_mapping;
};

} // namespace pennova
