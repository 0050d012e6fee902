// Watercolor paints the picture as many flat, overlapping colour patches. Each
// patch grows from a sampled centre along equally spaced rays until the colour
// under a ray departs from the centre's; the star-shaped outline is smoothed
// and filled with the centre colour. Patches start large and shrink to a pixel
// by the end of the run. The painting is then softened by colour similarity,
// its colours lifted, the source's edges drawn in as soft dark strokes, and it
// is sharpened.
//
// On an erased canvas every patch is painted. A run that starts from an earlier
// result keeps a patch only when it brings the covered pixels clearly closer to
// the source. Either way the patches go into the run's own copy of the canvas,
// held in huge pages: patch edges step from row to row all over the picture.
// The rays read a copy of the source laid out in 4 x 4 blocks, one cache line
// each, so a ray in any direction stays on a line for several steps.

#include "effects/painting/watercolor/Watercolor.h"

#include "effects/painting/watercolor/EdgeStrokeOverlay.h"
#include "engine/SharpenSurface.h"
#include "engine/SimilaritySmoothSurface.h"
#include "engine/DebugLog.h"
#include "engine/VibrancePop.h"
#include "engine/Workers.h"
#include "platform/graphics/PolygonFill.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace pv {

// ------------------------------------------------------------------ derived values

CentralSpokeParams ComputeCentralSpokeParams(int P1, int P2, int P3, int P4, int W, int H, bool Preview, bool Sanity)
{
    CentralSpokeParams p;
    const int64_t area = int64_t(std::max(W, 0)) * int64_t(std::max(H, 0));

    // Patch count before the large-picture scale.
    double n = Preview ? std::max(50.0, std::nearbyint(0.2 * std::sqrt(double(area)) * (double(P1) + 1.0)))
                       : std::nearbyint(500.0 * (double(P1) + 1.0));

    // More spokes than the picture has border pixels add nothing but time.
    p.spokes = int(std::min<int64_t>(std::max(3, P2 / 2), std::max<int64_t>(50, int64_t(W) + H)));
    p.complexity = static_cast<float>(std::min(1.0, std::max(0.0, P2 / 100.0)));
    p.baseThreshold = Round(140.0 - 80.0 * double(p.complexity));
    p.sigma = 0.8f - 0.5f * p.complexity;
    p.kernelSum = 0;
    for (int j = -3; j <= 3; ++j) {
        const float t = float(j) / p.sigma;
        p.kernel[size_t(j + 3)] = std::exp(-0.5f * t * t);
        p.kernelSum += p.kernel[size_t(j + 3)];
    }
    p.threshold = Sanity ? std::max(15, p.baseThreshold / 2) : p.baseThreshold;

    p.scale = (W > 2048 && H > 2048) ? std::min(5.0, double(area) / 4194304.0) : 1.0;
    n = std::nearbyint(n * p.scale);
    // A negative count (P1 <= -2 from a script or the command line) paints no patch.
    p.shapeCount = int64_t(std::clamp(n, 0.0, double(std::numeric_limits<int32_t>::max())));
    p.brushSize = static_cast<float>((0.02f * float(P3) * float(P3) + 0.2f * float(P3)) * p.scale);
    p.opacity = static_cast<float>(Clamp(P4, 0, 100) / 100.0);
    p.plannedPaths = 0;
    for (int64_t i = 1; i <= p.shapeCount; ++i)
        p.plannedPaths += CentralSpokeExtraAttempts(i, p.shapeCount) + 1;
    return p;
}

int CentralSpokeExtraAttempts(int64_t i, int64_t N)
{
    if (N <= 0)
        return 0;
    return std::max(0, Round(double((i - N / 2) * 8) / double(N)));
}

int64_t CentralSpokeBudgetBase(int64_t i, int64_t N, float brushSize)
{
    if (N <= 0)
        return 1;
    const double v = double(brushSize + 0.5f) * 8.0 * double(N - i) / double(N);
    // Budgets beyond the generator's range reach past any picture anyway.
    return int64_t(std::clamp(std::nearbyint(v), -2147483647.0, 2147483646.0)) + 1;
}

namespace {

// The distance itself, inlined into the ray walk (its innermost step).
[[gnu::always_inline]] inline int Redmean(uint32_t A, uint32_t B)
{
    constexpr uint32_t kAlphaThreshold = 10;
    const uint32_t aa = A >> 24, ba = B >> 24;
    if (aa < kAlphaThreshold || ba < kAlphaThreshold)
        return (aa < kAlphaThreshold && ba < kAlphaThreshold) ? 0 : 255;
    const int ar = int((A >> 16) & 0xFF), br = int((B >> 16) & 0xFF);
    const int m = (ar + br) >> 1;
    const int dR = ar - br;
    const int dG = int((A >> 8) & 0xFF) - int((B >> 8) & 0xFF);
    const int dB = int(A & 0xFF) - int(B & 0xFF);
    const int s = (((m + 512) * dR * dR) >> 8) + 4 * dG * dG + (((767 - m) * dB * dB) >> 8);
    const int root = Round(std::sqrt(double(s)));
    if (aa == ba)
        return root;
    const float q = float(std::abs(int(aa) - int(ba))) / 255.0f;
    return Round(double(root) * (double(q) * 0.5 + 1.0));
}

} // namespace

int RedmeanAlphaDistance(uint32_t A, uint32_t B) { return Redmean(A, B); }

// ------------------------------------------------------------------ the run

namespace {

// Rays with at least this budget are walked in parallel.
constexpr int64_t kParallelWalkBudget = 160;

const char* BoolText(bool b) { return b ? "True" : "False"; }

struct SpokeRun {
    // Inputs.
    SkPixmap src;                 // the source picture itself, row-major
    LargeBuffer<uint32_t> blocks; // the same pixels in 4 x 4 blocks
    int blocksPerRow = 0;
    int w = 0, h = 0;
    bool preview = false;
    int generation = 0;
    ISkSurface dest;
    SkPixmap destMap;
    bool doClear = true;
    bool sanity = false;
    bool hasTransparency = false;
    uint32_t backgroundColor = kColorWhite;
    CentralSpokeParams p;

    // Tables and scratch, made once per run.
    std::vector<float> cosT, sinT;
    std::vector<int> radii;
    std::vector<int64_t> budgets;
    std::vector<float> smoothed;
    std::vector<float> outline;
    LargeBuffer<uint32_t> canvas; // w x h: Dest's pixels, or the base picture's in sanity mode
    SkPixmap canvasMap;
    std::vector<uint32_t> strokeBox; // one patch alone, over its bounding box
    PolygonFiller filler;

    // Progress.
    int64_t i = 0;
    int64_t attempts = 0;
    uint32_t startTick = 0, phaseTick = 0, lastDisplay = 0;

    uint32_t* canvasRow(int y) { return canvas.data() + size_t(y) * size_t(w); }
    const uint32_t* srcRow(int y) const { return src.row(y); }
    size_t blockIndex(int x, int y) const
    {
        return (size_t(y >> 2) * size_t(blocksPerRow) + size_t(x >> 2)) * 16 + size_t((y & 3) << 2) + size_t(x & 3);
    }
    uint32_t srcAt(int x, int y) const { return blocks[blockIndex(x, y)]; }
    uint32_t elapsed() const { return GetTickMs() - startTick; }

    void abortIfCancelled()
    {
        if (!IsEffectCancelled())
            return;
        TEngineHost* host = EngineHost();
        DebugLogFmt("CS.Cancel: preview=%s generation=%d currentGeneration=%d paths=%d/%d elapsed=%dms",
                    BoolText(preview), generation, host ? host->FPreviewGeneration.load() : 0, attempts,
                    p.plannedPaths, elapsed());
        if (!preview && host)
            RunOnUISync([] {
                if (TEngineHost* h = EngineHost())
                    h->UpdateProgressBar(101);
            });
        throw EAbort();
    }
};

void CopyRows(const SkPixmap& from, const SkPixmap& to)
{
    const int w = std::min(from.width, to.width), h = std::min(from.height, to.height);
    for (int y = 0; y < h; ++y)
        std::copy_n(from.row(y), w, to.row(y));
}

// The canvas start: previews always start from white; a full render either
// clears to its background colour or, without erasing, copies the base
// picture into its own work buffer and paints there.
void StartCanvas(SpokeRun& run)
{
    run.canvas = LargeBuffer<uint32_t>(size_t(run.w) * size_t(run.h));
    run.canvasMap = SkPixmap{reinterpret_cast<uint8_t*>(run.canvas.data()), run.w, run.h, size_t(run.w) * 4};
    if (run.preview) {
        run.dest->getCanvas()->clear(kColorWhite);
        run.doClear = true;
    } else {
        CanvasStartOptions options;
        options.rule = ClearRule::OwnColour;
        options.ownColour = run.backgroundColor;
        options.keep = KeepMode::CopyBase;
        const CanvasStart start = StartEffectCanvas(run.dest, options);
        run.doClear = start.DoClear;
        if (!run.doClear && start.BaseImage)
            start.BaseImage->readPixels(run.canvas.data(), size_t(run.w) * 4, 0, 0, run.w, run.h);
    }
    run.sanity = !run.doClear;
    if (run.doClear)
        CopyRows(run.destMap, run.canvasMap);
}

// Up to eight random pixels; the one where the canvas differs most from the
// source wins. On an erased canvas a still-white pixel over a non-white source
// pixel is taken at once.
void ChooseCentre(SpokeRun& run, int& cx, int& cy)
{
    int best = -1;
    for (int t = 0; t < 8; ++t) {
        const int x = Random(run.w);
        const int y = Random(run.h);
        const uint32_t s = run.srcAt(x, y);
        const uint32_t c = run.canvasRow(y)[x];
        const int d = Redmean(s, c);
        if (d > best) {
            best = d;
            cx = x;
            cy = y;
        }
        if (run.doClear && c == 0xFFFFFFFFu && s != 0xFFFFFFFFu && (!run.hasTransparency || (s >> 24) >= 10)) {
            cx = x;
            cy = y;
            return;
        }
    }
}

// Walks one ray from the centre until its budget runs out, the picture ends or
// (at high complexity) a transparent pixel is met; returns the last radius.
int WalkSpoke(const SpokeRun& run, float cx, float cy, int k, uint32_t C, int64_t budget)
{
    const float c = run.p.complexity;
    const bool stopAtHoles = double(c) > 0.6;
    const bool halveAtJumps = double(c) > 0.8;
    const int T = run.p.threshold;
    const float ck = run.cosT[size_t(k)], sk = run.sinT[size_t(k)];
    int radius = 1;
    // Each step may land on another cache line: ask for the pixels a few steps
    // ahead while this one is compared. (Inlined on purpose: the compiler
    // drops calls to a function whose only effect is a prefetch.)
    constexpr int kAhead = 8;
    auto prefetch = [&](int r) __attribute__((always_inline)) {
        const int px = Round(cx + float(r) * ck), py = Round(cy + float(r) * sk);
        if (px >= 0 && py >= 0 && px < run.w && py < run.h)
            __builtin_prefetch(run.blocks.data() + run.blockIndex(px, py));
    };
    for (int r = 1; r <= kAhead; ++r)
        prefetch(r);
    for (int r = 1;; ++r) {
        const int px = Round(cx + float(r) * ck);
        const int py = Round(cy + float(r) * sk);
        if (px < 0 || py < 0 || px >= run.w || py >= run.h)
            break;
        prefetch(r + kAhead);
        const uint32_t P = run.srcAt(px, py);
        if (run.hasTransparency && (P >> 24) < 10) {
            budget /= 2;
            if (stopAtHoles)
                break;
        } else {
            const int d = Redmean(P, C);
            if (d > T) {
                budget = halveAtJumps ? budget / 2 : budget * 3 / 4;
                budget -= Round(d / 8.0);
            } else {
                budget -= std::max(1, Round(d / 16.0));
            }
        }
        budget -= 1;
        if (budget <= 0)
            break;
        radius = r;
    }
    return radius;
}

// Merges the patch drawn alone in strokeBox into the work buffer when it brings
// the covered pixels closer to the source by the outline's factor.
void MergeIfCloser(SpokeRun& run, int x0, int y0, int bw, int bh, float irregularity)
{
    const double factor = std::max(1.0, 1.7 - 0.4 * double(irregularity));
    int64_t before = 0, after = 0;
    auto composite = [](uint32_t K, uint32_t D, int shift) {
        const uint32_t inv = 255 - (K >> 24);
        return ((K >> shift) & 0xFF) + ((D >> shift) & 0xFF) * inv / 255;
    };
    for (int y = 0; y < bh; ++y) {
        const uint32_t* k = run.strokeBox.data() + size_t(y) * size_t(bw);
        const uint32_t* d = run.canvasRow(y0 + y) + x0;
        const uint32_t* q = run.srcRow(y0 + y) + x0;
        for (int x = 0; x < bw; ++x) {
            if ((k[x] >> 24) == 0)
                continue;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int qc = int((q[x] >> shift) & 0xFF);
                before += std::abs(int((d[x] >> shift) & 0xFF) - qc);
                after += std::abs(int(composite(k[x], d[x], shift)) - qc);
            }
        }
    }
    if (!(before > 0 && double(before) > double(after) * factor))
        return;
    for (int y = 0; y < bh; ++y) {
        const uint32_t* k = run.strokeBox.data() + size_t(y) * size_t(bw);
        uint32_t* d = run.canvasRow(y0 + y) + x0;
        for (int x = 0; x < bw; ++x) {
            if ((k[x] >> 24) == 0)
                continue;
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8)
                out |= std::min<uint32_t>(255, composite(k[x], d[x], shift)) << shift;
            d[x] = out;
        }
    }
}

void ReportPatchProgress(SpokeRun& run)
{
    const int percent = Round(double(run.i) / double(run.p.shapeCount) * 75.0);
    if (run.preview) {
        if (run.i % std::max<int64_t>(1, run.p.shapeCount / 20) == 0) {
            CopyRows(run.canvasMap, run.destMap);
            SafeUpdatePreview(run.dest, percent);
        }
        return;
    }
    if (GetTickMs() - run.lastDisplay <= 200)
        return;
    // Without a main window nothing would show the picture: skip the copy.
    if (EngineHost()) {
        const ISkImage snap = SkImage::MakeRasterCopy(run.canvas.data(), run.w, run.h, size_t(run.w) * 4);
        RunOnUISync([&] { ShowIntermediateResult(snap, percent); });
    }
    run.abortIfCancelled();
    run.lastDisplay = GetTickMs();
}

// One attempt at patch i: centre, rays, outline, drawing, progress.
void PaintPatch(SpokeRun& run, int64_t budgetBase)
{
    run.abortIfCancelled();
    ++run.attempts;
    int x = 0, y = 0;
    ChooseCentre(run, x, y);
    const uint32_t C = run.srcAt(x, y);
    if (run.hasTransparency && (C >> 24) < 10)
        return;
    const float cx = float(x) + 0.5f, cy = float(y) + 0.5f;
    const int S = run.p.spokes;

    // The rays only read the source, so with their budgets drawn in order they
    // can be walked at once; long ones are worth spreading over the pool.
    for (int k = 0; k < S; ++k)
        run.budgets[size_t(k)] = budgetBase + Random(int32_t(budgetBase)) / 4;
    auto walk = [&](int lo, int hi) {
        for (int k = lo; k < hi; ++k)
            run.radii[size_t(k)] = WalkSpoke(run, cx, cy, k, C, run.budgets[size_t(k)]);
    };
    if (budgetBase >= kParallelWalkBudget && S >= 4)
        tbb::parallel_for(tbb::blocked_range<int>(0, S, 1), [&](const tbb::blocked_range<int>& r) { walk(r.begin(), r.end()); });
    else
        walk(0, S);
    if (S >= 5) {
        for (int k = 0; k < S; ++k) {
            float sum = 0;
            for (int j = -3; j <= 3; ++j)
                sum += float(run.radii[size_t(((k + j) % S + S) % S)]) * run.p.kernel[size_t(j + 3)];
            run.smoothed[size_t(k)] = sum / run.p.kernelSum;
        }
        for (int k = 0; k < S; ++k)
            run.radii[size_t(k)] = Round(run.smoothed[size_t(k)]);
    }

    float left = std::numeric_limits<float>::max(), top = left;
    float right = std::numeric_limits<float>::lowest(), bottom = right;
    for (int k = 0; k <= S; ++k) {
        const float r = float(run.radii[size_t(k % S)]);
        const float px = cx + r * run.cosT[size_t(k)], py = cy + r * run.sinT[size_t(k)];
        run.outline[size_t(2 * k)] = px;
        run.outline[size_t(2 * k + 1)] = py;
        left = std::min(left, px);
        right = std::max(right, px);
        top = std::min(top, py);
        bottom = std::max(bottom, py);
    }

    // The patch colour is the centre's, at the patch opacity. Translucent
    // centres are un-premultiplied first so the patch is not darkened twice.
    const uint32_t alpha =
        uint32_t(run.hasTransparency ? Round(double(C >> 24) * double(run.p.opacity)) : Round(255.0 * double(run.p.opacity)));
    const uint32_t colour = PremultiplyColor((alpha << 24) | (UnpremultiplyPixel(C) & 0x00FFFFFFu));

    if (!run.sanity) {
        run.filler.fill(run.canvasMap, run.outline.data(), S + 1, colour);
    } else {
        const int x0 = std::max(0, int(std::floor(left))), y0 = std::max(0, int(std::floor(top)));
        const int x1 = std::min(run.w - 1, int(std::ceil(right))), y1 = std::min(run.h - 1, int(std::ceil(bottom)));
        if (x1 >= x0 && y1 >= y0) {
            // The patch alone on a transparent raster covering just its box.
            const int bw = x1 - x0 + 1, bh = y1 - y0 + 1;
            run.strokeBox.assign(size_t(bw) * size_t(bh), 0u);
            for (int k = 0; k <= S; ++k) {
                run.outline[size_t(2 * k)] -= float(x0);
                run.outline[size_t(2 * k + 1)] -= float(y0);
            }
            run.filler.fill(SkPixmap{reinterpret_cast<uint8_t*>(run.strokeBox.data()), bw, bh, size_t(bw) * 4},
                            run.outline.data(), S + 1, colour);
            const auto [mn, mx] = std::minmax_element(run.radii.begin(), run.radii.begin() + S);
            const float irregularity = *mx > 0 ? 1.0f - float(*mn) / float(*mx) : 0.0f;
            MergeIfCloser(run, x0, y0, bw, bh, irregularity);
        }
    }
    ReportPatchProgress(run);
}

void PaintPatches(SpokeRun& run)
{
    const int64_t N = run.p.shapeCount;
    int nextThreshold = 10;
    run.phaseTick = GetTickMs();
    run.lastDisplay = run.phaseTick;
    for (run.i = 1; run.i <= N; ++run.i) {
        run.abortIfCancelled();
        const int extra = CentralSpokeExtraAttempts(run.i, N);
        const int64_t base = CentralSpokeBudgetBase(run.i, N, run.p.brushSize);
        for (int a = 0; a <= extra; ++a)
            PaintPatch(run, base);
        if (run.i * 75 / N >= nextThreshold) {
            DebugLogFmt("CS.Main: %d%% paths=%d/%d phase=%dms total=%dms", run.i * 75 / N, run.attempts,
                        run.p.plannedPaths, GetTickMs() - run.phaseTick, run.elapsed());
            nextThreshold += 15;
        }
    }
    DebugLogFmt("CS.Main: complete paths=%d/%d phase=%dms total=%dms", run.attempts, run.p.plannedPaths,
                GetTickMs() - run.phaseTick, run.elapsed());
}

void Finish(SpokeRun& run, const ISkImage& Source, int P5)
{
    run.abortIfCancelled();
    // In sanity mode Dest is cleared and the work buffer drawn on it; on an
    // erased canvas the buffer already holds everything Dest held.
    if (run.sanity)
        run.dest->getCanvas()->clear(kColorTransparent);
    CopyRows(run.canvasMap, run.destMap);
    run.canvas.reset();
    run.blocks.reset();

    const int threads = std::min(8, ProcessorCount());
    DebugLogFmt("CS.Smooth: start threads=%d downsample=2 total=%dms", threads, run.elapsed());
    const uint32_t smoothTick = GetTickMs();
    const bool preview = run.preview;
    const ISkSurface& dest = run.dest;
    SimilaritySmoothSurface_MT(dest, nullptr, 5, 30, 3, false, 1.2f, 5.0f, threads, [preview, &dest](float f) {
        const int percent = 75 + Round(15.0 * double(f));
        if (preview)
            SafeUpdatePreview(dest, percent);
        else if (EngineHost())
            RunOnUISync([percent] {
                if (TEngineHost* h = EngineHost())
                    h->UpdateProgressBar(percent);
            });
    }, 2);
    run.abortIfCancelled();
    DebugLogFmt("CS.Smooth: complete phase=%dms total=%dms", GetTickMs() - smoothTick, run.elapsed());
    if (preview)
        SafeUpdatePreview(dest, 92);

    VibrancePopInPlace(dest, 8, 5, 2, 40, 70, preview);
    if (preview)
        SafeUpdatePreview(dest, 95);

    ApplyEdgeStrokeOverlay(Source, dest, 5, 230, 10, 0, P5);
    run.abortIfCancelled();
    if (preview)
        SafeUpdatePreview(dest, 98);

    SharpenSurface(nullptr, dest, run.doClear ? 40 : 10);

    if (preview) {
        LastProgressTick = 0;
        SafeUpdatePreview(dest, 101);
    } else if (EngineHost()) {
        RunOnUISync([] {
            if (TEngineHost* h = EngineHost())
                h->UpdateProgressBar(101);
        });
    }
}

void RunCentralSpoke(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                     bool Preview, const std::optional<uint32_t>& seed)
{
    SpokeRun run;
    run.preview = Preview;
    run.generation = ThreadPreviewGeneration;
    run.dest = Dest;
    run.startTick = GetTickMs();
    if (!Source || !Dest) {
        DebugLog("CS.Start: invalid nil source or destination");
        return;
    }
    DebugLogFmt("CS.Start: preview=%s generation=%d source=%dx%d params=%d,%d,%d,%d,%d cpus=%d", BoolText(Preview),
                run.generation, Source->width(), Source->height(), P1, P2, P3, P4, P5, ProcessorCount());
    run.abortIfCancelled();

    // The source is already a premultiplied raster: read in place, plus the block copy.
    if (!Source->peekPixels(run.src) || !run.src.valid())
        return;
    run.w = run.src.width;
    run.h = run.src.height;
    if (!Dest->peekPixels(run.destMap) || run.destMap.width < run.w || run.destMap.height < run.h)
        return;
    run.blocksPerRow = (run.w + 3) / 4;
    run.blocks = LargeBuffer<uint32_t>(size_t(run.blocksPerRow) * size_t((run.h + 3) / 4) * 16);
    ParallelForRange(0, run.h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* row = run.src.row(y);
            for (int x = 0; x < run.w; ++x)
                run.blocks[run.blockIndex(x, y)] = row[x];
        }
    }, 16);

    // A picture counts as transparent only when more than one pixel in a
    // thousand is not opaque.
    const int64_t allowance = int64_t(run.w) * int64_t(run.h) / 1000;
    int64_t translucent = 0;
    for (int y = 0; y < run.h && !run.hasTransparency; ++y) {
        const uint32_t* row = run.srcRow(y);
        for (int x = 0; x < run.w; ++x)
            translucent += (row[x] >> 24) != 0xFF;
        run.hasTransparency = translucent > allowance;
    }
    run.backgroundColor = run.hasTransparency ? kColorTransparent : kColorWhite;

    StartCanvas(run);

    run.p = ComputeCentralSpokeParams(P1, P2, P3, P4, run.w, run.h, Preview, run.sanity);
    const int S = run.p.spokes;
    run.cosT.resize(size_t(S) + 1);
    run.sinT.resize(size_t(S) + 1);
    for (int k = 0; k <= S; ++k) {
        const double angle = double(k) * 2.0 * std::numbers::pi / double(S);
        run.cosT[size_t(k)] = static_cast<float>(std::cos(angle));
        run.sinT[size_t(k)] = static_cast<float>(std::sin(angle));
    }
    run.radii.assign(size_t(S), 1);
    run.budgets.assign(size_t(S), 0);
    run.smoothed.assign(size_t(S), 0.0f);
    run.outline.assign(size_t(2 * (S + 1)), 0.0f);
    if (seed)
        SetRandSeed(*seed);
    else
        Randomize();
    DebugLogFmt("CS.Setup: size=%dx%d shapes=%d plannedPaths=%d spokes=%d clear=%s sanity=%s alpha=%s "
                "smoothThreads=%d elapsed=%dms",
                run.w, run.h, run.p.shapeCount, run.p.plannedPaths, S, BoolText(run.doClear), BoolText(run.sanity),
                BoolText(run.hasTransparency), std::min(8, ProcessorCount()), run.elapsed());

    // The patches' parallel pieces (long rays, large fills) run on the shared pool.
    SharedPool().execute([&] { PaintPatches(run); });
    const uint32_t postTick = GetTickMs();
    Finish(run, Source, P5);
    DebugLogFmt("CS.Done: preview=%s paths=%d/%d post=%dms total=%dms", BoolText(Preview), run.attempts,
                run.p.plannedPaths, GetTickMs() - postTick, run.elapsed());
}

} // namespace

void CentralSpokeEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview)
{
    RunCentralSpoke(Source, Dest, P1, P2, P3, P4, P5, Preview, std::nullopt);
}

void CentralSpokeEffectSeeded(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                              bool Preview, uint32_t seed)
{
    RunCentralSpoke(Source, Dest, P1, P2, P3, P4, P5, Preview, seed);
}

PV_REGISTER_EFFECT(300, CentralSpokeEffect);

} // namespace pv
