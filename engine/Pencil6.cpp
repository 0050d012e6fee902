// Pencil Sketch 2 draws the picture as a pencil sketch of many short grey
// lines on white paper. Each line follows the local edge direction; among
// random candidates the one that brings the drawing's grey closest to the
// picture's is kept (a greedy best-of-N search). Strong edges are darkened at
// the end and the picture's colours can be laid over the sketch.

#include "engine/Pencil6.h"

#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace pv {
namespace {

constexpr float kFlatAngle = 2.6415927f;
constexpr float kOtherFlatAngle = 2.7415926f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr int kMaxLinePoints = 2001;

inline int DrawnGrey(uint32_t p) { return (p >> 24) == 0 ? 255 : int((p >> 8) & 0xFF); }

// The working planes of one run.
struct Sketch {
    int W = 0, H = 0;
    const SkPixmap* src = nullptr;
    LargeBuffer<uint32_t> drawing;
    LargeBuffer<uint8_t> target;   // the picture's grey
    LargeBuffer<int32_t> magnitude;
    LargeBuffer<float> angle;

    size_t index(int x, int y) const { return size_t(y) * size_t(W) + size_t(x); }
    uint32_t alpha(int x, int y) const { return src->row(y)[x] >> 24; }
};

// Paper, target grey and the gradient field.
void Prepare(Sketch& s)
{
    const int W = s.W, H = s.H;
    const size_t n = size_t(W) * size_t(H);
    const SkPixmap& src = *s.src;
    s.drawing = LargeBuffer<uint32_t>(n);
    s.target = LargeBuffer<uint8_t>(n);
    bool transparent = false;
    for (size_t i = 0; i < std::min<size_t>(n, kMaxLinePoints); ++i)
        if ((src.row(int(i / size_t(W)))[i % size_t(W)] >> 24) < 250) {
            transparent = true;
            break;
        }
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* p = src.row(y);
            for (int x = 0; x < W; ++x) {
                const uint32_t a = p[x] >> 24;
                const size_t i = s.index(x, y);
                s.drawing[i] = transparent && a < 10 ? 0u : kWhite;
                s.target[i] = a < 11 ? 255
                                     : uint8_t((3 * ((p[x] >> 16) & 0xFF) + 6 * ((p[x] >> 8) & 0xFF) + (p[x] & 0xFF)) / 10);
            }
        }
    }, 16);

    s.magnitude = LargeBuffer<int32_t>(n);
    s.angle = LargeBuffer<float>(n);
    // Gradients in parallel; the random defaults of weak gradients are drawn
    // afterwards in row order, as one thread would draw them.
    for (int y0 = 1; y0 < H - 1; y0 += 64) {
        CheckCancellation();
        const int y1 = std::min(H - 1, y0 + 64);
        ParallelForRange(y0, y1, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y)
                for (int x = 1; x < W - 1; ++x) {
                    auto g = [&](int xx, int yy) { return int(s.target[s.index(xx, yy)]); };
                    const int gx = 47 * g(x - 1, y - 1) + 162 * g(x - 1, y) + 47 * g(x - 1, y + 1) -
                                   47 * g(x + 1, y - 1) - 162 * g(x + 1, y) - 47 * g(x + 1, y + 1);
                    const int gy = 47 * g(x - 1, y - 1) + 162 * g(x, y - 1) + 47 * g(x + 1, y - 1) -
                                   47 * g(x - 1, y + 1) - 162 * g(x, y + 1) - 47 * g(x + 1, y + 1);
                    const int m = std::abs(gx) + std::abs(gy);
                    const size_t i = s.index(x, y);
                    s.magnitude[i] = m;
                    s.angle[i] = m > 3000 ? std::atan2(float(gy), float(gx)) + 1.5707f : -100.0f;
                }
        });
        for (int y = y0; y < y1; ++y)
            for (int x = 1; x < W - 1; ++x) {
                float& a = s.angle[s.index(x, y)];
                if (a == -100.0f)
                    a = Random(100) > 50 ? kFlatAngle : kOtherFlatAngle;
                if (a < 0)
                    a += float(2 * std::numbers::pi);
                if (a > float(std::numbers::pi))
                    a -= float(std::numbers::pi);
            }
    }
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (size_t i = size_t(lo) * size_t(W); i < size_t(hi) * size_t(W); ++i)
            if (s.magnitude[i] == 0)
                s.angle[i] = kFlatAngle;
    }, 16);
}

// Taper weight of point k of n: darkest in the middle.
inline int Taper(int k, int n, int extra)
{
    const int w = n == 1 ? 0 : 384 * std::abs(k - n / 2) / (n - 1);
    return std::clamp(w + extra, 0, 255);
}

struct Candidate {
    std::vector<int> xy; // x0, y0, x1, y1, ...
    int tone = 0;
};

// One search: up to Nc + 1 candidates, the best improving line kept in best.
bool Search(Sketch& s, const Pencil6Values& v, int Pct, int Nc, Candidate& trial, Candidate& best)
{
    const int W = s.W, H = s.H;
    int64_t bestScore = 0;
    int sinceBetter = 0;
    const int patience = Nc / 20 + 5;
    for (int c = 0; c <= Nc; ++c) {
        // Late in the run, positions go mostly where the drawing still
        // differs from the picture.
        int x, y;
        for (;;) {
            x = Random(W - 2) + 1;
            y = Random(H - 2) + 1;
            const size_t i = s.index(x, y);
            const int need = s.alpha(x, y) < 10 ? 0 : std::abs(int(s.target[i]) - DrawnGrey(s.drawing[i]));
            if (!(Random(Pct * 5) > need && Pct > 4))
                break;
        }
        const size_t i = s.index(x, y);
        const int drawn = DrawnGrey(s.drawing[i]);
        const int tone = (2 * drawn + int(s.target[i])) / 3;
        int64_t L = Random(v.MaxLen / 2 - Pct + 100) / 3;
        L += Random(std::min(s.magnitude[i] / 2500, 40));
        L = std::min<int64_t>(L + v.MinLen + 3, v.MaxLen);
        const double a = s.angle[i];
        const double ch = std::cos(a) / 2.0, sh = std::sin(a) / 2.0;
        {
            const int ex = std::clamp<int64_t>(x + Round64(double(L) * ch), 0, W - 1);
            const int ey = std::clamp<int64_t>(y + Round64(double(L) * sh), 0, H - 1);
            double diff = std::abs(a - double(s.angle[s.index(ex, ey)]));
            if (diff > std::numbers::pi)
                diff = 2 * std::numbers::pi - diff;
            if (diff > 1.05) {
                L /= 3;
                if (L < 2)
                    L = std::max<int64_t>(L, 1);
            }
        }
        const int64_t dx = Round64(double(L) * ch), dy = Round64(double(L) * sh);
        const int x1 = int(std::clamp<int64_t>(x - dx, 0, W - 1)), y1 = int(std::clamp<int64_t>(y - dy, 0, H - 1));
        const int x2 = int(std::clamp<int64_t>(x + dx, 0, W - 1)), y2 = int(std::clamp<int64_t>(y + dy, 0, H - 1));
        if (std::abs(x2 - x1) > 2000 || std::abs(y2 - y1) > 2000)
            continue;
        BresenhamLine(x1, y1, x2, y2, trial.xy);
        const int n = int(trial.xy.size() / 2);
        int64_t score = 0;
        for (int k = 0; k < n; ++k) {
            const int px = trial.xy[size_t(2 * k)], py = trial.xy[size_t(2 * k + 1)];
            const size_t j = s.index(px, py);
            if (s.alpha(px, py) < 10)
                continue;
            const int cur = DrawnGrey(s.drawing[j]);
            const int w = Taper(k, n, 0);
            const int tried = ((255 - w) * tone + w * cur) / 255;
            const int t = s.target[j];
            score += std::abs(tried - t) - std::abs(cur - t);
        }
        if (score < bestScore) {
            bestScore = score;
            std::swap(best.xy, trial.xy);
            best.tone = tone;
            sinceBetter = 0;
        }
        if (++sinceBetter >= patience) {
            if (bestScore < 0)
                break;
            sinceBetter = 0;
        }
    }
    return bestScore < 0;
}

void DrawLine(Sketch& s, const Candidate& line)
{
    const int n = int(line.xy.size() / 2);
    for (int k = 0; k < n; ++k) {
        const int px = line.xy[size_t(2 * k)], py = line.xy[size_t(2 * k + 1)];
        if (s.alpha(px, py) < 10)
            continue;
        uint32_t& d = s.drawing[s.index(px, py)];
        const int w = Taper(k, n, 64);
        const uint32_t g = uint32_t(((255 - w) * line.tone + w * DrawnGrey(d)) / 255);
        d = 0xFF000000u | g << 16 | g << 8 | g;
    }
}

ISkImage CopyOf(const Sketch& s)
{
    return SkImage::MakeRasterCopy(s.drawing.data(), s.W, s.H, size_t(s.W) * 4);
}

} // namespace

Pencil6Values Pencil6ValuesFor(int P1, int P2, int P4, int P5)
{
    Pencil6Values v;
    v.MaxLen = int(std::clamp<int64_t>(int64_t(P2) + 5, -10000, 10000));
    v.MinLen = std::min(std::clamp(P1, -10000, 10000), v.MaxLen);
    v.Quality = int(std::clamp<int64_t>(Round64(2.5 * P5), -1000, 1000));
    v.ColourOpacity = std::clamp(Round(255.0 * P4 / 100.0), 0, 255);
    return v;
}

int64_t Pencil6StepCount(int P3, int W, int H, bool Preview)
{
    int64_t maxi = 20 * int64_t(std::clamp(P3, -5, 1000)) + 100;
    if (!Preview)
        maxi = Round64(double(W) * double(H) / 40000.0 * double(maxi)) + 1;
    return maxi;
}

int Pencil6Candidates(int Q, int Pct)
{
    int nc = Q > 127 ? (110 - Pct) * ((Q - 127) / 15 + 1) : (110 - Pct) / ((128 - Q) / 25 + 1);
    if (Pct < 5)
        nc /= 4;
    return nc;
}

void BresenhamLine(int x1, int y1, int x2, int y2, std::vector<int>& xy)
{
    xy.clear();
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx - dy;
    int x = x1, y = y1;
    for (;;) {
        xy.push_back(x);
        xy.push_back(y);
        if (x == x2 && y == y2)
            break;
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
}

void Pencil6(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    if (!Source || !Dest)
        return;
    CheckCancellation();
    const Pencil6Values v = Pencil6ValuesFor(P1, P2, P4, P5);
    SkPixmap src;
    if (!Source->peekPixels(src) || !src.valid())
        return;
    Sketch s;
    s.W = src.width;
    s.H = src.height;
    s.src = &src;
    Prepare(s);

    // Pictures without an interior pixel keep their white paper.
    const int64_t maxi = s.W >= 3 && s.H >= 3 ? Pencil6StepCount(P3, s.W, s.H, Preview) : -1;
    const int64_t divisor = std::max<int64_t>(1, maxi);
    uint32_t lastShown = GetTickMs();
    Candidate trial, best;
    trial.xy.reserve(2 * kMaxLinePoints);
    best.xy.reserve(2 * kMaxLinePoints);
    for (int64_t i = 0; i <= maxi; ++i) {
        CheckCancellation();
        if (!Preview && GetTickMs() - lastShown > 200) {
            lastShown = GetTickMs();
            QueueIntermediateResult(CopyOf(s), int(i * 100 / divisor + 1));
        }
        const int Pct = int(i * 100 / divisor);
        const int searches = Pct > 5 ? int(i * 4 / divisor + 1) : 26;
        const int nc = Pencil6Candidates(v.Quality, Pct);
        for (int k = 0; k < searches; ++k)
            if (Search(s, v, Pct, nc, trial, best))
                DrawLine(s, best);
    }

    // Strong edges darkened.
    ParallelForRange(0, s.H, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            for (int x = 0; x < s.W; ++x) {
                const size_t i = s.index(x, y);
                uint32_t& d = s.drawing[i];
                if (s.alpha(x, y) < 10 || (d >> 24) <= 200)
                    continue;
                const int r = int((d >> 16) & 0xFF), g = int((d >> 8) & 0xFF), b = int(d & 0xFF);
                if (r + g + b >= 540)
                    continue;
                const int k = s.magnitude[i] / 1800;
                d = (d & 0xFF000000u) | uint32_t(std::max(0, r - k)) << 16 | uint32_t(std::max(0, g - k)) << 8 |
                    uint32_t(std::max(0, b - k));
            }
    }, 16);
    s.magnitude.reset();
    s.angle.reset();
    s.target.reset();

    const ISkImage sketch = CopyOf(s);
    s.drawing.reset();
    SkCanvas* canvas = Dest->getCanvas();
    canvas->clear(kColorTransparent);
    canvas->drawImage(sketch, 0, 0);
    if (!Preview) {
        ShowIntermediateResultSync(sketch, -1);
        ReportProgressBarSync(101);
    }
    if (v.ColourOpacity > 0) {
        SkPaint paint;
        paint.blendMode = SkBlendMode::kColor;
        paint.setAlpha(uint8_t(v.ColourOpacity));
        canvas->drawImage(Source, 0, 0, SkSamplingOptions(), &paint);
        if (!Preview) {
            const ISkImage coloured = Dest->makeImageSnapshot();
            ShowIntermediateResultSync(coloured, -1);
        }
    }
    if (Preview) {
        ReportEffectFinished(Dest, true);
    } else {
        RunOnUISync([] {
            if (TEngineHost* host = EngineHost())
                host->RedrawCanvas();
        });
    }
}

PV_REGISTER_EFFECT(101, Pencil6);

} // namespace pv
