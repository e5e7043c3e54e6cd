#pragma once

// The application object. Tablet proximity events arrive here, not at widgets: TabletApp records
// which end of the pen is near the tablet in PenEnd, which tells every canvas to switch its brush
// between the pen size and the eraser size. It also registers the settings' factory values.

#include <QApplication>

namespace pennova {

class TabletApp : public QApplication
{
    Q_OBJECT
public:
    TabletApp(int &argc, char **argv);

    static TabletApp *instance() { return qobject_cast<TabletApp *>(QCoreApplication::instance()); }

protected:
    bool event(QEvent *event) override;
};

} // namespace pennova
