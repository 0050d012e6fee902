#pragma once
// Oil pastel (effect 302): the picture repainted with pastel-stick marks that
// shrink from large to small, each placed where the canvas still differs most
// from the source and kept only when it brings the canvas clearly closer.

#include "engine/Effect.h"

#include <cstdint>

namespace pv {

// The numbers a run derives from its parameters and picture size.
struct OilPastelValues {
    int MinSize = 3, MaxSize = 3; // stroke sizes in pixels
    int Repeats = 1;              // R0: stroke attempts per step
    int Quality = 1;              // P4 raised to at least 1
    int StampTries = 1;           // P4 div 15 + 1
    float Opacity = 1;
    int ScratchSide = 370;        // N; the scratch centre is N div 2
    double AreaScale = 1;         // picture area over kOilPastelBudgetArea, at least 1
};
// The stroke attempts of a step suffice to cover a picture of this many
// pixels; larger pictures get proportionally more, so a photograph comes out
// equally covered at any resolution.
constexpr double kOilPastelBudgetArea = 2000000.0;
// doClear: the canvas was erased (else the largest stroke shrinks to two thirds).
OilPastelValues ComputeOilPastelValues(int P1, int P2, int P3, int P4, int P5, int w, int h, bool doClear);

// The values of one step i (1000 down to 0) whose stroke size s is already drawn.
struct OilPastelStep {
    int lo = 0, hi = 0;  // scratch footprint on both axes
    int Samples = 1;     // M: position samples
    int ScoreStep = 1;   // k
    int Extra = 0;       // E: extra attempts per repeat
    int Repeats = 1;     // R
};
OilPastelStep ComputeOilPastelStep(const OilPastelValues& v, int s);
// How many times a step repeats its attempts: R + 1, scaled by the area while
// the paper still shows, R + 1 once it is covered.
int OilPastelRepeatCount(const OilPastelValues& v, const OilPastelStep& st, bool paperShows = true);
// The paper counts as covered once no more than this share of the picture shows it.
constexpr double kOilPastelPaperGoal = 0.001;
// Whether paperLeft of area pixels is more than the goal.
bool OilPastelPaperShows(int64_t paperLeft, int64_t area);
// The share of repeats a preview of a w x h crop paints is twice this ratio
// (all of them from 0.5 up): the crop's area over the source's, or over the
// budget's area for larger sources. 1 without a source.
float OilPastelPreviewRatio(int w, int h, int64_t sourceArea);
// The stroke size of step i, drawing its jitter from the process-wide generator.
int OilPastelStrokeSize(const OilPastelValues& v, int i, int w, int h);
// Θ: the score a stroke of size s must exceed at step i.
int64_t OilPastelThreshold(int s, int i, bool doClear);

void NewRandomStrokes_BestOfN(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                              bool Preview);
// The same run with the generator seeded with `seed` instead of the clock's milliseconds.
void NewRandomStrokes_BestOfNSeeded(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4,
                                    int P5, bool Preview, uint32_t seed);

} // namespace pv
