#pragma once
// Watercolor (effect 300): the picture painted as many flat, overlapping,
// star-shaped colour patches, then softened, lifted, outlined and sharpened.

#include "engine/Effect.h"

#include <array>
#include <cstdint>
#include <optional>

namespace pv {

// The numbers a run derives from its parameters and picture size.
struct CentralSpokeParams {
    float complexity = 0;      // P2 / 100 clamped to 0..1
    int spokes = 3;            // rays per patch
    int baseThreshold = 0;     // colour distance that ends a ray's easy growth
    int threshold = 0;         // the one used (halved, at least 15, when patches are tested before merging)
    float sigma = 0;           // of the outline smoothing kernel
    std::array<float, 7> kernel{};
    float kernelSum = 0;
    double scale = 1;          // more and larger patches on pictures above 2048 x 2048
    int64_t shapeCount = 0;    // patches
    float brushSize = 0;       // spoke length budget of the first patches
    float opacity = 1;
    int64_t plannedPaths = 0;  // attempts over the whole run
};

// Sanity is the mode in which each patch is only kept when it brings the
// canvas closer to the source (a run that starts from an earlier result).
CentralSpokeParams ComputeCentralSpokeParams(int P1, int P2, int P3, int P4, int W, int H, bool Preview, bool Sanity);

// Extra attempts of patch i (1..N): up to four for the last patches.
int CentralSpokeExtraAttempts(int64_t i, int64_t N);
// Spoke budget base of patch i: shrinks from about 8 brush sizes to 1.
int64_t CentralSpokeBudgetBase(int64_t i, int64_t N, float brushSize);

// Colour distance for sampling and ray growth ("redmean" weighting of the
// channels, raised by alpha differences; 255 between a nearly transparent and
// a visible pixel).
int RedmeanAlphaDistance(uint32_t A, uint32_t B);

void CentralSpokeEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview);

// The same run with the process-wide generator seeded with `seed` where the
// effect seeds it from the clock, so a drawing can be repeated.
void CentralSpokeEffectSeeded(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                              bool Preview, uint32_t seed);

} // namespace pv
