#include "app/defaults.h"
#include "app/defaultskeys.h"
#include "app/documentwindow.h"
#include "app/tabletapp.h"

int main(int argc, char *argv[])
{
    pennova::TabletApp app(argc, argv);
    pennova::Defaults &defaults = pennova::Defaults::shared();
    pennova::registerDocumentDefaults(defaults);
    auto *window = new pennova::DocumentWindow(defaults);
    window->setWindowTitle(QStringLiteral("Untitled"));
    window->newCanvas(defaults.integerForKey(pennova::keys::ImageWidth),
        defaults.integerForKey(pennova::keys::ImageHeight));
    window->show();
    return app.exec();
}
