// Reference pictures of the stroke engine: a set of strokes covering every painting path (thin
// and wide pens, pressure and speed, full and weak erasing, a sealed picture, ink, a selection
// clip, strokes running off the canvas) is painted and compared with the pictures stored under
// tests/data/strokes, channel by channel. A change to the engine that is meant to keep the
// pixels must keep these within one level per channel.
//
// PENNOVA_WRITE_STROKE_REFERENCE=1 writes the pictures instead of comparing (only after a change
// that is meant to alter the strokes).

#include "canvas/strokeengine.h"
#include "testsupport.h"

#include <QDir>
#include <gtest/gtest.h>
#include <random>

using namespace pennova;

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 150;

// The premultiplied words stored in a PNG unchanged: the PNG holds them as straight ARGB.
QImage asStoredWords(const QImage &premultiplied)
{
    return QImage(premultiplied.constBits(), premultiplied.width(), premultiplied.height(),
        premultiplied.bytesPerLine(), QImage::Format_ARGB32)
        .copy();
}

struct ReferenceCase
{
    const char *name;
    float sizeMin, sizeMax;
    bool erasing, ink, sealed, clip, pictureBackground;
    float eraserStrength;
    float step; // pointer step in pixels: large steps make fast, thin strokes
};

class StrokeReferenceTest : public ::testing::TestWithParam<ReferenceCase>
{
};

QImage paintCase(const ReferenceCase &c)
{
    CanvasSurface surface;
    surface.newImageWithSize(Size { float(kWidth), float(kHeight) });
    if (c.pictureBackground)
        surface.adoptImage(test::randomPremultipliedImage(kWidth, kHeight, 17));
    else
        surface.fillRegion(QRect(0, kHeight / 2, kWidth, kHeight / 2), 0xFF2060A0u);
    StrokeEngine engine(surface);
    EraseImage erase;
    if (c.sealed) {
        erase = EraseImage::sealed(surface.image().copy());
        surface.fillRegion(surface.bounds(), 0xFF808080u);
    }
    BrushParams brush;
    brush.sizeMin = c.sizeMin;
    brush.sizeMax = c.sizeMax;
    brush.eraserDiameter = c.sizeMax;
    brush.eraserStrength = c.eraserStrength;
    brush.ink = c.ink;
    brush.inkColour = 0xFFE0C020u;
    std::optional<Rect> selection;
    if (c.clip)
        selection = MakeRect(30.3f, 20.6f, 120.2f, 90.5f);

    std::mt19937 rng(4242);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int stroke = 0; stroke < 4; ++stroke) {
        Point p { 40.0f + 120.0f * unit(rng), 30.0f + 90.0f * unit(rng) };
        float heading = 6.2831853f * unit(rng);
        engine.setLastPoints(p);
        engine.beginStroke(stroke % 2 ? 0xFF10A040u : 0xFF000000u);
        engine.paintSegment(PenSample { p, unit(rng), c.erasing }, brush, selection, erase);
        for (int i = 0; i < 60; ++i) {
            // Turn towards the centre now and then, so that the strokes stay mostly on the canvas.
            heading += 0.9f * (unit(rng) - 0.5f);
            if (i % 10 == 9)
                heading = std::atan2(75.0f - p.y, 100.0f - p.x) + 0.8f * (unit(rng) - 0.5f);
            p = Point { p.x + c.step * std::cos(heading), p.y + c.step * std::sin(heading) };
            // Pressure wanders, with now and then a sample too close to the last one.
            const float pressure = 0.1f + 0.9f * unit(rng);
            engine.paintSegment(PenSample { p, pressure, c.erasing }, brush, selection, erase);
            if (i % 7 == 3)
                engine.paintSegment(
                    PenSample { Point { p.x + 0.7f, p.y - 0.4f }, pressure, c.erasing }, brush,
                    selection, erase);
        }
    }
    return surface.image().copy();
}

} // namespace

TEST_P(StrokeReferenceTest, PixelsStayWithinOneLevelOfTheReference)
{
    const ReferenceCase &c = GetParam();
    const QImage painted = paintCase(c);
    const QString file
        = QStringLiteral(PENNOVA_TEST_DATA "/strokes/%1.png").arg(QLatin1String(c.name));
    if (qEnvironmentVariableIntValue("PENNOVA_WRITE_STROKE_REFERENCE") == 1) {
        QDir().mkpath(QStringLiteral(PENNOVA_TEST_DATA "/strokes"));
        ASSERT_TRUE(asStoredWords(painted).save(file));
        GTEST_SKIP() << "reference written";
    }
    const QImage stored(file);
    ASSERT_FALSE(stored.isNull()) << qPrintable(file);
    const QImage expected = stored.convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(test::imagesEqual(asStoredWords(painted), expected,
        QStringLiteral("stroke-reference-%1").arg(QLatin1String(c.name)), 1));
}

INSTANTIATE_TEST_SUITE_P(Strokes, StrokeReferenceTest,
    ::testing::Values(
        // name, sizeMin, sizeMax, erasing, ink, sealed, clip, picture, strength, step
        ReferenceCase { "thin_pen", 0.5f, 4.0f, false, false, false, false, false, 100, 3.0f },
        ReferenceCase { "pressure_pen", 0.0f, 20.5f, false, false, false, false, false, 100, 5.0f },
        ReferenceCase { "wide_pen", 30.0f, 60.0f, false, false, false, false, true, 100, 6.0f },
        ReferenceCase { "fast_pen", 2.0f, 40.0f, false, false, false, false, false, 100, 22.0f },
        ReferenceCase { "eraser_full", 0, 18.0f, true, false, false, false, true, 100, 4.0f },
        ReferenceCase { "eraser_weak", 0, 25.0f, true, false, false, false, true, 35, 4.0f },
        ReferenceCase { "eraser_sealed", 0, 21.0f, true, false, true, false, true, 100, 5.0f },
        ReferenceCase { "ink_pen", 6.0f, 26.0f, false, true, false, false, true, 100, 5.0f },
        ReferenceCase { "clipped_pen", 8.0f, 30.0f, false, false, false, true, false, 100, 5.0f }),
    [](const ::testing::TestParamInfo<ReferenceCase> &param) {
        return std::string(param.param.name);
    });
