#include "BenchImages.h"

#include "engine/ContourLines.h"
#include "engine/Graphics.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace pv::bench {
namespace {

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
