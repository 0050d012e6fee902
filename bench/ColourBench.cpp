#include "BenchImages.h"

#include "effects/colour-and-shapes/colour/AutoEnhanceImage.h"
#include "engine/Effect.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

// Without a main window the LUT effect grades with the first built-in table.
void BM_OrtonFilter12MP(benchmark::State& state) { RunEffectOnReference(state, 400, 40, 25, 50, 50, 40); }
void BM_Adjustments12MP(benchmark::State& state) { RunEffectOnReference(state, 401, 52, 52, 55, 15, 52); }
void BM_VintageSepia12MP(benchmark::State& state) { RunEffectOnReference(state, 402, 0, 70, 50, 50, 25); }
void BM_RetroFilm12MP(benchmark::State& state) { RunEffectOnReference(state, 403, 30, 35, 60, 20, 25); }
void BM_ApplyLUT12MP(benchmark::State& state) { RunEffectOnReference(state, 404, 100, 50, 50, 50, 50); }
void BM_ApplyLUTAdjusted12MP(benchmark::State& state) { RunEffectOnReference(state, 404, 80, 55, 60, 70, 60); }
BENCHMARK(BM_OrtonFilter12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Adjustments12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VintageSepia12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RetroFilm12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ApplyLUT12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ApplyLUTAdjusted12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AutoEnhance12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    for (auto _ : state)
        benchmark::DoNotOptimize(AutoEnhanceImage(photo).get());
    const double megapixels = photo->width() * double(photo->height()) / 1e6;
    state.counters["MP/s"] = benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_AutoEnhance12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
