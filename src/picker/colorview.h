#pragma once

// The colour picker strip of a document window: a swatch of the current colour and the hue,
// saturation and brightness bands (layout in StripGeometry), with a marker in each band. A click
// or drag in a band sets that component; a drag stays in the band where it started. The strip
// sits above the canvas view of the same window, its owner (not owned), which slides it in and
// out (DrawView::showPicker) and whose brush follows the colour. All strips of a settings store
// share the current colour through its ColorModel; every live strip is listed in one registry.

#include "settings/colorarchive.h"

#include <QPointer>
#include <QSet>
#include <QWidget>

namespace pennova {

class ColorModel;
class Defaults;
class DrawView;

class ColorView : public QWidget
{
    Q_OBJECT
public:
    ColorView(Defaults &defaults, DrawView *owner, QWidget *parent = nullptr);
    ~ColorView() override;

    DrawView *owner() const { return m_owner; }
    ColorModel &model() const { return m_model; }

    // Redraws every strip and has each owner re-apply its brush size, so that its brush and
    // cursor take the current colour.
    static void updatePickers();
    // The live strips.
    static const QSet<ColorView *> &pickers();

    // The current colour.
    RgbaColor color() const;
    // Picks at a point in strip coordinates (units from the lower-left corner, y up).
    void setColorFromPoint(const QPointF &stripPoint);
    // Makes a colour the current one and redraws this strip at once.
    void setColor(const RgbaColor &color);

    // Picks a colour from anywhere on the screen and makes it the current one; a cancelled pick
    // changes nothing. Returns at once: the pick ends when the user clicks or cancels. A second
    // call while a pick runs does nothing.
    void magnify();
    bool isPicking() const { return m_picking; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPointF stripPointFromWidget(const QPointF &widgetPoint) const;
    // This strip's part of updatePickers().
    void refresh();

    ColorModel &m_model;
    QPointer<DrawView> m_owner;
    bool m_dragging = false;
    bool m_picking = false;
};

} // namespace pennova
