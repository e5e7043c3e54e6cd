// The web actions against a real HTTP server on the loopback address: the donation message, the
// update page and the bug report, with the answers a server may really give.

#include "web/testhttpserver.h"
#include "web/webservice.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using namespace pennova;
using pennova::test::TestHttpServer;

namespace {

class WebServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        web.setServer(ServerAddress::fromText(server.address()));
        web.setTimeLimit(5000);
    }

    // Fetches the donation message; the messages handed on (none or one).
    QStringList fetchDonation()
    {
        QSignalSpy received(&web, &WebService::donationMessageReceived);
        QSignalSpy finished(&web, &WebService::donationFetchFinished);
        web.fetchDonationMessage();
        EXPECT_TRUE(finished.wait(3000));
        QStringList messages;
        for (const QList<QVariant> &args : received)
            messages << args.at(0).toString();
        return messages;
    }

    TestHttpServer server;
    WebService web;
};

TEST_F(WebServiceTest, DonationMessageArrivingInPiecesIsHandedOnWhole)
{
    server.setReply("/pn_donate.txt",
        { 200, "OK", "text/plain", { "Give what ", "you can: ", "it keeps Pennova ", "going." } });
    EXPECT_EQ(fetchDonation(),
        QStringList { QStringLiteral("Give what you can: it keeps Pennova going.") });
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].method, "GET");
    EXPECT_EQ(server.requests()[0].target, "/pn_donate.txt");
}

TEST_F(WebServiceTest, DonationMessageIsDecodedAsMacRoman)
{
    server.setReply("/pn_donate.txt",
        { 200, "OK", "text/plain",
            { "Caf\x8E",
                " cr\x8Fme \xDB"
                "5" } });
    EXPECT_EQ(fetchDonation(), QStringList { QStringLiteral("Café crème €5") });
}

TEST_F(WebServiceTest, EmptyFailedOrOversizedDonationAnswersHandOnNothing)
{
    server.setReply("/pn_donate.txt", { 200, "OK", "text/plain", {} });
    EXPECT_TRUE(fetchDonation().isEmpty());
    server.setReply("/pn_donate.txt", { 200, "OK", "text/plain", { " \n\t ", "\r\n" } });
    EXPECT_TRUE(fetchDonation().isEmpty());
    server.setReply("/pn_donate.txt", { 500, "Internal Server Error", "text/plain", { "oops" } });
    EXPECT_TRUE(fetchDonation().isEmpty());
    server.setReply("/pn_donate.txt",
        { 200, "OK", "text/plain", { QByteArray(40 * 1024, 'a'), QByteArray(40 * 1024, 'b') } });
    EXPECT_TRUE(fetchDonation().isEmpty());
    EXPECT_GE(server.requests().size(), 4);
}

TEST_F(WebServiceTest, UpdatePageIsLoadedAndAnOversizedOneIsCut)
{
    QSignalSpy loaded(&web, &WebService::updatePageLoaded);
    server.setReply(
        "/update.cgi", { 200, "OK", "text/html; charset=utf-8", { "<p>Versión 2</p>" } });
    web.loadUpdatePage();
    ASSERT_TRUE(loaded.wait(3000));
    EXPECT_EQ(server.requests().constLast().target, "/update.cgi?version=60");
    EXPECT_EQ(loaded[0][0].toString(), QStringLiteral("<p>Versión 2</p>"));
    EXPECT_FALSE(loaded[0][2].toBool());

    const QByteArray piece(100 * 1024, 'x');
    server.setReply("/update.cgi", { 200, "OK", "text/plain", { piece, piece, piece, piece } });
    web.loadUpdatePage();
    ASSERT_TRUE(loaded.wait(3000));
    EXPECT_EQ(loaded[1][0].toString().size(), WebService::kMaxUpdatePageBytes);
    EXPECT_TRUE(loaded[1][2].toBool());
}

TEST_F(WebServiceTest, RedirectsAreFollowedOnlyToWebAddresses)
{
    QSignalSpy loaded(&web, &WebService::updatePageLoaded);
    QSignalSpy failed(&web, &WebService::updatePageFailed);
    server.setReply("/update.cgi", TestHttpServer::Reply::redirect("/moved.html"));
    server.setReply("/moved.html", { 200, "OK", "text/html", { "<b>moved</b>" } });
    web.loadUpdatePage();
    ASSERT_TRUE(loaded.wait(3000));
    EXPECT_EQ(loaded[0][0].toString(), QStringLiteral("<b>moved</b>"));
    EXPECT_EQ(loaded[0][1].toUrl().path(), QStringLiteral("/moved.html"));

    server.setReply("/update.cgi", TestHttpServer::Reply::redirect("file:///etc/passwd"));
    web.loadUpdatePage();
    ASSERT_TRUE(failed.wait(3000));
    EXPECT_TRUE(failed[0][0].toString().contains(QStringLiteral("file:///etc/passwd")));
    EXPECT_EQ(loaded.size(), 1);
}

TEST_F(WebServiceTest, ErrorStatusOfTheUpdatePageIsAFailure)
{
    QSignalSpy failed(&web, &WebService::updatePageFailed);
    web.loadUpdatePage(); // no reply set: 404
    ASSERT_TRUE(failed.wait(3000));
    EXPECT_TRUE(failed[0][0].toString().contains(QStringLiteral("404")));
}

TEST_F(WebServiceTest, ReportArrivesAsTheEscapedPropertyList)
{
    server.setReply("/bugreport.cgi", { 200, "OK", "text/plain", { "ok" } });
    const QString report = QStringLiteral("Crash after \"Paste\"\\n:\nline two\twith é and ☃");
    const ReportSender::Result result = web.sendReport(QStringLiteral("0.1.0"), report);
    EXPECT_EQ(result.outcome, ReportSender::Outcome::Sent) << result.error.toStdString();
    ASSERT_EQ(server.requests().size(), 1);
    const TestHttpServer::Request request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/bugreport.cgi");
    EXPECT_EQ(request.body,
        "{\n    Report = \"Crash after \\\"Paste\\\"\\\\n:\\nline two\\twith \\U00e9 and "
        "\\U2603\";\n    Version = 0.1.0;\n}\n");
}

TEST_F(WebServiceTest, ReportAnsweredWithAnErrorStatusIsNotSent)
{
    server.setReply("/bugreport.cgi", { 503, "Service Unavailable", "text/plain", { "busy" } });
    const ReportSender::Result result = web.sendReport(QStringLiteral("1"), QStringLiteral("x"));
    EXPECT_EQ(result.outcome, ReportSender::Outcome::Failed);
    EXPECT_TRUE(result.error.contains(QStringLiteral("503"))) << result.error.toStdString();
}

TEST_F(WebServiceTest, SilentServerFailsTheReportAtTheTimeLimitAndCancelStopsIt)
{
    server.setReply("/bugreport.cgi", TestHttpServer::Reply::silentOne());
    web.setTimeLimit(300);
    QElapsedTimer clock;
    clock.start();
    ReportSender::Result result = web.sendReport(QStringLiteral("1"), QStringLiteral("x"));
    EXPECT_GE(clock.elapsed(), 250); // timers may fire a little early
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(result.outcome, ReportSender::Outcome::Failed);
    EXPECT_TRUE(result.error.contains(QStringLiteral("did not answer")))
        << result.error.toStdString();

    web.setTimeLimit(5000);
    clock.restart();
    QTimer::singleShot(100, &web, [this] { web.reportSender().cancel(); });
    result = web.sendReport(QStringLiteral("1"), QStringLiteral("x"));
    EXPECT_EQ(result.outcome, ReportSender::Outcome::Cancelled);
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(WebServiceWithoutServer, FetchesNothingAndSendsNothing)
{
    WebService web;
    EXPECT_FALSE(web.updatePageUrl().isValid());
    QSignalSpy loaded(&web, &WebService::updatePageLoaded);
    QSignalSpy failed(&web, &WebService::updatePageFailed);
    web.loadUpdatePage();
    web.fetchDonationMessage();
    EXPECT_FALSE(web.isLoadingUpdatePage());
    const ReportSender::Result result = web.sendReport(QStringLiteral("1"), QStringLiteral("x"));
    EXPECT_EQ(result.outcome, ReportSender::Outcome::Failed);
    EXPECT_FALSE(result.error.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(loaded.isEmpty());
    EXPECT_TRUE(failed.isEmpty());
}

} // namespace
