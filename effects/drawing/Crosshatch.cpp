// Crosshatch renders the picture as pen hatching: six layers of short strokes
// on jittered grids, each layer only where the picture is darker than its
// tone, each at its own angle to a smoothed direction field that follows the
// picture's structure, so light areas stay white and dark areas collect up to
// six crossing layers. Strokes stop where the tone changes and multiply onto
// the paper in near-black; contour lines are darkened in at the end. A private
// generator with a fixed seed makes every run of a picture the same.

#include "effects/drawing/Crosshatch.h"

#include "engine/StraightColour.h"
#include "engine/ContourLines.h"
#include "engine/PixelPlanes.h"
#include "platform/graphics/SkImageFilter.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace pv {

const std::array<CrosshatchLayer, 6> kCrosshatchLayers = {{
    {0.0f, 0.84f, 1.00f},
    {90.0f, 0.60f, 1.00f},
    {45.0f, 0.43f, 1.05f},
    {135.0f, 0.28f, 0.92f},
    {20.0f, 0.15f, 0.80f},
    {110.0f, 0.06f, 0.72f},
}};

namespace {

constexpr uint8_t kInk = 18;
// Strokes are rasterised in bands of rows, in parallel; every band applies
// its strokes in their original order, so the picture does not depend on
// the number of threads.
constexpr int kBandRows = 64;

// One stroke: a polyline of three points, its half width and the share of
// the paper it darkens at full coverage.
struct Stroke {
    float x[3], y[3];
    float halfWidth;
    float darken; // alpha * (1 - 18 / 255): the Multiply of near-black onto opaque paper
    float top, bottom;
};

inline float SegmentDistanceSquared(float px, float py, float ax, float ay, float bx, float by)
{
    const float dx = bx - ax, dy = by - ay;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float ex = ax + t * dx - px, ey = ay + t * dy - py;
    return ex * ex + ey * ey;
}

// x-range of the pixel centres of row centre `cy` within `reach` of segment a-b.
inline void SegmentRowSpan(float cy, float ax, float ay, float bx, float by, float reach, float& lo, float& hi)
{
    const float minX = std::min(ax, bx) - reach, maxX = std::max(ax, bx) + reach;
    const float dx = bx - ax, dy = by - ay;
    const float len = std::sqrt(dx * dx + dy * dy);
    if (len > 1e-6f && std::abs(dy) > 1e-3f * len) {
        const float xc = ax + (cy - ay) * dx / dy;
        const float half = reach * len / std::abs(dy);
        lo = std::max(minX, xc - half);
        hi = std::min(maxX, xc + half);
    } else {
        lo = minX;
        hi = maxX;
    }
}

// Multiplies one stroke onto the opaque rows [top, bottom) of the raster:
// coverage falls off linearly over the last half pixel of the round-capped
// outline.
void DrawStroke(const Stroke& s, const SkPixmap& pm, int top, int bottom)
{
    const float reach = s.halfWidth + 0.5f;
    const int y0 = std::max(top, int(std::floor(s.top - reach)));
    const int y1 = std::min(bottom - 1, int(std::ceil(s.bottom + reach)));
    for (int y = y0; y <= y1; ++y) {
        const float cy = float(y) + 0.5f;
        float lo1, hi1, lo2, hi2;
        SegmentRowSpan(cy, s.x[0], s.y[0], s.x[1], s.y[1], reach, lo1, hi1);
        SegmentRowSpan(cy, s.x[1], s.y[1], s.x[2], s.y[2], reach, lo2, hi2);
        const int x0 = std::max(0, int(std::floor(std::min(lo1, lo2) - 0.5f)));
        const int x1 = std::min(pm.width - 1, int(std::ceil(std::max(hi1, hi2) - 0.5f)));
        uint32_t* row = pm.row(y);
        for (int x = x0; x <= x1; ++x) {
            const float cx = float(x) + 0.5f;
            const float d2 = std::min(SegmentDistanceSquared(cx, cy, s.x[0], s.y[0], s.x[1], s.y[1]),
                                      SegmentDistanceSquared(cx, cy, s.x[1], s.y[1], s.x[2], s.y[2]));
            if (d2 >= reach * reach)
                continue;
            const float coverage = std::min(1.0f, reach - std::sqrt(d2));
            const float keep = 1.0f - coverage * s.darken;
            const uint32_t p = row[x];
            auto ch = [keep](uint32_t c) { return uint32_t(float(c) * keep + 0.5f); };
            row[x] = (p & 0xFF000000u) | ch((p >> 16) & 0xFF) << 16 | ch((p >> 8) & 0xFF) << 8 | ch(p & 0xFF);
        }
    }
}

void DrawStrokes(const std::vector<Stroke>& strokes, const SkPixmap& pm)
{
    const int bands = (pm.height + kBandRows - 1) / kBandRows;
    std::vector<std::vector<uint32_t>> perBand(static_cast<size_t>(bands));
    for (size_t i = 0; i < strokes.size(); ++i) {
        const Stroke& s = strokes[i];
        const float reach = s.halfWidth + 1.0f;
        const int b0 = std::max(0, int(std::floor(s.top - reach)) / kBandRows);
        const int b1 = std::min(bands - 1, int(std::max(0.0f, std::ceil(s.bottom + reach))) / kBandRows);
        for (int b = b0; b <= b1; ++b)
            perBand[size_t(b)].push_back(uint32_t(i));
    }
    ParallelFor(0, bands, [&](int b) {
        const int top = b * kBandRows, bottom = std::min(pm.height, top + kBandRows);
        for (const uint32_t i : perBand[size_t(b)])
            DrawStroke(strokes[i], pm, top, bottom);
    });
}

// Distance a stroke may run from (x, y) along (dx, dy) before it leaves the
// picture or its tone differs from k by more than 0.16.
float TraceStrokeLength(const float* tone, int w, int h, float x, float y, float dx, float dy, float maximum, float k)
{
    for (float d = 1.5f; d <= maximum; d += 1.5f) {
        const int sx = Round(x + dx * d), sy = Round(y + dy * d);
        if (sx < 0 || sy < 0 || sx >= w || sy >= h ||
            std::abs(tone[size_t(sy) * size_t(w) + size_t(sx)] - k) > 0.16f)
            return d - 1.5f;
    }
    return maximum;
}

// The strokes of one layer, drawn from the generator in the fixed order.
std::vector<Stroke> LayerStrokes(int L, const CrosshatchValues& v, const float* tone, const float* theta, int w, int h,
                                 CrosshatchRandom& rng)
{
    const CrosshatchLayer& layer = kCrosshatchLayers[size_t(L)];
    const float s = std::max(1.6f, v.Spacing * layer.SpacingFactor);
    const float J = v.Jitter;
    std::vector<Stroke> strokes;
    for (float gy = s / 2.0f; gy < float(h); gy += s) {
        for (float gx = s / 2.0f; gx < float(w); gx += s) {
            const float px = gx + (rng.next() - 0.5f) * s * (0.9f * J + 0.7f);
            const float py = gy + (rng.next() - 0.5f) * s * (0.9f * J + 0.7f);
            const int ix = Round(px), iy = Round(py);
            if (ix < 0 || iy < 0 || ix >= w || iy >= h)
                continue;
            const size_t i = size_t(iy) * size_t(w) + size_t(ix);
            const float k = tone[i];
            if (!(layer.Threshold + (rng.next() - 0.5f) * 0.07f > k))
                continue;
            const float a = layer.AngleDegrees * 0.0174533f + 0.2f * std::sin(0.012f * px + 0.015f * py + float(L));
            const float ts = theta[i] + a + (rng.next() - 0.5f) * (0.55f * J + 0.1f);
            const float half = v.StrokeLength * (rng.next() * (0.6f * J + 0.85f) + 0.28f) * 0.5f;
            const float c = std::cos(ts), sn = std::sin(ts);
            const float back = TraceStrokeLength(tone, w, h, px, py, -c, -sn, half, k);
            const float forward = TraceStrokeLength(tone, w, h, px, py, c, sn, half, k);
            if (back + forward < 1.5f)
                continue;
            const float a0 = std::min(0.9f, (layer.Threshold - k) / (layer.Threshold + 0.001f) * 0.46f + 0.28f);
            const float width = v.StrokeWidth * (rng.next() * 0.6f + 0.8f);
            const float bend = (rng.next() - 0.5f) * (v.StrokeWidth + (back + forward) * 0.09f) * (J + 0.4f);
            Stroke st;
            st.x[0] = px - c * back, st.y[0] = py - sn * back;
            st.x[1] = px - sn * bend, st.y[1] = py + c * bend;
            st.x[2] = px + c * forward, st.y[2] = py + sn * forward;
            st.halfWidth = width / 2.0f;
            st.darken = float(Round(a0 * 255.0f)) / 255.0f * (1.0f - float(kInk) / 255.0f);
            st.top = std::min({st.y[0], st.y[1], st.y[2]});
            st.bottom = std::max({st.y[0], st.y[1], st.y[2]});
            strokes.push_back(st);
        }
    }
    return strokes;
}

void BoxBlurRows(float* plane, int w, int h, int r)
{
    ParallelForRange(0, h, [&](int lo, int hi) {
        std::vector<float> line(static_cast<size_t>(w));
        for (int y = lo; y < hi; ++y) {
            float* p = plane + size_t(y) * size_t(w);
            std::copy_n(p, w, line.begin());
            float sum = 0;
            int count = 0;
            for (int j = 0; j <= std::min(r, w - 1); ++j, ++count)
                sum += line[size_t(j)];
            for (int i = 0; i < w; ++i) {
                p[i] = sum / float(count);
                if (i + 1 + r < w)
                    sum += line[size_t(i + 1 + r)], ++count;
                if (i - r >= 0)
                    sum -= line[size_t(i - r)], --count;
            }
        }
    }, 8);
}

// Columns in blocks: every column keeps its own running sum, so the
// arithmetic is that of a column walked on its own.
void BoxBlurColumns(float* plane, int w, int h, int r)
{
    constexpr int kBlock = 256;
    ParallelForRange(0, (w + kBlock - 1) / kBlock, [&](int lo, int hi) {
        std::vector<float> sums(kBlock);
        std::vector<float> column(size_t(h) * kBlock);
        for (int b = lo; b < hi; ++b) {
            const int x0 = b * kBlock, n = std::min(kBlock, w - x0);
            for (int y = 0; y < h; ++y)
                std::copy_n(plane + size_t(y) * size_t(w) + size_t(x0), n, column.begin() + std::ptrdiff_t(y) * kBlock);
            std::fill(sums.begin(), sums.end(), 0.0f);
            int count = 0;
            for (int j = 0; j <= std::min(r, h - 1); ++j, ++count)
                for (int x = 0; x < n; ++x)
                    sums[size_t(x)] += column[size_t(j) * kBlock + size_t(x)];
            for (int i = 0; i < h; ++i) {
                float* out = plane + size_t(i) * size_t(w) + size_t(x0);
                const float c = float(count);
                for (int x = 0; x < n; ++x)
                    out[x] = sums[size_t(x)] / c;
                if (i + 1 + r < h) {
                    const float* in = column.data() + size_t(i + 1 + r) * kBlock;
                    for (int x = 0; x < n; ++x)
                        sums[size_t(x)] += in[x];
                    ++count;
                }
                if (i - r >= 0) {
                    const float* in = column.data() + size_t(i - r) * kBlock;
                    for (int x = 0; x < n; ++x)
                        sums[size_t(x)] -= in[x];
                    --count;
                }
            }
        }
    });
}

// The direction field: θ along the edges of the smoothed structure tensor.
LargeBuffer<float> DirectionField(const float* tone, int w, int h, int radius)
{
    const size_t n = size_t(w) * size_t(h);
    LargeBuffer<float> jxx(n), jxy(n), jyy(n);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const float* up = tone + size_t(std::max(y - 1, 0)) * size_t(w);
            const float* down = tone + size_t(std::min(y + 1, h - 1)) * size_t(w);
            const float* row = tone + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const float gx = row[std::min(x + 1, w - 1)] - row[std::max(x - 1, 0)];
                const float gy = down[x] - up[x];
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                jxx[i] = gx * gx, jxy[i] = gx * gy, jyy[i] = gy * gy;
            }
        }
    }, 16);
    for (float* plane : {jxx.data(), jxy.data(), jyy.data()})
        BoxBlurField(plane, w, h, radius);
    CheckCancellation();
    const float bias = 0.0007f, biasX = 0.0007f * std::cos(2.0f * 0.7853982f);
    LargeBuffer<float> theta(n);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (size_t i = size_t(lo) * size_t(w); i < size_t(hi) * size_t(w); ++i)
            theta[i] = 0.5f * std::atan2(2.0f * jxy[i] + bias, jxx[i] - jyy[i] + biasX) + 1.5707963f;
    }, 16);
    return theta;
}

} // namespace

CrosshatchValues CrosshatchValuesFor(int P1, int P3, int P4, int P5)
{
    CrosshatchValues v;
    v.Spacing = std::max(1.6f, 30.0f - float(P1) / 100.0f * 28.0f);
    v.ToneContrast = (float(P3) - 50.0f) / 50.0f;
    v.StrokeLength = float(P4) / 100.0f * 147.0f + 3.0f;
    // Script values: no negative widths, and wider strokes than 32 pixels
    // would only flood the paper more slowly.
    v.StrokeWidth = std::clamp(float(P5) / 100.0f * 3.2f + 0.3f, 0.0f, 32.0f);
    v.Jitter = 0.2f;
    v.SmoothingRadius = int(std::clamp(std::nearbyint(v.Spacing), 2.0f, 24.0f));
    return v;
}

float CrosshatchTone(uint32_t p, float t)
{
    const float u = (0.299f * float((p >> 16) & 0xFF) + 0.587f * float((p >> 8) & 0xFF) + 0.114f * float(p & 0xFF)) /
                    255.0f;
    float v = u + (0.45f * t + 0.5f) * (u * u * (3.0f - 2.0f * u) - u);
    v = (v - 0.5f) * (0.5f * t + 1.2f) + 0.5f;
    return std::clamp(v, 0.0f, 1.0f);
}

void BoxBlurField(float* plane, int w, int h, int radius)
{
    if (radius <= 0 || w <= 0 || h <= 0)
        return;
    BoxBlurRows(plane, w, h, radius);
    BoxBlurColumns(plane, w, h, radius);
}

void Crosshatch(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    if (!Source || !Dest)
        return;
    CheckCancellation();
    SkPixmap src;
    if (!Source->peekPixels(src) || !src.valid() || src.width < 2 || src.height < 2)
        return;
    const int w = src.width, h = src.height;
    const size_t W = size_t(w), n = W * size_t(h);
    const CrosshatchValues v = CrosshatchValuesFor(P1, P3, P4, P5);
    const LargeBuffer<uint8_t> alpha = AlphaPlane(src);
    CheckCancellation();

    LargeBuffer<float> tone(n);
    {
        const ISkImage blurred = BlurImage(Source, 1.0f, 1.0f, SkTileMode::kClamp);
        SkPixmap bp;
        if (!blurred || !blurred->peekPixels(bp))
            return;
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y)
                for (int x = 0; x < w; ++x)
                    tone[size_t(y) * W + size_t(x)] = CrosshatchTone(StraightPixel(bp.row(y)[x]), v.ToneContrast);
        }, 16);
    }
    ReportEffectProgress(Dest, Preview, 15);
    CheckCancellation();
    const LargeBuffer<float> theta = DirectionField(tone.data(), w, h, v.SmoothingRadius);
    ReportEffectProgress(Dest, Preview, 30);
    CheckCancellation();

    CanvasStart start;
    if (!Preview)
        start = StartEffectCanvas(Dest, CanvasStartOptions{ClearRule::White, false, kColorWhite, KeepMode::RecordOnly});
    if (!start.DoClear && !start.BaseImage)
        start.DoClear = true;
    const ISkSurface work = SkSurface::MakeRaster(w, h);
    SkPixmap paper;
    if (!work || !work->peekPixels(paper))
        throw std::bad_alloc();
    work->getCanvas()->clear(kColorWhite);
    if (!start.DoClear)
        work->getCanvas()->drawImage(start.BaseImage, 0, 0);

    CrosshatchRandom rng;
    for (int L = 0; L < 6; ++L) {
        DrawStrokes(LayerStrokes(L, v, tone.data(), theta.data(), w, h, rng), paper);
        const int pct = (L + 1) * 10 + 30;
        if (Preview)
            SafeUpdatePreview(work, pct);
        else
            QueueIntermediateResult(work->makeImageSnapshot(), pct);
        CheckCancellation();
    }

    std::vector<uint8_t> mask;
    if (P2 > 0)
        BuildContourLineMask(Source, w, h, P2, P5, mask);
    if (!Preview)
        SafeUpdateProgress(95);
    CheckCancellation();
    SkPixmap dst;
    if (!Dest->peekPixels(dst) || dst.width < w || dst.height < h)
        return;
    const bool grey = start.DoClear;
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* p = paper.row(y);
            uint32_t* d = dst.row(y);
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * W + size_t(x);
                if (alpha[i] < 10) {
                    d[x] = 0;
                    continue;
                }
                const uint32_t F = mask.empty() ? 0 : mask[i];
                uint32_t r = (p[x] >> 16) & 0xFF, g = (p[x] >> 8) & 0xFF, b = p[x] & 0xFF;
                auto ink = [F](uint32_t c) { return (c * (255 - F) + kInk * F) / 255; };
                if (grey) {
                    uint32_t gg = (r + g + b) / 3;
                    if (F > 0)
                        gg = ink(gg);
                    r = g = b = gg;
                } else if (F > 0) {
                    r = ink(r), g = ink(g), b = ink(b);
                }
                d[x] = 0xFF000000u | r << 16 | g << 8 | b;
            }
        }
    }, 16);
    if (!Preview)
        SafeUpdateProgress(100);
    ReportEffectFinished(Dest, Preview);
}

PV_REGISTER_EFFECT(103, Crosshatch);

} // namespace pv
