// Pencil Sketch 3 draws with a simulated pencil that wanders: each stroke
// starts at a random point, chosen more often in dark areas, heads along the
// local edge (or one of four slants where the picture is flat), veers at each
// step toward the darkest neighbour within a fan of directions and darkens the
// paper until it is as dark as the picture there. A local-contrast pass can
// prepare the picture first and a colour pass can tint the drawing.

#include "effects/drawing/PencilSketch3.h"

#include "engine/StraightColour.h"
#include "engine/PixelPlanes.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace pv {
namespace {

constexpr int kFan = 16;
constexpr double kFanStart = -1.2;
constexpr double kFanStep = 0.17142857142857143;
constexpr int kMaxSteps = 5000;

// Cosine and sine of the fan's angle offsets.
struct FanTable {
    double cos[kFan], sin[kFan];
    FanTable()
    {
        for (int k = 0; k < kFan; ++k) {
            cos[k] = std::cos(kFanStart + k * kFanStep);
            sin[k] = std::sin(kFanStart + k * kFanStep);
        }
    }
};

inline int R(uint32_t p) { return int((p >> 16) & 0xFF); }
inline int G(uint32_t p) { return int((p >> 8) & 0xFF); }
inline int B(uint32_t p) { return int(p & 0xFF); }
inline uint32_t Grey(int g) { return 0xFF000000u | uint32_t(g) << 16 | uint32_t(g) << 8 | uint32_t(g); }

// What a stroke reads and writes of one pixel, in one word: the source's
// colour composited over white (bits 0-23), the drawing's grey (24-31) and
// the source's R + G + B (32-47). The words lie in blocks of 4 x 4 pixels, so
// a stroke wandering in any direction stays within few cache lines.
inline int DrawingGrey(uint64_t c) { return int((c >> 24) & 0xFF); }
inline int SourceSum(uint64_t c) { return int((c >> 32) & 0xFFFF); }

struct Paper {
    int w = 0, h = 0;
    size_t blocksPerRow = 0;
    LargeBuffer<uint32_t> source; // composited over white, opaque, row-major
    LargeBuffer<uint8_t> alpha;   // the source's alpha, row-major
    LargeBuffer<uint64_t> cells;
    size_t index(int x, int y) const { return size_t(y) * size_t(w) + size_t(x); }
    size_t cell(int x, int y) const
    {
        return ((size_t(y >> 2) * blocksPerRow + size_t(x >> 2)) << 4) | size_t((y & 3) << 2) | size_t(x & 3);
    }
    void setGrey(size_t i, int g) { cells[i] = (cells[i] & ~uint64_t(0xFF000000u)) | uint64_t(g) << 24; }

    // The strokes' words from the source (after any contrast pass), on white paper.
    void makeCells()
    {
        blocksPerRow = (size_t(w) + 3) / 4;
        cells = LargeBuffer<uint64_t>(blocksPerRow * ((size_t(h) + 3) / 4) * 16);
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint32_t c = source[index(x, y)];
                    cells[cell(x, y)] = (c & 0xFFFFFFu) | uint64_t(0xFF) << 24 | uint64_t(R(c) + G(c) + B(c)) << 32;
                }
        }, 16);
    }
};

void CompositeOverWhite(const SkPixmap& src, Paper& p)
{
    const size_t n = size_t(p.w) * size_t(p.h);
    p.source = LargeBuffer<uint32_t>(n);
    p.alpha = LargeBuffer<uint8_t>(n);
    ParallelForRange(0, p.h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = src.row(y);
            for (int x = 0; x < p.w; ++x) {
                const size_t i = p.index(x, y);
                const uint32_t a = s[x] >> 24;
                p.alpha[i] = uint8_t(a);
                if (a < 10) {
                    p.source[i] = 0xFFFFFFFFu;
                    continue;
                }
                // Over white: the premultiplied colour plus the white that shows through.
                auto over = [a](uint32_t c) { return std::min(c, a) + (255u - a); };
                p.source[i] = 0xFF000000u | over(R(s[x])) << 16 | over(G(s[x])) << 8 | over(B(s[x]));
            }
        }
    }, 16);
}

// Local contrast: each channel pushed away from a blend of its 9 x 9
// neighbourhood mean (borders repeated) and the picture's mean. The last row
// and column stay as they are.
void LocalContrast(Paper& p, int Ct)
{
    CheckCancellation();
    const int w = p.w, h = p.h;
    const size_t n = size_t(w) * size_t(h);
    int64_t total[3] = {0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = p.source[i];
        total[0] += R(c), total[1] += G(c), total[2] += B(c);
    }
    int mean[3];
    for (int c = 0; c < 3; ++c)
        mean[c] = int(total[c] / int64_t(n));

    // Each channel is taken out before it changes, and a channel's new
    // values only read its own copy: the results go straight into the source.
    LargeBuffer<uint8_t> plane(n);
    LargeBuffer<uint16_t> rowSums(n);
    for (int c = 0; c < 3; ++c) {
        CheckCancellation();
        const int shift = 16 - 8 * c;
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (size_t i = size_t(lo) * size_t(w); i < size_t(hi) * size_t(w); ++i)
                plane[i] = uint8_t((p.source[i] >> shift) & 0xFF);
        }, 16);
        ClampedRowSums(plane.data(), w, h, 4, rowSums.data());
        ParallelForRange(0, h - 1, [&](int lo, int hi) {
            std::vector<uint32_t> sums(static_cast<size_t>(w));
            for (int y = lo; y < hi; ++y) {
                ClampedColumnSums(rowSums.data(), w, h, 4, y, sums.data());
                for (int x = 0; x < w - 1; ++x) {
                    const size_t i = p.index(x, y);
                    const int v = plane[i];
                    const int local = (int(sums[size_t(x)]) - v) / 80;
                    const int blended = (2 * local + mean[c]) / 3;
                    const int out = ClampToByte(v + Round(double(v - blended) * Ct / 100.0));
                    p.source[i] = (p.source[i] & ~(0xFFu << shift)) | uint32_t(out) << shift;
                }
            }
        }, 8);
    }
}

// A start point chosen more often where the picture is dark; false when
// none was found within the allowed tries.
bool StartPoint(SequentialRandom& rng, const Paper& p, double& x, double& y, int& ix, int& iy)
{
    for (int tries = 0; tries < kDynamicPencilStartTries; ++tries) {
        if ((tries & 1023) == 1023)
            CheckCancellation();
        const int x0 = rng.Random(p.w), y0 = rng.Random(p.h);
        ix = std::clamp(x0, 1, p.w - 2);
        iy = std::clamp(y0, 1, p.h - 2);
        __builtin_prefetch(&p.cells[p.cell(std::clamp(rng.Ahead(2, p.w), 1, p.w - 2),
                                           std::clamp(rng.Ahead(3, p.h), 1, p.h - 2))]);
        const int grey = SourceSum(p.cells[p.cell(ix, iy)]) / 3;
        if (grey < rng.Random(255)) {
            x = x0;
            y = y0;
            return true;
        }
    }
    return false;
}

// Whether any start point can ever be accepted: start points lie inside the
// one-pixel border, and a grey of 254 or 255 never beats the draw (0..254).
bool AnyStartPoint(const Paper& p)
{
    for (int y = 1; y <= p.h - 2; ++y)
        for (int x = 1; x <= p.w - 2; ++x)
            if (SourceSum(p.cells[p.cell(x, y)]) / 3 < 254)
                return true;
    return false;
}

// The generator's arithmetic on a private seed (the walks of many strokes
// run at once, each from the seed the shared sequence reaches at its start).
struct WalkRandom {
    uint32_t seed;
    int32_t Random(int32_t n)
    {
        seed = SequentialRandom::Step(seed);
        return SequentialRandom::Scaled(seed, n);
    }
    double RandomFloat()
    {
        seed = SequentialRandom::Step(seed);
        return double(seed) / 4294967296.0;
    }
};

// What a stroke takes from the shared generator before it walks, and where
// the walk starts. The walk reads only the source (the drawing is written,
// never read for a decision), so its path and its number of draws follow from
// the plan alone, and the walks of many strokes can run at once.
struct StrokePlan {
    uint32_t seed;  // the generator when the walk starts
    int x0, y0;     // the exact start, unclamped
    float m;        // heading
    uint8_t ink;    // K at the start: (768 - R - G - B) >> 6, 0..12
    bool wobbles;
    bool drawn;     // false when no start point was found
};

// Steps of a walk for each starting ink, and the generator's jump over a
// walk's draws (one per step, two while wobbling): seed -> a seed + c.
struct WalkTable {
    int steps[13];
    uint32_t a[13][2], c[13][2];
    explicit WalkTable(double decay)
    {
        for (int ink = 0; ink <= 12; ++ink) {
            double K = ink;
            int n = 0;
            while (n < kMaxSteps) {
                ++n;
                K *= decay;
                if (K < 0.01)
                    break;
            }
            steps[ink] = n;
            for (int wob = 0; wob < 2; ++wob) {
                uint32_t A = 1, C = 0;
                for (int d = 0; d < n * (1 + wob); ++d) {
                    A = A * 134775813u;
                    C = C * 134775813u + 1u;
                }
                a[ink][wob] = A;
                c[ink][wob] = C;
            }
        }
    }
};

StrokePlan PlanStroke(SequentialRandom& rng, const Paper& p, const DynamicPencilValues& v, const WalkTable& walks)
{
    StrokePlan plan{};
    int ix, iy;
    double x, y;
    if (!StartPoint(rng, p, x, y, ix, iy)) {
        plan.seed = rng.Seed();
        return plan;
    }
    int gx = 0, gy = 0;
    {
        auto at = [&](int dx, int dy) { return p.cells[p.cell(ix + dx, iy + dy)]; };
        int bestX = 0, bestY = 0;
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;
            auto ch = [&](int dx, int dy) { return int((at(dx, dy) >> shift) & 0xFF); };
            const int cy = 3 * ch(-1, -1) + 10 * ch(0, -1) + 3 * ch(1, -1) - 3 * ch(-1, 1) - 10 * ch(0, 1) - 3 * ch(1, 1);
            const int cx = 3 * ch(-1, -1) + 10 * ch(-1, 0) + 3 * ch(-1, 1) - 3 * ch(1, -1) - 10 * ch(1, 0) - 3 * ch(1, 1);
            bestY = c == 0 ? cy : std::max(bestY, cy);
            bestX = c == 0 ? cx : std::max(bestX, cx);
        }
        gx = bestX, gy = bestY;
    }
    const int N = std::abs(gx) + std::abs(gy);
    const bool flat = !(N > v.Blending + 1);
    // Strictly flatter start points also wobble at random (N = Bl + 1 takes
    // a fixed slant but veers like an edge).
    plan.wobbles = N < v.Blending + 1;
    if (!flat) {
        plan.m = std::atan2(float(gy), float(gx)) + 1.5707f;
    } else if (rng.Random(100) < 27) {
        plan.m = rng.Random(100) > 50 ? 0.6707f : 3.81229f;
    } else {
        plan.m = rng.Random(100) > 50 ? -0.4f : 2.74159f;
    }
    plan.x0 = int(x);
    plan.y0 = int(y);
    plan.ink = uint8_t((768 - SourceSum(p.cells[p.cell(ix, iy)])) >> 6);
    plan.drawn = true;
    plan.seed = rng.Seed();
    // The shared generator goes on after the walk's draws.
    const int wob = plan.wobbles ? 1 : 0;
    rng.Jump(walks.a[plan.ink][wob], walks.c[plan.ink][wob]);
    return plan;
}

// The darkening of one visit: the same for every stroke that passes, so the
// order in which strokes pass a pixel does not matter. Strokes walking at
// the same time update a pixel one after the other.
inline void Darken(Paper& p, size_t i, const DynamicPencilValues& v)
{
    std::atomic_ref<uint64_t> cell(p.cells[i]);
    uint64_t c = cell.load(std::memory_order_relaxed);
    for (;;) {
        const int d = DrawingGrey(c);
        const int Z = (3 * d - SourceSum(c)) / v.DarkenDivisor;
        const int g = Z < -4 ? std::min(255, Round(1.1 * R(uint32_t(c)))) : d * (255 - std::max(Z, 0)) / 256;
        const uint64_t next = (c & ~uint64_t(0xFF000000u)) | uint64_t(g) << 24;
        if (next == c || cell.compare_exchange_weak(c, next, std::memory_order_relaxed))
            return;
    }
}

void Walk(Paper& p, const DynamicPencilValues& v, const StrokePlan& plan)
{
    if (!plan.drawn)
        return;
    const int w = p.w, h = p.h;
    WalkRandom rng{plan.seed};
    double x = plan.x0, y = plan.y0;
    int ix = std::clamp(plan.x0, 1, w - 2), iy = std::clamp(plan.y0, 1, h - 2);
    const float m = plan.m;
    const bool wobbles = plan.wobbles;
    double K = double(plan.ink);
    // Directions by angle addition from the heading's own cosine and sine:
    // one sine and cosine per stroke instead of one per direction and step.
    const double cm = std::cos(double(m)), sm = std::sin(double(m));
    static const FanTable fan;
    double fanCos[kFan], fanSin[kFan];
    for (int k = 0; k < kFan; ++k) {
        fanCos[k] = cm * fan.cos[k] - sm * fan.sin[k];
        fanSin[k] = sm * fan.cos[k] + cm * fan.sin[k];
    }
    const double decay = double(v.StrokeLength) / 1500.0 + 0.7;
    const int tolerance = v.Blending / 3;
    for (int step = 0; step < kMaxSteps; ++step) {
        if (step % 100 == 0)
            CheckCancellation();
        Darken(p, p.cell(ix, iy), v);
        double dirX, dirY;
        int chosen = -1; // the fan direction taken; -1 for straight on
        if (rng.Random(100) >= 25) {
            // The probe positions first (a loop that vectorises), then the
            // choice, in probe order.
            // (A picture's cells fit in an int: a raster stays below 2^31 bytes.)
            int probe[kFan];
            const int blocksPerRow = int(p.blocksPerRow);
            for (int k = 0; k < kFan; ++k) {
                const int px = int(std::nearbyint(x + fanCos[k])), py = int(std::nearbyint(y + fanSin[k]));
                const bool inside = (px >= 1) & (py >= 1) & (px <= w - 2) & (py <= h - 2);
                const int cell = (((py >> 2) * blocksPerRow + (px >> 2)) << 4) | ((py & 3) << 2) | (px & 3);
                probe[k] = inside ? cell : -1;
            }
            int best = 768;
            for (int k = 0; k < kFan; ++k) {
                if (probe[k] < 0)
                    continue;
                const int C = SourceSum(p.cells[size_t(probe[k])]);
                if (C - best < tolerance) {
                    best = C;
                    chosen = k;
                }
            }
        }
        if (wobbles) {
            const double l = 0.3 * rng.RandomFloat() - 0.15;
            // |l| <= 0.15: the series end below 1e-14.
            const double l2 = l * l;
            const double cl = 1.0 - l2 / 2.0 * (1.0 - l2 / 12.0 * (1.0 - l2 / 30.0 * (1.0 - l2 / 56.0)));
            const double sl = l * (1.0 - l2 / 6.0 * (1.0 - l2 / 20.0 * (1.0 - l2 / 42.0 * (1.0 - l2 / 72.0))));
            dirX = cm * cl - sm * sl, dirY = sm * cl + cm * sl;
        } else if (chosen >= 0) {
            dirX = fanCos[chosen], dirY = fanSin[chosen];
        } else {
            dirX = cm, dirY = sm;
        }
        x += dirX;
        y += dirY;
        ix = Round(x);
        iy = Round(y);
        K *= decay;
        if (K < 0.01)
            break;
        if (ix < 1)
            ix = 1, x = 1;
        else if (ix >= w - 1)
            ix = w - 2, x = w - 2;
        if (iy < 1)
            iy = 1, y = 1;
        else if (iy >= h - 1)
            iy = h - 2, y = h - 2;
    }
}

// Strokes [first, last): their plans in order from the shared generator,
// then their walks side by side.
void DrawStrokes(SequentialRandom& rng, Paper& p, const DynamicPencilValues& v, const WalkTable& walks,
                 int64_t first, int64_t last, std::vector<StrokePlan>& plans)
{
    plans.clear();
    for (int64_t i = first; i < last; ++i) {
        CheckCancellation();
        plans.push_back(PlanStroke(rng, p, v, walks));
    }
    ParallelForRange(0, int(plans.size()), [&](int lo, int hi) {
        for (int k = lo; k < hi; ++k)
            Walk(p, v, plans[size_t(k)]);
    }, 64);
}

// The colour pass of one drawn grey g (at most 200) over the source colour s.
uint32_t TintedPixel(int g, uint32_t s, double u)
{
    const int r = R(s), gg = G(s), b = B(s);
    const int chroma = std::max({r, gg, b}) - std::min({r, gg, b});
    const int luma = (30 * r + 59 * gg + 11 * b) / 100;
    int colour[3] = {g, g, g};
    if (chroma >= 10 && luma >= 5) {
        double D = double(g) / luma;
        if (D < 0.7)
            D = 0.7 * D + 0.21;
        const double W = std::min(1.0, chroma / 50.0);
        const int src[3] = {r, gg, b};
        for (int c = 0; c < 3; ++c) {
            const int scaled = ClampToByte(Round(src[c] * D));
            colour[c] = Round(g * (1.0 - W) + scaled * W);
        }
    }
    uint32_t out = 0xFF000000u;
    for (int c = 0; c < 3; ++c)
        out |= uint32_t(ClampToByte(Round(g * (1.0 - u) + colour[c] * u))) << (16 - 8 * c);
    return out;
}

// The drawing into the destination: while drawing, the grey alone; at the
// end with the colour pass (CI > 0) and the source's alpha, premultiplied.
void CopyToDest(const Paper& p, const ISkSurface& Dest, bool final, int CI)
{
    SkPixmap dst;
    if (!Dest->peekPixels(dst))
        return;
    const int w = std::min(p.w, dst.width), h = std::min(p.h, dst.height);
    const double u = CI / 255.0;
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            uint32_t* d = dst.row(y);
            for (int x = 0; x < w; ++x) {
                const int g = DrawingGrey(p.cells[p.cell(x, y)]);
                if (!final) {
                    d[x] = Grey(g);
                    continue;
                }
                const size_t i = p.index(x, y);
                const uint32_t c = CI > 0 && g <= 200 ? TintedPixel(g, p.source[i], u) : Grey(g);
                const uint32_t a = p.alpha[i];
                if (a == 255) {
                    d[x] = c;
                    continue;
                }
                auto m = [a](uint32_t ch) { return (ch * a + 127) / 255; };
                d[x] = a << 24 | m((c >> 16) & 0xFF) << 16 | m((c >> 8) & 0xFF) << 8 | m(c & 0xFF);
            }
        }
    }, 16);
}

} // namespace

DynamicPencilValues DynamicPencilValuesFor(int P1, int P2, int P3, int P4, int P5)
{
    auto scaled = [](int p) { return Round(2.55 * std::clamp(p, -1000, 1000)); };
    DynamicPencilValues v;
    v.Iterations = scaled(P1);
    v.StrokeLength = scaled(P2);
    v.Blending = scaled(P3);
    v.Contrast = scaled(P4);
    v.Colour = scaled(P5);
    // Stroke lengths above 2.55 x 125 would make the divisor 0 or negative.
    v.DarkenDivisor = std::max(1, (255 - v.StrokeLength) / 8 + 8);
    return v;
}

int64_t DynamicPencilStrokeCount(int Iterations, int w, int h)
{
    return Round64((100.0 * Iterations + 1000.0) * std::min(35.0, w / 200.0) * std::min(35.0, h / 200.0));
}

void DynamicPencil(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    CheckCancellation();
    if (!Source || !Dest)
        return;
    SkPixmap src;
    if (!Source->peekPixels(src) || !src.valid() || src.width == 0 || src.height == 0)
        return;
    const DynamicPencilValues v = DynamicPencilValuesFor(P1, P2, P3, P4, P5);
    Paper p;
    p.w = src.width;
    p.h = src.height;
    CompositeOverWhite(src, p);
    // Pictures narrower or lower than 3 pixels keep their white paper.
    const bool drawable = p.w >= 3 && p.h >= 3;
    if (drawable && v.Contrast > 0)
        LocalContrast(p, v.Contrast);
    p.makeCells();
    if (!Preview)
        ReportProgressBarSync(0);

    // A blank (white or fully transparent) picture offers no start point:
    // every stroke would only exhaust its search, so none is drawn.
    const bool strokes = drawable && AnyStartPoint(p);
    const int64_t maxi = strokes ? DynamicPencilStrokeCount(v.Iterations, p.w, p.h) : -1;
    const int64_t S = std::max<int64_t>(1, maxi / 20);
    const double divisor = double(std::max<int64_t>(1, maxi));
    int reports = 0;
    SequentialRandom rng;
    const WalkTable walks(double(v.StrokeLength) / 1500.0 + 0.7);
    std::vector<StrokePlan> plans;
    // Strokes run in groups between the display points (every S strokes, and
    // before the last one).
    for (int64_t i = 0; i <= maxi;) {
        CheckCancellation();
        if (i % S == 0 || i == maxi) {
            const int pct = Round(double(i) / divisor * 100.0);
            if (!Preview) {
                ReportProgressBarSync(pct);
                if (++reports % 4 == 0 && EngineHost()) {
                    CopyToDest(p, Dest, false, 0);
                    const ISkImage snap = Dest->makeImageSnapshot();
                    ShowIntermediateResultSync(snap, -1);
                }
            } else if (i % (5 * S) == 0) {
                CopyToDest(p, Dest, false, 0);
                SafeUpdatePreview(Dest, pct);
            }
        }
        const int64_t next = i == maxi ? maxi + 1 : std::min((i / S + 1) * S, maxi);
        DrawStrokes(rng, p, v, walks, i, next, plans);
        i = next;
    }

    CopyToDest(p, Dest, true, v.Colour);
    if (Preview)
        ReportEffectFinished(Dest, true);
    else
        ReportProgressBarSync(101);
}

PV_REGISTER_EFFECT(102, DynamicPencil);

} // namespace pv
