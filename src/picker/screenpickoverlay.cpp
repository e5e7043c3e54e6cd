#include "picker/screenpickoverlay.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cmath>

namespace pennova {

namespace {

    constexpr int kLabelHeight = 22;
    constexpr int kGrabAttempts = 40;
    constexpr int kGrabRetryMilliseconds = 25;

    RgbaColor colorFromPixel(QRgb pixel)
    {
        return RgbaColor { float(qRed(pixel)) / 255.0f, float(qGreen(pixel)) / 255.0f,
            float(qBlue(pixel)) / 255.0f, 1.0f };
    }

} // namespace

ScreenPickOverlay::ScreenPickOverlay(const QImage &screenPicture, QScreen *screen, Done done)
    : QWidget(nullptr,
        Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
            | Qt::BypassWindowManagerHint)
    , m_picture(screenPicture.convertToFormat(QImage::Format_RGB32))
    , m_done(std::move(done))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Pick a Color"));
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
        // The grab has the screen's device pixels; each logical pixel covers ratio of them.
        m_ratio = screen->devicePixelRatio();
    } else {
        resize(m_picture.size());
    }
    m_picture.setDevicePixelRatio(m_ratio);
    m_pointer = mapFromGlobal(QCursor::pos());
}

ScreenPickOverlay::~ScreenPickOverlay() = default;

void ScreenPickOverlay::start()
{
    show();
    activateWindow();
    setFocus();
    // The virtual screens of tests and tools have no pointer or keyboard to take.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return;
    raise();
    takeInput();
}

// The window system grants the pointer and the keyboard only to a window that is already on the
// screen, which a window just shown may not be yet: ask again shortly until both are granted.
void ScreenPickOverlay::takeInput()
{
    QWindow *window = windowHandle();
    if (!window || !m_done)
        return;
    if (!m_hasPointer)
        m_hasPointer = window->setMouseGrabEnabled(true);
    if (!m_hasKeyboard)
        m_hasKeyboard = window->setKeyboardGrabEnabled(true);
    if ((!m_hasPointer || !m_hasKeyboard) && ++m_grabAttempts < kGrabAttempts)
        QTimer::singleShot(kGrabRetryMilliseconds, this, &ScreenPickOverlay::takeInput);
}

QPoint ScreenPickOverlay::pixelAt(const QPointF &point) const
{
    return QPoint(int(std::floor(point.x() * m_ratio)), int(std::floor(point.y() * m_ratio)));
}

std::optional<RgbaColor> ScreenPickOverlay::colorAt(const QPointF &point) const
{
    const QPoint pixel = pixelAt(point);
    if (!m_picture.rect().contains(pixel))
        return std::nullopt;
    return colorFromPixel(m_picture.pixel(pixel));
}

QRect ScreenPickOverlay::loupeRect() const
{
    const int side = kLoupePixels * kLoupeZoom + 2;
    QRect r(0, 0, side, side + kLabelHeight);
    // Below and right of the pointer, flipped to the other side near the screen's edges.
    const QPoint p = m_pointer.toPoint();
    r.moveTopLeft(p + QPoint(kLoupeOffset, kLoupeOffset));
    if (r.right() >= width())
        r.moveRight(p.x() - kLoupeOffset);
    if (r.bottom() >= height())
        r.moveBottom(p.y() - kLoupeOffset);
    return r;
}

void ScreenPickOverlay::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(QPointF(0, 0), m_picture);
    if (rect().contains(m_pointer.toPoint()))
        drawLoupe(painter);
}

void ScreenPickOverlay::drawLoupe(QPainter &painter) const
{
    const QRect box = loupeRect();
    const int side = kLoupePixels * kLoupeZoom;
    const QRect lens(box.left() + 1, box.top() + 1, side, side);
    const QPoint centre = pixelAt(m_pointer);
    const int half = kLoupePixels / 2;

    painter.fillRect(box, QColor(40, 40, 40));
    // Each source pixel becomes a kLoupeZoom square; pixels beyond the screen's edge stay dark.
    for (int row = 0; row < kLoupePixels; ++row) {
        for (int column = 0; column < kLoupePixels; ++column) {
            const QPoint source = centre + QPoint(column - half, row - half);
            if (!m_picture.rect().contains(source))
                continue;
            painter.fillRect(lens.left() + column * kLoupeZoom, lens.top() + row * kLoupeZoom,
                kLoupeZoom, kLoupeZoom, QColor::fromRgb(m_picture.pixel(source)));
        }
    }
    // The pixel that a click takes, outlined black and white so that it shows on any colour.
    const QRect middle(
        lens.left() + half * kLoupeZoom, lens.top() + half * kLoupeZoom, kLoupeZoom, kLoupeZoom);
    painter.setPen(Qt::black);
    painter.drawRect(middle.adjusted(-1, -1, 0, 0));
    painter.setPen(Qt::white);
    painter.drawRect(middle.adjusted(-2, -2, 1, 1));

    const std::optional<RgbaColor> color = colorAt(m_pointer);
    const QRect label(box.left(), lens.bottom() + 1, box.width(), kLabelHeight);
    if (color) {
        const QColor c = QColor::fromRgbF(color->red, color->green, color->blue);
        painter.fillRect(QRect(label.left() + 4, label.top() + 4, 14, 14), c);
        painter.setPen(Qt::white);
        painter.drawText(label.adjusted(24, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft,
            c.name(QColor::HexRgb).toUpper());
    }
}

void ScreenPickOverlay::mouseMoveEvent(QMouseEvent *event)
{
    const QRect before = loupeRect();
    m_pointer = event->position();
    update(before);
    update(loupeRect());
}

void ScreenPickOverlay::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        // A click beside the picture (a screen that grew since the grab) takes nothing.
        if (const std::optional<RgbaColor> color = colorAt(event->position()))
            end(color);
    } else if (event->button() == Qt::RightButton) {
        end(std::nullopt);
    }
}

void ScreenPickOverlay::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (event->key() == Qt::Key_Escape)
        end(std::nullopt);
}

void ScreenPickOverlay::closeEvent(QCloseEvent *event)
{
    end(std::nullopt);
    QWidget::closeEvent(event);
}

void ScreenPickOverlay::end(const std::optional<RgbaColor> &color)
{
    if (!m_done)
        return;
    if (QWindow *window = windowHandle()) {
        if (m_hasKeyboard)
            window->setKeyboardGrabEnabled(false);
        if (m_hasPointer)
            window->setMouseGrabEnabled(false);
    }
    const Done done = std::move(m_done);
    m_done = nullptr;
    done(color);
}

} // namespace pennova
