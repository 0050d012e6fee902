#pragma once
// Comic print (effect 203): four-colour halftone print on white paper with
// optional black contour lines.

#include "engine/ContourLines.h"
#include "engine/Effect.h"

#include <cstdint>

namespace pv {

struct ComicValues {
    int Cell = 8;          // lattice spacing in pixels
    float HalfCell = 4;
    float LargestDot = 1;  // radius factors of a full and of an empty cell
    float SmallestDot = 0;
    float InkFactor = 1;   // k
};
ComicValues ComicPrintValues(int P1, int P2, int P3, int P4);

// Ink amounts of one premultiplied pixel, 0..255 each (K the full black).
struct ComicInk {
    uint8_t C = 0, M = 0, Y = 0, K = 0;
    bool operator==(const ComicInk&) const = default;
};
ComicInk ComicSeparatePixel(uint32_t pixel, float inkFactor);

// Radius of a dot over a separation value (below 0.4 nothing is drawn).
float ComicDotRadius(const ComicValues& v, int planeValue);

// The contour detector's settings and dots for the "contours" value P5.
struct ComicContour {
    ContourSettings Settings;
    ContourLineStyle Style;
};
ComicContour ComicContourValues(int P5, int Cell);

void ComicPrintHalftone(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview);

} // namespace pv
