#pragma once
// Parallel loops of the graphics layer. They run in the caller's task arena
// (the engine calls from its shared pool; a benchmark may pick one thread),
// and every index is computed independently, so results never depend on the
// number of threads. Small ranges run inline without touching the scheduler.

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

namespace pv {

// body(lo, hi) over sub-ranges of [begin, end); grain = the smallest piece.
template <typename Body>
void GraphicsParallelFor(int begin, int end, int grain, Body&& body)
{
    if (end <= begin)
        return;
    if (grain < 1)
        grain = 1;
    if (end - begin <= grain) {
        body(begin, end);
        return;
    }
    tbb::parallel_for(tbb::blocked_range<int>(begin, end, size_t(grain)),
                      [&](const tbb::blocked_range<int>& r) { body(r.begin(), r.end()); });
}

} // namespace pv
