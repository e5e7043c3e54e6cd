#pragma once

// Per-pixel operations on premultiplied ARGB words (0xAARRGGBB, colour never above alpha). The
// region filters apply them to whole images; the stroke engine applies them pixel by pixel in
// its fused loop, so both always compute the same values.

#include <QRgb>
#include <cstdint>

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

} // namespace pennova::filters
