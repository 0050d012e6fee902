#pragma once
// Watercolor splashes (effect 303): the picture painted with watercolour
// splash marks in passes from large to small, each mark turned along the edge
// under it; the first passes lay marks on a jittered grid, the later ones add
// marks where the canvas still differs most from the source.

#include "engine/Effect.h"

#include <cstdint>

namespace pv {

struct WatercolorSplashesValues {
    int MinSize = 3, MaxSize = 0; // stroke sizes in pixels
    double GridDivisor = 0.8;     // D: grid spacing = stroke size / D
    int Passes = 10;              // N: the passes are 0 .. N
    int StampTries = 1;           // T0
    int PositionSamples = 10;
    bool EarlyStop = true;
    int ThresholdShift = 0;
    float Opacity = 1;
    bool DoClear = true;
};
WatercolorSplashesValues ComputeWatercolorSplashesValues(int P1, int P2, int P3, int P4, int P5, bool doClear);

// The values of pass k.
struct WatercolorSplashesPass {
    int Size = 0;        // s
    bool Grid = false;   // a grid pass (else a search pass)
    int GridStep = 1;    // G
    int lo = 0, hi = 0;  // scratch window on both axes
    int Tries = 1;       // T
    int Threshold = 2;   // θ: the error a search position needs
    bool Free = false;   // every grid mark placed without scoring
    int64_t MinImprovement = 0; // I
    int ScoreStep = 2;   // q
};
WatercolorSplashesPass ComputeWatercolorSplashesPass(const WatercolorSplashesValues& v, int k);
// Positions a search pass with stroke size s tries on a w x h picture: three
// per stroke area, at least 200 and at most 30000 per 12 megapixels.
int WatercolorSplashesPositions(int w, int h, int s);

constexpr int kSplashScratchSide = 778;

void NewDirectionalStrokesgood(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                               bool Preview);

} // namespace pv
