// Papers: plain drawing paper, cold-pressed watercolour paper and the graphite
// shading strip of the pencil effect.

#include "tools/resgen/Pictures.h"
#include "tools/resgen/Procedural.h"

#include <algorithm>

namespace resgen {
namespace {

// Lattice cells of about cellPx pixels that fit a whole number of times.
int Cells(int size, float cellPx) { return std::max(1, int(float(size) / cellPx + 0.5f)); }

// Thin curved fibres pressed into the sheet, raised or sunken.
void AddFibres(Field& height, Rng& rng, int count, float minLen, float maxLen, float amount)
{
    for (int i = 0; i < count; ++i) {
        float x = rng.range(0, float(height.w)), y = rng.range(0, float(height.h));
        float angle = rng.range(0, 2 * kPi);
        const float len = rng.range(minLen, maxLen);
        const float width = rng.range(0.6f, 1.4f);
        const float a = amount * rng.range(-0.6f, 1.0f);
        const float bend = rng.range(-0.08f, 0.08f);
        for (float done = 0; done < len; done += 3) {
            const float nx = x + 3 * std::cos(angle), ny = y + 3 * std::sin(angle);
            StrokeLine(height, x, y, nx, ny, width, a);
            x = nx;
            y = ny;
            angle += bend + rng.range(-0.1f, 0.1f);
        }
    }
}

} // namespace

QImage PaperTexture(int w, int h)
{
    Rng rng(0x5EED0001);
    Field height(w, h);
    const int gx = Cells(w, 6), gy = Cells(h, 6), tx = Cells(w, 22), ty = Cells(h, 22);
    ForRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            const float fine = Fbm(float(x) * gx / w, float(y) * gy / h, gx, gy, 3, 0.6f, 101);
            const float tooth = Fbm(float(x) * tx / w, float(y) * ty / h, tx, ty, 2, 0.5f, 102);
            height.at(x, y) = 0.5f * fine + 0.7f * tooth;
        }
    });
    AddFibres(height, rng, w * h / 700, 10, 50, 0.18f);
    const int mx = Cells(w, 160), my = Cells(h, 160);
    return MakeOpaque(w, h, [&](int x, int y) {
        const float mottle = Fbm(float(x) * mx / w, float(y) * my / h, mx, my, 4, 0.5f, 103) - 0.5f;
        const float light = LightAt(height, x, y, 7.0f);
        const float k = (0.78f + 0.22f * light) * (1.0f + 0.04f * mottle);
        return Scale(Rgb{244, 240, 230}, k);
    });
}

QImage WatercolorPaperTexture(int w, int h, unsigned seed)
{
    Field height(w, h);
    const int bx = Cells(w, 26), by = Cells(h, 26), sx = Cells(w, 11), sy = Cells(h, 11);
    const int gx = Cells(w, 4), gy = Cells(h, 4), wx = Cells(w, 90), wy = Cells(h, 90);
    ForRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            const float u = float(x) / w, v = float(y) / h;
            // Cold-pressed paper: rounded hills left by the felt, smaller
            // bumps on them and a fine grain; warped so no cell grid shows.
            const float warpX = Fbm(u * wx, v * wy, wx, wy, 2, 0.5f, seed * 7 + 1) - 0.5f;
            const float warpY = Fbm(u * wx, v * wy, wx, wy, 2, 0.5f, seed * 7 + 2) - 0.5f;
            const float hills = CellNoise(u * bx + warpX * 1.4f, v * by + warpY * 1.4f, bx, by, seed * 7 + 3);
            const float bumps = CellNoise(u * sx + warpY * 2.0f, v * sy + warpX * 2.0f, sx, sy, seed * 7 + 4);
            const float grain = Fbm(u * gx, v * gy, gx, gy, 2, 0.5f, seed * 7 + 5);
            height.at(x, y) = -1.0f * hills * hills - 0.3f * bumps * bumps + 0.12f * grain;
        }
    });
    BlurWrapped(height, 1);
    const int mx = Cells(w, 200), my = Cells(h, 200);
    return MakeOpaque(w, h, [&](int x, int y) {
        const float mottle = Fbm(float(x) * mx / w, float(y) * my / h, mx, my, 4, 0.5f, seed * 7 + 6) - 0.5f;
        const float light = LightAt(height, x, y, 10.0f);
        const float k = (0.78f + 0.22f * light) * (1.0f + 0.04f * mottle);
        return Scale(Rgb{246, 242, 232}, k);
    });
}

QImage CardboardTexture(int w, int h)
{
    // Kraft liner over corrugated flutes: soft parallel ridges where the liner
    // is glued to the flute tips, coarse recycled fibres and dark flecks.
    Rng rng(0xCA7DB0A7);
    const int flutes = std::max(2, h / 52);
    const int gx = Cells(w, 5), gy = Cells(h, 5), wx = Cells(w, 256), wy = Cells(h, 256);
    Field height(w, h), albedo(w, h);
    ForRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            const float u = float(x) / w, v = float(y) / h;
            const float wave = 0.08f * (Fbm(u * wx, v * wy, wx, wy, 2, 0.5f, 601) - 0.5f);
            const float phase = (v + wave / float(flutes)) * float(flutes);
            const float ridge = 0.5f - 0.5f * std::cos(2 * kPi * phase);
            height.at(x, y) = 2.2f * ridge * ridge + 0.35f * Fbm(u * gx, v * gy, gx, gy, 3, 0.55f, 602);
        }
    });
    AddFibres(height, rng, w * h / 160, 4, 22, 0.18f);
    AddFibres(albedo, rng, w * h / 110, 4, 24, 0.3f);
    for (int i = 0, n = w * h / 2500; i < n; ++i) { // dark flecks
        const float x = rng.range(0, float(w)), y = rng.range(0, float(h));
        const float r = rng.range(0.8f, 2.4f), depth = rng.range(0.3f, 0.9f);
        Splat(albedo, x, y, r, -depth);
    }
    const int mx = Cells(w, 120), my = Cells(h, 120);
    return MakeOpaque(w, h, [&](int x, int y) {
        const float mottle = Fbm(float(x) * mx / w, float(y) * my / h, mx, my, 4, 0.5f, 603) - 0.5f;
        const float light = LightAt(height, x, y, 3.2f);
        const float fibre = std::clamp(albedo.at(x, y), -1.0f, 1.0f);
        const Rgb kraft = MixRgb(Rgb{178, 138, 94}, fibre > 0 ? Rgb{205, 172, 128} : Rgb{96, 70, 46}, std::abs(fibre));
        return Scale(kraft, (0.66f + 0.34f * light) * (1.0f + 0.16f * mottle));
    });
}

QImage PencilTexture(int w, int h)
{
    // Graphite grain: tooth of the paper catching the lead, and strokes drawn
    // slightly uphill. Normalised per column so the tone there is exact.
    Field grain(w, h);
    const float ca = std::cos(0.26f), sa = std::sin(0.26f);
    ForRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            const float along = float(x) * ca - float(y) * sa, across = float(x) * sa + float(y) * ca;
            const float tooth = Fbm(float(x) / 2.5f, float(y) / 2.5f, 4096, 4096, 2, 0.5f, 201);
            const float specks = Smoothstep(0.5f, 0.75f, tooth);
            const float strokes = Fbm(along / 70.0f + 50, across / 2.2f + 50, 4096, 4096, 3, 0.55f, 202);
            grain.at(x, y) = 0.8f * strokes - 0.3f * specks + 0.1f * tooth;
        }
    });
    Field out(w, h);
    for (int x = 0; x < w; ++x) {
        float mean = 0, var = 0;
        for (int y = 0; y < h; ++y)
            mean += grain.at(x, y);
        mean /= float(h);
        for (int y = 0; y < h; ++y)
            var += (grain.at(x, y) - mean) * (grain.at(x, y) - mean);
        const float dev = std::sqrt(var / float(h)) + 1e-6f;
        const float t = float(x) / float(w - 1);
        const float tone = 255.0f * t;
        // Grain is strongest in the mid tones, fading to solid lead and bare paper.
        const float amp = 12.0f + 60.0f * t * (1 - t);
        float shift = 0;
        for (int pass = 0; pass < 4; ++pass) {
            float sum = 0;
            for (int y = 0; y < h; ++y) {
                // Bright tooth (paper showing through) is the positive side.
                const float g = (grain.at(x, y) - mean) / dev;
                sum += std::clamp(tone + shift - amp * g, 0.0f, 255.0f);
            }
            shift += tone - sum / float(h);
        }
        for (int y = 0; y < h; ++y)
            out.at(x, y) = std::clamp(tone + shift - amp * (grain.at(x, y) - mean) / dev, 0.0f, 255.0f);
    }
    return TintedGrey(out, Rgb{1.0f, 1.0f, 1.0f});
}

} // namespace resgen
