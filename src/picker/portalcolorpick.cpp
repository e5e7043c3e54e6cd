#include "picker/portalcolorpick.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <cmath>

namespace pennova {

namespace {

    const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
    const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
    const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
    const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

    bool unitValue(double value)
    {
        return std::isfinite(value) && value >= 0.0 && value <= 1.0;
    }

} // namespace

PortalColorPick::PortalColorPick(QObject *parent)
    : QObject(parent)
{ }

bool PortalColorPick::listenTo(const QString &requestPath)
{
    return QDBusConnection::sessionBus().connect(kService, requestPath, kRequest,
        QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
}

void PortalColorPick::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        finish(Outcome::Unavailable);
        return;
    }
    // The answer comes on a request object whose path the token fixes; listening before the
    // call means an answer cannot slip past.
    static int serial = 0;
    const QString token = QStringLiteral("pennova%1").arg(++serial);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_requestPath = QStringLiteral("%1/request/%2/%3").arg(kPath, sender, token);
    listenTo(m_requestPath);

    QDBusMessage call
        = QDBusMessage::createMethodCall(kService, kPath, kScreenshot, QStringLiteral("PickColor"));
    call << QString() << QVariantMap { { QStringLiteral("handle_token"), token } };
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        // No portal, or one that cannot pick colours.
        if (reply.isError()) {
            finish(Outcome::Unavailable);
            return;
        }
        // Older portals choose the request path themselves.
        const QString path = reply.value().path();
        if (path != m_requestPath) {
            m_requestPath = path;
            listenTo(path);
        }
    });
}

PortalColorPick::Outcome PortalColorPick::outcomeOf(
    uint response, const QVariantMap &results, RgbaColor *color)
{
    // Response codes: 0 done, 1 cancelled by the user, 2 ended in another way.
    if (response == 1)
        return Outcome::Cancelled;
    if (response != 0)
        return Outcome::Refused;
    const QVariant value = results.value(QStringLiteral("color"));
    if (!value.canConvert<QDBusArgument>())
        return Outcome::Refused;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::StructureType)
        return Outcome::Refused;
    double rgb[3] = { 0.0, 0.0, 0.0 };
    argument.beginStructure();
    for (double &channel : rgb) {
        if (argument.atEnd())
            return Outcome::Refused;
        argument >> channel;
    }
    argument.endStructure();
    if (!unitValue(rgb[0]) || !unitValue(rgb[1]) || !unitValue(rgb[2]))
        return Outcome::Refused;
    *color = RgbaColor { float(rgb[0]), float(rgb[1]), float(rgb[2]), 1.0f };
    return Outcome::Picked;
}

void PortalColorPick::response(uint response, const QVariantMap &results)
{
    RgbaColor color;
    const Outcome outcome = outcomeOf(response, results, &color);
    finish(outcome, color);
}

void PortalColorPick::finish(Outcome outcome, const RgbaColor &color)
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_requestPath.isEmpty()) {
        QDBusConnection::sessionBus().disconnect(kService, m_requestPath, kRequest,
            QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
    }
    emit finished(outcome, color);
}

} // namespace pennova
