#pragma once

// Picking one pixel's colour from anywhere on the screen. On X11 (and any desktop that lets a
// program read the screen) the screen is grabbed and shown in a full-screen overlay with a loupe
// (ScreenPickOverlay); a click takes a pixel, Escape or a right click cancels. On Wayland, where
// a program may not read the screen, the desktop portal picks the colour (PortalColorPick); where
// it is missing, the pick ends with a message. A pick runs on its own while the event loop turns
// and reports once, then deletes itself.

#include "settings/colorarchive.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QScreen;
class QWidget;

namespace pennova {

class ScreenPickOverlay;

// How a pick ended: a colour, or none with a message for the user when it could not be done.
// No colour and no message: the user cancelled.
struct ScreenPickResult
{
    std::optional<RgbaColor> color;
    QString message;
};

class ScreenPicker : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(const ScreenPickResult &result)>;
    // The picture of a screen, in device pixels; a null image when it cannot be read.
    using GrabSource = std::function<QImage(QScreen *screen)>;

    // Starts a pick for a window; `done` runs once, when it ends (at once when the screen cannot
    // be read).
    static void start(QWidget *window, Done done);

    // Replaces the screen grab by another picture source (tests and the replay tool); an empty
    // function goes back to the real screen. With a replaced source the overlay is used on every
    // platform.
    static void setGrabSource(GrabSource source);
    // The overlay of the pick in progress, if one is shown.
    static ScreenPickOverlay *activeOverlay();

private:
    ScreenPicker(QWidget *window, Done done);
    void grabAndShow();
    void startPortal();
    void finish(const ScreenPickResult &result);

    QPointer<QWidget> m_window;
    Done m_done;
    QPointer<ScreenPickOverlay> m_overlay;
    bool m_finished = false;
};

} // namespace pennova
