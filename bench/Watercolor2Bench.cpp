#include "BenchImages.h"

#include "platform/system/Numbers.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

// Watercolor 2 (301) at its defaults on the reference photograph; the seed is
// fixed so every iteration grows the same regions.
void BM_Watercolor2_12MP(benchmark::State& state)
{
    SetRandSeed(2026);
    RunEffectOnReference(state, 301, 90, 20, 60, 20, 55);
}
BENCHMARK(BM_Watercolor2_12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Brushstrokes 2 (305) at its defaults, seeded the same way.
void BM_Brushstrokes2_12MP(benchmark::State& state)
{
    SetRandSeed(2026);
    RunEffectOnReference(state, 305, 50, 30, 25, 60, 70);
}
BENCHMARK(BM_Brushstrokes2_12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
} // namespace pv::bench
