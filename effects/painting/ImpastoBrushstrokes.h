#pragma once
// Impasto brushstrokes (effect 304): the picture painted coarse to fine with
// stamps of the default (or the user's) brush sheet, each stroke turned along
// the local edge, chosen among several stamps and rotations by how much it
// reduces the error, shaded with a raised relief, and painted into a reduced
// working copy that drives the scoring and into the full-size destination.
// The work of a level runs as horizontal bands in parallel.

#include "engine/Effect.h"

#include <cstdint>

namespace pv {

struct ImpastoValues {
    int MinSize = 3, MaxSize = 3; // full-resolution stroke sizes
    int P3 = 0, P4 = 0;           // clamped to 0..100
    float GlobalOpacity = 1;
    int ScaleFactor = 1;
    int WorkW = 1, WorkH = 1;
    int Levels = 8;               // L: the levels are 0 .. L
    int RefineBase = 2;
    int ThreadCount = 1;          // bands
    int GradW = 1, GradH = 1;
    int ScratchSize = 256, ScratchCenter = 128;
    int SkipLimit = 20;
    static constexpr int ImpastoStrength = 30;
};
ImpastoValues ComputeImpastoValues(int P1, int P2, int P3, int P4, int P5, int w, int h, int processors);

struct ImpastoLevel {
    int CurrentBrushSize = 3, WorkBrushSize = 1;
    bool IsStochastic = false;
    int ScanLimit = 2;
    bool SkipCheck = false;
    int64_t Threshold = 0;
    int CheckStep = 1;
    int CurrentRefineCount = 1, CurrentSideSteps = 0;
    int GridStep = 1, DensityLayers = 1;
    // Bands whose indexes differ by this much never touch the same pixels
    // (working copy or destination) and so run together.
    int BandStride = 2;
};
ImpastoLevel ComputeImpastoLevel(const ImpastoValues& v, int k, bool doClear);

// Rows [y0, y1) of band b's stroke centres on the working copy.
void ImpastoBandRows(const ImpastoValues& v, int b, int& y0, int& y1);

void SystematicPainting(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview);

// The same run with a given band count (tests compare band layouts).
void SystematicPaintingWithBands(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4,
                                 int P5, bool Preview, int processors);

} // namespace pv
