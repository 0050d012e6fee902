// The tool panels' work on the 12-megapixel photograph: resizing both
// pictures to 50 % and the combine panel's Apply in each mode.

#include "BenchImages.h"

#include "overlays/CombineBlend.h"
#include "overlays/ResizeBoxes.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

void BM_ResizeBothHalf12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    for (auto _ : state) {
        ISkImage source, result;
        benchmark::DoNotOptimize(ResizeBoth(photo, photo, photo->width() / 2, photo->height() / 2, source, result));
        benchmark::DoNotOptimize(result.get());
    }
}
BENCHMARK(BM_ResizeBothHalf12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CombineApply12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    // The untouched source over a result: here the photograph turned upside
    // down stands in for an effect's result.
    const ISkImage other = SkImage::MakeFromQImage(photo->qimage().mirrored(true, true));
    const auto mode = TCombineMode(state.range(0));
    for (auto _ : state) {
        const ISkImage out = RenderCombined(photo, other, 0.5f, mode);
        benchmark::DoNotOptimize(out.get());
    }
    state.SetLabel(CombineModeNames()[int(mode)].toStdString());
}
BENCHMARK(BM_CombineApply12MP)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
