// The frame, texture and lookup-table panels' work on the 12-megapixel
// photograph: framing both pictures with the first built-in frame, laying
// the "Paper" texture over the result, and the table panel's previews of all
// 18 built-in tables on its 540-pixel thumbnail (parse and map, as each
// choice of an entry costs).

#include "BenchImages.h"

#include "effects/colour-and-shapes/lut/CubeLUT.h"
#include "effects/colour-and-shapes/lut/EmbeddedLUTs.h"
#include "engine/ApplyCustomTexture.h"
#include "engine/Repository.h"
#include "overlays/LUTPreview.h"
#include "scripts/FrameComposition.h"

#include <benchmark/benchmark.h>

namespace pv::bench {
namespace {

void BM_FrameComposition12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    const QImage frame = Form3().FrameList[0].bitmap();
    for (auto _ : state) {
        const TFramedPair framed = ComposeFramedPair(photo, photo, frame, 150, 0xFFFFFFFFu);
        benchmark::DoNotOptimize(framed.Result.get());
    }
}
BENCHMARK(BM_FrameComposition12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextureApplication12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    const QImage paper = Form3().TextureList[Form3().TextureList.indexOf(QStringLiteral("Paper"))].bitmap();
    for (auto _ : state) {
        ISkImage textured = photo;
        ApplyCustomTexture(textured, &paper, 50, 1.0f);
        benchmark::DoNotOptimize(textured.get());
    }
}
BENCHMARK(BM_TextureApplication12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LUTPanelAllPreviews(benchmark::State& state)
{
    const ISkImage thumb = LUTPreviewThumb(ReferencePhoto());
    std::vector<QByteArray> tables;
    for (const QString& name : EmbeddedLUTNames())
        tables.push_back(FindEmbeddedLUT(name)->Data);
    for (auto _ : state) {
        for (const QByteArray& bytes : tables) {
            const TCubeLUT lut = LoadCubeFromBytes(bytes);
            const ISkImage preview = MapLUTToImage(thumb, lut, 1.0f);
            benchmark::DoNotOptimize(preview.get());
        }
    }
    state.SetLabel(std::to_string(tables.size()) + " tables");
}
BENCHMARK(BM_LUTPanelAllPreviews)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
