// The desktop portal's colour pick, against a stand-in portal on the session bus. Skipped where
// there is no session bus (run the suite under dbus-run-session to include it).

#include "picker/portalcolorpick.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

using namespace pennova;

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

// Answers PickColor as a portal does: the request path at once, then Response on it.
class StandInPortal : public QDBusVirtualObject
{
public:
    uint response = 0;
    bool withColor = true;

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.member() != QLatin1String("PickColor"))
            return false;
        const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(1));
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString request
            = QStringLiteral("%1/request/%2/%3")
                  .arg(kPath, sender, options.value(QStringLiteral("handle_token")).toString());
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));

        QVariantMap results;
        if (withColor) {
            QDBusArgument rgb;
            rgb.beginStructure();
            rgb << 0.25 << 0.5 << 1.0;
            rgb.endStructure();
            results.insert(QStringLiteral("color"), QVariant::fromValue(rgb));
        }
        QDBusMessage answer = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        answer << response << results;
        connection.send(answer);
        return true;
    }
};

class PortalColorPickTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QDBusConnection::sessionBus().isConnected())
            return;
        if (qEnvironmentVariableIsSet("PENNOVA_REQUIRE_SESSION_BUS"))
            FAIL() << "no D-Bus session bus";
        GTEST_SKIP() << "no D-Bus session bus";
    }
    void TearDown() override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            bus.unregisterObject(kPath);
            bus.unregisterService(kService);
        }
    }
    void offerPortal()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        ASSERT_TRUE(bus.registerService(kService));
        ASSERT_TRUE(bus.registerVirtualObject(kPath, &portal));
    }
    std::pair<PortalColorPick::Outcome, RgbaColor> pick()
    {
        PortalColorPick request;
        std::optional<std::pair<PortalColorPick::Outcome, RgbaColor>> answer;
        QObject::connect(&request, &PortalColorPick::finished,
            [&answer](PortalColorPick::Outcome outcome, const RgbaColor &color) {
                answer = { outcome, color };
            });
        request.start();
        EXPECT_TRUE(QTest::qWaitFor([&answer]() { return answer.has_value(); }, 5000));
        return answer.value_or(std::pair { PortalColorPick::Outcome::Refused, RgbaColor {} });
    }

    StandInPortal portal;
};

} // namespace

TEST_F(PortalColorPickTest, PortalAnswersWithTheColourOrACancel)
{
    offerPortal();
    const auto [outcome, color] = pick();
    EXPECT_EQ(outcome, PortalColorPick::Outcome::Picked);
    EXPECT_EQ(color, (RgbaColor { 0.25f, 0.5f, 1.0f, 1.0f }));

    portal.response = 1;
    EXPECT_EQ(pick().first, PortalColorPick::Outcome::Cancelled);
    portal.response = 0;
    portal.withColor = false;
    EXPECT_EQ(pick().first, PortalColorPick::Outcome::Refused);
}

TEST_F(PortalColorPickTest, NoPortalMeansUnavailable)
{
    EXPECT_EQ(pick().first, PortalColorPick::Outcome::Unavailable);
}
