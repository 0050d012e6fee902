#pragma once
// Contour lines: an edge detector of the Canny family (luminance of a slightly
// blurred copy, Sobel gradients, non-maximum suppression, a double threshold
// that also follows the local mean gradient, hysteresis, removal of short
// chains) and, separately, the drawing of the surviving edge pixels as
// anti-aliased dots into a byte mask of line darkness (0 = no line, 255 = full
// line). Crosshatch and Gouache use the mask as it is; Comic print and Cartoon
// run the same detector with their own settings and dots.

#include "engine/Effect.h"
#include "platform/system/LargeBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace pv {

// The double threshold derived from the contour strength.
struct ContourThresholds {
    int High = 0;
    int Low = 0;
    float RelativeHigh = 0; // times the local mean magnitude
    float RelativeLow = 0;
};
// High 800 at strength 0, 200 at 50, 20 (its floor) from 100 on; low = 3 high div 10.
ContourThresholds ContourThresholdsFor(int Strength);

struct ContourSettings {
    int Strength = 50;      // thresholds and relative factors
    float BlurSigma = 1.0f; // Gaussian blur with clamped edges before the luminance
    int WindowRadius = 6;   // half-side of the local-mean window
    int ShortestChain = 4;  // chains with fewer pixels are dropped
};

// Pixel labels of the extraction; after it only None and Line remain.
enum ContourLabel : uint8_t {
    kContourNone = 0,
    kContourWeak = 1,
    kContourStrong = 2,
    kContourLine = 3,
    kContourVisited = 255,
};

// What the extraction leaves for the drawing: the gradients (the magnitude of
// a pixel is |gx| + |gy|) and the line pixels.
struct ContourEdges {
    int Width = 0;
    int Height = 0;
    ContourThresholds Thresholds;
    LargeBuffer<int16_t> Gx, Gy;
    LargeBuffer<uint8_t> Labels; // kContourLine on line pixels, else kContourNone

    bool empty() const { return Width == 0 || Height == 0; }
    size_t index(int x, int y) const { return size_t(y) * size_t(Width) + size_t(x); }
    int magnitude(size_t i) const { return std::abs(int(Gx[i])) + std::abs(int(Gy[i])); }
    bool isLine(int x, int y) const { return Labels[index(x, y)] == kContourLine; }
};

// Finds the contour pixels of the picture. Pictures narrower or lower than 3
// pixels give an empty result. Checks for cancellation after the gradients and
// after the hysteresis.
ContourEdges ExtractContourEdges(const ISkImage& Source, const ContourSettings& settings);

// How line pixels become dots in the mask.
struct ContourLineStyle {
    // intensity = Term + (m * Slope) div max(1, high threshold) + Offset, then
    // (when Scaled) times ScaleA times ScaleB in single precision and rounded,
    // else times Percent / 100 and rounded; at most 255, and nothing is drawn
    // at 0 or below.
    int64_t Term = 0;
    int Slope = 175;
    int Offset = 20;
    bool Scaled = false;
    float ScaleA = 1.0f;
    float ScaleB = 1.0f;
    int Percent = 100;
    // Thickness Base, raised up to Greatest where the edge bends; 0 draws a
    // one-pixel dot with a halo, a negative thickness nothing.
    int BaseThickness = 0;
    int GreatestThickness = 1;
    bool ShiftTowardDark = false; // centre one pixel against the gradient
    double EdgeHalo = 0.4;        // share of the intensity on the four edge neighbours
    double DiagonalHalo = 0.12;   // and on the four diagonal ones
    float DiscReach = 0.5f;       // a thick dot covers distances up to thickness + DiscReach
};

// Thick dots are limited to this radius, whatever a script asks for: the
// thickest line any effect draws (Comic print's 12 plus half of it for bends).
constexpr int kMaxContourThickness = 18;

// Thickness of a dot given the bending measure V of its pixel.
int ContourDotThickness(int base, int greatest, float bending);

// Draws every line pixel into the mask (Width x Height bytes) by maximum, so
// the order of drawing does not matter.
void DrawContourLines(const ContourEdges& edges, const ContourLineStyle& style, uint8_t* mask);

// The settings and dots of the plain contour-line mask.
struct ContourMaskValues {
    ContourSettings Settings;
    ContourThresholds Thresholds;
    ContourLineStyle Style;
    float StrengthScale = 0;
    float WeightScale = 0;
};
ContourMaskValues ContourMaskValuesFor(int Width, int Height, int Strength, int Weight);

// The mask of dark contour lines of Source (Width x Height, the picture's own
// size): Strength 0..100 (more and darker lines), Weight 0..100 (thicker,
// darker lines). The mask gets Width x Height entries; it stays all zero for
// pictures smaller than 3 x 3.
void BuildContourLineMask(const ISkImage& Source, int Width, int Height, int Strength, int Weight,
                          std::vector<uint8_t>& Mask);

} // namespace pv
