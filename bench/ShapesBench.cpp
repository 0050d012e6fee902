#include "BenchImages.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

// The shape effects at their default parameters, as full renders (the worker
// count is the processor count, as in the program).
void BM_Mosaic12MP(benchmark::State& state) { RunEffectOnReference(state, 500, 20, 20, 80, 35, 25); }
void BM_Circles12MP(benchmark::State& state) { RunEffectOnReference(state, 502, 20, 30, 80, 35, 25); }
void BM_Triangles12MP(benchmark::State& state) { RunEffectOnReference(state, 503, 10, 30, 50, 35, 25); }
BENCHMARK(BM_Mosaic12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Circles12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Triangles12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
