#include "canvas/view/readprogress.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

class ReadProgressTest : public ::testing::Test
{
protected:
    ~ReadProgressTest() override { ReadProgress::setProgressDelay(1000); }
};

} // namespace

// A read that takes longer than the delay shows the progress window; its Cancel stops the
// read, which comes back cancelled.
TEST_F(ReadProgressTest, SlowReadShowsProgressAndCancelStopsIt)
{
    ReadProgress::setProgressDelay(100);
    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *window = qobject_cast<QProgressDialog *>(ReadProgress::progressWindow());
        // Once: the window may stay up, saying it is cancelling, until the reader stops.
        if (!window || !window->isVisible() || shown)
            return;
        shown = true;
        EXPECT_EQ(window->labelText(), QStringLiteral("Opening “slow.png”…"));
        if (QPushButton *cancel = window->findChild<QPushButton *>())
            cancel->click();
    });
    poll.start(20);
    int reports = 0;
    const imagefile::ReadResult result = ReadProgress::run(
        nullptr, {},
        [&](const imagefile::ReadOptions &options) {
            imagefile::ReadResult r;
            while (options.progress(0.5) && reports < 500) {
                ++reports;
                QThread::msleep(10);
            }
            r.cancelled = true;
            return r;
        },
        QStringLiteral("Opening “slow.png”…"));
    EXPECT_TRUE(shown);
    EXPECT_TRUE(result.cancelled);
    EXPECT_LT(reports, 500) << "Cancel did not reach the reader";
    EXPECT_EQ(ReadProgress::progressWindow(), nullptr);
}

// The question is asked on this thread, with the reader's text, and its answer reaches the
// reader; a quick read shows no progress window.
TEST_F(ReadProgressTest, QuestionIsAskedHereAndAnsweredThere)
{
    const QThread *here = QThread::currentThread();
    QStringList asked;
    bool windowSeen = false;
    const auto result = ReadProgress::run(
        nullptr,
        [&](QWidget *, const QString &question) {
            EXPECT_EQ(QThread::currentThread(), here);
            asked << question;
            return true;
        },
        [&](const imagefile::ReadOptions &options) {
            EXPECT_NE(QThread::currentThread(), here);
            imagefile::ReadResult r;
            r.format = options.confirmLarge(QStringLiteral("Open it?")) ? "yes" : "no";
            windowSeen = ReadProgress::progressWindow() != nullptr;
            return r;
        },
        QStringLiteral("Opening"));
    EXPECT_EQ(asked, QStringList { QStringLiteral("Open it?") });
    EXPECT_EQ(result.format, QByteArray("yes"));
    EXPECT_FALSE(windowSeen);
}
