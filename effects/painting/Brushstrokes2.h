#pragma once
// Brushstrokes 2 (effect 305): short curved strokes of three bristle brushes,
// from large to small, following the picture's edges and going where the
// canvas still differs most from the source.

#include "engine/Effect.h"

#include <cstdint>
#include <vector>

namespace pv {

// The numbers a run derives from its parameters.
struct OllivanderParams {
    int lengthDivisor = 1;     // d: stroke lengths are divided by it
    int strokeFactor = 1;      // strokes per round per 48400 pixels
    int64_t rejectBelow = 0;   // randomly placed strokes are dropped when Random(290) falls below it
    float acceptFactor = 1;    // f: a tried stroke stays when its error times f is below the old error
    int saturation = 0;        // s, -100..100
    bool saturate = false;     // the saturation pass runs
};
OllivanderParams ComputeOllivanderParams(int P1, int P2, int P3, int P4, int P5);

// Attempts of one round: (w * h * strokeFactor) div 48400 times the multiplier
// (the loop runs 0..n, so one more).
int64_t OllivanderAttempts(int w, int h, int strokeFactor, int multiplier);

// The process-wide generator's sequence drawn from a copy of its seed: a run
// takes the seed, draws without touching the shared atomic, and hands it back.
struct RunRandom {
    uint32_t seed = 0;
    // 0..n-1 (0 for n <= 0); the seed advances either way.
    int32_t operator()(int32_t n)
    {
        seed = Next(seed);
        return Scale(seed, n);
    }
    // The pieces of a draw, for loops that pick among several next seeds
    // without branching: the seed after s, and what a draw that left seed s
    // returns for n.
    static uint32_t Next(uint32_t s) { return s * 134775813u + 1u; }
    static int32_t Scale(uint32_t s, int32_t n) { return n <= 0 ? 0 : int32_t((uint64_t(s) * uint32_t(n)) >> 32); }
    // [0, 1).
    double Float()
    {
        seed = seed * 134775813u + 1u;
        return double(seed) / 4294967296.0;
    }
};

// Tiles of 32 x 32 pixels that guide where strokes go.
struct OllivanderTiles {
    int tilesX = 0, tilesY = 0;
    std::vector<int64_t> error;
    std::vector<int> rejected;
    std::vector<int64_t> running; // running total of the weights
    int64_t total = 0;

    // Weight max(1, error), or error div (rejected div 20 + 1) for tiles that
    // refused more than 20 strokes; running totals in tile order.
    void BuildWeights();
    // A tile drawn by weight (uniform when the total is not positive).
    int Pick(RunRandom& random) const;
};

// Brush masks (alpha bytes, row after row).
struct BrushMaskData {
    std::vector<uint8_t> alpha;
    int w = 0, h = 0;
};
// The three bristle masks from the repository, else from "PaintBrushSim.png",
// "PaintBrushSim2.png", "PaintBrushSim3.png" in the working folder, else the
// 32 x 32 cone.
void LoadOllivanderBrushes(BrushMaskData brushes[3]);

void Ollivander(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview);

} // namespace pv
