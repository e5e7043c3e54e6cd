#include "palette/tplistview.h"

#include <QCoreApplication>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QVariantAnimation>
#include <gtest/gtest.h>
#include <memory>

using namespace pennova;

namespace {

QWidget *row(int height)
{
    auto *w = new QWidget;
    w->resize(10, height);
    return w;
}

// A top-level list as the palette has it: the widget of a scroll area whose visible area is
// 200 × 200, shown off screen.
class ListViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        area = std::make_unique<QScrollArea>();
        area->setAttribute(Qt::WA_DontShowOnScreen);
        area->setFrameShape(QFrame::NoFrame);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setWidgetResizable(false);
        list = new TPListView;
        area->setWidget(list);
        area->resize(200, 200);
        area->show();
    }

    QList<QWidget *> addRows(int count, int height = 36)
    {
        QList<QWidget *> rows;
        for (int i = 0; i < count; ++i) {
            rows.append(row(height));
            list->addSubview(rows.last());
        }
        return rows;
    }

    QList<QWidget *> withSpacer(QList<QWidget *> rows) const
    {
        rows.append(list->spacerView());
        return rows;
    }

    std::unique_ptr<QScrollArea> area;
    TPListView *list = nullptr;
};

} // namespace

TEST_F(ListViewTest, NewListHoldsOnlyItsSpacer)
{
    EXPECT_EQ(list->childCount(), 1);
    EXPECT_EQ(list->getChildAtIndex(0), list->spacerView());
    EXPECT_EQ(list->children(), QList<QWidget *>({ list->spacerView() }));
    EXPECT_EQ(list->getChildAtIndex(1), nullptr);
}

TEST_F(ListViewTest, RowsStackFromTheTopInTheOrderAddedAsWideAsTheList)
{
    const QList<QWidget *> rows = addRows(3);
    EXPECT_EQ(list->children(), withSpacer(rows));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i]->geometry(), QRect(0, 36 * i, 200, 36)) << i;
        EXPECT_TRUE(rows[i]->isVisible());
    }
    // A view added twice, or the list itself, changes nothing.
    list->addSubview(rows[0]);
    list->addSubview(list);
    EXPECT_EQ(list->children(), withSpacer(rows));
}

TEST_F(ListViewTest, SpacerFillsTheVisibleHeightUntilTheRowsOverflowIt)
{
    addRows(2);
    EXPECT_EQ(list->spacerView()->height(), 128);
    EXPECT_EQ(list->height(), 200);
    EXPECT_EQ(area->verticalScrollBar()->maximum(), 0);

    addRows(5);
    EXPECT_EQ(list->spacerView()->height(), 0);
    EXPECT_EQ(list->height(), 7 * 36);
    EXPECT_EQ(area->verticalScrollBar()->maximum(), 7 * 36 - 200);
    // The scroll bar takes some of the width, and the list and its rows follow.
    QCoreApplication::processEvents();
    EXPECT_EQ(list->width(), area->viewport()->width());
    EXPECT_LT(list->width(), 200);
    EXPECT_EQ(list->getChildAtIndex(6)->width(), list->width());
}

TEST_F(ListViewTest, HiddenChildGivesItsHeightBackToEveryEnclosingList)
{
    // Palette list > row (a nested list) > settings list (nested) > settings.
    auto *outerRow = new TPListView;
    auto *header = row(36);
    auto *settings = new TPListView;
    settings->addSubview(row(17));
    settings->addSubview(row(17));
    outerRow->addSubview(header);
    outerRow->addSubview(settings);
    list->addSubview(outerRow);
    QWidget *below = row(36);
    list->addSubview(below);

    EXPECT_TRUE(settings->isNested());
    EXPECT_EQ(settings->spacerView()->height(), 0);
    EXPECT_EQ(settings->height(), 34);
    EXPECT_EQ(outerRow->height(), 70);
    EXPECT_EQ(below->y(), 70);

    settings->hide();
    outerRow->layout();
    EXPECT_EQ(outerRow->height(), 36);
    EXPECT_EQ(below->y(), 36);
    EXPECT_EQ(list->spacerView()->height(), 200 - 72);

    // A change deep inside travels up on its own.
    settings->show();
    settings->addSubview(row(17));
    EXPECT_EQ(outerRow->height(), 36 + 51);
    EXPECT_EQ(below->y(), 87);
}

TEST_F(ListViewTest, ReorderingWithoutAnimation)
{
    QList<QWidget *> rows = addRows(3);
    QWidget *a = rows[0], *b = rows[1], *c = rows[2];

    list->moveSubview(c, a);
    EXPECT_EQ(list->children(), withSpacer({ c, a, b }));
    EXPECT_EQ(c->y(), 0);
    // Before the child now at the spacer's index: to the end.
    list->moveSubview(c, 3);
    EXPECT_EQ(list->children(), withSpacer({ a, b, c }));
    list->swapChild(a, c);
    EXPECT_EQ(list->children(), withSpacer({ c, b, a }));
    EXPECT_EQ(a->y(), 72);

    const QPointer<QWidget> removed(b);
    list->removeChild(b);
    EXPECT_EQ(list->children(), withSpacer({ c, a }));
    EXPECT_EQ(a->y(), 36);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(removed.isNull());
}

TEST_F(ListViewTest, MovesThatCannotHappenChangeNothing)
{
    const QList<QWidget *> rows = addRows(3);
    std::unique_ptr<QWidget> stranger(row(36));
    int animations = 0;
    QObject::connect(list, &TPListView::moveStarted, [&]() { ++animations; });

    list->moveChildDown(rows[2]);
    list->moveChildUp(rows[0]);
    list->moveChildUp(list->spacerView());
    list->moveChildDown(stranger.get());
    list->moveChildUp(stranger.get());
    list->moveSubview(stranger.get(), rows[0]);
    list->moveSubview(rows[0], stranger.get());
    list->moveSubview(list->spacerView(), rows[0]);
    list->moveSubview(rows[0], 17);
    list->swapChild(rows[0], list->spacerView());
    list->swapChild(rows[0], stranger.get());
    list->removeChild(list->spacerView());
    list->removeChild(stranger.get());

    EXPECT_EQ(list->children(), withSpacer(rows));
    EXPECT_EQ(animations, 0);
    EXPECT_EQ(rows[2]->y(), 72);
}

TEST_F(ListViewTest, AnimatedMoveIsLinearBlockingAndAloneInTheList)
{
    const QList<QWidget *> rows = addRows(3);
    QWidget *a = rows[0], *b = rows[1];
    int durationMs = -1;
    QRect aHalfWay, bHalfWay;
    bool refusedMeanwhile = false;
    QObject::connect(list, &TPListView::moveStarted, [&](QVariantAnimation *animation) {
        durationMs = animation->duration();
        animation->setCurrentTime(durationMs / 2);
        aHalfWay = a->geometry();
        bHalfWay = b->geometry();
        // A move or a layout asked for during the move waits or is refused.
        list->moveChildUp(rows[2]);
        list->layout();
        refusedMeanwhile = list->isMoving() && list->children() == withSpacer({ b, a, rows[2] })
            && a->geometry() == aHalfWay;
        animation->setCurrentTime(durationMs);
    });

    // 36 points at the initial moveTime of 0.1: 36 × 0.1 / 32 = 0.1125 s.
    list->moveChildDown(a);
    EXPECT_NEAR(list->lastMoveSeconds(), 0.1125, 1e-6);
    EXPECT_NEAR(durationMs, 112.5, 0.5);
    EXPECT_NEAR(aHalfWay.y(), 18, 1);
    EXPECT_NEAR(bHalfWay.y(), 18, 1);
    EXPECT_TRUE(refusedMeanwhile);
    // Returned only when the rows had reached their places.
    EXPECT_FALSE(list->isMoving());
    EXPECT_EQ(list->children(), withSpacer({ b, a, rows[2] }));
    EXPECT_EQ(b->y(), 0);
    EXPECT_EQ(a->y(), 36);
    EXPECT_EQ(rows[2]->y(), 72);
}

TEST_F(ListViewTest, MoveDurationFollowsTheDistanceAndMoveTime)
{
    QWidget *tall = row(64);
    list->addSubview(tall);
    const QList<QWidget *> rows = addRows(2);
    QList<int> durations;
    QObject::connect(list, &TPListView::moveStarted, [&](QVariantAnimation *animation) {
        durations.append(animation->duration());
        animation->setCurrentTime(animation->duration());
    });

    list->setMoveTime(0.05f);
    // Up past the 64-point row: 64 × 0.05 / 32 s; then the tall row down past 36 points.
    list->moveChildUp(rows[0]);
    list->moveChildDown(tall);
    EXPECT_EQ(durations, QList<int>({ 100, 56 }));
    EXPECT_EQ(list->children(), withSpacer({ rows[0], rows[1], tall }));
    EXPECT_EQ(tall->geometry(), QRect(0, 72, 200, 64));
}

TEST_F(ListViewTest, UndrivenMoveReturnsOnlyAfterItsAnimationFinished)
{
    const QList<QWidget *> rows = addRows(2);
    bool finishedBeforeReturn = false;
    QObject::connect(list, &TPListView::moveStarted, [&](QVariantAnimation *animation) {
        QObject::connect(
            animation, &QAbstractAnimation::finished, [&]() { finishedBeforeReturn = true; });
    });
    list->moveChildUp(rows[1]);
    EXPECT_TRUE(finishedBeforeReturn);
    EXPECT_EQ(list->children(), withSpacer({ rows[1], rows[0] }));
    EXPECT_EQ(rows[0]->y(), 36);
}
