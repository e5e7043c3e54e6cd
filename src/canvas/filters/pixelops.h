#pragma once

// Per-pixel operations on premultiplied ARGB words (0xAARRGGBB, colour never above alpha). The
// region filters apply them to whole images; the stroke engine applies them pixel by pixel in
// its fused loop, so both always compute the same values.

#include <QRgb>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace pennova::filters {

// v / 255 rounded to nearest, exact for 0 <= v <= 255 * 255.
inline uint32_t div255(uint32_t v)
{
    v += 128;
    return (v + (v >> 8)) >> 8;
}

// A mask grey level g (coverage 0..255) as white whose alpha is g, premultiplied: all four
// channels equal g.
inline QRgb maskToAlphaPixel(uint8_t grey)
{
    return 0x01010101u * grey;
}

// Channel by channel product of two premultiplied pixels: an opaque colour times a white alpha
// mask gives that colour with the mask's alpha.
inline QRgb multiplyPixel(QRgb a, QRgb b)
{
    const uint32_t ca = div255(qAlpha(a) * qAlpha(b));
    const uint32_t cr = div255(qRed(a) * qRed(b));
    const uint32_t cg = div255(qGreen(a) * qGreen(b));
    const uint32_t cb = div255(qBlue(a) * qBlue(b));
    return (ca << 24) | (cr << 16) | (cg << 8) | cb;
}

// Porter-Duff source-over: out = src + dst * (1 - src alpha).
inline QRgb sourceOverPixel(QRgb src, QRgb dst)
{
    const uint32_t inv = 255u - qAlpha(src);
    if (inv == 0)
        return src;
    const uint32_t ca = qAlpha(src) + div255(qAlpha(dst) * inv);
    const uint32_t cr = qRed(src) + div255(qRed(dst) * inv);
    const uint32_t cg = qGreen(src) + div255(qGreen(dst) * inv);
    const uint32_t cb = qBlue(src) + div255(qBlue(dst) * inv);
    return (ca << 24) | (cr << 16) | (cg << 8) | cb;
}

// The difference of two pixels, byte by byte modulo 256. It is exact in both directions, so
// undoPixel(new, diffPixel(old, new)) == old for any two words, premultiplied or not.
inline QRgb diffPixel(QRgb oldPixel, QRgb newPixel)
{
    // Per-byte subtraction without borrows crossing byte boundaries.
    const uint32_t h = 0x80808080u;
    return ((newPixel | h) - (oldPixel & ~h)) ^ ((newPixel ^ ~oldPixel) & h);
}

inline QRgb undoPixel(QRgb current, QRgb diff)
{
    return diffPixel(diff, current);
}

// The other way: old + (new - old) = new, byte by byte modulo 256.
inline QRgb addDiffPixel(QRgb current, QRgb diff)
{
    const uint32_t h = 0x80808080u;
    return ((current & ~h) + (diff & ~h)) ^ ((current ^ diff) & h);
}

// Ink compositing of one pixel ("glaze", like a felt marker): the dab multiplies with what lies
// under it, so overlapping ink darkens, ink never lightens a channel of an opaque background,
// yellow over blue gives green, and where the dab has no coverage the background stays.
//   image      = the dab (opaque colour C, coverage a) composited source-over onto background,
//                so image - background = a (C - background) in every channel, C's alpha being 1;
//   background = b, premultiplied, with alpha ab;
//   colour     = C, red, green and blue (its alpha is ignored).
// a is recovered from the channel, alpha included, where C and b differ most (the division is
// most precise there) and clamped to [0, 1]. With every value in 0..1, the result is the multiply
// blend of the dab a C over b:
//   out_rgb   = b_rgb (1 - a + a C_rgb) + a C_rgb (1 - ab)
//   out_alpha = image alpha
// Where C equals b in every channel the coverage cannot be told, and image is returned (it then
// equals b up to rounding). image == background returns background bit for bit; full coverage
// over opaque white gives C exactly.
inline QRgb inkPixel(QRgb image, QRgb background, QRgb colour)
{
    if (image == background)
        return background;
    const int c[4] = { 255, qRed(colour), qGreen(colour), qBlue(colour) };
    const int b[4]
        = { qAlpha(background), qRed(background), qGreen(background), qBlue(background) };
    const int i[4] = { qAlpha(image), qRed(image), qGreen(image), qBlue(image) };
    int k = 0;
    int widest = 0;
    for (int n = 0; n < 4; ++n) {
        const int d = std::abs(c[n] - b[n]);
        if (d > widest) {
            widest = d;
            k = n;
        }
    }
    if (widest == 0)
        return image;
    const float a = std::clamp(float(i[k] - b[k]) / float(c[k] - b[k]), 0.0f, 1.0f);
    const uint32_t alpha = uint32_t(i[0]);
    const float uncovered = 1.0f - float(b[0]) / 255.0f; // 1 - ab
    const auto channel = [&](int n) {
        const float aC = a * float(c[n]); // 0..255
        const float v = float(b[n]) * (1.0f - a + aC / 255.0f) + aC * uncovered;
        // Premultiplied colour never exceeds alpha, whatever the rounding of a.
        return std::min(uint32_t(v + 0.5f), alpha);
    };
    return (alpha << 24) | (channel(1) << 16) | (channel(2) << 8) | channel(3);
}

} // namespace pennova::filters
