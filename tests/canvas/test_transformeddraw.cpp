#include "canvas/transformeddraw.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

using namespace pennova;

namespace {

constexpr QRgb kOutside = 0xFF102030u;
constexpr QRgb kUnder = 0xFF80C040u;

// A picture whose neighbouring pixels differ in every channel, with a translucent band
// (premultiplied) across its middle rows.
QImage testPicture()
{
    QImage picture(97, 61, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int a = y >= 25 && y < 35 ? 128 : 255;
            const auto channel = [&](int value) { return value * a / 255; };
            picture.setPixel(x, y,
                qRgba(channel((x * 37 + y * 11) % 256), channel((x * 5 + y * 53) % 256),
                    channel((x * 3 + y * 3) % 256), a));
        }
    return picture;
}

struct Case
{
    double zoom, degrees;
};

QTransform pictureToTarget(const Case &c)
{
    return QTransform()
        .translate(100, 90)
        .rotate(c.degrees)
        .scale(c.zoom, c.zoom)
        .translate(-48.5, -30.5);
}

double channelOf(QRgb p, int shift)
{
    return double((p >> shift) & 255u);
}

// The expected target pixel at (x, y), in double precision, or nothing where the pixel's centre
// lies within `margin` picture pixels of a place where the nearest pixel or the outline changes
// (both draws may round such a point either way).
std::optional<std::array<double, 4>> expected(
    const QImage &picture, const QTransform &back, int x, int y, Sampling sampling, double margin)
{
    const QPointF at = back.map(QPointF(x + 0.5, y + 0.5));
    const double u = at.x(), v = at.y();
    const auto nearEdge
        = [&](double value) { return std::abs(value - std::round(value)) < margin; };
    if ((u > -margin && u < margin) || (v > -margin && v < margin)
        || std::abs(u - picture.width()) < margin || std::abs(v - picture.height()) < margin)
        return std::nullopt;
    std::array<double, 4> source {};
    if (u < 0 || v < 0 || u >= picture.width() || v >= picture.height()) {
        for (int i = 0; i < 4; ++i)
            source[size_t(i)] = channelOf(kOutside, 8 * i);
        return source;
    }
    if (sampling == Sampling::Nearest) {
        if (nearEdge(u) || nearEdge(v))
            return std::nullopt;
        const QRgb p = picture.pixel(int(u), int(v));
        for (int i = 0; i < 4; ++i)
            source[size_t(i)] = channelOf(p, 8 * i);
    } else {
        const double sx = u - 0.5, sy = v - 0.5;
        const int x0 = int(std::floor(sx)), y0 = int(std::floor(sy));
        const double fx = sx - x0, fy = sy - y0;
        const auto pixel = [&](int px, int py) {
            return picture.pixel(
                std::clamp(px, 0, picture.width() - 1), std::clamp(py, 0, picture.height() - 1));
        };
        for (int i = 0; i < 4; ++i) {
            const int s = 8 * i;
            source[size_t(i)]
                = (channelOf(pixel(x0, y0), s) * (1 - fx) + channelOf(pixel(x0 + 1, y0), s) * fx)
                    * (1 - fy)
                + (channelOf(pixel(x0, y0 + 1), s) * (1 - fx)
                      + channelOf(pixel(x0 + 1, y0 + 1), s) * fx)
                    * fy;
        }
    }
    // Over the target's colour.
    const double alpha = source[3] / 255.0;
    for (int i = 0; i < 4; ++i)
        source[size_t(i)] += channelOf(kUnder, 8 * i) * (1 - alpha);
    return source;
}

} // namespace

// Every target pixel is the picture at its centre's mapped point: the nearest pixel exactly,
// the bilinear mean within a level or two (256ths for the weights), translucent pixels over
// what was there, and pixels outside the picture set to the given colour.
TEST(TransformedDrawTest, PixelsAreThePictureAtEachMappedCentre)
{
    const QImage picture = testPicture();
    for (const Case c : { Case { 1.0, 30.0 }, Case { 1.5, -75.0 }, Case { 0.6, 200.0 },
             Case { 2.25, 90.0 }, Case { 1.0, 0.0 } }) {
        for (const Sampling sampling : { Sampling::Nearest, Sampling::Bilinear }) {
            const QTransform map = pictureToTarget(c);
            QImage target(200, 180, QImage::Format_RGB32);
            target.fill(kUnder);
            // A clip that leaves a frame of the target alone.
            const QRect clip(3, 2, 190, 170);
            drawTransformed(target, clip, picture, map, sampling, std::nullopt);
            QImage filled(200, 180, QImage::Format_RGB32);
            filled.fill(kUnder);
            drawTransformed(filled, clip, picture, map, sampling, kOutside);
            const QTransform back = map.inverted();
            const double tolerance = sampling == Sampling::Nearest ? 1.0 : 2.0;
            int checked = 0, wrong = 0;
            for (int y = 0; y < target.height(); ++y)
                for (int x = 0; x < target.width(); ++x) {
                    if (!clip.contains(x, y)) {
                        wrong += target.pixel(x, y) != kUnder || filled.pixel(x, y) != kUnder;
                        continue;
                    }
                    const auto want = expected(picture, back, x, y, sampling, 0.01);
                    if (!want)
                        continue;
                    ++checked;
                    const QRgb got = filled.pixel(x, y);
                    for (int i = 0; i < 3; ++i)
                        wrong += std::abs(channelOf(got, 8 * i) - (*want)[size_t(i)]) > tolerance;
                    // Without a colour for outside, those pixels keep the target's.
                    const QPointF at = back.map(QPointF(x + 0.5, y + 0.5));
                    const bool inside = at.x() >= 0 && at.y() >= 0 && at.x() < picture.width()
                        && at.y() < picture.height();
                    wrong += target.pixel(x, y) != (inside ? got : kUnder);
                }
            EXPECT_GT(checked, 5000) << c.zoom << " " << c.degrees;
            EXPECT_EQ(wrong, 0) << c.zoom << " " << c.degrees << " "
                                << (sampling == Sampling::Nearest ? "nearest" : "bilinear");
        }
    }
}

// The view draws a turned picture in bands shared between two threads, straight into the
// window's image: the result is one draw of the whole area, pixel for pixel.
TEST(TransformedDrawTest, PartsJoinToTheWholeDraw)
{
    const QImage picture = testPicture();
    const QTransform map = pictureToTarget({ 1.3, 33.0 });
    QImage whole(200, 180, QImage::Format_RGB32), parts(200, 180, QImage::Format_RGB32);
    whole.fill(kUnder);
    parts.fill(kUnder);
    drawTransformed(whole, whole.rect(), picture, map, Sampling::Bilinear, kOutside);
    const PixelRows rows { parts.bits(), parts.bytesPerLine(), parts.rect() };
    for (int top = 0; top < 180; top += 7)
        drawTransformed(rows, QRect(0, top, 200, 7), picture, map, Sampling::Bilinear, kOutside);
    EXPECT_EQ(whole, parts);
}
