#include "app/tabletapp.h"

namespace pennova {

TabletApp::TabletApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Pennova"));
    setOrganizationName(QStringLiteral("Pennova"));
    setApplicationVersion(QStringLiteral(PENNOVA_VERSION));
}

} // namespace pennova
