// Stochastic painting lays a fixed number of brush dabs at random places. The
// dabs start large and shrink with a cubic ease towards the minimum size, so
// broad strokes lay the ground and small ones add detail. Each dab takes the
// picture's colour at its centre, runs along the local edge (or in a random
// direction where the picture is flat) and uses a random mark of the atlas.
// A dab is drawn only when, measured on a sample of the pixels it would
// cover, it brings the canvas closer to the picture; otherwise a few other
// marks and angles are tried.
//
// A translucent picture is painted in its straight colour with opaque dabs,
// as an opaque one is; the painting then takes the picture's alpha.

#include "effects/painting/StochasticPainting.h"

#include "effects/painting/BrushStamp.h"
#include "engine/StraightColour.h"
#include "effects/painting/TemplateMatching.h"
#include "engine/U_repository.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace pv {

StochasticPaintingParams ComputeStochasticPaintingParams(int P1, int P2, int P3, int P4, int P5, int w, int h)
{
    StochasticPaintingParams p;
    p.MinSize = int(std::clamp<int64_t>(2 * int64_t(P1), 5, 250));
    p.MaxSize = int(std::clamp<int64_t>(2 * int64_t(P2), 10, 250));
    if (p.MinSize > p.MaxSize)
        std::swap(p.MinSize, p.MaxSize);
    p.Precision = Clamp(P4, 1, 100);
    p.Opacity = Clamp(Round(std::clamp(double(P5) * 2.55, -1.0, 1000.0)), 20, 255);
    // Density grows with P3; beyond the slider's top (100) it stays there, and
    // below about -3 no dab is laid.
    double F = double(P3) / 100.0 * 150.0 + 5.0;
    if (p.Precision > 80)
        F *= 0.75;
    p.Density = std::clamp(F, 0.0, 155.0);
    const int64_t area = int64_t(std::max(w, 0)) * int64_t(std::max(h, 0));
    p.DabCount = Round64(double(area / 400) * p.Density);
    p.SampleStep = std::max(1, 10 - p.Precision / 10);
    if (P3 > 60)
        p.SampleStep = std::max(p.SampleStep, 2);
    if (P3 > 85)
        p.SampleStep = std::max(p.SampleStep, 3);
    p.Tries = p.Precision / 10 + 1;
    if (P3 > 50)
        p.Tries = std::min(p.Tries, 5);
    if (P3 > 80)
        p.Tries = std::min(p.Tries, 2);
    p.ReportEvery = std::max<int64_t>(100, p.DabCount / 100);
    return p;
}

float StochasticDabSize(int64_t i, int64_t n, int minSize, int maxSize)
{
    const float t = n > 0 ? float(i) / float(n) : 0.0f;
    const float e = 1.0f - t;
    return float(minSize) + float(maxSize - minSize) * (e * e * e);
}

namespace {

constexpr int kStampSide = kAtlasCell;
constexpr float kPi = std::numbers::pi_v<float>;

struct EdgeCell {
    float Angle = 0; // the edge direction (gradient + pi/2)
    uint8_t Magnitude = 0;
};

// Sobel of the red byte of the picture scaled to the map's size.
std::vector<EdgeCell> BuildEdgeMap(const ISkImage& source, int gw, int gh)
{
    std::vector<EdgeCell> map(size_t(gw) * size_t(gh));
    const ISkSurface small = SkSurface::MakeRaster(gw, gh);
    if (!small)
        return map;
    small->getCanvas()->drawImageRect(source, SkRect::Make(source->bounds()), SkRect::MakeWH(float(gw), float(gh)),
                                      SkSamplingOptions::LinearMipmapNearest(), nullptr, SkSrcRectConstraint::kFast);
    small->getCanvas()->flush();
    SkPixmap pm;
    if (!small->peekPixels(pm))
        return map;
    auto V = [&](int x, int y) { return int((pm.at(x, y) >> 16) & 0xFF); };
    for (int y = 1; y < gh - 1; ++y)
        for (int x = 1; x < gw - 1; ++x) {
            const int gx = (V(x + 1, y - 1) + 2 * V(x + 1, y) + V(x + 1, y + 1)) -
                           (V(x - 1, y - 1) + 2 * V(x - 1, y) + V(x - 1, y + 1));
            const int gy = (V(x - 1, y + 1) + 2 * V(x, y + 1) + V(x + 1, y + 1)) -
                           (V(x - 1, y - 1) + 2 * V(x, y - 1) + V(x + 1, y - 1));
            EdgeCell& c = map[size_t(y) * size_t(gw) + size_t(x)];
            c.Magnitude = uint8_t(std::min(255, std::abs(gx) + std::abs(gy)));
            c.Angle = std::atan2(float(gy), float(gx)) + kPi / 2.0f;
        }
    return map;
}

// The straight colours as an opaque picture.
ISkImage OpaqueImageOf(const SkPixmap& straight)
{
    std::vector<uint32_t> px(size_t(straight.width) * size_t(straight.height));
    for (int y = 0; y < straight.height; ++y) {
        const uint32_t* in = straight.row(y);
        uint32_t* out = px.data() + size_t(y) * size_t(straight.width);
        for (int x = 0; x < straight.width; ++x)
            out[x] = 0xFF000000u | in[x];
    }
    return SkImage::MakeRasterCopy(px.data(), straight.width, straight.height, size_t(straight.width) * 4);
}

inline int Chan(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }

inline int ColourDistance(uint32_t p, uint32_t q)
{
    return std::abs(Chan(p, 16) - Chan(q, 16)) + std::abs(Chan(p, 8) - Chan(q, 8)) + std::abs(Chan(p, 0) - Chan(q, 0));
}

struct Dab {
    int x, y;
    uint32_t colour;
    float half;
    int reach;
    float scale;
    int step;
};

// How much closer to the source the canvas would come under the dab: its
// sampled pixels blended with the dab colour at coverage x opacity.
int64_t DabGain(const Dab& d, const uint8_t* alpha, float rot, const SkPixmap& src, const SkPixmap& dst,
                bool hasTransparency, int opacity)
{
    const int w = src.width, h = src.height, step = d.step;
    const float cs = std::cos(-rot), sn = std::sin(-rot);
    const int y0 = std::max(0, d.y - d.reach), y1 = std::min(h - 1, d.y + d.reach);
    const int x0 = std::max(0, d.x - d.reach), x1 = std::min(w - 1, d.x + d.reach);
    const int px0 = (x0 + step - 1) / step * step;
    int64_t gain = 0;
    for (int py = (y0 + step - 1) / step * step; py <= y1; py += step) {
        const uint32_t* s = src.row(py);
        const uint32_t* c = dst.row(py);
        const float dy = float(py - d.y);
        const float uy = -dy * sn, vy = dy * cs;
        // Branch-free: every sample is computed and counts only where the mark
        // covers it, so the stamp reads of neighbouring samples overlap.
        for (int px = px0; px <= x1; px += step) {
            const float dx = float(px - d.x);
            const int u = int(std::nearbyint((dx * cs + uy) * d.scale + 125.0f));
            const int v = int(std::nearbyint((dx * sn + vy) * d.scale + 125.0f));
            const bool inside = unsigned(u) < unsigned(kStampSide) && unsigned(v) < unsigned(kStampSide);
            const int a = alpha[inside ? v * kStampSide + u : 0];
            const uint32_t cur = c[px], tgt = s[px];
            const bool counts = inside && a > 10 && (!hasTransparency || (tgt >> 24) >= 10);
            // k = 0 leaves the pixel as it is, k = 255 gives the dab colour itself.
            const int k = a * opacity / 255;
            int dCur = 0, dSim = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int t = Chan(tgt, shift), cc = Chan(cur, shift);
                const int sim = (Chan(d.colour, shift) * k + cc * (255 - k)) / 255;
                dCur += std::abs(t - cc);
                dSim += std::abs(t - sim);
            }
            gain += counts ? dCur - dSim : 0;
        }
    }
    return gain;
}

} // namespace

void StochasticPainting(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview)
{
    if (!Source || !Dest)
        return;
    CheckCancellation();
    SkPixmap src;
    if (!Source->peekPixels(src) || !src.valid())
        return;
    const int w = src.width, h = src.height;
    const StochasticPaintingParams p = ComputeStochasticPaintingParams(P1, P2, P3, P4, P5, w, h);
    const bool hasTransparency = HasTranslucentPixel(src);
    // What the dabs match and take their colour from: straight colour, alpha kept.
    StraightPicture straight;
    SkPixmap target = src;
    if (hasTransparency) {
        straight = MakeStraightPicture(src);
        target = straight.map;
    }
    // An unfinished painting as it will look with the picture's alpha.
    auto shown = [&]() -> ISkSurface {
        if (!hasTransparency)
            return Dest;
        const ISkSurface copy = CopyWithSourceAlpha(src, Dest);
        return copy ? copy : Dest;
    };

    if (Preview) {
        Dest->getCanvas()->clear(kColorWhite);
    } else {
        CanvasStartOptions options;
        options.rule = ClearRule::CoverageMask;
        options.transparencyFlag = hasTransparency;
        options.source = Source;
        StartEffectCanvas(Dest, options);
    }
    Dest->getCanvas()->flush();
    SkPixmap dst;
    if (!Dest->peekPixels(dst) || dst.width < w || dst.height < h)
        return;
    CheckCancellation();

    const SkISize gridSize = GradientMapSize(w, h);
    const int gw = gridSize.fWidth, gh = gridSize.fHeight;
    // Edges of the straight colours, as the opaque picture of those colours has them.
    const std::vector<EdgeCell> edges = BuildEdgeMap(hasTransparency ? OpaqueImageOf(target) : Source, gw, gh);
    CheckCancellation();

    ISkImage atlas;
    RunOnUISync([&atlas] { atlas = Form3().TemplateMatchingBrushes.image(); });
    if (!atlas || atlas->width() <= 0 || atlas->height() <= 0)
        return;
    const std::vector<ISkImage> stamps = CutAtlasStamps(atlas, kStampSide, AtlasCoverageMatrix());
    atlas.reset();
    std::vector<float> angles(stamps.size());
    std::vector<uint8_t> alphas(stamps.size() * size_t(kStampSide) * size_t(kStampSide), 0);
    for (size_t k = 0; k < stamps.size(); ++k) {
        angles[k] = ComputeBrushOrientation(stamps[k]);
        SkPixmap pm;
        if (!stamps[k]->peekPixels(pm))
            continue;
        uint8_t* a = alphas.data() + k * size_t(kStampSide) * size_t(kStampSide);
        for (int y = 0; y < kStampSide; ++y)
            for (int x = 0; x < kStampSide; ++x)
                a[y * kStampSide + x] = uint8_t(pm.at(x, y) >> 24);
    }
    const int marks = int(stamps.size());

    SkPaint paint;
    paint.setAntiAlias(true);
    paint.setAlphaf(float(p.Opacity) / 255.0f);
    SkCanvas* canvas = Dest->getCanvas();
    const int runId = ThreadRunId;
    uint32_t lastReport = GetTickMs();

    for (int64_t i = 0; i < p.DabCount && marks > 0; ++i) {
        if (i % 500 == 0)
            CheckCancellation();
        const float size = StochasticDabSize(i, p.DabCount, p.MinSize, p.MaxSize);
        const int x = Random(w);
        const int y = Random(h);
        if (hasTransparency && (src.at(x, y) >> 24) < 10)
            continue;
        const EdgeCell& cell = edges[size_t(std::min(gh - 1, int(int64_t(y) * gh / h))) * size_t(gw) +
                                     size_t(std::min(gw - 1, int(int64_t(x) * gw / w)))];
        const float angle = cell.Magnitude > 15 ? cell.Angle : float(RandomFloat() * 2.0 * std::numbers::pi);
        int b = Random(marks);
        float rot = angle - angles[size_t(b)] + float(RandomFloat() - 0.5) * 0.2f;

        Dab dab;
        dab.x = x;
        dab.y = y;
        dab.colour = 0xFF000000u | target.at(x, y);
        dab.half = size * 0.5f;
        dab.reach = int(std::ceil(dab.half * 1.414f));
        dab.scale = float(kStampSide) / size;
        dab.step = size > 20.0f ? p.SampleStep : 1;
        int64_t gain = 0;
        for (int attempt = 1; attempt <= p.Tries; ++attempt) {
            if (attempt > 1) {
                b = Random(marks);
                rot = angle - angles[size_t(b)] + float(RandomFloat() - 0.5) * 0.3f;
            }
            gain = DabGain(dab, alphas.data() + size_t(b) * size_t(kStampSide) * size_t(kStampSide), rot, target,
                           dst, hasTransparency, p.Opacity);
            if (gain > 0)
                break;
        }
        if (gain > 0) {
            paint.setColorFilter(SkColorFilters::Blend(dab.colour, SkBlendMode::kSrcIn));
            canvas->save();
            canvas->translate(float(x), float(y));
            canvas->rotate(rot * 180.0f / kPi);
            canvas->translate(-float(x), -float(y));
            canvas->drawImageRect(stamps[size_t(b)], SkRect::MakeWH(float(kStampSide), float(kStampSide)),
                                  SkRect::MakeLTRB(float(x) - dab.half, float(y) - dab.half, float(x) + dab.half,
                                                   float(y) + dab.half),
                                  SkSamplingOptions::LinearMipmapNearest(), &paint, SkSrcRectConstraint::kFast);
            canvas->restore();
        }

        TEngineHost* host = i % p.ReportEvery == 0 ? EngineHost() : nullptr;
        if (host) {
            const uint32_t tick = GetTickMs();
            const int percent = Round(double(i) / double(p.DabCount) * 100.0);
            if (!Preview && tick - lastReport > 200) {
                lastReport = tick;
                canvas->flush();
                const ISkImage snap = shown()->makeImageSnapshot();
                RunOnUIQueued(
                    [snap, percent, runId] {
                        TEngineHost* h = EngineHost();
                        if (h && !h->Cancel.load() && h->FCurrentRunId.load() == runId)
                            ShowIntermediateResult(snap, percent);
                    },
                    host->QueuedCallContext());
                Dest->peekPixels(dst);
            } else if (Preview && tick - lastReport > 100) {
                lastReport = tick;
                canvas->flush();
                SafeUpdatePreview(shown(), percent);
                Dest->peekPixels(dst);
            }
        }
    }

    canvas->flush();
    if (hasTransparency && Dest->peekPixels(dst))
        GiveSourceAlpha(src, dst);
    TEngineHost* host = EngineHost();
    if (!host || host->Cancel.load())
        return;
    if (Preview) {
        // The preview's last picture goes out from this thread, so a preview
        // that has become stale ends here instead of reaching the box.
        ReportEffectFinished(Dest, true);
        RunOnUIQueued(
            [] {
                if (TEngineHost* h = EngineHost())
                    h->RedrawCanvas();
            },
            host->QueuedCallContext());
        return;
    }
    const ISkImage finalSnap = Dest->makeImageSnapshot();
    RunOnUIQueued(
        [finalSnap, runId] {
            TEngineHost* h = EngineHost();
            if (!h || h->Cancel.load() || h->FCurrentRunId.load() != runId)
                return;
            ShowIntermediateResult(finalSnap, 101);
            h->RedrawCanvas();
        },
        host->QueuedCallContext());
}

PV_REGISTER_EFFECT(307, StochasticPainting);

} // namespace pv
