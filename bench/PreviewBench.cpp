// Every effect at the preview box's size: a 225 x 225 crop of the reference
// photograph, rendered as a preview at the desktop defaults.
// The window asks for such a run each time a slider is let go; a stand-in
// window holds the whole photograph as its source and result, as the main
// window does while its preview box shows part of it.

#include "BenchImages.h"

#include "engine/EngineHost.h"
#include "engine/Graphics.h"
#include "workspace/EffectParameters.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

namespace pv::bench {
namespace {

class PreviewHost : public TEngineHost {
public:
    PreviewHost()
    {
        FSkSourceImage = FSkImage = ReferencePhoto();
        SetEngineHost(this);
    }
    ~PreviewHost() override { SetEngineHost(nullptr); }
    void UpdateProgressBar(int) override {}
    void ShowPreviewBox(const ISkImage&, int) override {}
    QSize PreviewBoxSize() const override { return {225, 225}; }
};

void RunPreview(benchmark::State& state, int number)
{
    const ISkImage crop = PreviewCrop();
    PreviewHost host;
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
    for (const EffectInfo& effect : EffectCatalogue()) {
        const std::string name = "BM_Preview/" + std::to_string(effect.number) + "/" + effect.listName;
        benchmark::RegisterBenchmark(name.c_str(), [number = effect.number](benchmark::State& state) {
            RunPreview(state, number);
        })->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
    }
    return true;
}();

} // namespace
} // namespace pv::bench
