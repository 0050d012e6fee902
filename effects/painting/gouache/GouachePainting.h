#pragma once
// Gouache painting (effect 308): the picture repainted as layers of flat,
// opaque, star-shaped blobs of paint, coarse first and finer in every later
// layer, with optional brush-textured strokes and relief, the gaps closed, and
// optional contour lines.

#include "engine/Effect.h"

#include <cstdint>

namespace pv {

// The values a run derives from its parameters and picture sizes (w x h the
// working picture, SW x SH the full source picture).
struct GouacheParams {
    int P1 = 0, P2 = 0, P3 = 0, P4 = 0, P5 = 0; // clamped to 0..100
    int L = 0;        // layer count, 3..8
    double D = 0;     // diagonal of the full source picture
    int B = 0;        // radius of layer 0
    int F = 0;        // radius of the finest layer
    int g = 0;        // grain of the acceptance and merge limits
    int64_t S = 0;    // most seeds one layer may use
    int E = 0;        // edge limit
    int c = 0;        // colour penalty divisor of the spoke walk
    int e = 0;        // edge penalty divisor of the spoke walk
    int StrokeAmp = 0; // brush-stroke colour jitter; strokes and relief only above 0
    int t = 0;        // brush texel lightening
    float s = 1;      // stamp enlargement
    int k = 0;        // height strength (from the unclamped strength)
};
GouacheParams ComputeGouacheParams(int P1, int P2, int P3, int P4, int P5, int w, int h, int SW, int SH);

// Per-layer values: radius, seed capacity (U unpainted pixels of w x h),
// coverage penalty and acceptance percentage.
int GouacheLayerRadius(int B, int layer);
int64_t GouacheSeedCapacity(int w, int h, int R, int64_t U, int64_t S);
int GouacheCoveragePenalty(int L, int layer);
int GouacheAcceptancePercent(int L, int layer);

// The effect's own pool of at most 8 workers, kept from run to run; a worker
// count set for the shared pool reaches it too.
tbb::task_arena& GouachePool();
// Tests and benchmarks may run the pool with fewer workers (0 restores the
// default), between runs only: the pool is made anew.
void SetGouachePoolWorkers(int workers);
int GouachePoolWorkers();

void GouachePainting(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                     bool Preview);

} // namespace pv
