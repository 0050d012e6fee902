#include "engine/Repository.h"

#include "platform/graphics/SkImage.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace pv::bench {
namespace {

// What every run pays for the repository: no picture is decoded yet.
void BM_RepositoryCreation(benchmark::State& state)
{
    for (auto _ : state) {
        TForm3 repository;
        benchmark::DoNotOptimize(&repository);
    }
}
BENCHMARK(BM_RepositoryCreation)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The start picture of the desktop program, decoded on its first read.
void BM_DefaultImageFirstAccess(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto repository = std::make_unique<TForm3>();
        state.ResumeTiming();
        benchmark::DoNotOptimize(repository->DefaultImage.image());
        state.PauseTiming();
        repository.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DefaultImageFirstAccess)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace pv::bench
