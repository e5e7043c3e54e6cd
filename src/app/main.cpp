#include "app/documentcontroller.h"
#include "app/tabletapp.h"
#include "app/toolpalettesetup.h"

#include <QStringList>

// `pennova [FILE...]`: opens each image file; without files, or when none could be opened, starts
// with a new canvas at the default size. The tool palette opens with the user's tools.
int main(int argc, char *argv[])
{
    pennova::TabletApp app(argc, argv);
    pennova::DocumentController &controller = pennova::DocumentController::shared();
    if (!controller.openAtLaunch(QCoreApplication::arguments().mid(1)))
        return 1;
    pennova::setUpToolPalette(controller);
    return app.exec();
}
