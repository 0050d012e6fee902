#include "tools/resgen/BrushMarks.h"

#include <algorithm>

namespace resgen {

float StrokeCoverage(const Mark& m, float px, float py, float* acrossOut)
{
    const float dx = std::cos(m.angle), dy = std::sin(m.angle);
    px -= m.ox;
    py -= m.oy;
    const float alongPx = px * dx + py * dy + 0.5f * m.length;
    const float along = alongPx / m.length; // 0 at the start, 1 at the end
    const float sag = m.bend * m.length * (1 - 4 * (along - 0.5f) * (along - 0.5f));
    const float acrossPx = -px * dy + py * dx - sag;
    const float half = 0.5f * m.width;
    if (along < -0.3f || along > 1.1f || std::abs(acrossPx) > 1.3f * half)
        return 0;

    // Outline along the stroke: flat brushes keep their width, round ones
    // swell and taper, filberts round off the start, dabs are short ovals.
    const float a = Clamp01(along);
    float widthShare = 1;
    switch (m.tip) {
    case Tip::Round: widthShare = 0.35f + 0.65f * std::pow(std::max(0.0f, std::sin(kPi * std::min(1.0f, a * 1.15f))), 0.6f); break;
    case Tip::Dab: widthShare = std::sqrt(std::max(0.0f, 1 - (2 * a - 1) * (2 * a - 1))); break;
    case Tip::Filbert: widthShare = 1 - 0.25f * a; break;
    default: widthShare = 1 - 0.1f * a; break;
    }
    const float edgeJitter = 1 + 0.12f * (ValueNoise(along * 9, acrossPx > 0 ? 1.5f : 7.5f, 1 << 12, 1 << 12, m.seed + 1) - 0.5f);
    const float edge = (widthShare * edgeJitter * half - std::abs(acrossPx));
    float cover = Smoothstep(-0.8f, 1.2f, edge);

    const float across = acrossPx / half; // -1..1
    if (acrossOut)
        *acrossOut = across;
    const float bristle = ValueNoise((across + 1.3f) * 0.5f * m.bristles, along * 1.6f, 1 << 12, 1 << 12, m.seed + 2);
    // Where the brush touched down: square for flat brushes, rounded otherwise.
    const float roundness = m.tip == Tip::Flat || m.tip == Tip::Dry || m.tip == Tip::Pastel ? 0.12f : 0.5f;
    const float startPx = alongPx + roundness * half * (1 - std::sqrt(std::max(0.0f, 1 - across * across)))
                          - roundness * half + 3.0f * (bristle - 0.5f);
    cover *= Smoothstep(-1.0f, 1.5f, startPx + roundness * half);
    // Each bristle runs out at its own length.
    const float tail = 1 - m.ragged * bristle;
    cover *= Smoothstep(-1.5f, 2.0f, (tail - along) * m.length);
    if (cover <= 0)
        return 0;

    // Streaks: the paint thins out between bristles as the brush unloads.
    const float dry = m.dryness * Smoothstep(0.15f, 1.0f, along);
    const float streak = ValueNoise((across + 1.3f) * 0.5f * m.bristles * 2.3f, along * 3.0f, 1 << 12, 1 << 12, m.seed + 3);
    const float mixStreak = 0.6f * bristle + 0.4f * streak;
    const float density = Smoothstep(dry - 0.1f, dry + 0.12f, mixStreak);
    const float fine = 0.82f + 0.18f * ValueNoise((across + 1.3f) * m.bristles * 3.1f, along * 6.0f, 1 << 12, 1 << 12, m.seed + 4);
    return cover * density * fine;
}

float PastelCoverage(const Mark& m, float px, float py, float sheetX, float sheetY)
{
    float across = 0;
    const float stroke = StrokeCoverage(m, px, py, &across);
    if (stroke <= 0)
        return 0;
    const float tooth = Fbm(sheetX / 3.2f, sheetY / 3.2f, 1 << 12, 1 << 12, 3, 0.6f, m.seed + 9);
    const float pressure = 0.7f - 0.3f * across * across * across * across + 0.16f * (ValueNoise(px / 30, py / 30, 1 << 12, 1 << 12, m.seed + 10) - 0.5f);
    const float grain = Smoothstep(1 - pressure - 0.16f, 1 - pressure + 0.16f, tooth);
    return stroke * (0.1f + 0.9f * grain);
}

Mark RandomMark(Rng& rng, Tip tip)
{
    Mark m{};
    m.tip = tip;
    m.angle = rng.range(-0.45f, 0.45f);
    m.bend = rng.range(-0.09f, 0.09f);
    m.ox = rng.range(-6, 6);
    m.oy = rng.range(-6, 6);
    m.seed = uint32_t(rng.next());
    switch (tip) {
    case Tip::Flat:
        m.length = rng.range(170, 225); m.width = rng.range(55, 95); m.ragged = rng.range(0.08f, 0.2f);
        m.dryness = rng.range(0.25f, 0.5f); m.bristles = rng.range(14, 24); break;
    case Tip::Filbert:
        m.length = rng.range(150, 215); m.width = rng.range(50, 85); m.ragged = rng.range(0.06f, 0.15f);
        m.dryness = rng.range(0.15f, 0.4f); m.bristles = rng.range(12, 20); break;
    case Tip::Round:
        m.length = rng.range(170, 225); m.width = rng.range(34, 60); m.ragged = rng.range(0.05f, 0.12f);
        m.dryness = rng.range(0.1f, 0.35f); m.bristles = rng.range(8, 14); break;
    case Tip::Dry:
        m.length = rng.range(180, 228); m.width = rng.range(60, 100); m.ragged = rng.range(0.2f, 0.35f);
        m.dryness = rng.range(0.55f, 0.75f); m.bristles = rng.range(18, 30); break;
    case Tip::Dab:
        m.length = rng.range(110, 170); m.width = rng.range(60, 95); m.ragged = rng.range(0.04f, 0.1f);
        m.dryness = rng.range(0.05f, 0.25f); m.bristles = rng.range(10, 18); m.bend *= 0.5f; break;
    case Tip::Pastel:
        m.length = rng.range(175, 225); m.width = rng.range(50, 85); m.ragged = rng.range(0.03f, 0.08f);
        m.dryness = rng.range(0.0f, 0.15f); m.bristles = rng.range(5, 9); break;
    }
    return m;
}

namespace {

// One pool: returns its coverage and, through rim, how close to its edge the point lies.
float Pool(float px, float py, float angle, float major, float minor, uint32_t seed, float& depth)
{
    const float c = std::cos(angle), s = std::sin(angle);
    const float lx = px * c + py * s, ly = -px * s + py * c;
    const float qx = lx / major, qy = ly / minor;
    const float r = std::sqrt(qx * qx + qy * qy) + 1e-6f;
    const float ux = qx / r, uy = qy / r; // direction on the unit circle
    const float outline = 1 + 0.34f * (ValueNoise(ux * 1.8f + 5, uy * 1.6f + 5, 1 << 12, 1 << 12, seed) - 0.5f)
                          + 0.09f * (ValueNoise(ux * 6 + 9, uy * 6 + 9, 1 << 12, 1 << 12, seed + 1) - 0.5f);
    depth = (outline - r) * minor; // pixels inside the rim (negative outside)
    return Smoothstep(-0.9f, 1.1f, depth);
}

} // namespace

float SplashCoverage(const Splash& s, float px, float py)
{
    px -= s.ox;
    py -= s.oy;
    float depth = 0;
    float cover = Pool(px, py, s.angle, s.major, s.minor, s.seed, depth);
    if (s.lobe > 0) {
        const float shift = s.lobe * s.major;
        float depth2 = 0;
        const float c2 = Pool(px - shift * std::cos(s.angle), py - shift * std::sin(s.angle), s.angle + 0.3f,
                              0.6f * s.major, 0.85f * s.minor, s.seed + 7, depth2);
        if (c2 > cover || depth2 > depth) {
            cover = std::max(cover, c2);
            depth = std::max(depth, depth2);
        }
    }
    // Droplets flicked off the brush.
    float drops = 0;
    Rng rng(s.seed);
    for (int i = 0; i < s.droplets; ++i) {
        const float spread = rng.range(-0.5f, 0.5f);
        const float a = s.angle + spread + (rng.uniform() < 0.5f ? 0 : kPi);
        const float dist = s.major * rng.range(1.08f, 1.35f), rad = rng.range(2.0f, 6.5f);
        const float dx = px - dist * std::cos(a), dy = py - dist * std::sin(a);
        const float d = rad - std::sqrt(dx * dx + dy * dy);
        drops = std::max(drops, Smoothstep(-0.8f, 1.0f, d) * (0.55f + 0.4f * std::exp(-d * d / 4)));
    }
    if (cover <= 0)
        return drops;

    // Pigment settles in the paper's grain and flows to the drying rim.
    const float grain = Fbm(px / 3.0f + 50, py / 3.0f + 50, 1 << 12, 1 << 12, 2, 0.5f, s.seed + 2);
    const float flow = Fbm(px / 40 + 20, py / 40 + 20, 1 << 12, 1 << 12, 3, 0.5f, s.seed + 3);
    const float rim = std::exp(-(depth * depth) / 18.0f) * Smoothstep(-1, 0.5f, depth);
    float a = s.wash + 0.4f * (flow - 0.5f) + 0.18f * (grain - 0.5f) + 0.38f * rim;
    // A back-run: fresh water pushed pigment out, leaving a paler patch with
    // a ragged dark fringe.
    if (s.bloom) {
        Rng bloomRng(s.seed + 11);
        const float bx = bloomRng.range(-0.5f, 0.5f) * s.major, by = bloomRng.range(-0.35f, 0.35f) * s.minor;
        const float br = bloomRng.range(0.45f, 0.75f) * s.minor;
        const float ddx = px - bx, ddy = py - by;
        const float dd = std::sqrt(ddx * ddx + ddy * ddy) / br
                         + 0.55f * (Fbm(px / 14 + 3, py / 14 + 3, 1 << 12, 1 << 12, 3, 0.5f, s.seed + 12) - 0.5f);
        if (dd < 1.2f)
            a += -0.15f * (1 - Smoothstep(0.6f, 1.0f, dd)) + 0.14f * std::exp(-((dd - 1) * (dd - 1)) / 0.004f);
    }
    return std::max(drops, cover * Clamp01(a));
}

Splash RandomSplash(Rng& rng)
{
    Splash s{};
    s.angle = rng.range(-0.5f, 0.5f);
    s.major = rng.range(70, 100);
    s.minor = rng.range(34, 62);
    s.ox = rng.range(-8, 8);
    s.oy = rng.range(-5, 5);
    s.lobe = rng.uniform() < 0.35f ? rng.range(0.35f, 0.55f) : 0;
    s.wash = rng.range(0.4f, 0.6f);
    s.droplets = rng.uniform() < 0.5f ? rng.below(5) : 0;
    s.bloom = rng.uniform() < 0.4f;
    s.seed = uint32_t(rng.next());
    return s;
}

} // namespace resgen
