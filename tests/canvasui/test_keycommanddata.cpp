#include "canvasui/keycommanddata.h"
#include "canvasui/keyreferencewindow.h"
#include "settings/defaults.h"
#include "settings/penbuttons.h"
#include "testsupport.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

TEST(KeyCommandDataTest, NineteenRowsOfSixteenCommandsAndThreeSpacers)
{
    const KeyCommandData data;
    ASSERT_EQ(data.rowCount(), 19);
    EXPECT_EQ(data.columnCount(), 2);
    int spacers = 0;
    for (int row = 0; row < data.rowCount(); ++row) {
        const bool emptyKey = data.keyAt(row).isEmpty();
        EXPECT_EQ(emptyKey, data.commandAt(row).isEmpty()) << row;
        if (emptyKey) {
            ++spacers;
            EXPECT_EQ(data.index(row, 0).data().toString(), QString());
            EXPECT_EQ(data.index(row, 1).data().toString(), QString());
        }
    }
    EXPECT_EQ(spacers, 3);
    EXPECT_TRUE(data.keyAt(4).isEmpty());
    EXPECT_TRUE(data.keyAt(9).isEmpty());
    EXPECT_TRUE(data.keyAt(15).isEmpty());

    // Every row as shown, in order.
    const char *const rows[][2] = {
        { "[", "Decrease brush size by 1 pixel" },
        { "]", "Increase brush size by 1 pixel" },
        { "Shift + [", "Decrease brush size by 5 pixels" },
        { "Shift + ]", "Increase brush size by 5 pixels" },
        { "", "" },
        { "Shift + Drag Up", "Zoom in" },
        { "Shift + Drag Down", "Zoom out" },
        { "0 (Zero)", "Zoom to 100%" },
        { "Space + Drag", "Move canvas" },
        { "", "" },
        { "I", "Turn \"ink\" mode on or off" },
        { "P", "Pick a color from the screen" },
        { "C", "Show the color picker" },
        { "E", "Seal Canvas" },
        { "Shift + E", "Unseal Canvas" },
        { "", "" },
        { "Ctrl + Drag", "Make/modify selection" },
        { "Ctrl + Shift + Drag", "Resize selection proportionally" },
        { "Delete", "Erase selection" },
    };
    for (int row = 0; row < 19; ++row) {
        EXPECT_EQ(data.index(row, 0).data().toString(), QString::fromUtf8(rows[row][0])) << row;
        EXPECT_EQ(data.index(row, 1).data().toString(), QString::fromUtf8(rows[row][1])) << row;
    }
}

TEST(KeyCommandDataTest, KeyColumnIsStyledAndAnyOtherColumnGivesThePlainCommand)
{
    const KeyCommandData data;
    EXPECT_EQ(KeyCommandData::columnIdentifier(0), QStringLiteral("key"));
    EXPECT_EQ(data.headerData(0, Qt::Horizontal, KeyCommandData::ColumnIdentifierRole),
        QStringLiteral("key"));
    EXPECT_EQ(data.headerData(1, Qt::Horizontal, KeyCommandData::ColumnIdentifierRole),
        QStringLiteral("command"));
    EXPECT_EQ(data.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Key"));
    EXPECT_EQ(data.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Command"));

    const QFont font = data.index(5, 0).data(Qt::FontRole).value<QFont>();
    EXPECT_EQ(font.family(), QStringLiteral("Courier"));
    EXPECT_EQ(font.pointSize(), 12);
    EXPECT_TRUE(QFontInfo(font).fixedPitch());
    EXPECT_EQ(data.index(5, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    EXPECT_EQ(data.index(5, 0).data().toString(), QStringLiteral("Shift + Drag Up"));

    EXPECT_EQ(data.index(5, 1).data().toString(), QStringLiteral("Zoom in"));
    EXPECT_FALSE(data.index(5, 1).data(Qt::FontRole).isValid());
    EXPECT_FALSE(data.index(5, 1).data(Qt::TextAlignmentRole).isValid());
    for (const QString &other : { QStringLiteral("command"), QStringLiteral("description"),
             QStringLiteral("Key"), QString() })
        EXPECT_EQ(
            data.objectValue(other, 11).toString(), QStringLiteral("Pick a color from the screen"))
            << other.toStdString();
    EXPECT_EQ(data.objectValue(QStringLiteral("key"), 11).toString(), QStringLiteral("P"));
    EXPECT_FALSE(data.objectValue(QStringLiteral("key"), 19).isValid());

    EXPECT_FALSE(data.flags(data.index(0, 0)) & Qt::ItemIsEditable);
}

// The window shows the keys in force: the selection rows of the table, the erase and rotate rows
// below it and the pen buttons, as the settings have them, also in a window already open.
TEST(KeyReferenceWindowTest, ShowsTheGestureKeysAndPenButtonsInForce)
{
    test::TestDefaults defaults;
    defaults->setString(GestureKeys::settingsKey(Gesture::Select), QStringLiteral("Ctrl+Alt"));
    defaults->setString(GestureKeys::settingsKey(Gesture::Erase), QStringLiteral("X"));
    defaults->setString(GestureKeys::settingsKey(Gesture::Rotate), QStringLiteral("R"));
    penbuttons::setRole(*defaults, PenButton::Upper, PenButtonRole::Rotate);

    const KeyCommandData data(GestureKeys::fromDefaults(*defaults));
    EXPECT_EQ(data.keyAt(16), QStringLiteral("Ctrl + Alt + Drag"));
    EXPECT_EQ(data.keyAt(17), QStringLiteral("Ctrl + Alt + Shift + Drag"));

    KeyReferenceWindow window(nullptr, &*defaults);
    const QString footer = window.footer()->text();
    EXPECT_TRUE(footer.contains(QStringLiteral("X + Stroke"))) << footer.toStdString();
    EXPECT_TRUE(footer.contains(QStringLiteral("R + Drag")));
    EXPECT_FALSE(footer.contains(QStringLiteral("Alt + Stroke")));
    EXPECT_FALSE(footer.contains(QStringLiteral("Meta + Drag")));
    EXPECT_TRUE(footer.contains(QStringLiteral("Move the canvas"))); // the lower button, as ever
    EXPECT_EQ(window.table()->model()->index(16, 0).data().toString(),
        QStringLiteral("Ctrl + Alt + Drag"));

    defaults->removeObjectForKey(GestureKeys::settingsKey(Gesture::Select));
    defaults->removeObjectForKey(GestureKeys::settingsKey(Gesture::Erase));
    window.updateKeys(&*defaults);
    EXPECT_EQ(
        window.table()->model()->index(16, 0).data().toString(), QStringLiteral("Ctrl + Drag"));
    EXPECT_TRUE(window.footer()->text().contains(QStringLiteral("Alt + Stroke")));
}

TEST(KeyReferenceWindowTest, OneReadOnlyWindowIsReused)
{
    QWidget owner;
    owner.setAttribute(Qt::WA_DontShowOnScreen);
    KeyReferenceWindow *first = KeyReferenceWindow::show(&owner);
    first->setAttribute(Qt::WA_DontShowOnScreen);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Keyboard Shortcuts"));
    EXPECT_TRUE(first->isWindow());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(first->table()->model()->rowCount(), 19);
    EXPECT_EQ(first->table()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(first->table()->showGrid());
    EXPECT_EQ(
        first->table()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Key"));

    // Below the table, the keys it leaves out, so that the window lists every key.
    const QString footer = first->footer()->text();
    for (const char *key : { "Alt + Stroke", "Meta + Drag", "Arrow keys", "Return or Enter",
             "Escape", "Ctrl + Z", "Ctrl + Shift + Z", "Ctrl + Y", "F11" })
        EXPECT_TRUE(footer.contains(QString::fromUtf8(key))) << key;
    EXPECT_FALSE(first->footer()->isHidden());

    first->close();
    EXPECT_EQ(KeyReferenceWindow::show(nullptr), first);
    EXPECT_EQ(KeyReferenceWindow::instance(), first);
    EXPECT_TRUE(first->isVisible());
    // Ctrl+W closes it, as it closes every other window.
    first->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(first));
    QTest::keyClick(first, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(first->isVisible());
    delete first;
    EXPECT_EQ(KeyReferenceWindow::instance(), nullptr);
}

} // namespace
