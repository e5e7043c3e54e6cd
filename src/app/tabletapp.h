#pragma once

// The application object. Tablet proximity events arrive here, not at widgets: TabletApp records
// which end of the pen is near the tablet and tells every canvas, which then switches its brush
// between the pen size and the eraser size. It also registers the settings' factory values.

#include <QApplication>
#include <QPointingDevice>

namespace pennova {

class TabletApp : public QApplication
{
    Q_OBJECT
public:
    // Pointing-device types as the canvas code counts them.
    enum DeviceType
    {
        UnknownDevice = 0,
        PenDevice = 1,
        CursorDevice = 2,
        EraserDevice = 3
    };

    TabletApp(int &argc, char **argv);

    static TabletApp *instance() { return qobject_cast<TabletApp *>(QCoreApplication::instance()); }
    static int deviceTypeFor(QPointingDevice::PointerType pointerType);

    // The device type of the last proximity event; 0 until the first.
    int curtip() const { return m_curtip; }
    bool isEraser() const { return m_curtip == EraserDevice; }

    // Records a device type seen in a proximity event, or in a tablet press from a device other
    // than the recorded one (some drivers send no proximity events, or report the eraser only on
    // contact), and announces it.
    void tabletProximity(int deviceType);

signals:
    // Posted after every proximity event; every canvas re-applies its brush size.
    void tabletProximityNotification();

protected:
    bool event(QEvent *event) override;

private:
    int m_curtip = UnknownDevice;
};

} // namespace pennova
