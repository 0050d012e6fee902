// Similarity smoothing flattens the small colour variations inside regions
// while keeping the borders between them: a neighbour only counts when its
// colour is close to the centre's. Watercolor runs it on a half-size copy to
// soften its patches; Cartoon runs it as a bilateral filter.

#include "engine/SimilaritySmoothSurface.h"

#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace pv {
namespace {

struct SmoothPass {
    const uint32_t* in = nullptr; // the pass's input, w x h, row-major
    uint32_t* out = nullptr;
    const uint32_t* const* guideRows = nullptr;
    int w = 0, h = 0;
    int radius = 0;   // the window actually walked (never beyond the picture)
    int kerRadius = 0; // the kernel's own radius
    int kerSize = 0;
    int thr2 = 0;
    const float* spatial = nullptr;
    const float* range = nullptr; // null: every colour difference weighs 1
};

inline int Channel(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }

// Pixels per stretch of a row whose sums stay in the first-level cache while
// the whole window is walked over them.
constexpr int kStretch = 384;
// The range table's entry of weight 0, for neighbours that do not take part.
constexpr int kRangeOff = 256;

// One output row, in stretches. Each stretch walks the window offset by
// offset, so the inner loops run over contiguous pixels; each pixel still sums
// its neighbours in the same order (rows top to bottom, then left to right).
template <bool Bilateral>
[[gnu::always_inline]] inline void SmoothRow(const SmoothPass& s, int y, float* __restrict sumR,
                                             float* __restrict sumG, float* __restrict sumB, float* __restrict sumW)
{
    const float* __restrict range = s.range;
    const int w = s.w;
    std::fill(sumR, sumR + w, 0.0f);
    std::fill(sumG, sumG + w, 0.0f);
    std::fill(sumB, sumB + w, 0.0f);
    std::fill(sumW, sumW + w, 0.0f);
    const uint32_t* centre = s.guideRows[y];
    const int y0 = std::max(0, y - s.radius), y1 = std::min(s.h - 1, y + s.radius);
    for (int x0 = 0; x0 < w; x0 += kStretch) {
        const int x1 = std::min(w, x0 + kStretch);
        for (int yy = y0; yy <= y1; ++yy) {
            const int dy = yy - y;
            const uint32_t* inRow = s.in + size_t(yy) * size_t(w);
            const uint32_t* gRow = s.guideRows[yy];
            const float* kerRow = s.spatial + size_t(dy + s.kerRadius) * size_t(s.kerSize) + s.kerRadius;
            for (int dx = -s.radius; dx <= s.radius; ++dx) {
                const float k = kerRow[dx];
                const int xs = std::max(x0, -dx), xe = std::min(x1, w - dx);
                const uint32_t* q = inRow + dx;
                const uint32_t* g = gRow + dx;
                if constexpr (Bilateral) {
                    // Three loops, so that the two over whole pixels
                    // vectorise: the table index of each neighbour's weight
                    // (kRangeOff for one that does not take part), the
                    // weights from the table, the sums.
                    int index[kStretch];
                    float weight[kStretch];
                    const int n = xe - xs;
                    for (int i = 0; i < n; ++i) {
                        const int x = xs + i;
                        const uint32_t c = centre[x], gq = g[x], qv = q[x];
                        const int dr = Channel(c, 16) - Channel(gq, 16);
                        const int dg = Channel(c, 8) - Channel(gq, 8);
                        const int db = Channel(c, 0) - Channel(gq, 0);
                        const bool take = (dr * dr + dg * dg + db * db <= s.thr2) & ((qv >> 24) != 0);
                        const int m = std::max(std::abs(dr), std::max(std::abs(dg), std::abs(db)));
                        index[i] = take ? m : kRangeOff;
                    }
                    for (int i = 0; i < n; ++i)
                        weight[i] = k * range[index[i]];
                    for (int i = 0; i < n; ++i) {
                        const int x = xs + i;
                        const uint32_t qv = q[x];
                        const float wgt = weight[i];
                        sumR[x] = sumR[x] + wgt * float(Channel(qv, 16));
                        sumG[x] = sumG[x] + wgt * float(Channel(qv, 8));
                        sumB[x] = sumB[x] + wgt * float(Channel(qv, 0));
                        sumW[x] = sumW[x] + wgt;
                    }
                } else {
                    for (int x = xs; x < xe; ++x) {
                        const uint32_t c = centre[x], gq = g[x], qv = q[x];
                        const int dr = Channel(c, 16) - Channel(gq, 16);
                        const int dg = Channel(c, 8) - Channel(gq, 8);
                        const int db = Channel(c, 0) - Channel(gq, 0);
                        const bool take = dr * dr + dg * dg + db * db <= s.thr2 && (qv >> 24) != 0;
                        const float wgt = take ? k : 0.0f;
                        sumR[x] = sumR[x] + wgt * float(Channel(qv, 16));
                        sumG[x] = sumG[x] + wgt * float(Channel(qv, 8));
                        sumB[x] = sumB[x] + wgt * float(Channel(qv, 0));
                        sumW[x] = sumW[x] + wgt;
                    }
                }
            }
        }
    }
    const uint32_t* p = s.in + size_t(y) * size_t(w);
    uint32_t* o = s.out + size_t(y) * size_t(w);
    for (int x = 0; x < w; ++x) {
        const uint32_t a = p[x] >> 24;
        if (a == 0 || !(sumW[x] > 0.001f)) {
            o[x] = p[x];
            continue;
        }
        const float inv = 1.0f / sumW[x];
        // Neighbours of other alphas can pull a colour above this pixel's alpha.
        auto ch = [&](float sum) { return uint32_t(std::min(int(a), std::max(0, Round(sum * inv)))); };
        o[x] = (a << 24) | (ch(sumR[x]) << 16) | (ch(sumG[x]) << 8) | ch(sumB[x]);
    }
}

// Rows lo..hi - 1. The loops vectorise; on processors with wider vectors the
// same code runs eight pixels at a time (each pixel's sums keep their order,
// so the result is the same). One clone set per variant: multiversioned
// functions cannot be templates.
template <bool Bilateral>
[[gnu::always_inline]] inline void SmoothRowRange(const SmoothPass& s, int lo, int hi, float* sums)
{
    float* r = sums;
    float* g = r + s.w;
    float* b = g + s.w;
    float* wt = b + s.w;
    for (int y = lo; y < hi; ++y)
        SmoothRow<Bilateral>(s, y, r, g, b, wt);
}

[[gnu::target_clones("avx2", "default")]] void SmoothRowsBilateral(const SmoothPass& s, int lo, int hi, float* sums)
{
    SmoothRowRange<true>(s, lo, hi, sums);
}

[[gnu::target_clones("avx2", "default")]] void SmoothRowsPlain(const SmoothPass& s, int lo, int hi, float* sums)
{
    SmoothRowRange<false>(s, lo, hi, sums);
}

void RunPass(const SmoothPass& pass, bool bilateral, tbb::task_arena* privatePool)
{
    auto rows = [&](int lo, int hi) {
        std::vector<float> sums(size_t(pass.w) * 4);
        if (bilateral)
            SmoothRowsBilateral(pass, lo, hi, sums.data());
        else
            SmoothRowsPlain(pass, lo, hi, sums.data());
    };
    if (privatePool) {
        // The row bodies read no per-thread engine state, so a plain loop on
        // the private pool is enough.
        privatePool->execute([&] {
            tbb::parallel_for(tbb::blocked_range<int>(0, pass.h, 4),
                              [&](const tbb::blocked_range<int>& r) { rows(r.begin(), r.end()); });
        });
    } else {
        ParallelForRange(0, pass.h, rows, 4);
    }
}

// The pixels as a picture for one draw, without copying them: each draw
// below reads one raster and writes another, and the view ends with the draw.
ISkImage ViewOf(const SkPixmap& pm)
{
    return SkImage::MakeFromRaster(
        QImage(pm.base, pm.width, pm.height, qsizetype(pm.rowBytes), QImage::Format_ARGB32_Premultiplied));
}

} // namespace

int SimilaritySmoothFactor(int W, int H, int Radius, int Downsample, bool HasGuide)
{
    if (HasGuide || Downsample <= 1)
        return 1;
    const int64_t window = 2 * (2 * int64_t(std::max(Radius, 0)) + 1);
    if (W / Downsample < window || H / Downsample < window)
        return 1;
    return Downsample;
}

void SimilaritySmoothSurface_MT(const ISkSurface& Surface, const ISkImage& Guide, int Radius, int SimilarityThreshold,
                                int Iterations, bool UseBilateral, float SpatialSigma, float RangeSigma,
                                int PrivateThreadCount, const std::function<void(float)>& OnProgress, int Downsample)
{
    if (!Surface)
        return;
    const bool selfGuided = !Guide;
    SkPixmap surf;
    if (!Surface->peekPixels(surf) || !surf.valid() || Iterations < 1)
        return;
    const int W = surf.width, H = surf.height;
    Radius = std::max(Radius, 0);

    // The working picture: the surface itself, or a smaller copy drawn with
    // linear filtering from the nearest mipmap level.
    int factor = SimilaritySmoothFactor(W, H, Radius, Downsample, !selfGuided);
    ISkSurface small;
    SkPixmap work = surf;
    if (factor > 1) {
        small = SkSurface::MakeRaster(W / factor, H / factor);
        if (!small) {
            factor = 1;
        } else {
            SharedPool().execute([&] {
                small->getCanvas()->drawImageRect(ViewOf(surf), SkRect::MakeWH(float(W), float(H)),
                                                  SkRect::MakeWH(float(small->width()), float(small->height())),
                                                  SkSamplingOptions::LinearMipmapNearest());
            });
            if (!small->peekPixels(work))
                return;
        }
    }
    const int w = work.width, h = work.height;

    LargeBuffer<uint32_t> bufA(size_t(w) * size_t(h)), bufB(bufA.size());
    for (int y = 0; y < h; ++y)
        std::memcpy(bufA.data() + size_t(y) * size_t(w), work.row(y), size_t(w) * 4);

    // A separate guide of the working size decides similarity; one of another
    // size is ignored and the starting picture guides every pass instead.
    std::vector<const uint32_t*> guideRows(static_cast<size_t>(h));
    LargeBuffer<uint32_t> fixedGuide;
    if (!selfGuided) {
        SkPixmap g;
        if (Guide->peekPixels(g) && g.width == w && g.height == h) {
            for (int y = 0; y < h; ++y)
                guideRows[size_t(y)] = g.row(y);
        } else {
            fixedGuide = LargeBuffer<uint32_t>(bufA.size());
            std::copy_n(bufA.data(), bufA.size(), fixedGuide.data());
            for (int y = 0; y < h; ++y)
                guideRows[size_t(y)] = fixedGuide.data() + size_t(y) * size_t(w);
        }
    }

    float sigma = SpatialSigma;
    if (float(Radius) / 2.5f > sigma)
        sigma = std::max(0.5f, float(Radius) / 2.5f);
    // Offsets beyond the picture never take part, so the window walked (and the
    // kernel stored) stops there whatever radius a script asks for.
    const int walk = std::min(Radius, std::max(w, h));
    const int kerSize = 2 * walk + 1;
    std::vector<float> spatial(size_t(kerSize) * size_t(kerSize));
    for (int dy = -walk; dy <= walk; ++dy)
        for (int dx = -walk; dx <= walk; ++dx)
            spatial[size_t(dy + walk) * size_t(kerSize) + size_t(dx + walk)] =
                std::exp(-0.5f * float(dx * dx + dy * dy) / (sigma * sigma));
    std::array<float, kRangeOff + 1> rangeLut{}; // the last entry stays 0

    // Squares of thresholds beyond the largest possible distance all mean "every colour".
    const int threshold = std::min(std::abs(SimilarityThreshold), 1000);

    std::optional<tbb::task_arena> pool;
    if (PrivateThreadCount > 0)
        pool.emplace(PrivateThreadCount);

    SmoothPass pass;
    pass.w = w;
    pass.h = h;
    pass.radius = walk;
    pass.kerRadius = walk;
    pass.kerSize = kerSize;
    pass.spatial = spatial.data();
    pass.thr2 = threshold * threshold;
    pass.guideRows = guideRows.data();
    uint32_t* result = bufA.data();
    for (int n = 1; n <= Iterations; ++n) {
        if (OnProgress)
            OnProgress(float(n) / float(Iterations));
        if (UseBilateral) {
            const float sr = RangeSigma * (1.0f + 0.2f * float(n - 1));
            for (int d = 0; d < kRangeOff; ++d)
                rangeLut[size_t(d)] = std::exp(-float(d * d) / (2.0f * sr * sr));
            pass.range = rangeLut.data();
        }
        const bool odd = n % 2 == 1;
        pass.in = odd ? bufA.data() : bufB.data();
        pass.out = odd ? bufB.data() : bufA.data();
        if (selfGuided)
            for (int y = 0; y < h; ++y)
                guideRows[size_t(y)] = pass.in + size_t(y) * size_t(w);
        RunPass(pass, UseBilateral, pool ? &*pool : nullptr);
        result = pass.out;
    }
    pool.reset();

    for (int y = 0; y < h; ++y)
        std::memcpy(work.row(y), result + size_t(y) * size_t(w), size_t(w) * 4);
    if (factor == 1)
        return;
    // Drawn over the surface without clearing it: an opaque result replaces
    // it, translucent areas composite over the old pixels.
    SharedPool().execute([&] {
        Surface->getCanvas()->drawImageRect(ViewOf(work), SkRect::MakeWH(float(w), float(h)),
                                            SkRect::MakeWH(float(W), float(H)), SkSamplingOptions::LinearMipmapNearest());
    });
}

} // namespace pv
