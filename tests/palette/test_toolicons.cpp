// The icons are checked where their drawing means something: a pen's fill, stripe, emblem and
// size text, an eraser's texts. Points are given in the icon's y-up coordinates and read at four
// pixels per point, so that each lies well inside what it samples.

#include "palette/toolicons.h"
#include "settings/colorarchive.h"
#include "settings/defaultskeys.h"

#include <QColor>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

constexpr qreal kRatio = 4.0;

QColor at(const QImage &icon, double x, double yUp)
{
    const qreal r = icon.devicePixelRatio();
    return icon.pixelColor(int(x * r), int((toolicons::kIconSize - yUp) * r));
}

// Pixels of the rectangle (y-up, in points) that are drawn dark, as text is.
int darkPixels(const QImage &icon, const QRectF &area)
{
    int count = 0;
    for (double y = area.top() + 0.5 / kRatio; y < area.bottom(); y += 1.0 / kRatio) {
        for (double x = area.left() + 0.5 / kRatio; x < area.right(); x += 1.0 / kRatio) {
            const QColor c = at(icon, x, y);
            count += c.alpha() > 128 && c.lightness() < 100;
        }
    }
    return count;
}

// The emblem's blue, red = green = 0.5 and blue = 1, where it is not blended with a neighbour.
bool isBlue(const QColor &c)
{
    return c.alpha() > 240 && c.blue() > 240 && std::abs(c.red() - c.green()) < 8
        && std::abs(c.red() - 128) < 16;
}

int bluePixels(const QImage &icon)
{
    int count = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x)
            count += isBlue(icon.pixelColor(x, y));
    }
    return count;
}

ToolRecord pen(std::optional<RgbaColor> color = std::nullopt, std::optional<int> ink = std::nullopt)
{
    ToolRecord record(QStringLiteral("pen"), ToolRecord::kPenType);
    if (color)
        record.insert(keys::Color, ColorArchive::encode(*color));
    if (ink)
        record.insert(keys::Ink, *ink);
    return record;
}

const RgbaColor kTeal { 0.0f, 0.5f, 0.5f, 1.0f };
// Inside the pen body, clear of its outline and its highlight stripe (pen coordinates + (6, 4)).
const QPointF kBody(28, 22);
// Two neighbouring checkerboard squares inside the body.
const QPointF kSquareA(27, 23);
const QPointF kSquareB(29, 23);
// The stripe's middle line, and a point beside it that the stripe's outer strokes still reach.
const QPointF kStripe(28, 26.05);
const QPointF kStripeSide(28 - 0.643 * 1.6, 26.05 + 0.766 * 1.6);
// The middle of the ink emblem's line, below the tip.
const QPointF kEmblemLine(6, 5);
// Where the pen's size text and the eraser's texts stand.
const QRectF kPenText(0, 22, 14, 7);
const QRectF kEraserSizeText(0, 22, 10, 7);
const QRectF kEraserStrengthText(18, 0, 12, 5);

} // namespace

TEST(ToolIconTest, PenWithoutColourShowsACheckerboardAndNoStripe)
{
    const QImage icon = toolicons::penIcon(pen(), kRatio);
    EXPECT_EQ(icon.size(), QSize(128, 128));
    EXPECT_EQ(icon.devicePixelRatio(), kRatio);
    const QColor a = at(icon, kSquareA.x(), kSquareA.y());
    const QColor b = at(icon, kSquareB.x(), kSquareB.y());
    EXPECT_EQ(std::min(a.red(), b.red()), 102);
    EXPECT_EQ(std::max(a.red(), b.red()), 242);
    // No white over the squares along the stripe's line.
    const int stripe = at(icon, kStripe.x(), kStripe.y()).red();
    EXPECT_TRUE(stripe == 102 || stripe == 242) << stripe;
    EXPECT_EQ(bluePixels(icon), 0);
}

TEST(ToolIconTest, PenWithColourIsFilledWithItAndHasAStripeBrighterInItsMiddle)
{
    const QImage icon = toolicons::penIcon(pen(kTeal), kRatio);
    const QColor body = at(icon, kBody.x(), kBody.y());
    EXPECT_EQ(body.red(), 0);
    EXPECT_NEAR(body.green(), 128, 1);
    EXPECT_NEAR(body.blue(), 128, 1);
    const int middle = at(icon, kStripe.x(), kStripe.y()).red();
    const int side = at(icon, kStripeSide.x(), kStripeSide.y()).red();
    EXPECT_GT(middle, 230);
    EXPECT_GT(side, body.red() + 30);
    EXPECT_LT(side, middle - 60);
}

TEST(ToolIconTest, InkEmblemShowsItsBlueLineAndASecondOneWhenInkIsOff)
{
    const QImage on = toolicons::penIcon(pen(kTeal, 1), kRatio);
    const QImage off = toolicons::penIcon(pen(kTeal, 0), kRatio);
    EXPECT_TRUE(isBlue(at(on, kEmblemLine.x(), kEmblemLine.y())));
    EXPECT_TRUE(isBlue(at(off, kEmblemLine.x(), kEmblemLine.y())));
    // The circle's outline, black, left of the line.
    EXPECT_LT(at(on, -6 + 6 + 0.4, 1 + 4).lightness(), 60);
    // The second line covers more of the circle.
    EXPECT_GT(bluePixels(off), bluePixels(on));
    EXPECT_EQ(bluePixels(toolicons::penIcon(pen(kTeal), kRatio)), 0);
}

TEST(ToolIconTest, SizeTextAppearsWithEitherSizeOnly)
{
    ToolRecord both = pen();
    both.insert(keys::BrushSizeMin, 2);
    both.insert(keys::BrushSize, 6);
    ToolRecord maximum = pen();
    maximum.insert(keys::BrushSize, 6);
    EXPECT_GT(darkPixels(toolicons::penIcon(both, kRatio), kPenText), 10);
    EXPECT_GT(darkPixels(toolicons::penIcon(maximum, kRatio), kPenText), 10);
    EXPECT_EQ(darkPixels(toolicons::penIcon(pen(), kRatio), kPenText), 0);
}

TEST(ToolIconTest, EraserShowsOnlyTheTextsOfItsSettings)
{
    ToolRecord eraser(QStringLiteral("eraser"), ToolRecord::kEraserType);
    const QImage bare = toolicons::eraserIcon(eraser, kRatio);
    EXPECT_EQ(darkPixels(bare, kEraserSizeText), 0);
    EXPECT_EQ(darkPixels(bare, kEraserStrengthText), 0);
    // The block's top face, pale pink.
    const QColor top = at(bare, 16, 19);
    EXPECT_EQ(top.red(), 255);
    EXPECT_NEAR(top.green(), 230, 2);

    eraser.insert(keys::EraserSize, 12);
    const QImage sized = toolicons::eraserIcon(eraser, kRatio);
    EXPECT_GT(darkPixels(sized, kEraserSizeText), 10);
    EXPECT_EQ(darkPixels(sized, kEraserStrengthText), 0);
    eraser.insert(keys::EraserStrength, 50);
    EXPECT_GT(darkPixels(toolicons::eraserIcon(eraser, kRatio), kEraserStrengthText), 10);
}
