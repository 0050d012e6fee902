#include "BenchImages.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

// Cartoon at its defaults, and the line drawing alone.
void BM_Cartoon12MP(benchmark::State& state) { RunEffectOnReference(state, 501, 30, 55, 85, 40, 20); }
BENCHMARK(BM_Cartoon12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CartoonLinesOnly12MP(benchmark::State& state) { RunEffectOnReference(state, 501, 30, 55, 85, 0, 20); }
BENCHMARK(BM_CartoonLinesOnly12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
