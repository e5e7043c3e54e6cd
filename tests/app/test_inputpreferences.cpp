// The preferences page of the pen and the keys: choices stored at once, refused ones told and
// changing nothing, the curve edited by dragging, and the trace of the pen's pressure.

#include "app/inputpreferences.h"
#include "app/preferenceswindow.h"
#include "app/pressurecurveeditor.h"
#include "settings/defaults.h"
#include "settings/pressurecurve.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointingDevice>
#include <QPushButton>
#include <QTabletEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

class InputPreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        page.setAttribute(Qt::WA_DontShowOnScreen);
        page.show();
    }

    // Picks an entry of a combo box as a user does.
    static void choose(QComboBox *box, const QString &text)
    {
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QString stored(Gesture g) { return defaults->stringForKey(GestureKeys::settingsKey(g)); }

    test::TestDefaults defaults;
    InputPreferences page { *defaults };
};

TEST_F(InputPreferencesTest, KeysAreStoredAtOnceAndTakenOrReservedOnesRefused)
{
    EXPECT_EQ(page.gestureBox(Gesture::Erase)->currentText(), QStringLiteral("Alt"));
    choose(page.gestureBox(Gesture::Rotate), QStringLiteral("Ctrl + Alt"));
    EXPECT_EQ(stored(Gesture::Rotate), QStringLiteral("Ctrl+Alt"));
    EXPECT_TRUE(page.message()->text().isEmpty());

    // Alt erases already: told, nothing stored, the box back on the key in force.
    choose(page.gestureBox(Gesture::Rotate), QStringLiteral("Alt"));
    EXPECT_EQ(page.message()->text(), QStringLiteral("Alt is already the key for erasing."));
    EXPECT_EQ(stored(Gesture::Rotate), QStringLiteral("Ctrl+Alt"));
    EXPECT_EQ(page.gestureBox(Gesture::Rotate)->currentText(), QStringLiteral("Ctrl + Alt"));

    // A letter held: the field appears, a reserved letter is refused, another one taken.
    choose(page.gestureBox(Gesture::Select), InputPreferences::letterChoiceText());
    QLineEdit *letter = page.letterField(Gesture::Select);
    EXPECT_TRUE(letter->isVisibleTo(&page));
    EXPECT_EQ(stored(Gesture::Select), QStringLiteral("Ctrl")) << "nothing until a letter is typed";
    QTest::keyClicks(letter, QStringLiteral("e"));
    EXPECT_EQ(page.message()->text(),
        QStringLiteral("E has a command of its own; choose another letter."));
    EXPECT_EQ(stored(Gesture::Select), QStringLiteral("Ctrl"));
    QTest::keyClicks(letter, QStringLiteral("s"));
    EXPECT_EQ(stored(Gesture::Select), QStringLiteral("S"));
    EXPECT_EQ(letter->text(), QStringLiteral("S"));
    QTest::keyClicks(letter, QStringLiteral("3"));
    EXPECT_EQ(letter->text(), QStringLiteral("S")) << "only letters";

    // Settings changed elsewhere show here; the factory keys come back with one click.
    defaults->setString(GestureKeys::settingsKey(Gesture::Erase), QStringLiteral("Meta"));
    EXPECT_EQ(page.gestureBox(Gesture::Erase)->currentText(), QStringLiteral("Meta"));
    for (QPushButton *b : page.findChildren<QPushButton *>()) {
        if (b->text() == QStringLiteral("Factory Keys"))
            b->click();
    }
    EXPECT_EQ(GestureKeys::fromDefaults(*defaults), GestureKeys());
    EXPECT_FALSE(letter->isVisibleTo(&page));
    EXPECT_EQ(page.gestureBox(Gesture::Select)->currentText(), QStringLiteral("Ctrl"));
}

TEST_F(InputPreferencesTest, PenButtonsAndDamagedValuesShowTheFactorysRoles)
{
    test::LogCapture log;
    defaults->setString(penbuttons::settingsKey(PenButton::Upper), QStringLiteral("juggle"));
    defaults->setString(GestureKeys::settingsKey(Gesture::Rotate), QStringLiteral("Hyper"));
    EXPECT_EQ(page.penButtonBox(PenButton::Upper)->currentText(),
        penbuttons::roleTitle(PenButtonRole::PickColor));
    EXPECT_EQ(page.gestureBox(Gesture::Rotate)->currentText(), QStringLiteral("Meta"));
    choose(page.penButtonBox(PenButton::Lower), penbuttons::roleTitle(PenButtonRole::Rotate));
    EXPECT_EQ(penbuttons::role(*defaults, PenButton::Lower), PenButtonRole::Rotate);
}

TEST_F(InputPreferencesTest, TheCurveIsEditedByPresetsAndDraggingAndStaysACurve)
{
    PressureCurveEditor *editor = page.curveEditor();
    editor->resize(220, 220);
    page.presetButton(1)->click(); // Soft
    EXPECT_EQ(PressureCurve::fromDefaults(*defaults), PressureCurve::soft());
    EXPECT_EQ(editor->curve(), PressureCurve::soft());

    // Drag the second point far right and up: it stops short of its neighbour and never above
    // its output, and the settings follow.
    const CurvePoint second = editor->curve().points()[1];
    const QPoint from = editor->toWidget(second).toPoint();
    QTest::mousePress(editor, Qt::LeftButton, {}, from);
    QTest::mouseMove(editor, editor->toWidget(CurvePoint { 0.95, 1.0 }).toPoint());
    QTest::mouseRelease(
        editor, Qt::LeftButton, {}, editor->toWidget(CurvePoint { 0.95, 1.0 }).toPoint());
    const PressureCurve dragged = PressureCurve::fromDefaults(*defaults);
    ASSERT_EQ(dragged.points().size(), 4u);
    EXPECT_LE(dragged.points()[1].pressure,
        dragged.points()[2].pressure - PressureCurveEditor::kMinGap + 1e-9);
    EXPECT_EQ(dragged.points()[1].output, dragged.points()[2].output);
    EXPECT_GT(dragged.points()[1].pressure, 0.5);
    EXPECT_EQ(editor->curve(), dragged);

    // A click adds a point, a double click removes it; the ends stay.
    QTest::mouseClick(
        editor, Qt::LeftButton, {}, editor->toWidget(CurvePoint { 0.1, 0.3 }).toPoint());
    EXPECT_EQ(PressureCurve::fromDefaults(*defaults).points().size(), 5u);
    QTest::mouseDClick(
        editor, Qt::LeftButton, {}, editor->toWidget(editor->curve().points()[1]).toPoint());
    EXPECT_EQ(PressureCurve::fromDefaults(*defaults).points().size(), 4u);
    QTest::mouseDClick(
        editor, Qt::LeftButton, {}, editor->toWidget(CurvePoint { 0.0, 0.0 }).toPoint());
    EXPECT_EQ(PressureCurve::fromDefaults(*defaults).points().size(), 4u);
    EXPECT_TRUE(PressureCurve::isValid(PressureCurve::fromDefaults(*defaults).points()));
}

TEST_F(InputPreferencesTest, ThePenPressureIsTracedWhereverThePenTouches)
{
    page.presetButton(1)->click(); // Soft: 0.25 gives 0.45
    auto *device = new QPointingDevice(QStringLiteral("trace pen"), 3001,
        QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3, QString(),
        QPointingDeviceUniqueId(), &page);
    QWidget elsewhere;
    QTabletEvent press(QEvent::TabletPress, device, QPointF(5, 5), QPointF(5, 5), 0.25, 0, 0, 0, 0,
        0, Qt::NoModifier, Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::sendEvent(&elsewhere, &press);
    EXPECT_EQ(page.penReading()->text(), QStringLiteral("Pen 0.25 → 0.45"));
    EXPECT_FLOAT_EQ(*page.curveEditor()->penPressure(), 0.25f);
    QTabletEvent release(QEvent::TabletRelease, device, QPointF(5, 5), QPointF(5, 5), 0.0, 0, 0, 0,
        0, 0, Qt::NoModifier, Qt::LeftButton, Qt::NoButton);
    QCoreApplication::sendEvent(&elsewhere, &release);
    EXPECT_EQ(page.penReading()->text(), QStringLiteral("Pen 0.00 → 0.00"));

    // Hidden, it listens no more.
    page.hide();
    QCoreApplication::sendEvent(&elsewhere, &press);
    EXPECT_EQ(page.penReading()->text(), QStringLiteral("Pen 0.00 → 0.00"));
}

TEST(PreferencesWindowTest, ThePenAndKeysPageIsPartOfThePreferences)
{
    test::TestDefaults defaults;
    PreferencesWindow window(*defaults);
    ASSERT_NE(window.inputPage(), nullptr);
    EXPECT_TRUE(window.isAncestorOf(window.inputPage()));
}

} // namespace
