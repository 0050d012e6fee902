#include "BenchImages.h"

#include "engine/Effect.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

void BM_Stippling12MP(benchmark::State& state) { RunEffectOnReference(state, 201, 40, 0, 0, 0, 0); }
BENCHMARK(BM_Stippling12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
