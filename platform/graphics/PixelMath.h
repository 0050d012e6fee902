#pragma once
// Pixel arithmetic shared by the graphics layer's own rasterising code (not a
// public interface): premultiplied BGRA pixels as four float lanes in memory
// order (lane 0 blue, 1 green, 2 red, 3 alpha), scaled to 0..1 or 0..255.

#include <smmintrin.h>

#include <cstdint>

namespace pv::px {

// Exact rounding of v / 255 for v in 0..65535.
inline uint32_t Div255(uint32_t v) { return (v + 128 + ((v + 128) >> 8)) >> 8; }

inline uint32_t MulDiv255(uint32_t a, uint32_t b) { return Div255(a * b); }

// Pixel to four floats 0..255.
inline __m128 Load255(uint32_t p) { return _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(p)))); }

// Four floats 0..255 to a pixel, rounded to nearest and saturated.
inline uint32_t Store255(__m128 v)
{
    const __m128i i = _mm_cvtps_epi32(v); // round to nearest (default MXCSR)
    const __m128i w = _mm_packs_epi32(i, i);
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(w, w)));
}

inline __m128 Load1(uint32_t p) { return _mm_mul_ps(Load255(p), _mm_set1_ps(1.0f / 255.0f)); }
inline uint32_t Store1(__m128 v) { return Store255(_mm_mul_ps(v, _mm_set1_ps(255.0f))); }

inline __m128 Alpha(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)); }

// Keeps a premultiplied value valid: alpha in 0..255 (or 0..1 scaled by top)
// and every colour lane at most alpha.
inline __m128 ClampPremul(__m128 v, float top)
{
    v = _mm_max_ps(v, _mm_setzero_ps());
    const __m128 a = _mm_min_ps(Alpha(v), _mm_set1_ps(top));
    return _mm_blend_ps(_mm_min_ps(v, a), a, 0x8);
}

// Straight colour from a premultiplied one (lanes 0..1); zero alpha gives zero.
inline __m128 Unpremul(__m128 v)
{
    const float a = _mm_cvtss_f32(Alpha(v));
    if (a <= 0)
        return _mm_setzero_ps();
    const __m128 u = _mm_mul_ps(v, _mm_set1_ps(1.0f / a));
    return _mm_blend_ps(_mm_min_ps(u, _mm_set1_ps(1.0f)), v, 0x8);
}

inline __m128 Premul(__m128 v) { return _mm_blend_ps(_mm_mul_ps(v, Alpha(v)), v, 0x8); }

// Source-over of a premultiplied source scaled by coverage c (0..255) onto dst,
// in 8-bit integer arithmetic.
inline uint32_t SrcOverCoverage(uint32_t s, uint32_t d, uint32_t c)
{
    if (c != 255) {
        const uint32_t rb = (s & 0x00FF00FFu) * c + 0x00800080u;
        const uint32_t ag = ((s >> 8) & 0x00FF00FFu) * c + 0x00800080u;
        s = (((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu) |
            ((ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u);
    }
    const uint32_t ia = 255 - (s >> 24);
    if (ia == 0)
        return s;
    const uint32_t rb = (d & 0x00FF00FFu) * ia + 0x00800080u;
    const uint32_t ag = ((d >> 8) & 0x00FF00FFu) * ia + 0x00800080u;
    return s + ((((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu) |
                ((ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u));
}

// Every channel of a pixel scaled by c / 255 (rounded).
inline uint32_t ScalePixel(uint32_t p, uint32_t c)
{
    const uint32_t rb = (p & 0x00FF00FFu) * c + 0x00800080u;
    const uint32_t ag = ((p >> 8) & 0x00FF00FFu) * c + 0x00800080u;
    return (((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu) | ((ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u);
}

} // namespace pv::px
