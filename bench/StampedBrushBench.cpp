#include "BenchImages.h"

#include "effects/painting/brushes/BrushStamp.h"
#include "engine/Repository.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace pv::bench {
namespace {

const ISkImage& FirstPastelStamp()
{
    static const ISkImage stamp = CutBrushSheet(Form3().PastelBrushes.image(), BrushCutMode::Tested).stamps.at(0);
    return stamp;
}

// One stamp drawn at size state.range(0), turned a little more every draw.
void DrawStampBench(benchmark::State& state, const SkSamplingOptions& sampling)
{
    const int size = int(state.range(0));
    StampScratch scratch(int(1.5 * size) + 20);
    const ISkImage& stamp = FirstPastelStamp();
    float angle = 0;
    for (auto _ : state) {
        DrawStamp(scratch, stamp, 0xFF8040C0u, 1.0f, angle, float(size), sampling);
        angle += 0.37f;
        benchmark::DoNotOptimize(scratch.row(scratch.center()));
    }
    state.counters["px/s"] = benchmark::Counter(double(size) * size, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DrawStampLinearMipmap(benchmark::State& state) { DrawStampBench(state, SkSamplingOptions::LinearMipmapNearest()); }
void BM_DrawStampCubic(benchmark::State& state) { DrawStampBench(state, SkSamplingOptions::Mitchell()); }
BENCHMARK(BM_DrawStampLinearMipmap)->Arg(16)->Arg(50)->Arg(120)->Arg(256);
BENCHMARK(BM_DrawStampCubic)->Arg(50)->Arg(120)->Arg(283);

void BM_CompositeAndRelief(benchmark::State& state)
{
    const int size = int(state.range(0));
    StampScratch scratch(int(1.5 * size) + 20);
    const int C = scratch.center();
    std::vector<uint32_t> target(size_t(1024) * 1024, 0xFF808080u);
    std::vector<uint32_t*> rows(1024);
    for (int y = 0; y < 1024; ++y)
        rows[size_t(y)] = target.data() + size_t(y) * 1024;
    DrawStamp(scratch, FirstPastelStamp(), 0xFF8040C0u, 1.0f, 0.5f, float(size), SkSamplingOptions::LinearMipmapNearest());
    const ScratchWindow window = ScratchWindow::Square(std::max(1, C - size), std::min(scratch.side() - 2, C + size));
    for (auto _ : state) {
        ApplyBrushRelief(scratch, size, window, 30);
        CompositeStamp(scratch, window, rows.data(), 1024, 1024, 512, 512);
        benchmark::DoNotOptimize(target.data());
    }
}
BENCHMARK(BM_CompositeAndRelief)->Arg(50)->Arg(200);

// Whole runs at the defaults on the 12-megapixel reference photograph.
void BM_OilPastel12MP(benchmark::State& state) { RunEffectOnReference(state, 302, 10, 70, 30, 30, 100); }
void BM_WatercolorSplashes12MP(benchmark::State& state) { RunEffectOnReference(state, 303, 10, 70, 50, 50, 80); }
void BM_Impasto12MP(benchmark::State& state) { RunEffectOnReference(state, 304, 10, 50, 50, 50, 100); }
BENCHMARK(BM_OilPastel12MP)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_WatercolorSplashes12MP)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Impasto12MP)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace
} // namespace pv::bench
