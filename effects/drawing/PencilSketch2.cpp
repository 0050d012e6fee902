// Pencil Sketch 2 draws the picture as a pencil sketch of many short grey
// lines on white paper. Each line follows the local edge direction; among
// random candidates the one that brings the drawing's grey closest to the
// picture's is kept (a greedy best-of-N search). Strong edges are darkened at
// the end and the picture's colours can be laid over the sketch.

#include "effects/drawing/PencilSketch2.h"

#include "engine/StraightColour.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <new>
#include <numbers>

namespace pv {
namespace {

constexpr float kFlatAngle = 2.6415927f;
constexpr float kOtherFlatAngle = 2.7415926f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr int kMaxLinePoints = 2001;
constexpr int kLookahead = 12;

// What a candidate reads of one pixel, in one word: the drawn grey (255
// where the paper is transparent), the picture's grey, their difference (0
// where the source is transparent), two flags and min(M div 2500, 40) of the
// gradient magnitude M. The words lie in blocks of 4 x 4 pixels, one cache
// line each, so a short line in any direction touches few lines. The line
// angles lie beside them in the same order, and the differences once more
// by themselves: most tries read nothing else.
constexpr uint32_t kSourceClear = 1u << 24; // source alpha below 10
constexpr uint32_t kPaperClear = 2u << 24;  // the paper is transparent here
inline int Drawn(uint32_t c) { return int(c & 0xFF); }
inline int Target(uint32_t c) { return int((c >> 8) & 0xFF); }
inline int Need(uint32_t c) { return int((c >> 16) & 0xFF); }
inline int MagnitudeBand(uint32_t c) { return int((c >> 26) & 63); }

struct Sketch {
    int W = 0, H = 0;
    size_t blocksPerRow = 0;
    LargeBuffer<uint32_t> cells;
    LargeBuffer<float> angles;
    LargeBuffer<uint8_t> needs;
    LargeBuffer<uint8_t> darkening; // M div 1800, row-major

    size_t cell(int x, int y) const
    {
        return ((size_t(y >> 2) * blocksPerRow + size_t(x >> 2)) << 4) | size_t((y & 3) << 2) | size_t(x & 3);
    }
    size_t index(int x, int y) const { return size_t(y) * size_t(W) + size_t(x); }
    void setDrawn(size_t i, int grey)
    {
        const uint32_t c = cells[i];
        const uint32_t need = uint32_t(std::abs(Target(c) - grey));
        cells[i] = (c & ~uint32_t(0x00FF00FF)) | need << 16 | uint32_t(grey);
        needs[i] = uint8_t(need);
    }
    uint32_t pixel(int x, int y) const
    {
        const uint32_t c = cells[cell(x, y)];
        const uint32_t g = uint32_t(Drawn(c));
        return (c & kPaperClear) ? 0u : 0xFF000000u | g << 16 | g << 8 | g;
    }
};

// The generator's step taken k times at once: seed -> A seed + C.
struct Steps {
    uint32_t A = 1, C = 0;
};
// f, then g.
constexpr Steps Then(Steps f, Steps g) { return {g.A * f.A, g.A * f.C + g.C}; }
constexpr Steps StepsOf(uint64_t k)
{
    Steps result, power{134775813u, 1u};
    for (; k; k >>= 1) {
        if (k & 1)
            result = Then(result, power);
        power = Then(power, power);
    }
    return result;
}
inline uint32_t Apply(Steps j, uint32_t seed) { return j.A * seed + j.C; }

inline int32_t Draw(uint32_t& seed, int32_t n)
{
    seed = SequentialRandom::Step(seed);
    return SequentialRandom::Scaled(seed, n);
}

constexpr float kWeak = -100.0f; // a weak gradient, given one of the flat angles at random
constexpr float kNone = -200.0f; // no gradient: draws like a weak one, keeps kFlatAngle

// Paper, target grey and the gradient field.
void Prepare(SequentialRandom& rng, Sketch& s, const SkPixmap& src)
{
    const int W = s.W, H = s.H;
    const size_t n = size_t(W) * size_t(H);
    s.blocksPerRow = (size_t(W) + 3) / 4;
    const size_t cellCount = s.blocksPerRow * ((size_t(H) + 3) / 4) * 16;
    s.cells = LargeBuffer<uint32_t>(cellCount);
    s.angles = LargeBuffer<float>(cellCount);
    s.needs = LargeBuffer<uint8_t>(cellCount);
    bool transparent = false;
    for (size_t i = 0; i < std::min<size_t>(n, kMaxLinePoints); ++i)
        if ((src.row(int(i / size_t(W)))[i % size_t(W)] >> 24) < 250) {
            transparent = true;
            break;
        }
    LargeBuffer<uint8_t> target(n);
    ParallelForRange(0, H, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* p = src.row(y);
            for (int x = 0; x < W; ++x) {
                const uint32_t a = p[x] >> 24;
                const uint32_t straight = StraightPixel(p[x]);
                const uint32_t t = a < 11 ? 255u : (3 * ((straight >> 16) & 0xFF) + 6 * ((straight >> 8) & 0xFF) + (straight & 0xFF)) / 10;
                target[s.index(x, y)] = uint8_t(t);
                uint32_t c = 255u | t << 8;
                if (a < 10) {
                    c |= kSourceClear | (transparent ? kPaperClear : 0u);
                } else {
                    c |= (255u - t) << 16;
                    s.needs[s.cell(x, y)] = uint8_t(255u - t);
                }
                s.cells[s.cell(x, y)] = c;
            }
        }
    }, 16);

    // Gradients in parallel. Weak gradients take a random flat angle, one
    // draw each in row order: a row's first draw follows from the number of
    // weak gradients above it, so the rows draw theirs in parallel too.
    s.darkening = LargeBuffer<uint8_t>(n);
    std::vector<uint32_t> weak(size_t(H), 0);
    for (int y0 = 0; y0 < H; y0 += 64) {
        CheckCancellation();
        ParallelForRange(y0, std::min(H, y0 + 64), [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                if (y == 0 || y == H - 1) {
                    for (int x = 0; x < W; ++x)
                        s.angles[s.cell(x, y)] = kFlatAngle;
                    continue;
                }
                const uint8_t* up = &target[s.index(0, y - 1)];
                const uint8_t* mid = up + W;
                const uint8_t* down = mid + W;
                uint32_t count = 0;
                s.angles[s.cell(0, y)] = kFlatAngle;
                s.angles[s.cell(W - 1, y)] = kFlatAngle;
                for (int x = 1; x < W - 1; ++x) {
                    const int gx = 47 * up[x - 1] + 162 * mid[x - 1] + 47 * down[x - 1] -
                                   47 * up[x + 1] - 162 * mid[x + 1] - 47 * down[x + 1];
                    const int gy = 47 * up[x - 1] + 162 * up[x] + 47 * up[x + 1] -
                                   47 * down[x - 1] - 162 * down[x] - 47 * down[x + 1];
                    const int m = std::abs(gx) + std::abs(gy);
                    const size_t c = s.cell(x, y);
                    s.darkening[s.index(x, y)] = uint8_t(m / 1800);
                    s.cells[c] |= uint32_t(std::min(m / 2500, 40)) << 26;
                    float a;
                    if (m > 3000) {
                        a = std::atan2(float(gy), float(gx)) + 1.5707f;
                        if (a < 0)
                            a += float(2 * std::numbers::pi);
                        if (a > float(std::numbers::pi))
                            a -= float(std::numbers::pi);
                    } else {
                        a = m == 0 ? kNone : kWeak;
                        ++count;
                    }
                    s.angles[c] = a;
                }
                weak[size_t(y)] = count;
            }
        });
    }
    std::vector<uint32_t> rowSeed(static_cast<size_t>(H));
    uint32_t seed = rng.Seed();
    for (int y = 0; y < H; ++y) {
        rowSeed[size_t(y)] = seed;
        seed = Apply(StepsOf(weak[size_t(y)]), seed);
    }
    rng.Jump(0, seed);
    ParallelForRange(1, std::max(1, H - 1), [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            if (!weak[size_t(y)])
                continue;
            uint32_t r = rowSeed[size_t(y)];
            for (int x = 1; x < W - 1; ++x) {
                float& a = s.angles[s.cell(x, y)];
                if (a != kWeak && a != kNone)
                    continue;
                const bool first = Draw(r, 100) > 50;
                a = a == kNone ? kFlatAngle : first ? kFlatAngle : kOtherFlatAngle;
            }
        }
    }, 16);
}

// Taper weight of point k of n: darkest in the middle.
inline int Taper(int k, int n, int extra)
{
    const int w = n == 1 ? 0 : 384 * std::abs(k - n / 2) / (n - 1);
    return std::clamp(w + extra, 0, 255);
}

// Taper(k, n, 0) for the points of one line, dividing by n - 1 with a
// multiplication: exact for the line's at most 2001 points, whose
// numerators stay below 2^20 (then numerator x divisor < 2^32).
class Tapers {
public:
    explicit Tapers(int n) : half_(n / 2), scale_(n == 1 ? 0 : (uint64_t(1) << 32) / uint64_t(n - 1) + 1) {}
    int operator()(int k) const
    {
        const uint64_t u = uint64_t(384 * std::abs(k - half_));
        return std::min(int((u * scale_) >> 32), 255);
    }

private:
    int half_;
    uint64_t scale_;
};

// A line by its end points and its grey.
struct Line {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int tone = 0;
};

constexpr Steps kTryAndLength = StepsOf(5); // one try's three draws and the length's two

// A candidate's position, length and direction: everything its draws decide.
struct Centre {
    uint32_t seedAfter = 0;  // the seed after its draws
    uint32_t bandSeed = 0;   // the seed of the length's second draw, scaled by the centre's band
    int firstLength = 0;     // the length's first draw
    int x = 0, y = 0, tone = 0;
    size_t at = 0;           // the centre's cell
    int64_t L = 0;
    double a = 0, ch = 0, sh = 0;
    int ex = 0, ey = 0; // where the direction is checked
};

// Half the cosine and sine of a line angle.
[[gnu::noinline]] void HalfDirection(double a, double& ch, double& sh)
{
    ch = std::cos(a) / 2.0;
    sh = std::sin(a) / 2.0;
}

// The directions of the flat angles, which most pictures hold in plenty,
// worked out once by the same code as the others.
struct Direction {
    double a = 0, ch = 0, sh = 0;
    explicit Direction(float angle) : a(angle) { HalfDirection(a, ch, sh); }
};

// Draws the candidates of one search in order from its own copy of the
// seed. Nothing is drawn on the sketch during a search, so the candidates
// can be drawn ahead of their scoring and their pixels fetched meanwhile:
// next() places a candidate and fetches its centre, resolve() reads the
// centre once it has come and fetches the line.
class CentreSource {
public:
    CentreSource(const Sketch& s, const Pencil6Values& v, int Pct, uint32_t seed)
        : s_(s), v_(v), Pct_(Pct), seed_(seed)
    {
        restartLookahead();
    }

    void next(Centre& q)
    {
        const int W = s_.W, H = s_.H;
        int x, y;
        // Late in the run positions go mostly where the drawing still
        // differs from the picture, and most tries are rejected: the tries
        // kLookahead ahead are fetched while the current one is tested, and
        // so is the next candidate's first try in case this one is taken.
        for (;;) {
            prefetchTry(look_);
            uint32_t taken = Apply(kTryAndLength, seed_);
            prefetchTry(taken);
            x = Draw(seed_, W - 2) + 1;
            y = Draw(seed_, H - 2) + 1;
            const int need = s_.needs[s_.cell(x, y)];
            if (!(Draw(seed_, Pct_ * 5) > need && Pct_ > 4))
                break;
        }
        q.x = x;
        q.y = y;
        q.at = s_.cell(x, y);
        __builtin_prefetch(&s_.cells[q.at]);
        __builtin_prefetch(&s_.angles[q.at]);
        q.firstLength = Draw(seed_, v_.MaxLen / 2 - Pct_ + 100) / 3;
        seed_ = SequentialRandom::Step(seed_);
        q.bandSeed = seed_;
        q.seedAfter = seed_;
        restartLookahead();
    }

    void resolve(Centre& q) const
    {
        const int W = s_.W, H = s_.H;
        const uint32_t centre = s_.cells[q.at];
        q.tone = (2 * Drawn(centre) + Target(centre)) / 3;
        int64_t L = q.firstLength;
        L += SequentialRandom::Scaled(q.bandSeed, MagnitudeBand(centre));
        L = std::min<int64_t>(L + v_.MinLen + 3, v_.MaxLen);
        q.L = L;
        q.a = s_.angles[q.at];
        if (q.a == flat_.a) {
            q.ch = flat_.ch;
            q.sh = flat_.sh;
        } else if (q.a == otherFlat_.a) {
            q.ch = otherFlat_.ch;
            q.sh = otherFlat_.sh;
        } else {
            HalfDirection(q.a, q.ch, q.sh);
        }
        const int x = q.x, y = q.y;
        q.ex = int(std::clamp<int64_t>(x + Round64(double(L) * q.ch), 0, W - 1));
        q.ey = int(std::clamp<int64_t>(y + Round64(double(L) * q.sh), 0, H - 1));
        __builtin_prefetch(&s_.angles[s_.cell(q.ex, q.ey)]);
        // The line lies along this ray whatever the direction check decides.
        if (L > 0 && L <= 4000) {
            // A pixel a step, to within a pixel: a fetch needs no more.
            const float stepX = float(2 * q.ch), stepY = float(2 * q.sh);
            float fx = float(x) + 0.5f - float(L) * float(q.ch), fy = float(y) + 0.5f - float(L) * float(q.sh);
            const float maxX = float(W) - 0.5f, maxY = float(H) - 0.5f;
            for (int64_t t = -L; t <= L; t += 2, fx += stepX, fy += stepY)
                __builtin_prefetch(&s_.cells[s_.cell(int(std::clamp(fx, 0.0f, maxX)), int(std::clamp(fy, 0.0f, maxY)))]);
        }
    }

private:
    // Fetches the pixel of the try drawn from seed, and moves seed past it.
    void prefetchTry(uint32_t& seed) const
    {
        const uint32_t lx = SequentialRandom::Step(seed), ly = SequentialRandom::Step(lx);
        seed = SequentialRandom::Step(ly);
        __builtin_prefetch(&s_.needs[s_.cell(SequentialRandom::Scaled(lx, s_.W - 2) + 1,
                                             SequentialRandom::Scaled(ly, s_.H - 2) + 1)]);
    }
    void restartLookahead()
    {
        look_ = seed_;
        for (int t = 0; t < kLookahead; ++t)
            prefetchTry(look_);
    }

    const Sketch& s_;
    const Pencil6Values& v_;
    const int Pct_;
    uint32_t seed_;
    uint32_t look_ = 0;
    static inline const Direction flat_{kFlatAngle}, otherFlat_{kOtherFlatAngle};
};

// Calls visit(x, y) for each point of the line from (x1, y1) to (x2, y2),
// both ends included, in Bresenham's order.
template <typename Visit>
inline void ForEachLinePoint(int x1, int y1, int x2, int y2, Visit&& visit)
{
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx - dy;
    int x = x1, y = y1;
    for (;;) {
        visit(x, y);
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

// Calls visit(k, cell) for the n points of the line from (x1, y1) to
// (x2, y2) in BresenhamLine's order, where n = max(|x2 - x1|, |y2 - y1|) + 1.
template <typename Visit>
inline void WalkLine(const Sketch& s, const Line& l, Visit&& visit)
{
    int k = 0;
    ForEachLinePoint(l.x1, l.y1, l.x2, l.y2, [&](int x, int y) { visit(k++, s.cell(x, y)); });
}
inline int PointCount(const Line& l) { return std::max(std::abs(l.x2 - l.x1), std::abs(l.y2 - l.y1)) + 1; }

// One search: up to Nc + 1 candidates, the best improving line kept in best.
bool Search(SequentialRandom& rng, const Sketch& s, const Pencil6Values& v, int Pct, int Nc, Line& best)
{
    const int W = s.W, H = s.H;
    int64_t bestScore = 0;
    int sinceBetter = 0;
    const int patience = Nc / 20 + 5;
    // Candidates are drawn up to kAhead ahead of the one being scored, the
    // seed is left after the last one scored, as if each had been drawn in
    // its turn. Once an improving line is held, none is drawn past the first
    // candidate that could end the search: most searches end there.
    constexpr int kAhead = 3, kResolveAhead = 2;
    Centre ring[kAhead + 1];
    CentreSource source(s, v, Pct, rng.Seed());
    int drawn = 0, resolved = 0;
    uint32_t seedAfter = rng.Seed();
    for (int c = 0; c <= Nc; ++c) {
        const int mayEnd = bestScore < 0 ? c + std::max(0, patience - 1 - sinceBetter) : INT_MAX - kAhead;
        for (; drawn <= std::max(c, std::min({c + kAhead, Nc, mayEnd})); ++drawn)
            source.next(ring[drawn % (kAhead + 1)]);
        for (; resolved <= std::max(c, std::min({c + kResolveAhead, Nc, mayEnd})); ++resolved)
            source.resolve(ring[resolved % (kAhead + 1)]);
        const Centre& q = ring[c % (kAhead + 1)];
        seedAfter = q.seedAfter;
        int64_t L = q.L;
        {
            double diff = std::abs(q.a - double(s.angles[s.cell(q.ex, q.ey)]));
            if (diff > std::numbers::pi)
                diff = 2 * std::numbers::pi - diff;
            if (diff > 1.05) {
                L /= 3;
                if (L < 2)
                    L = std::max<int64_t>(L, 1);
            }
        }
        const int64_t dx = Round64(double(L) * q.ch), dy = Round64(double(L) * q.sh);
        const int x1 = int(std::clamp<int64_t>(q.x - dx, 0, W - 1)), y1 = int(std::clamp<int64_t>(q.y - dy, 0, H - 1));
        const int x2 = int(std::clamp<int64_t>(q.x + dx, 0, W - 1)), y2 = int(std::clamp<int64_t>(q.y + dy, 0, H - 1));
        if (std::abs(x2 - x1) > 2000 || std::abs(y2 - y1) > 2000)
            continue;
        const Line line{x1, y1, x2, y2, q.tone};
        const int tone = q.tone;
        const Tapers taper(PointCount(line));
        int64_t score = 0;
        WalkLine(s, line, [&](int k, size_t at) {
            const uint32_t cl = s.cells[at];
            if (cl & kSourceClear)
                return;
            const int cur = Drawn(cl);
            const int w = taper(k);
            const int tried = ((255 - w) * tone + w * cur) / 255;
            score += std::abs(tried - Target(cl)) - Need(cl);
        });
        if (score < bestScore) {
            bestScore = score;
            best = line;
            sinceBetter = 0;
        }
        if (++sinceBetter >= patience) {
            if (bestScore < 0)
                break;
            sinceBetter = 0;
        }
    }
    // The seed as the candidates scored left it.
    rng.Jump(0, seedAfter);
    return bestScore < 0;
}

void DrawLine(Sketch& s, const Line& line)
{
    const int n = PointCount(line);
    WalkLine(s, line, [&](int k, size_t i) {
        const uint32_t c = s.cells[i];
        if (c & kSourceClear)
            return;
        const int w = Taper(k, n, 64);
        s.setDrawn(i, ((255 - w) * line.tone + w * Drawn(c)) / 255);
    });
}

// The drawing as premultiplied pixels.
QImage Drawing(const Sketch& s)
{
    QImage out(s.W, s.H, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        throw std::bad_alloc();
    ParallelForRange(0, s.H, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(out.scanLine(y));
            for (int x = 0; x < s.W; ++x)
                row[x] = s.pixel(x, y);
        }
    }, 16);
    return out;
}

ISkImage CopyOf(const Sketch& s) { return SkImage::MakeFromRaster(Drawing(s)); }

} // namespace

Pencil6Values Pencil6ValuesFor(int P1, int P2, int P4, int P5)
{
    Pencil6Values v;
    v.MaxLen = int(std::clamp<int64_t>(int64_t(P2) + 5, -10000, 10000));
    v.MinLen = std::min(std::clamp(P1, -10000, 10000), v.MaxLen);
    v.Quality = int(std::clamp<int64_t>(Round64(2.5 * P5), -1000, 500));
    v.ColourOpacity = Round(std::clamp(255.0 * P4 / 100.0, 0.0, 255.0));
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
    ForEachLinePoint(x1, y1, x2, y2, [&xy](int x, int y) {
        xy.push_back(x);
        xy.push_back(y);
    });
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
    SequentialRandom rng;
    Prepare(rng, s, src);

    // Pictures without an interior pixel keep their white paper.
    const int64_t maxi = s.W >= 3 && s.H >= 3 ? Pencil6StepCount(P3, s.W, s.H, Preview) : -1;
    const int64_t divisor = std::max<int64_t>(1, maxi);
    uint32_t lastShown = GetTickMs();
    Line best;
    for (int64_t i = 0; i <= maxi; ++i) {
        CheckCancellation();
        if (!Preview && EngineHost() && GetTickMs() - lastShown > 200) {
            lastShown = GetTickMs();
            // The last steps would show 101, which means "finished".
            QueueIntermediateResult(CopyOf(s), int(std::min<int64_t>(100, i * 100 / divisor + 1)));
        }
        const int Pct = int(i * 100 / divisor);
        const int searches = Pct > 5 ? int(i * 4 / divisor + 1) : 26;
        const int nc = Pencil6Candidates(v.Quality, Pct);
        for (int k = 0; k < searches; ++k)
            if (Search(rng, s, v, Pct, nc, best))
                DrawLine(s, best);
    }

    s.angles.reset();

    // Strong edges darkened.
    ParallelForRange(0, s.H, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            for (int x = 0; x < s.W; ++x) {
                const size_t i = s.cell(x, y);
                const uint32_t c = s.cells[i];
                if ((c & (kSourceClear | kPaperClear)) || 3 * Drawn(c) >= 540)
                    continue;
                s.setDrawn(i, std::max(0, Drawn(c) - int(s.darkening[s.index(x, y)])));
            }
    }, 16);
    s.darkening.reset();
    s.needs.reset();

    const ISkImage sketch = CopyOf(s);
    s.cells.reset();
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
