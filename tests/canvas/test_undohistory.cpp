#include "canvas/undohistory.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <utility>

using namespace pennova;

namespace {

// A document whose content is a string. Like the canvas, every undo action restores the earlier
// content and registers the reverse action, without naming it.
struct TextDocument
{
    UndoHistory history;
    QString text;

    void edit(const QString &newText, const QString &name = QStringLiteral("Draw"))
    {
        registerRestore(std::exchange(text, newText));
        history.setActionName(name);
    }
    void type(const QString &letters)
    {
        for (QChar c : letters)
            edit(text + c);
    }
    void undo(int times = 1)
    {
        while (times--)
            history.undo();
    }
    void redo(int times = 1)
    {
        while (times--)
            history.redo();
    }
    void registerRestore(const QString &content)
    {
        history.registerUndo([this, content] { registerRestore(std::exchange(text, content)); });
    }
};

} // namespace

TEST(UndoHistory, UndoRedoOrderAndNames)
{
    TextDocument doc;
    doc.edit(QStringLiteral("1"), QStringLiteral("Draw"));
    doc.edit(QStringLiteral("12"), QStringLiteral("Delete"));
    doc.edit(QStringLiteral("123"), QStringLiteral("Paste"));
    EXPECT_EQ(doc.history.undoActionName(), QStringLiteral("Paste"));

    doc.undo(2);
    EXPECT_EQ(doc.text, QStringLiteral("1"));
    EXPECT_EQ(doc.history.count(), 1);
    EXPECT_EQ(doc.history.undoActionName(), QStringLiteral("Draw"));
    EXPECT_EQ(doc.history.redoActionName(), QStringLiteral("Delete"));
    doc.redo();
    EXPECT_EQ(doc.text, QStringLiteral("12"));
    EXPECT_EQ(doc.history.undoActionName(), QStringLiteral("Delete"));
    EXPECT_EQ(doc.history.redoActionName(), QStringLiteral("Paste"));

    doc.undo(5); // more than there are: the extra calls do nothing
    EXPECT_EQ(doc.text, QString());
    doc.redo(3);
    EXPECT_EQ(doc.text, QStringLiteral("123"));
    EXPECT_FALSE(doc.history.canRedo());

    // A new change after an undo drops the steps ahead.
    doc.undo();
    doc.edit(QStringLiteral("12X"));
    EXPECT_FALSE(doc.history.canRedo());
    doc.undo();
    EXPECT_EQ(doc.text, QStringLiteral("12"));
}

TEST(UndoHistory, ModeFlagsGroupingAndReentrancy)
{
    UndoHistory history;
    QStringList log;
    bool sawUndoing = false;
    history.registerUndo([&] {
        sawUndoing = history.isUndoing() && !history.isRedoing();
        history.undo(); // ignored while undoing
        history.registerUndo([&] { log << QStringLiteral("first"); });
        history.registerUndo([&] { log << QStringLiteral("second"); });
    });
    history.registerUndo({}); // an empty action is not a step
    EXPECT_EQ(history.count(), 1);

    history.undo();
    EXPECT_TRUE(sawUndoing);
    EXPECT_EQ(history.redoCount(), 1); // both registrations form one step
    history.redo();
    EXPECT_EQ(log, (QStringList { QStringLiteral("second"), QStringLiteral("first") }));
}

TEST(UndoHistory, DepthLimitsNewAndExistingSteps)
{
    TextDocument doc;
    doc.history.setLevelsOfUndo(3);
    doc.type(QStringLiteral("abcde"));
    EXPECT_EQ(doc.history.count(), 3);
    doc.undo(5);
    EXPECT_EQ(doc.text, QStringLiteral("ab"));

    // Lowering the depth of a full history drops the oldest steps at once, on both sides; undoing
    // under the limit loses no redo step.
    TextDocument full;
    full.type(QStringLiteral("abcdef"));
    full.undo(2); // 4 undo steps, 2 redo steps
    QSignalSpy changed(&full.history, &UndoHistory::changed);
    full.history.setLevelsOfUndo(1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(full.history.count(), 1);
    EXPECT_EQ(full.history.redoCount(), 1);
    full.undo(2);
    EXPECT_EQ(full.text, QStringLiteral("abc"));
    full.redo(3);
    EXPECT_EQ(full.text, QStringLiteral("abcde"));

    full.history.setLevelsOfUndo(0); // no limit again
    full.type(QStringLiteral("0123456789"));
    EXPECT_EQ(full.history.count(), 11);
}

TEST(UndoHistory, CleanStateFollowsUndoAndRedo)
{
    TextDocument doc;
    QSignalSpy clean(&doc.history, &UndoHistory::cleanChanged);
    EXPECT_TRUE(doc.history.isClean());
    doc.type(QStringLiteral("ab"));
    doc.history.setClean(); // saved at "ab"
    doc.undo();
    EXPECT_FALSE(doc.history.isClean());
    doc.redo();
    EXPECT_TRUE(doc.history.isClean());
    ASSERT_EQ(clean.count(), 4); // edit, save, undo, redo
    EXPECT_FALSE(clean.at(0).at(0).toBool());
    EXPECT_TRUE(clean.at(3).at(0).toBool());

    doc.history.clear();
    EXPECT_TRUE(doc.history.isClean());
    EXPECT_FALSE(doc.history.canUndo());
}

// A clean point is lost with the steps that lead to it: an edit after undo, new steps pushing it
// over the depth, or a lower depth dropping it from the redo side.
TEST(UndoHistory, CleanPointLostWithItsSteps)
{
    TextDocument forked;
    forked.type(QStringLiteral("ab"));
    forked.history.setClean();
    forked.undo();
    forked.edit(QStringLiteral("aX"));
    forked.undo();
    EXPECT_FALSE(forked.history.isClean());
    forked.redo();
    EXPECT_FALSE(forked.history.isClean());

    TextDocument pushed;
    pushed.history.setLevelsOfUndo(2);
    pushed.history.setClean();
    pushed.type(QStringLiteral("ab"));
    pushed.undo(2);
    EXPECT_TRUE(pushed.history.isClean());
    pushed.redo(2);
    pushed.type(QStringLiteral("c"));
    pushed.undo(3);
    EXPECT_EQ(pushed.text, QStringLiteral("a"));
    EXPECT_FALSE(pushed.history.isClean());

    TextDocument ahead;
    ahead.type(QStringLiteral("abc"));
    ahead.history.setClean();
    ahead.undo(2);
    ahead.history.setLevelsOfUndo(1);
    ahead.redo(2);
    EXPECT_EQ(ahead.text, QStringLiteral("ab"));
    EXPECT_FALSE(ahead.history.isClean());
}
