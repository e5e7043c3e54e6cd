#include "palette/colorcontrols.h"
#include "palette/toolpanel.h"
#include "palette/tpbrush.h"
#include "palette/tpdisclosurebutton.h"
#include "palette/tpiconbutton.h"
#include "palette/tplistview.h"
#include "palette/tpsetting.h"
#include "testsupport.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVariantAnimation>
#include <gtest/gtest.h>
#include <memory>

using namespace pennova;

namespace {

// A palette panel shown off screen with pens named A, B, C ... Pointer positions are given in
// the palette list's coordinates and delivered as the window system would: a press to the
// widget under the pointer (from which it travels up to the row), drags and the release to the
// row that took the press.
class ToolRowTest : public ::testing::Test
{
protected:
    void makePanel(int rows, int height = 300)
    {
        panel = std::make_unique<ToolPanel>(*defaults);
        panel->setAttribute(Qt::WA_DontShowOnScreen);
        // The list gets `height`; the panel's controls sit below it.
        panel->resize(230, height + panel->controlsHeight());
        panel->show();
        for (int i = 0; i < rows; ++i) {
            auto *tool = new TPBrush;
            tool->setTitle(QString(QChar('A' + i)));
            list()->addSubview(tool);
        }
        QCoreApplication::processEvents();
    }

    TPListView *list() const { return panel->toolView(); }
    TPTool *tool(int index) const { return qobject_cast<TPTool *>(list()->getChildAtIndex(index)); }
    QString order() const
    {
        QString names;
        for (QWidget *child : list()->children()) {
            if (auto *t = qobject_cast<TPTool *>(child))
                names += t->title();
        }
        return names;
    }

    void send(QWidget *target, QEvent::Type type, const QPoint &listPoint, Qt::MouseButton button,
        Qt::MouseButtons buttons)
    {
        const QPointF local = target->mapFrom(list(), QPointF(listPoint));
        const QPointF global = list()->mapToGlobal(QPointF(listPoint));
        QMouseEvent event(type, local, local, global, button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }
    TPTool *press(const QPoint &p, QEvent::Type type = QEvent::MouseButtonPress)
    {
        QWidget *hit = list()->childAt(p);
        EXPECT_NE(hit, nullptr);
        pressed = nullptr;
        for (QWidget *w = hit; w && !pressed; w = w->parentWidget())
            pressed = qobject_cast<TPTool *>(w);
        send(hit, type, p, Qt::LeftButton, Qt::LeftButton);
        return pressed;
    }
    void drag(const QPoint &p)
    {
        send(pressed, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    }
    void release(const QPoint &p)
    {
        send(pressed, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    }
    void doubleClick(const QPoint &p)
    {
        press(p);
        release(p);
        press(p, QEvent::MouseButtonDblClick);
        release(p);
    }
    QPoint onName(TPTool *t) const
    {
        QLineEdit *field = t->titleField();
        return field->mapTo(list(), field->rect().center());
    }

    test::TestDefaults defaults;
    std::unique_ptr<ToolPanel> panel;
    TPTool *pressed = nullptr;
};

} // namespace

TEST_F(ToolRowTest, ClosedRowIsItsHeaderAndTheTriangleOpensTheSettings)
{
    makePanel(3);
    TPTool *a = tool(0);
    EXPECT_EQ(a->height(), 36);
    EXPECT_EQ(a->width(), list()->width());
    EXPECT_EQ(a->triangle()->geometry(), QRect(6, 11, 13, 13));
    EXPECT_EQ(a->setButton()->geometry(), QRect(25, 2, 32, 32));
    EXPECT_EQ(a->titleField()->geometry().topLeft(), QPoint(70, 9));
    EXPECT_TRUE(a->settingsView()->isHidden());

    QTest::mouseClick(a->triangle(), Qt::LeftButton);
    EXPECT_TRUE(a->isOpen());
    EXPECT_EQ(a->settingsView()->geometry(), QRect(18, 36, a->width(), 71));
    EXPECT_EQ(a->height(), 36 + 71);
    EXPECT_EQ(tool(1)->y(), 107);
    EXPECT_EQ(list()->spacerView()->height(), list()->parentWidget()->height() - 107 - 72);

    QTest::mouseClick(a->triangle(), Qt::LeftButton);
    EXPECT_EQ(a->height(), 36);
    EXPECT_EQ(tool(1)->y(), 36);
}

TEST_F(ToolRowTest, OpeningARowAtTheBottomScrollsItIntoView)
{
    makePanel(8, 200);
    QScrollBar *bar = panel->scrollArea()->verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);
    TPTool *last = tool(7);
    last->setOpen(true);
    const int viewportHeight = panel->scrollArea()->viewport()->height();
    EXPECT_GT(bar->value(), 0);
    EXPECT_GE(bar->value() + viewportHeight, last->y() + last->height());
    EXPECT_LE(bar->value(), last->y());
}

TEST_F(ToolRowTest, DraggingPastTheMiddleOfANeighbourExchangesThem)
{
    makePanel(3);
    // C spans 72..108; B's middle is at 54.
    press({ 150, 90 });
    drag({ 150, 56 });
    EXPECT_EQ(order(), QStringLiteral("ABC"));
    drag({ 150, 52 });
    EXPECT_EQ(order(), QStringLiteral("ACB"));
    EXPECT_EQ(tool(1)->y(), 36);
    EXPECT_EQ(tool(2)->y(), 72);
    // Back down past B's middle (now 90).
    drag({ 150, 92 });
    EXPECT_EQ(order(), QStringLiteral("ABC"));
    release({ 150, 92 });
}

TEST_F(ToolRowTest, FastDragMovesOneStepPerRowPassed)
{
    makePanel(4);
    QList<int> durations;
    QObject::connect(list(), &TPListView::moveStarted,
        [&](QVariantAnimation *animation) { durations.append(animation->duration()); });
    press({ 150, 126 });
    drag({ 150, 2 });
    EXPECT_EQ(order(), QStringLiteral("DABC"));
    ASSERT_EQ(durations.size(), 3);
    // The pointer is far from the row's middle, so the steps are quicker than at moveTime 0.1.
    for (int ms : durations)
        EXPECT_LT(ms, 112);
    release({ 150, 2 });
}

TEST_F(ToolRowTest, DragsThatLeadNowhereMoveNothing)
{
    makePanel(3);
    int animations = 0;
    QObject::connect(list(), &TPListView::moveStarted, [&]() { ++animations; });
    // The top row upwards leaves the list; the bottom row downwards has nothing below it but the
    // spacer.
    press({ 150, 18 });
    drag({ 150, -20 });
    release({ 150, -20 });
    press({ 150, 90 });
    drag({ 150, 250 });
    release({ 150, 250 });
    // Outside the list, sideways.
    press({ 150, 90 });
    drag({ 400, 10 });
    release({ 400, 10 });
    EXPECT_EQ(order(), QStringLiteral("ABC"));
    EXPECT_EQ(animations, 0);
}

TEST_F(ToolRowTest, DraggedRowShowsABlackFrameUntilReleased)
{
    makePanel(2);
    TPTool *b = tool(1);
    const auto frameShown = [&]() {
        const QImage image = b->grab().toImage();
        return image.pixelColor(1, 18) == Qt::black && image.pixelColor(3, 18) == Qt::black
            && image.pixelColor(5, 18) != Qt::black;
    };
    EXPECT_FALSE(frameShown());
    press({ 150, 54 });
    drag({ 150, 300 });
    EXPECT_TRUE(b->darken());
    EXPECT_TRUE(frameShown());
    // Released outside the list.
    release({ 150, 300 });
    EXPECT_FALSE(b->darken());
    EXPECT_FALSE(frameShown());
}

TEST_F(ToolRowTest, DoubleClickOnTheNameRenamesReturnCommitsEscapeKeeps)
{
    makePanel(2);
    TPTool *a = tool(0);
    QLineEdit *field = a->titleField();
    doubleClick(onName(a));
    ASSERT_TRUE(a->isEditingTitle());
    EXPECT_FALSE(field->isReadOnly());
    EXPECT_EQ(field->width(), a->width() - 80);
    EXPECT_TRUE(a->settingsView()->isHidden());

    QTest::keyClicks(field, QStringLiteral("Pencil"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(a->isEditingTitle());
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_EQ(a->title(), QStringLiteral("Pencil"));
    EXPECT_EQ(field->geometry().topLeft(), QPoint(70, 9));

    doubleClick(onName(a));
    QTest::keyClicks(field, QStringLiteral("Scribble"));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(a->isEditingTitle());
    EXPECT_EQ(a->title(), QStringLiteral("Pencil"));
    EXPECT_EQ(field->text(), QStringLiteral("Pencil"));

    // An empty or blank name is refused.
    doubleClick(onName(a));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, QStringLiteral("   "));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(a->title(), QStringLiteral("Pencil"));
}

TEST_F(ToolRowTest, DoubleClickElsewhereOpensAndClosesTheRow)
{
    makePanel(2);
    TPTool *a = tool(0);
    // Right of the short name, inside the header.
    doubleClick({ a->width() - 10, 18 });
    EXPECT_TRUE(a->isOpen());
    EXPECT_FALSE(a->isEditingTitle());
    // On the settings area, beside the controls.
    doubleClick({ a->width() - 5, 60 });
    EXPECT_FALSE(a->isOpen());
    // A single click does neither.
    press({ a->width() - 10, 18 });
    release({ a->width() - 10, 18 });
    EXPECT_FALSE(a->isOpen());
    EXPECT_FALSE(a->isEditingTitle());
}

TEST_F(ToolRowTest, ContextMenuOpensOnTheRowItsHeaderAndItsName)
{
    makePanel(1);
    TPTool *a = tool(0);
    a->setOpen(true);
    QMenu menu;
    menu.addAction(QStringLiteral("Duplicate"));
    a->setMenu(&menu);
    QSignalSpy requested(a, &TPTool::menuRequested);
    for (const QPoint &p : { onName(a), QPoint(a->width() - 10, 18), QPoint(a->width() - 5, 60) }) {
        QWidget *hit = list()->childAt(p);
        ASSERT_NE(hit, nullptr);
        const QPoint local = hit->mapFrom(list(), p);
        QContextMenuEvent event(QContextMenuEvent::Mouse, local, hit->mapToGlobal(local));
        QCoreApplication::sendEvent(hit, &event);
        EXPECT_TRUE(menu.isVisible()) << p.x() << "," << p.y();
        menu.hide();
    }
    EXPECT_EQ(requested.count(), 3);
}

TEST_F(ToolRowTest, PressedIconIsTheIconThroughTheColourControls)
{
    makePanel(1);
    TPTool *a = tool(0);
    QImage white(32, 32, QImage::Format_ARGB32_Premultiplied);
    white.fill(Qt::white);
    a->setIcon(white);
    EXPECT_EQ(a->setButton()->image(), white);
    EXPECT_EQ(a->setButton()->pressedImage().pixel(5, 5), qRgb(150, 150, 150));
}

TEST_F(ToolRowTest, RowIsShadedFromWhiteToGreyAboveItsBottomLine)
{
    makePanel(1);
    TPTool *a = tool(0);
    a->setIcon(QImage());
    const QImage image = a->grab().toImage();
    const int x = a->width() - 3;
    const auto grey = [&](int y) { return qGray(image.pixel(x, y)); };
    EXPECT_NEAR(grey(0), 255, 1);
    // The shading at t = 0.5 is 0.919, at the bottom 0.95; the last row is the 0.5 grey line.
    EXPECT_NEAR(grey(18), 234, 2);
    EXPECT_NEAR(grey(34), 241, 2);
    EXPECT_NEAR(grey(35), 128, 1);
    EXPECT_GT(grey(9), grey(18));
}
