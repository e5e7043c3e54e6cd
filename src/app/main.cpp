#include "app/tabletapp.h"

#include <QMainWindow>

int main(int argc, char *argv[])
{
    pennova::TabletApp app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Pennova"));
    window.resize(640, 480);
    window.show();
    return app.exec();
}
