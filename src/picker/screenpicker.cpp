#include "picker/screenpicker.h"

#include "picker/portalcolorpick.h"
#include "picker/screenpickoverlay.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace pennova {

namespace {

    // Time for the window system to repaint what a menu that has just closed covered, so that
    // the menu is not in the picture of the screen.
    constexpr int kSettleMilliseconds = 120;

    ScreenPicker::GrabSource &grabSource()
    {
        static ScreenPicker::GrabSource source;
        return source;
    }

    QPointer<ScreenPickOverlay> &overlayShown()
    {
        static QPointer<ScreenPickOverlay> overlay;
        return overlay;
    }

    QString unavailableMessage()
    {
        return QStringLiteral("Picking a color from the screen is not available on this desktop");
    }

    bool isWaylandPlatform()
    {
        return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    }

    // A Wayland desktop, also for a program that runs through its X11 compatibility server,
    // which sees only the windows of X11 programs.
    bool isWaylandSession()
    {
        return isWaylandPlatform() || qgetenv("XDG_SESSION_TYPE") == "wayland";
    }

    // The screen under the pointer, where the user is about to pick.
    QScreen *screenForPick(QWidget *window)
    {
        if (QScreen *screen = QGuiApplication::screenAt(QCursor::pos()))
            return screen;
        if (window && window->screen())
            return window->screen();
        return QGuiApplication::primaryScreen();
    }

} // namespace

ScreenPicker::ScreenPicker(QWidget *window, Done done)
    : m_window(window)
    , m_done(std::move(done))
{ }

void ScreenPicker::start(QWidget *window, Done done)
{
    auto *picker = new ScreenPicker(window, std::move(done));
    if (grabSource())
        picker->grabAndShow();
    else if (isWaylandSession())
        picker->startPortal();
    else
        QTimer::singleShot(kSettleMilliseconds, picker, &ScreenPicker::grabAndShow);
}

void ScreenPicker::setGrabSource(GrabSource source)
{
    grabSource() = std::move(source);
}

ScreenPickOverlay *ScreenPicker::activeOverlay()
{
    return overlayShown().data();
}

void ScreenPicker::grabAndShow()
{
    QScreen *screen = screenForPick(m_window);
    if (!screen) {
        finish(ScreenPickResult { std::nullopt, unavailableMessage() });
        return;
    }
    const QImage picture = grabSource() ? grabSource()(screen) : screen->grabWindow(0).toImage();
    if (picture.isNull()) {
        finish(ScreenPickResult { std::nullopt, QStringLiteral("Could not read the screen") });
        return;
    }
    m_overlay
        = new ScreenPickOverlay(picture, screen, [this](const std::optional<RgbaColor> &color) {
              finish(ScreenPickResult { color, QString() });
          });
    overlayShown() = m_overlay;
    m_overlay->start();
}

void ScreenPicker::startPortal()
{
    auto *portal = new PortalColorPick(this);
    connect(portal, &PortalColorPick::finished, this,
        [this](PortalColorPick::Outcome outcome, const RgbaColor &color) {
            switch (outcome) {
            case PortalColorPick::Outcome::Picked:
                finish(ScreenPickResult { color, QString() });
                break;
            case PortalColorPick::Outcome::Cancelled:
                finish(ScreenPickResult {});
                break;
            case PortalColorPick::Outcome::Refused:
                finish(ScreenPickResult {
                    std::nullopt, QStringLiteral("The desktop did not let Pennova pick a color") });
                break;
            case PortalColorPick::Outcome::Unavailable:
                // An X11 program on a Wayland desktop can still read what its own display
                // server shows, which includes its own windows.
                if (isWaylandPlatform())
                    finish(ScreenPickResult { std::nullopt, unavailableMessage() });
                else
                    grabAndShow();
                break;
            }
        });
    portal->start();
}

void ScreenPicker::finish(const ScreenPickResult &result)
{
    if (m_finished)
        return;
    m_finished = true;
    if (overlayShown() == m_overlay)
        overlayShown() = nullptr;
    if (m_overlay) {
        m_overlay->hide();
        m_overlay->deleteLater();
        // The keyboard goes back to the window the pick started from.
        if (m_window)
            m_window->activateWindow();
    }
    // Told before it goes, and never twice: the callback may start the next pick.
    const Done done = std::move(m_done);
    deleteLater();
    if (done)
        done(result);
}

} // namespace pennova
