// The manual brush on the 12-megapixel photograph: one stroke's application
// (the effect rendered on the stroke's region and blended through its mask),
// and what the gallery keeps for fifty snapshots.

#include "BenchImages.h"

#include "engine/ImageHistory.h"
#include "engine/MaskedApply.h"
#include "overlays/ManualBrush.h"
#include "workspace/gallery/GalleryItems.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

// A stroke of a 100-pixel tip drawn across the picture at the fitted zoom
// (0.25): 400 picture pixels wide and about 1600 long.
QImage StrokeMask(int w, int h)
{
    QImage mask(w, h, QImage::Format_Alpha8);
    mask.fill(0);
    for (int i = 0; i <= 80; ++i)
        StampCoverage(mask, QPointF(1200 + i * 20, 1500 + (i % 10) * 8), 100, 0.5f, 0.25f);
    return mask;
}

void BM_BrushStroke12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    TMaskedEffectRun run;
    run.Base = photo;
    run.Source = photo;
    run.Mask = StrokeMask(photo->width(), photo->height());
    run.MaskBounds = MaskCoverageBounds(run.Mask);
    run.EffectNumber = int(state.range(0));
    const std::array<int, 5> p = DesktopDefaults(run.EffectNumber);
    std::copy(p.begin(), p.end(), run.P);
    for (auto _ : state) {
        const ISkImage out = ApplyEffectThroughMask(run);
        benchmark::DoNotOptimize(out.get());
    }
    const SkIRect region = ManualBrushRegion(run.MaskBounds, photo->width(), photo->height());
    state.SetLabel(std::to_string(region.width()) + " x " + std::to_string(region.height()) + " region");
}
BENCHMARK(BM_BrushStroke12MP)->Arg(400)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GalleryMemory50Snapshots12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    const QByteArray encoded = EncodeHistoryPicture(photo);
    int64_t retained = 0;
    for (auto _ : state) {
        TGalleryItems items;
        for (int i = 0; i < 50; ++i)
            items.Add(photo, encoded, false, {});
        benchmark::DoNotOptimize(items.Picture(10).get());
        retained = items.RetainedBytes();
    }
    // Each snapshot's bytes are the history's own (shared): what a gallery
    // adds is its thumbnails and one decoded picture.
    state.counters["retained_MB"] = double(retained) / 1048576.0;
    state.counters["encoded_MB_each"] = double(encoded.size()) / 1048576.0;
    state.counters["raster_MB_each"] = double(photo->width()) * photo->height() * 4 / 1048576.0;
}
BENCHMARK(BM_GalleryMemory50Snapshots12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
} // namespace pv::bench
