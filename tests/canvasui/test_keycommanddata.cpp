#include "canvasui/keycommanddata.h"
#include "canvasui/keyreferencewindow.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QTableView>
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

    EXPECT_EQ(data.keyAt(0), QStringLiteral("["));
    EXPECT_EQ(data.commandAt(3), QStringLiteral("Increase brush size by 5 pixels"));
    EXPECT_EQ(data.keyAt(7), QStringLiteral("0 (Zero)"));
    EXPECT_EQ(data.commandAt(7), QStringLiteral("Zoom to 100%"));
    EXPECT_EQ(data.commandAt(10), QStringLiteral("Turn \"ink\" mode on or off"));
    EXPECT_EQ(data.keyAt(14), QStringLiteral("Shift + E"));
    EXPECT_EQ(data.keyAt(16), QStringLiteral("Ctrl + Drag"));
    EXPECT_EQ(data.keyAt(17), QStringLiteral("Ctrl + Shift + Drag"));
    EXPECT_EQ(data.commandAt(18), QStringLiteral("Erase selection"));
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

    first->close();
    EXPECT_EQ(KeyReferenceWindow::show(nullptr), first);
    EXPECT_EQ(KeyReferenceWindow::instance(), first);
    EXPECT_TRUE(first->isVisible());
    delete first;
    EXPECT_EQ(KeyReferenceWindow::instance(), nullptr);
}

} // namespace
