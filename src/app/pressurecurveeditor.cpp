#include "app/pressurecurveeditor.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace pennova {

namespace {
    constexpr int kMargin = 8; // widget pixels around the graph
    constexpr double kGrabRadius = 8.0; // widget pixels
    constexpr int kSamples = 100; // segments of the drawn curve

    // Points are kept to a thousandth, as the settings write them.
    double rounded(double v)
    {
        return std::round(v * 1000.0) / 1000.0;
    }
} // namespace

PressureCurveEditor::PressureCurveEditor(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setToolTip(
        tr("Drag a point to change the curve, click to add one, double-click to remove one"));
}

QSize PressureCurveEditor::sizeHint() const
{
    return QSize(220, 220);
}

QSize PressureCurveEditor::minimumSizeHint() const
{
    return QSize(120, 120);
}

void PressureCurveEditor::setCurve(const PressureCurve &curve)
{
    if (curve == m_curve)
        return;
    m_curve = curve;
    m_dragged.reset();
    update();
}

void PressureCurveEditor::setPenPressure(std::optional<float> pressure)
{
    if (pressure && !std::isfinite(*pressure))
        pressure.reset();
    if (pressure)
        pressure = std::clamp(*pressure, 0.0f, 1.0f);
    if (pressure == m_penPressure)
        return;
    m_penPressure = pressure;
    update();
}

QRectF PressureCurveEditor::graphRect() const
{
    const double side = std::max(1, std::min(width(), height()) - 2 * kMargin);
    return QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side);
}

QPointF PressureCurveEditor::toWidget(const CurvePoint &p) const
{
    const QRectF g = graphRect();
    return QPointF(g.left() + p.pressure * g.width(), g.bottom() - p.output * g.height());
}

CurvePoint PressureCurveEditor::toGraph(const QPointF &w) const
{
    const QRectF g = graphRect();
    return CurvePoint { std::clamp((w.x() - g.left()) / g.width(), 0.0, 1.0),
        std::clamp((g.bottom() - w.y()) / g.height(), 0.0, 1.0) };
}

std::optional<size_t> PressureCurveEditor::pointNear(const QPointF &widgetPoint) const
{
    std::optional<size_t> nearest;
    double best = kGrabRadius;
    const std::vector<CurvePoint> &points = m_curve.points();
    for (size_t i = 0; i < points.size(); ++i) {
        const QPointF d = toWidget(points[i]) - widgetPoint;
        const double distance = std::hypot(d.x(), d.y());
        if (distance <= best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

void PressureCurveEditor::edited(std::vector<CurvePoint> points)
{
    const PressureCurve next = PressureCurve::fromPoints(points);
    // A move that would break the curve is not made (fromPoints would give the linear curve).
    if (!PressureCurve::isValid(points) || next == m_curve)
        return;
    m_curve = next;
    update();
    emit curveEdited(m_curve);
}

void PressureCurveEditor::movePoint(size_t index, CurvePoint to)
{
    std::vector<CurvePoint> points = m_curve.points();
    const size_t last = points.size() - 1;
    CurvePoint &p = points[index];
    // The ends stay at pressure 0 and 1; the others between their neighbours, a gap apart. The
    // output stays between the neighbours' so that the curve never falls.
    if (index == 0 || index == last) {
        p.pressure = index == 0 ? 0.0 : 1.0;
    } else {
        p.pressure = std::clamp(rounded(to.pressure), points[index - 1].pressure + kMinGap,
            points[index + 1].pressure - kMinGap);
    }
    const double below = index > 0 ? points[index - 1].output : 0.0;
    const double above = index < last ? points[index + 1].output : 1.0;
    p.output = std::clamp(rounded(to.output), below, above);
    edited(points);
}

void PressureCurveEditor::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragged = pointNear(event->position());
    if (!m_dragged
        && graphRect()
               .adjusted(-kGrabRadius, -kGrabRadius, kGrabRadius, kGrabRadius)
               .contains(event->position())) {
        // A new point where the click is, between the two it falls between.
        std::vector<CurvePoint> points = m_curve.points();
        const CurvePoint at = toGraph(event->position());
        const auto after = std::upper_bound(points.begin(), points.end(), at.pressure,
            [](double x, const CurvePoint &p) { return x < p.pressure; });
        if (points.size() < size_t(PressureCurve::kMaxPoints) && after != points.begin()
            && after != points.end() && at.pressure - (after - 1)->pressure >= kMinGap
            && after->pressure - at.pressure >= kMinGap) {
            const size_t index = size_t(after - points.begin());
            const double output
                = std::clamp(rounded(at.output), (after - 1)->output, after->output);
            points.insert(after, CurvePoint { rounded(at.pressure), output });
            edited(points);
            m_dragged = index;
        }
    }
    event->accept();
}

void PressureCurveEditor::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragged && (event->buttons() & Qt::LeftButton))
        movePoint(*m_dragged, toGraph(event->position()));
    setCursor(m_dragged || pointNear(event->position()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    event->accept();
}

void PressureCurveEditor::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragged.reset();
    event->accept();
}

void PressureCurveEditor::mouseDoubleClickEvent(QMouseEvent *event)
{
    const std::optional<size_t> index = pointNear(event->position());
    std::vector<CurvePoint> points = m_curve.points();
    // The end points stay.
    if (index && *index > 0 && *index + 1 < points.size()) {
        points.erase(points.begin() + std::ptrdiff_t(*index));
        m_dragged.reset();
        edited(points);
    }
    event->accept();
}

void PressureCurveEditor::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF g = graphRect();
    const QPalette &pal = palette();
    p.fillRect(g, pal.color(QPalette::Base));
    // Quarters, and the linear curve for comparison.
    QColor grid = pal.color(QPalette::Text);
    grid.setAlpha(40);
    p.setPen(QPen(grid, 1));
    for (int i = 1; i < 4; ++i) {
        const double f = i / 4.0;
        p.drawLine(QPointF(g.left() + f * g.width(), g.top()),
            QPointF(g.left() + f * g.width(), g.bottom()));
        p.drawLine(QPointF(g.left(), g.top() + f * g.height()),
            QPointF(g.right(), g.top() + f * g.height()));
    }
    p.setPen(QPen(grid, 1, Qt::DashLine));
    p.drawLine(g.bottomLeft(), g.topRight());
    p.setPen(QPen(pal.color(QPalette::Mid), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(g);

    // The curve.
    QPainterPath path;
    for (int i = 0; i <= kSamples; ++i) {
        const double x = double(i) / kSamples;
        const QPointF w = toWidget(CurvePoint { x, m_curve.mapExact(x) });
        if (i == 0)
            path.moveTo(w);
        else
            path.lineTo(w);
    }
    p.setPen(QPen(pal.color(QPalette::Highlight), 2));
    p.drawPath(path);

    // The pen now: a line up from its pressure to the curve, and a dot there.
    if (m_penPressure) {
        const double x = *m_penPressure;
        const QPointF on = toWidget(CurvePoint { x, m_curve.mapExact(x) });
        QColor trace(230, 120, 0);
        p.setPen(QPen(trace, 1, Qt::DotLine));
        p.drawLine(toWidget(CurvePoint { x, 0.0 }), on);
        p.drawLine(on, toWidget(CurvePoint { 0.0, m_curve.mapExact(x) }));
        p.setPen(Qt::NoPen);
        p.setBrush(trace);
        p.drawEllipse(on, 4, 4);
    }

    // The points.
    p.setPen(QPen(pal.color(QPalette::Text), 1));
    p.setBrush(pal.color(QPalette::Base));
    for (const CurvePoint &pt : m_curve.points())
        p.drawEllipse(toWidget(pt), 4.5, 4.5);
}

} // namespace pennova
