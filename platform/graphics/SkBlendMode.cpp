#include "platform/graphics/SkBlendMode.h"

#include "platform/graphics/PixelMath.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace pv {

std::optional<QPainter::CompositionMode> QtCompositionMode(SkBlendMode mode)
{
    // ColorDodge, ColorBurn and SoftLight are missing on purpose: QPainter's
    // formulas for them differ from the W3C ones (burning white with black
    // gives black there, white here), so the layer computes them itself.
    using C = QPainter::CompositionMode;
    switch (mode) {
    case SkBlendMode::kClear: return C::CompositionMode_Clear;
    case SkBlendMode::kSrc: return C::CompositionMode_Source;
    case SkBlendMode::kDst: return C::CompositionMode_Destination;
    case SkBlendMode::kSrcOver: return C::CompositionMode_SourceOver;
    case SkBlendMode::kDstOver: return C::CompositionMode_DestinationOver;
    case SkBlendMode::kSrcIn: return C::CompositionMode_SourceIn;
    case SkBlendMode::kDstIn: return C::CompositionMode_DestinationIn;
    case SkBlendMode::kSrcOut: return C::CompositionMode_SourceOut;
    case SkBlendMode::kDstOut: return C::CompositionMode_DestinationOut;
    case SkBlendMode::kSrcATop: return C::CompositionMode_SourceAtop;
    case SkBlendMode::kDstATop: return C::CompositionMode_DestinationAtop;
    case SkBlendMode::kXor: return C::CompositionMode_Xor;
    case SkBlendMode::kPlus: return C::CompositionMode_Plus;
    case SkBlendMode::kScreen: return C::CompositionMode_Screen;
    case SkBlendMode::kOverlay: return C::CompositionMode_Overlay;
    case SkBlendMode::kDarken: return C::CompositionMode_Darken;
    case SkBlendMode::kLighten: return C::CompositionMode_Lighten;
    case SkBlendMode::kHardLight: return C::CompositionMode_HardLight;
    case SkBlendMode::kDifference: return C::CompositionMode_Difference;
    case SkBlendMode::kExclusion: return C::CompositionMode_Exclusion;
    case SkBlendMode::kMultiply: return C::CompositionMode_Multiply;
    default: return std::nullopt;
    }
}

const char* SkBlendModeName(SkBlendMode mode)
{
    static const char* const names[kSkBlendModeCount] = {
        "Clear", "Src", "Dst", "SrcOver", "DstOver", "SrcIn", "DstIn", "SrcOut", "DstOut", "SrcATop",
        "DstATop", "Xor", "Plus", "Modulate", "Screen", "Overlay", "Darken", "Lighten", "ColorDodge",
        "ColorBurn", "HardLight", "SoftLight", "Difference", "Exclusion", "Multiply", "Hue", "Saturation",
        "Color", "Luminosity"};
    const int i = int(mode);
    return i >= 0 && i < kSkBlendModeCount ? names[i] : "Unknown";
}

bool BlendLeavesDstForTransparentSrc(SkBlendMode mode)
{
    switch (mode) {
    case SkBlendMode::kClear:
    case SkBlendMode::kSrc:
    case SkBlendMode::kSrcIn:
    case SkBlendMode::kDstIn:
    case SkBlendMode::kSrcOut:
    case SkBlendMode::kDstATop:
    case SkBlendMode::kModulate:
        return false;
    default:
        return true;
    }
}

namespace {

// Lanes of one premultiplied pixel, 0..1.
struct Px {
    float c[4]; // b, g, r, a
};

using Sep = float (*)(float s, float d, float sa, float da);

// Separable modes in premultiplied form: the blend term sa*da*B(d/da, s/sa)
// plus the parts of each picture the other does not cover.
inline float Over(float s, float d, float sa, float da) { return s * (1 - da) + d * (1 - sa); }

float MultiplyCh(float s, float d, float sa, float da) { return s * d + Over(s, d, sa, da); }
float HardLightCh(float s, float d, float sa, float da)
{
    const float b = 2 * s <= sa ? 2 * s * d : sa * da - 2 * (da - d) * (sa - s);
    return b + Over(s, d, sa, da);
}
float OverlayCh(float s, float d, float sa, float da) { return HardLightCh(d, s, da, sa); }
float DarkenCh(float s, float d, float sa, float da) { return s + d - std::max(s * da, d * sa); }
float LightenCh(float s, float d, float sa, float da) { return s + d - std::min(s * da, d * sa); }
float DifferenceCh(float s, float d, float sa, float da) { return s + d - 2 * std::min(s * da, d * sa); }
float ExclusionCh(float s, float d, float, float) { return s + d - 2 * s * d; }

float ColorDodgeCh(float s, float d, float sa, float da)
{
    if (d <= 0)
        return s * (1 - da);
    if (s >= sa)
        return sa * da + Over(s, d, sa, da);
    return sa * std::min(da, d * sa / (sa - s)) + Over(s, d, sa, da);
}

float ColorBurnCh(float s, float d, float sa, float da)
{
    if (d >= da)
        return sa * da + Over(s, d, sa, da);
    if (s <= 0)
        return d * (1 - sa);
    return sa * (da - std::min(da, (da - d) * sa / s)) + Over(s, d, sa, da);
}

// W3C soft light on straight colours.
float SoftLightB(float cb, float cs)
{
    if (cs <= 0.5f)
        return cb - (1 - 2 * cs) * cb * (1 - cb);
    const float dcb = cb <= 0.25f ? ((16 * cb - 12) * cb + 4) * cb : std::sqrt(cb);
    return cb + (2 * cs - 1) * (dcb - cb);
}

float SoftLightCh(float s, float d, float sa, float da)
{
    if (sa <= 0 || da <= 0)
        return s + d * (1 - sa);
    const float cb = std::min(1.0f, d / da), cs = std::min(1.0f, s / sa);
    return sa * da * SoftLightB(cb, cs) + Over(s, d, sa, da);
}

// Non-separable helpers of the W3C rules on straight RGB.
struct Rgb {
    float r, g, b;
};
inline float Lum(Rgb c) { return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b; }
inline float Sat(Rgb c) { return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}); }

Rgb ClipColor(Rgb c)
{
    const float l = Lum(c);
    const float n = std::min({c.r, c.g, c.b});
    const float x = std::max({c.r, c.g, c.b});
    if (n < 0 && l - n > 0) {
        const float k = l / (l - n);
        c = {l + (c.r - l) * k, l + (c.g - l) * k, l + (c.b - l) * k};
    }
    if (x > 1 && x - l > 0) {
        const float k = (1 - l) / (x - l);
        c = {l + (c.r - l) * k, l + (c.g - l) * k, l + (c.b - l) * k};
    }
    return c;
}

Rgb SetLum(Rgb c, float l)
{
    const float d = l - Lum(c);
    return ClipColor({c.r + d, c.g + d, c.b + d});
}

Rgb SetSat(Rgb c, float s)
{
    float* v[3] = {&c.r, &c.g, &c.b};
    std::sort(v, v + 3, [](const float* a, const float* b) { return *a < *b; });
    float& mn = *v[0];
    float& mid = *v[1];
    float& mx = *v[2];
    if (mx > mn) {
        mid = (mid - mn) * s / (mx - mn);
        mx = s;
    } else {
        mid = mx = 0;
    }
    mn = 0;
    return c;
}

Px NonSeparable(SkBlendMode mode, const Px& s, const Px& d)
{
    const float sa = s.c[3], da = d.c[3];
    Px out;
    out.c[3] = sa + da - sa * da;
    if (sa <= 0 || da <= 0) {
        for (int i = 0; i < 3; ++i)
            out.c[i] = s.c[i] * (1 - da) + d.c[i] * (1 - sa);
        return out;
    }
    const Rgb cs{std::min(1.0f, s.c[2] / sa), std::min(1.0f, s.c[1] / sa), std::min(1.0f, s.c[0] / sa)};
    const Rgb cb{std::min(1.0f, d.c[2] / da), std::min(1.0f, d.c[1] / da), std::min(1.0f, d.c[0] / da)};
    Rgb b;
    switch (mode) {
    case SkBlendMode::kHue: b = SetLum(SetSat(cs, Sat(cb)), Lum(cb)); break;
    case SkBlendMode::kSaturation: b = SetLum(SetSat(cb, Sat(cs)), Lum(cb)); break;
    case SkBlendMode::kColor: b = SetLum(cs, Lum(cb)); break;
    default: b = SetLum(cb, Lum(cs)); break; // Luminosity
    }
    const float bl[3] = {b.b, b.g, b.r};
    for (int i = 0; i < 3; ++i)
        out.c[i] = sa * da * bl[i] + s.c[i] * (1 - da) + d.c[i] * (1 - sa);
    return out;
}

inline Px Separable(Sep f, const Px& s, const Px& d)
{
    const float sa = s.c[3], da = d.c[3];
    Px out;
    for (int i = 0; i < 3; ++i)
        out.c[i] = f(s.c[i], d.c[i], sa, da);
    out.c[3] = sa + da - sa * da;
    return out;
}

inline Px BlendFloat(SkBlendMode mode, const Px& s, const Px& d)
{
    const float sa = s.c[3], da = d.c[3];
    Px o{};
    auto each = [&](auto f) {
        for (int i = 0; i < 4; ++i)
            o.c[i] = f(s.c[i], d.c[i]);
    };
    switch (mode) {
    case SkBlendMode::kClear: break;
    case SkBlendMode::kSrc: o = s; break;
    case SkBlendMode::kDst: o = d; break;
    case SkBlendMode::kSrcOver: each([&](float x, float y) { return x + y * (1 - sa); }); break;
    case SkBlendMode::kDstOver: each([&](float x, float y) { return y + x * (1 - da); }); break;
    case SkBlendMode::kSrcIn: each([&](float x, float) { return x * da; }); break;
    case SkBlendMode::kDstIn: each([&](float, float y) { return y * sa; }); break;
    case SkBlendMode::kSrcOut: each([&](float x, float) { return x * (1 - da); }); break;
    case SkBlendMode::kDstOut: each([&](float, float y) { return y * (1 - sa); }); break;
    case SkBlendMode::kSrcATop: each([&](float x, float y) { return x * da + y * (1 - sa); }); break;
    case SkBlendMode::kDstATop: each([&](float x, float y) { return y * sa + x * (1 - da); }); break;
    case SkBlendMode::kXor: each([&](float x, float y) { return x * (1 - da) + y * (1 - sa); }); break;
    case SkBlendMode::kPlus: each([](float x, float y) { return std::min(1.0f, x + y); }); break;
    case SkBlendMode::kModulate: each([](float x, float y) { return x * y; }); break;
    case SkBlendMode::kScreen: each([](float x, float y) { return x + y - x * y; }); break;
    case SkBlendMode::kOverlay: o = Separable(OverlayCh, s, d); break;
    case SkBlendMode::kDarken: o = Separable(DarkenCh, s, d); break;
    case SkBlendMode::kLighten: o = Separable(LightenCh, s, d); break;
    case SkBlendMode::kColorDodge: o = Separable(ColorDodgeCh, s, d); break;
    case SkBlendMode::kColorBurn: o = Separable(ColorBurnCh, s, d); break;
    case SkBlendMode::kHardLight: o = Separable(HardLightCh, s, d); break;
    case SkBlendMode::kSoftLight: o = Separable(SoftLightCh, s, d); break;
    case SkBlendMode::kDifference: o = Separable(DifferenceCh, s, d); break;
    case SkBlendMode::kExclusion: o = Separable(ExclusionCh, s, d); break;
    case SkBlendMode::kMultiply: o = Separable(MultiplyCh, s, d); break;
    case SkBlendMode::kHue:
    case SkBlendMode::kSaturation:
    case SkBlendMode::kColor:
    case SkBlendMode::kLuminosity: o = NonSeparable(mode, s, d); break;
    }
    return o;
}

inline Px ToPx(uint32_t p)
{
    Px o;
    for (int i = 0; i < 4; ++i)
        o.c[i] = float((p >> (8 * i)) & 0xFF) * (1.0f / 255.0f);
    return o;
}

inline uint32_t FromPx(const Px& v)
{
    // Clamp alpha first, then every colour lane to it: the result stays a
    // valid premultiplied pixel whatever rounding the formulas left.
    const float a = std::clamp(v.c[3], 0.0f, 1.0f);
    const uint32_t ab = uint32_t(a * 255.0f + 0.5f);
    uint32_t out = ab << 24;
    for (int i = 0; i < 3; ++i) {
        const uint32_t c = uint32_t(std::clamp(v.c[i], 0.0f, a) * 255.0f + 0.5f);
        out |= std::min(c, ab) << (8 * i);
    }
    return out;
}

__attribute__((always_inline)) inline uint32_t BlendCovered(SkBlendMode mode, uint32_t s, uint32_t d, uint32_t cov)
{
    if (cov == 0)
        return d;
    const Px ps = ToPx(s), pd = ToPx(d);
    Px r = BlendFloat(mode, ps, pd);
    if (cov != 255) {
        const float c = float(cov) * (1.0f / 255.0f);
        for (int i = 0; i < 4; ++i)
            r.c[i] = pd.c[i] + (r.c[i] - pd.c[i]) * c;
    }
    return FromPx(r);
}

// The separable modes without branches per channel, on all four lanes at
// once (lanes b, g, r, a; 0..1). Alpha always follows sa + da - sa da.
constexpr bool HasVectorForm(SkBlendMode m)
{
    switch (m) {
    case SkBlendMode::kMultiply:
    case SkBlendMode::kScreen:
    case SkBlendMode::kOverlay:
    case SkBlendMode::kHardLight:
    case SkBlendMode::kDarken:
    case SkBlendMode::kLighten:
    case SkBlendMode::kDifference:
    case SkBlendMode::kExclusion:
        return true;
    default:
        return false;
    }
}

inline __m128 HardLightV(__m128 s, __m128 d, __m128 sa, __m128 da)
{
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 low = _mm_mul_ps(two, _mm_mul_ps(s, d));
    const __m128 high = _mm_sub_ps(_mm_mul_ps(sa, da), _mm_mul_ps(two, _mm_mul_ps(_mm_sub_ps(da, d), _mm_sub_ps(sa, s))));
    return _mm_blendv_ps(high, low, _mm_cmple_ps(_mm_mul_ps(two, s), sa));
}

template <SkBlendMode M>
inline __m128 BlendVector(__m128 s, __m128 d)
{
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 sa = px::Alpha(s), da = px::Alpha(d);
    const __m128 over = _mm_add_ps(_mm_mul_ps(s, _mm_sub_ps(one, da)), _mm_mul_ps(d, _mm_sub_ps(one, sa)));
    const __m128 sum = _mm_add_ps(s, d);
    __m128 r;
    if constexpr (M == SkBlendMode::kMultiply)
        r = _mm_add_ps(_mm_mul_ps(s, d), over);
    else if constexpr (M == SkBlendMode::kScreen)
        r = _mm_sub_ps(sum, _mm_mul_ps(s, d));
    else if constexpr (M == SkBlendMode::kHardLight)
        r = _mm_add_ps(HardLightV(s, d, sa, da), over);
    else if constexpr (M == SkBlendMode::kOverlay)
        r = _mm_add_ps(HardLightV(d, s, da, sa), over);
    else if constexpr (M == SkBlendMode::kDarken)
        r = _mm_sub_ps(sum, _mm_max_ps(_mm_mul_ps(s, da), _mm_mul_ps(d, sa)));
    else if constexpr (M == SkBlendMode::kLighten)
        r = _mm_sub_ps(sum, _mm_min_ps(_mm_mul_ps(s, da), _mm_mul_ps(d, sa)));
    else if constexpr (M == SkBlendMode::kDifference)
        r = _mm_sub_ps(sum, _mm_mul_ps(_mm_set1_ps(2.0f), _mm_min_ps(_mm_mul_ps(s, da), _mm_mul_ps(d, sa))));
    else
        r = _mm_sub_ps(sum, _mm_mul_ps(_mm_set1_ps(2.0f), _mm_mul_ps(s, d)));
    const __m128 alpha = _mm_sub_ps(_mm_add_ps(sa, da), _mm_mul_ps(sa, da));
    return _mm_blend_ps(r, alpha, 0x8);
}

// A span loop per mode: the mode is a constant inside, so its formula is
// inlined and no call or switch happens per pixel.
template <int M>
void BlendSpanMode(uint32_t* dst, const uint32_t* src, const uint8_t* cov, int n)
{
    constexpr SkBlendMode mode = SkBlendMode(M);
    if constexpr (HasVectorForm(mode)) {
        for (int i = 0; i < n; ++i) {
            const uint32_t c = cov ? cov[i] : 255u;
            if (c == 0)
                continue;
            const __m128 d = px::Load1(dst[i]);
            __m128 r = BlendVector<mode>(px::Load1(src[i]), d);
            if (c != 255)
                r = _mm_add_ps(d, _mm_mul_ps(_mm_sub_ps(r, d), _mm_set1_ps(float(c) * (1.0f / 255.0f))));
            dst[i] = px::Store1(px::ClampPremul(r, 1.0f));
        }
    } else {
        for (int i = 0; i < n; ++i)
            dst[i] = BlendCovered(mode, src[i], dst[i], cov ? cov[i] : 255u);
    }
}

using SpanFn = void (*)(uint32_t*, const uint32_t*, const uint8_t*, int);

template <int... M>
constexpr std::array<SpanFn, sizeof...(M)> SpanTable(std::integer_sequence<int, M...>)
{
    return {&BlendSpanMode<M>...};
}

constexpr auto kSpanByMode = SpanTable(std::make_integer_sequence<int, kSkBlendModeCount>());

// Integer fast paths for the modes drawings use all the time.
template <bool HasCoverage>
void SrcOverSpan(uint32_t* dst, const uint32_t* src, const uint8_t* cov, int n)
{
    for (int i = 0; i < n; ++i) {
        const uint32_t c = HasCoverage ? cov[i] : 255u;
        const uint32_t s = src[i];
        if (s == 0 || c == 0)
            continue;
        dst[i] = (c == 255 && (s >> 24) == 255) ? s : px::SrcOverCoverage(s, dst[i], c);
    }
}

// Src with coverage c: lerp(d, s, c) = s * c + d * (1 - c).
inline uint32_t SrcCoverage(uint32_t s, uint32_t d, uint32_t c)
{
    if (c == 255)
        return s;
    return px::ScalePixel(s, c) + px::ScalePixel(d, 255 - c);
}

} // namespace

uint32_t BlendPixel(SkBlendMode mode, uint32_t src, uint32_t dst)
{
    return BlendCovered(mode, src, dst, 255);
}

void BlendSpan(SkBlendMode mode, uint32_t* dst, const uint32_t* src, const uint8_t* cov, int n)
{
    switch (mode) {
    case SkBlendMode::kSrcOver:
        if (cov)
            SrcOverSpan<true>(dst, src, cov, n);
        else
            SrcOverSpan<false>(dst, src, cov, n);
        return;
    case SkBlendMode::kDst:
        return;
    case SkBlendMode::kSrc:
        for (int i = 0; i < n; ++i)
            dst[i] = SrcCoverage(src[i], dst[i], cov ? cov[i] : 255u);
        return;
    case SkBlendMode::kDstIn:
        for (int i = 0; i < n; ++i) {
            const uint32_t c = cov ? cov[i] : 255u;
            // lerp(d, d * sa, c) = d * (1 - c + c * sa)
            const uint32_t k = 255 - c + px::MulDiv255(c, src[i] >> 24);
            dst[i] = px::ScalePixel(dst[i], k);
        }
        return;
    default:
        kSpanByMode[size_t(mode)](dst, src, cov, n);
        return;
    }
}

void BlendSpanConst(SkBlendMode mode, uint32_t* dst, uint32_t src, const uint8_t* cov, int n)
{
    if (mode == SkBlendMode::kSrcOver) {
        if (src == 0)
            return;
        for (int i = 0; i < n; ++i) {
            const uint32_t c = cov ? cov[i] : 255u;
            if (c != 0)
                dst[i] = (c == 255 && (src >> 24) == 255) ? src : px::SrcOverCoverage(src, dst[i], c);
        }
        return;
    }
    if (mode == SkBlendMode::kSrc || mode == SkBlendMode::kDstIn || mode == SkBlendMode::kDst) {
        uint32_t buf[256];
        for (int done = 0; done < n;) {
            const int k = std::min(256, n - done);
            std::fill_n(buf, k, src);
            BlendSpan(mode, dst + done, buf, cov ? cov + done : nullptr, k);
            done += k;
        }
        return;
    }
    uint32_t buf[256];
    for (int done = 0; done < n;) {
        const int k = std::min(256, n - done);
        std::fill_n(buf, k, src);
        kSpanByMode[size_t(mode)](dst + done, buf, cov ? cov + done : nullptr, k);
        done += k;
    }
}

} // namespace pv
