// The brush-stroke frame. Each band is painted with strokes at random places,
// kept by a greedy test: a stroke stays when it brings the band closer to the
// picture-and-border target it should resemble, except that every second
// stroke stays without a test. Then the band, faded towards the picture, is
// laid on the border layer, and the layer over the enlarged picture.
//
// A stroke changes only the pixels under its mark, so each candidate is drawn
// on a copy of that region alone and its distance to the target is the band's
// running distance corrected by the region's sampled pixels.

#include "effects/painting/brushes/BrushstrokesFrame.h"

#include "effects/painting/brushes/BrushStamp.h"
#include "effects/painting/SmoothPainting.h"
#include "engine/Effect.h"
#include "engine/ImageHistory.h"
#include "engine/Repository.h"
#include "engine/Workers.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkShader.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <system_error>
#include <vector>

namespace pv {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// Strokes wider than this add nothing a frame needs and only cost time.
constexpr float kMaxBrush = 500.0f;
// A framed canvas above this many pixels (16384 x 16384) is not made.
constexpr int64_t kMaxFramePixels = int64_t(1) << 28;
constexpr int kSampleSpacing = 10;

// The atlas's coverage amplified 2.5 times, so the marks' grey fringes turn solid.
const float* AmplifiedCoverageMatrix()
{
    static const float m[20] = {0, 0, 0, 0, 1, //
                                0, 0, 0, 0, 1, //
                                0, 0, 0, 0, 1, //
                                -0.7475f, -1.4675f, -0.285f, 0, 2.5f};
    return m;
}

inline int64_t SampleTerm(uint32_t a, uint32_t b)
{
    int64_t s = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int64_t d = int64_t((a >> shift) & 0xFF) - int64_t((b >> shift) & 0xFF);
        s += d * d;
    }
    return s;
}

int64_t PixmapDifference(const SkPixmap& a, const SkPixmap& b)
{
    int64_t sum = 0;
    for (int y = 0; y < a.height; y += kSampleSpacing) {
        const uint32_t* ra = a.row(y);
        const uint32_t* rb = b.row(y);
        for (int x = 0; x < a.width; x += kSampleSpacing)
            sum += SampleTerm(ra[x], rb[x]);
    }
    return sum;
}

// What a framing run reports on the way (the frame panel's worker only).
struct FrameProgress {
    std::function<void(int)> report;  // may be empty
    std::function<bool()> stopped;    // may be empty
    void operator()(int v) const
    {
        if (report)
            report(v);
    }
    bool stop() const { return stopped && stopped(); }
};

struct StrokeSet {
    std::vector<ISkImage> stamps;
    std::vector<float> angles;
};

struct FramedPictures {
    ISkImage framed;      // the picture with its painted frame
    ISkImage plainFrame;  // the border layer before any band (border colour, hollow)
    bool transparent = false;
    int64_t W = 0, H = 0;
};

struct StopFraming {};

// Paints one band's strokes on `current` (band-sized, transparent at first).
void PaintBand(const FrameGeometry& g, int side, const SkPixmap& picture, const ISkImage& P, TAlphaColor K,
               const StrokeSet& strokes, const ISkSurface& current, const FrameProgress& progress, int w, int h)
{
    const FrameBand& band = g.Bands[size_t(side)];
    const int bw = band.Width, bh = band.Height;
    const int ox = band.X0 - g.M, oy = band.Y0 - g.M;

    const ISkSurface target = SkSurface::MakeRaster(bw, bh);
    if (!target)
        return;
    target->getCanvas()->clear(K);
    target->getCanvas()->drawImage(P, float(-ox), float(-oy));
    target->getCanvas()->flush();
    SkPixmap tgt, cur;
    target->peekPixels(tgt);
    current->peekPixels(cur);

    int64_t distance = PixmapDifference(tgt, cur);
    int64_t best = distance;

    const int scratchSide = int(std::ceil(g.S * 1.5f)) + 8;
    const ISkSurface scratch = SkSurface::MakeRaster(std::min(scratchSide, bw), std::min(scratchSide, bh));
    SkPixmap scr;
    scratch->peekPixels(scr);
    SkCanvas* sc = scratch->getCanvas();
    SkPaint paint;
    paint.setAntiAlias(true);
    const int marks = int(strokes.stamps.size());
    const float cell = float(g.Cell);
    const int progressSpan = std::max(1, Round(3.0 * (double(w) + double(h))));

    for (int64_t m = 0; m < g.StrokesPerBand; ++m) {
        const float rx = float(RandomFloat()) * float(bw);
        const float ry = float(RandomFloat()) * float(bh);
        const int px = Round(double(ox) + double(rx)), py = Round(double(oy) + double(ry));
        // The picture's straight colour at its alpha (the stamp premultiplies it once).
        const TAlphaColor colour = (px >= 0 && py >= 0 && px < w && py < h) ? UnpremultiplyPixel(picture.at(px, py)) : K;
        const int k = Random(marks);
        const float angle = band.BaseAngle + float(RandomFloat()) * kPi / 6.0f - kPi / 12.0f - strokes.angles[size_t(k)];
        const float size = g.S * (float(RandomFloat()) * 0.15f + 0.85f);

        // The mark's bounds on the band, with a pixel of margin for filtering.
        const float extent = size * 0.5f * (std::abs(std::cos(angle)) + std::abs(std::sin(angle))) + 2.0f;
        const int left = std::max(0, int(std::floor(rx - extent)));
        const int top = std::max(0, int(std::floor(ry - extent)));
        const int right = std::min({bw, int(std::ceil(rx + extent)) + 1, left + scr.width});
        const int bottom = std::min({bh, int(std::ceil(ry + extent)) + 1, top + scr.height});
        int64_t delta = 0;
        const bool drawn = right > left && bottom > top;
        if (drawn) {
            const int rw = right - left, rh = bottom - top;
            for (int y = 0; y < rh; ++y)
                std::copy_n(cur.row(top + y) + left, rw, scr.row(y));
            paint.setColorFilter(SkColorFilters::Blend(colour, SkBlendMode::kSrcIn));
            sc->save();
            sc->clipRect(SkRect::MakeWH(float(rw), float(rh)));
            sc->translate(rx - float(left), ry - float(top));
            sc->rotate(angle * 180.0f / kPi);
            sc->drawImageRect(strokes.stamps[size_t(k)], SkRect::MakeWH(cell, cell),
                              SkRect::MakeLTRB(-size / 2, -size / 2, size / 2, size / 2),
                              SkSamplingOptions::LinearMipmapNearest(), &paint, SkSrcRectConstraint::kFast);
            sc->restore();
            sc->flush();
            const int y0 = (top + kSampleSpacing - 1) / kSampleSpacing * kSampleSpacing;
            const int x0 = (left + kSampleSpacing - 1) / kSampleSpacing * kSampleSpacing;
            for (int y = y0; y < bottom; y += kSampleSpacing)
                for (int x = x0; x < right; x += kSampleSpacing) {
                    const uint32_t t = tgt.at(x, y);
                    delta += SampleTerm(t, scr.at(x - left, y - top)) - SampleTerm(t, cur.at(x, y));
                }
        }
        bool keep = true;
        if (m % 2 == 0) {
            const int64_t d = distance + delta;
            keep = d < best;
            if (keep)
                best = d;
        }
        if (keep && drawn) {
            for (int y = top; y < bottom; ++y)
                std::copy_n(scr.row(y - top), right - left, cur.row(y) + left);
            distance += delta;
        }
        if (m % 50 == 0) {
            if (progress.stop())
                throw StopFraming();
            progress(std::min(90, Round(double(m) / double(progressSpan) * 20.0) + 20 * side + 10));
        }
    }
}

// Frames P; false when it cannot be framed (unreadable pixels, no marks, a
// canvas that cannot be made).
bool FramePicture(const ISkImage& P, const ISkImage& atlas, TAlphaColor K, int M, int S, const FrameProgress& progress,
                  FramedPictures& out)
{
    const int w = P->width(), h = P->height();
    const FrameGeometry g = ComputeFrameGeometry(w, h, atlas->width(), M, S);
    SkPixmap picture;
    if (!P->peekPixels(picture) || !picture.valid())
        return false;
    out.transparent = HasTranslucentPixel(picture);
    if (out.transparent)
        K = kColorTransparent;
    progress(5);

    StrokeSet strokes;
    strokes.stamps = CutAtlasStamps(atlas, g.Cell, AmplifiedCoverageMatrix());
    for (const ISkImage& stamp : strokes.stamps)
        strokes.angles.push_back(ComputeBrushOrientation(stamp));
    progress(10);
    if (strokes.stamps.empty() || g.W <= 0 || g.H <= 0 || g.W > kMaxFramePixels / g.H)
        return false;
    const int W = int(g.W), H = int(g.H);

    const ISkSurface layer = SkSurface::MakeRaster(W, H);
    if (!layer)
        return false;
    SkCanvas* canvas = layer->getCanvas();
    canvas->clear(K);
    SkPaint hollow;
    hollow.setBlendMode(SkBlendMode::kClear);
    canvas->drawRect(SkRect::MakeLTRB(float(M + 1), float(M + 1), float(M + w - 1), float(M + h - 1)), hollow);
    canvas->flush();
    out.plainFrame = layer->makeImageSnapshot();

    for (int side = 0; side < 4; ++side) {
        const FrameBand& band = g.Bands[size_t(side)];
        const ISkSurface current = SkSurface::MakeRaster(band.Width, band.Height);
        if (!current)
            continue;
        PaintBand(g, side, picture, P, K, strokes, current, progress, w, h);
        const TAlphaColor colours[2] = {0xFFFFFFFFu, 0x40FFFFFFu};
        const float positions[2] = {0.7f, 1.0f};
        const SkPoint pts[2] = {band.FadeFrom, band.FadeTo};
        SkPaint fade;
        fade.setShader(SkGradientShader::MakeLinear(pts, colours, positions, 2, SkTileMode::kClamp));
        fade.setBlendMode(SkBlendMode::kDstIn);
        const SkRect bounds = SkRect::MakeWH(float(band.Width), float(band.Height));
        canvas->save();
        canvas->translate(float(band.X0), float(band.Y0));
        canvas->saveLayer(&bounds, nullptr);
        canvas->drawImage(current->makeImageSnapshot(), 0, 0, SkSamplingOptions::Mitchell());
        canvas->drawRect(bounds, fade);
        canvas->restore();
        canvas->restore();
    }
    progress(90);
    canvas->flush();

    const ISkSurface framed = SkSurface::MakeRaster(W, H);
    if (!framed)
        return false;
    framed->getCanvas()->clear(out.transparent ? kColorTransparent : kColorWhite);
    framed->getCanvas()->drawImage(P, float(M), float(M));
    framed->getCanvas()->drawImage(layer->makeImageSnapshot(), 0, 0);
    framed->getCanvas()->flush();
    out.framed = framed->makeImageSnapshot();
    out.W = g.W;
    out.H = g.H;
    return true;
}

} // namespace

FrameGeometry ComputeFrameGeometry(int w, int h, int atlasWidth, int borderWidth, int brushSize)
{
    FrameGeometry g;
    g.M = borderWidth;
    g.W = int64_t(w) + 2 * int64_t(borderWidth);
    g.H = int64_t(h) + 2 * int64_t(borderWidth);
    g.Cell = atlasWidth == 2000 ? 250 : atlasWidth / 5;
    g.S = std::clamp(float(brushSize), 5.0f, kMaxBrush);
    g.T = Round(double(g.S) * 1.2);
    g.StrokesPerBand = Round64((double(w) + double(h)) * 3.5) + 1;
    // Borders this wide give no frame anyway (the canvas is too large); the
    // clamp only keeps the band arithmetic in range.
    const int M = Clamp(borderWidth, -(1 << 29), 1 << 29), T = g.T, half = T / 2;
    const float right = kPi / 2.0f;
    const float t = float(T);
    g.Bands[0] = {M, M - half - 6, w, T, 0.0f, {0, 0}, {0, t}};
    g.Bands[1] = {M, M + h - half + 10, w, T, 0.0f, {0, t}, {0, 0}};
    g.Bands[2] = {M - half - 6, M, T, h, right, {0, 0}, {t, 0}};
    g.Bands[3] = {M + w - half + 10, M, T, h, right, {t, 0}, {0, 0}};
    return g;
}

double ComputeImageDifference(const ISkImage& A, const ISkImage& B)
{
    if (!A || !B || A->width() != B->width() || A->height() != B->height())
        return 0;
    SkPixmap a, b;
    if (!A->peekPixels(a) || !B->peekPixels(b))
        return 0;
    return double(PixmapDifference(a, b));
}

void RenderBrushstrokesFrame(ISkImage& Result, const ISkImage& Source, const ISkImage& Atlas, TAlphaColor BorderColor,
                             int BorderWidth, int BrushSize)
{
    Result = Source;
    if (!Source || !Atlas)
        return;
    FramedPictures out;
    if (FramePicture(Source, Atlas, BorderColor, BorderWidth, BrushSize, {}, out))
        Result = out.framed;
}

// ------------------------------------------------------------------ the frame panel's worker

namespace {

struct FrameRun {
    TAlphaColor color = 0;
    int width = 0, brush = 0;
    int runId = 0;
    uint32_t lastUpdateTick = 0;
};

bool FrameRunCurrent(TEngineHost* host, const FrameRun& run)
{
    return host && host->FCurrentRunId.load() == run.runId;
}

// A closing or destroyed window ends the frame early; it cannot be cancelled otherwise.
bool WindowGoing()
{
    if (EffectsStopped.load())
        return true;
    TEngineHost* host = EngineHost();
    return !host || host->FCloseRequested.load();
}

void ReportFrameProgress(FrameRun& run, int value)
{
    const uint32_t tick = GetTickMs();
    if (tick - run.lastUpdateTick <= 100)
        return;
    run.lastUpdateTick = tick;
    TEngineHost* host = EngineHost();
    if (!host)
        return;
    const int runId = run.runId;
    RunOnUIQueued(
        [value, runId] {
            TEngineHost* h = EngineHost();
            if (h && h->FCurrentRunId.load() == runId)
                h->UpdateProgressBar(value);
        },
        host->QueuedCallContext());
}

void FrameWorker(std::shared_ptr<FrameRun> run)
{
    try {
        if (TEngineHost* host = EngineHost()) {
            const int runId = run->runId;
            RunOnUIQueued(
                [runId] {
                    TEngineHost* h = EngineHost();
                    if (h && h->FCurrentRunId.load() == runId)
                        h->UpdateProgressBar(0);
                },
                host->QueuedCallContext());
        }
        ISkImage localSource, localOriginalSource, atlas;
        if (!WindowGoing())
            RunOnUISync([&] {
                if (TEngineHost* host = EngineHost()) {
                    localSource = host->FSkImage;
                    localOriginalSource = host->FSkSourceImage;
                }
                atlas = Form3().TemplateMatchingBrushes.image();
            });
        if (localSource && localOriginalSource && atlas) {
            FrameProgress progress;
            progress.report = [&run](int v) { ReportFrameProgress(*run, v); };
            progress.stopped = &WindowGoing;
            FramedPictures out;
            if (FramePicture(localSource, atlas, run->color, run->width, run->brush, progress, out)) {
                // The source gets the border colour and no strokes, so both keep one size.
                const ISkSurface plain = SkSurface::MakeRaster(int(out.W), int(out.H));
                ISkImage resultSource;
                if (plain) {
                    plain->getCanvas()->clear(out.transparent ? kColorTransparent : kColorWhite);
                    plain->getCanvas()->drawImage(localOriginalSource, float(run->width), float(run->width));
                    plain->getCanvas()->drawImage(out.plainFrame, 0, 0);
                    plain->getCanvas()->flush();
                    resultSource = plain->makeImageSnapshot();
                }
                progress(95);
                if (resultSource && !WindowGoing())
                    RunOnUISync([&] {
                        TEngineHost* host = EngineHost();
                        if (!FrameRunCurrent(host, *run))
                            return;
                        host->FSkImage = out.framed;
                        host->FSkSourceImage = resultSource;
                        host->CalculateBestFitAndCenter();
                        host->RedrawCanvas();
                        if (host->FHistory)
                            host->FHistory->Save(host->FSkImage, host->FSkSourceImage);
                        host->UpdateProgressBar(101);
                        host->MarkEngineIdle();
                    });
            }
        }
    } catch (...) {
        // Stopped for a closing window, out of memory or any other failure:
        // nothing is stored; the ending below hides the bar.
    }
    try {
        if (!EffectsStopped.load())
            RunOnUISync([&] {
                TEngineHost* host = EngineHost();
                if (!host)
                    return;
                if (FrameRunCurrent(host, *run)) {
                    host->UpdateProgressBar(101);
                    host->MarkEngineIdle();
                }
                if (host->FCloseRequested.exchange(false))
                    host->Close();
            });
    } catch (...) {
    }
}

} // namespace

bool AddBrushstrokesFrame(TAlphaColor ABorderColor, int ABorderWidth, int ABrushSize)
{
    TEngineHost* host = EngineHost();
    if (!host)
        return false;
    auto run = std::make_shared<FrameRun>();
    run->color = ABorderColor;
    run->width = ABorderWidth;
    run->brush = ABrushSize;
    run->runId = ClaimFullRender(*host, kBrushstrokesFrameNumber);
    if (run->runId == 0)
        return false;
    {
        std::lock_guard guard(EffectLock());
        EffectsStopped = false;
    }
    if (!StartWorker([run] { FrameWorker(run); })) {
        host->MarkEngineIdle();
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    return true;
}

} // namespace pv
