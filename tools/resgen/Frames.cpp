// The nine built-in frames. Each one is a profile across its border, a
// material and, for some, ornaments or details in the corners (which are
// never stretched).

#include "tools/resgen/FrameRenderer.h"
#include "tools/resgen/Pictures.h"

#include <algorithm>
#include <stdexcept>

namespace resgen {
namespace {

constexpr int kW = 2244, kH = 2424;
constexpr uint32_t kBig = 1u << 16; // a noise period no picture reaches

float Noise(float u, float v, uint32_t seed) { return ValueNoise(u, v, kBig, kBig, seed); }
float Fractal(float u, float v, int octaves, uint32_t seed) { return Fbm(u, v, kBig, kBig, octaves, 0.5f, seed); }

uint32_t SideSeed(const BorderPoint& p, uint32_t seed) { return seed + 977u * uint32_t(p.side); }

// Growth rings running along a moulding: 0 in pale early wood, 1 in the dark
// late wood; each of the four pieces is cut from its own board.
float WoodGrain(const BorderPoint& p, uint32_t seed, float ringPx, float poreShare = 0.3f)
{
    const uint32_t s = SideSeed(p, seed);
    // Rings bend around slow waves in the board and wobble on a smaller scale.
    const float warp = ringPx * (7.0f * (Fractal(p.along / 800, p.across / 110, 3, s) - 0.5f)
                                 + 1.6f * (Fractal(p.along / 160, p.across / 35, 2, s + 3) - 0.5f));
    const float rings = (p.across + warp) / ringPx;
    const float f = rings - std::floor(rings);
    const float late = Smoothstep(0.5f, 0.78f, f) * (1 - Smoothstep(0.86f, 1.0f, f));
    const float pores = Noise(p.along / 26, p.across / 1.3f, s + 2);
    const float figure = Fractal(p.along / 380, p.across / 22, 2, s + 4);
    return Clamp01(0.5f * late + poreShare * (pores - 0.5f) + 0.45f * (figure - 0.5f) + 0.25f);
}

Rgb Lit(Rgb base, Vec3 n, float ambient, float diffuse, float spec, float shininess)
{
    const float flat = Diffuse({0, 0, 1});
    const float k = ambient + diffuse * Diffuse(n) / flat;
    const float s = 255 * spec * Specular(n, shininess);
    return {base.r * k + s, base.g * k + s, base.b * k + s};
}

Rgba Opaque(Rgb c) { return {c.r, c.g, c.b, 1}; }

// Polished metal leaf: colour from the reflected surroundings, plus the
// light's own highlight.
Rgb Metal(Vec3 n, Rgb shadow, Rgb mid, Rgb bright, float extra)
{
    const float e = Clamp01(Reflection(n) + extra);
    const Rgb base = e < 0.55f ? MixRgb(shadow, mid, e / 0.55f) : MixRgb(mid, bright, (e - 0.55f) / 0.45f);
    const float s = 255 * 0.55f * Specular(n, 60);
    return {base.r + s, base.g + s * 0.95f, base.b + s * 0.8f};
}

Rgb Gold(Vec3 n, float extra)
{
    return Metal(n, Rgb{62, 40, 14}, Rgb{178, 132, 56}, Rgb{250, 222, 140}, extra);
}

// 1: gilded wood with a linen slip.
QImage GildedFrame()
{
    const FrameGeometry g{kW, kH, 220, 220, 220, 220};
    auto height = [](const BorderPoint& p, Material&) {
        const float t = p.t;
        if (t < 0.1f)
            return Ease(t, 0, 0.05f, 8, 28) + Bead(t, 0.075f, 0.022f, 5);
        if (t < 0.42f) {
            const float u = (t - 0.1f) / 0.32f;
            return 28 - 20 * std::sqrt(std::max(0.0f, 1 - (1 - u) * (1 - u)));
        }
        if (t < 0.63f)
            return 8 + Bead(t, 0.525f, 0.105f, 26);
        if (t < 0.74f)
            return 10 + Bead(t, 0.7f, 0.018f, 5);
        if (t < 0.965f) // linen slip, woven
            return 3 + 0.18f * (std::cos(float(p.x) * 1.9f) + std::cos(float(p.y) * 1.9f))
                   + 0.35f * (Noise(float(p.x) / 1.5f, float(p.y) / 12.0f, 11) - 0.5f)
                   + 0.35f * (Noise(float(p.x) / 12.0f, float(p.y) / 1.5f, 10) - 0.5f);
        return 3 + Bead(t, 0.985f, 0.02f, 5);
    };
    auto shade = [](const BorderPoint& p, Vec3 n, float h, const Material&) {
        if (p.t >= 0.74f && p.t < 0.965f) {
            const float slub = 0.06f * (Noise(float(p.x) / 3, float(p.y) / 40, 12) - 0.5f)
                               + 0.06f * (Noise(float(p.x) / 40, float(p.y) / 3, 13) - 0.5f);
            // The gilded moulding shades the outer part of the slip.
            const float shadow = p.t < 0.8f ? 0.82f + 0.18f * Smoothstep(0.74f, 0.8f, p.t) : 1.0f;
            return Opaque(Scale(Lit(Rgb{226, 216, 194}, n, 0.45f, 0.55f, 0.0f, 1), (1 + slub) * shadow));
        }
        // Hollows keep a darker patina; rubbed high spots show the red bole.
        const float patina = 0.78f + 0.22f * Clamp01(h / 34.0f);
        Rgb c = Scale(Gold(n, 0.05f * (Fractal(p.along / 40, p.across / 8, 2, SideSeed(p, 14)) - 0.5f)), patina);
        const float wear = Smoothstep(0.74f, 0.86f, Fractal(p.along / 30, p.across / 4, 3, SideSeed(p, 15)))
                           * Smoothstep(27, 33, h);
        c = MixRgb(c, Lit(Rgb{140, 84, 48}, n, 0.4f, 0.6f, 0.1f, 20), 0.45f * wear);
        return Opaque(c);
    };
    return RenderFrame(g, height, shade);
}

// 2: dark walnut moulding with a thin gilt fillet at the opening.
QImage WalnutFrame()
{
    const FrameGeometry g{kW, kH, 190, 190, 190, 190};
    auto height = [](const BorderPoint& p, Material&) {
        const float t = p.t;
        if (t < 0.45f)
            return Ease(t, 0, 0.09f, 6, 30) + 3 * std::sin(kPi * Clamp01((t - 0.09f) / 0.36f));
        if (t < 0.6f)
            return Ease(t, 0.45f, 0.6f, 30, 14);
        if (t < 0.86f)
            return 14 - 3 * std::sin(kPi * (t - 0.6f) / 0.26f);
        if (t < 0.93f)
            return 14 + Bead(t, 0.895f, 0.03f, 4);
        return Ramp(t, 0.93f, 1.0f, 14, 7);
    };
    auto shade = [](const BorderPoint& p, Vec3 n, float, const Material&) {
        if (p.t >= 0.87f && p.t < 0.925f)
            return Opaque(Scale(Gold(n, 0), 0.9f));
        const float grain = WoodGrain(p, 21, 9.0f);
        const Rgb wood = MixRgb(Rgb{118, 76, 46}, Rgb{46, 27, 16}, grain);
        return Opaque(Lit(wood, n, 0.35f, 0.65f, 0.22f, 35));
    };
    return RenderFrame(g, height, shade);
}

// 3: a white mat with a bevelled opening in a narrow black frame.
QImage MatFrame()
{
    const FrameGeometry g{kW, kH, 330, 330, 330, 330};
    constexpr float kMoulding = 0.2f, kBevel = 0.972f;
    auto height = [](const BorderPoint& p, Material&) {
        const float t = p.t;
        if (t < kMoulding)
            return Ease(t, 0, 0.035f, 6, 22) + 1.5f * std::sin(kPi * Clamp01((t - 0.035f) / 0.14f))
                   - Ease(t, kMoulding - 0.02f, kMoulding, 0, 18);
        if (t < kBevel)
            return 4.0f + 0.25f * (Fractal(float(p.x) / 3, float(p.y) / 3, 2, 31) - 0.5f);
        return Ramp(t, kBevel, 1.0f, 4, -5);
    };
    auto shade = [](const BorderPoint& p, Vec3 n, float, const Material&) {
        if (p.t < kMoulding) {
            const float grain = WoodGrain(p, 32, 7.0f);
            return Opaque(Lit(MixRgb(Rgb{30, 29, 30}, Rgb{18, 17, 18}, grain), n, 0.5f, 0.5f, 0.3f, 28));
        }
        if (p.t >= kBevel) // the cut shows the board's white core
            return Opaque(Lit(Rgb{246, 245, 241}, n, 0.5f, 0.5f, 0, 1));
        // The frame's lip throws a soft shadow on the mat below and right of it.
        const float reach = (p.side == Side::Top || p.side == Side::Left) ? 16.0f : 5.0f;
        const float shadow = 1 - 0.3f * std::exp(-(p.across - kMoulding * p.thickness) / reach);
        return Opaque(Scale(Lit(Rgb{238, 235, 226}, n, 0.3f, 0.7f, 0, 1), shadow));
    };
    return RenderFrame(g, height, shade);
}

// 4: brushed silver with a wide scoop.
QImage SilverFrame()
{
    const FrameGeometry g{kW, kH, 175, 175, 175, 175};
    auto height = [](const BorderPoint& p, Material&) {
        const float t = p.t;
        if (t < 0.12f)
            return 6 + Bead(t, 0.07f, 0.07f, 18);
        if (t < 0.56f) {
            const float u = (t - 0.12f) / 0.44f;
            return 20 - 12 * std::sin(kPi * u) + 4 * u;
        }
        if (t < 0.66f)
            return 18 + Bead(t, 0.61f, 0.05f, 8);
        if (t < 0.88f)
            return Ease(t, 0.66f, 0.88f, 18, 10);
        if (t < 0.95f)
            return 10 + Bead(t, 0.915f, 0.035f, 5);
        return Ramp(t, 0.95f, 1.0f, 10, 4);
    };
    auto shade = [](const BorderPoint& p, Vec3 n, float, const Material&) {
        const float brushed = 0.07f * (Noise(p.along / 90, p.across / 0.7f, SideSeed(p, 41)) - 0.5f);
        return Opaque(Metal(n, Rgb{64, 66, 70}, Rgb{158, 161, 166}, Rgb{226, 229, 234}, brushed));
    };
    return RenderFrame(g, height, shade);
}

// 5: rustic weathered boards, butt-jointed and nailed at the corners.
QImage RusticFrame()
{
    FrameGeometry g{kW, kH, 235, 235, 235, 235};
    g.joint = Joint::Butt;
    // Distance from a side board's end, where it meets the top or bottom board.
    auto endDistance = [](const BorderPoint& p) {
        if (p.side != Side::Left && p.side != Side::Right)
            return 1e9f;
        return std::min(float(p.y - 235), float(kH - 235 - 1 - p.y)) + 0.5f;
    };
    auto nail = [](const BorderPoint& p, float& depth) {
        // Two nails in each corner square, through the top/bottom board.
        const float cx = p.x < kW / 2 ? 117.5f : kW - 117.5f;
        const float cy = p.y < kH / 2 ? 117.5f : kH - 117.5f;
        float best = 1e9f;
        for (float off : {-55.0f, 55.0f}) {
            const float dx = float(p.x) - cx - off, dy = float(p.y) - cy;
            best = std::min(best, std::sqrt(dx * dx + dy * dy));
        }
        depth = best;
        return best < 11;
    };
    auto height = [=](const BorderPoint& p, Material& m) {
        const float edges = Ease(p.across, 0, 10, 4, 24) - Ease(p.across, p.thickness - 10, p.thickness, 0, 16);
        m.a = WoodGrain(p, 51, 21.0f, 0.12f);
        m.b = Smoothstep(0.965f, 0.99f, Noise(p.along / 260, p.across / 2.2f, SideSeed(p, 52))); // cracks
        float h = edges - 3.0f * m.a - 5.0f * m.b + 1.2f * (Noise(p.along / 6, p.across / 1.5f, SideSeed(p, 53)) - 0.5f);
        h -= 12 * (1 - Smoothstep(0, 7, endDistance(p)));
        float d = 0;
        if (nail(p, d)) // the iron head sits on the board, smooth
            return edges + 3 * std::sqrt(std::max(0.0f, 1 - (d / 11) * (d / 11)));
        return h;
    };
    auto shade = [=](const BorderPoint& p, Vec3 n, float, const Material& m) {
        float d = 0;
        if (nail(p, d))
            return Opaque(Lit(Rgb{70, 64, 58}, n, 0.3f, 0.7f, 0.35f, 25));
        const float weather = Fractal(p.along / 300, p.across / 60, 3, SideSeed(p, 54));
        const Rgb light = MixRgb(Rgb{176, 160, 136}, Rgb{150, 146, 138}, weather);
        const Rgb dark = MixRgb(Rgb{98, 80, 60}, Rgb{84, 80, 74}, weather);
        Rgb c = MixRgb(light, dark, m.a);
        c = Scale(c, 1 - 0.55f * m.b);
        c = Scale(c, 0.55f + 0.45f * Smoothstep(0, 3, endDistance(p)));
        return Opaque(Lit(c, n, 0.4f, 0.6f, 0.03f, 10));
    };
    return RenderFrame(g, height, shade);
}

// 6: ornate gold with reeded bands and a rosette in every corner.
QImage OrnateGoldFrame()
{
    constexpr int b = 280;
    const FrameGeometry g{kW, kH, b, b, b, b};
    auto rosette = [](const BorderPoint& p) {
        const float cx = p.x < kW / 2 ? 0.5f * b : kW - 0.5f * b;
        const float cy = p.y < kH / 2 ? 0.5f * b : kH - 0.5f * b;
        const float dx = float(p.x) + 0.5f - cx, dy = float(p.y) + 0.5f - cy;
        const float r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
        const float R = 0.44f * b;
        if (r > R)
            return -1.0f;
        // A disc carrying twelve petals with a midrib, a second row of petals
        // between them and a boss in the middle.
        float h = r < 0.96f * R ? 4 * std::sqrt(1 - (r / (0.96f * R)) * (r / (0.96f * R))) : -1.0f;
        const float petal = R * (0.72f + 0.28f * std::pow(std::abs(std::cos(6 * a)), 0.7f));
        if (r < petal) {
            const float rib = std::exp(-std::pow(std::sin(6 * a) * r / 3.5f, 2.0f));
            h = std::max(h, 4 + 14 * std::sqrt(1 - (r / petal) * (r / petal)) * (1 - 0.5f * r / petal) - 2.5f * rib * (r / R));
        }
        const float inner = 0.6f * R * (0.7f + 0.3f * std::pow(std::abs(std::sin(6 * a)), 0.7f));
        if (r < inner)
            h = std::max(h, 10 + 14 * std::sqrt(1 - (r / inner) * (r / inner)));
        const float boss = 0.24f * R;
        if (r < boss)
            h = std::max(h, 20 + 12 * std::sqrt(1 - (r / boss) * (r / boss))
                                + 1.2f * std::cos(r / boss * kPi * 3));
        return h;
    };
    auto profile = [](float t) {
        if (t < 0.05f)
            return Ease(t, 0, 0.05f, 6, 22);
        if (t < 0.13f) { // reeding
            const float u = (t - 0.05f) / 0.08f;
            return 22 + 3 * std::abs(std::sin(kPi * 3 * u));
        }
        if (t < 0.38f) {
            const float u = (t - 0.13f) / 0.25f;
            return 34 - 22 * std::sqrt(std::max(0.0f, 1 - (1 - u) * (1 - u)));
        }
        if (t < 0.6f)
            return 12 + Bead(t, 0.49f, 0.11f, 32);
        if (t < 0.7f) {
            const float u = (t - 0.6f) / 0.1f;
            return 16 + 3 * std::abs(std::sin(kPi * 4 * u));
        }
        if (t < 0.86f) {
            const float u = (t - 0.7f) / 0.16f;
            return 16 - 10 * std::sin(kPi * u) - 6 * u;
        }
        if (t < 0.95f)
            return 10 + Bead(t, 0.905f, 0.045f, 8);
        return Ramp(t, 0.95f, 1.0f, 10, 3);
    };
    auto height = [=](const BorderPoint& p, Material&) {
        const float base = profile(p.t);
        const float orn = rosette(p);
        return orn < 0 ? base : std::max(base, 26 + orn);
    };
    auto shade = [=](const BorderPoint& p, Vec3 n, float h, const Material&) {
        // Deep hollows show the warm bole under the leaf.
        const float hollow = 1 - Smoothstep(6, 22, h);
        Rgb c = Gold(n, 0.04f * (Fractal(p.along / 30, p.across / 10, 2, SideSeed(p, 61)) - 0.5f));
        c = MixRgb(c, Scale(c, 0.55f), 0.5f * hollow);
        c = MixRgb(c, Rgb{120, 60, 32}, 0.18f * hollow);
        return Opaque(c);
    };
    return RenderFrame(g, height, shade);
}

// 7: a plain black gallery frame.
QImage BlackFrame()
{
    const FrameGeometry g{kW, kH, 115, 115, 115, 115};
    auto height = [](const BorderPoint& p, Material&) {
        const float t = p.t;
        return Ease(t, 0, 0.14f, 4, 24) - Ease(t, 0.84f, 0.9f, 0, 9) - Ease(t, 0.97f, 1.0f, 0, 4);
    };
    auto shade = [](const BorderPoint& p, Vec3 n, float, const Material&) {
        const float grain = WoodGrain(p, 71, 6.0f);
        return Opaque(Lit(MixRgb(Rgb{28, 28, 30}, Rgb{20, 20, 22}, grain), n, 0.45f, 0.55f, 0.32f, 24));
    };
    return RenderFrame(g, height, shade);
}

// 8: a sheet of watercolour paper with deckled edges, floated on a dark
// board in a light oak frame, with a plate mark around the picture.
QImage DeckleFrame()
{
    constexpr int b = 270;
    const FrameGeometry g{kW, kH, b, b, b, b};
    constexpr float kOak = 0.2f;
    // How much of the paper covers a point (0 on the board, 1 on the sheet).
    // Where the deckled edge of the sheet lies, in pixels from the outer edge.
    auto paperEdge = [](const BorderPoint& p) {
        const uint32_t s = SideSeed(p, 81);
        return 0.36f * b + 14 * (Fractal(p.along / 70, 0.5f, 3, s) - 0.5f) + 6 * (Noise(p.along / 9, 3.5f, s + 1) - 0.5f);
    };
    // How much of the paper covers a point (0 on the board, 1 on the sheet).
    auto paper = [](const BorderPoint& p, float edge, float across) {
        const float inside = across - edge;
        if (std::abs(inside) > 3)
            return inside > 0 ? 1.0f : 0.0f;
        const float fibres = 2.5f * (Noise(p.along / 1.7f, across / 4, SideSeed(p, 83)) - 0.5f);
        return Smoothstep(-1.5f, 1.5f, inside + fibres);
    };
    auto height = [=](const BorderPoint& p, Material& m) {
        if (p.t < kOak)
            return Ease(p.t, 0, 0.04f, 6, 20) - Ease(p.t, kOak - 0.02f, kOak, 0, 16);
        m.b = paperEdge(p);
        const float cover = m.a = paper(p, m.b, p.across);
        const float tooth = 0.6f * Fractal(float(p.x) / 5, float(p.y) / 5, 3, 82);
        const float plate = -1.6f * Smoothstep(0.0f, 1.0f, 1 - std::abs(p.t - 0.93f) / 0.008f)
                            + 0.8f * Smoothstep(0.93f, 0.938f, p.t);
        return 1 + cover * (2.5f + tooth + plate);
    };
    auto shade = [=](const BorderPoint& p, Vec3 n, float, const Material& m) {
        if (p.t < kOak) {
            const float grain = WoodGrain(p, 83, 8.0f);
            return Opaque(Lit(MixRgb(Rgb{204, 170, 124}, Rgb{160, 120, 78}, grain), n, 0.4f, 0.6f, 0.12f, 30));
        }
        const float cover = m.a;
        // The sheet floats a little above the board and throws a shadow down and right.
        const float lift = (p.side == Side::Bottom || p.side == Side::Right) ? 4.0f : 1.0f;
        const float shadow = 1 - 0.5f * (0.2f * paper(p, m.b, p.across + lift) + 0.35f * paper(p, m.b, p.across + 2 * lift)
                                          + 0.45f * paper(p, m.b, p.across + 3 * lift));
        const float oakShadow = (p.side == Side::Top || p.side == Side::Left) ? 1 - 0.35f * std::exp(-(p.t - kOak) * b / 10) : 1.0f;
        const Rgb sheet = Scale(Rgb{240, 235, 222}, 1 + 0.02f * (Fractal(float(p.x) / 60, float(p.y) / 60, 2, 85) - 0.5f));
        if (cover >= 1)
            return Opaque(Lit(sheet, n, 0.35f, 0.65f, 0, 1));
        const Rgb board = Scale(Rgb{66, 64, 62}, (1 + 0.08f * (Noise(float(p.x) / 2, float(p.y) / 2, 84) - 0.5f)) * shadow * oakShadow);
        return Opaque(Lit(MixRgb(board, sheet, cover), n, 0.35f, 0.65f, 0, 1));
    };
    return RenderFrame(g, height, shade);
}

// 9: an instant photograph's white card, with the wide strip at the bottom.
QImage InstantFrame()
{
    const FrameGeometry g{kW, kH, 118, 118, 118, 540};
    auto height = [](const BorderPoint& p, Material&) {
        const float inner = p.thickness - p.across; // pixels from the opening
        return Ease(p.across, 0, 5, 5, 10) - Ease(-inner, -5, 0, 0, 4)
               + 0.15f * (Fractal(float(p.x) / 2, float(p.y) / 2, 2, 91) - 0.5f);
    };
    auto shade = [](const BorderPoint& p, Vec3 n, float, const Material&) {
        const float inner = p.thickness - p.across;
        // The picture sits in a shallow recess with a thin dark rim.
        const float rim = 1 - 0.45f * (1 - Smoothstep(0, 3, inner));
        return Opaque(Scale(Lit(Rgb{242, 240, 234}, n, 0.4f, 0.6f, 0.05f, 8), rim));
    };
    return RenderFrame(g, height, shade);
}

} // namespace

QImage Frame(int number)
{
    switch (number) {
    case 1: return GildedFrame();
    case 2: return WalnutFrame();
    case 3: return MatFrame();
    case 4: return SilverFrame();
    case 5: return RusticFrame();
    case 6: return OrnateGoldFrame();
    case 7: return BlackFrame();
    case 8: return DeckleFrame();
    case 9: return InstantFrame();
    }
    throw std::invalid_argument("no built-in frame " + std::to_string(number));
}

} // namespace resgen
