#include "platform/graphics/SkShader.h"

#include "platform/graphics/PixelMath.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pv {

namespace {

class LocalMatrixShader final : public SkShader {
public:
    LocalMatrixShader(ISkShader inner, const SkMatrix& inverseLocal) : inner_(std::move(inner)), inv_(inverseLocal) {}
    bool isOpaque() const override { return inner_->isOpaque(); }
    void shadeSpan(const SkMatrix& m, int x, int y, int count, float alpha, uint32_t* out) const override
    {
        inner_->shadeSpan(SkMatrix::Concat(inv_, m), x, y, count, alpha, out);
    }

private:
    ISkShader inner_;
    SkMatrix inv_;
};

class ColorShader final : public SkShader {
public:
    explicit ColorShader(TAlphaColor c) : color_(c) {}
    bool isOpaque() const override { return ColorA(color_) == 255; }
    void shadeSpan(const SkMatrix&, int, int, int count, float alpha, uint32_t* out) const override
    {
        const uint32_t p = px::Store1(_mm_mul_ps(px::Premul(px::Load1(color_)), _mm_setr_ps(alpha, alpha, alpha, alpha)));
        std::fill_n(out, count, p);
    }

private:
    TAlphaColor color_;
};

class BlendShader final : public SkShader {
public:
    BlendShader(SkBlendMode mode, ISkShader dst, ISkShader src) : mode_(mode), dst_(std::move(dst)), src_(std::move(src)) {}
    void shadeSpan(const SkMatrix& m, int x, int y, int count, float alpha, uint32_t* out) const override
    {
        uint32_t srcBuf[256];
        for (int done = 0; done < count;) {
            const int k = std::min(256, count - done);
            dst_->shadeSpan(m, x + done, y, k, 1.0f, out + done);
            src_->shadeSpan(m, x + done, y, k, 1.0f, srcBuf);
            BlendSpan(mode_, out + done, srcBuf, nullptr, k);
            done += k;
        }
        if (alpha < 1.0f) {
            const uint32_t a = uint32_t(std::clamp(alpha, 0.0f, 1.0f) * 255.0f + 0.5f);
            for (int i = 0; i < count; ++i)
                out[i] = px::ScalePixel(out[i], a);
        }
    }

private:
    SkBlendMode mode_;
    ISkShader dst_, src_;
};

// Stops of a gradient with the positions the 2D library would use: clamped
// to 0..1, never decreasing, with the first colour repeated at 0 and the
// last at 1 when the positions stop short.
struct Stops {
    std::vector<float> pos;
    struct Lanes {
        __m128 v;
    };
    std::vector<Lanes> color; // straight, lanes b g r a, 0..1
    bool opaque = true;

    bool build(const TAlphaColor colors[], const float positions[], int count)
    {
        if (!colors || count < 1)
            return false;
        std::vector<float> p(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            float v = positions ? positions[i] : (count == 1 ? 0.0f : float(i) / float(count - 1));
            if (!std::isfinite(v))
                return false;
            v = std::clamp(v, 0.0f, 1.0f);
            if (i > 0)
                v = std::max(v, p[size_t(i - 1)]);
            p[size_t(i)] = v;
        }
        if (p.front() > 0) {
            pos.push_back(0);
            color.push_back({px::Load1(colors[0])});
        }
        for (int i = 0; i < count; ++i) {
            pos.push_back(p[size_t(i)]);
            color.push_back({px::Load1(colors[i])});
            opaque = opaque && ColorA(colors[i]) == 255;
        }
        if (pos.back() < 1) {
            pos.push_back(1);
            color.push_back(color.back());
        }
        if (pos.size() == 1) {
            pos.push_back(1);
            color.push_back(color.back());
        }
        return true;
    }

    // Straight colour at t in 0..1.
    __m128 at(float t) const
    {
        if (t <= pos.front())
            return color.front().v;
        if (t >= pos.back())
            return color.back().v;
        // Few stops: a linear scan beats a binary search.
        size_t i = 1;
        while (i + 1 < pos.size() && t > pos[i])
            ++i;
        const float span = pos[i] - pos[i - 1];
        const float f = span > 0 ? (t - pos[i - 1]) / span : 1.0f;
        return _mm_add_ps(color[i - 1].v, _mm_mul_ps(_mm_sub_ps(color[i].v, color[i - 1].v), _mm_set1_ps(f)));
    }

    // The average colour, for gradients too small to show their stops.
    __m128 average() const
    {
        __m128 sum = _mm_setzero_ps();
        for (size_t i = 1; i < pos.size(); ++i) {
            const float w = pos[i] - pos[i - 1];
            sum = _mm_add_ps(sum, _mm_mul_ps(_mm_add_ps(color[i].v, color[i - 1].v), _mm_set1_ps(0.5f * w)));
        }
        return sum;
    }
};

// t mapped by the tile mode; false when the pixel is transparent (decal).
inline bool TileT(float& t, SkTileMode mode)
{
    switch (mode) {
    case SkTileMode::kClamp: t = std::clamp(t, 0.0f, 1.0f); return true;
    case SkTileMode::kRepeat: t = t - std::floor(t); return true;
    case SkTileMode::kMirror: {
        const float m = t - 2.0f * std::floor(t * 0.5f); // 0..2
        t = m <= 1.0f ? m : 2.0f - m;
        return true;
    }
    case SkTileMode::kDecal: return t >= 0.0f && t <= 1.0f;
    }
    return true;
}

inline uint32_t Finish(__m128 straight, float alpha)
{
    const __m128 p = px::Premul(straight);
    return px::Store1(_mm_mul_ps(p, _mm_set1_ps(alpha)));
}

class GradientShader final : public SkShader {
public:
    enum class Kind { kLinear, kRadial };
    // Linear: t = dot(p - p0, dir) with dir = (p1 - p0) / |p1 - p0|^2.
    // Radial: t = |p - centre| / radius.
    GradientShader(Kind kind, SkPoint a, SkPoint b, float radius, Stops stops, SkTileMode mode)
        : kind_(kind), a_(a), b_(b), radius_(radius), stops_(std::move(stops)), mode_(mode)
    {
    }
    bool isOpaque() const override { return stops_.opaque && mode_ != SkTileMode::kDecal; }

    void shadeSpan(const SkMatrix& m, int x, int y, int count, float alpha, uint32_t* out) const override
    {
        const SkPoint p0 = m.mapXY(float(x) + 0.5f, float(y) + 0.5f);
        const SkVector step = m.mapVector(1, 0);
        if (kind_ == Kind::kLinear) {
            const SkVector d = b_ - a_;
            const float len2 = d.fX * d.fX + d.fY * d.fY;
            const float dx = d.fX / len2, dy = d.fY / len2;
            float t = (p0.fX - a_.fX) * dx + (p0.fY - a_.fY) * dy;
            const float dt = step.fX * dx + step.fY * dy;
            for (int i = 0; i < count; ++i, t += dt) {
                float u = t;
                out[i] = TileT(u, mode_) ? Finish(stops_.at(u), alpha) : 0u;
            }
        } else {
            float px = p0.fX - a_.fX, py = p0.fY - a_.fY;
            const float inv = 1.0f / radius_;
            for (int i = 0; i < count; ++i, px += step.fX, py += step.fY) {
                float u = std::sqrt(px * px + py * py) * inv;
                out[i] = TileT(u, mode_) ? Finish(stops_.at(u), alpha) : 0u;
            }
        }
    }

private:
    Kind kind_;
    SkPoint a_, b_;
    float radius_;
    Stops stops_;
    SkTileMode mode_;
};

// A gradient without extent: the last colour for Clamp, the average for the
// repeating modes, nothing for Decal.
ISkShader Degenerate(const Stops& stops, SkTileMode mode)
{
    if (mode == SkTileMode::kDecal)
        return SkShaders::Color(kColorTransparent);
    const __m128 c = mode == SkTileMode::kClamp ? stops.color.back().v : stops.average();
    float v[4];
    _mm_storeu_ps(v, c);
    auto byte = [](float f) { return uint8_t(std::clamp(f, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return SkShaders::Color(MakeColor(byte(v[3]), byte(v[2]), byte(v[1]), byte(v[0])));
}

bool Finite(SkPoint p) { return std::isfinite(p.fX) && std::isfinite(p.fY); }

ISkShader WithLocal(ISkShader s, const SkMatrix* local)
{
    return s && local && !local->isIdentity() ? s->makeWithLocalMatrix(*local) : s;
}

} // namespace

ISkShader SkShader::makeWithLocalMatrix(const SkMatrix& local) const
{
    SkMatrix inv;
    if (!local.invert(&inv))
        return nullptr;
    return std::make_shared<const LocalMatrixShader>(shared_from_this(), inv);
}

ISkShader SkShaders::Color(TAlphaColor color) { return std::make_shared<const ColorShader>(color); }

ISkShader SkShaders::Blend(SkBlendMode mode, ISkShader dst, ISkShader src)
{
    if (!dst || !src)
        return nullptr;
    return std::make_shared<const BlendShader>(mode, std::move(dst), std::move(src));
}

ISkShader SkGradientShader::MakeLinear(const SkPoint pts[2], const TAlphaColor colors[], const float positions[],
                                       int count, SkTileMode mode, const SkMatrix* localMatrix)
{
    Stops stops;
    if (!pts || !Finite(pts[0]) || !Finite(pts[1]) || !stops.build(colors, positions, count))
        return nullptr;
    const SkVector d = pts[1] - pts[0];
    if (d.fX * d.fX + d.fY * d.fY <= 1e-12f)
        return WithLocal(Degenerate(stops, mode), localMatrix);
    return WithLocal(std::make_shared<GradientShader>(GradientShader::Kind::kLinear, pts[0], pts[1], 0.0f,
                                                      std::move(stops), mode),
                     localMatrix);
}

ISkShader SkGradientShader::MakeRadial(SkPoint center, float radius, const TAlphaColor colors[],
                                       const float positions[], int count, SkTileMode mode, const SkMatrix* localMatrix)
{
    Stops stops;
    if (!Finite(center) || !std::isfinite(radius) || radius < 0 || !stops.build(colors, positions, count))
        return nullptr;
    if (radius <= 1e-6f)
        return WithLocal(Degenerate(stops, mode), localMatrix);
    return WithLocal(std::make_shared<GradientShader>(GradientShader::Kind::kRadial, center, center, radius,
                                                      std::move(stops), mode),
                     localMatrix);
}

} // namespace pv
