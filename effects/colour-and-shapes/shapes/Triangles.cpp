// Triangles (effect 503): the picture rebuilt from flat-coloured, freely
// rotated equilateral triangles that never overlap, largest first, with
// optional outlines in the contour colour. P1 iterations, P2 smallest and P3
// largest triangle (circumradius), P4 colour tolerance, P5 quality (the number
// of angles tried for small triangles).

#include "effects/colour-and-shapes/shapes/Triangles.h"

#include "effects/colour-and-shapes/shapes/SpaceFilling.h"

namespace pv {

void SpaceFillingTriangles(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    RunSpaceFilling(SpaceFillingShape::Triangle, Source, Dest, P1, P2, P3, P4, P5, Preview);
}

PV_REGISTER_EFFECT(503, SpaceFillingTriangles);

} // namespace pv
