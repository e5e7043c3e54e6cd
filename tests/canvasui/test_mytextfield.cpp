#include "canvasui/mytextfield.h"

#include <QFontMetrics>
#include <QTest>
#include <QVariantAnimation>
#include <gtest/gtest.h>
#include <memory>

using namespace pennova;

namespace {

// A status box over a 600 x 400 parent. The process-wide fade is paused after every flash so
// that the tests set its time themselves.
class StatusFieldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        parent = std::make_unique<QWidget>();
        parent->setAttribute(Qt::WA_DontShowOnScreen);
        parent->resize(600, 400);
        field = new MyTextField(parent.get());
        parent->show();
    }
    void TearDown() override { MyTextField::fadeAnimation()->stop(); }

    void flash(const QString &text)
    {
        field->flashstatus(text);
        fade()->pause();
    }
    static QVariantAnimation *fade() { return MyTextField::fadeAnimation(); }

    std::unique_ptr<QWidget> parent;
    MyTextField *field = nullptr;
};

TEST_F(StatusFieldTest, FlashShowsAtOnceAndFadesLinearlyOverOneSecond)
{
    // Shown with its parent, the box stays out of sight until there is something to say.
    EXPECT_FALSE(field->isVisible());
    flash(QStringLiteral("Canvas Sealed"));
    EXPECT_EQ(field->text(), QStringLiteral("Canvas Sealed"));
    EXPECT_TRUE(field->isVisible());
    EXPECT_DOUBLE_EQ(field->opacity(), 1.0);

    fade()->setCurrentTime(250);
    EXPECT_NEAR(field->opacity(), 0.75, 1e-9);
    fade()->setCurrentTime(999);
    EXPECT_NEAR(field->opacity(), 0.001, 1e-9);
    EXPECT_TRUE(field->isVisible());
    fade()->setCurrentTime(1000);
    EXPECT_FALSE(field->isVisible());
    EXPECT_EQ(fade()->state(), QAbstractAnimation::Stopped);
}

TEST_F(StatusFieldTest, SecondFlashWithinASecondRestartsTheFadeWithTheNewText)
{
    flash(QStringLiteral("Ink ON"));
    fade()->setCurrentTime(600);
    ASSERT_NEAR(field->opacity(), 0.4, 1e-9);

    flash(QStringLiteral("Ink OFF"));
    EXPECT_EQ(field->text(), QStringLiteral("Ink OFF"));
    EXPECT_DOUBLE_EQ(field->opacity(), 1.0);
    EXPECT_EQ(fade()->currentTime(), 0);
    // A full second from the second flash, not what was left of the first.
    fade()->setCurrentTime(500);
    EXPECT_NEAR(field->opacity(), 0.5, 1e-9);
    fade()->setCurrentTime(900);
    EXPECT_TRUE(field->isVisible());
    fade()->setCurrentTime(1000);
    EXPECT_FALSE(field->isVisible());
}

TEST_F(StatusFieldTest, FadeRunsFromTheEventLoopWithoutBlocking)
{
    field->flashstatus(QStringLiteral("View Reset"));
    EXPECT_EQ(fade()->state(), QAbstractAnimation::Running);
    QTest::qWait(120);
    EXPECT_LT(field->opacity(), 1.0);
}

TEST_F(StatusFieldTest, PersistentMessageThenFlashReplacesAndFades)
{
    field->showstatus(QStringLiteral("Zoom: 150%"));
    EXPECT_TRUE(field->isVisible());
    EXPECT_EQ(fade()->state(), QAbstractAnimation::Stopped);

    flash(QStringLiteral("Zoom: 200%"));
    EXPECT_EQ(field->text(), QStringLiteral("Zoom: 200%"));
    fade()->setCurrentTime(1000);
    EXPECT_FALSE(field->isVisible());
}

TEST_F(StatusFieldTest, ShowStatusDuringAFadeStopsItFullyVisible)
{
    flash(QStringLiteral("Press enter to commit"));
    fade()->setCurrentTime(700);
    field->showstatus(QStringLiteral("Zoom: 100%"));
    EXPECT_EQ(fade()->state(), QAbstractAnimation::Stopped);
    EXPECT_DOUBLE_EQ(field->opacity(), 1.0);
    EXPECT_TRUE(field->isVisible());
    QTest::qWait(50);
    EXPECT_DOUBLE_EQ(field->opacity(), 1.0);
    EXPECT_TRUE(field->isVisible());
}

TEST_F(StatusFieldTest, FlashOnAnotherBoxHidesTheOneThatWasFading)
{
    MyTextField other(parent.get());
    flash(QStringLiteral("first"));
    fade()->setCurrentTime(300);
    other.flashstatus(QStringLiteral("second"));
    fade()->pause();
    EXPECT_FALSE(field->isVisible());
    EXPECT_TRUE(other.isVisible());
    fade()->setCurrentTime(500);
    EXPECT_NEAR(other.opacity(), 0.5, 1e-9);
    EXPECT_EQ(MyTextField::fadeTarget(), &other);
}

TEST_F(StatusFieldTest, BoxIsTextWidthPlus16By66AndCentred)
{
    const QFontMetrics metrics(field->font());
    for (const QString &text :
        { QStringLiteral("Nothing to paste"), QStringLiteral("I"), QString() }) {
        field->showstatus(text);
        EXPECT_EQ(field->width(), metrics.horizontalAdvance(text) + 16) << text.toStdString();
        EXPECT_GE(field->width(), 16);
        EXPECT_EQ(field->height(), 66);
        EXPECT_EQ(field->boxSizeForText(text), field->size());
        EXPECT_LE(std::abs(field->geometry().center().x() - parent->rect().center().x()), 1);
        EXPECT_LE(std::abs(field->geometry().center().y() - parent->rect().center().y()), 1);
    }
    parent->resize(1000, 700);
    EXPECT_LE(std::abs(field->geometry().center().x() - 500), 1);
    EXPECT_LE(std::abs(field->geometry().center().y() - 350), 1);
}

TEST_F(StatusFieldTest, PointerInputPassesThroughToTheWidgetUnderneath)
{
    field->showstatus(QStringLiteral("Canvas Sealed"));
    EXPECT_TRUE(field->testAttribute(Qt::WA_TransparentForMouseEvents));
    // Qt routes pointer and tablet events to the child under the point; the box is skipped.
    EXPECT_EQ(parent->childAt(field->geometry().center()), nullptr);
    field->setAlignment(Qt::AlignLeft);
    EXPECT_EQ(field->alignment(), Qt::AlignCenter);
}

TEST_F(StatusFieldTest, DrawsWhiteTextOnABlackRoundedBox)
{
    field->showstatus(QStringLiteral("WWWW"));
    QImage image(field->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    field->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    // Corners outside the rounded outline stay transparent, the box's edge is black.
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(image.pixel(image.width() - 2, image.height() - 2)), 0);
    EXPECT_EQ(image.pixel(image.width() / 2, 8), qRgb(0, 0, 0));
    int white = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            white += qGray(image.pixel(x, y)) > 200 && qAlpha(image.pixel(x, y)) == 255;
    }
    EXPECT_GT(white, 20);
}

} // namespace
