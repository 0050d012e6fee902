// Watercolor splashes paints the source with splash marks cut from the
// watercolour brush sheet, in passes from large to small marks. A luminance
// gradient map turns each mark along the edge under it, and each stamp's own
// principal axis is laid along that direction. The first two passes lay marks
// on a jittered grid; the later passes look for the places where the canvas
// differs most from the source and add a mark there only when it improves the
// canvas enough.

#include "effects/painting/watercolor/WatercolorSplashes.h"

#include "effects/painting/brushes/BrushStamp.h"
#include "engine/EngineHost.h"
#include "engine/ImageHelpers.h"
#include "platform/system/Errors.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace pv {

// ------------------------------------------------------------------ derived values

WatercolorSplashesValues ComputeWatercolorSplashesValues(int P1, int P2, int P3, int P4, int P5, bool doClear)
{
    WatercolorSplashesValues v;
    // Sizes are capped at 512 anyway; P3 and P4 beyond the sliders' range
    // would only multiply the grid or the passes.
    P1 = Clamp(P1, -1000, 1000);
    P2 = Clamp(P2, -1000, 1000);
    P3 = Clamp(P3, 1, 100);
    P4 = Clamp(P4, 0, 100);
    v.MinSize = Clamp(Round(5.12 * P1), 3, 512);
    if (P2 < P1)
        P2 = P1;
    // Marks are at least 3 pixels, as the smallest size is: sliders at 0
    // still paint.
    v.MaxSize = std::clamp(Round(5.12 * P2), 3, 512);
    v.GridDivisor = P3 / 15.0 + 0.8;
    v.MinSize = std::min(v.MinSize, v.MaxSize);
    v.DoClear = doClear;
    if (!doClear) {
        v.MaxSize = std::max(3, (2 * v.MaxSize) / 3);
        v.MinSize = std::min(v.MinSize, v.MaxSize);
    }
    v.Passes = Round(0.04 * P4) + 10;
    v.StampTries = P4 < 20 ? 1 : (P4 < 50 ? 2 : (P4 < 70 ? 3 : (P4 < 90 ? 5 : 8)));
    v.PositionSamples = P4 > 80 ? 30 : (P4 > 50 ? 20 : 10);
    v.EarlyStop = P4 < 75;
    v.ThresholdShift = P4 > 70 ? -10 : 0;
    v.Opacity = std::max(0.1f, static_cast<float>(P5 / 100.0f));
    return v;
}

WatercolorSplashesPass ComputeWatercolorSplashesPass(const WatercolorSplashesValues& v, int k)
{
    WatercolorSplashesPass p;
    const float t = float(v.Passes - k) / float(v.Passes);
    p.Size = v.MinSize + Round(double(v.MaxSize - v.MinSize) * double(t * t * t));
    const int s = p.Size;
    p.Grid = t > 0.87f;
    p.GridStep = std::max(1, Round(s / v.GridDivisor));
    const int C = kSplashScratchSide / 2;
    const int hw = Round(0.7 * s) + 2;
    p.lo = std::max(0, C - hw);
    p.hi = std::min(kSplashScratchSide - 1, C + hw);
    p.Tries = v.StampTries + (s > 40 ? 2 : 0);
    const double f = double(v.MaxSize - s) / double(std::max(1, v.MaxSize - v.MinSize));
    p.Threshold = std::max(2, Round(50 * f) + 3 + v.ThresholdShift);
    if (!v.DoClear)
        p.Threshold /= 2;
    p.Free = k == 0 && v.DoClear;
    p.MinImprovement = Round64(0.1 * double(s) * s);
    if (!v.DoClear)
        p.MinImprovement /= 4;
    p.ScoreStep = s > 50 ? 4 : (s > 30 ? 3 : 2);
    return p;
}

int WatercolorSplashesPositions(int w, int h, int s)
{
    const double area = ReferenceAreaScale(w, h);
    const double positions = 3.0 * w * double(h) / (double(s) * s);
    return int(Round64(std::clamp(positions, 200.0 * area, 30000.0 * area)));
}

// ------------------------------------------------------------------ the run

namespace {

constexpr int64_t kFreeImprovement = 100000;

struct SplashRun {
    int w = 0, h = 0;
    std::vector<uint32_t*> src, dst;
    WatercolorSplashesValues v;
    BrushStampSet stamps;
    GradientMap map;
};

int64_t ScoreSplash(const SplashRun& run, const StampScratch& scratch, const WatercolorSplashesPass& p, int x, int y)
{
    int64_t improvement = 0, sumBefore = 0, count = 0;
    ForEachStampPixel(scratch, ScratchWindow::Square(p.lo, p.hi), StampLattice{p.ScoreStep, 0}, run.src.data(),
                      run.dst.data(), run.w, run.h, x, y, [&](uint32_t src, uint32_t dst, uint32_t stamp) {
                          const int before = PixelError(src, dst);
                          improvement += before - PixelError(src, CompositePixel(stamp, dst));
                          sumBefore += before;
                          ++count;
                      });
    // A mark where the canvas already matches is not wanted.
    if (count > 0 && sumBefore / count < p.Threshold)
        improvement -= kFreeImprovement;
    return improvement;
}

void PlaceSplash(SplashRun& run, StampScratch& scratch, const WatercolorSplashesPass& p, int x, int y)
{
    // The straight colour at its alpha: a translucent pixel is not darkened twice.
    const TAlphaColor colour =
        (x >= 0 && y >= 0 && x < run.w && y < run.h) ? UnpremultiplyPixel(run.src[size_t(y)][x]) : kColorBlack;
    const TGradientInfo& cell = run.map.cellAt(x, y);
    const double direction = cell.Magnitude >= kEdgeMagnitude ? double(cell.Angle) + std::numbers::pi / 2
                                                              : Random(360) * std::numbers::pi / 180.0;
    const int s = p.Size;
    int64_t best = -2147483647;
    bool found = false;
    int bestStamp = 0;
    float bestRotation = 0;
    for (int t = 0; t < p.Tries; ++t) {
        const int j = Random(run.stamps.count());
        if (!run.stamps.stamps[size_t(j)])
            continue;
        const float rotation =
            float(direction - double(run.stamps.angles[size_t(j)]) + (Random(40) - 20) * std::numbers::pi / 180.0);
        int64_t improvement = kFreeImprovement;
        if (!p.Free) {
            DrawStamp(scratch, run.stamps.stamps[size_t(j)], colour, run.v.Opacity, rotation, float(s),
                      SkSamplingOptions::LinearMipmapNearest(), StampLattice{p.ScoreStep, 0},
                      ScratchOver(scratch, x, y, run.w, run.h, 0));
            improvement = ScoreSplash(run, scratch, p, x, y);
        }
        if (improvement > best) {
            best = improvement;
            bestStamp = j;
            bestRotation = rotation;
            found = true;
        }
        if (run.v.EarlyStop && improvement > 2 * p.MinImprovement)
            break;
    }
    if (!found || best <= p.MinImprovement)
        return;
    DrawStamp(scratch, run.stamps.stamps[size_t(bestStamp)], colour, run.v.Opacity, bestRotation, float(s),
              SkSamplingOptions::LinearMipmapNearest(), {}, ScratchOver(scratch, x, y, run.w, run.h, 1));
    const int C = scratch.center();
    if (s >= 15)
        ApplyBrushRelief(scratch, s,
                         ScratchWindow::Square(std::max(1, C - s / 2 - 2), std::min(kSplashScratchSide - 2, C + s / 2 + 2)),
                         20);
    CompositeStamp(scratch, ScratchWindow::Square(p.lo, p.hi), run.dst.data(), run.w, run.h, x, y);
}

void QueueDisplay(const ISkSurface& dest, int percent)
{
    TEngineHost* host = EngineHost();
    if (!host)
        return;
    ISkImage snap = dest->makeImageSnapshot();
    RunOnUIQueued([snap = std::move(snap), percent] { ShowIntermediateResult(snap, percent); },
                  host->QueuedCallContext());
}

void Paint(SplashRun& run, const ISkSurface& Dest, bool Preview)
{
    StampScratch scratch(kSplashScratchSide);
    const int N = run.v.Passes;
    for (int k = 0; k <= N; ++k) {
        CheckCancellation();
        const WatercolorSplashesPass p = ComputeWatercolorSplashesPass(run.v, k);
        if (p.Grid) {
            for (int y = Random(p.GridStep); y < run.h; y += p.GridStep) {
                CheckCancellation();
                for (int x = Random(p.GridStep); x < run.w; x += p.GridStep)
                    PlaceSplash(run, scratch, p, x, y);
            }
        } else {
            const int s = std::max(1, p.Size);
            const int positions = WatercolorSplashesPositions(run.w, run.h, s);
            for (int n = 0; n < positions; ++n) {
                CheckCancellation();
                int bx = 0, by = 0, bestError = -1;
                for (int m = 0; m < run.v.PositionSamples; ++m) {
                    const int x = Random(run.w);
                    const int y = Random(run.h);
                    const int e = PixelError(run.src[size_t(y)][x], run.dst[size_t(y)][x]);
                    if (e > bestError) {
                        bestError = e;
                        bx = x;
                        by = y;
                    }
                }
                if (bestError >= p.Threshold)
                    PlaceSplash(run, scratch, p, bx, by);
            }
        }
        if (Preview)
            SafeUpdatePreview(Dest, Round((k + 1) * 100.0 / (N + 1)) + 1);
        else
            QueueDisplay(Dest, std::min(100, Round((k + 1) * 100.0 / (N + 1)) + 1));
    }
}

} // namespace

void NewDirectionalStrokesgood(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                               bool Preview)
{
    CheckCancellation();
    if (!Source || !Dest)
        return;
    SplashRun run;
    run.w = Source->width();
    run.h = Source->height();
    if (run.w < 10 || run.h < 10)
        return;
    CheckCancellation();
    SkPixmap srcPm, dstPm;
    if (!Source->peekPixels(srcPm))
        return;
    run.src = RowPointers(srcPm);
    CheckCancellation();
    if (!Dest->peekPixels(dstPm) || dstPm.width < run.w || dstPm.height < run.h)
        return;
    run.dst = RowPointers(dstPm);

    bool doClear;
    if (Preview) {
        Dest->getCanvas()->clear(kColorTransparent);
        doClear = true;
    } else {
        CanvasStartOptions start{ClearRule::SourceTest};
        start.source = Source;
        doClear = StartEffectCanvas(Dest, start).DoClear;
        QueueDisplay(Dest, 1);
    }
    run.v = ComputeWatercolorSplashesValues(P1, P2, P3, P4, P5, doClear);
    try {
        CheckCancellation();
        run.map = BuildGradientMap(Source);
        run.stamps = CutBrushSheet(WorkingBrushSheet(), BrushCutMode::Tested);
        ComputeBrushAngles(run.stamps, kSplashOrientation);
        // Without a single stamp there is nothing to paint with.
        if (!run.stamps.empty())
            Paint(run, Dest, Preview);
    } catch (const EAbort&) {
        // A cancelled render keeps what it painted and its last display. A
        // preview that became stale ends as an abort, so nothing of it is shown.
        if (Preview)
            throw;
        return;
    }
    if (!Preview)
        QueueDisplay(Dest, 101);
}

PV_REGISTER_EFFECT(303, NewDirectionalStrokesgood);

} // namespace pv
