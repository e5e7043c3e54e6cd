#include "picker/colorview.h"

#include "canvas/view/drawview.h"
#include "picker/colormath.h"
#include "picker/colormodel.h"
#include "picker/screenpicker.h"
#include "picker/stripgeometry.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace pennova {

namespace {

    // The registry of live strips; it does not own them.
    QSet<ColorView *> registry;
    // The y, in strip coordinates, of the last press in any strip: a drag keeps to its band.
    float dragY = 0.0f;

    constexpr int kHueSegments = 36;

    QColor qcolor(const RgbaColor &c)
    {
        return QColor::fromRgbF(c.red, c.green, c.blue);
    }

    QColor hsb(float hue, float saturation, float brightness)
    {
        return qcolor(colormath::rgbFromHsb(hue, saturation, brightness));
    }

} // namespace

ColorView::ColorView(Defaults &defaults, DrawView *owner, QWidget *parent)
    : QWidget(parent)
    , m_model(ColorModel::of(defaults))
    , m_owner(owner)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setFixedHeight(DrawView::kPickerHeight);
    setCursor(Qt::ArrowCursor);
    registry.insert(this);
    connect(&m_model, &ColorModel::changed, this, &ColorView::refresh);
}

ColorView::~ColorView()
{
    registry.remove(this);
}

const QSet<ColorView *> &ColorView::pickers()
{
    return registry;
}

void ColorView::updatePickers()
{
    // A copy: re-applying a brush size writes settings, whose change may reach here again.
    const QSet<ColorView *> live = registry;
    for (ColorView *picker : live) {
        if (registry.contains(picker))
            picker->refresh();
    }
}

void ColorView::refresh()
{
    update();
    if (m_owner)
        m_owner->setBrushSize(m_owner->getBrushSize());
}

RgbaColor ColorView::color() const
{
    return m_model.curcolor();
}

QPointF ColorView::stripPointFromWidget(const QPointF &widgetPoint) const
{
    return QPointF(widgetPoint.x(), height() - widgetPoint.y());
}

void ColorView::setColorFromPoint(const QPointF &stripPoint)
{
    m_model.setColorFromPoint(
        float(stripPoint.x()), float(stripPoint.y()), StripGeometry(width(), height()));
}

void ColorView::setColor(const RgbaColor &color)
{
    m_model.setColor(color);
    repaint();
}

void ColorView::magnify()
{
    if (m_picking)
        return;
    m_picking = true;
    const QPointer<ColorView> self(this);
    ScreenPicker::start(window(), [self](const ScreenPickResult &result) {
        if (!self)
            return;
        self->m_picking = false;
        if (result.color) {
            self->setColor(*result.color);
            updatePickers();
        } else if (!result.message.isEmpty() && self->m_owner) {
            self->m_owner->flashstatus(result.message);
        }
        // The overlay had the pointer: the canvas cursor follows it again at once.
        if (self->m_owner)
            self->m_owner->mt().invalidateCursorPaths();
    });
}

void ColorView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPointF p = stripPointFromWidget(event->position());
    dragY = float(p.y());
    m_dragging = true;
    setColorFromPoint(p);
    event->accept();
}

void ColorView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        event->ignore();
        return;
    }
    setColorFromPoint(QPointF(stripPointFromWidget(event->position()).x(), dragY));
    update();
    event->accept();
}

void ColorView::mouseReleaseEvent(QMouseEvent *event)
{
    // Taken here, so that the release never reaches the canvas.
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    event->accept();
}

// Drawn in widget coordinates (y down), so the bands run top to bottom as hue, saturation,
// brightness, each a third of the height. Gradients interpolate in RGB between their end
// colours; everything is drawn afresh on every repaint.
void ColorView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const float w = float(width());
    const float h = float(height());
    const float third = h / 3.0f;
    const RgbaColor current = m_model.curcolor();
    const float hue = m_model.cHue();
    const float saturation = m_model.cSat();
    const float b = m_model.brightness();

    // The swatch covers the whole of a strip too narrow for bands.
    painter.fillRect(QRectF(0, 0, h, h), qcolor(current));
    const StripGeometry strip(w, h);
    if (!strip.hasBands())
        return;

    const float step = (w - h) / float(kHueSegments);
    float x = h;
    for (int k = 1; k <= kHueSegments; ++k) {
        QLinearGradient gradient(x, 0, x + step, 0);
        gradient.setColorAt(0, hsb(float(k - 1) / kHueSegments, saturation, b));
        gradient.setColorAt(1, hsb(float(k) / kHueSegments, saturation, b));
        painter.fillRect(QRectF(x, 0, step, third), gradient);
        x += step;
    }
    QLinearGradient saturations(h, 0, w, 0);
    saturations.setColorAt(0, hsb(hue, 0, b));
    saturations.setColorAt(1, hsb(hue, 1, b));
    painter.fillRect(QRectF(h, third, w - h, third), saturations);
    QLinearGradient brightnesses(h, 0, w, 0);
    brightnesses.setColorAt(0, hsb(hue, saturation, 0));
    brightnesses.setColorAt(1, hsb(hue, saturation, 1));
    painter.fillRect(QRectF(h, 2 * third, w - h, third), brightnesses);

    // Markers in the inverse of the current colour. Brightness is picked as √t, so its marker
    // stands at t = b².
    const QColor marker = qcolor(colormath::inverse(current));
    painter.fillRect(QRectF(strip.markerX(hue), 0, 1, third), marker);
    painter.fillRect(QRectF(strip.markerX(saturation), third, 1, third), marker);
    painter.fillRect(QRectF(strip.markerX(b * b), 2 * third, 1, third), marker);
}

} // namespace pennova
