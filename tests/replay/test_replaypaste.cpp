#include "app/documentwindow.h"
#include "replayfixture.h"

#include <QAction>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

struct CancelCase
{
    const char *command; // what the user does while the paste floats
};

void PrintTo(const CancelCase &c, std::ostream *out)
{
    *out << c.command;
}

// A black line across a white canvas, and a red picture pasted over its middle.
class PasteCancelTest : public test::ReplayFixture, public ::testing::WithParamInterface<CancelCase>
{
protected:
    void SetUp() override
    {
        QImage red(40, 20, QImage::Format_RGB32);
        red.fill(qRgb(255, 0, 0));
        ASSERT_TRUE(red.save(path(QStringLiteral("red.png"))));
        runOk(QStringLiteral("set bsize 6\ncanvas 200 100\n") + test::stroke(20, 180, 50)
            + QStringLiteral("expect undo 1\n"));
        m_drawn = canvas();
        runOk(QStringLiteral("clipboard load red.png\naction paste\n"
                             "expect paste yes\nexpect selection 80 40 40 20\n"));
    }

    int redPixels(const QImage &image) const
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 60 ? 1 : 0;
        return count;
    }

    QImage m_drawn;
};

} // namespace

// Nothing was committed, so nothing is lost and no step is recorded; and the paste does not come
// back with the next selection, nor with Return.
TEST_P(PasteCancelTest, DropsThePasteWithoutATrace)
{
    runOk(QString::fromLatin1(GetParam().command)
        + QStringLiteral("\nexpect paste no\nexpect selection none\nexpect undo 1\n"
                         "expect pixel 100 50 000000ff\n"));
    EXPECT_EQ(canvas(), m_drawn);
    EXPECT_TRUE(m_runner.drawView()->pasteImage().isNull());

    runOk(QStringLiteral("down 60 30 ctrl\nmove 100 50 ctrl\nmove 140 70 ctrl\nup 140 70 ctrl\n"
                         "expect selection 60 30 80 40\nexpect paste no\ngrab selected.png\n"
                         "key Return\nexpect undo 1\n"));
    EXPECT_EQ(redPixels(QImage(path(QStringLiteral("selected.png")))), 0);
    EXPECT_EQ(canvas(), m_drawn);
}

INSTANTIATE_TEST_SUITE_P(EveryWay, PasteCancelTest,
    ::testing::Values(CancelCase { "key Escape" }, CancelCase { "action deselectAll" },
        CancelCase { "key A ctrl,shift" }, CancelCase { "action delete" },
        CancelCase { "key Delete" }, CancelCase { "action undo" }, CancelCase { "key Z ctrl" }));

class PasteUndoTest : public test::ReplayFixture
{
};

// Undo is there for a floating paste even with nothing else to undo, and names it.
TEST_F(PasteUndoTest, UndoDropsAPasteOnAnEmptyHistory)
{
    QImage blue(10, 10, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    ASSERT_TRUE(blue.save(path(QStringLiteral("blue.png"))));
    runOk(QStringLiteral("canvas 100 100\nclipboard load blue.png\naction paste\n"));
    const QAction *undo = m_runner.window()->action(QStringLiteral("undo"));
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Paste"));
    runOk(QStringLiteral("action undo\nexpect paste no\nexpect undo 0\nexpect redo 0\n"
                         "expect pixel 50 50 ffffffff\n"));
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), QStringLiteral("Undo"));
}
