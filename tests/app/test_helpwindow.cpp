#include "app/documentwindow.h"
#include "app/helpwindow.h"
#include "settings/defaults.h"
#include "settings/gesturekeys.h"
#include "testsupport.h"

#include <QAction>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// The guide is shipped inside the program, covers what a new user needs, and its table of keys
// is the one in force: the key reference's rows, with the keys the settings give the gestures.
TEST(HelpWindowTest, TheGuideShowsItsSectionsAndTheKeysInForce)
{
    test::TestDefaults defaults;
    const QString factory = HelpWindow::guideHtml(*defaults);
    EXPECT_FALSE(factory.contains(QStringLiteral("<!--KEYS-->")));
    for (const char *section : { "First strokes", "The pen and its eraser end", "Keys and gestures",
             "Selection and pasting", "The tool palette", "Sealing the canvas",
             "Saving and recovery", "Openbox, Xfce, Cinnamon and MATE", "GNOME and KDE Plasma" })
        EXPECT_TRUE(factory.contains(QString::fromUtf8(section))) << section;
    EXPECT_TRUE(factory.contains(QStringLiteral("Alt + Stroke")));
    EXPECT_TRUE(factory.contains(QStringLiteral("Ctrl + Shift + Drag")));
    EXPECT_FALSE(factory.contains(QStringLiteral("http")));

    defaults->setString(GestureKeys::settingsKey(Gesture::Rotate), QStringLiteral("R"));
    defaults->setString(GestureKeys::settingsKey(Gesture::Erase), QStringLiteral("Meta"));
    const QString table = HelpWindow::keyTableHtml(*defaults);
    EXPECT_TRUE(table.contains(QStringLiteral("R + Drag")));
    EXPECT_TRUE(table.contains(QStringLiteral("Meta + Stroke")));
    EXPECT_FALSE(table.contains(QStringLiteral("Alt + Stroke")));

    // The window of a document window's Help menu, brought up to date while open.
    DocumentWindow window(*defaults);
    window.action(QStringLiteral("userGuide"))->trigger();
    HelpWindow *guide = HelpWindow::instance();
    ASSERT_NE(guide, nullptr);
    guide->setAttribute(Qt::WA_DontShowOnScreen);
    EXPECT_TRUE(guide->browser()->toPlainText().contains(QStringLiteral("R + Drag")));
    defaults->setString(GestureKeys::settingsKey(Gesture::Rotate), QStringLiteral("Ctrl+Meta"));
    EXPECT_TRUE(guide->browser()->toPlainText().contains(QStringLiteral("Ctrl + Meta + Drag")));
    guide->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(guide));
    QTest::keyClick(guide, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(guide->isVisible());
    delete guide;
}

TEST(HelpWindowTest, AboutNamesTheVersionAndTheIconHasEverySize)
{
    EXPECT_TRUE(HelpWindow::aboutText().contains(QStringLiteral("Pennova " PENNOVA_VERSION)));
    const QIcon icon = HelpWindow::programIcon();
    for (const int size : { 16, 32, 256 })
        EXPECT_EQ(icon.pixmap(size, size).size(), QSize(size, size)) << size;
}

} // namespace
