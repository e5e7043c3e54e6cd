#include "canvas/penend.h"

namespace pennova {

PenEnd &PenEnd::shared()
{
    static PenEnd pen;
    return pen;
}

int PenEnd::deviceTypeFor(QPointingDevice::PointerType pointerType)
{
    switch (pointerType) {
    case QPointingDevice::PointerType::Pen:
        return PenDevice;
    case QPointingDevice::PointerType::Cursor:
        return CursorDevice;
    case QPointingDevice::PointerType::Eraser:
        return EraserDevice;
    default:
        return UnknownDevice;
    }
}

void PenEnd::setDeviceType(int deviceType)
{
    m_curtip = deviceType;
    emit tabletProximityNotification();
}

} // namespace pennova
