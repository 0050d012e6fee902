// Woven textures: primed artist's canvas and natural linen. Both are plain
// weaves (each thread passes over one crossing thread and under the next)
// built as a height field and lit from the upper left.

#include "tools/resgen/Pictures.h"
#include "tools/resgen/Procedural.h"

#include <algorithm>

namespace resgen {
namespace {

struct Weave {
    float threadPx; // distance between neighbouring threads
    float thickness; // thread width as a share of that distance
    float slub; // how much a thread thickens and thins along its length
    float wobble; // how far threads wander from straight lines (threads)
    float fuzz; // fibre streaks along the threads
    uint32_t seed;
};

struct WovenPixel {
    float height; // 0 in the gaps, up to about 1 on a thread's crest
    int thread; // signed index: weft j >= 0 as j, warp i as -1 - i
};

// Thread counts are rounded to multiples of 4 so that the quarter-rate noise
// along each thread repeats with the picture.
int ThreadCount(int size, float threadPx) { return std::max(4, int(float(size) / threadPx / 4 + 0.5f) * 4); }

Field WeaveField(int w, int h, const Weave& p, std::vector<int>* threads)
{
    const int nx = ThreadCount(w, p.threadPx), ny = ThreadCount(h, p.threadPx);
    const int wx = std::max(1, nx / 8), wy = std::max(1, ny / 8);
    Field height(w, h);
    if (threads)
        threads->assign(size_t(w) * h, 0);
    ForRows(h, [&](int y) {
        for (int x = 0; x < w; ++x) {
            const float bu = float(x) * nx / w, bv = float(y) * ny / h;
            const float u = bu + p.wobble * (Fbm(bu / 8, bv / 8, wx, wy, 3, 0.5f, p.seed + 1) - 0.5f);
            const float v = bv + p.wobble * (Fbm(bu / 8, bv / 8, wx, wy, 3, 0.5f, p.seed + 2) - 0.5f);
            const float fu = std::floor(u), fv = std::floor(v);
            const int i = WrapIndex(int(fu), nx), j = WrapIndex(int(fv), ny);
            const float fx = u - fu - 0.5f, fy = v - fv - 0.5f;

            // Weft (horizontal) thread j and warp (vertical) thread i.
            const float weftT = p.thickness * (1 + p.slub * (ValueNoise(u / 4, float(j) * 7.31f, nx / 4, ny * 8, p.seed + 3) - 0.5f));
            const float warpT = p.thickness * (1 + p.slub * (ValueNoise(v / 4, float(i) * 7.31f, ny / 4, nx * 8, p.seed + 4) - 0.5f));
            const float qW = 1 - (2 * fy / weftT) * (2 * fy / weftT);
            const float qV = 1 - (2 * fx / warpT) * (2 * fx / warpT);
            const float pW = qW > 0 ? std::sqrt(qW) : 0, pV = qV > 0 ? std::sqrt(qV) : 0;
            const float sW = std::sin(kPi * (u + float(j))), sV = -std::sin(kPi * (v + float(i)));
            float zW = pW * (0.62f + 0.38f * sW), zV = pV * (0.62f + 0.38f * sV);
            if (p.fuzz > 0) {
                zW += p.fuzz * pW * (ValueNoise(u * 3, v * 9, nx * 3, ny * 9, p.seed + 5) - 0.5f);
                zV += p.fuzz * pV * (ValueNoise(u * 9, v * 3, nx * 9, ny * 3, p.seed + 6) - 0.5f);
            }
            height.at(x, y) = std::max({zW, zV, 0.0f});
            if (threads)
                (*threads)[size_t(y) * w + x] = zW >= zV ? j : -1 - i;
        }
    });
    return height;
}

} // namespace

QImage CanvasTexture(int w, int h)
{
    const Weave weave{10.5f, 0.92f, 0.35f, 0.35f, 0.25f, 301};
    std::vector<int> threads;
    const Field height = WeaveField(w, h, weave, &threads);
    const int mx = std::max(1, w / 128), my = std::max(1, h / 128);
    return MakeOpaque(w, h, [&](int x, int y) {
        const float z = height.at(x, y);
        const float light = LightAt(height, x, y, 2.2f);
        // The priming fills the gaps a little: they stay darker but not black.
        const float occlusion = 0.72f + 0.28f * std::sqrt(z);
        const int t = threads[size_t(y) * w + x];
        const float tone = 1 + 0.03f * (LatticeValue(t, 0, 302) - 0.5f);
        const float mottle = 1 + 0.03f * (Fbm(float(x) * mx / w, float(y) * my / h, mx, my, 3, 0.5f, 303) - 0.5f);
        return Scale(Rgb{236, 230, 216}, (0.72f + 0.28f * light) * occlusion * tone * mottle);
    });
}

QImage FabricTexture(int w, int h)
{
    const Weave weave{6.4f, 0.86f, 0.8f, 0.45f, 0.5f, 401};
    std::vector<int> threads;
    const Field height = WeaveField(w, h, weave, &threads);
    return MakeOpaque(w, h, [&](int x, int y) {
        const float z = height.at(x, y);
        const float light = LightAt(height, x, y, 1.6f);
        const float occlusion = 0.55f + 0.45f * z;
        // Linen threads differ in colour from one to the next.
        const int t = threads[size_t(y) * w + x];
        const float tone = 1 + 0.12f * (LatticeValue(t, 1, 402) - 0.5f);
        const Rgb linen = MixRgb(Rgb{204, 190, 160}, Rgb{186, 168, 134}, LatticeValue(t, 2, 403));
        return Scale(linen, (0.7f + 0.3f * light) * occlusion * tone);
    });
}

} // namespace resgen
