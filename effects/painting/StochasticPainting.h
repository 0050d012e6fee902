#pragma once
// Stochastic painting (effect 307): brush dabs of the atlas's marks at random
// places, large at first and shrinking towards the minimum size, each along
// the local edge and kept only when it brings the canvas closer to the picture.

#include "engine/Effect.h"

#include <cstdint>

namespace pv {

// The numbers a run derives from its parameters and the picture's size.
struct StochasticPaintingParams {
    int MinSize = 20, MaxSize = 100; // dab sizes in pixels
    double Density = 35;             // dabs per 400 pixels
    int Precision = 50;
    int Opacity = 229;               // 20..255
    int SampleStep = 5;              // scoring reads every k-th row and column of large dabs
    int Tries = 6;                   // marks and angles tried per dab
    int64_t DabCount = 0;
    int64_t ReportEvery = 100;
};
StochasticPaintingParams ComputeStochasticPaintingParams(int P1, int P2, int P3, int P4, int P5, int w, int h);

// Size of dab i of n: the cubic ease from MaxSize down towards MinSize.
float StochasticDabSize(int64_t i, int64_t n, int minSize, int maxSize);

void StochasticPainting(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview);

} // namespace pv
