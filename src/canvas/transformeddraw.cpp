#include "canvas/transformeddraw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pennova {

namespace {
    // Picture coordinates step along a target row in fixed point with this many fraction bits;
    // 64-bit, so pictures of any size fit.
    constexpr int kFraction = 16;
    constexpr int64_t kOne = int64_t(1) << kFraction;
    constexpr int kBlockColumns = 128;

    // x * a / 255 for the four channels of x, rounded (a in 0 .. 255).
    inline uint32_t scaled(uint32_t x, uint32_t a)
    {
        uint32_t rb = (x & 0xFF00FFu) * a;
        rb = ((rb + ((rb >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
        uint32_t ag = ((x >> 8) & 0xFF00FFu) * a;
        ag = (ag + ((ag >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
        return rb | ag;
    }

    // A premultiplied pixel over another.
    inline uint32_t over(uint32_t source, uint32_t target)
    {
        const uint32_t alpha = source >> 24;
        if (alpha == 255)
            return source;
        return source + scaled(target, 255 - alpha);
    }

    // The mean of four premultiplied pixels (top left, top right, bottom left, bottom right)
    // weighted by the position between them, fx and fy in 0 .. 255 (256ths of a pixel).
#if defined(__SSE2__)
    // The weights of interpolated(), per position: across, the left pixel's four channels
    // weighted 256 - f and the right's f; down, 256 - f and f in every lane.
    struct Weights
    {
        __m128i across[256], up[256], down[256];
        Weights()
        {
            for (int f = 0; f < 256; ++f) {
                across[f] = _mm_set_epi16(short(f), short(f), short(f), short(f), short(256 - f),
                    short(256 - f), short(256 - f), short(256 - f));
                up[f] = _mm_set1_epi16(short(256 - f));
                down[f] = _mm_set1_epi16(short(f));
            }
        }
    };
    const Weights kWeights;
#endif

    inline uint32_t interpolated(uint64_t topPair, uint64_t bottomPair, uint32_t fx, uint32_t fy)
    {
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i half = _mm_set1_epi16(128);
        const __m128i top = _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(topPair)), zero);
        const __m128i bottom = _mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(bottomPair)), zero);
        // Down first: the left and the right pixel's channels side by side (at most 255 × 256
        // plus the rounding, which fits sixteen bits).
        const __m128i column
            = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(top, kWeights.up[fy]),
                                               _mm_mullo_epi16(bottom, kWeights.down[fy])),
                                 half),
                8);
        const __m128i across = _mm_mullo_epi16(column, kWeights.across[fx]);
        const __m128i sum = _mm_srli_epi16(
            _mm_add_epi16(_mm_add_epi16(across, _mm_srli_si128(across, 8)), half), 8);
        return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(sum, zero)));
#else
        uint32_t result = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const auto channel = [&](uint64_t pair, int at) { return uint32_t(pair >> at) & 255u; };
            const uint32_t left
                = (channel(topPair, shift) * (256 - fy) + channel(bottomPair, shift) * fy + 128)
                >> 8;
            const uint32_t right = (channel(topPair, shift + 32) * (256 - fy)
                                       + channel(bottomPair, shift + 32) * fy + 128)
                >> 8;
            result |= ((left * (256 - fx) + right * fx + 128) >> 8) << shift;
        }
        return result;
#endif
    }

    inline uint64_t pair(uint32_t left, uint32_t right)
    {
        return left | uint64_t(right) << 32;
    }

    struct Picture
    {
        const uchar *bits;
        qsizetype stride;
        int width, height;

        const uint32_t *row(int y) const
        {
            return reinterpret_cast<const uint32_t *>(bits + stride * y);
        }
        // The address of fixed-point point (u, v), for prefetching only: it may lie outside
        // the picture, and is never read.
        const char *address(int64_t u, int64_t v) const
        {
            return reinterpret_cast<const char *>(reinterpret_cast<uintptr_t>(bits)
                + uintptr_t(stride * (v >> kFraction) + 4 * (u >> kFraction)));
        }
    };

    // Bilinear sample at fixed-point picture point (u, v) (already moved back by half a pixel,
    // so that pixel centres fall on whole numbers), with edge pixels repeated outward.
    inline uint32_t bilinearAt(const Picture &p, int64_t u, int64_t v)
    {
        const int64_t x = u >> kFraction, y = v >> kFraction;
        const uint32_t fx = uint32_t(u >> (kFraction - 8)) & 255u;
        const uint32_t fy = uint32_t(v >> (kFraction - 8)) & 255u;
        if (x >= 0 && y >= 0 && x < p.width - 1 && y < p.height - 1) {
            const uint32_t *top = p.row(int(y)) + x;
            const uint32_t *bottom = p.row(int(y) + 1) + x;
            return interpolated(pair(top[0], top[1]), pair(bottom[0], bottom[1]), fx, fy);
        }
        const int x0 = int(std::clamp<int64_t>(x, 0, p.width - 1));
        const int x1 = int(std::clamp<int64_t>(x + 1, 0, p.width - 1));
        const int y0 = int(std::clamp<int64_t>(y, 0, p.height - 1));
        const int y1 = int(std::clamp<int64_t>(y + 1, 0, p.height - 1));
        const uint32_t *top = p.row(y0), *bottom = p.row(y1);
        return interpolated(pair(top[x0], top[x1]), pair(bottom[x0], bottom[x1]), fx, fy);
    }

    // The columns [first, end) of a target row whose centres map inside `extent` (picture
    // units, fixed point), given where column 0's centre maps and the step per column.
    void coveredRun(int64_t u0, int64_t du, int64_t extent, int &first, int &end)
    {
        if (du == 0) {
            if (u0 < 0 || u0 >= extent)
                end = first;
            return;
        }
        // 0 <= u0 + du × x < extent, solved for x and rounded inward; the checks below settle
        // the last pixel exactly in fixed point.
        double low = double(-u0) / double(du), high = double(extent - u0) / double(du);
        if (du < 0)
            std::swap(low, high);
        first = std::max(first, int(std::clamp(std::ceil(low) - 1, -1.0, 1e9)));
        end = std::min(end, int(std::clamp(std::floor(high) + 2, -1.0, 1e9)));
        const auto inside = [&](int x) {
            const int64_t u = u0 + du * x;
            return u >= 0 && u < extent;
        };
        while (first < end && !inside(first))
            ++first;
        while (end > first && !inside(end - 1))
            --end;
    }
} // namespace

void drawTransformed(QImage &target, const QRect &clip, const QImage &picture,
    const QTransform &pictureToTarget, Sampling sampling, std::optional<QRgb> outside)
{
    if (target.depth() == 32)
        drawTransformed(PixelRows { target.bits(), target.bytesPerLine(), target.rect() }, clip,
            picture, pictureToTarget, sampling, outside);
}

void drawTransformed(const PixelRows &target, const QRect &clip, const QImage &picture,
    const QTransform &pictureToTarget, Sampling sampling, std::optional<QRgb> outside)
{
    const QRect area = clip & target.bounds;
    bool invertible = false;
    const QTransform back = pictureToTarget.inverted(&invertible);
    if (area.isEmpty() || picture.isNull() || !invertible || picture.depth() != 32)
        return;
    const Picture p { picture.constBits(), picture.bytesPerLine(), picture.width(),
        picture.height() };
    const int64_t width = int64_t(p.width) * kOne, height = int64_t(p.height) * kOne;
    const auto fixed = [](double value) { return int64_t(std::llround(value * double(kOne))); };
    const int64_t du = fixed(back.m11()), dv = fixed(back.m12());
    const int64_t duRow = fixed(back.m21()), dvRow = fixed(back.m22());
    // Picture pixels that the row this many rows further down will read are fetched into the
    // cache ahead of it: a turned row reads across many picture rows, which the processor's
    // own prefetching does not foresee.
    constexpr int kAhead = 6;
    const uint32_t fill = outside.value_or(0);

    // Column blocks: a turned target row crosses a new picture row every few pixels, so a
    // whole row would leave the picture rows it read before the next target row comes back to
    // them; the picture rows under a block stay in the processor's caches.
    for (int left = area.left(); left <= area.right(); left += kBlockColumns) {
        const int right = std::min(area.right() + 1, left + kBlockColumns);
        for (int y = area.top(); y <= area.bottom(); ++y) {
            auto *row = reinterpret_cast<uint32_t *>(target.bits + target.bytesPerLine * y);
            // Where the centre of column 0 of this row maps.
            const double cy = y + 0.5;
            const int64_t u0 = fixed(back.m11() * 0.5 + back.m21() * cy + back.dx());
            const int64_t v0 = fixed(back.m12() * 0.5 + back.m22() * cy + back.dy());
            int first = left, end = right;
            coveredRun(u0, du, width, first, end);
            coveredRun(v0, dv, height, first, end);
            if (first >= end)
                first = end = right;
            if (outside) {
                std::fill(row + left, row + first, fill);
                std::fill(row + end, row + right, fill);
            }
            int64_t u = u0 + du * first, v = v0 + dv * first;
            if (sampling == Sampling::Nearest) {
                for (int x = first; x < end; ++x, u += du, v += dv) {
                    const int64_t pu = u + kAhead * duRow, pv = v + kAhead * dvRow;
                    __builtin_prefetch(p.address(pu, pv));
                    row[x] = over(p.row(int(v >> kFraction))[u >> kFraction], row[x]);
                }
            } else {
                u -= kOne / 2;
                v -= kOne / 2;
                for (int x = first; x < end; ++x, u += du, v += dv) {
                    const int64_t pu = u + kAhead * duRow, pv = v + kAhead * dvRow;
                    __builtin_prefetch(p.address(pu, pv));
                    __builtin_prefetch(p.address(pu, pv + kOne));
                    row[x] = over(bilinearAt(p, u, v), row[x]);
                }
            }
        }
    }
}

} // namespace pennova
