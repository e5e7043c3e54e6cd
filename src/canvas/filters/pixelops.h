#pragma once

// Per-pixel operations on premultiplied ARGB words (0xAARRGGBB, colour never above alpha). The
// region filters apply them to whole images; the stroke engine applies them pixel by pixel in
// its fused loop, so both always compute the same values.

#include <QRgb>
#include <QtGlobal>
#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// div255 of the two 16-bit fields of v (each at most 255 * 255), in place: the same rounding,
// two channels at a time.
inline uint32_t div255Pair(uint32_t v)
{
    v += 0x00800080u;
    return ((v + ((v >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// Every channel of a pixel times f / 255 (0 <= f <= 255), rounded to nearest.
inline QRgb scalePixel(QRgb p, uint32_t f)
{
    return div255Pair((p & 0x00FF00FFu) * f) | div255Pair(((p >> 8) & 0x00FF00FFu) * f) << 8;
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

// Porter-Duff source-over: out = src + dst * (1 - src alpha). For premultiplied pixels no
// channel exceeds 255, so the channels are added without carries between them.
inline QRgb sourceOverPixel(QRgb src, QRgb dst)
{
    const uint32_t inv = 255u - qAlpha(src);
    if (inv == 0)
        return src;
    return src + scalePixel(dst, inv);
}

// Sets n pixels to one value.
inline void fillPixels(QRgb *p, int n, QRgb value)
{
#if defined(__SSE2__)
    if (n >= 4) {
        // Four at a time; the last four overlap the ones before rather than loop over the rest.
        const __m128i v = _mm_set1_epi32(int(value));
        for (int i = 0; i < n - 4; i += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i *>(p + i), v);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p + n - 4), v);
        return;
    }
#endif
    for (int i = 0; i < n; ++i)
        p[i] = value;
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

// A row of n differences added to (forward) or taken from pixels in place, byte by byte modulo
// 256 (addDiffPixel, undoPixel). With `samples` the differences are stored as R, G, B, A samples
// (the four bytes of a word in memory order, as an image file keeps them).
inline void applyDiffRow(QRgb *pixels, const uint32_t *diffs, int n, bool forward, bool samples)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i greenAlpha = _mm_set1_epi32(int(0xFF00FF00u));
    const __m128i low = _mm_set1_epi32(0xFF);
    for (; x + 4 <= n; x += 4) {
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(diffs + x));
        if (samples) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
            // Red and blue trade places.
            d = _mm_or_si128(_mm_and_si128(d, greenAlpha),
                _mm_or_si128(_mm_and_si128(_mm_srli_epi32(d, 16), low),
                    _mm_slli_epi32(_mm_and_si128(d, low), 16)));
#else
            d = _mm_or_si128(_mm_srli_epi32(d, 8), _mm_slli_epi32(d, 24));
#endif
        }
        auto *p = reinterpret_cast<__m128i *>(pixels + x);
        const __m128i c = _mm_loadu_si128(p);
        _mm_storeu_si128(p, forward ? _mm_add_epi8(c, d) : _mm_sub_epi8(c, d));
    }
#endif
    for (; x < n; ++x) {
        uint32_t d = diffs[x];
        if (samples) {
            const auto *b = reinterpret_cast<const uint8_t *>(diffs + x);
            d = uint32_t(b[3]) << 24 | uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2];
        }
        pixels[x] = forward ? addDiffPixel(pixels[x], d) : undoPixel(pixels[x], d);
    }
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
