// Canvas redraws of the 12-megapixel photograph in a 1600 x 1000 view at 37 %:
// a full resample with the cubic filter (after a zoom), with nearest sampling
// (during a zoom gesture), a pan step (only the strips that came into view)
// and the full-screen viewer's frame.

#include "BenchImages.h"

#include "shell/FullScreenForm.h"
#include "workspace/canvas/CanvasRenderer.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

constexpr float kZoom = 0.37f;
const QSize kView(1600, 1000);

CanvasScene PhotoScene(const ISkImage& photo, bool fast)
{
    CanvasScene scene;
    scene.size = kView;
    scene.canvas = QRectF(QPointF(0, 0), kView);
    scene.fast = fast;
    const double w = photo->width() * double(kZoom), h = photo->height() * double(kZoom);
    const QRectF dst((kView.width() - w) / 2, (kView.height() - h) / 2, w, h);
    scene.layers[0] = {photo, dst, scene.canvas};
    scene.layerCount = 1;
    return scene;
}

// Every iteration moves the picture by a fraction of a pixel, so nothing
// sampled before can be reused: the cost of a redraw after a zoom step.
void FullRedraw(benchmark::State& state, bool fast)
{
    const ISkImage photo = ReferencePhoto();
    CanvasScene scene = PhotoScene(photo, fast);
    CanvasRenderer renderer;
    int step = 0;
    for (auto _ : state) {
        // Sixteen phases: more than the renderer keeps.
        scene.layers[0].dst.moveLeft(std::floor(scene.layers[0].dst.left()) + (step++ % 16) / 16.0);
        benchmark::DoNotOptimize(renderer.Render(scene).constBits());
    }
    state.counters["sampled MP"] = double(renderer.LastSampledPixels()) / 1e6;
}

void BM_CanvasRedrawCubic(benchmark::State& state) { FullRedraw(state, false); }
BENCHMARK(BM_CanvasRedrawCubic)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CanvasRedrawNearest(benchmark::State& state) { FullRedraw(state, true); }
BENCHMARK(BM_CanvasRedrawNearest)->Unit(benchmark::kMillisecond)->UseRealTime();

// A drag moving the picture by (8, 5) pixels per mouse move, with the cubic filter.
void BM_CanvasPanStepCubic(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    CanvasScene scene = PhotoScene(photo, false);
    CanvasRenderer renderer;
    renderer.Render(scene);
    int step = 0;
    for (auto _ : state) {
        const double d = (step++ / 20) % 2 == 0 ? 1 : -1;
        scene.layers[0].dst.translate(8 * d, 5 * d);
        benchmark::DoNotOptimize(renderer.Render(scene).constBits());
    }
}
BENCHMARK(BM_CanvasPanStepCubic)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FullScreenFrame1920x1080(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            RenderFullScreenFrame(photo, QSize(1920, 1080), SkSamplingOptions::CatmullRom()).constBits());
}
BENCHMARK(BM_FullScreenFrame1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
