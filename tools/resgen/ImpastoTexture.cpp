// Thick paint: overlapping loaded-brush strokes whose bristles leave grooves
// and whose edges pile the paint into ridges, lit from the upper left.

#include "tools/resgen/Pictures.h"
#include "tools/resgen/Procedural.h"

#include <algorithm>

namespace resgen {
namespace {

struct Stroke {
    float cx, cy, angle, length, width, bend, load;
    uint32_t seed;
};

// Narrows [lo, hi] to the x for which k * x lies in [m1, m2].
void Constrain(float k, float m1, float m2, float& lo, float& hi)
{
    if (std::abs(k) < 1e-6f) {
        if (m1 > 0 || m2 < 0)
            hi = lo - 1;
        return;
    }
    float a = m1 / k, b = m2 / k;
    if (a > b)
        std::swap(a, b);
    lo = std::max(lo, a);
    hi = std::min(hi, b);
}

// Lays one stroke onto the height field (wrapping at the edges): the new
// paint covers what lies under it and takes up a little of its relief.
void LayStroke(Field& height, const Stroke& s)
{
    const float dx = std::cos(s.angle), dy = std::sin(s.angle);
    const float side = 0.5f * s.width * 1.2f + std::abs(s.bend) * s.length;
    const float reach = 0.7f * s.length + side;
    const int y0 = int(std::floor(s.cy - reach)), y1 = int(std::ceil(s.cy + reach));
    const float bristles = std::max(3.0f, s.width / 4.5f);
    ForRows(y1 - y0 + 1, [&](int row) {
        const int y = y0 + row;
        const float py = float(y) - s.cy;
        float lo = -reach, hi = reach;
        Constrain(dx, -0.65f * s.length - py * dy, 0.6f * s.length - py * dy, lo, hi);
        Constrain(-dy, -side - py * dx, side - py * dx, lo, hi);
        if (hi < lo)
            return;
        for (int x = int(std::floor(s.cx + lo)), xe = int(std::ceil(s.cx + hi)); x <= xe; ++x) {
            const float px = float(x) - s.cx;
            const float along = (px * dx + py * dy) / s.length + 0.5f; // 0 at the start, 1 at the end
            const float bendOffset = s.bend * s.length * (along - 0.5f) * (along - 0.5f) * 4;
            const float across = (-px * dy + py * dx - bendOffset) / (0.5f * s.width); // -1..1
            if (along < -0.12f || along > 1.05f || std::abs(across) > 1.15f)
                continue;
            // A rounded start where the loaded brush touched down; bristles
            // run out unevenly at the end.
            const float bristle = ValueNoise((across + 1) * bristles, along * 2, 1 << 16, 1 << 16, s.seed);
            const float tail = 1 - 0.25f * bristle;
            const float endFade = 1 - Smoothstep(tail - 0.1f, tail, along);
            const float capAlong = std::min(0.0f, along) / 0.1f;
            const float cap = 1 - Smoothstep(0.8f, 1.05f, std::sqrt(capAlong * capAlong + across * across));
            const float cover = endFade * cap;
            if (cover <= 0)
                continue;
            const float dome = std::sqrt(std::max(0.0f, 1 - across * across));
            const float body = 0.6f + 0.4f * dome;
            const float e = std::abs(across) - 0.8f;
            const float ridge = 0.3f * std::exp(-(e * e) / 0.02f);
            const float grooves = 0.32f * (bristle - 0.5f) + 0.1f * (ValueNoise((across + 1) * bristles * 2.3f, along * 5, 1 << 16, 1 << 16, s.seed + 1) - 0.5f);
            const float load = s.load * (1.1f - 0.5f * std::max(0.0f, along));
            const float z = load * (body + ridge + grooves);
            const int ix = WrapIndex(x, height.w), iy = WrapIndex(y, height.h);
            float& old = height.at(ix, iy);
            old = old * (1 - cover) + cover * (z + 0.3f * old);
        }
    });
}

} // namespace

QImage ImpastoTexture(int w, int h)
{
    Rng rng(0x1A7A5700);
    Field height(w, h);
    const int fx = std::max(1, w / 256), fy = std::max(1, h / 256);
    const int count = std::max(20, int(int64_t(w) * h / 1900));
    for (int i = 0; i < count; ++i) {
        Stroke s;
        s.cx = rng.range(0, float(w));
        s.cy = rng.range(0, float(h));
        // Neighbouring strokes follow a common flow, as a painter's hand does.
        const float flow = Fbm(s.cx * fx / w, s.cy * fy / h, fx, fy, 2, 0.5f, 501);
        s.angle = flow * 2.5f * kPi + rng.range(-0.35f, 0.35f);
        s.length = rng.range(60, 170);
        s.width = rng.range(26, 60);
        s.bend = rng.range(-0.12f, 0.12f);
        s.load = rng.range(0.7f, 1.1f);
        s.seed = uint32_t(rng.next());
        LayStroke(height, s);
    }
    const int mx = std::max(1, w / 200), my = std::max(1, h / 200);
    return MakeOpaque(w, h, [&](int x, int y) {
        // Lit and shaded slopes are kept equally strong, so the relief reads
        // as relief also where the texture is laid on inverted.
        const float slope = LightAt(height, x, y, 5.0f) - 1;
        const float mottle = 1 + 0.04f * (Fbm(float(x) * mx / w, float(y) * my / h, mx, my, 3, 0.5f, 502) - 0.5f);
        return Scale(Rgb{224, 220, 210}, (1 + 0.2f * std::tanh(2.2f * slope)) * mottle);
    });
}

} // namespace resgen
