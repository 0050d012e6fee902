// Mosaic (effect 500): the picture rebuilt from flat-coloured, freely rotated
// squares that never overlap, largest first, with optional outlines in the
// contour colour. P1 iterations, P2 smallest and P3 largest square, P4 colour
// tolerance, P5 quality (the number of angles tried for small squares).

#include "effects/colour-and-shapes/shapes/Mosaic.h"

#include "effects/colour-and-shapes/shapes/SpaceFilling.h"

namespace pv {

void SpaceFillingDots(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    RunSpaceFilling(SpaceFillingShape::Square, Source, Dest, P1, P2, P3, P4, P5, Preview);
}

PV_REGISTER_EFFECT(500, SpaceFillingDots);

} // namespace pv
