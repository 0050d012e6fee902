// Scaling and the texture overlay on the 12-megapixel photograph, with
// ImageMagick's Mitchell resize of the same file as a peer.

#include "BenchImages.h"

#include "engine/ApplyCustomTexture.h"
#include "engine/ImageHelpers.h"

#include <QFileInfo>
#include <QProcess>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace pv::bench {
namespace {

void SetMegapixelRate(benchmark::State& state, const ISkImage& image)
{
    const double megapixels = image->width() * double(image->height()) / 1e6;
    state.counters["MP/s"] = benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ScaleImageToHalf12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    for (auto _ : state) {
        const ISkImage half = ScaleImageTo(photo, photo->width() / 2, photo->height() / 2);
        benchmark::DoNotOptimize(half.get());
    }
    SetMegapixelRate(state, photo);
}
BENCHMARK(BM_ScaleImageToHalf12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

double RunSeconds(const QStringList& arguments)
{
    const auto start = std::chrono::steady_clock::now();
    QProcess process;
    process.start(QStringLiteral("/usr/bin/convert"), arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// ImageMagick's resize alone: the whole command minus the same command
// without the resize (decoding, start-up), both writing to its discarding
// "null:" format so that no encoder is timed.
void BM_ImageMagickMitchellHalf12MP(benchmark::State& state)
{
    const QString photo = QStringLiteral(PV_BENCH_PHOTO);
    if (!QFileInfo::exists(photo) || !QFileInfo::exists(QStringLiteral("/usr/bin/convert"))) {
        state.SkipWithError("needs the reference photograph and /usr/bin/convert");
        return;
    }
    const QStringList resize{photo, QStringLiteral("-filter"), QStringLiteral("Mitchell"), QStringLiteral("-resize"),
                             QStringLiteral("50%"), QStringLiteral("null:")};
    const QStringList plain{photo, QStringLiteral("null:")};
    for (auto _ : state) {
        const double withResize = RunSeconds(resize);
        const double without = RunSeconds(plain);
        if (withResize < 0 || without < 0) {
            state.SkipWithError("convert failed");
            return;
        }
        state.SetIterationTime(std::max(withResize - without, 1e-6));
    }
    state.counters["MP/s"] = benchmark::Counter(12.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ImageMagickMitchellHalf12MP)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// A 1024 x 1024 paper-like texture: fine grain over soft blotches.
QImage PaperTexture()
{
    QImage texture(1024, 1024, QImage::Format_RGB32);
    uint32_t state = 0x2545F491u;
    for (int y = 0; y < 1024; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(texture.scanLine(y));
        for (int x = 0; x < 1024; ++x) {
            state = state * 1664525u + 1013904223u;
            const int grain = int(state >> 27) - 16;
            const int blotch = ((x / 64 + y / 48) % 3) * 12;
            const uint32_t v = uint32_t(std::clamp(200 + grain + blotch, 0, 255));
            row[x] = 0xFF000000u | v * 0x010101u;
        }
    }
    return texture;
}

void BM_ApplyCustomTexture12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    const QImage texture = PaperTexture();
    for (auto _ : state) {
        ISkImage image = photo;
        ApplyCustomTexture(image, &texture, 50, 1.0f);
        benchmark::DoNotOptimize(image.get());
    }
    SetMegapixelRate(state, photo);
}
BENCHMARK(BM_ApplyCustomTexture12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
