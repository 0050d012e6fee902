#include "BenchImages.h"

#include "engine/Graphics.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

void RunEffect(benchmark::State& state, int number, int P1, int P2, int P3, int P4, int P5)
{
    const ISkImage photo = ReferencePhoto();
    for (auto _ : state) {
        const ISkSurface dest = SkSurface::MakeRaster(photo->width(), photo->height());
        ProcessEffectOnSurface(photo, dest, number, P1, P2, P3, P4, P5, false);
        benchmark::DoNotOptimize(dest.get());
    }
    const double megapixels = photo->width() * double(photo->height()) / 1e6;
    state.counters["MP/s"] = benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Stippling12MP(benchmark::State& state) { RunEffect(state, 201, 40, 0, 0, 0, 0); }
BENCHMARK(BM_Stippling12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
