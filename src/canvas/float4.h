#pragma once

// Four floats side by side, for loops that do the same arithmetic on four values at once: SSE2
// (the x86-64 baseline) where it exists, four plain floats elsewhere. Every operation gives in
// each lane exactly what the scalar operation gives (IEEE single precision, sqrt correctly
// rounded), so vector and scalar code paint the same pixels. min and max differ from std::min
// and std::max only in the sign of a zero result.

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#else
#include <cmath>
#endif

namespace pennova::simd {

#if defined(__SSE2__)

struct Float4;

// A lane mask: all bits set in the lanes where a comparison held.
struct Mask4
{
    __m128 v;
    Mask4 operator&(Mask4 o) const { return { _mm_and_ps(v, o.v) }; }
    Mask4 operator|(Mask4 o) const { return { _mm_or_ps(v, o.v) }; }
    Mask4 operator~() const { return { _mm_xor_ps(v, _mm_castsi128_ps(_mm_set1_epi32(-1))) }; }
    // Bit i set when lane i is set.
    int bits() const { return _mm_movemask_ps(v); }
    bool any() const { return bits() != 0; }
};

struct Float4
{
    __m128 v;

    Float4() = default;
    Float4(__m128 value)
        : v(value)
    { }
    Float4(float value)
        : v(_mm_set1_ps(value))
    { }
    Float4(float a, float b, float c, float d)
        : v(_mm_setr_ps(a, b, c, d))
    { }
    static Float4 load(const float *p) { return _mm_loadu_ps(p); }
    void store(float *p) const { _mm_storeu_ps(p, v); }

    Float4 operator+(Float4 o) const { return _mm_add_ps(v, o.v); }
    Float4 operator-(Float4 o) const { return _mm_sub_ps(v, o.v); }
    Float4 operator*(Float4 o) const { return _mm_mul_ps(v, o.v); }
    Float4 operator/(Float4 o) const { return _mm_div_ps(v, o.v); }
    Mask4 operator<(Float4 o) const { return { _mm_cmplt_ps(v, o.v) }; }
    Mask4 operator<=(Float4 o) const { return { _mm_cmple_ps(v, o.v) }; }
    Mask4 operator>(Float4 o) const { return { _mm_cmpgt_ps(v, o.v) }; }
    Mask4 operator>=(Float4 o) const { return { _mm_cmpge_ps(v, o.v) }; }
    Mask4 operator!=(Float4 o) const { return { _mm_cmpneq_ps(v, o.v) }; }
};

inline Float4 min(Float4 a, Float4 b)
{
    return _mm_min_ps(a.v, b.v);
}
inline Float4 max(Float4 a, Float4 b)
{
    return _mm_max_ps(a.v, b.v);
}
inline Float4 sqrt(Float4 a)
{
    return _mm_sqrt_ps(a.v);
}
// Lanes of a where the mask is set, of b elsewhere.
inline Float4 select(Mask4 m, Float4 a, Float4 b)
{
    return _mm_or_ps(_mm_and_ps(m.v, a.v), _mm_andnot_ps(m.v, b.v));
}
inline Mask4 allLanes()
{
    return { _mm_castsi128_ps(_mm_set1_epi32(-1)) };
}
inline Mask4 noLanes()
{
    return { _mm_setzero_ps() };
}

// ceil and floor to int of values within the int range (others give meaningless lanes).
inline void ceilToInt(Float4 a, int32_t *out)
{
    const __m128i t = _mm_cvttps_epi32(a.v);
    // Truncation rounds towards zero: one up where it fell below.
    const __m128i below = _mm_castps_si128(_mm_cmplt_ps(_mm_cvtepi32_ps(t), a.v));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_sub_epi32(t, below));
}
inline void floorToInt(Float4 a, int32_t *out)
{
    const __m128i t = _mm_cvttps_epi32(a.v);
    const __m128i above = _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(t), a.v));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_add_epi32(t, above));
}

#else

struct Float4;

struct Mask4
{
    bool v[4];
    Mask4 operator&(Mask4 o) const
    {
        return { { v[0] && o.v[0], v[1] && o.v[1], v[2] && o.v[2], v[3] && o.v[3] } };
    }
    Mask4 operator|(Mask4 o) const
    {
        return { { v[0] || o.v[0], v[1] || o.v[1], v[2] || o.v[2], v[3] || o.v[3] } };
    }
    Mask4 operator~() const { return { { !v[0], !v[1], !v[2], !v[3] } }; }
    int bits() const { return int(v[0]) | int(v[1]) << 1 | int(v[2]) << 2 | int(v[3]) << 3; }
    bool any() const { return bits() != 0; }
};

struct Float4
{
    float v[4];

    Float4() = default;
    Float4(float value)
        : v { value, value, value, value }
    { }
    Float4(float a, float b, float c, float d)
        : v { a, b, c, d }
    { }
    static Float4 load(const float *p) { return Float4(p[0], p[1], p[2], p[3]); }
    void store(float *p) const
    {
        for (int i = 0; i < 4; ++i)
            p[i] = v[i];
    }

    template <typename Op> Float4 map(Float4 o, Op op) const
    {
        return Float4(op(v[0], o.v[0]), op(v[1], o.v[1]), op(v[2], o.v[2]), op(v[3], o.v[3]));
    }
    template <typename Op> Mask4 test(Float4 o, Op op) const
    {
        return { { op(v[0], o.v[0]), op(v[1], o.v[1]), op(v[2], o.v[2]), op(v[3], o.v[3]) } };
    }
    Float4 operator+(Float4 o) const
    {
        return map(o, [](float a, float b) { return a + b; });
    }
    Float4 operator-(Float4 o) const
    {
        return map(o, [](float a, float b) { return a - b; });
    }
    Float4 operator*(Float4 o) const
    {
        return map(o, [](float a, float b) { return a * b; });
    }
    Float4 operator/(Float4 o) const
    {
        return map(o, [](float a, float b) { return a / b; });
    }
    Mask4 operator<(Float4 o) const
    {
        return test(o, [](float a, float b) { return a < b; });
    }
    Mask4 operator<=(Float4 o) const
    {
        return test(o, [](float a, float b) { return a <= b; });
    }
    Mask4 operator>(Float4 o) const
    {
        return test(o, [](float a, float b) { return a > b; });
    }
    Mask4 operator>=(Float4 o) const
    {
        return test(o, [](float a, float b) { return a >= b; });
    }
    Mask4 operator!=(Float4 o) const
    {
        return test(o, [](float a, float b) { return a != b; });
    }
};

inline Float4 min(Float4 a, Float4 b)
{
    return a.map(b, [](float x, float y) { return x < y ? x : y; });
}
inline Float4 max(Float4 a, Float4 b)
{
    return a.map(b, [](float x, float y) { return x > y ? x : y; });
}
inline Float4 sqrt(Float4 a)
{
    return a.map(a, [](float x, float) { return std::sqrt(x); });
}
inline Float4 select(Mask4 m, Float4 a, Float4 b)
{
    return Float4(m.v[0] ? a.v[0] : b.v[0], m.v[1] ? a.v[1] : b.v[1], m.v[2] ? a.v[2] : b.v[2],
        m.v[3] ? a.v[3] : b.v[3]);
}
inline Mask4 allLanes()
{
    return { { true, true, true, true } };
}
inline Mask4 noLanes()
{
    return { { false, false, false, false } };
}
inline void ceilToInt(Float4 a, int32_t *out)
{
    for (int i = 0; i < 4; ++i) {
        const int32_t t = int32_t(a.v[i]);
        out[i] = t + (float(t) < a.v[i]);
    }
}
inline void floorToInt(Float4 a, int32_t *out)
{
    for (int i = 0; i < 4; ++i) {
        const int32_t t = int32_t(a.v[i]);
        out[i] = t - (float(t) > a.v[i]);
    }
}

#endif

} // namespace pennova::simd
