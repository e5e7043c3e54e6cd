#pragma once

// A colour pick through the desktop portal (the D-Bus service org.freedesktop.portal.Desktop,
// method Screenshot.PickColor), for desktops where a program may not read the screen itself.
// The desktop runs the pick and answers on a request object with a response code and the colour.

#include "settings/colorarchive.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

namespace pennova {

class PortalColorPick : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Picked,
        Cancelled,
        Refused, // the desktop ended the pick without a colour
        Unavailable // no portal, or one without colour picking
    };

    explicit PortalColorPick(QObject *parent = nullptr);

    // Asks the portal; finished() follows once, possibly before the call returns.
    void start();

    // The colour of a portal answer: response 0 with a "color" of three doubles in 0..1.
    static Outcome outcomeOf(uint response, const QVariantMap &results, RgbaColor *color);

signals:
    void finished(pennova::PortalColorPick::Outcome outcome, const pennova::RgbaColor &color);

private slots:
    void response(uint response, const QVariantMap &results);

private:
    void finish(Outcome outcome, const RgbaColor &color = RgbaColor {});
    bool listenTo(const QString &requestPath);

    QString m_requestPath;
    bool m_finished = false;
};

} // namespace pennova
