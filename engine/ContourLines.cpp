// Contour lines: the edge detector and the dots that draw its lines.
//
// Working planes stay small and short-lived: the gradients are 16-bit (a
// Sobel of 8-bit luminance never exceeds 1020), the magnitude is |gx| + |gy|
// recomputed where needed, the local means come from one row of running column
// sums instead of a 64-bit table, and every plane is released as soon as the
// next step no longer reads it.

#include "engine/ContourLines.h"

#include "engine/PixelPlanes.h"
#include "platform/graphics/SkImageFilter.h"
#include "platform/system/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pv {
namespace {

// m >= Round(v), also for products of script-sized factors beyond the int range.
inline bool AtLeastRounded(int m, float v) { return double(m) >= std::nearbyint(double(v)); }

// Luminance of a blurred pixel; transparent parts read as black.
inline uint8_t ContourLuminance(uint32_t p)
{
    const uint32_t a = p >> 24;
    if (a == 0)
        return 0;
    if (a == 255)
        return uint8_t(Luma1000(p));
    const float k = 255.0f / float(a);
    const float r = std::min(255.0f, float((p >> 16) & 0xFF) * k);
    const float g = std::min(255.0f, float((p >> 8) & 0xFF) * k);
    const float b = std::min(255.0f, float(p & 0xFF) * k);
    return uint8_t(std::clamp(Round(0.299 * r + 0.587 * g + 0.114 * b), 0, 255));
}

LargeBuffer<uint8_t> LuminancePlane(const ISkImage& source, float sigma)
{
    const ISkImage blurred = BlurImage(source, sigma, sigma, SkTileMode::kClamp);
    SkPixmap pm;
    if (!blurred || !blurred->peekPixels(pm))
        return {};
    const int w = pm.width, h = pm.height;
    LargeBuffer<uint8_t> luma(size_t(w) * size_t(h));
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = pm.row(y);
            uint8_t* o = luma.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                o[x] = ContourLuminance(s[x]);
        }
    }, 16);
    return luma;
}

// Non-maximum suppression and the double threshold, band by band: each band
// keeps its own running window sums, so the labels do not depend on how the
// rows are split.
void ClassifyEdges(ContourEdges& e, int radius)
{
    const int w = e.Width, h = e.Height;
    const int16_t* gx = e.Gx.data();
    const int16_t* gy = e.Gy.data();
    uint8_t* labels = e.Labels.data();
    const ContourThresholds t = e.Thresholds;
    const size_t W = size_t(w);
    auto mag = [gx, gy, W](int x, int y) {
        const size_t i = size_t(y) * W + size_t(x);
        return std::abs(int(gx[i])) + std::abs(int(gy[i]));
    };
    const int rows = h - 2;
    const int band = std::max(64, rows / (4 * std::max(1, SharedPoolWorkers())));
    const int bands = (rows + band - 1) / band;
    ParallelForRange(0, bands, [&](int lo, int hi) {
        for (int b = lo; b < hi; ++b) {
            const int top = 1 + b * band, bottom = std::min(h - 1, top + band);
            ClippedWindowSums sums(w, h, radius, top, mag);
            for (int y = top; y < bottom; ++y) {
                if (y > top)
                    sums.advance();
                for (int x = 1; x < w - 1; ++x) {
                    const size_t i = size_t(y) * W + size_t(x);
                    const int ax = std::abs(int(gx[i])), ay = std::abs(int(gy[i]));
                    const int m = ax + ay;
                    if (m < t.Low)
                        continue;
                    int n1, n2;
                    if (ax == 0) {
                        n1 = mag(x, y - 1), n2 = mag(x, y + 1);
                    } else if (ay == 0) {
                        n1 = mag(x - 1, y), n2 = mag(x + 1, y);
                    } else {
                        const int r = ay * 1000 / ax;
                        if (r < 414)
                            n1 = mag(x - 1, y), n2 = mag(x + 1, y);
                        else if (r > 2414)
                            n1 = mag(x, y - 1), n2 = mag(x, y + 1);
                        else if (int(gx[i]) * int(gy[i]) > 0)
                            n1 = mag(x - 1, y - 1), n2 = mag(x + 1, y + 1);
                        else
                            n1 = mag(x + 1, y - 1), n2 = mag(x - 1, y + 1);
                    }
                    if (m < n1 || m < n2)
                        continue;
                    const float mean = float(sums.sum(x) / sums.count(x));
                    if (m >= t.High && AtLeastRounded(m, mean * t.RelativeHigh))
                        labels[i] = kContourStrong;
                    else if (AtLeastRounded(m, mean * t.RelativeLow))
                        labels[i] = kContourWeak;
                }
            }
        }
    });
}

// Hysteresis by 8-connected flood fill from every strong pixel, dropping the
// chains shorter than `shortest`. Only the first `shortest` pixels of a chain
// are remembered: a chain that reaches that length is kept whole, so its
// pixels only need their final label, given in one pass at the end.
void TraceChains(ContourEdges& e, int shortest)
{
    const int w = e.Width, h = e.Height;
    uint8_t* labels = e.Labels.data();
    const size_t n = size_t(w) * size_t(h);
    // A picture holds fewer than 2^32 pixels (a raster stays below 2^31 bytes).
    std::vector<uint32_t> stack;
    std::vector<uint32_t> chain;
    for (size_t start = 0; start < n; ++start) {
        if (labels[start] != kContourStrong)
            continue;
        labels[start] = kContourVisited;
        stack.push_back(uint32_t(start));
        chain.clear();
        size_t length = 0;
        while (!stack.empty()) {
            const uint32_t i = stack.back();
            stack.pop_back();
            if (length < size_t(shortest))
                chain.push_back(i);
            ++length;
            const int x = int(i % size_t(w)), y = int(i / size_t(w));
            for (int dy = -1; dy <= 1; ++dy) {
                const int yy = y + dy;
                if (yy < 0 || yy >= h)
                    continue;
                for (int dx = -1; dx <= 1; ++dx) {
                    const int xx = x + dx;
                    if ((dx == 0 && dy == 0) || xx < 0 || xx >= w)
                        continue;
                    const size_t j = size_t(yy) * size_t(w) + size_t(xx);
                    if (labels[j] == kContourWeak || labels[j] == kContourStrong) {
                        labels[j] = kContourVisited;
                        stack.push_back(uint32_t(j));
                    }
                }
            }
        }
        if (length < size_t(shortest))
            for (const uint32_t i : chain)
                labels[i] = kContourNone;
    }
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (size_t i = size_t(lo) * size_t(w); i < size_t(hi) * size_t(w); ++i)
            labels[i] = labels[i] == kContourVisited ? kContourLine : kContourNone;
    }, 16);
}

// Coverage of a thick dot, row-major over the square of half-side
// floor(t + reach): min(1, t + reach - d), or -1 outside the disc.
std::vector<float> DiscWeights(int t, float reach)
{
    const int half = int(std::floor(float(t) + reach));
    const int side = 2 * half + 1;
    std::vector<float> weights(size_t(side) * size_t(side));
    for (int dy = -half; dy <= half; ++dy)
        for (int dx = -half; dx <= half; ++dx) {
            const float d = std::sqrt(float(dx * dx + dy * dy));
            const float limit = float(t) + reach;
            weights[size_t(dy + half) * size_t(side) + size_t(dx + half)] = d <= limit ? std::min(1.0f, limit - d) : -1.0f;
        }
    return weights;
}

inline void MaxInto(uint8_t& v, int value)
{
    if (value > v)
        v = uint8_t(value);
}

} // namespace

ContourThresholds ContourThresholdsFor(int Strength)
{
    const double s = Strength;
    double high = s <= 50 ? 800.0 - 12.0 * s : std::max(20.0, 200.0 - 3.6 * (s - 50.0));
    // No magnitude reaches 2040; larger thresholds all mean "no edges".
    high = std::min(high, 1e6);
    ContourThresholds t;
    t.High = Round(high);
    t.Low = 3 * t.High / 10;
    t.RelativeHigh = 3.5f - 0.02f * float(Strength);
    t.RelativeLow = t.RelativeHigh / 2.0f;
    return t;
}

ContourEdges ExtractContourEdges(const ISkImage& Source, const ContourSettings& settings)
{
    ContourEdges e;
    if (!Source || Source->width() < 3 || Source->height() < 3)
        return e;
    const int w = Source->width(), h = Source->height();
    const size_t n = size_t(w) * size_t(h);
    {
        LargeBuffer<uint8_t> luma = LuminancePlane(Source, settings.BlurSigma);
        if (luma.empty())
            return e;
        e.Gx = LargeBuffer<int16_t>(n);
        e.Gy = LargeBuffer<int16_t>(n);
        SobelGradients(luma.data(), w, h, e.Gx.data(), e.Gy.data());
    }
    e.Width = w;
    e.Height = h;
    e.Thresholds = ContourThresholdsFor(settings.Strength);
    CheckCancellation();

    e.Labels = LargeBuffer<uint8_t>(n);
    ClassifyEdges(e, settings.WindowRadius);
    TraceChains(e, std::max(0, settings.ShortestChain));
    CheckCancellation();
    return e;
}

int ContourDotThickness(int base, int greatest, float bending)
{
    if (base > 0 && bending > 0.35f && bending < 1.5f)
        return std::min(greatest, base + Round((bending - 0.35f) * float(base) * 1.5f));
    return base;
}

void DrawContourLines(const ContourEdges& edges, const ContourLineStyle& style, uint8_t* mask)
{
    if (edges.empty() || !mask)
        return;
    const int w = edges.Width, h = edges.Height;
    const int greatest = std::clamp(style.GreatestThickness, 0, kMaxContourThickness);
    const int base = std::min(style.BaseThickness, greatest);
    if (base < 0)
        return; // negative thickness draws nothing, and it never grows
    std::vector<std::vector<float>> discs(size_t(greatest) + 1);
    for (int t = 1; t <= greatest; ++t)
        discs[size_t(t)] = DiscWeights(t, style.DiscReach);
    const int highDiv = std::max(1, edges.Thresholds.High);
    const int16_t* gx = edges.Gx.data();
    const int16_t* gy = edges.Gy.data();

    // Bands of rows, each drawing every dot that can reach it but writing
    // only its own rows: the maximum makes the result independent of the split.
    const int reach = int(std::floor(float(greatest) + style.DiscReach)) + 1 + (style.ShiftTowardDark ? 1 : 0);
    const int band = std::max(32, h / (4 * std::max(1, SharedPoolWorkers())));
    const int bands = (h + band - 1) / band;
    ParallelForRange(0, bands, [&](int lo, int hi) {
        for (int b = lo; b < hi; ++b) {
            const int top = b * band, bottom = std::min(h, top + band);
            auto put = [&](int px, int py, int value) {
                if (px >= 0 && px < w && py >= top && py < bottom)
                    MaxInto(mask[size_t(py) * size_t(w) + size_t(px)], value);
            };
            for (int y = std::max(0, top - reach); y < std::min(h, bottom + reach); ++y) {
                for (int x = 0; x < w; ++x) {
                    const size_t i = edges.index(x, y);
                    if (edges.Labels[i] != kContourLine)
                        continue;
                    const int m = edges.magnitude(i);
                    const int64_t raw = style.Term + int64_t(m) * style.Slope / highDiv + style.Offset;
                    int intensity;
                    if (style.Scaled) {
                        const float v = float(raw) * style.ScaleA * style.ScaleB;
                        intensity = v >= 255.0f ? 255 : (v > 0.0f ? Round(v) : 0); // NaN draws nothing
                    } else if (style.Percent != 100) {
                        const double v = double(raw) * style.Percent / 100.0;
                        intensity = v >= 255.0 ? 255 : (v <= 0.0 ? 0 : Round(v));
                    } else {
                        intensity = int(std::clamp<int64_t>(raw, std::numeric_limits<int>::min(), 255));
                    }
                    if (intensity <= 0)
                        continue;
                    int t = base;
                    if (base > 0) {
                        int64_t diff = 0;
                        for (int dy = -1; dy <= 1; ++dy)
                            for (int dx = -1; dx <= 1; ++dx) {
                                const int xx = x + dx, yy = y + dy;
                                if (xx < 0 || yy < 0 || xx >= w || yy >= h)
                                    continue;
                                const size_t j = edges.index(xx, yy);
                                diff += std::abs(gx[j] - gx[i]) + std::abs(gy[j] - gy[i]);
                            }
                        const float bending = float(diff) / float(std::max(1, 9 * m));
                        t = ContourDotThickness(base, greatest, bending);
                    }
                    int cx = x, cy = y;
                    if (style.ShiftTowardDark) {
                        cx = std::clamp(x - (gx[i] > 0) + (gx[i] < 0), 0, w - 1);
                        cy = std::clamp(y - (gy[i] > 0) + (gy[i] < 0), 0, h - 1);
                    }
                    if (t == 0) {
                        put(cx, cy, intensity);
                        const int edge = Round(style.EdgeHalo * intensity);
                        const int diag = Round(style.DiagonalHalo * intensity);
                        put(cx - 1, cy, edge), put(cx + 1, cy, edge), put(cx, cy - 1, edge), put(cx, cy + 1, edge);
                        put(cx - 1, cy - 1, diag), put(cx + 1, cy - 1, diag), put(cx - 1, cy + 1, diag),
                            put(cx + 1, cy + 1, diag);
                        continue;
                    }
                    const std::vector<float>& disc = discs[size_t(t)];
                    const int half = int(std::floor(float(t) + style.DiscReach));
                    const int side = 2 * half + 1;
                    const int y0 = std::max(cy - half, top), y1 = std::min(cy + half, bottom - 1);
                    for (int py = y0; py <= y1; ++py) {
                        const float* wrow = disc.data() + size_t(py - cy + half) * size_t(side);
                        uint8_t* mrow = mask + size_t(py) * size_t(w);
                        for (int px = std::max(0, cx - half); px <= std::min(w - 1, cx + half); ++px) {
                            const float f = wrow[px - cx + half];
                            if (f >= 0)
                                MaxInto(mrow[px], Round(float(intensity) * f));
                        }
                    }
                }
            }
        }
    });
}

ContourMaskValues ContourMaskValuesFor(int Width, int Height, int Strength, int Weight)
{
    ContourMaskValues v;
    const int shortSide = std::min(Width, Height);
    v.Settings.Strength = Strength;
    v.Settings.BlurSigma = 1.0f;
    v.Settings.ShortestChain = std::max(4, shortSide / 300);
    v.Settings.WindowRadius = std::clamp(shortSide / 120, 6, 14);
    v.Thresholds = ContourThresholdsFor(Strength);
    v.StrengthScale = float(Strength) / 100.0f * 0.7f + 0.3f;
    v.WeightScale = float(Weight) / 100.0f * 0.4f + 0.6f;

    ContourLineStyle& s = v.Style;
    s.Term = Strength / 5;
    s.Slope = 175;
    s.Offset = 20;
    s.Scaled = true;
    s.ScaleA = v.StrengthScale;
    s.ScaleB = v.WeightScale;
    const int64_t base = Round64(0.03 * double(Weight));
    s.BaseThickness = int(std::clamp<int64_t>(base, -1, kMaxContourThickness));
    s.GreatestThickness = std::min<int>(kMaxContourThickness, s.BaseThickness + std::max(1, s.BaseThickness / 2));
    s.ShiftTowardDark = true;
    s.EdgeHalo = 0.4;
    s.DiagonalHalo = 0.12;
    s.DiscReach = 0.5f;
    return v;
}

void BuildContourLineMask(const ISkImage& Source, int Width, int Height, int Strength, int Weight,
                          std::vector<uint8_t>& Mask)
{
    const size_t n = size_t(std::max(0, Width)) * size_t(std::max(0, Height));
    Mask.assign(n, 0);
    if (Width < 3 || Height < 3 || !Source || Source->width() != Width || Source->height() != Height)
        return;
    const ContourMaskValues v = ContourMaskValuesFor(Width, Height, Strength, Weight);
    const ContourEdges edges = ExtractContourEdges(Source, v.Settings);
    DrawContourLines(edges, v.Style, Mask.data());
}

} // namespace pv
