// Smooth painting, Stochastic painting and the brush-stroke frame on the
// 12-megapixel reference photograph at their defaults.

#include "BenchImages.h"

#include "effects/painting/brushes/BrushstrokesFrame.h"
#include "engine/Repository.h"
#include "platform/system/Numbers.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

void BM_SmoothPainting12MP(benchmark::State& state) { RunEffectOnReference(state, 306, 35, 0, 0, 0, 0); }
BENCHMARK(BM_SmoothPainting12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_StochasticPainting12MP(benchmark::State& state)
{
    SetRandSeed(1);
    RunEffectOnReference(state, 307, 10, 50, 20, 50, 90);
}
BENCHMARK(BM_StochasticPainting12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The frame panel's frame: 60-pixel border, brush 40.
void BM_BrushstrokesFrame4000x3000(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    const ISkImage atlas = Form3().TemplateMatchingBrushes.image();
    SetRandSeed(1);
    for (auto _ : state) {
        ISkImage framed;
        RenderBrushstrokesFrame(framed, photo, atlas, 0xFF1F2937u, 60, 40);
        benchmark::DoNotOptimize(framed.get());
    }
}
BENCHMARK(BM_BrushstrokesFrame4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace
} // namespace pv::bench
