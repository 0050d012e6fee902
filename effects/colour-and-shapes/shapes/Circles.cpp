// Circles (effect 502): the picture rebuilt from flat-coloured discs that never
// overlap, largest first, with optional ring outlines in the contour colour.
// P1 iterations, P2 smallest and P3 largest disc, P4 colour tolerance; P5 is
// not used.

#include "effects/colour-and-shapes/shapes/Circles.h"

#include "effects/colour-and-shapes/shapes/SpaceFilling.h"

namespace pv {

void SpaceFillingCircles(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    RunSpaceFilling(SpaceFillingShape::Circle, Source, Dest, P1, P2, P3, P4, P5, Preview);
}

PV_REGISTER_EFFECT(502, SpaceFillingCircles);

} // namespace pv
