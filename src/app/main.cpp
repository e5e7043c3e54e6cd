#include "app/appdelegate.h"
#include "app/documentcontroller.h"
#include "app/tabletapp.h"

#include <QStringList>

// `pennova [FILE...]`: opens each image file; without files, or when none could be opened, shows
// the launch window.
int main(int argc, char *argv[])
{
    pennova::TabletApp app(argc, argv);
    pennova::AppDelegate delegate(pennova::DocumentController::shared());
    delegate.launch(QCoreApplication::arguments().mid(1));
    return app.exec();
}
