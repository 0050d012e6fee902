// Hand-drawn edge strokes: wherever the brightness changes sharply, a short
// grey line is drawn along the edge, darker and longer where the edge is
// stronger. Watercolor multiplies them over its painting so the subject's
// outlines read through the soft colour patches.

#include "effects/painting/watercolor/EdgeStrokeOverlay.h"

#include "platform/graphics/RasterAlloc.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace pv {
namespace {

// Darkening a stroke pixel subtracts the stroke's strength from each colour
// channel, never below 0. Subtractions that floor at 0 add up in any order, so
// the raster is built as one total per pixel: the strokes can be laid in
// parallel bands and the picture is the same as one laid stroke by stroke.
struct StrokeJob {
    const uint8_t* luma; // w x h
    int w, h;
    int threshold, darkness, length;
};

inline int64_t StepCount(int m, int length) { return (int64_t(m >> 2) * length) / 50; }

// Lays the strokes of source rows [from, to) but keeps only the darkening that
// lands in rows [bandTop, bandBottom) of the totals.
void LayStrokes(const StrokeJob& job, int from, int to, int bandTop, int bandBottom, uint8_t* total)
{
    const int w = job.w, h = job.h;
    const int darknessTerm = (150 - job.darkness) / 4;
    // Beyond w + h steps both ends of a stroke are outside the picture for good.
    const int64_t stepLimit = int64_t(w) + h;
    auto Y = [&](int x, int y) { return int(job.luma[size_t(y) * size_t(w) + size_t(x)]); };
    auto darken = [&](int px, int py, int64_t s) {
        if (px < 0 || py < bandTop || px >= w || py >= bandBottom)
            return;
        uint8_t& t = total[size_t(py) * size_t(w) + size_t(px)];
        t = uint8_t(std::min<int64_t>(255, int64_t(t) + s));
    };
    for (int y = std::max(1, from); y < std::min(h - 1, to); ++y) {
        for (int x = 1; x <= w - 2; ++x) {
            int gx = (Y(x - 1, y - 1) + 2 * Y(x - 1, y) + Y(x - 1, y + 1) - Y(x + 1, y - 1) - 2 * Y(x + 1, y) -
                      Y(x + 1, y + 1)) / 4;
            int gy = (Y(x - 1, y - 1) + 2 * Y(x, y - 1) + Y(x + 1, y - 1) - Y(x - 1, y + 1) - 2 * Y(x, y + 1) -
                      Y(x + 1, y + 1)) / 4;
            gx = Clamp(gx, -255, 255);
            gy = Clamp(gy, -255, 255);
            const int m = (std::abs(gx) + std::abs(gy)) >> 1;
            if (m < job.threshold || std::abs(std::abs(gx) - std::abs(gy)) <= 1)
                continue;
            const int64_t n = StepCount(m, job.length);
            if (n <= 0)
                continue;
            // A stroke reaches at most n rows away: skip those that cannot touch the band.
            if (int64_t(y) + n < bandTop || int64_t(y) - n >= bandBottom)
                continue;
            const double a = gx != 0 ? std::atan(double(gy) / double(gx)) + 1.5707 : 3.14159;
            const double ca = std::cos(a), sa = std::sin(a);
            const int64_t strength = (int64_t(m >> 1) * job.length) / 50 - darknessTerm;
            const int64_t last = std::min(n, stepLimit);
            for (int64_t j = 0; j <= last; ++j) {
                const int64_t s = strength - j;
                if (s <= 0)
                    break;
                const int dx = int(std::floor(double(j) * ca));
                const int dy = int(std::floor(double(j) * sa));
                darken(x - dx, y - dy, s);
                darken(x + dx, y + dy, s);
            }
        }
    }
}

} // namespace

ISkImage RenderEdgeStrokes(const ISkImage& Source, int EdgeThreshold, int Darkness, int StrokeLength)
{
    SkPixmap src;
    if (!Source || !Source->peekPixels(src) || src.width < 3 || src.height < 3)
        return nullptr;
    const int w = src.width, h = src.height;
    const bool anyTransparent = HasTranslucentPixel(src);

    LargeBuffer<uint8_t> luma(size_t(w) * size_t(h));
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* p = src.row(y);
            uint8_t* l = luma.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const uint32_t v = p[x];
                l[x] = uint8_t((30 * ((v >> 16) & 0xFF) + 59 * ((v >> 8) & 0xFF) + 11 * (v & 0xFF)) / 100);
            }
        }
    }, 16);

    const StrokeJob job{luma.data(), w, h, EdgeThreshold, Darkness, StrokeLength};
    LargeBuffer<uint8_t> total(size_t(w) * size_t(h));
    // Bands of rows, each laying the strokes of its rows and of the rows a
    // stroke can reach it from.
    const int64_t reach = std::min<int64_t>(StepCount(255, StrokeLength), int64_t(w) + h);
    const int64_t perWorker = h / (4 * int64_t(std::max(1, SharedPoolWorkers())));
    const int bandHeight = int(std::min<int64_t>(h, std::max<int64_t>({64, 4 * reach, perWorker})));
    const int bands = (h + bandHeight - 1) / bandHeight;
    ParallelForRange(0, bands, [&](int lo, int hi) {
        for (int b = lo; b < hi; ++b) {
            const int top = b * bandHeight, bottom = std::min(h, top + bandHeight);
            const int from = int(std::max<int64_t>(0, top - reach));
            const int to = int(std::min<int64_t>(h, bottom + reach));
            LayStrokes(job, from, to, top, bottom, total.data());
        }
    });

    QImage raster = NewRasterImage(w, h, QImage::Format_ARGB32_Premultiplied, false);
    if (raster.isNull())
        return nullptr;
    const uint32_t blank = anyTransparent ? 0u : 0xFFFFFFFFu;
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            auto* out = reinterpret_cast<uint32_t*>(raster.scanLine(y));
            const uint8_t* t = total.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                // A stroke pixel is opaque grey: white (or transparent made white) darkened by its total.
                const uint32_t g = 255u - t[x];
                out[x] = t[x] == 0 ? blank : 0xFF000000u | g * 0x010101u;
            }
        }
    }, 16);
    return SkImage::MakeFromRaster(std::move(raster));
}

void SobelEffectSource(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int, int, bool)
{
    SkCanvas* canvas = Dest ? Dest->getCanvas() : nullptr;
    if (!Source || !canvas)
        return;
    const int threshold = P1 < 1 ? 24 : P1;
    const int darkness = Clamp(P2, 0, 255);
    const int length = P3 < 1 ? 60 : P3;
    canvas->save();
    canvas->clear(kColorTransparent);
    canvas->restore();
    const ISkImage strokes = RenderEdgeStrokes(Source, threshold, darkness, length);
    if (!strokes)
        return;
    canvas->save();
    canvas->drawImage(strokes, 0, 0);
    canvas->restore();
}

void ApplyEdgeStrokeOverlay(const ISkImage& Source, const ISkSurface& Dest, int EdgeThreshold, int Darkness,
                            int StrokeLength, int Mode, int Opacity)
{
    SkCanvas* canvas = Dest ? Dest->getCanvas() : nullptr;
    if (!Source || !canvas || Source->width() == 0 || Source->height() == 0)
        return;
    // The strokes are the ones SobelEffectSource would draw into a fresh
    // surface: same defaults and clamps.
    const ISkImage strokes = RenderEdgeStrokes(Source, EdgeThreshold < 1 ? 24 : EdgeThreshold,
                                               Clamp(Darkness, 0, 255), StrokeLength < 1 ? 60 : StrokeLength);
    if (!strokes)
        return; // a transparent layer: nothing changes
    SkPaint paint;
    paint.color = kColorWhite;
    paint.blendMode = Mode == 1 ? SkBlendMode::kDarken : Mode == 2 ? SkBlendMode::kOverlay : SkBlendMode::kMultiply;
    paint.setAlphaf(static_cast<float>(Clamp(Opacity, 0, 100) / 100.0));
    canvas->save();
    try {
        canvas->drawImage(strokes, 0, 0, &paint);
    } catch (...) {
        canvas->restore();
        throw;
    }
    canvas->restore();
}

} // namespace pv
