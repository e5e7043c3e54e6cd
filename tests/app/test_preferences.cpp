// The preferences window: the four number fields clamped to their bounds as they are committed,
// and the undo depth reaching open documents only when the window closes.

#include "app/appdelegate.h"
#include "app/documentcontroller.h"
#include "app/fieldcontroller.h"
#include "app/mydocument.h"
#include "app/preferenceswindow.h"
#include "canvas/undohistory.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "testsupport.h"

#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

class PreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override { window.show(); }

    // Types into a field as a user does, and leaves it with Return.
    void type(QSpinBox *field, const QString &text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    int stored(const QString &key) { return defaults->integerForKey(key); }

    test::TestDefaults defaults;
    PreferencesWindow window { *defaults };
};

TEST_F(PreferencesTest, LargestPenSizeStaysBetweenTheSmallestOrOneAnd48)
{
    type(window.maxBrush(), QStringLiteral("60"));
    EXPECT_EQ(window.maxBrush()->value(), 48);
    EXPECT_EQ(stored(keys::BrushSize), 48);

    // The smallest size (1) is the bound...
    type(window.maxBrush(), QStringLiteral("0"));
    EXPECT_EQ(stored(keys::BrushSize), 1);
    // ... which itself stays at most the largest; with a larger one it is the bound.
    type(window.minBrush(), QStringLiteral("4"));
    EXPECT_EQ(stored(keys::BrushSizeMin), 1);
    type(window.maxBrush(), QStringLiteral("20"));
    type(window.minBrush(), QStringLiteral("4"));
    type(window.maxBrush(), QStringLiteral("0"));
    EXPECT_EQ(window.maxBrush()->value(), 4);
    EXPECT_EQ(stored(keys::BrushSize), 4);
    // With a smallest size of 0 the largest still cannot go below 1.
    type(window.minBrush(), QStringLiteral("0"));
    type(window.maxBrush(), QStringLiteral("0"));
    EXPECT_EQ(stored(keys::BrushSize), 1);
}

TEST_F(PreferencesTest, CrossedPenSizesSetElsewhereAreMendedByTheLowestBound)
{
    defaults->setInteger(keys::BrushSizeMin, 10);
    defaults->setInteger(keys::BrushSize, 5);
    // The fields follow the store.
    EXPECT_EQ(window.minBrush()->value(), 10);
    EXPECT_EQ(window.maxBrush()->value(), 5);
    type(window.minBrush(), QStringLiteral("10"));
    EXPECT_EQ(window.minBrush()->value(), 5);
    EXPECT_EQ(stored(keys::BrushSizeMin), 5);

    defaults->setInteger(keys::BrushSizeMin, 10);
    type(window.maxBrush(), QStringLiteral("5"));
    EXPECT_EQ(window.maxBrush()->value(), 10);
    EXPECT_EQ(stored(keys::BrushSize), 10);
}

TEST_F(PreferencesTest, EraserFieldsClampAndTheArrowsStoreWhatTheyShow)
{
    type(window.eraserStrength(), QStringLiteral("0"));
    EXPECT_EQ(stored(keys::EraserStrength), 1);
    type(window.eraserStrength(), QStringLiteral("150"));
    EXPECT_EQ(window.eraserStrength()->value(), 100);
    EXPECT_EQ(stored(keys::EraserStrength), 100);
    type(window.eraserSize(), QStringLiteral("0"));
    EXPECT_EQ(stored(keys::EraserSize), 1);

    window.eraserSize()->setValue(15);
    window.eraserSize()->stepBy(5);
    EXPECT_EQ(window.eraserSize()->value(), 20);
    EXPECT_EQ(stored(keys::EraserSize), 20);
    window.eraserSize()->setValue(48);
    window.eraserSize()->stepBy(1);
    EXPECT_EQ(window.eraserSize()->value(), 48);
    EXPECT_EQ(stored(keys::EraserSize), 48);
}

TEST(PreferencesUndoLevels, ReachOpenDocumentsOnlyWhenTheWindowCloses)
{
    test::TestDefaults defaults;
    DocumentController controller(*defaults);
    controller.setPrompts(DocumentPrompts {});
    AppDelegate delegate(controller);
    MyDocument *open = controller.makeUntitledDocument(QSize(20, 20));
    ASSERT_NE(open, nullptr);
    for (int i = 0; i < 5; ++i)
        open->undoHistory()->registerUndo([] {});
    ASSERT_EQ(open->undoHistory()->count(), 5);

    delegate.showPreferences();
    PreferencesWindow *window = delegate.preferencesWindow();
    window->undoLevels()->setValue(2);
    EXPECT_EQ(defaults->integerForKey(keys::UndoLevels), 2);
    EXPECT_EQ(open->undoHistory()->levelsOfUndo(), 0);
    EXPECT_EQ(open->undoHistory()->count(), 5);

    // A document made now reads the depth itself.
    MyDocument *later = controller.makeUntitledDocument(QSize(20, 20));
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(later->undoHistory()->levelsOfUndo(), 2);

    // Closing the window (Escape here) applies it, trimming the oldest steps.
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(open->undoHistory()->levelsOfUndo(), 2);
    EXPECT_EQ(open->undoHistory()->count(), 2);

    // Back to no limit through setPrefs.
    delegate.showPreferences();
    window->undoLevels()->setValue(0);
    delegate.setPrefs();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(open->undoHistory()->levelsOfUndo(), 0);
    for (MyDocument *document : controller.documents())
        document->closeWithoutAsking();
}

} // namespace
