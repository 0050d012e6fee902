#pragma once
// Brush stamps: the marks the stamped-brush paintings lay down, cut from a
// brush sheet (256 x 256 cells, eight per row, only alpha matters), with the
// tools every such painting shares: the principal-axis angle of a stamp, the
// coarse luminance-gradient map that turns strokes along edges, drawing one
// tinted, rotated and scaled stamp centred on a square scratch, laying the
// scratch onto a picture source-over in integers, the pixel error that scores
// strokes, and the relief that gives an accepted stroke its raised edge.
//
// Stamps are drawn hundreds of thousands of times per run: a draw touches
// only the stamp's bounds on the scratch (and clears only what the previous
// draw left), and nothing is allocated per draw.

#include "platform/graphics/SkImage.h"
#include "platform/graphics/SkSamplingOptions.h"
#include "platform/graphics/SkTypes.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pv {

constexpr int kBrushCellSide = 256;
constexpr int kBrushCellsPerRow = 8;

// ------------------------------------------------------------------ stamps

// Tested: keep the cells that hold paint on their centre column (alpha > 10 at
// one of five probe points) and stop at the first cell beyond the sheet.
// Counted: exactly `count` cells, transparent where the sheet has none.
enum class BrushCutMode { Tested, Counted };

struct BrushStampSet {
    std::vector<ISkImage> stamps; // 256 x 256 each, in cell order; null = unassigned
    std::vector<float> angles;    // principal-axis angle per stamp (empty until computed)

    int count() const { return int(stamps.size()); }
    bool empty() const { return stamps.empty(); }
};

// Cuts a sheet into stamps. A null sheet gives an empty set (tested) or
// `count` transparent stamps (counted); `count` is limited to what a sheet of
// TForm3::kMaxBrushCount cells holds.
BrushStampSet CutBrushSheet(const ISkImage& sheet, BrushCutMode mode, int count = 0);

// The repository's working brush sheet, read on the UI thread (null when empty).
ISkImage WorkingBrushSheet();

// The brush count of the counted cut: the main window's GlobalBrushCount, 40
// without a main window.
int CurrentGlobalBrushCount();

// Which alpha counts for the orientation: pixels above minAlpha, and at least
// minWeight of alpha in total (else the angle is 0).
struct OrientationRule {
    int minAlpha;
    double minWeight;
};
constexpr OrientationRule kStampOrientation{0, 1.0};    // every painted pixel
constexpr OrientationRule kSplashOrientation{20, 1000.0}; // faint alpha ignored

// 0.5 atan2(2 Mxy, Mxx - Myy) of the stamp's alpha moments, in -pi/2..pi/2
// (x right, y down, so a bar running down-right gives +pi/4); 0 for a missing,
// unreadable or too faint stamp.
float ComputeBrushOrientation(const ISkImage& stamp, OrientationRule rule = kStampOrientation);
// Fills set.angles for every stamp.
void ComputeBrushAngles(BrushStampSet& set, OrientationRule rule = kStampOrientation);

// ------------------------------------------------------------------ gradient map

struct TGradientInfo {
    float Angle = 0;       // direction of the luminance gradient, -pi..pi
    uint8_t Magnitude = 0; // min(255, |Gx| + |Gy|)
};

struct GradientMap {
    int W = 0, H = 0;         // the picture the map was built from
    int GradW = 0, GradH = 0; // at least 1 x 1 for any non-empty picture
    std::vector<TGradientInfo> cells;

    // The cell of picture point (x, y), clamped into the map.
    const TGradientInfo& cellAt(int x, int y) const
    {
        int cx = int(int64_t(x) * GradW / W), cy = int(int64_t(y) * GradH / H);
        cx = cx < 0 ? 0 : (cx >= GradW ? GradW - 1 : cx);
        cy = cy < 0 ? 0 : (cy >= GradH ? GradH - 1 : cy);
        return cells[size_t(cy) * size_t(GradW) + size_t(cx)];
    }
};

// GradW = min(W, 256), GradH = Round(H * GradW / W), each at least 1.
SkISize GradientMapSize(int W, int H);
// Sobel of the luminance (30 R + 59 G + 11 B) div 100 of the picture scaled to
// the map's size (linear, nearest mipmap); border cells stay zero.
GradientMap BuildGradientMap(const ISkImage& picture);

// Strokes run along edges: the cell's angle + pi/2 when its magnitude is at least this.
constexpr int kEdgeMagnitude = 16;

// ------------------------------------------------------------------ scratch and drawing

// Inclusive window of scratch rows and columns.
struct ScratchWindow {
    int row0 = 0, row1 = -1, col0 = 0, col1 = -1;
    static ScratchWindow Square(int lo, int hi) { return {lo, hi, lo, hi}; }
};

// The scratch pixels a draw computes: rows and columns whose index minus
// `origin` is a multiple of `step` (step 1: every pixel). Scoring that reads
// every k-th pixel of a window draws only those; the rest stays transparent.
struct StampLattice {
    int step = 1;
    int origin = 0;
};

// Square work surface of side N, centre C = N div 2, starting transparent.
class StampScratch {
public:
    explicit StampScratch(int side);
    StampScratch(const StampScratch&) = delete;
    StampScratch& operator=(const StampScratch&) = delete;

    int side() const { return side_; }
    int center() const { return side_ / 2; }
    uint32_t* row(int y) { return pixels_.data() + size_t(y) * size_t(side_); }
    const uint32_t* row(int y) const { return pixels_.data() + size_t(y) * size_t(side_); }
    uint32_t* const* rows() const { return rows_.data(); }
    // Pixels outside this rectangle are transparent.
    SkIRect drawnBounds() const { return drawn_; }
    // Back to fully transparent (touches only the drawn bounds).
    void clear();

private:
    friend void DrawStamp(StampScratch&, const ISkImage&, TAlphaColor, float, float, float, const SkSamplingOptions&,
                          StampLattice, const SkIRect&);
    int side_;
    std::vector<uint32_t> pixels_;
    std::vector<uint32_t*> rows_;
    SkIRect drawn_;
};

// Clears the scratch and draws the stamp tinted with `colour` (its 32-bit
// value used as a straight colour, SrcIn), at `opacity` (held to 0..1),
// rotated by `rotation` radians (+x towards +y) and scaled to size x size,
// centred at (C, C), anti-aliased. Sampling: SkSamplingOptions::Mitchell()
// (cubic) or anything else for linear filtering from the nearest mipmap level.
// Only the alpha of the stamp is read. A lattice draw gives exactly the
// pixels a full draw gives at the lattice's rows and columns. Scratch pixels
// outside `only` are not drawn (they stay transparent); inside it the draw is
// the same as without it.
constexpr SkIRect kWholeScratch = SkIRect::MakeLTRB(-(1 << 30), -(1 << 30), 1 << 30, 1 << 30);
void DrawStamp(StampScratch& scratch, const ISkImage& stamp, TAlphaColor colour, float opacity, float rotation,
               float size, const SkSamplingOptions& sampling, StampLattice lattice = {},
               const SkIRect& only = kWholeScratch);

// The scratch pixels that land on a w x h picture when the scratch's centre
// is put at (x, y), grown by `margin` on every side. A stroke drawn only
// there composites and scores exactly as one drawn whole; relief, which reads
// the neighbours of a pixel, needs a margin of 1.
inline SkIRect ScratchOver(const StampScratch& scratch, int x, int y, int w, int h, int margin)
{
    const int C = scratch.center();
    return SkIRect::MakeLTRB(C - x - margin, C - y - margin, C - x + w + margin, C - y + h + margin);
}

// ------------------------------------------------------------------ pixel arithmetic

// 2 |dA| + |dR| + |dG| + |dB| of premultiplied pixels (0..1275).
inline int PixelError(uint32_t p, uint32_t q)
{
    const int da = int(p >> 24) - int(q >> 24);
    const int dr = int((p >> 16) & 0xFF) - int((q >> 16) & 0xFF);
    const int dg = int((p >> 8) & 0xFF) - int((q >> 8) & 0xFF);
    const int db = int(p & 0xFF) - int(q & 0xFF);
    return 2 * std::abs(da) + std::abs(dr) + std::abs(dg) + std::abs(db);
}

// Premultiplied source-over of scratch pixel s on target pixel t in integers:
// s when opaque, t when transparent, else per byte
// s + ((t (255 - As)) + ((t (255 - As)) shr 7)) shr 8 (modulo 256).
inline uint32_t CompositePixel(uint32_t s, uint32_t t)
{
    const uint32_t as = s >> 24;
    if (as == 255)
        return s;
    if (as == 0)
        return t;
    const uint32_t inv = 255 - as;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t m = ((t >> shift) & 0xFF) * inv;
        out |= (((s >> shift) + ((m + (m >> 7)) >> 8)) & 0xFF) << shift;
    }
    return out;
}

// Visits what a stroke drawn on the scratch would lay on a picture with its
// centre at (x, y): the scratch pixels of the window on the lattice that are
// drawn (alpha > 0) and whose position (x - C + col, y - C + row) lies inside
// w x h. visit(source, target, stamp) receives the pixels of both pictures
// there and the scratch pixel; scoring reads them in place.
template <typename Visit>
void ForEachStampPixel(const StampScratch& scratch, const ScratchWindow& window, StampLattice lattice,
                       uint32_t* const* sourceRows, uint32_t* const* targetRows, int w, int h, int x, int y,
                       Visit&& visit)
{
    const int C = scratch.center();
    const int step = std::max(1, lattice.step);
    const SkIRect drawn = scratch.drawnBounds();
    auto first = [&](int from) {
        const int m = ((from - lattice.origin) % step + step) % step;
        return m == 0 ? from : from + (step - m);
    };
    const int r0 = first(std::max({window.row0, drawn.top, C - y}));
    const int r1 = std::min({window.row1, drawn.bottom - 1, h - 1 - y + C});
    const int c0 = first(std::max({window.col0, drawn.left, C - x}));
    const int c1 = std::min({window.col1, drawn.right - 1, w - 1 - x + C});
    for (int r = r0; r <= r1; r += step) {
        const uint32_t* sc = scratch.row(r);
        const uint32_t* src = sourceRows[y - C + r] + (x - C);
        const uint32_t* dst = targetRows[y - C + r] + (x - C);
        for (int c = c0; c <= c1; c += step)
            if (sc[c] >> 24)
                visit(src[c], dst[c], sc[c]);
    }
}

// Lays the window of the scratch onto the target with its centre at (x, y):
// scratch pixel (row, col) goes to (x - C + col, y - C + row) when that lies
// inside the target; transparent scratch pixels change nothing.
void CompositeStamp(const StampScratch& scratch, const ScratchWindow& window, uint32_t* const* targetRows,
                    int targetW, int targetH, int x, int y);

// Raised-edge shading of the drawn stroke, in place, inside the window (kept
// one pixel inside the scratch): colour bytes move towards white where the
// stamp's alpha rises to the right or upwards and darken where it rises to
// the left or downwards, within a diamond of radius 3/4 of `size` around the
// centre, fading with the square of the distance.
void ApplyBrushRelief(StampScratch& scratch, int size, const ScratchWindow& window, int strength);

} // namespace pv
