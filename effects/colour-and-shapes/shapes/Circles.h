#pragma once
// Circles (effect 502): the picture rebuilt from flat-coloured discs that never
// overlap, largest first, with optional ring outlines in the contour colour.
// P1 iterations, P2 smallest and P3 largest disc, P4 colour tolerance; P5 is
// not used.

#include "engine/Effect.h"

namespace pv {

void SpaceFillingCircles(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview);

} // namespace pv
