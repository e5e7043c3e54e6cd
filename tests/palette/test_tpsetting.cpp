#include "palette/tpbrush.h"
#include "palette/tpcolorwell.h"
#include "palette/tperaser.h"
#include "palette/tpiconbutton.h"
#include "palette/tpsetting.h"
#include "settings/colorarchive.h"
#include "settings/defaultskeys.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace pennova;

namespace {

QLineEdit *fieldOf(TPSetting *setting)
{
    return qobject_cast<QLineEdit *>(setting->control());
}

// What a user does: tick the setting if needed, replace the field's text, press Return.
void type(TPSetting *setting, const QString &text)
{
    if (!setting->enabled())
        QTest::mouseClick(setting->titleField(), Qt::LeftButton);
    QLineEdit *field = fieldOf(setting);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

QString shown(TPSetting *setting)
{
    return fieldOf(setting)->text();
}

// A pen that counts the redraws of its icon.
class CountingBrush : public TPBrush
{
public:
    void updateIcon() override
    {
        ++redraws;
        TPBrush::updateIcon();
    }
    int redraws = 0;
};

class ToolSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pen = std::make_unique<TPBrush>();
        pen->setTitle(QStringLiteral("Pen"));
        eraser = std::make_unique<TPEraser>();
        eraser->setTitle(QStringLiteral("Eraser"));
    }
    TPSetting *penSetting(const QString &key) { return pen->settingForKey(key); }
    TPSetting *eraserSetting(const QString &key) { return eraser->settingForKey(key); }

    std::unique_ptr<TPBrush> pen;
    std::unique_ptr<TPEraser> eraser;
};

} // namespace

TEST_F(ToolSettingsTest, ToolsAreBuiltWithDisabledSettingsAtTheirLowerEnds)
{
    QStringList keys, titles;
    for (TPSetting *s : pen->settings()) {
        keys << s->key();
        titles << s->title();
        EXPECT_FALSE(s->enabled()) << s->key().toStdString();
        EXPECT_FALSE(s->control()->isEnabled()) << s->key().toStdString();
    }
    EXPECT_EQ(keys, QStringList({ "bsizemin", "bsize", "clr", "ink" }));
    EXPECT_EQ(titles, QStringList({ "Size (Min): ", "Size (Max): ", "Color: ", "Ink Mode: " }));
    EXPECT_EQ(penSetting(keys::BrushSizeMin)->value(), QVariant(0));
    EXPECT_EQ(penSetting(keys::BrushSize)->range(), (ValueRange { 0, 48 }));
    EXPECT_EQ(eraserSetting(keys::EraserStrength)->value(), QVariant(1));
    EXPECT_EQ(eraserSetting(keys::EraserStrength)->title(), QStringLiteral("Strength: "));
    EXPECT_EQ(pen->settingForKey(keys::EraserSize), nullptr);
    // Only the text field shows for a ranged integer.
    EXPECT_TRUE(penSetting(keys::BrushSize)->slider()->isHidden());

    EXPECT_EQ(pen->dictRepresentation(), ToolRecord(QStringLiteral("Pen"), ToolRecord::kPenType));
    // Four 17-point settings and a 3-point blank row; two for the eraser.
    EXPECT_EQ(pen->settingsView()->height(), 71);
    EXPECT_EQ(eraser->settingsView()->height(), 37);
    EXPECT_EQ(pen->height(), TPTool::kHeaderHeight);
}

TEST_F(ToolSettingsTest, TypedIntegersAreClampedIntoTheirRange)
{
    TPSetting *maximum = penSetting(keys::BrushSize);
    const std::pair<const char *, int> cases[] = { { "60", 48 }, { "-5", 0 }, { "abc", 0 },
        { "1e9", 48 }, { "-0", 0 }, { "7.9", 7 }, { "99999999999999999999", 48 }, { "", 0 } };
    for (const auto &[typed, stored] : cases) {
        type(maximum, QString::fromLatin1(typed));
        EXPECT_EQ(maximum->value(), QVariant(stored)) << typed;
        EXPECT_EQ(shown(maximum), QString::number(stored)) << typed;
    }

    TPSetting *strength = eraserSetting(keys::EraserStrength);
    const std::pair<const char *, int> strengths[]
        = { { "100", 100 }, { "0", 1 }, { "101", 100 }, { "-5", 1 }, { "50", 50 } };
    for (const auto &[typed, stored] : strengths) {
        type(strength, QString::fromLatin1(typed));
        EXPECT_EQ(strength->value(), QVariant(stored)) << typed;
    }
}

TEST_F(ToolSettingsTest, PenSizesStayInOrderComparedAsTyped)
{
    TPSetting *minimum = penSetting(keys::BrushSizeMin);
    TPSetting *maximum = penSetting(keys::BrushSize);
    pen->setObject(20, keys::BrushSize);

    // 60 raises the maximum to 60, which its own range makes 48; the minimum is then 48 too.
    type(minimum, QStringLiteral("60"));
    EXPECT_EQ(minimum->value(), QVariant(48));
    EXPECT_EQ(maximum->value(), QVariant(48));

    pen->setObject(20, keys::BrushSize);
    type(minimum, QStringLiteral("30"));
    EXPECT_EQ(maximum->value(), QVariant(30));

    pen->setObject(25, keys::BrushSizeMin);
    type(maximum, QStringLiteral("10"));
    EXPECT_EQ(minimum->value(), QVariant(10));
    EXPECT_EQ(maximum->value(), QVariant(10));

    // Below the range: the other size is left where it is.
    type(minimum, QStringLiteral("-5"));
    EXPECT_EQ(minimum->value(), QVariant(0));
    EXPECT_EQ(maximum->value(), QVariant(10));

    // The coupled size keeps its tick: an unticked maximum follows but stays out of the record.
    pen->settingForKey(keys::BrushSize)->enable(false);
    type(minimum, QStringLiteral("30"));
    EXPECT_EQ(maximum->value(), QVariant(30));
    EXPECT_FALSE(maximum->enabled());
    EXPECT_EQ(pen->dictRepresentation().keys(), QStringList({ "bsizemin" }));
}

TEST_F(ToolSettingsTest, EraserWithOnlyStrengthTickedHasExactlyThatRecord)
{
    QTest::mouseClick(eraserSetting(keys::EraserStrength)->titleField(), Qt::LeftButton);
    ToolRecord expected(QStringLiteral("Eraser"), ToolRecord::kEraserType);
    expected.insert(keys::EraserStrength, 1);
    EXPECT_EQ(eraser->dictRepresentation(), expected);
    EXPECT_EQ(eraser->getEnabledSettings(), QList<TPSetting *>({ eraserSetting("estren") }));
}

TEST_F(ToolSettingsTest, UntickingDropsTheKeyAndTickingBringsBackTheSameValue)
{
    pen->setObject(7, keys::BrushSize);
    pen->setObject(1, keys::Ink);
    TPSetting *maximum = penSetting(keys::BrushSize);
    ASSERT_EQ(pen->dictRepresentation().keys(), QStringList({ "bsize", "ink" }));

    QTest::mouseClick(maximum->titleField(), Qt::LeftButton);
    EXPECT_FALSE(maximum->enabled());
    EXPECT_FALSE(maximum->control()->isEnabled());
    EXPECT_EQ(pen->dictRepresentation().keys(), QStringList({ "ink" }));
    EXPECT_FALSE(pen->dictRepresentation().contains(keys::BrushSize));
    EXPECT_EQ(shown(maximum), QStringLiteral("7"));

    QTest::mouseClick(maximum->titleField(), Qt::LeftButton);
    EXPECT_EQ(pen->dictRepresentation().keys(), QStringList({ "bsize", "ink" }));
    EXPECT_EQ(pen->dictRepresentation().value(keys::BrushSize), QVariant(7));
}

TEST_F(ToolSettingsTest, RecordHoldsEnabledSettingsInDisplayOrder)
{
    const QByteArray red = ColorArchive::encode(RgbaColor { 1, 0, 0, 1 });
    pen->setObject(1, keys::Ink);
    pen->setObject(red, keys::Color);
    pen->setObject(9, keys::BrushSize);
    pen->setObject(3, keys::BrushSizeMin);
    pen->setObject(5, QStringLiteral("nosuchkey"));

    ToolRecord expected(QStringLiteral("Pen"), ToolRecord::kPenType);
    expected.insert(keys::BrushSizeMin, 3);
    expected.insert(keys::BrushSize, 9);
    expected.insert(keys::Color, red);
    expected.insert(keys::Ink, 1);
    EXPECT_EQ(pen->dictRepresentation(), expected);
}

TEST_F(ToolSettingsTest, ValuesFromOutsideAreClampedIntoTheirForms)
{
    pen->setObject(QVariant(qint64(1) << 40), keys::BrushSize);
    pen->setObject(QStringLiteral("1e9"), keys::BrushSizeMin);
    eraser->setObject(-1e300, keys::EraserSize);
    eraser->setObject(QByteArray("junk"), keys::EraserStrength);
    pen->setObject(5, keys::Ink);
    EXPECT_EQ(pen->dictRepresentation().value(keys::BrushSize), QVariant(48));
    EXPECT_EQ(pen->dictRepresentation().value(keys::BrushSizeMin), QVariant(48));
    EXPECT_EQ(pen->dictRepresentation().value(keys::Ink), QVariant(1));
    EXPECT_EQ(eraser->dictRepresentation().value(keys::EraserSize), QVariant(0));
    EXPECT_EQ(eraser->dictRepresentation().value(keys::EraserStrength), QVariant(1));
}

TEST_F(ToolSettingsTest, ColourWellKeepsItsColourForBytesThatDoNotDecode)
{
    const QByteArray blue = ColorArchive::encode(RgbaColor { 0.1f, 0.2f, 0.9f, 0.5f });
    pen->setObject(blue, keys::Color);
    EXPECT_EQ(pen->dictRepresentation().value(keys::Color), QVariant(blue));

    QByteArray damaged = blue;
    damaged[4] = 9;
    for (const QVariant &bad :
        { QVariant(damaged), QVariant(QByteArray()), QVariant(12), QVariant() })
        pen->setObject(bad, keys::Color);
    EXPECT_EQ(pen->dictRepresentation().value(keys::Color), QVariant(blue));

    pen->setObject(QColor(255, 0, 0), keys::Color);
    EXPECT_EQ(ColorArchive::decode(pen->dictRepresentation().value(keys::Color).toByteArray()),
        (RgbaColor { 1, 0, 0, 1 }));
}

TEST_F(ToolSettingsTest, ClickingTheWellOpensTheColourDialogAndItsChoiceIsTheValue)
{
    CountingBrush brush;
    TPSetting *color = brush.settingForKey(keys::Color);
    auto *well = qobject_cast<TPColorWell *>(color->control());
    ASSERT_NE(well, nullptr);
    // Disabled: no dialog.
    QTest::mouseClick(well, Qt::LeftButton);
    EXPECT_EQ(well->colorDialog(), nullptr);

    QTest::mouseClick(color->titleField(), Qt::LeftButton);
    QTest::mouseClick(well, Qt::LeftButton);
    QColorDialog *dialog = well->colorDialog();
    ASSERT_NE(dialog, nullptr);
    const int redrawsBefore = brush.redraws;
    dialog->setCurrentColor(QColor(0, 255, 0));
    dialog->accept();
    EXPECT_EQ(ColorArchive::decode(color->getValue().toByteArray()), (RgbaColor { 0, 1, 0, 1 }));
    EXPECT_EQ(brush.dictRepresentation().value(keys::Color), color->getValue());
    EXPECT_GT(brush.redraws, redrawsBefore);
}

TEST_F(ToolSettingsTest, EveryChangeRedrawsTheIconAndTheIconChoosesTheTool)
{
    CountingBrush brush;
    int redraws = brush.redraws;
    const auto redrawn = [&]() {
        const bool was = brush.redraws > redraws;
        redraws = brush.redraws;
        return was;
    };
    brush.setObject(4, keys::BrushSize);
    EXPECT_TRUE(redrawn());
    QTest::mouseClick(brush.settingForKey(keys::Ink)->titleField(), Qt::LeftButton);
    EXPECT_TRUE(redrawn());
    type(brush.settingForKey(keys::BrushSize), QStringLiteral("6"));
    EXPECT_TRUE(redrawn());
    QTest::mouseClick(brush.settingForKey(keys::Ink)->control(), Qt::LeftButton);
    EXPECT_TRUE(redrawn());
    EXPECT_EQ(brush.dictRepresentation().value(keys::Ink), QVariant(1));

    QSignalSpy chosen(&brush, &TPTool::chosen);
    QTest::mouseClick(brush.setButton(), Qt::LeftButton);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).value<TPTool *>(), &brush);
}
