#pragma once

// The application object. Tablet proximity events arrive here, not at widgets: TabletApp records
// which end of the pen is near the tablet and tells every canvas about it.

#include <QApplication>

namespace pennova {

class TabletApp : public QApplication
{
    Q_OBJECT
public:
    TabletApp(int &argc, char **argv);
};

} // namespace pennova
