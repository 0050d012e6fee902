#pragma once
// Felt-tip pen (effect 202): short flat marker strokes multiplied onto paper,
// with optional thin grey lines along the strong edges.

#include "engine/Effect.h"

namespace pv {

struct MarkerValues {
    int GridStep = 1;       // pixels between candidate points
    float Opacity = 0;      // 0..1
    int StrokeAlpha = 0;    // opacity as a byte
    int Length = 2;         // L, the nominal stroke length
    float Width = 1;        // nominal stroke width, 1..25
    int EdgeValue = 0;      // e, 0..100
    int EdgeThreshold = 5;  // gradient magnitude an edge must exceed
    int EdgeStrokes = 1;    // curves per edge point at full strength
};
MarkerValues MarkerRenderingValues(int P1, int P2, int P3, int P4, int P5);

// Number of progress steps of a run on a picture of this height (at least 1).
int MarkerProgressTotal(int Height, const MarkerValues& v);

// The pen's colour for a picture colour: the strongest channel raised and the
// weakest lowered when the colour has some saturation.
TAlphaColor MarkerBoostColor(TAlphaColor colour);

void MarkerRenderingEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                           bool Preview);

} // namespace pv
