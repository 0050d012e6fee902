#pragma once
// Smooth painting (effect 306): the picture repainted with one brush mark of
// the atlas in seven orientations, each stroke the orientation and colour
// that best match the picture around its pixel; later passes repaint the
// painting itself.

#include "engine/Effect.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace pv {

// The numbers a run derives from its parameters.
struct TemplateMatchingParams {
    int BrushSize = 8;   // side of an oriented stamp
    int HalfSize = 4;    // BrushSize div 2
    int Passes = 1;
    int GridStep = 1;    // spacing of the stroke-selection windows
    double TotalWork = 430;
};
TemplateMatchingParams ComputeTemplateMatchingParams(int P1, int P2);

// Strokes kept of `count` sorted worst first: the worst 5 % are dropped.
int64_t TemplateMatchingKeptStrokes(int64_t count);

// The atlas: 38 dark marks on white, 5 cells of 250 x 250 per row. A cell's
// rectangle, and the colour matrix that turns its darkness into coverage of
// a white stamp.
constexpr int kAtlasCell = 250;
constexpr int kAtlasMarks = 38;
SkRect AtlasCellRect(int cell, int cellSide = kAtlasCell);
const float* AtlasCoverageMatrix();
// The 38 marks as stamps of cellSide x cellSide, each cell drawn (cubic) through
// the colour matrix `coverage`.
std::vector<ISkImage> CutAtlasStamps(const ISkImage& atlas, int cellSide, const float* coverage);

// One covered pixel of an oriented stamp (coverage at least 10): its position
// relative to the stamp's centre pixel.
struct TBrushPixelOffset {
    int16_t dX, dY;
    uint8_t Alpha;
};

// The seven orientations of one atlas cell at a brush size: the stamp images
// (white, alpha = coverage) and their covered pixels in row-major order.
struct OrientedStamps {
    int BrushSize = 0, HalfSize = 0;
    std::vector<ISkImage> Images;
    std::vector<std::vector<TBrushPixelOffset>> BrushOffsets;
};
OrientedStamps BuildOrientedStamps(const ISkImage& atlas, int cell, int brushSize);

// Best match of one pixel: orientation, matching error (lower is better;
// 999 999 999 when the pixel takes no stroke) and the mean colour under the
// stamp. The error of a stamp of at most 50 x 50 pixels stays far below 2^31.
struct TMatch {
    int32_t Score;
    uint8_t BrushAngle, R, G, B;
};
constexpr int32_t kNoMatch = 999999999;
// What drawing a stroke takes from its match.
struct TStrokeMatch {
    uint8_t BrushAngle, R, G, B;
};

// The local contrast of every pixel (0 on the border and where alpha < 10).
std::vector<uint8_t> BuildContrastMap(const SkPixmap& input);

// The best match of every pixel of `input` (w x h, row-major). `salt` varies
// the jitter between sub-passes; the jitter is a hash of pixel, salt and
// orientation, so the table does not depend on the thread count.
void MatchPixels(const SkPixmap& input, const OrientedStamps& stamps, const std::vector<uint8_t>& contrast,
                 uint32_t salt, TMatch* table);

// The strokes of one sub-pass: in each grid window the pixel with the lowest
// score (the first in row-major order among equals), each pixel taken once.
// Returns pixel indices (y * w + x) sorted by score, worst first.
std::vector<uint32_t> SelectStrokes(TMatch* table, int w, int h, int halfSize, int gridStep);
// The same in two steps: the strokes as (score << 32 | index) in the order
// they were taken, then sorted worst first (the keys serve as scratch space).
std::vector<uint64_t> SelectStrokeKeys(TMatch* table, int w, int h, int halfSize, int gridStep);
std::vector<uint32_t> SortStrokesWorstFirst(std::vector<uint64_t>& keys);

// Draws strokes (pixel indices into `table`, drawn in order) onto `dest`:
// stamp `BrushAngle` tinted by the match colour, its top-left corner HalfSize
// up and left of the pixel. The picture is drawn in bands of tiles, each
// tile taking the strokes that touch it in list order, so the result is the
// one of drawing the strokes one after the other. After each group of bands
// `afterBand` gets the fraction drawn and returns false to stop.
struct StrokeDrawing {
    const OrientedStamps* stamps = nullptr;
    const TMatch* table = nullptr;
    int w = 0, h = 0;
    // When set, the strokes' orientations and colours in list order, read
    // instead of `table` (which may then be gone or refilled).
    const TStrokeMatch* strokeMatches = nullptr;
};
void DrawStrokes(const StrokeDrawing& drawing, const uint32_t* strokes, size_t count, const SkPixmap& dest,
                 const std::function<bool(double)>& afterBand);

// Paints canvas pixels that still show the white silhouette (more than 15
// levels brighter than the input) with the mean input colour of their patch
// (patches reach at most 25 pixels from their seed).
void FillWhitePixels(const SkPixmap& input, const SkPixmap& canvas);

// A pixel more than 30 levels brighter than 6 or more of its 8 neighbours
// becomes their mean, opaque (in place, row by row).
void RemoveBrightSpecks(const SkPixmap& canvas);

void TemplateMatching(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                      bool Preview);

} // namespace pv
