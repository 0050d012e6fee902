#include "platform/graphics/SkColorFilter.h"

#include "platform/graphics/PixelMath.h"

#include <cmath>

namespace pv {

std::array<float, 20> IdentityColorMatrix()
{
    return {1, 0, 0, 0, 0, //
            0, 1, 0, 0, 0, //
            0, 0, 1, 0, 0, //
            0, 0, 0, 1, 0};
}

SkColorFilter::SkColorFilter(BlendData b) : kind_(Kind::kBlend), blend_(b) {}

SkColorFilter::SkColorFilter(const std::array<float, 20>& m) : kind_(Kind::kMatrix), matrix_(m)
{
    matrixKeepsAlpha_ = m[15] == 0 && m[16] == 0 && m[17] == 0 && m[18] == 1 && m[19] == 0;
}

SkColorFilter::SkColorFilter(ISkColorFilter outer, ISkColorFilter inner)
    : kind_(Kind::kCompose), outer_(std::move(outer)), inner_(std::move(inner))
{
}

namespace {

// The filter's colour premultiplied in float (lanes b, g, r, a), so a
// translucent colour keeps its exact value.
__m128 ColorLanes(TAlphaColor straight) { return px::Premul(px::Load1(straight)); }

struct MatrixLanes {
    __m128 fromR, fromG, fromB, fromA, bias; // output lanes b, g, r, a
};

MatrixLanes MakeLanes(const std::array<float, 20>& m)
{
    // Row k of the matrix makes output channel k (R, G, B, A); lanes are B, G, R, A.
    auto col = [&](int c) { return _mm_setr_ps(m[10 + c], m[5 + c], m[0 + c], m[15 + c]); };
    return {col(0), col(1), col(2), col(3), col(4)};
}

inline uint32_t MatrixPixel(const MatrixLanes& L, uint32_t p)
{
    // Opaque pixels (most of a photograph) are their own straight colour.
    const uint32_t alpha = p >> 24;
    const __m128 u = alpha == 255 ? px::Load1(p) : px::Unpremul(px::Load1(p));
    const __m128 b = _mm_shuffle_ps(u, u, _MM_SHUFFLE(0, 0, 0, 0));
    const __m128 g = _mm_shuffle_ps(u, u, _MM_SHUFFLE(1, 1, 1, 1));
    const __m128 r = _mm_shuffle_ps(u, u, _MM_SHUFFLE(2, 2, 2, 2));
    const __m128 a = px::Alpha(u);
    __m128 v = _mm_add_ps(_mm_add_ps(_mm_mul_ps(L.fromR, r), _mm_mul_ps(L.fromG, g)),
                          _mm_add_ps(_mm_mul_ps(L.fromB, b), _mm_mul_ps(L.fromA, a)));
    v = _mm_add_ps(v, L.bias);
    v = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(1.0f));
    return px::Store1(px::Premul(v));
}

} // namespace

uint32_t SkColorFilter::filterPixel(uint32_t p) const
{
    uint32_t v = p;
    filterSpan(&v, 1);
    return v;
}

void SkColorFilter::filterSpan(uint32_t* pixels, int n) const
{
    switch (kind_) {
    case Kind::kCompose:
        if (inner_)
            inner_->filterSpan(pixels, n);
        if (outer_)
            outer_->filterSpan(pixels, n);
        return;
    case Kind::kMatrix: {
        const MatrixLanes L = MakeLanes(matrix_);
        if (matrixKeepsAlpha_) {
            for (int i = 0; i < n; ++i)
                if (pixels[i] != 0)
                    pixels[i] = MatrixPixel(L, pixels[i]);
            // A transparent pixel stays transparent when alpha is kept.
        } else {
            for (int i = 0; i < n; ++i)
                pixels[i] = MatrixPixel(L, pixels[i]);
        }
        return;
    }
    case Kind::kBlend: {
        const uint32_t c = PremultiplyColor(blend_.color);
        switch (blend_.mode) {
        case SkBlendMode::kSrcIn: {
            const __m128 col = ColorLanes(blend_.color);
            for (int i = 0; i < n; ++i) {
                const uint32_t a = pixels[i] >> 24;
                pixels[i] = a == 0 ? 0 : (a == 255 ? c : px::Store1(_mm_mul_ps(col, _mm_set1_ps(a / 255.0f))));
            }
            return;
        }
        case SkBlendMode::kModulate: {
            const __m128 col = ColorLanes(blend_.color);
            for (int i = 0; i < n; ++i)
                pixels[i] = px::Store1(_mm_mul_ps(col, px::Load1(pixels[i])));
            return;
        }
        default:
            for (int i = 0; i < n; ++i)
                pixels[i] = BlendPixel(blend_.mode, c, pixels[i]);
            return;
        }
    }
    }
}

ISkColorFilter SkColorFilters::Blend(TAlphaColor color, SkBlendMode mode)
{
    if (mode == SkBlendMode::kDst)
        return nullptr;
    return std::make_shared<const SkColorFilter>(SkColorFilter::BlendData{color, mode});
}

ISkColorFilter SkColorFilters::Matrix(const float rowMajor[20])
{
    if (!rowMajor)
        return nullptr;
    std::array<float, 20> m;
    for (int i = 0; i < 20; ++i) {
        if (!std::isfinite(rowMajor[i]))
            return nullptr;
        m[size_t(i)] = rowMajor[i];
    }
    return std::make_shared<const SkColorFilter>(m);
}

ISkColorFilter SkColorFilters::Compose(ISkColorFilter outer, ISkColorFilter inner)
{
    if (!outer)
        return inner;
    if (!inner)
        return outer;
    return std::make_shared<const SkColorFilter>(std::move(outer), std::move(inner));
}

} // namespace pv
