#include "BenchImages.h"

#include "engine/ImageHistory.h"
#include "platform/graphics/Codecs.h"

#include <QFileInfo>

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

// One snapshot after an effect: the result is new, the source is the one
// already recorded. `display` is the photograph as decoded (known opaque) or,
// like an effect's result, a surface snapshot whose alpha must be counted.
void SaveSnapshots(benchmark::State& state, const ISkImage& display)
{
    const ISkImage source = ReferencePhoto();
    TImageHistory history;
    history.Save(display, source);
    for (auto _ : state)
        history.Save(display, source);
    state.counters["MB held"] = double(history.MemoryUsedBytes()) / 1048576.0;
}

void BM_HistorySavePhoto12MP(benchmark::State& state) { SaveSnapshots(state, ReferencePhoto()); }
BENCHMARK(BM_HistorySavePhoto12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HistorySaveEffectResult12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    SkPixmap pm;
    photo->peekPixels(pm);
    SaveSnapshots(state, SkImage::MakeRasterCopy(pm.base, pm.width, pm.height, pm.rowBytes));
}
BENCHMARK(BM_HistorySaveEffectResult12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// Opening a photograph as the window does: decode to premultiplied pixels,
// then the first history snapshot (result and source are the same picture).
void BM_OpenJpeg12MP(benchmark::State& state)
{
    if (!QFileInfo::exists(QStringLiteral(PV_BENCH_PHOTO))) {
        state.SkipWithError("the 12-megapixel benchmark photograph is missing");
        return;
    }
    for (auto _ : state) {
        const ISkImage picture = DecodeImageFile(QStringLiteral(PV_BENCH_PHOTO));
        TImageHistory history;
        history.Save(picture, picture);
        benchmark::DoNotOptimize(history.MemoryUsedBytes());
    }
}
BENCHMARK(BM_OpenJpeg12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
