// Felt-tip pen imitates marker drawing: on a grid of sample points the
// picture's own colour, more saturated and lighter, is laid down as short flat
// strokes that multiply onto the paper, so overlapping strokes darken like
// marker ink. Strokes follow the edges where the picture has structure and a
// diagonal hatch elsewhere, and stop at edges and colour changes. Thin grey
// curves then trace the strong edges.

#include "effects/drawing/FeltTipPen.h"

#include "engine/PixelPlanes.h"
#include "engine/StraightColour.h"
#include "platform/graphics/PolygonFill.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pv {
namespace {

struct MarkerRun {
    const ISkSurface& dest;
    bool preview;
    int total;
    int counter = 0;

    void update()
    {
        ++counter;
        ReportEffectProgress(dest, preview, std::min(100, Round(double(counter) / total * 100.0)));
    }
};

// The Sobel gradients as the pen reads them: left minus right and top minus
// bottom, so the direction points along the edge.
struct Gradients {
    int w = 0, h = 0;
    LargeBuffer<int16_t> gx, gy; // the shared Sobel's orientation (right minus left)

    int magnitude(int x, int y) const
    {
        const size_t i = size_t(y) * size_t(w) + size_t(x);
        return std::abs(int(gx[i])) + std::abs(int(gy[i]));
    }
    float direction(int x, int y) const
    {
        const size_t i = size_t(y) * size_t(w) + size_t(x);
        const int px = -gx[i], py = -gy[i];
        if (px == 0 && py == 0)
            return 0.0f;
        return std::atan2(float(py), float(px)) + 1.5707f;
    }
};

// Returns false when the cancel flag stopped the pass.
bool ComputeGradients(const SkPixmap& src, Gradients& g, MarkerRun& run)
{
    const int w = src.width, h = src.height;
    const size_t n = size_t(w) * size_t(h);
    g.w = w;
    g.h = h;
    g.gx = LargeBuffer<int16_t>(n);
    g.gy = LargeBuffer<int16_t>(n);
    LargeBuffer<uint8_t> luma(n);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = src.row(y);
            uint8_t* o = luma.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                o[x] = uint8_t(Luma100(s[x]));
        }
    }, 16);
    // Blocks of ten rows, each ending at a progress row.
    const int block = 10 * std::max(1, h / 200);
    for (int y0 = 0; y0 < h; y0 += block) {
        if (UserCancelRequested())
            return false;
        const int y1 = std::min(h, y0 + block);
        SobelGradientRows(luma.data(), w, h, y0, y1, g.gx.data(), g.gy.data());
        for (int y = std::max(1, y0); y < std::min(y1, h - 1); ++y)
            if (y % 10 == 0)
                run.update();
    }
    return !UserCancelRequested();
}

inline int Channel(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }

// How far a stroke may run from (x, y) along (dx, dy) = +-(cos, sin).
int Reach(const SkPixmap& src, const Gradients& g, int x, int y, float c, float s, int steps, float length,
          bool testEdges, int edgeLimit, TAlphaColor colour)
{
    int count = 0;
    for (int i = 1; i <= steps; ++i) {
        const int px = x + Round(float(i) * c), py = y + Round(float(i) * s);
        if (px < 0 || py < 0 || px >= src.width || py >= src.height)
            break;
        if (testEdges && g.magnitude(px, py) > edgeLimit)
            break;
        if (float(i) > 0.2f * length) {
            const uint32_t p = src.at(px, py);
            const int diff = std::abs(Channel(p, 16) - ColorR(colour)) + std::abs(Channel(p, 8) - ColorG(colour)) +
                             std::abs(Channel(p, 0) - ColorB(colour));
            if (diff > 90)
                break;
        }
        ++count;
    }
    return count;
}

float RandomF() { return float(RandomFloat()); }

// Fills marker strokes straight into the destination's pixels: the polygon
// filler gives the exact coverage and the blend-mode code multiplies the ink
// in. Through the canvas, Qt hands every fill of more than about a hundred
// spans to its global thread pool when called from any other thread, which
// costs some 0.1 ms per stroke.
struct Stroke {
    SkPoint pts[4];
    uint32_t ink; // premultiplied
    float top, bottom;
};

class StrokeFiller {
public:
    // Draws the part of the stroke that lies in rows [bandTop, bandBottom).
    void fill(const SkPixmap& dst, const Stroke& s, int bandTop, int bandBottom)
    {
        float minX = s.pts[0].fX, maxX = minX;
        for (const SkPoint& p : s.pts)
            minX = std::min(minX, p.fX), maxX = std::max(maxX, p.fX);
        const int left = std::max(0, int(std::floor(minX)));
        const int right = std::min(dst.width, int(std::ceil(maxX)) + 1);
        const int top = std::max(bandTop, int(std::floor(s.top)));
        const int bottom = std::min(bandBottom, int(std::ceil(s.bottom)) + 1);
        if (right <= left || bottom <= top)
            return;
        const int w = right - left, h = bottom - top;
        if (scratch_.size() < size_t(w) * size_t(h))
            scratch_.resize(size_t(w) * size_t(h), 0u);
        coverage_.resize(size_t(w));
        const SkPixmap mask{reinterpret_cast<uint8_t*>(scratch_.data()), w, h, size_t(w) * 4};
        // Whole-pixel offsets keep the coordinates exact, so a stroke gets the
        // same coverage whichever band draws a row of it.
        float xy[8];
        for (int i = 0; i < 4; ++i) {
            xy[2 * i] = s.pts[i].fX - float(left);
            xy[2 * i + 1] = s.pts[i].fY - float(top);
        }
        // Opaque white over transparent: the alpha of the mask is the coverage.
        filler_.fill(mask, xy, 4, 0xFFFFFFFFu);
        for (int y = 0; y < h; ++y) {
            uint32_t* m = mask.row(y);
            int first = w, last = -1;
            for (int x = 0; x < w; ++x) {
                coverage_[size_t(x)] = uint8_t(m[x] >> 24);
                if (m[x] != 0) {
                    first = std::min(first, x);
                    last = x;
                    m[x] = 0;
                }
            }
            if (last >= first)
                BlendSpanConst(SkBlendMode::kMultiply, dst.row(top + y) + left + first, s.ink,
                               coverage_.data() + first, last - first + 1);
        }
    }

private:
    PolygonFiller filler_;
    std::vector<uint32_t> scratch_; // all zero between strokes
    std::vector<uint8_t> coverage_;
};

// Strokes are laid in batches: the random draws decide them one after the
// other, then a batch is drawn in parallel over fixed bands of rows, each band
// applying the strokes in their order, so every pixel sees the same sequence
// of multiplications as when the strokes are drawn one by one.
class StrokeBatch {
public:
    explicit StrokeBatch(const SkPixmap& dst) : dst_(dst) {}

    void add(const SkPoint (&pts)[4], TAlphaColor colour)
    {
        Stroke s{{pts[0], pts[1], pts[2], pts[3]}, PremultiplyColor(colour), pts[0].fY, pts[0].fY};
        for (const SkPoint& p : pts)
            s.top = std::min(s.top, p.fY), s.bottom = std::max(s.bottom, p.fY);
        if (!(s.top < s.bottom) || s.bottom < 0 || s.top >= float(dst_.height))
            return;
        strokes_.push_back(s);
        if (strokes_.size() >= 8192)
            flush();
    }

    void flush()
    {
        if (strokes_.empty())
            return;
        float top = strokes_[0].top, bottom = strokes_[0].bottom;
        for (const Stroke& s : strokes_)
            top = std::min(top, s.top), bottom = std::max(bottom, s.bottom);
        const int first = std::max(0, int(std::floor(top))) / kBandRows;
        const int last = std::min(dst_.height - 1, int(std::ceil(bottom))) / kBandRows;
        ParallelForRange(first, last + 1, [&](int lo, int hi) {
            StrokeFiller filler;
            for (int b = lo; b < hi; ++b) {
                const int bandTop = b * kBandRows, bandBottom = std::min(dst_.height, bandTop + kBandRows);
                for (const Stroke& s : strokes_)
                    if (s.bottom >= float(bandTop) - 1.0f && s.top < float(bandBottom) + 1.0f)
                        filler.fill(dst_, s, bandTop, bandBottom);
            }
        });
        strokes_.clear();
    }

private:
    static constexpr int kBandRows = 32;
    SkPixmap dst_;
    std::vector<Stroke> strokes_;
};

void DrawMarkerPass(const SkPixmap& src, const Gradients& g, const MarkerValues& v, const SkPixmap& dst,
                    MarkerRun& run)
{
    StrokeBatch batch(dst);
    const int w = src.width, h = src.height, step = v.GridStep;
    const int edgeLimit = std::max(v.EdgeThreshold, 50);
    // A stroke reaches past the picture after w + h steps, whatever its length.
    const int64_t stepLimit = int64_t(w) + h;
    for (int y = 0; y < h; y += step) {
        if (UserCancelRequested())
            break;
        run.update();
        for (int x = 0; x < w; x += step) {
            const uint32_t c = src.at(x, y);
            const int luma = Luma100(c);
            if (luma > 250)
                continue;
            if (RandomFloat() > 1.0 - luma / 400.0)
                continue;
            TAlphaColor colour = MarkerBoostColor(c);
            colour = MakeColor(uint8_t(v.StrokeAlpha), uint8_t(std::min(255, ColorR(colour) + 20)),
                               uint8_t(std::min(255, ColorG(colour) + 20)), uint8_t(std::min(255, ColorB(colour) + 20)));
            float theta;
            bool testEdges;
            if (g.magnitude(x, y) > 40) {
                theta = g.direction(x, y);
                testEdges = false;
            } else {
                theta = ((RandomF() - 0.5f) * 40.0f - 45.0f) * std::numbers::pi_v<float> / 180.0f;
                testEdges = true;
            }
            const float length = std::max(4.0f, float(v.Length) * (RandomF() * 1.2f + 0.8f));
            const int steps = int(std::min<int64_t>(Round64(double(length) * 0.5), stepLimit));
            const float cs = std::cos(theta), sn = std::sin(theta);
            int forward = Reach(src, g, x, y, cs, sn, steps, length, testEdges, edgeLimit, colour);
            int backward = Reach(src, g, x, y, -cs, -sn, steps, length, testEdges, edgeLimit, colour);
            if (forward + backward < 2)
                forward = backward = 2;
            const float width = std::max(1.5f, v.Width * (RandomF() * 0.4f + 0.8f));
            const float ox = float(x) + (RandomF() - 0.5f) * float(step) * 0.5f;
            const float oy = float(y) + (RandomF() - 0.5f) * float(step) * 0.5f;
            // The rectangle (-backward, -width/2) .. (forward, width/2) turned by theta about (ox, oy).
            const float hw = width * 0.5f;
            auto corner = [&](float u, float t) { return SkPoint{ox + u * cs - t * sn, oy + u * sn + t * cs}; };
            const SkPoint pts[4] = {corner(-float(backward), -hw), corner(float(forward), -hw),
                                    corner(float(forward), hw), corner(-float(backward), hw)};
            if (v.StrokeAlpha > 0)
                batch.add(pts, colour);
        }
    }
    batch.flush();
}

void DrawEdgePass(const SkPixmap& src, const Gradients& g, const MarkerValues& v, SkCanvas* canvas, MarkerRun& run)
{
    SkPaint paint;
    paint.antiAlias = true;
    paint.style = SkPaintStyle::kStroke;
    paint.blendMode = SkBlendMode::kMultiply;
    paint.cap = SkStrokeCap::kRound;
    paint.join = SkStrokeJoin::kRound;
    const int w = src.width, h = src.height;
    const float pi = std::numbers::pi_v<float>;
    for (int y = 2; y <= h - 3; y += 2) {
        if (UserCancelRequested())
            return;
        if (y % 20 == 0)
            run.update();
        for (int x = 2; x <= w - 3; x += 2) {
            const int m = g.magnitude(x, y);
            if (m <= v.EdgeThreshold)
                continue;
            const float s = std::min(1.0f, float(m - v.EdgeThreshold) / 250.0f);
            const int grey = std::clamp(Round(0.4 * Luma100(src.at(x, y))) + (Random(40) - 20), 10, 110);
            const int alpha = std::clamp(Round(8.0f * s) + Round(0.45 * v.EdgeValue) + 2, 3, 100);
            paint.color = MakeColor(uint8_t(alpha), uint8_t(grey), uint8_t(grey), uint8_t(grey));
            paint.strokeWidth = 0.5f * s + 0.5f;
            const int count = Round(float(v.EdgeStrokes) * s) + 1;
            const float theta = g.direction(x, y);
            const float length = std::max(3.0f, (0.7f * s + 0.3f) * 15.0f);
            const int ex = x + Round(std::cos(theta) * length * 0.5f);
            const int ey = y + Round(std::sin(theta) * length * 0.5f);
            if (ex < 2 || ex > w - 3 || ey < 2 || ey > h - 3)
                continue;
            float diff = std::abs(g.direction(ex, ey) - theta);
            if (diff > pi)
                diff = 2.0f * pi - diff;
            if (diff > 0.8f)
                continue;
            for (int k = 0; k < count; ++k) {
                const float jx = (RandomF() - 0.5f) * 1.5f;
                const float jy = (RandomF() - 0.5f) * 1.5f;
                const float len = length * (RandomF() * 0.3f + 0.7f);
                const float angle = theta + (RandomF() - 0.5f) * 0.2f;
                const float hx = std::cos(angle) * len * 0.5f, hy = std::sin(angle) * len * 0.5f;
                const float x0 = float(x) - hx + jx, y0 = float(y) - hy + jy;
                const float x1 = float(x) + hx + jx, y1 = float(y) + hy + jy;
                // A slightly bent line: the control point leans off the chord.
                const float bend = (RandomF() - 0.5f) * 3.0f;
                SkPath path;
                path.moveTo(x0, y0);
                path.quadTo((x0 + x1) / 2.0f - 0.1f * bend * (y1 - y0), (y0 + y1) / 2.0f + 0.1f * bend * (x1 - x0), x1,
                            y1);
                canvas->drawPath(path, paint);
            }
        }
    }
}

} // namespace

MarkerValues MarkerRenderingValues(int P1, int P2, int P3, int P4, int P5)
{
    MarkerValues v;
    const int d = std::clamp(P1, 0, 100);
    v.GridStep = std::max(1, Round((20.0 - 0.19 * d) / 1.5));
    v.Opacity = float(std::clamp(P2, 0, 100)) / 100.0f;
    v.StrokeAlpha = Round(v.Opacity * 255.0f);
    v.Length = std::max(2, P3);
    v.Width = std::clamp(float(P4) / 4.0f, 1.0f, 25.0f);
    v.EdgeValue = std::clamp(P5, 0, 100);
    v.EdgeThreshold = std::max(5, 100 - v.EdgeValue);
    v.EdgeStrokes = std::max(1, Round(v.EdgeValue / 20.0));
    return v;
}

int MarkerProgressTotal(int Height, const MarkerValues& v)
{
    int total = (Height - 2) / 10 + ((Height - 1) / v.GridStep + 1);
    if (v.EdgeValue > 2)
        total += (Height - 3) / 20;
    return std::max(1, total);
}

TAlphaColor MarkerBoostColor(TAlphaColor colour)
{
    const int r = ColorR(colour), g = ColorG(colour), b = ColorB(colour);
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    if (mx - mn < 35)
        return colour;
    const int f = std::min(40, (mx - mn - 35) * 2);
    auto boost = [&](int c) {
        if (c == mx)
            return std::min(255, c + f);
        if (c == mn)
            return std::max(0, c - f / 2);
        return c;
    };
    return MakeColor(ColorA(colour), uint8_t(boost(r)), uint8_t(boost(g)), uint8_t(boost(b)));
}

void MarkerRenderingEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                           bool Preview)
{
    if (!Source || !Dest)
        return;
    const MarkerValues v = MarkerRenderingValues(P1, P2, P3, P4, P5);
    SkPixmap src;
    if (!Source->peekPixels(src) || !src.valid())
        return;
    // A translucent picture is drawn from its straight colour, as if opaque,
    // and takes its alpha at the end: the pen's colours, edges and hatching
    // do not depend on how transparent the picture is.
    const bool translucent = HasTranslucentPixel(src);
    StraightPicture straight;
    if (translucent) {
        straight = MakeStraightPicture(src);
        src = straight.map;
    }
    MarkerRun run{Dest, Preview, MarkerProgressTotal(src.height, v)};

    Gradients g;
    if (!ComputeGradients(src, g, run))
        return;

    SkCanvas* canvas = Dest->getCanvas();
    if (Preview)
        canvas->clear(kColorWhite);
    else
        StartEffectCanvas(Dest, CanvasStartOptions{ClearRule::White, false, kColorWhite, KeepMode::DrawBase});
    SkPixmap dst;
    if (Dest->peekPixels(dst))
        DrawMarkerPass(src, g, v, dst, run);
    if (Preview)
        ReportEffectFinished(Dest, true);

    if (!UserCancelRequested() && v.EdgeValue > 2) {
        DrawEdgePass(src, g, v, canvas, run);
        if (Preview)
            ReportEffectFinished(Dest, true);
    }
    g = Gradients{};

    // Only where the source is transparent is there anything to take away.
    if (!UserCancelRequested() && translucent)
        ScaleBySourceAlpha(Source, Dest);

    // The final report bypasses the cancellation test: a run stopped by the
    // flag after its last progress step still ends normally.
    ReportProgressBarSync(101);
}

PV_REGISTER_EFFECT(202, MarkerRenderingEffect);

} // namespace pv
