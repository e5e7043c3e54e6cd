#include "app/appdelegate.h"
#include "app/documentcontroller.h"
#include "app/tabletapp.h"
#include "app/toolpalettesetup.h"

#include <QStringList>

// `pennova [FILE...]`: opens each image file; without files, or when none could be opened, shows
// the launch window. The tool palette opens with the user's tools.
int main(int argc, char *argv[])
{
    pennova::TabletApp app(argc, argv);
    pennova::DocumentController &controller = pennova::DocumentController::shared();
    pennova::AppDelegate delegate(controller);
    pennova::setUpToolPalette(controller);
    delegate.launch(QCoreApplication::arguments().mid(1));
    return app.exec();
}
