#include "platform/graphics/LuminanceBlend.h"

#include "platform/graphics/GraphicsParallel.h"
#include "platform/graphics/PixelMath.h"

#include <algorithm>

namespace pv {

namespace {

inline float Luma(__m128 p)
{
    // Lanes b, g, r, a.
    float v[4];
    _mm_storeu_ps(v, p);
    return 0.2126f * v[2] + 0.7152f * v[1] + 0.0722f * v[0];
}

} // namespace

uint32_t LuminanceBlendPixel(uint32_t src, uint32_t dst, float mix, bool lighten)
{
    const __m128 s = px::Load1(src), d = px::Load1(dst);
    const float ls = Luma(s), ld = Luma(d);
    const bool takeSrc = lighten ? ls >= ld : ls <= ld;
    const __m128 picked = takeSrc ? s : d;
    const __m128 out = _mm_add_ps(d, _mm_mul_ps(_mm_sub_ps(picked, d), _mm_set1_ps(mix)));
    return px::Store1(px::ClampPremul(out, 1.0f));
}

void LuminanceBlend(const SkPixmap& src, const SkPixmap& dst, float mix, bool lighten)
{
    if (!src.valid() || !dst.valid())
        return;
    const int w = std::min(src.width, dst.width), h = std::min(src.height, dst.height);
    GraphicsParallelFor(0, h, std::max(1, 16384 / w), [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = src.row(y);
            uint32_t* d = dst.row(y);
            for (int x = 0; x < w; ++x)
                d[x] = LuminanceBlendPixel(s[x], d[x], mix, lighten);
        }
    });
}

void AlphaBlend(const SkPixmap& src, const SkPixmap& dst, float alpha, bool multiply)
{
    if (!src.valid() || !dst.valid())
        return;
    const int w = std::min(src.width, dst.width), h = std::min(src.height, dst.height);
    const __m128 a = _mm_set1_ps(std::clamp(alpha, 0.0f, 1.0f));
    const __m128 one = _mm_set1_ps(1.0f);
    GraphicsParallelFor(0, h, std::max(1, 16384 / w), [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = src.row(y);
            uint32_t* d = dst.row(y);
            for (int x = 0; x < w; ++x) {
                const __m128 sv = _mm_mul_ps(px::Load1(s[x]), a), dv = px::Load1(d[x]);
                __m128 out = _mm_add_ps(sv, _mm_mul_ps(dv, _mm_sub_ps(one, px::Alpha(sv))));
                if (multiply)
                    out = _mm_add_ps(_mm_sub_ps(out, _mm_mul_ps(sv, px::Alpha(dv))), _mm_mul_ps(sv, dv));
                d[x] = px::Store1(px::ClampPremul(out, 1.0f));
            }
        }
    });
}

} // namespace pv
