#pragma once
// The shared pool and the parallel loops effects run on it. A loop's body
// runs with the caller's preview flag, generation and run, so progress and
// cancellation work from inside it.

#include "engine/Progress.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>

namespace pv {

// Worker count of the shared pool for a processor count: clamp(n - 2, 2, 12).
int DefaultPoolWorkers(int processors);
// The shared pool. Benchmarks and tests may set its size (0 restores the default).
tbb::task_arena& SharedPool();
void SetSharedPoolWorkers(int workers);
int SharedPoolWorkers();

// A pool of an effect's own, for work that wants a worker count other than
// the shared pool's (at most `workers`). Once a benchmark or test sets the
// shared pool's size, every such pool takes that size too (up to its own), so
// one worker count reaches all of them; SetWorkers gives the pool a size of
// its own instead (0 drops it).
// Sizes change between runs: the pool is made again when its size no longer
// matches, and a run that holds the pool it got keeps it.
class PrivatePool {
public:
    explicit PrivatePool(int workers) : wanted_(std::max(1, workers)) {}
    PrivatePool(const PrivatePool&) = delete;
    PrivatePool& operator=(const PrivatePool&) = delete;

    std::shared_ptr<tbb::task_arena> Get();
    void SetWorkers(int workers);

private:
    std::mutex mutex_;
    int wanted_;
    int own_ = 0;
    std::shared_ptr<tbb::task_arena> pool_;
};

// Parallel loop over [begin, end) on the given pool. The body receives
// sub-ranges (lo, hi) and runs with the caller's preview flag and generation;
// an abort raised in the body reaches the caller as the same abort.
template <typename Body>
void ParallelForRangeIn(tbb::task_arena& pool, int begin, int end, Body&& body, int grain = 1)
{
    if (end <= begin)
        return;
    const bool preview = ThreadIsPreview;
    const int generation = ThreadPreviewGeneration;
    const int runId = ThreadRunId;
    pool.execute([&] {
        tbb::parallel_for(tbb::blocked_range<int>(begin, end, grain > 0 ? grain : 1),
                          [&](const tbb::blocked_range<int>& r) {
                              PreviewScope scope(preview, generation, runId);
                              body(r.begin(), r.end());
                          });
    });
}

// The same loop on the shared pool.
template <typename Body>
void ParallelForRange(int begin, int end, Body&& body, int grain = 1)
{
    ParallelForRangeIn(SharedPool(), begin, end, std::forward<Body>(body), grain);
}

// Parallel loop calling body(i) for every index.
template <typename Body>
void ParallelFor(int begin, int end, Body&& body)
{
    ParallelForRange(begin, end, [&](int lo, int hi) {
        for (int i = lo; i < hi; ++i)
            body(i);
    });
}

} // namespace pv
