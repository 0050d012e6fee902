// Old film: mid-grey emulsion grain with dust specks, hairs and vertical
// scratches. The film effects add its deviation from the mean grey, so
// everything is drawn around 128 and the picture repeats seamlessly.

#include "tools/resgen/Pictures.h"
#include "tools/resgen/Procedural.h"

#include <algorithm>

namespace resgen {

QImage FilmGrainTexture(int w, int h)
{
    Rng rng(0xF11A6A1Bu);
    // Grain: white noise, part of it clumped the way silver grains cluster.
    Field fine(w, h), clumped(w, h);
    ForRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            fine.at(x, y) = LatticeValue(x, y, 701) - 0.5f;
            clumped.at(x, y) = LatticeValue(x, y, 702) - 0.5f;
        }
    });
    BlurWrapped(clumped, 1);
    const float fineDev = fine.deviation(), clumpDev = clumped.deviation();

    Field marks(w, h);
    // Dust: small irregular specks, mostly dark, some bright.
    for (int i = 0, n = w * h / 15000; i < n; ++i) {
        const float cx = rng.range(0, float(w)), cy = rng.range(0, float(h));
        const float value = rng.uniform() < 0.7f ? -rng.range(45, 110) : rng.range(35, 80);
        const int parts = 1 + rng.below(4);
        const float size = rng.uniform() < 0.06f ? rng.range(3.0f, 6.0f) : rng.range(0.8f, 2.8f);
        for (int k = 0; k < parts; ++k) {
            const float px = cx + rng.range(-size, size), py = cy + rng.range(-size, size);
            const float r = size * rng.range(0.6f, 1.2f);
            Splat(marks, px, py, r, value);
        }
    }
    // Hairs: thin dark curls.
    for (int i = 0, n = std::max(2, w * h / 420000); i < n; ++i) {
        float x = rng.range(0, float(w)), y = rng.range(0, float(h));
        float angle = rng.range(0, 2 * kPi), turn = rng.range(-0.025f, 0.025f);
        const float len = rng.range(60, 380), width = rng.range(0.9f, 1.6f), value = -rng.range(50, 85);
        for (float done = 0; done < len; done += 2) {
            const float nx = x + 2 * std::cos(angle), ny = y + 2 * std::sin(angle);
            StrokeLine(marks, x, y, nx, ny, width, value * 0.55f);
            x = nx;
            y = ny;
            turn = std::clamp(turn + rng.range(-0.006f, 0.006f), -0.04f, 0.04f);
            angle += turn;
        }
    }
    // Scratches run along the film, wavering and breaking off; their waves
    // repeat a whole number of times over the height so the picture tiles.
    for (int i = 0, n = std::max(2, w / 400); i < n; ++i) {
        const float x0 = rng.range(0, float(w)), amp = rng.range(0.5f, 4.0f);
        const int waves = 1 + rng.below(3);
        const float phase = rng.range(0, 2 * kPi), width = rng.range(1.0f, 1.8f);
        const float value = rng.uniform() < 0.65f ? rng.range(40, 80) : -rng.range(30, 60);
        const uint32_t breaks = uint32_t(rng.next());
        const int periods = std::max(1, h / 180);
        for (int y = 0; y < h; ++y) {
            const float on = Smoothstep(0.42f, 0.5f, ValueNoise(float(y) * periods / h, 0.5f, periods, 1, breaks));
            if (on <= 0)
                continue;
            const float xa = x0 + amp * std::sin(2 * kPi * waves * float(y) / h + phase);
            const float xb = x0 + amp * std::sin(2 * kPi * waves * float(y + 1) / h + phase);
            StrokeLine(marks, xa, float(y), xb, float(y + 1), width, value * on * 0.5f);
        }
    }
    const int fx = std::max(1, w / 320), fy = std::max(1, h / 320);
    return MakeOpaque(w, h, [&](int x, int y) {
        const float grain = 6.0f * fine.at(x, y) / fineDev + 7.0f * clumped.at(x, y) / clumpDev;
        const float density = 8.0f * (Fbm(float(x) * fx / w, float(y) * fy / h, fx, fy, 3, 0.5f, 703) - 0.5f);
        const float g = 128.0f + grain + density + std::clamp(marks.at(x, y), -115.0f, 95.0f);
        return Rgb{g, g, g};
    });
}

} // namespace resgen
