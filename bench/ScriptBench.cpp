// A ten-line script on the 12-megapixel photograph: where the time goes, step
// by step, and what the engine adds over calling the same operations directly.

#include "BenchImages.h"

#include "engine/ApplyCustomTexture.h"
#include "engine/Effect.h"
#include "engine/Repository.h"
#include "scripts/ScriptEngine.h"
#include "scripts/ScriptImageOps.h"
#include "scripts/ScriptParser.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

namespace pv::bench {
namespace {

const char* const kScript = R"(SAVE photo
EFFECT Stippling 128 0 0 0 0
SAVE ink
RESET
EFFECT Watercolor 50 50 50 50 50
BLEND ink 30 multiply
TEXTURE #1 40 1
FRAME #0 40 #FFFFFFFF
FONT Arial 160 bold #FFFFFFFF
TEXT 50% 96% "Pelandrovium" SHADOW=on)";

TScriptContext BenchContext()
{
    TScriptContext context = ScriptContextFromRepository(Form3());
    context.FrameMarginColor = kColorWhite;
    context.TextureStrength = 50;
    context.TextureScale = 1;
    return context;
}

std::vector<TScriptCommand> BenchCommands()
{
    std::vector<TScriptCommand> commands;
    QStringList errors;
    ParseScript(QString::fromUtf8(kScript).split(u'\n'), commands, errors);
    return commands;
}

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// The same work without the engine: each operation called on its own.
ISkImage RunEffectDirectly(const ISkImage& picture, int number, int P1, int P2, int P3, int P4, int P5)
{
    const ISkSurface surface = SkSurface::MakeRaster(picture->width(), picture->height());
    surface->getCanvas()->drawImage(picture, 0, 0);
    ProcessEffectOnSurface(picture, surface, number, P1, P2, P3, P4, P5, false);
    return surface->makeImageSnapshot();
}

ISkImage RunDirectly(const ISkImage& photo, const TScriptContext& context)
{
    const QImage texture = context.TextureBitmaps[1].bitmap();
    const ISkImage ink = RunEffectDirectly(photo, 201, 128, 0, 0, 0, 0);
    ISkImage work = RunEffectDirectly(photo, 300, 50, 50, 50, 50, 50);
    work = BlendImages(work, ink, 0.3f, SkBlendMode::kMultiply);
    ApplyCustomTexture(work, &texture, 40, 1.0f);
    work = ApplyFrameBitmap(work, context.FrameBitmaps[0].bitmap(), 40, kColorWhite);
    return DrawTextOnImage(work, 50, 96, true, true, "Pelandrovium", "Arial", 160, SkFontStyle::Bold(), kColorWhite,
                           true);
}

// The script through the engine, each step's time reported as a counter
// named after its line, against the same operations called directly in the
// same iteration (so both see the same machine load).
void BM_Script10Lines12MP(benchmark::State& state)
{
    const ISkImage photo = ReferencePhoto();
    const TScriptContext context = BenchContext();
    const std::vector<TScriptCommand> commands = BenchCommands();
    std::map<int, double> stepMs;
    double engineMs = 0, directMs = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        benchmark::DoNotOptimize(RunDirectly(photo, context).get());
        directMs += MsSince(start);

        TScriptEngine engine;
        int current = 0;
        Clock::time_point stepStart = Clock::now();
        engine.OnProgress = [&](int step, int, const QString&) {
            if (current > 0)
                stepMs[current] += MsSince(stepStart);
            current = step;
            stepStart = Clock::now();
        };
        QString error;
        start = Clock::now();
        const ISkImage result = engine.Run(commands, photo, photo, context, error);
        stepMs[current] += MsSince(stepStart);
        engineMs += MsSince(start);
        if (!result)
            state.SkipWithError(error.toStdString().c_str());
        benchmark::DoNotOptimize(result.get());
    }
    const double n = double(state.iterations());
    for (const auto& [step, ms] : stepMs) {
        const TScriptCommand& c = commands[size_t(step - 1)];
        state.counters["line " + std::to_string(c.LineNumber) + " " + ScriptStepName(c).toStdString() + " ms"] =
            benchmark::Counter(ms / n);
    }
    state.counters["engine ms"] = benchmark::Counter(engineMs / n);
    state.counters["direct ms"] = benchmark::Counter(directMs / n);
    state.counters["engine over direct %"] = benchmark::Counter(100.0 * (engineMs - directMs) / directMs);
}
BENCHMARK(BM_Script10Lines12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace
} // namespace pv::bench
