#include "BenchImages.h"

#include "engine/Effect.h"
#include "platform/graphics/PngEncoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

// The headless runner's usual output: the photograph stippled to black and white.
ISkImage StippledPhoto()
{
    static const ISkImage stippled = [] {
        const ISkImage photo = ReferencePhoto();
        const ISkSurface dest = SkSurface::MakeRaster(photo->width(), photo->height());
        ProcessEffectOnSurface(photo, dest, 201, 40, 0, 0, 0, 0, false);
        return dest->makeImageSnapshot();
    }();
    return stippled;
}

void SetCounters(benchmark::State& state, const ISkImage& image, qsizetype bytes)
{
    const double megapixels = image->width() * double(image->height()) / 1e6;
    state.counters["MP/s"] = benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["KiB"] = double(bytes) / 1024.0;
}

void RunEncodePng(benchmark::State& state, const ISkImage& image)
{
    SkPixmap pm;
    image->peekPixels(pm);
    QByteArray out;
    for (auto _ : state) {
        EncodePng(pm, out);
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state, image, out.size());
}

// Qt's own writer at the quality the program used to pass, on an opaque view
// (RGB rather than RGBA: its best case).
void RunQtPng(benchmark::State& state, const ISkImage& image)
{
    QImage view = image->qimage().copy();
    view.reinterpretAsFormat(QImage::Format_RGB32);
    QByteArray out;
    for (auto _ : state) {
        out.clear();
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setQuality(80);
        writer.write(view);
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state, image, out.size());
}

void BM_EncodePngPhoto12MP(benchmark::State& state) { RunEncodePng(state, ReferencePhoto()); }
void BM_EncodePngStippled12MP(benchmark::State& state) { RunEncodePng(state, StippledPhoto()); }
void BM_QtPngPhoto12MP(benchmark::State& state) { RunQtPng(state, ReferencePhoto()); }
void BM_QtPngStippled12MP(benchmark::State& state) { RunQtPng(state, StippledPhoto()); }
BENCHMARK(BM_EncodePngPhoto12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodePngStippled12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtPngPhoto12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtPngStippled12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
