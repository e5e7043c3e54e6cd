#pragma once

// Which end of the pen is near the tablet: one value for the whole program, since there is one
// pen. The application object records every proximity event here; each canvas listens for
// changes and switches its brush between the pen size and the eraser size.

#include <QObject>
#include <QPointingDevice>

namespace pennova {

class PenEnd : public QObject
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

    // The program's one pen.
    static PenEnd &shared();
    static int deviceTypeFor(QPointingDevice::PointerType pointerType);

    // The device type of the last proximity event; 0 until the first.
    int curtip() const { return m_curtip; }
    bool isEraser() const { return m_curtip == EraserDevice; }

    // Records the device type of a proximity event (or of a press from another end than the
    // recorded one) and announces it, even when it did not change.
    void setDeviceType(int deviceType);

signals:
    // Posted after every proximity event; every canvas re-applies its brush size.
    void tabletProximityNotification();

private:
    int m_curtip = UnknownDevice;
};

} // namespace pennova
