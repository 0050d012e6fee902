// Impasto brushstrokes paints the picture coarse to fine with stamps from the
// brush sheet: every level uses one stroke size, shrinking with the fourth
// power of the remaining levels. Early levels walk a jittered grid and paint
// wherever the canvas still differs from the source; late levels scatter
// strokes with a probability driven by the remaining error and by edge
// strength, preferring tiles that are still far off. Each stroke is aligned
// with the local edge, chosen among several stamps and rotations by how much
// it reduces the error, shaded with a relief and painted twice: into a
// working copy at reduced resolution that drives the scoring, and into the
// destination at full resolution.
//
// A level's work is split into horizontal bands. A stroke reaches beyond its
// band, so only bands far enough apart run at the same time: each level runs
// its bands in a few phases, and no two bands of a phase touch the same
// pixels. Each band draws from its own generator, seeded in band order from
// the process-wide one, so a seeded run paints the same picture however many
// threads the pool has.

#include "effects/painting/ImpastoBrushstrokes.h"

#include "effects/painting/brushes/BrushStamp.h"
#include "engine/EngineHost.h"
#include "engine/ImageHelpers.h"
#include "engine/Workers.h"
#include "platform/system/Errors.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <tbb/enumerable_thread_specific.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace pv {

// ------------------------------------------------------------------ derived values

ImpastoValues ComputeImpastoValues(int P1, int P2, int P3, int P4, int P5, int w, int h, int processors)
{
    ImpastoValues v;
    P1 = Clamp(P1, -1000, 1000);
    P2 = Clamp(P2, -1000, 1000);
    v.MinSize = Clamp(Round(5.12 * P1), 3, 1024);
    v.MaxSize = Clamp(Round(5.12 * P2), v.MinSize, 2048);
    v.P3 = Clamp(P3, 0, 100);
    v.P4 = Clamp(P4, 0, 100);
    v.GlobalOpacity = std::max(0.05f, static_cast<float>(Clamp(P5, 0, 100) / 100.0f));
    v.ScaleFactor = (int64_t(w) * h > 1920000 && v.P4 < 98) ? 2 : 1;
    v.WorkW = std::max(1, w / v.ScaleFactor);
    v.WorkH = std::max(1, h / v.ScaleFactor);
    v.Levels = Clamp(Round(v.P4 / 25.0) * 4 + 8, 6, 18);
    v.RefineBase = v.P4 / 10 + 2;
    v.ThreadCount = std::max(1, processors - 1);
    v.GradW = std::min(v.WorkW, 256);
    v.GradH = std::max(1, Round(double(v.WorkH) * v.GradW / std::max(1, v.WorkW)));
    v.ScratchSize = Round(1.5 * std::min(v.MaxSize, std::min(v.WorkW, v.WorkH) / 2)) + 256;
    v.ScratchCenter = v.ScratchSize / 2;
    v.SkipLimit = Round(0.45 * (100 - v.P4)) + 20;
    return v;
}

void ImpastoBandRows(const ImpastoValues& v, int b, int& y0, int& y1)
{
    const int bh = v.WorkH / v.ThreadCount;
    y0 = b * bh;
    y1 = b == v.ThreadCount - 1 ? v.WorkH : y0 + bh;
}

ImpastoLevel ComputeImpastoLevel(const ImpastoValues& v, int k, bool doClear)
{
    ImpastoLevel l;
    const int L = v.Levels;
    const double t = double(L - k) / std::max(1, L);
    l.CurrentBrushSize = v.MinSize + Round((v.MaxSize - v.MinSize) * (t * t * t * t));
    l.WorkBrushSize = std::max(1, l.CurrentBrushSize / v.ScaleFactor);
    const int wbs = l.WorkBrushSize;
    l.IsStochastic = k > 0.7 * L;
    l.ScanLimit = Round(0.7 * wbs) + 2;
    l.SkipCheck = k == 0 && doClear;
    l.Threshold = Round64(0.35 * double(wbs) * wbs);
    l.CheckStep = wbs > 80 ? 5 : (wbs > 40 ? 4 : (wbs > 20 ? 3 : (wbs > 8 ? 2 : 1)));
    l.CurrentRefineCount = v.RefineBase;
    l.CurrentSideSteps = 4;
    if (wbs < 40) {
        l.CurrentRefineCount = std::max(1, v.RefineBase / 2);
        l.CurrentSideSteps = 1;
    }
    if (wbs < 10) {
        l.CurrentRefineCount = 1;
        l.CurrentSideSteps = 0;
    }
    if (l.IsStochastic) {
        l.GridStep = 1;
        l.DensityLayers = 1;
    } else {
        l.GridStep = std::max(2, Round(0.8 * wbs));
        l.DensityLayers = v.P3 >= 80 ? 3 : (v.P3 >= 40 ? 2 : 1);
    }

    // Band b writes working rows [y0 - ScanLimit, y1 - 1 + ScanLimit] and
    // destination rows [y0 SF - R, (y1 - 1) SF + R]; bands `stride` apart
    // must stay clear of each other in both.
    const int bh = v.WorkH / v.ThreadCount;
    const int R = Round(0.7 * l.CurrentBrushSize) + 2;
    int stride = 2;
    while (stride < v.ThreadCount &&
           !(int64_t(stride - 1) * bh > 2 * int64_t(l.ScanLimit) &&
             (int64_t(stride - 1) * bh + 1) * v.ScaleFactor > 2 * int64_t(R)))
        ++stride;
    l.BandStride = std::max(1, std::min(stride, v.ThreadCount));
    return l;
}

// ------------------------------------------------------------------ the run

namespace {

// The process-wide generator's arithmetic on a private seed.
struct BandRandom {
    uint32_t seed;
    int next(int n)
    {
        seed = seed * 134775813u + 1u;
        return n <= 0 ? 0 : int((uint64_t(seed) * uint32_t(n)) >> 32);
    }
    double real()
    {
        seed = seed * 134775813u + 1u;
        return seed / 4294967296.0;
    }
};

struct ImpastoRun {
    ImpastoValues v;
    ImpastoLevel level;
    bool doClear = false;
    int w = 0, h = 0;
    ISkImage workSrcImage;
    ISkSurface workDest;
    std::vector<uint32_t*> workSrc, workDst, dst;
    GradientMap map;
    BrushStampSet stamps;
    TEngineHost* host = nullptr;
    // The scratches of strokes' trials scored on the pool, one per thread.
    mutable tbb::enumerable_thread_specific<std::unique_ptr<StampScratch>> trialScratches;

    bool cancelled() const { return host && host->Cancel.load(std::memory_order_relaxed); }
    StampScratch& trialScratch() const
    {
        std::unique_ptr<StampScratch>& own = trialScratches.local();
        if (!own)
            own = std::make_unique<StampScratch>(v.ScratchSize);
        return *own;
    }
};

// One candidate of a stroke: a stamp at a rotation, and how it scores.
struct StrokeTrial {
    int stamp = 0;
    float rotation = 0;
    int64_t improvement = 0, score = 0;
};

// From this many trials on, a stroke's trials are scored side by side.
constexpr size_t kParallelTrials = 6;

struct Tile {
    int left, top, width, height;
};

std::vector<Tile> ErrorTiles(const ImpastoRun& run, int y0, int y1)
{
    std::vector<Tile> tiles;
    const int ts = std::max(32, run.level.WorkBrushSize);
    for (int top = y0; top < y1; top += ts)
        for (int left = 0; left < run.v.WorkW; left += ts) {
            const Tile t{left, top, std::min(ts, run.v.WorkW - left), std::min(ts, y1 - top)};
            int64_t sum = 0, count = 0;
            for (int y = (t.top + 3) / 4 * 4; y < t.top + t.height; y += 4) {
                const uint32_t* s = run.workSrc[size_t(y)];
                const uint32_t* d = run.workDst[size_t(y)];
                for (int x = (t.left + 3) / 4 * 4; x < t.left + t.width; x += 4) {
                    const uint32_t a = s[x], b = d[x];
                    sum += std::abs(int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF)) +
                           std::abs(int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF)) + std::abs(int(a & 0xFF) - int(b & 0xFF));
                    ++count;
                }
            }
            if (count > 0 && sum / count > run.v.SkipLimit)
                tiles.push_back(t);
        }
    return tiles;
}

// Draws the trial's stamp at working position (x, y) and scores what it would
// do to the working canvas inside the scan window [r0, r1] x [c0, c1]. Reads
// the pictures only, so many trials can be scored at once.
void ScoreTrial(const ImpastoRun& run, StampScratch& scratch, StrokeTrial& t, int x, int y, uint32_t colour, int r0,
                int r1, int c0, int c1)
{
    const ImpastoLevel& l = run.level;
    const int q = l.CheckStep;
    DrawStamp(scratch, run.stamps.stamps[size_t(t.stamp)], colour, run.v.GlobalOpacity, t.rotation,
              float(l.WorkBrushSize), SkSamplingOptions::LinearMipmapNearest(), StampLattice{q, 0},
              ScratchOver(scratch, x, y, run.v.WorkW, run.v.WorkH, 0));
    int64_t improvement = 0, sumAfter = 0, count = 0;
    ForEachStampPixel(scratch, ScratchWindow{r0, r1, c0, c1}, StampLattice{q, 0}, run.workSrc.data(),
                      run.workDst.data(), run.v.WorkW, run.v.WorkH, x, y,
                      [&](uint32_t src, uint32_t dst, uint32_t stamp) {
                          const int before = PixelError(src, dst);
                          const int after = PixelError(src, CompositePixel(stamp, dst));
                          improvement += before - after;
                          sumAfter += after;
                          ++count;
                      });
    const int64_t avg = count > 0 ? sumAfter / count : 2147483647;
    t.improvement = improvement;
    t.score = improvement - 2 * avg;
}

// Tries the candidates at working position (x, y) and paints the best into
// both pictures; the scan window is [r0, r1] x [c0, c1]. The candidates'
// stamps are drawn from the band's generator first, in their order; the
// first best-scoring one wins, however many are scored at once.
void PaintStroke(const ImpastoRun& run, StampScratch& scratch, BandRandom& rnd, std::vector<StrokeTrial>& trials,
                 int x, int y, uint32_t colour, double direction, int r0, int r1, int c0, int c1)
{
    const ImpastoLevel& l = run.level;
    const int C = scratch.center();
    const int kBrushCount = run.stamps.count();
    trials.clear();
    for (int n = 0; n < l.CurrentRefineCount; ++n) {
        const int j = rnd.next(kBrushCount);
        if (j >= kBrushCount || !run.stamps.stamps[size_t(j)])
            continue;
        const double base = direction - double(run.stamps.angles[size_t(j)]);
        for (int side = -l.CurrentSideSteps; side <= l.CurrentSideSteps; ++side)
            trials.push_back({j, float(base + side * std::numbers::pi / 36.0)});
    }
    if (trials.size() >= kParallelTrials) {
        ParallelForRange(0, int(trials.size()), [&](int lo, int hi) {
            StampScratch& own = run.trialScratch();
            for (int i = lo; i < hi; ++i)
                ScoreTrial(run, own, trials[size_t(i)], x, y, colour, r0, r1, c0, c1);
        });
    } else {
        for (StrokeTrial& t : trials)
            ScoreTrial(run, scratch, t, x, y, colour, r0, r1, c0, c1);
    }
    int64_t best = -2147483647;
    bool found = false;
    int bestStamp = 0;
    float bestRotation = 0;
    for (const StrokeTrial& t : trials)
        if (t.improvement > l.Threshold && t.score > best) {
            best = t.score;
            bestStamp = t.stamp;
            bestRotation = t.rotation;
            found = true;
        }
    if (!found)
        return;
    const ISkImage& stamp = run.stamps.stamps[size_t(bestStamp)];
    const int size = l.CurrentBrushSize;
    const int N = scratch.side();
    const ScratchWindow reliefWindow =
        ScratchWindow::Square(std::max(1, C - size / 2 - 2), std::min(N - 2, C + size / 2 + 2));
    DrawStamp(scratch, stamp, colour, run.v.GlobalOpacity, bestRotation, float(l.WorkBrushSize),
              SkSamplingOptions::LinearMipmapNearest(), {}, ScratchOver(scratch, x, y, run.v.WorkW, run.v.WorkH, 1));
    if (size > 15)
        ApplyBrushRelief(scratch, size, reliefWindow, ImpastoValues::ImpastoStrength);
    CompositeStamp(scratch, ScratchWindow{r0, r1, c0, c1}, run.workDst.data(), run.v.WorkW, run.v.WorkH, x, y);

    const int fx = x * run.v.ScaleFactor, fy = y * run.v.ScaleFactor;
    DrawStamp(scratch, stamp, colour, run.v.GlobalOpacity, bestRotation, float(size),
              SkSamplingOptions::LinearMipmapNearest(), {}, ScratchOver(scratch, fx, fy, run.w, run.h, 1));
    if (size > 15)
        ApplyBrushRelief(scratch, size, reliefWindow, ImpastoValues::ImpastoStrength);
    const int R = Round(0.7 * size) + 2;
    CompositeStamp(scratch, ScratchWindow::Square(std::max(0, C - R), std::min(N - 1, C + R)), run.dst.data(), run.w,
                   run.h, fx, fy);
}

void RunBand(const ImpastoRun& run, int b, uint32_t seed)
{
    const ImpastoValues& v = run.v;
    const ImpastoLevel& l = run.level;
    BandRandom rnd{seed};
    int y0, y1;
    ImpastoBandRows(v, b, y0, y1);
    if (y1 <= y0)
        return;
    StampScratch scratch(v.ScratchSize);
    std::vector<StrokeTrial> trials;
    const int C = v.ScratchCenter;
    const int lo = std::max(0, C - l.ScanLimit), hi = std::min(v.ScratchSize - 1, C + l.ScanLimit);
    std::vector<Tile> tiles;
    if (l.IsStochastic)
        tiles = ErrorTiles(run, y0, y1);

    for (int layer = 1; layer <= l.DensityLayers; ++layer) {
        if (run.cancelled())
            return;
        int64_t Q = 0, accepted = 0, attempts = 0;
        int x = 0, y = 0;
        if (l.IsStochastic) {
            const double density = (v.P3 / 100.0) * (v.P3 / 100.0) * 8 + 0.002;
            Q = std::clamp<int64_t>(
                Round64(double(v.WorkW) * (y1 - y0) / std::max<int64_t>(1, int64_t(l.WorkBrushSize) * l.WorkBrushSize) *
                        density),
                1, 100000);
        } else {
            int ox = 0, oy = 0;
            if (layer > 1) {
                ox = rnd.next(l.GridStep);
                oy = rnd.next(l.GridStep);
            }
            y = y0 + rnd.next(l.GridStep / 2) + oy;
            x = rnd.next(l.GridStep / 2) + ox;
        }
        for (;;) {
            if (run.cancelled())
                return;
            // The stroke takes the straight colour at its alpha, so a
            // translucent pixel is not darkened by its alpha a second time.
            TAlphaColor colour;
            if (l.IsStochastic) {
                ++attempts;
                if (attempts > 20 * Q || accepted >= Q)
                    break;
                bool fromTile = false;
                if (!tiles.empty() && rnd.next(100) < 80) {
                    const Tile& t = tiles[size_t(rnd.next(int(tiles.size())))];
                    x = t.left + rnd.next(std::max(1, t.width));
                    y = t.top + rnd.next(std::max(1, t.height));
                    fromTile = true;
                } else {
                    y = y0 + rnd.next(y1 - y0);
                    x = rnd.next(v.WorkW);
                }
                if (x < 0 || x >= v.WorkW || y < y0 || y >= y1)
                    continue;
                const int e = PixelError(run.workSrc[size_t(y)][x], run.workDst[size_t(y)][x]);
                const int m = run.map.cellAt(x, y).Magnitude;
                int p;
                if (fromTile) {
                    p = e > 30 ? 300 : 100;
                } else {
                    p = m;
                    if (e > v.SkipLimit + 20)
                        p = 300;
                    else if (e > v.SkipLimit && p < 100)
                        p = 120;
                    if (e < v.SkipLimit && m < 20)
                        p = 5;
                }
                if (!(rnd.next(255) < ClampByte(p)))
                    continue;
                ++accepted;
                colour = UnpremultiplyPixel(run.workSrc[size_t(y)][x]);
            } else {
                if (y >= y1)
                    break;
                if (x >= v.WorkW) {
                    y += l.GridStep;
                    x = rnd.next(l.GridStep / 2);
                    if (y >= y1)
                        break;
                }
                colour = UnpremultiplyPixel(run.workSrc[size_t(y)][x]);
            }
            if ((colour >> 24) < 10) {
                if (!l.IsStochastic)
                    x += l.GridStep;
                continue;
            }
            if (!l.IsStochastic && !l.SkipCheck &&
                PixelError(run.workSrc[size_t(y)][x], run.workDst[size_t(y)][x]) < v.SkipLimit) {
                x += l.GridStep;
                continue;
            }
            const TGradientInfo& cell = run.map.cellAt(x, y);
            const double direction = cell.Magnitude < kEdgeMagnitude ? rnd.real() * 2 * std::numbers::pi
                                                                     : double(cell.Angle) + std::numbers::pi / 2;
            const int r0 = std::max(lo, C - y), r1 = std::min(hi, v.WorkH - 1 - (y - C));
            const int c0 = std::max(lo, C - x), c1 = std::min(hi, v.WorkW - 1 - (x - C));
            if (r0 <= r1 && c0 <= c1)
                PaintStroke(run, scratch, rnd, trials, x, y, colour, direction, r0, r1, c0, c1);
            if (!l.IsStochastic)
                x += l.GridStep;
        }
    }
}

// The bands of one level: phase by phase, bands BandStride apart together.
void RunLevel(const ImpastoRun& run)
{
    const int bands = run.v.ThreadCount;
    std::vector<uint32_t> seeds(static_cast<size_t>(bands));
    for (uint32_t& s : seeds)
        s = uint32_t(Random(0x7FFFFFFF)) ^ (uint32_t(Random(0x10000)) << 16);
    const int stride = run.level.BandStride;
    for (int phase = 0; phase < stride; ++phase) {
        const int count = (bands - phase + stride - 1) / stride;
        ParallelFor(0, count, [&](int i) {
            const int b = phase + i * stride;
            RunBand(run, b, seeds[size_t(b)]);
        });
    }
}

void QueueDisplay(const ISkSurface& dest, int percent)
{
    TEngineHost* host = EngineHost();
    if (!host)
        return;
    ISkImage snap = dest->makeImageSnapshot();
    RunOnUIQueued(
        [snap = std::move(snap), percent] {
            const TEngineHost* h = EngineHost();
            if (h && (percent > 100 || !h->Cancel.load()))
                ShowIntermediateResult(snap, percent);
        },
        host->QueuedCallContext());
}

ISkSurface ScaledCopy(const ISkImage& picture, int w, int h)
{
    const ISkSurface s = SkSurface::MakeRaster(w, h);
    if (!s)
        throw std::bad_alloc();
    s->getCanvas()->drawImageRect(picture, SkRect::MakeWH(float(w), float(h)), SkSamplingOptions::LinearMipmapNearest());
    return s;
}

void Paint(ImpastoRun& run, const ISkImage& Source, const ISkSurface& Dest, bool Preview)
{
    const ImpastoValues& v = run.v;
    run.workSrcImage = ScaledCopy(Source, v.WorkW, v.WorkH)->makeImageSnapshot();
    SkPixmap pm;
    if (!run.workSrcImage || !run.workSrcImage->peekPixels(pm))
        return;
    run.workSrc = RowPointers(pm);
    if (run.doClear) {
        run.workDest = SkSurface::MakeRaster(v.WorkW, v.WorkH);
        if (!run.workDest)
            throw std::bad_alloc();
    } else {
        run.workDest = ScaledCopy(Dest->makeImageSnapshot(), v.WorkW, v.WorkH);
    }
    if (!run.workDest->peekPixels(pm))
        return;
    run.workDst = RowPointers(pm);
    run.map = BuildGradientMap(run.workSrcImage);

    run.stamps = CutBrushSheet(WorkingBrushSheet(), BrushCutMode::Counted, CurrentGlobalBrushCount());
    ComputeBrushAngles(run.stamps);
    if (!Dest->peekPixels(pm))
        return;
    run.dst = RowPointers(pm);

    const int L = v.Levels;
    for (int k = 0; k <= L; ++k) {
        if (run.cancelled()) {
            RunOnUISync([] {
                if (TEngineHost* host = EngineHost())
                    host->UpdateProgressBar(101);
            });
            return;
        }
        run.level = ComputeImpastoLevel(v, k, run.doClear);
        // An empty stamp set paints nothing.
        if (!run.stamps.empty())
            RunLevel(run);
        if (Preview) {
            SafeUpdatePreview(Dest, Round(k * 100.0 / std::max(1, L) + 1));
        } else {
            QueueDisplay(Dest, Round(k * 100.0 / std::max(1, L)));
        }
    }
    if (!Preview)
        QueueDisplay(Dest, 101);
}

} // namespace

void SystematicPaintingWithBands(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4,
                                 int P5, bool Preview, int processors)
{
    if (!Source || !Dest || !Dest->getCanvas())
        return;
    ImpastoRun run;
    if (Preview) {
        Dest->getCanvas()->clear(kColorTransparent);
        run.doClear = true;
    } else {
        CanvasStartOptions start{ClearRule::SourceTest};
        start.source = Source;
        run.doClear = StartEffectCanvas(Dest, start).DoClear;
    }
    run.w = Source->width();
    run.h = Source->height();
    run.v = ComputeImpastoValues(P1, P2, P3, P4, P5, run.w, run.h, processors);
    if (run.w < 50 || run.h < 50)
        return;
    run.host = EngineHost();
    try {
        Paint(run, Source, Dest, Preview);
    } catch (const EAbort&) {
        // A stale or cancelled preview ends as an abort: nothing of it is shown.
        if (Preview)
            throw;
    } catch (const std::exception&) {
        // What was painted stays.
    }
}

void SystematicPainting(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview)
{
    SystematicPaintingWithBands(Source, Dest, P1, P2, P3, P4, P5, Preview, ProcessorCount());
}

PV_REGISTER_EFFECT(304, SystematicPainting);

} // namespace pv
