#include "canvas/brush.h"
#include "canvas/brushcursor.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "testsupport.h"

#include <QSettings>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace pennova;

TEST(Brush, SetBrushSizeClampsAndStoresUnderTheEndInUse)
{
    test::TestDefaults defaults;
    Brush brush(*defaults);
    EXPECT_EQ(brush.setBrushSize(0, false), 1.0f);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 1.0f);
    brush.setBrushSize(-3, false);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 1.0f);
    EXPECT_EQ(brush.setBrushSize(100, false), 48.0f);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 48.0f);
    EXPECT_EQ(brush.setBrushSize(std::nanf(""), false), 1.0f);

    // The eraser end stores "esize" and never touches the pen's minimum.
    defaults->setFloat(keys::BrushSizeMin, 12);
    EXPECT_EQ(brush.setBrushSize(7, true), 7.0f);
    EXPECT_EQ(defaults->floatForKey(keys::EraserSize), 7.0f);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSizeMin), 12.0f);
}

TEST(Brush, PenSizeBelowMinimumLowersMinimumToWholeNumber)
{
    test::TestDefaults defaults;
    Brush brush(*defaults);
    defaults->setFloat(keys::BrushSizeMin, 12);
    brush.setBrushSize(10.7f, false);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSize), 10.7f);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSizeMin), 10.0f);
}

TEST(Brush, UnchangedSizeWritesNothing)
{
    test::TestDefaults defaults;
    Brush brush(*defaults);
    brush.setBrushSize(20, false);
    QSignalSpy writes(&*defaults, &Defaults::changed);
    brush.setBrushSize(20, false);
    EXPECT_EQ(writes.count(), 0);
}

// A value a tool, a hand-edited file or a damaged store left behind never leaves its range.
TEST(Brush, StoredValuesAreClampedWhereTheyAreRead)
{
    test::TestDefaults defaults;
    Brush brush(*defaults);
    struct Stored
    {
        float bsize, bsizemin, estren;
        float sizeMax, sizeMin, strength; // what a stroke segment gets
    };
    const Stored cases[] = {
        { 10, 1e30f, 50, 10, 10, 50 }, // the minimum never above the maximum
        { 4, 40, 50, 4, 4, 50 }, { 1e30f, 2, 1e30f, 48, 2, 100 }, { -3, -5, -20, 1, 0, 0 },
        { 0, 0, 0, 1, 0, 0 }, // a freshly built pen tool stores 0 for both
        { 20, 7.5f, 75, 20, 7.5f, 75 }, // in range: as stored
    };
    for (const Stored &c : cases) {
        SCOPED_TRACE(testing::Message() << c.bsize << " " << c.bsizemin << " " << c.estren);
        defaults->setFloat(keys::BrushSize, c.bsize);
        defaults->setFloat(keys::BrushSizeMin, c.bsizemin);
        defaults->setFloat(keys::EraserStrength, c.estren);
        const BrushParams p = brush.params(8.0f);
        EXPECT_EQ(p.sizeMax, c.sizeMax);
        EXPECT_EQ(p.sizeMin, c.sizeMin);
        EXPECT_EQ(p.eraserStrength, c.strength);
        EXPECT_EQ(brush.getBrushSize(false), c.sizeMax);
    }

    // Not a number reads as the factory value.
    defaults->setFloat(keys::BrushSizeMin, std::nanf(""));
    defaults->setFloat(keys::EraserSize, std::nanf(""));
    EXPECT_EQ(brush.minimumSize(), 1.0f);
    EXPECT_EQ(brush.getBrushSize(true), 15.0f);

    // A damaged minimum stored again by a size change comes back whole and in range.
    defaults->setFloat(keys::BrushSizeMin, -7);
    brush.setBrushSize(12.5f, false);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSizeMin), 0.0f);
    defaults->setFloat(keys::BrushSizeMin, 1e30f);
    brush.setBrushSize(20.5f, false);
    EXPECT_EQ(defaults->floatForKey(keys::BrushSizeMin), 20.0f);
}

TEST(Brush, ColourFallsBackToBlackAndInkToggles)
{
    test::TestDefaults defaults;
    Brush brush(*defaults);
    EXPECT_EQ(brush.colourPixel(), 0xFF000000u);
    defaults->setData(keys::Color, ColorArchive::encode(RgbaColor { 1.0f, 0.5f, 0.0f, 0.2f }));
    EXPECT_EQ(brush.colourPixel(), qRgb(255, 128, 0)); // alpha is ignored
    defaults->setData(keys::Color, QByteArray("garbage"));
    EXPECT_FALSE(brush.getColor().has_value());
    EXPECT_EQ(brush.colourPixel(), 0xFF000000u);

    EXPECT_FALSE(brush.ink());
    EXPECT_TRUE(brush.toggleInk());
    EXPECT_FALSE(brush.toggleInk());
    EXPECT_FALSE(defaults->boolForKey(keys::Ink));
}

TEST(BrushCursor, SizeHotSpotAndLooks)
{
    // A diameter of 10 at zoom 2 is 20 screen pixels: a 22 x 22 image, the hot spot at its centre.
    const BrushCursorImage pen = renderBrushCursor(20.0f, RgbaColor { 0, 0, 1, 1 }, false, false);
    EXPECT_EQ(pen.image.size(), QSize(22, 22));
    EXPECT_EQ(pen.hotSpot, QPoint(11, 11));
    // The pen is filled with the colour at 80 %; the outline is magenta.
    const QColor centre = QColor::fromRgba(qUnpremultiply(pen.image.pixel(11, 11)));
    EXPECT_NEAR(centre.alphaF(), 0.8, 0.02);
    EXPECT_EQ(centre.blue(), 255);
    const QColor rim = QColor::fromRgba(qUnpremultiply(pen.image.pixel(1, 11)));
    EXPECT_GT(rim.red(), 100);
    EXPECT_GT(rim.blue(), 100);
    EXPECT_LT(rim.green(), 100);

    // The eraser's circle is not filled: away from the "E" the centre row stays clear.
    const BrushCursorImage eraser = renderBrushCursor(30.0f, std::nullopt, true, false);
    EXPECT_EQ(qAlpha(eraser.image.pixel(4, 16)), 0);
    int drawn = 0;
    for (int y = 0; y < eraser.image.height(); ++y)
        for (int x = 8; x < 24; ++x)
            drawn += qAlpha(eraser.image.pixel(x, y)) > 128;
    EXPECT_GT(drawn, 10); // the letter

    // Ink mode draws a black vertical line through the filled circle.
    const BrushCursorImage ink = renderBrushCursor(20.0f, RgbaColor { 1, 1, 0, 1 }, false, true);
    const QColor line = QColor::fromRgba(qUnpremultiply(ink.image.pixel(10, 6)));
    EXPECT_LT(line.red(), 128);
}

// A stroke reads the brush at every segment; what it read last is kept only while nothing that
// could change it has happened: a write, a removal, new factory values, or a sync that brings in
// what was written to the file from elsewhere.
TEST(Brush, ParamsFollowEveryChangeOfTheStore)
{
    test::TestDefaults defaults;
    Brush brush(*defaults);
    defaults->setFloat(keys::BrushSize, 20);
    EXPECT_EQ(brush.params(8.0f).sizeMax, 20.0f);
    EXPECT_EQ(brush.params(9.0f).eraserDiameter, 9.0f);
    defaults->setFloat(keys::BrushSize, 30);
    EXPECT_EQ(brush.params(8.0f).sizeMax, 30.0f);
    defaults->removeObjectForKey(keys::BrushSize);
    EXPECT_EQ(brush.params(8.0f).sizeMax, 10.0f);
    defaults->registerDefaults({ { keys::BrushSize, 12 } });
    EXPECT_EQ(brush.params(8.0f).sizeMax, 12.0f);

    // Written to the file by another settings object (as the replay tool copies settings in).
    QSettings elsewhere(defaults->fileName(), QSettings::IniFormat);
    elsewhere.setValue(keys::Ink, true);
    elsewhere.sync();
    defaults->sync();
    EXPECT_TRUE(brush.params(8.0f).ink);
}
