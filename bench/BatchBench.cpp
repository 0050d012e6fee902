// One file of a batch run with the lookup-table effect (the first built-in
// table, default sliders), stage by stage: reading the photograph, the effect,
// encoding and writing the result with its 300-dpi record. The batch handles
// one file at a time, so a file's time is the sum of the three.

#include "BenchImages.h"

#include "engine/Effect.h"
#include "platform/graphics/Codecs.h"
#include "workspace/window/BatchProcessing.h"
#include "workspace/window/ImageFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

// The reference photograph as a JPEG file, as the batch would find it.
const QString& PhotoFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("photo.jpg"));
        QFile::remove(file);
        if (!QFile::copy(QStringLiteral(PV_BENCH_PHOTO), file))
            WriteImageFile(ReferencePhoto(), file);
        return file;
    }();
    return path;
}

ISkImage LutResult(const ISkImage& photo)
{
    const ISkSurface dest = SkSurface::MakeRaster(photo->width(), photo->height());
    ProcessEffectOnSurface(photo, dest, 404, 100, 50, 50, 50, 50, false);
    return dest->makeImageSnapshot();
}

void PerImage(benchmark::State& state)
{
    state.counters["images/min"] =
        benchmark::Counter(60.0, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BatchDecode12MP(benchmark::State& state)
{
    const QString file = PhotoFile();
    for (auto _ : state) {
        const ISkImage photo = DecodeImageFile(file);
        benchmark::DoNotOptimize(photo.get());
    }
}
BENCHMARK(BM_BatchDecode12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BatchLut12MP(benchmark::State& state)
{
    const ISkImage photo = DecodeImageFile(PhotoFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(LutResult(photo).get());
}
BENCHMARK(BM_BatchLut12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BatchEncodeWrite12MP(benchmark::State& state)
{
    const ISkImage result = LutResult(DecodeImageFile(PhotoFile()));
    const QString out = BatchOutputFileName(PhotoFile());
    for (auto _ : state)
        WriteImageFile(result, out);
}
BENCHMARK(BM_BatchEncodeWrite12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The three in a row, as the batch runs them for every file.
void BM_BatchFile12MP(benchmark::State& state)
{
    const QString file = PhotoFile();
    const QString out = BatchOutputFileName(file);
    for (auto _ : state)
        WriteImageFile(LutResult(DecodeImageFile(file)), out);
    PerImage(state);
}
BENCHMARK(BM_BatchFile12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
