// The application delegate: the launch window at a plain start and after the last document, the
// application commands in every window, and the web actions through their windows, against a
// loopback HTTP server or with no server at all.

#include "app/appdelegate.h"
#include "app/bugreportwindow.h"
#include "app/documentcontroller.h"
#include "app/documentwindow.h"
#include "app/launchwindow.h"
#include "app/mydocument.h"
#include "app/updateview.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "testsupport.h"
#include "web/testhttpserver.h"
#include "web/webservice.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace pennova;
using pennova::test::TestHttpServer;

namespace {

int visibleDocumentWindows()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += qobject_cast<DocumentWindow *>(w) && w->isVisible() ? 1 : 0;
    return count;
}

struct Message
{
    QString message;
    QString informative;
};

class AppDelegateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DocumentPrompts documentPrompts;
        documentPrompts.alert = [this](QWidget *, const QString &text) { documentAlerts << text; };
        controller.setPrompts(documentPrompts);
    }

    // The delegate, over a server when one is given.
    void start(const QString &serverAddress = QString())
    {
        if (!serverAddress.isNull())
            defaults->setString(keys::ServerAddress, serverAddress);
        delegate = std::make_unique<AppDelegate>(controller);
        ShellPrompts prompts;
        prompts.alert = [this](QWidget *, const QString &m, const QString &i) {
            alerts.push_back({ m, i });
        };
        prompts.inform = [this](QWidget *, const QString &m, const QString &i) {
            notices.push_back({ m, i });
        };
        prompts.reportFileName = [this](QWidget *, const QString &) { return reportPath; };
        prompts.openUrl = [this](const QUrl &url) {
            opened << url;
            return true;
        };
        delegate->setPrompts(prompts);
        delegate->web().setTimeLimit(5000);
    }

    void TearDown() override
    {
        for (MyDocument *document : controller.documents())
            document->closeWithoutAsking();
        delegate.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString picture()
    {
        const QString path = dir.filePath(QStringLiteral("picture.png"));
        QImage image(30, 20, QImage::Format_ARGB32);
        image.fill(Qt::white);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    LaunchWindow *launch() const { return delegate->launchWindow(); }
    BugReportWindow *bug() const { return delegate->bugReportWindow(); }

    test::TestDefaults defaults;
    QTemporaryDir dir;
    DocumentController controller { *defaults };
    std::unique_ptr<AppDelegate> delegate;
    test::LogCapture log;
    QStringList documentAlerts;
    std::vector<Message> alerts;
    std::vector<Message> notices;
    QList<QUrl> opened;
    QString reportPath;
};

// --- Launching

TEST_F(AppDelegateTest, PlainStartShowsTheLaunchWindowAndNoDocument)
{
    start();
    delegate->launch({});
    EXPECT_TRUE(launch()->isVisible());
    EXPECT_EQ(visibleDocumentWindows(), 0);
    EXPECT_TRUE(controller.documents().isEmpty());
    EXPECT_FALSE(delegate->applicationShouldOpenUntitledFile());

    // The first canvas placed in a window closes it.
    ASSERT_NE(controller.makeUntitledDocument(QSize(40, 30)), nullptr);
    EXPECT_FALSE(launch()->isVisible());
    EXPECT_EQ(visibleDocumentWindows(), 1);
}

TEST_F(AppDelegateTest, StartWithAFileOpensItWithoutTheLaunchWindow)
{
    start();
    const QString path = picture();
    delegate->launch({ path });
    EXPECT_FALSE(launch()->isVisible());
    ASSERT_EQ(controller.documents().size(), 1);
    EXPECT_EQ(controller.documents()[0]->filePath(), QFileInfo(path).absoluteFilePath());
    // It is remembered for the launch window's list.
    delegate->applicationShouldOpenUntitledFile();
    ASSERT_EQ(launch()->recentList()->count(), 1);
    EXPECT_EQ(launch()->recentList()->item(0)->data(Qt::UserRole).toString(),
        QFileInfo(path).absoluteFilePath());
}

TEST_F(AppDelegateTest, APictureSavedUnderANewNameIsRememberedToo)
{
    start();
    delegate->launch({});
    MyDocument *fresh = controller.makeUntitledDocument(QSize(20, 20));
    ASSERT_NE(fresh, nullptr);
    const QString path = dir.filePath(QStringLiteral("saved.png"));
    QString error;
    ASSERT_TRUE(fresh->saveToFile(path, &error)) << error.toStdString();
    ASSERT_EQ(launch()->recentList()->count(), 1);
    EXPECT_EQ(launch()->recentList()->item(0)->data(Qt::UserRole).toString(),
        QFileInfo(path).absoluteFilePath());
}

TEST_F(AppDelegateTest, StartWithOnlyUnreadableFilesReportsThemAndShowsTheLaunchWindow)
{
    start();
    delegate->launch({ dir.filePath(QStringLiteral("missing.png")) });
    EXPECT_EQ(documentAlerts.size(), 1);
    EXPECT_TRUE(controller.documents().isEmpty());
    EXPECT_TRUE(launch()->isVisible());
}

TEST_F(AppDelegateTest, ClosingTheLastDocumentShowsTheLaunchWindowButQuittingDoesNot)
{
    start();
    delegate->launch({ picture() });
    MyDocument *second = controller.makeUntitledDocument(QSize(20, 20));
    ASSERT_NE(second, nullptr);
    second->closeWithoutAsking();
    EXPECT_FALSE(launch()->isVisible());
    controller.documents()[0]->closeWithoutAsking();
    EXPECT_TRUE(launch()->isVisible());

    ASSERT_NE(controller.makeUntitledDocument(QSize(20, 20)), nullptr);
    EXPECT_FALSE(launch()->isVisible());
    controller.quit();
    EXPECT_TRUE(controller.documents().isEmpty());
    EXPECT_FALSE(launch()->isVisible());
}

TEST_F(AppDelegateTest, EveryWindowCarriesTheApplicationCommands)
{
    start();
    MyDocument *document = controller.makeUntitledDocument(QSize(20, 20));
    ASSERT_NE(document, nullptr);
    QAction *preferences = delegate->command(QStringLiteral("preferences"));
    ASSERT_NE(preferences, nullptr);
    EXPECT_EQ(preferences->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    for (QWidget *window :
        { static_cast<QWidget *>(document->window()), static_cast<QWidget *>(launch()) }) {
        QList<QAction *> inMenus;
        for (QMenu *menu : window->findChildren<QMenu *>())
            inMenus += menu->actions();
        for (const char *name :
            { "preferences", "goToWiki", "goToBulletinBoards", "bugReport", "donate" })
            EXPECT_TRUE(inMenus.contains(delegate->command(QLatin1String(name)))) << name;
    }
}

// --- Without a server

TEST_F(AppDelegateTest, WithoutAServerLinksAreOffAndTheReportIsSavedInstead)
{
    start();
    delegate->applicationShouldOpenUntitledFile();
    EXPECT_TRUE(launch()->updateView()->showsWelcome());
    EXPECT_EQ(launch()->donationLabel()->text(), defaults->stringForKey(keys::DonateMessage));
    for (const char *name : { "goToWiki", "goToBulletinBoards", "donate" }) {
        EXPECT_FALSE(delegate->command(QLatin1String(name))->isEnabled()) << name;
        EXPECT_FALSE(delegate->command(QLatin1String(name))->toolTip().isEmpty()) << name;
    }
    EXPECT_FALSE(launch()->donateButton()->isEnabled());
    EXPECT_FALSE(launch()->donateButton()->toolTip().isEmpty());
    delegate->goToWiki();
    EXPECT_TRUE(opened.isEmpty());

    bug()->bugView()->setPlainText(QStringLiteral("Ünïcode and \"quotes\""));
    EXPECT_FALSE(bug()->sendButton()->isEnabled());
    EXPECT_FALSE(bug()->sendButton()->toolTip().isEmpty());
    delegate->submitReport();
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(bug()->text(), QStringLiteral("Ünïcode and \"quotes\""));

    // A folder that is not there: an alert, and the text stays.
    reportPath = dir.filePath(QStringLiteral("no/such/folder/report.txt"));
    delegate->saveReport();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_FALSE(bug()->text().isEmpty());

    reportPath = dir.filePath(QStringLiteral("report.txt"));
    delegate->saveReport();
    QFile saved(reportPath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(saved.readAll());
    EXPECT_TRUE(content.contains(QCoreApplication::applicationVersion()));
    EXPECT_TRUE(content.endsWith(QStringLiteral("Ünïcode and \"quotes\"\n")));
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_TRUE(bug()->text().isEmpty());
}

TEST_F(AppDelegateTest, AnAddressThatIsNotHttpCountsAsNoServer)
{
    start(QStringLiteral("ftp://example.org"));
    EXPECT_FALSE(delegate->web().server().isSet());
    EXPECT_TRUE(delegate->command(QStringLiteral("donate"))
                    ->toolTip()
                    .contains(QStringLiteral("ftp://example.org")));
    EXPECT_TRUE(log.contains(delegate->web().server().problem()));
}

// --- With a server

TEST_F(AppDelegateTest, LaunchStoresTheDonationMessageAndShowsTheUpdateNotice)
{
    TestHttpServer server;
    server.setReply(
        "/pn_donate.txt", { 200, "OK", "text/plain", { "Help Pennova", " grow \xD1 thanks" } });
    server.setReply("/update.cgi", { 200, "OK", "text/html", { "<p>Version 2 is out</p>" } });
    start(server.address());
    QSignalSpy loaded(&delegate->web(), &WebService::updatePageLoaded);
    QSignalSpy donation(&delegate->web(), &WebService::donationFetchFinished);
    delegate->launch({});
    // The launch window is there at once, with the welcome text until the notice arrives.
    EXPECT_TRUE(launch()->isVisible());
    EXPECT_TRUE(launch()->updateView()->showsWelcome());
    ASSERT_TRUE(donation.wait(3000));
    ASSERT_TRUE(loaded.count() || loaded.wait(3000));
    EXPECT_EQ(
        defaults->stringForKey(keys::DonateMessage), QStringLiteral("Help Pennova grow — thanks"));
    EXPECT_EQ(launch()->donationLabel()->text(), QStringLiteral("Help Pennova grow — thanks"));
    EXPECT_FALSE(launch()->updateView()->showsWelcome());
    EXPECT_TRUE(launch()->updateView()->toPlainText().contains(QStringLiteral("Version 2 is out")));

    // An empty answer next time leaves the message as it is.
    server.setReply("/pn_donate.txt", { 200, "OK", "text/plain", {} });
    delegate->applicationShouldOpenUntitledFile();
    ASSERT_TRUE(donation.wait(3000));
    EXPECT_EQ(
        defaults->stringForKey(keys::DonateMessage), QStringLiteral("Help Pennova grow — thanks"));
}

TEST_F(AppDelegateTest, LinksOpenInTheBrowserOnlyWhenTheyAreWebAddresses)
{
    start(QStringLiteral("https://example.org/mirror"));
    delegate->goToWiki();
    delegate->goToBulletinBoards();
    delegate->donate();
    EXPECT_EQ(opened,
        (QList<QUrl> { QUrl(QStringLiteral(
                           "https://example.org/mirror/wiki/index.php?title=Pennova_User_Guide")),
            QUrl(QStringLiteral("https://example.org/mirror/bb/")),
            QUrl(QStringLiteral("https://example.org/mirror/donatepn.html")) }));

    opened.clear();
    UpdateView *view = launch()->updateView();
    view->showPage(QStringLiteral("<a href='/news.html'>news</a>"),
        QUrl(QStringLiteral("https://example.org/update.cgi")), false);
    for (const char *link :
        { "/news.html", "javascript:alert(1)", "file:///etc/passwd", "mailto:a@b.c" })
        emit view->anchorClicked(QUrl(QString::fromLatin1(link)));
    EXPECT_EQ(opened, QList<QUrl> { QUrl(QStringLiteral("https://example.org/news.html")) });
    // Nothing a page names is loaded, not even a local file.
    const QUrl localImage = QUrl::fromLocalFile(picture());
    EXPECT_TRUE(
        view->loadResource(QTextDocument::ImageResource, localImage).toByteArray().isEmpty());
}

TEST_F(AppDelegateTest, SentReportIsThankedForAndTheWindowEmptied)
{
    TestHttpServer server;
    server.setReply("/bugreport.cgi", { 200, "OK", "text/plain", { "received" } });
    start(server.address());
    bug()->show();
    bug()->bugView()->setPlainText(QStringLiteral("Pen \"skips\"\nat C:\\path"));
    delegate->submitReport();
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(
        server.requests()[0].body.contains("Report = \"Pen \\\"skips\\\"\\nat C:\\\\path\";"));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].message, QStringLiteral("Thanks!"));
    EXPECT_EQ(notices[0].informative, QStringLiteral("Thanks for the report!"));
    EXPECT_TRUE(bug()->text().isEmpty());
    EXPECT_FALSE(bug()->isVisible());
    EXPECT_TRUE(alerts.empty());
}

TEST_F(AppDelegateTest, UnansweredReportFailsAtTheTimeLimitAndKeepsTheText)
{
    TestHttpServer server;
    server.setReply("/bugreport.cgi", TestHttpServer::Reply::silentOne());
    start(server.address());
    delegate->web().setTimeLimit(300);
    bug()->show();
    bug()->bugView()->setPlainText(QStringLiteral("It hangs"));
    delegate->submitReport();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].informative.contains(QStringLiteral("did not answer")));
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(bug()->text(), QStringLiteral("It hangs"));
    EXPECT_TRUE(bug()->isVisible());
    EXPECT_FALSE(bug()->isSending());
    EXPECT_FALSE(QApplication::overrideCursor());

    // Cancel while sending stops the send and keeps the text; Cancel again discards it.
    delegate->web().setTimeLimit(5000);
    QTimer::singleShot(100, delegate.get(), [this] {
        EXPECT_TRUE(bug()->isSending());
        EXPECT_FALSE(bug()->sendButton()->isEnabled());
        EXPECT_TRUE(bug()->bugView()->isReadOnly());
        bug()->cancelButton()->click();
    });
    delegate->submitReport();
    EXPECT_EQ(alerts.size(), 1u);
    EXPECT_EQ(bug()->text(), QStringLiteral("It hangs"));
    EXPECT_TRUE(bug()->isVisible());
    bug()->cancelButton()->click();
    EXPECT_TRUE(bug()->text().isEmpty());
    EXPECT_FALSE(bug()->isVisible());
}

TEST_F(AppDelegateTest, ReportRefusedWithAnErrorStatusIsNotThankedFor)
{
    TestHttpServer server;
    server.setReply("/bugreport.cgi", { 500, "Internal Server Error", "text/plain", { "boom" } });
    start(server.address());
    bug()->bugView()->setPlainText(QStringLiteral("x"));
    delegate->submitReport();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].informative.contains(QStringLiteral("500")));
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(bug()->text(), QStringLiteral("x"));
}

} // namespace
