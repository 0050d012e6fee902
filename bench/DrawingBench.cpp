#include "BenchImages.h"

#include "engine/ContourLines.h"
#include "engine/Effect.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace pv::bench {
namespace {

// The pencil sketches and Crosshatch at their defaults.
void BM_PencilSketch1_12MP(benchmark::State& state) { RunEffectOnReference(state, 100, 20, 50, 65, 5, 80); }
BENCHMARK(BM_PencilSketch1_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PencilSketch2_12MP(benchmark::State& state) { RunEffectOnReference(state, 101, 10, 40, 30, 0, 30); }
BENCHMARK(BM_PencilSketch2_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PencilSketch3_12MP(benchmark::State& state) { RunEffectOnReference(state, 102, 20, 80, 30, 25, 0); }
BENCHMARK(BM_PencilSketch3_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Crosshatch12MP(benchmark::State& state) { RunEffectOnReference(state, 103, 75, 50, 35, 25, 20); }
BENCHMARK(BM_Crosshatch12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// Black & white at its defaults, and with the simplification at its middle.
void BM_BlackAndWhiteInk12MP(benchmark::State& state) { RunEffectOnReference(state, 200, 50, 50, 0, 0, 0); }
BENCHMARK(BM_BlackAndWhiteInk12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BlackAndWhiteInkSimplified12MP(benchmark::State& state) { RunEffectOnReference(state, 200, 50, 50, 50, 0, 0); }
BENCHMARK(BM_BlackAndWhiteInkSimplified12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FeltTipPen12MP(benchmark::State& state) { RunEffectOnReference(state, 202, 65, 70, 30, 5, 40); }
BENCHMARK(BM_FeltTipPen12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ComicPrint12MP(benchmark::State& state) { RunEffectOnReference(state, 203, 10, 0, 100, 50, 60); }
BENCHMARK(BM_ComicPrint12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The contour mask as Crosshatch asks for it at its defaults.
void BM_ContourLineMask12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    std::vector<uint8_t> mask;
    for (auto _ : state) {
        BuildContourLineMask(photo, photo->width(), photo->height(), 50, 20, mask);
        benchmark::DoNotOptimize(mask.data());
    }
}
BENCHMARK(BM_ContourLineMask12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
