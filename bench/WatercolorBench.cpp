#include "BenchImages.h"

#include "effects/painting/watercolor/Watercolor.h"
#include "engine/Effect.h"
#include "engine/SharpenSurface.h"
#include "engine/SimilaritySmoothSurface.h"
#include "engine/VibrancePop.h"
#include "engine/Workers.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace pv::bench {
namespace {

ISkSurface PhotoSurface()
{
    const ISkImage photo = ReferencePhoto();
    const ISkSurface s = SkSurface::MakeRaster(photo->width(), photo->height());
    s->getCanvas()->drawImage(photo, 0, 0);
    return s;
}

void SetMegapixels(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    const double megapixels = photo->width() * double(photo->height()) / 1e6;
    state.counters["MP/s"] = benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

// The shared pool's size for a benchmark argument: 1 thread or the default.
struct PoolSize {
    explicit PoolSize(int64_t threads) { SetSharedPoolWorkers(int(threads)); }
    ~PoolSize() { SetSharedPoolWorkers(0); }
};

void BM_Watercolor12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    for (auto _ : state) {
        const ISkSurface dest = SkSurface::MakeRaster(photo->width(), photo->height());
        ProcessEffectOnSurface(photo, dest, 300, 30, 40, 40, 100, 20, false);
        benchmark::DoNotOptimize(dest.get());
    }
    SetMegapixels(state);
}
BENCHMARK(BM_Watercolor12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Watercolor's own smoothing call: half size, radius 5, three passes.
void BM_SimilaritySmooth12MP(benchmark::State& state)
{
    const int threads = std::min(8, ProcessorCount());
    for (auto _ : state) {
        state.PauseTiming();
        const ISkSurface s = PhotoSurface();
        state.ResumeTiming();
        SimilaritySmoothSurface_MT(s, nullptr, 5, 30, 3, false, 1.2f, 5.0f, threads, {}, 2);
        benchmark::DoNotOptimize(s.get());
    }
    SetMegapixels(state);
}
BENCHMARK(BM_SimilaritySmooth12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VibrancePop12MP(benchmark::State& state)
{
    const PoolSize pool(state.range(0));
    const ISkSurface s = PhotoSurface();
    const ISkImage photo = ReferencePhoto();
    for (auto _ : state)
        VibrancePop(photo, s, 8, 5, 2, 40, 70, false);
    SetMegapixels(state);
}
BENCHMARK(BM_VibrancePop12MP)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SharpenSurface12MP(benchmark::State& state)
{
    const PoolSize pool(state.range(0));
    const ISkSurface s = PhotoSurface();
    const ISkImage photo = ReferencePhoto();
    for (auto _ : state)
        SharpenSurface(photo, s, 40);
    SetMegapixels(state);
}
BENCHMARK(BM_SharpenSurface12MP)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
