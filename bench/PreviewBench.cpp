// Every effect as the preview box renders it, at the desktop defaults: the
// box's 225 x 225 crop of the reference photograph at 100 %, and the region
// the box shows at 25 % of the reference photograph (900 x 900) and of a
// 640 x 480 photo (all of it). The window asks for such a run each time a
// slider is let go; a stand-in window holds the whole picture as its source
// and result, as the main window does while its preview box shows part of it.

#include "BenchImages.h"

#include "engine/EngineHost.h"
#include "engine/Effect.h"
#include "engine/EffectParameters.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

namespace pv::bench {
namespace {

class PreviewHost : public TEngineHost {
public:
    explicit PreviewHost(const ISkImage& picture)
    {
        FSkSourceImage = FSkImage = picture;
        SetEngineHost(this);
    }
    ~PreviewHost() override { SetEngineHost(nullptr); }
    void UpdateProgressBar(int) override {}
    void ShowPreviewBox(const ISkImage&, int) override {}
    QSize PreviewBoxSize() const override { return {225, 225}; }
};

struct PreviewCase {
    const char* name;
    ISkImage (*picture)();
    double zoom;
};

constexpr PreviewCase kCases[] = {
    {"box", ReferencePhoto, 1.0},
    {"box25%-12MP", ReferencePhoto, 0.25},
    {"box25%-640px", SmallPhoto, 0.25},
};

void RunPreview(benchmark::State& state, int number, const PreviewCase& which)
{
    const ISkImage picture = which.picture();
    const ISkImage crop = PreviewRegion(picture, which.zoom);
    PreviewHost host(picture);
    host.FPreviewZoomFactor = float(which.zoom);
    const std::array<int, 5> P = DesktopDefaults(number);
    auto once = [&] {
        const ISkSurface dest = SkSurface::MakeRaster(crop->width(), crop->height());
        ProcessEffectOnSurface(crop, dest, number, P[0], P[1], P[2], P[3], P[4], true);
        benchmark::DoNotOptimize(dest.get());
    };
    // The first preview of an effect in a process also pays for what is set
    // up once (brush sheets, tables): first_ms; the iterations show the
    // previews after it.
    static std::map<int, double> firstRun;
    if (!firstRun.count(number)) {
        const auto start = std::chrono::steady_clock::now();
        once();
        firstRun[number] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    const double firstMs = firstRun[number];
    for (auto _ : state)
        once();
    state.counters["first_ms"] = firstMs;
    ThreadIsPreview = false;
}

const bool registered = [] {
    for (const PreviewCase& which : kCases)
        for (const EffectInfo& effect : EffectCatalogue()) {
            const std::string name =
                "BM_Preview/" + std::to_string(effect.number) + "/" + effect.listName + "/" + which.name;
            benchmark::RegisterBenchmark(name.c_str(), [number = effect.number, &which](benchmark::State& state) {
                RunPreview(state, number, which);
            })->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
        }
    return true;
}();

} // namespace
} // namespace pv::bench
