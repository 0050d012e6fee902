#pragma once
// Watercolor 2 (effect 301): flat washes grown from random seeds on watercolour
// paper, then brightened, edged with dark accents and saturated.

#include "engine/Effect.h"

#include <cstdint>
#include <vector>

namespace pv {

// The numbers a run derives from its parameters.
struct RegionGrowingParams {
    int64_t seedingLimit = 0;  // seeding ends once painted div (area div 140) exceeds this
    bool brighten = false;     // the brightness shift is not zero
    int brightness = 0;        // added to every channel (saturates at -255..255)
    bool edges = false;        // dark edge accents are drawn
    int edgeCap = 0;           // largest edge value, at most 255 (edge values are bytes)
    bool saturate = false;     // the saturation step runs
    float saturation = 1;      // factor of the distance from grey
};
RegionGrowingParams ComputeRegionGrowingParams(int P1, int P2, int P3, int P4, int P5);

// Colour tolerance of ring r of seed n (|dR| + |dG| + |dB| must stay below it).
// Values above 766 accept every colour and are returned as 766.
int RegionGrowingTolerance(int P2, int r, int64_t n, bool preview);

// The watercolour paper: 1024 x 768 bytes stored column by column (texture
// column x, row y at x * 768 + y), their mean, and whether a picture filled it.
struct WatercolorPaperGrid {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(1024 * 768, 128);
    int mean = 128;
    bool loaded = false;

    // The grain added to a painted pixel at (a, b); 0 without a paper.
    int Offset(int64_t a, int64_t b) const
    {
        if (!loaded)
            return 0;
        const int64_t x = a % 1023, y = b % 767;
        return (mean - int(bytes[size_t(x * 768 + y)])) * 75 / 255;
    }
};

// The paper filled from a picture's red channel (its top-left 1024 x 768; cells
// beyond a smaller picture are 128). An empty picture gives an unloaded paper.
WatercolorPaperGrid WatercolorPaperFrom(const ISkImage& picture);

// The process-wide paper, filled from the repository's watercolour texture the
// first time any run asks; overlapping runs share that one fill.
const WatercolorPaperGrid& LoadWatercolorPaper();

void RegionGrowing(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                   bool Preview);

} // namespace pv
