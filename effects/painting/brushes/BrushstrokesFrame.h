#pragma once
// The brush-stroke frame: a picture enlarged by a border of a colour, with a
// band of brush strokes painted along each edge. A stroke takes the picture's
// colour where it starts inside the picture and the border colour outside,
// so the picture seems painted out into the frame; towards the picture the
// bands fade.
//
// RenderBrushstrokesFrame frames a given picture on the caller's thread (the
// script command); AddBrushstrokesFrame frames the main window's result and
// source pictures on a worker of its own (the frame panel).

#include "platform/graphics/SkImage.h"

#include <array>
#include <cstdint>

namespace pv {

// The running-effect number while the frame panel's frame is painted.
constexpr int kBrushstrokesFrameNumber = 900;

// One band of strokes on the framed canvas.
struct FrameBand {
    int X0 = 0, Y0 = 0;          // origin on the W x H canvas
    int Width = 0, Height = 0;
    float BaseAngle = 0;         // strokes run along this direction (radians)
    SkPoint FadeFrom, FadeTo;    // band coordinates: full strength -> faded towards the picture
};

struct FrameGeometry {
    int64_t W = 0, H = 0;        // the framed canvas (may be 0 or less for absurd borders)
    int M = 0;                   // border width: the picture sits at (M, M)
    int Cell = 250;              // side of an atlas cell
    float S = 5;                 // brush size, at least 5
    int T = 6;                   // band thickness
    int64_t StrokesPerBand = 1;  // N + 1
    std::array<FrameBand, 4> Bands{}; // top, bottom, left, right: the order they are painted
};
// w x h: the picture; atlasWidth: the atlas's width (cells are 250 for a
// 2000-wide atlas, else a fifth of the width).
FrameGeometry ComputeFrameGeometry(int w, int h, int atlasWidth, int borderWidth, int brushSize);

// Squared colour distance of two pictures of equal size over every tenth row
// and column (premultiplied bytes, alpha ignored); 0 for missing or unequal
// pictures.
double ComputeImageDifference(const ISkImage& A, const ISkImage& B);

// Frames Source with the atlas's marks. Result is Source itself when Source or
// Atlas is missing or the frame cannot be made; errors reach the caller.
void RenderBrushstrokesFrame(ISkImage& Result, const ISkImage& Source, const ISkImage& Atlas, TAlphaColor BorderColor,
                             int BorderWidth, int BrushSize);

// Frames the main window's result (with strokes) and source (plain border)
// on a worker thread and stores both with one history snapshot. UI thread.
// Refused, with a message, while a full render or another frame runs; false
// then (and without a main window).
bool AddBrushstrokesFrame(TAlphaColor ABorderColor, int ABorderWidth, int ABrushSize);

} // namespace pv
