#include "platform/graphics/ImageRasterizer.h"

#include "platform/graphics/GraphicsParallel.h"
#include "platform/graphics/PixelMath.h"
#include "platform/graphics/Resample.h"
#include "platform/graphics/SkImage.h"
#include "platform/graphics/SkMipmap.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pv {

namespace {

enum class Kind { kNearest, kLinear, kCubic };

// The four cubic tap weights as polynomials in the fractional position t:
// w(t) = a + t (b + t (c + t d)), lane i for tap i (offsets -1, 0, 1, 2).
struct CubicWeights {
    __m128 a, b, c, d;
};

// Coefficients in t of f(alpha + beta t) for the cubic f = f0 + f1 x + f2 x^2 + f3 x^3.
void Compose(const double f[4], double al, double be, double out[4])
{
    out[0] = f[0] + f[1] * al + f[2] * al * al + f[3] * al * al * al;
    out[1] = f[1] * be + f[2] * 2 * al * be + f[3] * 3 * al * al * be;
    out[2] = f[2] * be * be + f[3] * 3 * al * be * be;
    out[3] = f[3] * be * be * be;
}

CubicWeights MakeCubicWeights(float B, float C)
{
    // The Mitchell-Netravali family: near piece for |x| < 1, far piece for 1 <= |x| < 2.
    const double near[4] = {(6 - 2 * B) / 6.0, 0, (-18 + 12 * B + 6 * C) / 6.0, (12 - 9 * B - 6 * C) / 6.0};
    const double far[4] = {(8 * B + 24 * C) / 6.0, (-12 * B - 48 * C) / 6.0, (6 * B + 30 * C) / 6.0, (-B - 6 * C) / 6.0};
    double w[4][4];
    Compose(far, 1, 1, w[0]);   // tap -1 at distance 1 + t
    Compose(near, 0, 1, w[1]);  // tap 0 at distance t
    Compose(near, 1, -1, w[2]); // tap 1 at distance 1 - t
    Compose(far, 2, -1, w[3]);  // tap 2 at distance 2 - t
    auto lane = [&](int k) { return _mm_setr_ps(float(w[0][k]), float(w[1][k]), float(w[2][k]), float(w[3][k])); };
    return {lane(0), lane(1), lane(2), lane(3)};
}

inline __m128 EvalWeights(const CubicWeights& w, float t)
{
    const __m128 tv = _mm_set1_ps(t);
    return _mm_add_ps(w.a, _mm_mul_ps(tv, _mm_add_ps(w.b, _mm_mul_ps(tv, _mm_add_ps(w.c, _mm_mul_ps(tv, w.d))))));
}

template <int I>
inline __m128 Lane(__m128 v)
{
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(I, I, I, I));
}

struct Sampler {
    const uint8_t* base;
    size_t rowBytes;
    int x0, y0, x1, y1; // taps stay inside [x0, x1) x [y0, y1)

    const uint32_t* row(int y) const { return reinterpret_cast<const uint32_t*>(base + size_t(y) * rowBytes); }
    int cx(int x) const { return x < x0 ? x0 : (x >= x1 ? x1 - 1 : x); }
    int cy(int y) const { return y < y0 ? y0 : (y >= y1 ? y1 - 1 : y); }
};

inline int FloorInt(float v) { return int(std::floor(v)); }

inline uint32_t SampleNearest(const Sampler& s, float u, float v)
{
    return s.row(s.cy(FloorInt(v)))[s.cx(FloorInt(u))];
}

inline __m128 SampleLinear(const Sampler& s, float u, float v)
{
    const float fu = u - 0.5f, fv = v - 0.5f;
    const int xi = FloorInt(fu), yi = FloorInt(fv);
    const float tx = fu - float(xi), ty = fv - float(yi);
    const uint32_t *r0, *r1;
    int xa, xb;
    if (unsigned(xi - s.x0) < unsigned(s.x1 - s.x0 - 1) && unsigned(yi - s.y0) < unsigned(s.y1 - s.y0 - 1)) {
        // All four taps inside: no clamping (the common case).
        r0 = s.row(yi), r1 = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(r0) + s.rowBytes);
        xa = xi, xb = xi + 1;
    } else {
        r0 = s.row(s.cy(yi)), r1 = s.row(s.cy(yi + 1));
        xa = s.cx(xi), xb = s.cx(xi + 1);
    }
    const __m128 wx = _mm_set1_ps(tx), wy = _mm_set1_ps(ty);
    const __m128 p00 = px::Load255(r0[xa]), p10 = px::Load255(r0[xb]);
    const __m128 p01 = px::Load255(r1[xa]), p11 = px::Load255(r1[xb]);
    const __m128 top = _mm_add_ps(p00, _mm_mul_ps(_mm_sub_ps(p10, p00), wx));
    const __m128 bot = _mm_add_ps(p01, _mm_mul_ps(_mm_sub_ps(p11, p01), wx));
    return _mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bot, top), wy));
}

// Four horizontally adjacent pixels as float vectors, weighted and summed.
inline __m128 Row4(__m128i px4, __m128 wx)
{
    const __m128 p0 = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(px4));
    const __m128 p1 = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_srli_si128(px4, 4)));
    const __m128 p2 = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_srli_si128(px4, 8)));
    const __m128 p3 = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_srli_si128(px4, 12)));
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(p0, Lane<0>(wx)), _mm_mul_ps(p1, Lane<1>(wx))),
                      _mm_add_ps(_mm_mul_ps(p2, Lane<2>(wx)), _mm_mul_ps(p3, Lane<3>(wx))));
}

inline __m128 SampleCubic(const Sampler& s, const CubicWeights& cw, float u, float v)
{
    const float fu = u - 0.5f, fv = v - 0.5f;
    const int xi = FloorInt(fu), yi = FloorInt(fv);
    const __m128 wx = EvalWeights(cw, fu - float(xi));
    const __m128 wy = EvalWeights(cw, fv - float(yi));
    __m128 r[4];
    if (xi - 1 >= s.x0 && xi + 2 < s.x1 && yi - 1 >= s.y0 && yi + 2 < s.y1) {
        for (int j = 0; j < 4; ++j) {
            const uint32_t* p = s.row(yi - 1 + j) + (xi - 1);
            r[j] = Row4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), wx);
        }
    } else {
        const int xs[4] = {s.cx(xi - 1), s.cx(xi), s.cx(xi + 1), s.cx(xi + 2)};
        for (int j = 0; j < 4; ++j) {
            const uint32_t* p = s.row(s.cy(yi - 1 + j));
            r[j] = Row4(_mm_setr_epi32(int(p[xs[0]]), int(p[xs[1]]), int(p[xs[2]]), int(p[xs[3]])), wx);
        }
    }
    const __m128 sum = _mm_add_ps(_mm_add_ps(_mm_mul_ps(r[0], Lane<0>(wy)), _mm_mul_ps(r[1], Lane<1>(wy))),
                                  _mm_add_ps(_mm_mul_ps(r[2], Lane<2>(wy)), _mm_mul_ps(r[3], Lane<3>(wy))));
    // Negative lobes can overshoot: keep the result a valid premultiplied pixel.
    return px::ClampPremul(sum, 255.0f);
}

// Alpha-only sampling (0..255) for drawings that only take the picture's
// coverage (a stamp tinted by a SrcIn colour filter).
inline const uint8_t* AlphaRow(const Sampler& s, int y) { return s.base + size_t(y) * s.rowBytes + 3; }

inline float SampleNearestA(const Sampler& s, float u, float v)
{
    return float(AlphaRow(s, s.cy(FloorInt(v)))[4 * s.cx(FloorInt(u))]);
}

inline float SampleLinearA(const Sampler& s, float u, float v)
{
    const float fu = u - 0.5f, fv = v - 0.5f;
    const int xi = FloorInt(fu), yi = FloorInt(fv);
    const float tx = fu - float(xi), ty = fv - float(yi);
    const uint8_t *r0, *r1;
    int xa, xb;
    if (unsigned(xi - s.x0) < unsigned(s.x1 - s.x0 - 1) && unsigned(yi - s.y0) < unsigned(s.y1 - s.y0 - 1)) {
        r0 = AlphaRow(s, yi), r1 = r0 + s.rowBytes;
        xa = 4 * xi, xb = xa + 4;
    } else {
        r0 = AlphaRow(s, s.cy(yi)), r1 = AlphaRow(s, s.cy(yi + 1));
        xa = 4 * s.cx(xi), xb = 4 * s.cx(xi + 1);
    }
    const float top = float(r0[xa]) + (float(r0[xb]) - float(r0[xa])) * tx;
    const float bot = float(r1[xa]) + (float(r1[xb]) - float(r1[xa])) * tx;
    return top + (bot - top) * ty;
}

inline float SampleCubicA(const Sampler& s, const CubicWeights& cw, float u, float v)
{
    const float fu = u - 0.5f, fv = v - 0.5f;
    const int xi = FloorInt(fu), yi = FloorInt(fv);
    const __m128 wx = EvalWeights(cw, fu - float(xi));
    const __m128 wy = EvalWeights(cw, fv - float(yi));
    __m128 rows[4]; // lane i: tap column i of row j
    if (xi - 1 >= s.x0 && xi + 2 < s.x1 && yi - 1 >= s.y0 && yi + 2 < s.y1) {
        // Four adjacent pixels per row in one load; their alpha bytes to lanes.
        const __m128i pick = _mm_setr_epi8(3, -1, -1, -1, 7, -1, -1, -1, 11, -1, -1, -1, 15, -1, -1, -1);
        const uint8_t* p = s.base + size_t(yi - 1) * s.rowBytes + size_t(xi - 1) * 4;
        for (int j = 0; j < 4; ++j, p += s.rowBytes)
            rows[j] = _mm_cvtepi32_ps(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), pick));
    } else {
        const int xs[4] = {4 * s.cx(xi - 1), 4 * s.cx(xi), 4 * s.cx(xi + 1), 4 * s.cx(xi + 2)};
        for (int j = 0; j < 4; ++j) {
            const uint8_t* a = AlphaRow(s, s.cy(yi - 1 + j));
            rows[j] = _mm_setr_ps(float(a[xs[0]]), float(a[xs[1]]), float(a[xs[2]]), float(a[xs[3]]));
        }
    }
    const __m128 col = _mm_add_ps(_mm_add_ps(_mm_mul_ps(rows[0], Lane<0>(wy)), _mm_mul_ps(rows[1], Lane<1>(wy))),
                                  _mm_add_ps(_mm_mul_ps(rows[2], Lane<2>(wy)), _mm_mul_ps(rows[3], Lane<3>(wy))));
    const float out = _mm_cvtss_f32(_mm_dp_ps(col, wx, 0xF1));
    return std::clamp(out, 0.0f, 255.0f);
}

// Everything one drawing needs per pixel, set up once.
struct DrawSetup {
    RasterTarget target;
    RasterPaint paint;
    SkIRect area;
    // Device -> source (coverage) and device -> sampled pixmap.
    SkMatrix toSrc, toSample;
    SkRect rect;                // source rectangle (coverage)
    float invGradU, invGradV;   // 1 / |grad u|, 1 / |grad v|: source units to device pixels
    float marginU, marginV;     // how far outside the rectangle coverage can reach, in source units
    Sampler sampler;
    CubicWeights cubic;
    uint8_t alpha8;
    __m128 tint; // premultiplied SrcIn colour, 0..255 lanes, when tinting
};

inline uint8_t CoverageAA(const DrawSetup& d, float u, float v)
{
    // Per axis: the parts of the pixel past the near and the far edge, each
    // clamped to 0..1, give the covered share a + b - 1.
    const __m128 e = _mm_mul_ps(_mm_sub_ps(_mm_setr_ps(u, d.rect.right, v, d.rect.bottom),
                                           _mm_setr_ps(d.rect.left, u, d.rect.top, v)),
                                _mm_setr_ps(d.invGradU, d.invGradU, d.invGradV, d.invGradV));
    const __m128 c = _mm_min_ps(_mm_max_ps(_mm_add_ps(e, _mm_set1_ps(0.5f)), _mm_setzero_ps()), _mm_set1_ps(1.0f));
    float k[4];
    _mm_storeu_ps(k, c);
    const float cu = std::max(0.0f, k[0] + k[1] - 1.0f), cv = std::max(0.0f, k[2] + k[3] - 1.0f);
    return uint8_t(cu * cv * 255.0f + 0.5f);
}

inline uint8_t CoverageHard(const DrawSetup& d, float u, float v)
{
    return (u >= d.rect.left && u < d.rect.right && v >= d.rect.top && v < d.rect.bottom) ? 255 : 0;
}

// Columns [xa, xb) of row y whose pixel centres map inside the source
// rectangle grown by (growU, growV) source units (negative shrinks it).
// Outer spans round outwards, inner ones inwards, so a pixel outside the
// inner span may still be fully covered but never the other way round.
void RowSpan(const DrawSetup& d, int y, float growU, float growV, bool inner, int& xa, int& xb)
{
    const double cy = double(y) + 0.5;
    double lo = d.area.left, hi = d.area.right;
    auto limit = [&](double c0, double slope, double mn, double mx) {
        // mn < c0 + slope * (x + 0.5) < mx
        if (mn >= mx) {
            hi = lo;
            return;
        }
        if (slope == 0) {
            if (inner ? (c0 <= mn || c0 >= mx) : (c0 < mn - 1e-4 || c0 > mx + 1e-4))
                hi = lo;
            return;
        }
        double a = (mn - c0) / slope - 0.5, b = (mx - c0) / slope - 0.5;
        if (a > b)
            std::swap(a, b);
        if (inner) {
            lo = std::max(lo, std::ceil(a + 1e-3));
            hi = std::min(hi, std::floor(b - 1e-3) + 1);
        } else {
            lo = std::max(lo, std::floor(a));
            hi = std::min(hi, std::ceil(b) + 1);
        }
    };
    const SkMatrix& m = d.toSrc;
    limit(m.getSkewX() * cy + m.getTranslateX(), m.getScaleX(), d.rect.left - growU, d.rect.right + growU);
    limit(m.getScaleY() * cy + m.getTranslateY(), m.getSkewY(), d.rect.top - growV, d.rect.bottom + growV);
    xa = int(lo);
    xb = std::max(xa, int(hi));
}

template <Kind K, bool AA>
void DrawRows(const DrawSetup& d, int yLo, int yHi)
{
    uint32_t src[kSpanChunk];
    uint8_t cov[kSpanChunk];
    const float alpha = d.paint.alpha;
    const __m128 alphaV = _mm_set1_ps(alpha);
    const bool scaled = alpha < 1.0f;
    // Local copies: the compiler then knows the span buffers' stores leave them alone.
    const Sampler smp = d.sampler;
    const CubicWeights cw = d.cubic;
    const uint32_t alpha8 = d.alpha8;
    // Inside the inner span every pixel is fully covered.
    const float innerU = AA ? -0.5f / d.invGradU : 0.0f, innerV = AA ? -0.5f / d.invGradV : 0.0f;
    for (int y = yLo; y < yHi; ++y) {
        int xa, xb, ia, ib;
        RowSpan(d, y, d.marginU, d.marginV, false, xa, xb);
        if (xa >= xb)
            continue;
        RowSpan(d, y, innerU, innerV, true, ia, ib);
        if (ia >= ib)
            ia = ib = xa;
        const float cy = float(y) + 0.5f;
        uint32_t* dstRow = d.target.row(y);
        for (int xs = xa; xs < xb; xs += kSpanChunk) {
            const int n = std::min(kSpanChunk, xb - xs);
            const SkPoint c0 = d.toSrc.mapXY(float(xs) + 0.5f, cy);
            const SkPoint s0 = d.toSample.mapXY(float(xs) + 0.5f, cy);
            const float du = d.toSrc.getScaleX(), dv = d.toSrc.getSkewY();
            const float dsu = d.toSample.getScaleX(), dsv = d.toSample.getSkewY();
            for (int i = 0; i < n; ++i) {
                const int x = xs + i;
                uint8_t c = 255;
                if (x < ia || x >= ib) {
                    const float u = c0.fX + du * float(i), v = c0.fY + dv * float(i);
                    c = AA ? CoverageAA(d, u, v) : CoverageHard(d, u, v);
                }
                cov[i] = c;
                if (c == 0) {
                    src[i] = 0;
                    continue;
                }
                const float su = s0.fX + dsu * float(i), sv = s0.fY + dsv * float(i);
                if constexpr (K == Kind::kNearest) {
                    const uint32_t p = SampleNearest(smp, su, sv);
                    src[i] = scaled ? px::ScalePixel(p, alpha8) : p;
                } else if constexpr (K == Kind::kLinear) {
                    const __m128 p = SampleLinear(smp, su, sv);
                    src[i] = px::Store255(scaled ? _mm_mul_ps(p, alphaV) : p);
                } else {
                    const __m128 p = SampleCubic(smp, cw, su, sv);
                    src[i] = px::Store255(scaled ? _mm_mul_ps(p, alphaV) : p);
                }
            }
            ApplyClipCoverage(d.target.clip, xs, y, n, cov);
            FinishSpan(d.paint, dstRow + xs, src, cov, n);
        }
    }
}

// Four pixels' taps: lane k of the result holds the byte at base + off[k] + delta.
inline __m128 Gather4(const uint8_t* base, const int* off, int delta)
{
    return _mm_cvtepi32_ps(_mm_setr_epi32(base[off[0] + delta], base[off[1] + delta], base[off[2] + delta],
                                          base[off[3] + delta]));
}

// Linear alpha (0..255) of four horizontally adjacent pixels sampled at
// (su, sv) lanes; false (nothing computed) when a tap would leave the tap
// rectangle.
inline bool SampleLinearAlpha4(const Sampler& s, __m128 su, __m128 sv, __m128& out)
{
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 fu = _mm_sub_ps(su, half), fv = _mm_sub_ps(sv, half);
    const __m128 flu = _mm_floor_ps(fu), flv = _mm_floor_ps(fv);
    const __m128i xi = _mm_cvttps_epi32(flu), yi = _mm_cvttps_epi32(flv);
    const __m128i okX = _mm_and_si128(_mm_cmpgt_epi32(xi, _mm_set1_epi32(s.x0 - 1)), _mm_cmplt_epi32(xi, _mm_set1_epi32(s.x1 - 1)));
    const __m128i okY = _mm_and_si128(_mm_cmpgt_epi32(yi, _mm_set1_epi32(s.y0 - 1)), _mm_cmplt_epi32(yi, _mm_set1_epi32(s.y1 - 1)));
    if (_mm_movemask_ps(_mm_castsi128_ps(_mm_and_si128(okX, okY))) != 0xF)
        return false;
    const int rb = int(s.rowBytes);
    alignas(16) int off[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(off),
                    _mm_add_epi32(_mm_mullo_epi32(yi, _mm_set1_epi32(rb)), _mm_slli_epi32(xi, 2)));
    const uint8_t* base = s.base + 3; // the alpha byte of each pixel
    const __m128 tx = _mm_sub_ps(fu, flu), ty = _mm_sub_ps(fv, flv);
    const __m128 a00 = Gather4(base, off, 0), a10 = Gather4(base, off, 4);
    const __m128 a01 = Gather4(base, off, rb), a11 = Gather4(base, off, rb + 4);
    const __m128 top = _mm_add_ps(a00, _mm_mul_ps(_mm_sub_ps(a10, a00), tx));
    const __m128 bot = _mm_add_ps(a01, _mm_mul_ps(_mm_sub_ps(a11, a01), tx));
    out = _mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bot, top), ty));
    return true;
}

// dst := tint * t + dst * (1 - tint.a * t / 255) for four pixels (t lanes).
inline void TintOver4(uint32_t* dst, __m128 tint, __m128 t)
{
    const __m128 keep = _mm_sub_ps(_mm_set1_ps(1.0f), _mm_mul_ps(_mm_mul_ps(px::Alpha(tint), t), _mm_set1_ps(1.0f / 255.0f)));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
    __m128i o[4];
    auto one = [&](__m128i bytes, __m128 tk, __m128 kk) {
        const __m128 dv = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(bytes));
        return _mm_cvtps_epi32(_mm_add_ps(_mm_mul_ps(tint, tk), _mm_mul_ps(dv, kk)));
    };
    o[0] = one(d, Lane<0>(t), Lane<0>(keep));
    o[1] = one(_mm_srli_si128(d, 4), Lane<1>(t), Lane<1>(keep));
    o[2] = one(_mm_srli_si128(d, 8), Lane<2>(t), Lane<2>(keep));
    o[3] = one(_mm_srli_si128(d, 12), Lane<3>(t), Lane<3>(keep));
    const __m128i lo = _mm_packs_epi32(o[0], o[1]), hi = _mm_packs_epi32(o[2], o[3]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(lo, hi));
}

// The brush-stamp path: the picture's alpha, times the paint's alpha and
// the coverage, tints the SrcIn colour, which is laid source-over onto the
// target in one pass without span buffers. Fully covered runs of linear
// sampling go four pixels at a time.
template <Kind K, bool AA>
void DrawRowsTinted(const DrawSetup& d, int yLo, int yHi)
{
    const Sampler smp = d.sampler;
    const CubicWeights cw = d.cubic;
    const __m128 tint = d.tint;
    const float scale = d.paint.alpha * (1.0f / 255.0f);
    const SkClipMask* clip = d.target.clip;
    const float innerU = AA ? -0.5f / d.invGradU : 0.0f, innerV = AA ? -0.5f / d.invGradV : 0.0f;
    // Four-pixel taps use 32-bit byte offsets.
    const bool wide = double(smp.y1) * double(smp.rowBytes) < 2.0e9;
    const float du = d.toSrc.getScaleX(), dv = d.toSrc.getSkewY();
    const float dsu = d.toSample.getScaleX(), dsv = d.toSample.getSkewY();
    const __m128 steps = _mm_setr_ps(0, 1, 2, 3);
    for (int y = yLo; y < yHi; ++y) {
        int xa, xb, ia, ib;
        RowSpan(d, y, d.marginU, d.marginV, false, xa, xb);
        if (xa >= xb)
            continue;
        RowSpan(d, y, innerU, innerV, true, ia, ib);
        if (ia >= ib)
            ia = ib = xa;
        const uint8_t* clipRow = nullptr;
        if (clip) {
            if (y < clip->bounds.top || y >= clip->bounds.bottom)
                continue;
            xa = std::max(xa, clip->bounds.left), xb = std::min(xb, clip->bounds.right);
            clipRow = clip->row(y) - clip->bounds.left;
        }
        const float cy = float(y) + 0.5f;
        uint32_t* dstRow = d.target.row(y);
        const SkPoint c0 = d.toSrc.mapXY(float(xa) + 0.5f, cy);
        const SkPoint s0 = d.toSample.mapXY(float(xa) + 0.5f, cy);
        auto pixel = [&](int x) {
            const float i = float(x - xa);
            float c = 1.0f;
            if (x < ia || x >= ib) {
                const float u = c0.fX + du * i, v = c0.fY + dv * i;
                c = float(AA ? CoverageAA(d, u, v) : CoverageHard(d, u, v)) * (1.0f / 255.0f);
            }
            if (clipRow)
                c *= float(clipRow[x]) * (1.0f / 255.0f);
            if (c <= 0.0f)
                return;
            const float su = s0.fX + dsu * i, sv = s0.fY + dsv * i;
            float a;
            if constexpr (K == Kind::kNearest)
                a = SampleNearestA(smp, su, sv);
            else if constexpr (K == Kind::kLinear)
                a = SampleLinearA(smp, su, sv);
            else
                a = SampleCubicA(smp, cw, su, sv);
            const float t = a * scale * c;
            if (t <= 0.0f)
                return;
            const __m128 src = _mm_mul_ps(tint, _mm_set1_ps(t));
            const __m128 keep = _mm_sub_ps(_mm_set1_ps(1.0f), _mm_mul_ps(px::Alpha(src), _mm_set1_ps(1.0f / 255.0f)));
            dstRow[x] = px::Store255(_mm_add_ps(src, _mm_mul_ps(px::Load255(dstRow[x]), keep)));
        };
        int x = xa;
        for (; x < std::min(ia, xb); ++x)
            pixel(x);
        if constexpr (K == Kind::kLinear) {
            for (; wide && x + 4 <= ib; x += 4) {
                const __m128 i = _mm_add_ps(_mm_set1_ps(float(x - xa)), steps);
                const __m128 su = _mm_add_ps(_mm_set1_ps(s0.fX), _mm_mul_ps(_mm_set1_ps(dsu), i));
                const __m128 sv = _mm_add_ps(_mm_set1_ps(s0.fY), _mm_mul_ps(_mm_set1_ps(dsv), i));
                __m128 a;
                if (!SampleLinearAlpha4(smp, su, sv, a)) {
                    for (int k = 0; k < 4; ++k)
                        pixel(x + k);
                    continue;
                }
                __m128 t = _mm_mul_ps(a, _mm_set1_ps(scale));
                if (clipRow) {
                    const __m128 cl = _mm_setr_ps(clipRow[x], clipRow[x + 1], clipRow[x + 2], clipRow[x + 3]);
                    t = _mm_mul_ps(t, _mm_mul_ps(cl, _mm_set1_ps(1.0f / 255.0f)));
                }
                // Transparent parts of the stamp leave the target alone.
                if (_mm_movemask_ps(_mm_cmpgt_ps(t, _mm_setzero_ps())) == 0)
                    continue;
                TintOver4(dstRow + x, tint, t);
            }
        }
        for (; x < xb; ++x)
            pixel(x);
    }
}

template <Kind K, bool AA, bool Tinted>
void DrawAll(const DrawSetup& d)
{
    auto rows = [&](int lo, int hi) {
        if constexpr (Tinted)
            DrawRowsTinted<K, AA>(d, lo, hi);
        else
            DrawRows<K, AA>(d, lo, hi);
    };
    const int64_t pixels = int64_t(d.area.width()) * d.area.height();
    if (pixels < 65536) {
        rows(d.area.top, d.area.bottom);
        return;
    }
    const int grain = std::max(1, 16384 / std::max(1, d.area.width()));
    GraphicsParallelFor(d.area.top, d.area.bottom, grain, rows);
}

template <Kind K>
void DrawAllKinds(const DrawSetup& d, bool tinted)
{
    if (tinted)
        d.paint.antiAlias ? DrawAll<K, true, true>(d) : DrawAll<K, false, true>(d);
    else
        d.paint.antiAlias ? DrawAll<K, true, false>(d) : DrawAll<K, false, false>(d);
}

// Whole-pixel translation of a whole-pixel rectangle: pixels are copied.
void DrawCopy(const RasterTarget& t, const SkPixmap& src, const SkIRect& srcRect, int tx, int ty, const RasterPaint& paint)
{
    SkIRect area = srcRect.makeOffset(tx, ty);
    if (!area.intersect(t.bounds))
        return;
    const uint8_t alpha8 = uint8_t(std::clamp(paint.alpha, 0.0f, 1.0f) * 255.0f + 0.5f);
    const bool direct = alpha8 == 255 && !paint.colorFilter && !t.clip;
    auto rows = [&](int lo, int hi) {
        uint32_t buf[kSpanChunk];
        uint8_t cov[kSpanChunk];
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = src.row(y - ty) - tx;
            uint32_t* d = t.row(y);
            if (direct) {
                BlendSpan(paint.mode, d + area.left, s + area.left, nullptr, area.width());
                continue;
            }
            for (int xs = area.left; xs < area.right; xs += kSpanChunk) {
                const int n = std::min(kSpanChunk, area.right - xs);
                for (int i = 0; i < n; ++i)
                    buf[i] = alpha8 == 255 ? s[xs + i] : px::ScalePixel(s[xs + i], alpha8);
                const uint8_t* c = nullptr;
                if (t.clip) {
                    std::fill_n(cov, n, uint8_t(255));
                    ApplyClipCoverage(t.clip, xs, y, n, cov);
                    c = cov;
                }
                FinishSpan(paint, d + xs, buf, c, n);
            }
        }
    };
    const int64_t pixels = int64_t(area.width()) * area.height();
    if (pixels < 65536)
        rows(area.top, area.bottom);
    else
        GraphicsParallelFor(area.top, area.bottom, std::max(1, 16384 / area.width()), rows);
}

// Per-axis coverage of an axis-aligned rectangle [lo, hi) for pixel centre
// c (source units), gradient g source units per device pixel.
inline uint8_t AxisCoverage(float lo, float hi, float c, float g, bool aa)
{
    if (!aa)
        return c >= lo && c < hi ? 255 : 0;
    const float a = std::clamp((c - lo) / g + 0.5f, 0.0f, 1.0f), b = std::clamp((hi - c) / g + 0.5f, 0.0f, 1.0f);
    return uint8_t(std::max(0.0f, a + b - 1.0f) * 255.0f + 0.5f);
}

// Axis-aligned linear scaling is separable: each output row lerps two
// source rows once (over the columns it needs), then every output pixel
// lerps two entries of that row with column taps computed once per drawing.
void DrawLinearScaled(const DrawSetup& d)
{
    const SkIRect& area = d.area;
    const int W = area.width();
    const Sampler smp = d.sampler;
    const float ssx = d.toSample.getScaleX(), stx = d.toSample.getTranslateX();
    const float ssy = d.toSample.getScaleY(), sty = d.toSample.getTranslateY();
    const float csx = d.toSrc.getScaleX(), ctx = d.toSrc.getTranslateX();
    const float csy = d.toSrc.getScaleY(), cty = d.toSrc.getTranslateY();
    std::vector<int> xa(static_cast<size_t>(W)), xb(static_cast<size_t>(W));
    std::vector<float> wx(static_cast<size_t>(W));
    std::vector<uint8_t> covX(static_cast<size_t>(W));
    int cmin = smp.x1, cmax = smp.x0;
    for (int i = 0; i < W; ++i) {
        const float cx = float(area.left + i) + 0.5f;
        const float u = ssx * cx + stx - 0.5f;
        const int x0 = FloorInt(u);
        xa[size_t(i)] = smp.cx(x0), xb[size_t(i)] = smp.cx(x0 + 1), wx[size_t(i)] = u - float(x0);
        covX[size_t(i)] = AxisCoverage(d.rect.left, d.rect.right, csx * cx + ctx, std::abs(csx), d.paint.antiAlias);
        if (covX[size_t(i)]) {
            cmin = std::min(cmin, xa[size_t(i)]);
            cmax = std::max(cmax, xb[size_t(i)]);
        }
    }
    if (cmin > cmax)
        return;
    // Uncovered columns draw nothing, but the span loop still reads their taps:
    // point them inside the row segment that is lerped.
    for (int i = 0; i < W; ++i)
        if (!covX[size_t(i)])
            xa[size_t(i)] = xb[size_t(i)] = cmin;
    const bool fullX = std::all_of(covX.begin(), covX.end(), [](uint8_t c) { return c == 255; });
    const float alpha = d.paint.alpha;
    auto rows = [&](int lo, int hi) {
        struct F4 {
            __m128 v;
        };
        std::vector<F4> line(size_t(cmax - cmin + 1));
        uint32_t src[kSpanChunk];
        uint8_t cov[kSpanChunk];
        for (int y = lo; y < hi; ++y) {
            const float cy = float(y) + 0.5f;
            const uint8_t covY = AxisCoverage(d.rect.top, d.rect.bottom, csy * cy + cty, std::abs(csy), d.paint.antiAlias);
            if (covY == 0)
                continue;
            const float v = ssy * cy + sty - 0.5f;
            const int y0 = FloorInt(v);
            const __m128 ty = _mm_set1_ps(v - float(y0));
            const uint32_t* r0 = smp.row(smp.cy(y0));
            const uint32_t* r1 = smp.row(smp.cy(y0 + 1));
            for (int c = cmin; c <= cmax; ++c) {
                const __m128 a = px::Load255(r0[c]), b = px::Load255(r1[c]);
                line[size_t(c - cmin)].v = _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), ty));
            }
            const F4* L = line.data() - cmin;
            uint32_t* dstRow = d.target.row(y);
            const bool full = fullX && covY == 255 && !d.target.clip;
            for (int xs = 0; xs < W; xs += kSpanChunk) {
                const int n = std::min(kSpanChunk, W - xs);
                for (int i = 0; i < n; ++i) {
                    const size_t k = size_t(xs + i);
                    const __m128 a = L[xa[k]].v, b = L[xb[k]].v;
                    __m128 p = _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), _mm_set1_ps(wx[k])));
                    if (alpha < 1.0f)
                        p = _mm_mul_ps(p, _mm_set1_ps(alpha));
                    src[i] = px::Store255(p);
                    if (!full)
                        cov[i] = uint8_t((uint32_t(covX[k]) * covY + 127) / 255);
                }
                if (!full)
                    ApplyClipCoverage(d.target.clip, area.left + xs, y, n, cov);
                FinishSpan(d.paint, dstRow + area.left + xs, src, full ? nullptr : cov, n);
            }
        }
    };
    if (int64_t(W) * area.height() < 65536)
        rows(area.top, area.bottom);
    else
        GraphicsParallelFor(area.top, area.bottom, std::max(1, 16384 / W), rows);
}

// Axis-aligned cubic scaling by the separable resampler into a scratch
// raster, then blended with the rectangle's coverage.
void DrawCubicScaled(const DrawSetup& d, const SkPixmap& src, const SkRect& srcRect, const SkRect& devRect, float B,
                     float C)
{
    const SkIRect& area = d.area;
    thread_local std::vector<uint32_t> scratch;
    scratch.resize(size_t(area.width()) * size_t(area.height()));
    const SkPixmap tmp{reinterpret_cast<uint8_t*>(scratch.data()), area.width(), area.height(), size_t(area.width()) * 4};
    if (!ResampleCubic(src, srcRect, tmp, devRect.makeOffset(-float(area.left), -float(area.top)), B, C))
        return;
    auto rows = [&](int lo, int hi) {
        uint32_t buf[kSpanChunk];
        uint8_t cov[kSpanChunk];
        for (int y = lo; y < hi; ++y) {
            const float cy = float(y) + 0.5f;
            const uint32_t* s = tmp.row(y - area.top) - area.left;
            for (int xs = area.left; xs < area.right; xs += kSpanChunk) {
                const int n = std::min(kSpanChunk, area.right - xs);
                for (int i = 0; i < n; ++i) {
                    const SkPoint uv = d.toSrc.mapXY(float(xs + i) + 0.5f, cy);
                    cov[i] = d.paint.antiAlias ? CoverageAA(d, uv.fX, uv.fY) : CoverageHard(d, uv.fX, uv.fY);
                    buf[i] = d.alpha8 == 255 ? s[xs + i] : px::ScalePixel(s[xs + i], d.alpha8);
                }
                ApplyClipCoverage(d.target.clip, xs, y, n, cov);
                FinishSpan(d.paint, d.target.row(y) + xs, buf, cov, n);
            }
        }
    };
    if (int64_t(area.width()) * area.height() < 65536)
        rows(area.top, area.bottom);
    else
        GraphicsParallelFor(area.top, area.bottom, std::max(1, 16384 / area.width()), rows);
}

bool IsWhole(float v) { return v == std::floor(v) && std::abs(v) < 1e9f; }

} // namespace

void DrawImageRaster(const RasterTarget& target, const ImageSource& source, const SkRect& srcRectIn,
                     const SkMatrix& srcToDevice, const SkSamplingOptions& sampling, bool strict,
                     const RasterPaint& paint)
{
    const SkPixmap& base = source.pixels;
    if (!base.valid() || !srcRectIn.isFinite() || srcRectIn.isEmpty() || !srcToDevice.isFinite() || !(paint.alpha > 0))
        return;
    SkMatrix toSrc;
    if (!srcToDevice.invert(&toSrc))
        return;
    const SkRect srcRect = srcRectIn;
    const SkRect devRect = srcToDevice.mapRect(srcRect);
    if (!devRect.isFinite())
        return;
    SkIRect area = devRect.roundOut();
    if (!area.intersect(target.bounds))
        return;

    // Taps allowed: the source rectangle rounded out (strict) or the whole picture.
    SkIRect tapRect = SkIRect::MakeWH(base.width, base.height);
    if (strict && !tapRect.intersect(srcRect.roundOut()))
        return;

    if (srcToDevice.isIntegerTranslate() && IsWhole(srcRect.left) && IsWhole(srcRect.top) && IsWhole(srcRect.right) &&
        IsWhole(srcRect.bottom)) {
        SkIRect r = srcRect.roundOut();
        if (!r.intersect(SkIRect::MakeWH(base.width, base.height)))
            return;
        DrawCopy(target, base, r, int(srcToDevice.getTranslateX()), int(srcToDevice.getTranslateY()), paint);
        return;
    }

    DrawSetup d;
    d.target = target;
    d.paint = paint;
    d.area = area;
    d.toSrc = toSrc;
    d.toSample = toSrc;
    d.rect = srcRect;
    const float gu = std::hypot(toSrc.getScaleX(), toSrc.getSkewX());
    const float gv = std::hypot(toSrc.getSkewY(), toSrc.getScaleY());
    d.invGradU = gu > 0 ? 1.0f / gu : 1e30f;
    d.invGradV = gv > 0 ? 1.0f / gv : 1e30f;
    d.marginU = paint.antiAlias ? 0.5f * gu : 0.0f;
    d.marginV = paint.antiAlias ? 0.5f * gv : 0.0f;
    d.alpha8 = uint8_t(std::clamp(paint.alpha, 0.0f, 1.0f) * 255.0f + 0.5f);

    SkPixmap pm = base;
    Kind kind = sampling.useCubic ? Kind::kCubic
                                  : (sampling.filter == SkFilterMode::kLinear ? Kind::kLinear : Kind::kNearest);
    if (kind != Kind::kCubic && sampling.mipmap != SkMipmapMode::kNone && source.image) {
        const float det = std::abs(srcToDevice.getScaleX() * srcToDevice.getScaleY() -
                                   srcToDevice.getSkewX() * srcToDevice.getSkewY());
        const SkMipmap& mips = source.image->mipmap();
        const int level = SkMipmap::LevelForScale(std::sqrt(det), mips.levelCount());
        if (level > 0) {
            pm = mips.level(level);
            const float sx = float(pm.width) / float(base.width), sy = float(pm.height) / float(base.height);
            d.toSample = SkMatrix::Concat(SkMatrix::Scale(sx, sy), toSrc);
            SkIRect t{int(std::floor(tapRect.left * sx)), int(std::floor(tapRect.top * sy)),
                      int(std::ceil(tapRect.right * sx)), int(std::ceil(tapRect.bottom * sy))};
            t.right = std::max(t.right, t.left + 1), t.bottom = std::max(t.bottom, t.top + 1);
            tapRect = t;
            tapRect.intersect(SkIRect::MakeWH(pm.width, pm.height));
        }
    }
    d.sampler = {pm.base, pm.rowBytes, tapRect.left, tapRect.top, tapRect.right, tapRect.bottom};

    if (kind == Kind::kCubic) {
        if (srcToDevice.isScaleTranslate() && srcToDevice.getScaleX() > 0 && srcToDevice.getScaleY() > 0) {
            DrawCubicScaled(d, base, srcRect, srcToDevice.mapRect(srcRect), sampling.B, sampling.C);
            return;
        }
        d.cubic = MakeCubicWeights(sampling.B, sampling.C);
    }
    if (kind == Kind::kLinear && srcToDevice.isScaleTranslate() && srcToDevice.getScaleX() > 0 &&
        srcToDevice.getScaleY() > 0 && int64_t(area.width()) * area.height() >= 4096) {
        DrawLinearScaled(d);
        return;
    }
    // A stamp tinted by a SrcIn colour and laid source-over needs only the
    // picture's alpha: the fast path of the painting effects.
    TAlphaColor tintColor;
    SkBlendMode tintMode;
    const bool tinted = paint.mode == SkBlendMode::kSrcOver && paint.colorFilter &&
                        paint.colorFilter->asBlendColor(&tintColor, &tintMode) && tintMode == SkBlendMode::kSrcIn;
    if (tinted)
        d.tint = _mm_mul_ps(px::Premul(px::Load1(tintColor)), _mm_set1_ps(255.0f));
    switch (kind) {
    case Kind::kNearest: DrawAllKinds<Kind::kNearest>(d, tinted); break;
    case Kind::kLinear: DrawAllKinds<Kind::kLinear>(d, tinted); break;
    case Kind::kCubic: DrawAllKinds<Kind::kCubic>(d, tinted); break;
    }
}

} // namespace pv
