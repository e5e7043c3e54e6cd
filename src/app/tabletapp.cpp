#include "app/tabletapp.h"

#include "app/helpwindow.h"
#include "canvas/penend.h"
#include "settings/defaults.h"

#include <QTabletEvent>

namespace pennova {

TabletApp::TabletApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Pennova"));
    setOrganizationName(QStringLiteral("Pennova"));
    setApplicationVersion(QStringLiteral(PENNOVA_VERSION));
    // The desktop entry's name: Wayland compositors find the program's icon and name by it.
    setDesktopFileName(QStringLiteral(PENNOVA_APP_ID));
    setWindowIcon(HelpWindow::programIcon());
    registerApplicationDefaults(Defaults::shared());
}

bool TabletApp::event(QEvent *event)
{
    // Proximity is handled here and goes no further: entering and leaving alike record the
    // device, so after the eraser leaves, the eraser stays current until another end comes near.
    if (event->type() == QEvent::TabletEnterProximity
        || event->type() == QEvent::TabletLeaveProximity) {
        const auto *tablet = static_cast<QTabletEvent *>(event);
        PenEnd::shared().setDeviceType(PenEnd::deviceTypeFor(tablet->pointerType()));
        event->accept();
        return true;
    }
    return QApplication::event(event);
}

} // namespace pennova
