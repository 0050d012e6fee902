#include "BenchImages.h"

#include "effects/painting/gouache/GouachePainting.h"
#include "platform/system/Numbers.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

// Gouache at its defaults on the reference photograph, its pool at one worker
// and at its full eight.
void BM_Gouache12MP(benchmark::State& state)
{
    SetGouachePoolWorkers(int(state.range(0)));
    SetRandSeed(308);
    RunEffectOnReference(state, 308, 70, 25, 25, 50, 30);
    SetGouachePoolWorkers(0);
}
BENCHMARK(BM_Gouache12MP)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
} // namespace pv::bench
