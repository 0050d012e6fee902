// Oil pastel repaints the source with marks cut from the pastel brush sheet.
// Over 1001 steps the stroke size falls from large to small; at every step the
// effect looks for places where the canvas still differs most from the
// source, tries a few stamps at random angles there, tinted with the source
// colour under the stroke's centre, and keeps the best one only when it
// improves the canvas enough. Kept strokes get a raised relief.

#include "effects/painting/OilPastel.h"

#include "effects/painting/brushes/BrushStamp.h"
#include "engine/EngineHost.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <QTime>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

namespace pv {

// ------------------------------------------------------------------ derived values

OilPastelValues ComputeOilPastelValues(int P1, int P2, int P3, int P4, int P5, int w, int h, bool doClear)
{
    OilPastelValues v;
    // Script-sized values are held to the sliders' range: every step tries
    // its strokes one after another, so larger sizes, repeats or effort
    // would only make a run last for hours.
    P1 = Clamp(P1, 0, 100);
    P2 = Clamp(P2, 0, 100);
    if (P1 >= P2)
        P1 = P2 - 5;
    if (P1 < 0)
        P1 = 0;
    v.MinSize = 4 * P1 + 3;
    v.MaxSize = 4 * P2 + 3;
    if (!doClear)
        v.MaxSize = (2 * v.MaxSize) / 3;
    v.MinSize = std::min(v.MinSize, v.MaxSize);
    v.Repeats = Clamp(P3, 1, 100);
    v.Quality = Clamp(P4, 1, 100);
    v.StampTries = v.Quality / 15 + 1;
    v.Opacity = std::max(0.1f, static_cast<float>(P5 / 100.0f));
    const int bound = std::min({v.MaxSize, w / 2, h / 2});
    v.ScratchSide = std::max(370, Round(1.6 * bound) + 20);
    v.AreaScale = std::max(1.0, double(std::max(w, 0)) * double(std::max(h, 0)) / kOilPastelBudgetArea);
    return v;
}

int OilPastelRepeatCount(const OilPastelValues& v, const OilPastelStep& st, bool paperShows)
{
    const int base = st.Repeats + 1;
    if (!paperShows)
        return base;
    return int(std::max<int64_t>(base, Round64(base * v.AreaScale)));
}

bool OilPastelPaperShows(int64_t paperLeft, int64_t area)
{
    return double(paperLeft) > kOilPastelPaperGoal * double(area);
}

OilPastelStep ComputeOilPastelStep(const OilPastelValues& v, int s)
{
    OilPastelStep st;
    const int C = v.ScratchSide / 2;
    const int e = Round(0.75 * s) + 4;
    st.lo = std::max(1, C - e);
    st.hi = std::min(C + e, v.ScratchSide - 2);
    int M = 50 * v.Quality;
    if (0.75 * v.MaxSize > s)
        M /= 2;
    if (0.5 * v.MaxSize > s)
        M /= 3;
    if (0.25 * v.MaxSize > s)
        M /= 2;
    st.Samples = std::max(1, M);
    st.ScoreStep = s > 60 ? 4 : (s > 30 ? 2 : 1);
    if (s < 50) {
        int t = 14000 / std::max(1, s * s);
        t = (2 * t) / 3;
        st.Extra = Clamp((t - 1) / 5, 0, 50);
    }
    int R = v.Repeats;
    if (s > 30)
        R = std::max(1, R / 2);
    if (s > 60)
        R = std::max(1, R / 3);
    st.Repeats = R;
    return st;
}

int OilPastelStrokeSize(const OilPastelValues& v, int i, int w, int h)
{
    int s;
    if (i > 950) {
        s = v.MaxSize;
    } else {
        const float u = float(i) / 950.0f;
        const float q = u * u * u * u;
        s = Round(double(v.MaxSize - v.MinSize + 1) * double(q)) + v.MinSize;
        const int r = std::max(1, Round(0.2 * s));
        s = s + Random(r) - Round(0.1 * s);
    }
    const int bound = std::min(w / 2, h / 2);
    if (s < v.MinSize)
        s = v.MinSize;
    else if (s > bound)
        s = bound;
    return s;
}

int64_t OilPastelThreshold(int s, int i, bool doClear)
{
    const double s2 = double(s) * double(s);
    int64_t t = i > 500 ? Round64(2.5 * s2) : Round64(1.1 * s2 * (3.0 * i / 500.0 + 2.0));
    if (!doClear)
        t /= 2;
    return t;
}

float OilPastelPreviewRatio(int w, int h, int64_t sourceArea)
{
    if (sourceArea <= 0)
        return 1;
    // A full render above the budget's area lays strokes as densely as one
    // of that area does; the crop is measured against the same density.
    const double painted = std::min(double(sourceArea), kOilPastelBudgetArea);
    return float(double(int64_t(w) * h) / painted);
}

// ------------------------------------------------------------------ the run

namespace {

struct PastelRun {
    ISkSurface dest;
    bool preview = false;
    bool doClear = false;
    int w = 0, h = 0;
    std::vector<uint32_t*> src, dst;
    OilPastelValues v;
    BrushStampSet stamps;
    float areaRatio = 1;
    // Paper: 1 where the start of the canvas still shows over a source that
    // is not near-white; tracked only when the budget grows with the area.
    std::vector<uint8_t> paper;
    int64_t paperLeft = 0;
    uint32_t start = 0;
};

// A pixel still shows the paper while every channel lies within 5 of the start's.
bool ShowsPaper(uint32_t pixel, uint32_t start)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((pixel >> shift) & 0xFF) - int((start >> shift) & 0xFF)) > 5)
            return false;
    return true;
}

void StartPaper(PastelRun& run)
{
    run.start = run.dst[0][0];
    run.paper.assign(size_t(run.w) * size_t(run.h), 0);
    std::vector<int64_t> rowCounts(size_t(run.h), 0);
    ParallelForRange(0, run.h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* s = run.src[size_t(y)];
            uint8_t* p = run.paper.data() + size_t(y) * size_t(run.w);
            int64_t n = 0;
            for (int x = 0; x < run.w; ++x) {
                const uint32_t c = s[x];
                const bool nearWhite = ((c >> 16) & 0xFF) >= 230 && ((c >> 8) & 0xFF) >= 230 && (c & 0xFF) >= 230;
                const bool shows = (c >> 24) >= 10 && !nearWhite && run.dst[size_t(y)][x] == run.start;
                p[x] = uint8_t(shows);
                n += shows;
            }
            rowCounts[size_t(y)] = n;
        }
    });
    for (const int64_t n : rowCounts)
        run.paperLeft += n;
}

// Strikes off the paper a stroke centred at (cx, cy) has covered.
void CoverPaper(PastelRun& run, const StampScratch& scratch, const OilPastelStep& st, int cx, int cy)
{
    const int C = scratch.center();
    const SkIRect drawn = scratch.drawnBounds();
    const int x0 = std::max(0, cx - C + std::max(st.lo, drawn.left));
    const int x1 = std::min(run.w - 1, cx - C + std::min(st.hi, drawn.right - 1));
    const int y0 = std::max(0, cy - C + std::max(st.lo, drawn.top));
    const int y1 = std::min(run.h - 1, cy - C + std::min(st.hi, drawn.bottom - 1));
    for (int y = y0; y <= y1; ++y) {
        uint8_t* p = run.paper.data() + size_t(y) * size_t(run.w);
        const uint32_t* d = run.dst[size_t(y)];
        for (int x = x0; x <= x1; ++x)
            if (p[x] && !ShowsPaper(d[x], run.start)) {
                p[x] = 0;
                --run.paperLeft;
            }
    }
}

// The position whose neighbourhood differs most from the source, or none.
std::optional<SkIPoint> FindPosition(const PastelRun& run, int i, int s, int samples)
{
    const int q = std::max(1, s / 3);
    const int groups = Clamp(samples / 10, 1, 15);
    int bestError = -1;
    std::optional<SkIPoint> best;
    auto errorAt = [&](int x, int y) { return PixelError(run.src[size_t(y)][x], run.dst[size_t(y)][x]); };
    for (int g = 0; g < groups; ++g) {
        const int ax = Random(run.w - 20) + 10;
        const int ay = Random(run.h - 20) + 10;
        for (int n = 0; n < 10; ++n) {
            const int x = ax + Random(64) - 32;
            const int y = ay + Random(64) - 32;
            if (x < 1 || x > run.w - 2 || y < 1 || y > run.h - 2 || (run.src[size_t(y)][x] >> 24) < 10)
                continue;
            int e = errorAt(x, y);
            const uint32_t d = run.dst[size_t(y)][x];
            if (run.doClear && i > 800 && ((d >> 16) & 0xFF) > 230 && ((d >> 8) & 0xFF) > 230 && (d & 0xFF) > 230)
                e *= 50;
            if (e > 20) {
                for (const SkIPoint o : {SkIPoint{-q, -q}, SkIPoint{q, -q}, SkIPoint{-q, q}, SkIPoint{q, q}}) {
                    const int nx = x + o.fX, ny = y + o.fY;
                    if (nx >= 0 && ny >= 0 && nx < run.w && ny < run.h)
                        e += errorAt(nx, ny);
                }
            }
            if (e > bestError) {
                bestError = e;
                best = SkIPoint{x, y};
                if (e > 2000)
                    return best;
            }
        }
    }
    return best;
}

// Improvement of the stamp on the scratch at (bx, by), read every k-th pixel of the footprint.
int64_t ScoreStroke(const PastelRun& run, const StampScratch& scratch, const OilPastelStep& st, int s, int bx, int by)
{
    const int k = st.ScoreStep;
    const int penalty = s < 15 ? 5 : (s < 40 ? 15 : 35);
    int64_t sum = 0;
    ForEachStampPixel(scratch, ScratchWindow::Square(st.lo, st.hi), StampLattice{k, st.lo}, run.src.data(),
                      run.dst.data(), run.w, run.h, bx, by, [&](uint32_t src, uint32_t dst, uint32_t stamp) {
                          const int before = PixelError(src, dst);
                          if (run.doClear || before > 0)
                              sum += before - PixelError(src, CompositePixel(stamp, dst));
                          else
                              sum -= penalty; // the canvas already matches here
                      });
    return sum * k * k;
}

void StrokeAttempt(PastelRun& run, StampScratch& scratch, const OilPastelStep& st, int i, int s)
{
    CheckCancellation();
    const std::optional<SkIPoint> pos = FindPosition(run, i, s, st.Samples);
    if (!pos)
        return;
    const int tries = s < 15 ? 1 : run.v.StampTries;
    const int64_t early = 20 * int64_t(s) * s;
    // The stamp takes the straight colour at its alpha, so a translucent
    // source pixel is not darkened by its alpha a second time.
    const TAlphaColor colour = UnpremultiplyPixel(run.src[size_t(pos->fY)][pos->fX]);
    int64_t bestScore = std::numeric_limits<int64_t>::min();
    int bestStamp = -1;
    float bestAngle = 0;
    for (int t = 0; t < tries; ++t) {
        const int j = Random(run.stamps.count());
        if (!run.stamps.stamps[size_t(j)])
            continue;
        const float a = float(Random(360) * std::numbers::pi / 180.0);
        CheckCancellation();
        DrawStamp(scratch, run.stamps.stamps[size_t(j)], colour, run.v.Opacity, a, float(s),
                  SkSamplingOptions::Mitchell(), StampLattice{st.ScoreStep, st.lo},
                  ScratchOver(scratch, pos->fX, pos->fY, run.w, run.h, 0));
        const int64_t score = ScoreStroke(run, scratch, st, s, pos->fX, pos->fY);
        if (score > bestScore) {
            bestScore = score;
            bestStamp = j;
            bestAngle = a;
            if (score > early)
                break;
        }
    }
    if (bestStamp < 0)
        return;
    if (bestScore <= OilPastelThreshold(s, i, run.doClear))
        return;
    DrawStamp(scratch, run.stamps.stamps[size_t(bestStamp)], colour, run.v.Opacity, bestAngle, float(s),
              SkSamplingOptions::Mitchell(), {}, ScratchOver(scratch, pos->fX, pos->fY, run.w, run.h, 1));
    if (s >= 30)
        ApplyBrushRelief(scratch, s, ScratchWindow::Square(st.lo + 1, st.hi - 1), 35);
    CompositeStamp(scratch, ScratchWindow::Square(st.lo, st.hi), run.dst.data(), run.w, run.h, pos->fX, pos->fY);
    if (!run.paper.empty())
        CoverPaper(run, scratch, st, pos->fX, pos->fY);
}

void ShowSnapshot(const ISkSurface& dest)
{
    TEngineHost* host = EngineHost();
    if (!host)
        return;
    ISkImage snap = dest->makeImageSnapshot();
    RunOnUIQueued([snap = std::move(snap)] { ShowIntermediateResult(snap, -1); }, host->QueuedCallContext());
}

float PreviewAreaRatio(int w, int h)
{
    int64_t area = 0;
    RunOnUISync([&] {
        const TEngineHost* host = EngineHost();
        if (host && host->FSkSourceImage)
            area = int64_t(host->FSkSourceImage->width()) * host->FSkSourceImage->height();
    });
    return OilPastelPreviewRatio(w, h, area);
}

void RunOilPastel(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                  bool Preview, std::optional<uint32_t> seed)
{
    CheckCancellation();
    SetRandSeed(seed ? *seed : uint32_t(QTime::currentTime().msec()));
    if (!Source || !Dest)
        return;
    PastelRun run;
    run.dest = Dest;
    run.preview = Preview;
    run.w = Source->width();
    run.h = Source->height();
    if (run.w < 100 || run.h < 100)
        return;
    if (Preview)
        run.areaRatio = PreviewAreaRatio(run.w, run.h);
    SkPixmap srcPm, dstPm;
    if (!Source->peekPixels(srcPm))
        return;
    run.src = RowPointers(srcPm);

    if (Preview) {
        Dest->getCanvas()->clear(kColorTransparent);
        run.doClear = true;
    } else {
        CanvasStartOptions start{ClearRule::SourceTest};
        start.source = Source;
        run.doClear = StartEffectCanvas(Dest, start).DoClear;
    }
    run.v = ComputeOilPastelValues(P1, P2, P3, P4, P5, run.w, run.h, run.doClear);
    if (!Dest->peekPixels(dstPm) || dstPm.width < run.w || dstPm.height < run.h)
        return;
    run.dst = RowPointers(dstPm);
    StampScratch scratch(run.v.ScratchSide);
    run.stamps = CutBrushSheet(WorkingBrushSheet(), BrushCutMode::Tested);
    // Above the budget's area the extra repeats serve to cover the paper:
    // once it is covered the steps repeat at the base rate.
    const bool trackPaper = !Preview && run.doClear && run.v.AreaScale > 1;
    if (trackPaper)
        StartPaper(run);
    const int64_t area = int64_t(run.w) * run.h;

    // Without a single stamp nothing can be painted: the canvas stays as it started.
    const bool canPaint = !run.stamps.empty();
    for (int i = 1000; i >= 0; --i) {
        CheckCancellation();
        if (canPaint) {
            const int s = OilPastelStrokeSize(run.v, i, run.w, run.h);
            const OilPastelStep st = ComputeOilPastelStep(run.v, s);
            const int repeats =
                OilPastelRepeatCount(run.v, st, !trackPaper || OilPastelPaperShows(run.paperLeft, area));
            for (int r = 0; r < repeats; ++r) {
                if (Preview && run.areaRatio < 1 && RandomFloat() > 2.0 * run.areaRatio)
                    continue;
                for (int e = 0; e <= st.Extra; ++e)
                    StrokeAttempt(run, scratch, st, i, s);
                CheckCancellation();
            }
        }
        if ((i + 10) % 50 == 0) {
            CheckCancellation();
            const int p = (1000 - i) / 10;
            if (Preview) {
                SafeUpdatePreview(Dest, p);
            } else {
                SafeUpdateProgress(p);
                if ((i + 10) % 100 == 0) {
                    CheckCancellation();
                    ShowSnapshot(Dest);
                }
            }
        }
    }
    if (Preview) {
        LastProgressTick = 0;
        SafeUpdatePreview(Dest, 101);
    } else {
        SafeUpdateProgress(101);
    }
}

} // namespace

void NewRandomStrokes_BestOfN(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                              bool Preview)
{
    RunOilPastel(Source, Dest, P1, P2, P3, P4, P5, Preview, std::nullopt);
}

void NewRandomStrokes_BestOfNSeeded(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4,
                                    int P5, bool Preview, uint32_t seed)
{
    RunOilPastel(Source, Dest, P1, P2, P3, P4, P5, Preview, seed);
}

PV_REGISTER_EFFECT(302, NewRandomStrokes_BestOfN);

} // namespace pv
