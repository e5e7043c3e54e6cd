#pragma once

// A small graph of the pen's pressure curve, edited with the pointer: drag a point to move it
// (the end points only up and down), click the graph elsewhere to add one, double-click a point
// to remove it. Points keep their order and the curve never falls, so every edit is a curve the
// settings can hold. A trace shows the pen's pressure as it is now and what the curve makes of
// it. Graph coordinates: pen pressure left to right, engine pressure bottom to top, both 0..1.

#include "settings/pressurecurve.h"

#include <QWidget>
#include <optional>

namespace pennova {

class PressureCurveEditor : public QWidget
{
    Q_OBJECT
public:
    explicit PressureCurveEditor(QWidget *parent = nullptr);

    const PressureCurve &curve() const { return m_curve; }
    // Shows a curve (no signal).
    void setCurve(const PressureCurve &curve);

    // The pen's pressure now, for the trace; none hides it.
    void setPenPressure(std::optional<float> pressure);
    std::optional<float> penPressure() const { return m_penPressure; }

    // The graph's square in widget pixels, and the mapping between graph and widget.
    QRectF graphRect() const;
    QPointF toWidget(const CurvePoint &p) const;
    CurvePoint toGraph(const QPointF &widgetPoint) const;

    // The least distance between two points' pressures.
    static constexpr double kMinGap = 0.02;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user changed the curve (during a drag, at every move).
    void curveEdited(const PressureCurve &curve);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    // The point within grabbing distance of a widget point, if any.
    std::optional<size_t> pointNear(const QPointF &widgetPoint) const;
    // Moves point i towards a graph position, within its neighbours, and announces the curve.
    void movePoint(size_t index, CurvePoint to);
    void edited(std::vector<CurvePoint> points);

    PressureCurve m_curve;
    std::optional<size_t> m_dragged;
    std::optional<float> m_penPressure;
};

} // namespace pennova
