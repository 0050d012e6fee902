// Gouache painting repaints the picture as layers of flat, opaque blobs of
// paint. Each blob grows from a seed pixel along spokes until the colour or the
// edges of the source stop it, gets the mean colour of the pixels it covers
// with a small random variation, and replaces the paint under it only where it
// brings the painting closer to the source. Brush strokes and a relief give the
// paint body, the last layer closes the gaps and may add contour lines, and a
// vibrance pass finishes the picture.
//
// All parallel loops run on the effect's own pool; the blob loop itself is
// serial (each blob depends on the painting so far), so the result does not
// depend on the number of workers.

#include "effects/painting/gouache/GouachePainting.h"

#include "effects/painting/gouache/GouacheRun.h"
#include "engine/ContourLines.h"
#include "engine/VibrancePop.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <tbb/task_arena.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace pv {

// ------------------------------------------------------------------ derived values

GouacheParams ComputeGouacheParams(int P1, int P2, int P3, int P4, int P5, int w, int h, int SW, int SH)
{
    GouacheParams p;
    const int rawP4 = P4;
    p.P1 = Clamp(P1, 0, 100);
    p.P2 = Clamp(P2, 0, 100);
    p.P3 = Clamp(P3, 0, 100);
    p.P4 = Clamp(P4, 0, 100);
    p.P5 = Clamp(P5, 0, 100);
    p.L = p.P1 * 5 / 100 + 3;
    p.D = std::sqrt(double(SW) * double(SW) + double(SH) * double(SH));
    p.B = std::max(6, Round(p.D / 8.0 * (double(p.P2) * 0.0264 + 0.28)));
    p.F = std::max(6, p.B >> (p.L - 1));
    p.g = std::min(p.F, 12);
    p.S = std::clamp<int64_t>(int64_t(std::max(w, 0)) * int64_t(std::max(h, 0)) / 300, 1000, 40000);
    p.E = 600 - 5 * p.P3;
    p.c = (100 - p.P3) * 4 / 100 + 3;
    p.e = ((100 - p.P3) * 6 / 100 + 4) * p.E;
    p.StrokeAmp = p.P4 * 12 / 25;
    p.t = p.P4 / 6 + 6;
    p.s = 1.0f + 0.02f * float(std::max(0, p.P2 - 50));
    // The height strength reads the strength as given; a script-sized value
    // must not overflow on its way to the clamp.
    p.k = int(std::clamp<int64_t>((int64_t(rawP4) + 60) * 36 / 25, 0, 240));
    return p;
}

int GouacheLayerRadius(int B, int layer) { return std::max(3, B >> layer); }

int64_t GouacheSeedCapacity(int w, int h, int R, int64_t U, int64_t S)
{
    const int64_t area = int64_t(w) * int64_t(h);
    int64_t C = std::max<int64_t>(1, Round64(double(area) * 2.5 / (double(R) * double(R))));
    if (area > 0)
        C = C + C * U / area;
    return std::min(C, S);
}

int GouacheCoveragePenalty(int L, int layer) { return (240 * L - 240 * layer - 240) / (L - 1); }

int GouacheAcceptancePercent(int L, int layer) { return layer * 10 / (L - 1) + 90; }

// ------------------------------------------------------------------ the pool

namespace {
constexpr int kGouachePoolSize = 8;

PrivatePool& GouachePoolOwner()
{
    static PrivatePool pool(kGouachePoolSize);
    return pool;
}
} // namespace

tbb::task_arena& GouachePool() { return *GouachePoolOwner().Get(); }

void SetGouachePoolWorkers(int workers)
{
    GouachePoolOwner().SetWorkers(workers <= 0 ? 0 : std::min(workers, kGouachePoolSize));
}

int GouachePoolWorkers() { return GouachePool().max_concurrency(); }

// ------------------------------------------------------------------ run state

void GouacheRun::allocate(int width, int height)
{
    w = width;
    h = height;
    const size_t n = count();
    EdgeMap = LargeBuffer<uint16_t>(n);
    OwnWork = LargeBuffer<uint32_t>(n);
    Work = OwnWork.data();
    workInDest = false;
    Flat = LargeBuffer<uint32_t>(n);
    Coverage = LargeBuffer<uint8_t>(n);
    BlobPix.clear();
    UBlockStart.assign((n + kGouacheBlockPixels - 1) / kGouacheBlockPixels + 1, 0);
}

void GouacheRun::ReleaseWorkingMaps()
{
    EdgeMap.reset();
    Flat.reset();
    BlobPix = {};
    UBlockStart = {};
    Hgt.reset();
    Fade = {};
}

namespace {

template <typename T>
void SmoothInPlace(LargeBuffer<T>& map, int w, int h)
{
    if (w <= 0 || h <= 0)
        return;
    // In place, in bands of rows: each band takes the unsmoothed rows just
    // outside it before any band writes, and keeps its own rows' unsmoothed
    // values as it goes down.
    constexpr int kBand = 64;
    const int bands = (h + kBand - 1) / kBand;
    const size_t W = size_t(w);
    auto row = [&](int y) { return map.data() + size_t(y) * W; };
    std::vector<T> outside(size_t(bands) * 2 * W);
    GouacheParallel(0, bands, [&](int lo, int hi) {
        for (int b = lo; b < hi; ++b) {
            const int y0 = b * kBand, y1 = std::min(h, y0 + kBand);
            std::copy_n(row(std::max(y0 - 1, 0)), W, outside.data() + size_t(2 * b) * W);
            std::copy_n(row(std::min(y1, h - 1)), W, outside.data() + size_t(2 * b + 1) * W);
        }
    });
    GouacheParallel(0, bands, [&](int lo, int hi) {
        std::vector<T> keep(3 * W);
        for (int b = lo; b < hi; ++b) {
            const int y0 = b * kBand, y1 = std::min(h, y0 + kBand);
            T* above = keep.data();
            T* here = keep.data() + W;
            T* spare = keep.data() + 2 * W;
            std::copy_n(outside.data() + size_t(2 * b) * W, W, above);
            std::copy_n(row(y0), W, here);
            for (int y = y0; y < y1; ++y) {
                // The row below: unsmoothed still inside the band, taken
                // beforehand past its end, the row itself at the bottom.
                const T* below = y + 1 >= h ? here
                                       : y + 1 < y1 ? row(y + 1)
                                                    : outside.data() + size_t(2 * b + 1) * W;
                const T* rows[3] = {above, here, below};
                T* out = row(y);
                for (int x = 0; x < w; ++x) {
                    const int xl = std::max(x - 1, 0), xr = std::min(x + 1, w - 1);
                    int sum = 0;
                    for (const T* r : rows)
                        sum += int(r[xl]) + int(r[x]) + int(r[xr]);
                    out[x] = T(sum / 9);
                }
                if (y + 1 < y1) {
                    std::copy_n(row(y + 1), W, spare);
                    std::swap(above, here);
                    std::swap(here, spare);
                }
            }
        }
    });
}

} // namespace

void SmoothGouacheMap(LargeBuffer<int32_t>& map, int w, int h) { SmoothInPlace(map, w, h); }
void SmoothGouacheMap(LargeBuffer<uint16_t>& map, int w, int h) { SmoothInPlace(map, w, h); }

void BuildGouacheAnalysis(GouacheRun& run)
{
    const int w = run.w, h = run.h;
    GouacheParallel(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = run.src + size_t(y) * size_t(w);
            uint16_t* edge = run.EdgeMap.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const uint32_t px = s[x];
                int e = 0;
                if (x < w - 1)
                    e += GouacheColourDistance(px, s[x + 1]);
                if (y < h - 1)
                    e += GouacheColourDistance(px, s[x + w]);
                edge[x] = uint16_t(e);
            }
        }
    });
    SmoothGouacheMap(run.EdgeMap, w, h);
}

// Copies the painting into Dest. Paint over a translucent base picture can be
// brighter than its alpha after strokes, relief or contours: such colour is
// held to the alpha so Dest stays a valid premultiplied picture.
void ShowGouacheWork(GouacheRun& run)
{
    run.printing.wait();
    SkPixmap pm;
    if (run.workInDest || !run.dest->peekPixels(pm))
        return;
    const int w = std::min(run.w, pm.width);
    GouacheParallel(0, std::min(run.h, pm.height), [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* in = run.Work + size_t(y) * size_t(run.w);
            uint32_t* out = pm.row(y);
            for (int x = 0; x < w; ++x) {
                const uint32_t p = in[x];
                const uint32_t a = p >> 24;
                const uint32_t r = std::min((p >> 16) & 0xFF, a), g = std::min((p >> 8) & 0xFF, a),
                               b = std::min(p & 0xFF, a);
                out[x] = (a << 24) | (r << 16) | (g << 8) | b;
            }
        }
    });
}

namespace {

// The canvas start: a full render reads the erase switch and the picture to
// start from; a preview always starts from white.
void StartGouacheCanvas(GouacheRun& run)
{
    run.DoClear = true;
    if (!run.preview) {
        CanvasStartOptions options;
        options.keep = KeepMode::RecordOnly;
        const CanvasStart start = StartEffectCanvas(run.dest, options);
        run.DoClear = start.DoClear;
        run.BaseImage = start.BaseImage;
    }
    if (!run.DoClear && !run.BaseImage)
        run.DoClear = true;
    // A cleared canvas stays opaque, so showing the painting would copy it
    // unchanged: a full render paints straight into Dest instead.
    SkPixmap pm;
    if (run.DoClear && !run.preview && run.dest->peekPixels(pm) && pm.width == run.w && pm.height == run.h &&
        pm.rowBytes == size_t(run.w) * 4) {
        run.OwnWork.reset();
        run.Work = pm.row(0);
        run.workInDest = true;
    }
    // Pixels a smaller base picture does not reach stay zero (transparent).
    if (!run.DoClear &&
        !run.BaseImage->readPixels(run.Work, size_t(run.w) * 4, 0, 0, run.w, run.h, SkAlphaType::Premul))
        run.DoClear = true;
    if (run.DoClear)
        std::fill_n(run.Work, run.count(), 0xFFFFFFFFu);
    else if (run.hasTransparency)
        // A kept translucent picture is painted on in straight colour too.
        GouacheParallel(0, run.h, [&](int lo, int hi) {
            for (size_t i = size_t(lo) * size_t(run.w); i < size_t(hi) * size_t(run.w); ++i)
                run.Work[i] = 0xFF000000u | UnpremultiplyPixel(run.Work[i]);
        });
    std::copy_n(run.Work, run.count(), run.Flat.data());
    if (!run.DoClear)
        GouacheParallel(0, run.h, [&](int lo, int hi) {
            for (size_t i = size_t(lo) * size_t(run.w); i < size_t(hi) * size_t(run.w); ++i)
                run.Coverage[i] = (run.src[i] >> 24) != 0 ? 1 : 0;
        });
}

void DrawContours(GouacheRun& run)
{
    CheckCancellation();
    std::vector<uint8_t> mask;
    BuildContourLineMask(run.source, run.w, run.h, run.p.P5, 20, mask);
    if (mask.size() < run.count())
        return;
    GouacheParallel(0, run.h, [&](int lo, int hi) {
        for (size_t i = size_t(lo) * size_t(run.w); i < size_t(hi) * size_t(run.w); ++i) {
            const uint32_t mu = mask[i];
            if (mu == 0)
                continue;
            const uint32_t p = run.Work[i];
            auto ch = [&](int shift) { return ((((p >> shift) & 0xFF) * (255 - mu) + 18 * mu) / 255) << shift; };
            run.Work[i] = (p & 0xFF000000u) | ch(16) | ch(8) | ch(0);
        }
    });
}

// The source's alpha goes onto the painting. The painted colour is straight
// colour, premultiplied with it once.
void CopySourceAlpha(GouacheRun& run)
{
    SkPixmap pm;
    if (!run.dest->peekPixels(pm) || pm.width < run.w || pm.height < run.h)
        return;
    GouacheParallel(0, run.h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = run.src + size_t(y) * size_t(run.w);
            uint32_t* d = pm.row(y);
            for (int x = 0; x < run.w; ++x) {
                const uint32_t a = s[x] >> 24, old = d[x] >> 24;
                if (a == old)
                    continue;
                uint32_t out = a << 24;
                if (a != 0 && old != 0)
                    for (int shift = 0; shift <= 16; shift += 8) {
                        const uint32_t c = (((d[x] >> shift) & 0xFF) * a + old / 2) / old;
                        out |= std::min(c, a) << shift;
                    }
                d[x] = out;
            }
        }
    });
}

void RunGouache(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                bool Preview)
{
    if (!Source || !Dest)
        return;
    CheckCancellation();

    GouacheRun run;
    run.source = Source;
    run.dest = Dest;
    run.preview = Preview;
    SkPixmap srcMap;
    if (!Source->peekPixels(srcMap))
        return;
    if (srcMap.width < 4 || srcMap.height < 4)
        return;
    run.allocate(srcMap.width, srcMap.height);
    run.hasTransparency = HasTranslucentPixel(srcMap);
    if (srcMap.rowBytes == size_t(run.w) * 4 && !run.hasTransparency) {
        run.src = srcMap.row(0);
    } else {
        // A translucent source is painted in its straight colour (alpha
        // kept); the painting takes the source's alpha at the end.
        run.srcCopy = LargeBuffer<uint32_t>(run.count());
        for (int y = 0; y < run.h; ++y) {
            uint32_t* out = run.srcCopy.data() + size_t(y) * size_t(run.w);
            if (run.hasTransparency)
                std::transform(srcMap.row(y), srcMap.row(y) + run.w, out, UnpremultiplyPixel);
            else
                std::copy_n(srcMap.row(y), run.w, out);
        }
        run.src = run.srcCopy.data();
    }
    GouachePool();

    BuildGouacheAnalysis(run);
    CheckCancellation();

    int SW = run.w, SH = run.h;
    RunOnUISync([&] {
        if (TEngineHost* host = EngineHost(); host && host->FSkSourceImage) {
            SW = host->FSkSourceImage->width();
            SH = host->FSkSourceImage->height();
        }
    });
    run.p = ComputeGouacheParams(P1, P2, P3, P4, P5, run.w, run.h, SW, SH);

    StartGouacheCanvas(run);
    run.MergeQueue.assign(size_t(8) * size_t(run.p.g) * size_t(run.p.g), 0);
    if (run.p.StrokeAmp > 0)
        PrepareGouacheBrush(run);

    ReportEffectProgress(Dest, Preview, 5);
    run.displayClock = GetTickMs();

    const std::string dumpFolder = GetDebugOutputDir();
    const int L = run.p.L;
    for (int i = 0; i < L; ++i) {
        PaintGouacheLayer(run, i);
        if (i == L - 1) {
            if (run.DoClear)
                FillGouacheGaps(run);
            if (run.p.StrokeAmp > 0)
                ApplyGouacheRelief(run);
            // The contours need room for their own maps: only the painting,
            // its coverage and the seed keys serve from here on.
            run.printing.wait();
            run.ReleaseWorkingMaps();
            if (run.p.P5 > 0)
                DrawContours(run);
        }
        if (!dumpFolder.empty())
            WriteGouacheDumps(run, i, dumpFolder);
        ShowGouacheWork(run);
        ReportEffectProgress(Dest, Preview, (90 * i + 90) / L + 5);
    }

    CheckCancellation();
    VibrancePopInPlace(Dest, 12, 0, 0, 40, 100, Preview);
    if (run.hasTransparency)
        CopySourceAlpha(run);
    ReportEffectFinished(Dest, Preview);
}

} // namespace

void GouachePainting(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                     bool Preview)
{
    RunGouache(Source, Dest, P1, P2, P3, P4, P5, Preview);
}

PV_REGISTER_EFFECT(308, GouachePainting);

} // namespace pv
