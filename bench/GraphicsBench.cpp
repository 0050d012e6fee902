// The graphics layer's heavy paths on the 12-megapixel photograph: Gaussian
// blur, colour matrix, and brush stamps drawn rotated one by one. Argument
// "threads": 1 runs in a one-thread arena, 0 in the default (all cores).

#include "BenchImages.h"

#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"
#include "platform/graphics/SkImageFilter.h"

#include <benchmark/benchmark.h>
#include <tbb/task_arena.h>

#include <cmath>
#include <memory>

namespace pv::bench {
namespace {

template <typename F>
void InArena(int threads, F&& f)
{
    if (threads <= 0) {
        f();
        return;
    }
    tbb::task_arena arena(threads);
    arena.execute(f);
}

void SetMegapixels(benchmark::State& state, const ISkImage& image)
{
    state.counters["MP/s"] = benchmark::Counter(image->width() * double(image->height()) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Blur12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    const float sigma = float(state.range(0));
    const int threads = int(state.range(1));
    for (auto _ : state)
        InArena(threads, [&] { benchmark::DoNotOptimize(BlurImage(photo, sigma, sigma, SkTileMode::kClamp)); });
    SetMegapixels(state, photo);
}
BENCHMARK(BM_Blur12MP)
    ->ArgNames({"sigma", "threads"})
    ->Args({2, 1})
    ->Args({2, 0})
    ->Args({30, 1})
    ->Args({30, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ColorMatrix12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    const int threads = int(state.range(0));
    // Contrast 1.2 with a warm shift: every pixel goes through the full matrix.
    const float m[20] = {1.2f, 0.05f, 0, 0, -0.08f, 0, 1.2f, 0, 0, -0.1f, 0, 0.02f, 1.1f, 0, -0.12f, 0, 0, 0, 1, 0};
    const ISkImageFilter filter = SkImageFilters::ColorFilter(SkColorFilters::Matrix(m));
    for (auto _ : state)
        InArena(threads, [&] { benchmark::DoNotOptimize(ApplyImageFilter(photo, filter)); });
    SetMegapixels(state, photo);
}
BENCHMARK(BM_ColorMatrix12MP)->ArgNames({"threads"})->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100,000 stamps of a 256 x 256 brush mark drawn into 64 x 64 rotated
// rectangles, each with its own colour (SrcIn filter) and opacity, as the
// painting effects do.
void BM_RotatedStamps100k(benchmark::State& state)
{
    const bool cubic = state.range(0) != 0;
    QImage mark(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double dx = (x - 127.5) / 120.0, dy = (y - 127.5) / 40.0;
            const double d = dx * dx + dy * dy;
            const uint32_t a = d < 1 ? uint32_t(255 * (1 - d)) : 0;
            reinterpret_cast<uint32_t*>(mark.scanLine(y))[x] = a * 0x01010101u;
        }
    const ISkImage stamp = SkImage::MakeFromQImage(mark);
    stamp->mipmap(); // built once per picture, as in a run
    const ISkSurface surface = SkSurface::MakeRaster(2000, 1500);
    const SkSamplingOptions sampling = cubic ? SkSamplingOptions::Mitchell() : SkSamplingOptions::LinearMipmapNearest();
    for (auto _ : state) {
        SkCanvas* c = surface->getCanvas();
        c->clear(kColorWhite);
        uint32_t seed = 1;
        auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) * (1.0f / 16777216.0f);
        };
        SkPaint paint;
        paint.antiAlias = true;
        for (int i = 0; i < 100000; ++i) {
            const float x = 32 + next() * 1936, y = 32 + next() * 1436, angle = next() * 360;
            paint.colorFilter = SkColorFilters::Blend(0xFF000000u | (seed & 0xFFFFFFu), SkBlendMode::kSrcIn);
            paint.setAlphaf(0.3f + 0.7f * next());
            c->save();
            c->translate(x, y);
            c->rotate(angle);
            c->drawImageRect(stamp, SkRect::MakeWH(256, 256), SkRect::MakeLTRB(-32, -32, 32, 32), sampling, &paint,
                             SkSrcRectConstraint::kFast);
            c->restore();
        }
        benchmark::DoNotOptimize(surface.get());
    }
    state.counters["stamps/s"] = benchmark::Counter(100000, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RotatedStamps100k)->ArgNames({"cubic"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
