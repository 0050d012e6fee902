#pragma once
// Short dark strokes along the strong brightness edges of a picture, drawn
// alone or composited over a painting.

#include "engine/Effect.h"

namespace pv {

// Renders the strokes alone into Dest (cleared first). P1 is the edge
// threshold (below 1: 24), P2 the darkness (0..255), P3 the stroke length
// (below 1: 60); P4, P5 and Preview are not used.
void SobelEffectSource(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                       bool Preview);

// Composites the strokes of Source over Dest: Mode 1 Darken, 2 Overlay, any
// other Multiply; Opacity 0..100 (clamped) is the layer's opacity.
void ApplyEdgeStrokeOverlay(const ISkImage& Source, const ISkSurface& Dest, int EdgeThreshold, int Darkness,
                            int StrokeLength, int Mode, int Opacity);

// The stroke raster itself (white or, when the source has any translucent
// pixel, transparent, with grey strokes); null when the picture is smaller
// than 3 x 3. Arguments as SobelEffectSource's after its defaults and clamps.
ISkImage RenderEdgeStrokes(const ISkImage& Source, int EdgeThreshold, int Darkness, int StrokeLength);

} // namespace pv
