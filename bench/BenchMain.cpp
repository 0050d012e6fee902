// Benchmark entry: an offscreen GUI application object, as in headless runs.

#include "engine/Effect.h"
#include "platform/system/Threads.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);
    pv::SetUICallsInline(true);
    pv::EngineStart();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    pv::EngineEnd();
    return 0;
}
