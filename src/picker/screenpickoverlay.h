#pragma once

// The full-screen overlay of a screen pick: it shows a picture of the screen taken just before,
// so the screen looks as it was, with a crosshair pointer and a loupe beside it that magnifies
// the pixels around the pointer and names the colour under it. A left click takes that pixel's
// colour; Escape or a right click cancels. Overlay coordinates are the screen's logical pixels
// from its top-left corner; the picture has the screen's device pixels.

#include "settings/colorarchive.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

class QScreen;

namespace pennova {

class ScreenPickOverlay : public QWidget
{
    Q_OBJECT
public:
    // Source pixels across the loupe (odd, so that one is in the middle) and their size in it.
    static constexpr int kLoupePixels = 15;
    static constexpr int kLoupeZoom = 9;
    // Distance of the loupe from the pointer.
    static constexpr int kLoupeOffset = 24;

    // Runs once: with a colour for a pick, with none for a cancel.
    using Done = std::function<void(const std::optional<RgbaColor> &color)>;

    ScreenPickOverlay(const QImage &screenPicture, QScreen *screen, Done done);
    ~ScreenPickOverlay() override;

    // Covers the screen and takes the pointer and the keyboard.
    void start();

    // The colour of the screen pixel under an overlay point; none outside the picture.
    std::optional<RgbaColor> colorAt(const QPointF &point) const;
    // Where the loupe (with its colour label) is drawn for the current pointer position.
    QRect loupeRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The picture's pixel under an overlay point (device pixels, may lie outside the picture).
    QPoint pixelAt(const QPointF &point) const;
    void takeInput();
    void end(const std::optional<RgbaColor> &color);
    void drawLoupe(QPainter &painter) const;

    QImage m_picture;
    qreal m_ratio = 1.0;
    QPointF m_pointer;
    Done m_done;
    bool m_hasPointer = false;
    bool m_hasKeyboard = false;
    int m_grabAttempts = 0;
};

} // namespace pennova
