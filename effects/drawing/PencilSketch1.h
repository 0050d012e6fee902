#pragma once
// Pencil Sketch 1 (effect 100): pencil grain from the repository's pencil
// paper, drawn on a slant, with darkened edge marks.

#include "engine/Effect.h"

#include <cstdint>
#include <vector>

namespace pv {

struct PencilSketchValues {
    int64_t EdgeThreshold = 20; // T = P1 (scripts may pass any integer)
    int64_t EdgeDarkness = 200; // D = 4 P2
    int64_t Brightness = 166;   // Br = 2.55 P3 rounded
    int64_t Contrast = 6;       // Ct = 1.28 P4 rounded
    int ColourKept = 80;    // Ci = P5 clamped to 0..100
};
PencilSketchValues PencilSketchValuesFor(int P1, int P2, int P3, int P4, int P5);

// The grey table the shading reads: TexH rows of TexW bytes.
struct PencilTextureTable {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Grey;
};
// (R + G + B) div 3 of every texel; a missing picture, or one too low for the
// row arithmetic (3 rows or fewer), gives the flat 100 x 100 table of 128.
PencilTextureTable PencilTextureTableFrom(const ISkImage& texture);

// Size of the picture turned by the drawing's slant: ceil(W |cos| + H |sin|)
// by ceil(W |sin| + H |cos|).
struct TurnedSize {
    int Width = 0;
    int Height = 0;
};
TurnedSize PencilTurnedSize(int W, int H);

// The drawing works on two pictures of the turned size. Their area grows with
// the square of a picture's longer side, so a long thin picture (1 x 30000
// turns into 15001 x 25982) would need gigabytes: the turned area may be at
// most this many times the picture's own area, plus a floor that lets small
// pictures of any shape through. Ordinary photographs turn into less than
// twice their area; pictures about 16 times longer than wide still fit.
constexpr int64_t kPencilTurnedAreaFactor = 8;
constexpr int64_t kPencilTurnedAreaFloor = int64_t(1) << 22;
// False when the turned area exceeds that: the run then reports out of memory.
bool PencilTurnedAreaFits(int W, int H);

void PencilSketch(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                  bool Preview);

} // namespace pv
