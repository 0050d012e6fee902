// The space-filling engine shared by Mosaic (squares), Circles (discs) and
// Triangles. One run: a private working copy of the picture, the analysis maps
// (edge map, strong-edge points, 16-pixel tiles, summed-area tables, flat-colour
// islands), then size levels from the largest shape down, each with parallel
// candidate searches and greedy acceptance, and finally gap filling and the
// optional outlines. The shape only changes the geometry and a few tuning
// values; everything else is this one engine.

#include "effects/colour-and-shapes/shapes/SpaceFilling.h"

#include "engine/Effect.h"
#include "engine/ImageHelpers.h"
#include "engine/PixelPlanes.h"
#include "engine/StraightColour.h"
#include "engine/Workers.h"
#include "platform/graphics/PolygonFill.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkPaint.h"
#include "platform/graphics/SkPath.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <tbb/enumerable_thread_specific.h>

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <cmath>
#include <thread>

namespace pv {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kCoverageTarget = 0.9998f;
constexpr int kMaxSubPasses = 25;
constexpr double kSizeFactor = 0.93;
// The smallest half size: below one pixel the level loop would shrink
// towards zero for ever, and no shape could cover the two pixels it needs.
constexpr float kSmallestHalf = 1.0f;
// Bounds on the candidate positions per level, so script-sized iteration
// counts cannot go negative or exhaust memory.
constexpr int64_t kMaxTrials = 1000000;
constexpr double kMaxLevelTrials = 4194304.0;
constexpr int kMaxQuality = 64;
// The fewest positions a sub-pass tries on a picture smaller than the
// reference size.
constexpr double kLeastLevelTrials = 64.0;

std::atomic<int> gWorkerOverride{0};

struct ShapeTuning {
    double span;  // rotation span (0: discs, never rotated)
    float Es;     // edge weight of small sizes
    float Ecap;   // edge level cap
    float Ts, Tl; // tolerance widening for small sizes and late coverage
    float F;      // trial factor
};

constexpr ShapeTuning Tuning(SpaceFillingShape shape)
{
    switch (shape) {
    case SpaceFillingShape::Circle: return {0.0, 0.55f, 0.9f, 3.5f, 2.0f, 1.6f};
    case SpaceFillingShape::Triangle: return {2.0 * kPi / 3.0, 0.5f, 0.85f, 2.5f, 1.5f, 1.0f};
    case SpaceFillingShape::Square: break;
    }
    return {kPi / 2.0, 0.5f, 0.85f, 2.5f, 1.5f, 1.0f};
}

// ------------------------------------------------------------------ records

struct TSFDCandidate {
    float X, Y, Half, CosR, SinR;
    uint8_t R8, G8, B8;
    float Score;
};

struct TSFDUniformCenter {
    int32_t X, Y;
    float MaxHalf;
};

struct TSFDPoint {
    int32_t X, Y;
};

// One entry of a summed-area table: sums of R, G, B and of their squares over
// the rectangle above and left of it. When every rectangle the run asks about
// sums to less than 2^32, the entries are kept modulo 2^32 (half the memory):
// differences of such entries are still exact.
template <typename T>
struct SatCellOf {
    T R, G, B, R2, G2, B2;
};
using SatWide = SatCellOf<int64_t>;
using SatNarrow = SatCellOf<uint32_t>;
struct SatSums {
    int64_t R, G, B, R2, G2, B2;
};

// The sums of R, G, B and of their squares over a box of pixels, four pixels
// at a time: per pixel pair the channels as 16-bit lanes, squared and summed
// pairwise. Exactly the integers a summed-area table gives.
inline SatSums SumBox(const std::vector<const uint32_t*>& rows, int x0, int y0, int x1, int y1)
{
    const __m128i toBG = _mm_setr_epi8(0, -1, 4, -1, 8, -1, 12, -1, 1, -1, 5, -1, 9, -1, 13, -1);
    const __m128i toR = _mm_setr_epi8(2, -1, 6, -1, 10, -1, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i ones = _mm_set1_epi16(1);
    SatSums total{0, 0, 0, 0, 0, 0};
    // A lane's sums stay below 2^32 over a segment of this many pixels.
    constexpr int kSegment = 32768;
    for (int y = y0; y <= y1; ++y) {
        const uint32_t* row = rows[size_t(y)];
        for (int s0 = x0; s0 <= x1; s0 += kSegment) {
            const int s1 = std::min(x1, s0 + kSegment - 1);
            __m128i bg = _mm_setzero_si128(), rr = _mm_setzero_si128();
            __m128i bg2 = _mm_setzero_si128(), rr2 = _mm_setzero_si128();
            int x = s0;
            for (; x + 3 <= s1; x += 4) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
                const __m128i a = _mm_shuffle_epi8(v, toBG), b = _mm_shuffle_epi8(v, toR);
                bg = _mm_add_epi32(bg, _mm_madd_epi16(a, ones));
                rr = _mm_add_epi32(rr, _mm_madd_epi16(b, ones));
                bg2 = _mm_add_epi32(bg2, _mm_madd_epi16(a, a));
                rr2 = _mm_add_epi32(rr2, _mm_madd_epi16(b, b));
            }
            alignas(16) uint32_t l[4], l2[4], m[4], m2[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(l), bg);
            _mm_store_si128(reinterpret_cast<__m128i*>(l2), bg2);
            _mm_store_si128(reinterpret_cast<__m128i*>(m), rr);
            _mm_store_si128(reinterpret_cast<__m128i*>(m2), rr2);
            total.B += int64_t(l[0]) + l[1];
            total.G += int64_t(l[2]) + l[3];
            total.R += int64_t(m[0]) + m[1];
            total.B2 += int64_t(l2[0]) + l2[1];
            total.G2 += int64_t(l2[2]) + l2[3];
            total.R2 += int64_t(m2[0]) + m2[1];
            for (; x <= s1; ++x) {
                const uint32_t p = row[x];
                const int64_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                total.R += r, total.G += g, total.B += b;
                total.R2 += r * r, total.G2 += g * g, total.B2 += b * b;
            }
        }
    }
    return total;
}

struct Box {
    int x0, y0, x1, y1;
    bool empty() const { return x1 < x0 || y1 < y0; }
};

// ------------------------------------------------------------------ sorting

// Quick sort, largest key first, with pivots drawn from a linear congruential
// generator (seed * 134775813 + 1, index (seed * n) >> 32). Equal keys end up
// in a scrambled order, which keeps equally sized shapes from being placed in
// scan order (a visible lattice); the generator is the run's own, so a run
// always sorts the same way.
template <typename T, typename Key>
void QuickSortDescending(T* a, int first, int last, Key key, uint32_t& seed)
{
    while (first < last) {
        seed = seed * 134775813u + 1u;
        const int pick = first + int((uint64_t(seed) * uint64_t(last - first + 1)) >> 32);
        const float pivot = key(a[pick]);
        int i = first, j = last;
        do {
            while (key(a[i]) > pivot)
                ++i;
            while (pivot > key(a[j]))
                --j;
            if (i <= j) {
                std::swap(a[i], a[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        // Recurse into the smaller part, loop on the larger.
        if (j - first < last - i) {
            if (first < j)
                QuickSortDescending(a, first, j, key, seed);
            first = i;
        } else {
            if (i < last)
                QuickSortDescending(a, i, last, key, seed);
            last = j;
        }
    }
}

// ------------------------------------------------------------------ shape geometry

// Pixel centres are tested with each difference rounded to a float. Besides
// the exact test, each shape gives per row the pixel-centre band that is
// certainly inside (no test needed) and the band outside which nothing can be
// inside; the margins exceed every rounding effect of the exact test, so only
// pixels near the outline pay for it and the outcome is the same.
struct RowBand {
    double inLo = kHuge, inHi = -kHuge;   // certainly inside
    double outLo = -kHuge, outHi = kHuge; // possibly inside
    static constexpr double kHuge = 1e18;

    // Adds the constraint a t + b >= 0 (t the pixel-centre x, or its offset
    // from `origin`), certain beyond the margin `e` of the constraint's value.
    [[gnu::always_inline]] void Constrain(double a, double b, double e, double origin)
    {
        if (std::fabs(a) < 1e-12) {
            if (b >= e)
                return;
            inLo = kHuge, inHi = -kHuge;
            if (b <= -e)
                outLo = kHuge, outHi = -kHuge;
            return;
        }
        const double root = origin - b / a, band = e / std::fabs(a) + 1e-9;
        if (a > 0) {
            inLo = std::max(inLo, root + band);
            outLo = std::max(outLo, root - band);
        } else {
            inHi = std::min(inHi, root - band);
            outHi = std::min(outHi, root + band);
        }
    }
    void Start() { inLo = -kHuge, inHi = kHuge; }

    // Adds lo <= t <= hi, certain beyond `band`.
    [[gnu::always_inline]] void Between(double lo, double hi, double band)
    {
        inLo = std::max(inLo, lo + band);
        outLo = std::max(outLo, lo - band);
        inHi = std::min(inHi, hi - band);
        outHi = std::min(outHi, hi + band);
    }
};

struct SquareTest {
    float cx, cy, half, c, s;
    // Per-shape parts of the row bands: reciprocals of the constraint slopes
    // and the margins they turn into along x.
    double e, invC, invS, bandC, bandS;

    SquareTest(float x, float y, float h, float cosR, float sinR) : cx(x), cy(y), half(h), c(cosR), s(sinR)
    {
        e = 1e-5 * (double(half) + 1.0);
        invC = std::fabs(c) >= 1e-12f ? 1.0 / c : 0.0;
        invS = std::fabs(s) >= 1e-12f ? 1.0 / s : 0.0;
        bandC = e * std::fabs(invC) + 1e-9;
        bandS = e * std::fabs(invS) + 1e-9;
    }
    bool operator()(float px, float py) const
    {
        const float dx = px - cx, dy = py - cy;
        const float u = float(double(dx) * c + double(dy) * s);
        const float v = float(double(dy) * c - double(dx) * s);
        return half >= std::fabs(u) && half >= std::fabs(v);
    }
    [[gnu::always_inline]] RowBand Row(float py) const
    {
        const double dy = double(py - cy);
        RowBand r;
        r.Start();
        if (invC != 0.0) {
            // |u| <= half: cx + (-half - dy s) / c .. cx + (half - dy s) / c, ordered by the sign of c.
            const double a = cx + (-double(half) - dy * s) * invC, b = cx + (double(half) - dy * s) * invC;
            r.Between(std::min(a, b), std::max(a, b), bandC);
        } else {
            r.Constrain(-c, half - dy * s, e, cx);
            r.Constrain(c, half + dy * s, e, cx);
        }
        if (invS != 0.0) {
            // |v| <= half: v = dy c - dx s.
            const double a = cx + (dy * c - double(half)) * invS, b = cx + (dy * c + double(half)) * invS;
            r.Between(std::min(a, b), std::max(a, b), bandS);
        } else {
            r.Constrain(s, half - dy * c, e, cx);
            r.Constrain(-s, half + dy * c, e, cx);
        }
        return r;
    }
};

struct CircleTest {
    float cx, cy, half;
    bool operator()(float px, float py) const
    {
        const float dx = px - cx, dy = py - cy;
        return double(dx) * dx + double(dy) * dy <= double(half) * half;
    }
    [[gnu::always_inline]] RowBand Row(float py) const
    {
        const double dy = double(py - cy), q = double(half) * half - dy * dy;
        const double e = 1e-5 * (double(half) + 1.0) * (double(half) + 1.0), m = 1e-6 * (double(half) + 1.0);
        RowBand r;
        if (q + e <= 0) {
            r.outLo = RowBand::kHuge, r.outHi = -RowBand::kHuge;
            return r;
        }
        const double out = std::sqrt(q + e) + m;
        r.outLo = cx - out, r.outHi = cx + out;
        if (q - e > 0) {
            const double in = std::sqrt(q - e) - m;
            r.inLo = cx - in, r.inHi = cx + in;
        }
        return r;
    }
};

struct TriangleTest {
    float v0x, v0y, v1x, v1y, v2x, v2y;
    float half;
    double orientation; // +1 or -1: the sign of the edge functions inside
    TriangleTest(float cx, float cy, float h, float c, float s) : half(h)
    {
        v0x = float(cx + double(half) * c);
        v0y = float(cy + double(half) * s);
        v1x = float(cx + double(half) * (-0.5 * c - 0.8660254 * s));
        v1y = float(cy + double(half) * (-0.5 * s + 0.8660254 * c));
        v2x = float(cx + double(half) * (-0.5 * c + 0.8660254 * s));
        v2y = float(cy + double(half) * (-0.5 * s - 0.8660254 * c));
        orientation = Side(v2x, v2y, v0x, v0y, v1x, v1y) >= 0 ? 1.0 : -1.0;
    }
    static float Side(float px, float py, float ax, float ay, float bx, float by)
    {
        return float((double(px) - ax) * (double(by) - ay) - (double(bx) - ax) * (double(py) - ay));
    }
    bool operator()(float px, float py) const
    {
        const float d1 = Side(px, py, v0x, v0y, v1x, v1y);
        const float d2 = Side(px, py, v1x, v1y, v2x, v2y);
        const float d3 = Side(px, py, v2x, v2y, v0x, v0y);
        const bool neg = d1 < 0 || d2 < 0 || d3 < 0;
        const bool pos = d1 > 0 || d2 > 0 || d3 > 0;
        return !(neg && pos);
    }
    [[gnu::always_inline]] RowBand Row(float py) const
    {
        const double hh = double(half) + 2.0, e = 1e-6 * (1.0 + 30.0 * hh * hh);
        RowBand r;
        r.Start();
        auto edge = [&](float ax, float ay, float bx, float by) {
            const double a = orientation * (double(by) - ay);
            const double b = orientation * (-double(ax) * (double(by) - ay) - (double(bx) - ax) * (double(py) - ay));
            r.Constrain(a, b, e, 0.0);
        };
        edge(v0x, v0y, v1x, v1y);
        edge(v1x, v1y, v2x, v2y);
        edge(v2x, v2y, v0x, v0y);
        return r;
    }
};

// Pixel columns of a row band within [x0, x1]: candidates (possibly inside)
// and the certainly-inside part.
struct ColumnSpan {
    int from, to;     // possibly inside
    int inFrom, inTo; // certainly inside
};

[[gnu::always_inline]] inline int FirstCentreAtOrAfter(double v, int lo, int hi)
{
    return int(std::clamp(std::ceil(v - 0.5), double(lo) - 1.0, double(hi) + 1.0));
}
[[gnu::always_inline]] inline int LastCentreAtOrBefore(double v, int lo, int hi)
{
    return int(std::clamp(std::floor(v - 0.5), double(lo) - 1.0, double(hi) + 1.0));
}

[[gnu::always_inline]] inline ColumnSpan Columns(const RowBand& r, int x0, int x1)
{
    return {std::max(x0, FirstCentreAtOrAfter(r.outLo, x0, x1)), std::min(x1, LastCentreAtOrBefore(r.outHi, x0, x1)),
            FirstCentreAtOrAfter(r.inLo, x0, x1), LastCentreAtOrBefore(r.inHi, x0, x1)};
}

// ------------------------------------------------------------------ context

// Exact division and remainder of 32-bit values by a fixed divisor with two
// multiplications instead of a division (the seed picking divides by the same
// counts millions of times).
struct ExactDivisor {
    uint64_t magic = 0;
    uint32_t d = 1;
    void Set(uint32_t divisor)
    {
        d = std::max<uint32_t>(1, divisor);
        magic = d > 1 ? UINT64_MAX / d + 1 : 0;
    }
    uint32_t Div(uint32_t a) const { return d > 1 ? uint32_t((static_cast<unsigned __int128>(magic) * a) >> 64) : a; }
    uint32_t Mod(uint32_t a) const
    {
        return d > 1 ? uint32_t((static_cast<unsigned __int128>(magic * a) * d) >> 64) : 0;
    }
};

class TSFDContext;

// The rotations of one trial share the seed, and often their box: its colour
// variance is looked up once.
struct VarianceMemo {
    int count = 0;
    Box boxes[8];
    float values[8];
    void Clear() { count = 0; }
    float Get(const TSFDContext& ctx, const Box& box);
};

class TSFDContext {
public:
    int w = 0, h = 0;
    std::vector<const uint32_t*> SrcRows;
    LargeBuffer<float> EdgeMap;
    LargeBuffer<uint8_t> Covered;
    // Set once the flat-colour islands are known: from then on a candidate's
    // whole box must be near-uniform too.
    bool TestBoxVariance = false;
    std::vector<int32_t> TileCoveredCount;
    std::vector<int32_t> TileCapacity;
    int TilesX = 0, TilesY = 0;
    std::vector<TSFDPoint> ContourPts;
    int ContourCount = 0;
    std::vector<int32_t> OpenTiles;
    int OpenTilesCount = 0;
    std::vector<TSFDUniformCenter> UniformCenters;
    int UniformCount = 0;
    int UniformCursor = 0;
    int64_t CoveredCount = 0;
    // During a size level: pixels that reject any candidate at the level's
    // edge level (a strong edge or covered), one bit each in 8 x 8 blocks (one
    // 64-bit word per block), so a shape's box touches few cache lines and
    // the parallel search reads neither edge values nor covered flags.
    // Checking covered pixels unconditionally answers as the tile test does:
    // tiles without covered pixels hold none.
    LargeBuffer<uint64_t> BlockedBits;
    int BlocksX = 0;
    float BlockedLevel = 0;
    bool HasBlocked = false;
    // `Covered` as bits: the seed picking reads it at random places, and the
    // bit plane of even a large picture stays in the caches.
    LargeBuffer<uint64_t> CoveredBits;

    static bool Bit(const uint64_t* bits, size_t i) { return (bits[i >> 6] >> (i & 63)) & 1u; }
    static void SetBit(uint64_t* bits, size_t i) { bits[i >> 6] |= uint64_t(1) << (i & 63); }
    size_t BlockBit(int x, int y) const
    {
        return ((size_t(y >> 3) * size_t(BlocksX) + size_t(x >> 3)) << 6) | size_t(((y & 7) << 3) | (x & 7));
    }

    void PrepareBlocked(float edgeRejectLevel)
    {
        BlocksX = (w + 7) / 8;
        const int blocksY = (h + 7) / 8;
        if (BlockedBits.empty())
            BlockedBits = LargeBuffer<uint64_t>(size_t(BlocksX) * size_t(blocksY));
        ParallelForRange(0, blocksY, [&](int lo, int hi) {
            for (int by = lo; by < hi; ++by) {
                uint64_t* words = BlockedBits.data() + size_t(by) * size_t(BlocksX);
                std::fill_n(words, BlocksX, uint64_t(0));
                for (int y = by * 8; y < std::min(h, by * 8 + 8); ++y) {
                    const size_t row = size_t(y) * size_t(w);
                    const unsigned shiftRow = unsigned(y & 7) << 3;
                    for (int x = 0; x < w; ++x) {
                        const uint64_t blocked = uint64_t(Covered[row + size_t(x)] |
                                                          (EdgeMap[row + size_t(x)] > edgeRejectLevel ? 1 : 0));
                        words[x >> 3] |= blocked << (shiftRow | unsigned(x & 7));
                    }
                }
            }
        }, 4);
        BlockedLevel = edgeRejectLevel;
        HasBlocked = true;
    }

    static void RngStep(uint32_t& state)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
    }
    static float RngFloat(uint32_t& state)
    {
        RngStep(state);
        return float(double(state) / 4294967295.0);
    }
    // Divisors of the counts the seed picking draws from (set before each
    // parallel search, while the counts stay fixed).
    ExactDivisor ContourDiv, OpenTilesDiv, TilesXDiv;
    void PrepareDivisors()
    {
        ContourDiv.Set(uint32_t(std::max(1, ContourCount)));
        OpenTilesDiv.Set(uint32_t(std::max(1, OpenTilesCount)));
        TilesXDiv.Set(uint32_t(std::max(1, TilesX)));
    }
    static int RngInt(uint32_t& state, const ExactDivisor& bound)
    {
        if (bound.d <= 1)
            return 0;
        RngStep(state);
        return int(bound.Mod(state));
    }

    static int RngInt(uint32_t& state, int bound)
    {
        if (bound <= 1)
            return 0;
        RngStep(state);
        return bound == 16 ? int(state & 15u) : int(state % uint32_t(bound));
    }

    static float Variance(int64_t n, int64_t r, int64_t g, int64_t b, int64_t r2, int64_t g2, int64_t b2)
    {
        const double dn = double(n);
        const float mr = float(double(r) / dn), mg = float(double(g) / dn), mb = float(double(b) / dn);
        return float((double(r2) / dn - double(mr) * mr) + (double(g2) / dn - double(mg) * mg) +
                     (double(b2) / dn - double(mb) * mb));
    }

    float BoxVariance(int x0, int y0, int x1, int y1) const
    {
        const SatSums s = SumBox(SrcRows, x0, y0, x1, y1);
        const int64_t n = int64_t(x1 - x0 + 1) * int64_t(y1 - y0 + 1);
        return Variance(n, s.R, s.G, s.B, s.R2, s.G2, s.B2);
    }

    bool BboxAllTilesEmpty(const Box& b) const
    {
        for (int ty = b.y0 / 16; ty <= b.y1 / 16; ++ty)
            for (int tx = b.x0 / 16; tx <= b.x1 / 16; ++tx)
                if (TileCoveredCount[size_t(tx) + size_t(ty) * size_t(TilesX)] != 0)
                    return false;
        return true;
    }

    bool IsCovered(int x, int y) const { return Bit(CoveredBits.data(), size_t(x) + size_t(y) * size_t(w)); }

    void Cover(int x, int y)
    {
        uint8_t& c = Covered[size_t(x) + size_t(y) * size_t(w)];
        if (c)
            return;
        c = 1;
        SetBit(CoveredBits.data(), size_t(x) + size_t(y) * size_t(w));
        if (HasBlocked)
            SetBit(BlockedBits.data(), BlockBit(x, y));
        ++CoveredCount;
        ++TileCoveredCount[size_t(x / 16) + size_t(y / 16) * size_t(TilesX)];
    }

    // The box of a shape of half size 2 or less: every pixel in it counts.
    Box SmallBox(float cx, float cy, float half) const
    {
        return {std::max(0, int(std::ceil(double(cx) - half - 1))), std::max(0, int(std::ceil(double(cy) - half - 1))),
                std::min(w - 1, int(std::floor(double(cx) + half))), std::min(h - 1, int(std::floor(double(cy) + half)))};
    }

    Box RadiusBox(float cx, float cy, int r) const
    {
        return {std::max(0, int(std::floor(cx)) - r), std::max(0, int(std::floor(cy)) - r),
                std::min(w - 1, int(std::ceil(cx)) + r), std::min(h - 1, int(std::ceil(cy)) + r)};
    }

    void PickSeed(float half, float contourFrac, int retries, uint32_t& state, float& sx, float& sy) const
    {
        float m = float(1.42 * half);
        if (m > w / 2.0 - 1)
            m = float(std::max(1.0, w / 2.0 - 1));
        if (m > h / 2.0 - 1)
            m = float(std::max(1.0, h / 2.0 - 1));
        const float hiX = float(w - 1 - double(m)), hiY = float(h - 1 - double(m));
        for (int attempt = 0; attempt <= retries; ++attempt) {
            bool nearContour = false;
            if (ContourCount > 0)
                nearContour = contourFrac > RngFloat(state);
            if (nearContour) {
                const TSFDPoint p = ContourPts[size_t(RngInt(state, ContourDiv))];
                const float a = float(RngFloat(state) * (2.0 * kPi));
                sx = float(p.X + double(half) * std::cos(double(a)));
                sy = float(p.Y + double(half) * std::sin(double(a)));
            } else if (OpenTilesCount > 0) {
                const uint32_t tile = uint32_t(OpenTiles[size_t(RngInt(state, OpenTilesDiv))]);
                const int ty = int(TilesXDiv.Div(tile)), tx = int(tile) - ty * TilesX;
                sx = float(16 * tx + RngInt(state, std::min(16 * (tx + 1), w) - 16 * tx) + 0.5);
                sy = float(16 * ty + RngInt(state, std::min(16 * (ty + 1), h) - 16 * ty) + 0.5);
            } else {
                sx = float(m + double(RngFloat(state)) * (w - 1 - 2.0 * m));
                sy = float(m + double(RngFloat(state)) * (h - 1 - 2.0 * m));
            }
            if (sx < m)
                sx = m;
            if (sx > hiX)
                sx = hiX;
            if (sy < m)
                sy = m;
            if (sy > hiY)
                sy = hiY;
            const int px = std::clamp(Round(sx), 0, w - 1), py = std::clamp(Round(sy), 0, h - 1);
            if (!IsCovered(px, py))
                return;
        }
    }

    // Fit test over a box: `inside` is applied only when half > 2.
    template <typename Inside>
    bool Evaluate(const Box& box, float half, const Inside& inside, float edgeRejectLevel, float colorTolSq,
                  TSFDCandidate& out, VarianceMemo* memo = nullptr) const
    {
        out.Score = 0;
        if (box.empty())
            return false;
        const int64_t boxPixels = int64_t(box.x1 - box.x0 + 1) * int64_t(box.y1 - box.y0 + 1);
        const bool useBlocked = HasBlocked && edgeRejectLevel == BlockedLevel;
        const bool tilesEmpty = !useBlocked && BboxAllTilesEmpty(box);
        const int step = half < 6 ? 1 : std::min(3, int(std::floor(half / 8.0)) + 1);
        const bool test = half > 2;
        auto rowSpan = [&](float py) {
            ColumnSpan span{box.x0, box.x1, box.x0, box.x1};
            if (test) {
                span = Columns(inside.Row(py), box.x0, box.x1);
                if (span.from > box.x0 && step > 1) {
                    const int skip = span.from - box.x0;
                    span.from = box.x0 + (step == 2 ? (skip + 1) & ~1 : (skip + 2) / 3 * 3);
                }
            }
            return span;
        };
        // In a size level most candidates fail on a blocked pixel: that pass
        // reads only the bit plane, and the colours are summed afterwards.
        if (useBlocked) {
            const uint64_t* bits = BlockedBits.data();
            for (int y = box.y0; y <= box.y1; y += step) {
                const float py = float(y) + 0.5f;
                const ColumnSpan span = rowSpan(py);
                for (int x = span.from; x <= span.to; x += step)
                    if (Bit(bits, BlockBit(x, y)) &&
                        ((x >= span.inFrom && x <= span.inTo) || inside(float(x) + 0.5f, py)))
                        return false;
            }
        }
        int64_t n = 0, r = 0, g = 0, b = 0, r2 = 0, g2 = 0, b2 = 0;
        for (int y = box.y0; y <= box.y1; y += step) {
            const float py = float(y) + 0.5f;
            const ColumnSpan span = rowSpan(py);
            const uint32_t* row = SrcRows[size_t(y)];
            const float* edges = EdgeMap.data() + size_t(y) * size_t(w);
            const uint8_t* covered = Covered.data() + size_t(y) * size_t(w);
            for (int x = span.from; x <= span.to; x += step) {
                if ((x < span.inFrom || x > span.inTo) && !inside(float(x) + 0.5f, py))
                    continue;
                if (!useBlocked) {
                    if (edges[x] > edgeRejectLevel)
                        return false;
                    if (!tilesEmpty && covered[x])
                        return false;
                }
                const uint32_t p = row[x];
                const int64_t cr = (p >> 16) & 0xFF, cg = (p >> 8) & 0xFF, cb = p & 0xFF;
                r += cr, g += cg, b += cb;
                r2 += cr * cr, g2 += cg * cg, b2 += cb * cb;
                ++n;
            }
        }
        // Every test here only rejects, so their order does not change the
        // outcome: the whole-box variance from the tables comes after the
        // pixel pass, which turns away most candidates from the bit plane alone.
        if (TestBoxVariance && half >= 6 && boxPixels >= 4) {
            const float variance = memo ? memo->Get(*this, box) : BoxVariance(box.x0, box.y0, box.x1, box.y1);
            if (double(variance) > 1.5 * double(colorTolSq))
                return false;
        }
        if (n < 2)
            return false;
        const float variance = Variance(n, r, g, b, r2, g2, b2);
        if (variance > colorTolSq)
            return false;
        const double dn = double(n);
        out.R8 = uint8_t(std::clamp(Round(double(float(double(r) / dn))), 0, 255));
        out.G8 = uint8_t(std::clamp(Round(double(float(double(g) / dn))), 0, 255));
        out.B8 = uint8_t(std::clamp(Round(double(float(double(b) / dn))), 0, 255));
        out.Score = float(double(half) * half * (1.0 - double(variance) / std::max(1.0, double(colorTolSq))));
        return true;
    }

    template <typename Inside>
    bool IsAreaFree(const Box& box, bool test, const Inside& inside) const
    {
        if (box.empty() || BboxAllTilesEmpty(box))
            return true;
        for (int y = box.y0; y <= box.y1; ++y) {
            const uint8_t* covered = Covered.data() + size_t(y) * size_t(w);
            const float py = float(y) + 0.5f;
            const ColumnSpan span =
                test ? Columns(inside.Row(py), box.x0, box.x1) : ColumnSpan{box.x0, box.x1, box.x0, box.x1};
            for (int x = span.from; x <= span.to; ++x)
                if (covered[x] && ((x >= span.inFrom && x <= span.inTo) || inside(float(x) + 0.5f, py)))
                    return false;
        }
        return true;
    }

    template <typename Inside>
    void MarkCovered(const Box& box, bool test, const Inside& inside)
    {
        for (int y = box.y0; y <= box.y1; ++y) {
            const float py = float(y) + 0.5f;
            const ColumnSpan span =
                test ? Columns(inside.Row(py), box.x0, box.x1) : ColumnSpan{box.x0, box.x1, box.x0, box.x1};
            for (int x = span.from; x <= span.to; ++x)
                if ((x >= span.inFrom && x <= span.inTo) || inside(float(x) + 0.5f, py))
                    Cover(x, y);
        }
    }

    void CompactOpenTiles()
    {
        int i = 0;
        while (i < OpenTilesCount) {
            const int tile = OpenTiles[size_t(i)];
            if (TileCoveredCount[size_t(tile)] >= TileCapacity[size_t(tile)]) {
                OpenTiles[size_t(i)] = OpenTiles[size_t(OpenTilesCount - 1)];
                --OpenTilesCount;
            } else {
                ++i;
            }
        }
    }
};

float VarianceMemo::Get(const TSFDContext& ctx, const Box& box)
{
    for (int i = 0; i < count; ++i)
        if (boxes[i].x0 == box.x0 && boxes[i].y0 == box.y0 && boxes[i].x1 == box.x1 && boxes[i].y1 == box.y1)
            return values[i];
    const float v = ctx.BoxVariance(box.x0, box.y0, box.x1, box.y1);
    if (count < 8) {
        boxes[count] = box;
        values[count++] = v;
    }
    return v;
}

// ------------------------------------------------------------------ shapes

// The geometry of one shape kind: boxes, inside test and outline polygon.
template <SpaceFillingShape Kind>
struct ShapeOps;

template <>
struct ShapeOps<SpaceFillingShape::Square> {
    using Test = SquareTest;
    static Test MakeTest(float cx, float cy, float half, float c, float s) { return Test(cx, cy, half, c, s); }
    static Box EvalBox(const TSFDContext& ctx, float cx, float cy, float half, float c, float s)
    {
        return ctx.RadiusBox(cx, cy, int(std::ceil(double(half) * (std::fabs(c) + std::fabs(s)))));
    }
    static Box CoverBox(const TSFDContext& ctx, float cx, float cy, float half, float c, float s)
    {
        return EvalBox(ctx, cx, cy, half, c, s);
    }
};

template <>
struct ShapeOps<SpaceFillingShape::Circle> {
    using Test = CircleTest;
    static Test MakeTest(float cx, float cy, float half, float, float) { return {cx, cy, half}; }
    static Box EvalBox(const TSFDContext& ctx, float cx, float cy, float half, float, float)
    {
        return ctx.RadiusBox(cx, cy, int(std::ceil(half)));
    }
    static Box CoverBox(const TSFDContext& ctx, float cx, float cy, float half, float c, float s)
    {
        return EvalBox(ctx, cx, cy, half, c, s);
    }
};

template <>
struct ShapeOps<SpaceFillingShape::Triangle> {
    using Test = TriangleTest;
    static Test MakeTest(float cx, float cy, float half, float c, float s) { return {cx, cy, half, c, s}; }
    static Box EvalBox(const TSFDContext& ctx, float cx, float cy, float half, float c, float s)
    {
        const TriangleTest t(cx, cy, half, c, s);
        const float minX = std::min({t.v0x, t.v1x, t.v2x}), maxX = std::max({t.v0x, t.v1x, t.v2x});
        const float minY = std::min({t.v0y, t.v1y, t.v2y}), maxY = std::max({t.v0y, t.v1y, t.v2y});
        return {std::max(0, int(std::floor(minX))), std::max(0, int(std::floor(minY))),
                std::min(ctx.w - 1, int(std::ceil(maxX))), std::min(ctx.h - 1, int(std::ceil(maxY)))};
    }
    static Box CoverBox(const TSFDContext& ctx, float cx, float cy, float half, float, float)
    {
        return ctx.RadiusBox(cx, cy, int(std::ceil(half)));
    }
};

// ------------------------------------------------------------------ the run

// The size passes' own pool: every processor, since the passes keep the
// machine busy only in short bursts between the serial acceptance steps (the
// gouache pool likewise). Held by each run, so a resize never pulls the pool
// from under a running pass.
std::shared_ptr<tbb::task_arena> SizePassPool()
{
    static PrivatePool pool(std::clamp(ProcessorCount(), 1, 16));
    return pool.Get();
}

template <SpaceFillingShape Kind>
class SpaceFillingRun {
public:
    using Ops = ShapeOps<Kind>;
    static constexpr ShapeTuning kTuning = Tuning(Kind);

    SpaceFillingRun(const SpaceFillingValues& values, TSFDContext& ctx, bool preview, const ISkSurface& dest)
        : v_(values), ctx_(ctx), preview_(preview), dest_(dest)
    {
        dest_->peekPixels(destPixels_);
    }

    void EnableOutlines(TAlphaColor colour)
    {
        contourLayer_ = SkSurface::MakeRaster(ctx_.w, ctx_.h);
        contourLayer_->getCanvas()->clear(kColorTransparent);
        contourPaint_.setAntiAlias(true);
        contourPaint_.setStyle(SkPaintStyle::kStroke);
        contourPaint_.setStrokeJoin(SkStrokeJoin::kMiter);
        contourPaint_.miterLimit = 4;
        contourPaint_.setColor(colour | 0xFF000000u);
    }

    const ISkSurface& ContourLayer() const { return contourLayer_; }

    SpaceFillingStats Run(int workers)
    {
        workers_ = std::max(1, workers);
        streams_ = std::vector<SeedStream>(size_t(workers_));
        pool_ = SizePassPool();
        lastTick_ = GetTickMs();
        SpaceFillingStats stats;
        stats.Levels = v_.Levels;
        stats.StartCovered = ctx_.CoveredCount;
        ReportEffectProgress(dest_, preview_, 0);
        ComputeUniformIslands();

        const int64_t total = int64_t(ctx_.w) * int64_t(ctx_.h);
        const int64_t target = Round64(double(total) * double(kCoverageTarget));
        const float Hmax = v_.Hmax, Hmin = v_.Hmin;
        float half = Hmax;
        int level = 0;
        while (half >= Hmin) {
            CheckCancellation();
            if (ctx_.CoveredCount >= target)
                break;
            ++stats.LevelsRun;
            const float t = Hmax > Hmin ? float((double(half) - Hmin) / (double(Hmax) - Hmin)) : 0.5f;
            const float contourFrac = float(0.4 * t + 0.1);
            const float cov = float(double(ctx_.CoveredCount) / double(total));
            const float trialScale = cov <= 0.78f ? float(1.0 + 0.5 * cov)
                                                  : float(std::max(0.45, 1.39 - 2.2 * (double(cov) - 0.78)));
            const float late = cov > 0.85f ? float(std::min(1.0, (double(cov) - 0.85) / 0.15)) : 0.0f;
            const float small = t < 0.7f ? float((0.7 - t) / 0.7) : 0.0f;
            const float edgeRejectLevel =
                float(std::min(double(kTuning.Ecap), 0.25 * t + 0.15 + double(kTuning.Es) * small + 0.45 * late));
            const float colorTolSq =
                float(double(v_.T0) * (1.0 + double(kTuning.Ts) * small + double(kTuning.Tl) * late));
            float ratio = float(double(Hmax) / std::max(1.0, double(half)));
            if (0.5 * Hmax > half)
                ratio = float(std::min(8.0, double(ratio) * ratio));
            else
                ratio = std::min(5.0f, ratio);
            if (ratio < 1)
                ratio = 1;
            const float damping = half > 15 ? float(std::max(0.5, 15.0 / half)) : 1.0f;
            const double trialsRaw =
                double(v_.Trials) * kTuning.F * double(trialScale) * double(ratio) * double(damping);
            const int trialsThisLevel = SpaceFillingLevelTrials(trialsRaw, v_.AreaScale);
            const int low = Round(double(level) / v_.Levels * 95.0);
            const int high = Round(double(level + 1) / v_.Levels * 95.0);

            stats.IslandsPerLevel.push_back(PlaceUniformIslands(float(half / kSizeFactor), half));
            const int accepted = RunSizePass(half, contourFrac, edgeRejectLevel, colorTolSq, trialsThisLevel, low, high);
            stats.AcceptedPerLevel.push_back(accepted);
            if (streak_.LevelDone(accepted))
                break;
            half = float(kSizeFactor * half);
            ++level;
        }
        FillRemainingGaps();
        stats.Covered = ctx_.CoveredCount;
        stats.Shapes = shapes_;
        return stats;
    }

private:
    // ---------------------------------------------------------- islands

    // A summed-area table of the colours and one of the strong-edge count
    // over a window of the picture: the islands of a tile of grid points ask
    // only about squares within their reach.
    template <typename Cell>
    struct WindowSat {
        std::vector<Cell> cells;
        std::vector<uint32_t> edges;
        int x0 = 0, y0 = 0;
        size_t S = 0;

        void Build(const TSFDContext& ctx, int X0, int Y0, int X1, int Y1)
        {
            using T = decltype(Cell::R);
            x0 = X0;
            y0 = Y0;
            S = size_t(X1 - X0 + 2);
            const size_t n = S * size_t(Y1 - Y0 + 2);
            if (cells.size() < n) {
                cells.resize(n);
                edges.resize(n);
            }
            std::fill_n(cells.begin(), S, Cell{});
            std::fill_n(edges.begin(), S, 0u);
            for (int y = Y0; y <= Y1; ++y) {
                const uint32_t* row = ctx.SrcRows[size_t(y)];
                const float* edge = ctx.EdgeMap.data() + size_t(y) * size_t(ctx.w);
                Cell* out = cells.data() + size_t(y - Y0 + 1) * S;
                const Cell* up = out - S;
                uint32_t* outE = edges.data() + size_t(y - Y0 + 1) * S;
                const uint32_t* upE = outE - S;
                Cell acc{};
                uint32_t accE = 0;
                out[0] = Cell{};
                outE[0] = 0;
                for (int x = X0; x <= X1; ++x) {
                    const uint32_t p = row[x];
                    const T r = T((p >> 16) & 0xFF), g = T((p >> 8) & 0xFF), b = T(p & 0xFF);
                    acc.R += r, acc.G += g, acc.B += b;
                    acc.R2 += r * r, acc.G2 += g * g, acc.B2 += b * b;
                    accE += edge[x] > 0.15f ? 1u : 0u;
                    const size_t k = size_t(x - X0 + 1);
                    out[k] = {T(acc.R + up[k].R),   T(acc.G + up[k].G),   T(acc.B + up[k].B),
                              T(acc.R2 + up[k].R2), T(acc.G2 + up[k].G2), T(acc.B2 + up[k].B2)};
                    outE[k] = accE + upE[k];
                }
            }
        }
        // Corner offsets of a box (inclusive) into the tables.
        struct Corners {
            size_t a, b, c, d;
        };
        Corners At(int bx0, int by0, int bx1, int by1) const
        {
            const size_t top = size_t(by0 - y0) * S, bottom = size_t(by1 + 1 - y0) * S;
            const size_t left = size_t(bx0 - x0), right = size_t(bx1 + 1 - x0);
            return {bottom + right, top + right, bottom + left, top + left};
        }
        uint32_t Edges(int bx0, int by0, int bx1, int by1) const
        {
            const Corners k = At(bx0, by0, bx1, by1);
            return edges[k.a] - edges[k.b] - edges[k.c] + edges[k.d];
        }
        SatSums Sums(int bx0, int by0, int bx1, int by1) const
        {
            using T = decltype(Cell::R);
            const Corners k = At(bx0, by0, bx1, by1);
            const Cell &a = cells[k.a], &b = cells[k.b], &c = cells[k.c], &d = cells[k.d];
            auto sum = [](T a, T b, T c, T d) { return int64_t(T(a - b - c + d)); };
            return {sum(a.R, b.R, c.R, d.R),     sum(a.G, b.G, c.G, d.G),     sum(a.B, b.B, c.B, d.B),
                    sum(a.R2, b.R2, c.R2, d.R2), sum(a.G2, b.G2, c.G2, d.G2), sum(a.B2, b.B2, c.B2, d.B2)};
        }
    };

    // The flat-colour islands: on a grid of every third pixel the largest
    // square free of strong edges whose colour variance stays within the
    // tolerance. Tiles of grid points go to the pool, each with the tables of
    // its own window (a picture-sized table would hold 28 bytes a pixel).
    void ComputeUniformIslands()
    {
        const int w = ctx_.w, h = ctx_.h;
        const int rmax = int(v_.Hmax);
        const int rmin = std::max(1, int(std::ceil(v_.Hmin)));
        const float T0 = v_.T0;
        std::vector<int> rows;
        for (int y = rmin; y < h - rmin; y += 3)
            rows.push_back(y);
        const int columns = w - rmin > rmin ? (w - 2 * rmin + 2) / 3 : 0;
        constexpr int kBandRows = 32, kTileColumns = 64;
        const int bands = (int(rows.size()) + kBandRows - 1) / kBandRows;
        const int tiles = (columns + kTileColumns - 1) / kTileColumns;
        // Per grid row and tile, in scan order.
        std::vector<std::vector<TSFDUniformCenter>> found(rows.size() * size_t(tiles));
        auto search = [&](auto& tables) {
            if (rmax < rmin)
                return; // no square fits between the sizes
            ParallelFor(0, bands * tiles, [&](int task) {
                CheckCancellation();
                const int band = task / tiles, tile = task % tiles;
                const int i0 = band * kBandRows, i1 = std::min(int(rows.size()), i0 + kBandRows);
                const int c0 = tile * kTileColumns, c1 = std::min(columns, c0 + kTileColumns);
                const int xa = rmin + 3 * c0, xb = rmin + 3 * (c1 - 1);
                auto& sat = tables.local();
                sat.Build(ctx_, std::max(0, xa - rmax), std::max(0, rows[size_t(i0)] - rmax), std::min(w - 1, xb + rmax),
                          std::min(h - 1, rows[size_t(i1 - 1)] + rmax));
                for (int i = i0; i < i1; ++i) {
                    const int y = rows[size_t(i)];
                    std::vector<TSFDUniformCenter>& out = found[size_t(i) * size_t(tiles) + size_t(tile)];
                    for (int x = xa; x <= xb; x += 3) {
                        int lo = rmin, hi = std::min({x, w - x - 1, rmax, y, h - y - 1}), best = -1;
                        while (lo <= hi) {
                            const int mid = (lo + hi) / 2;
                            const int bx0 = x - mid, by0 = y - mid, bx1 = x + mid, by1 = y + mid;
                            bool flat = sat.Edges(bx0, by0, bx1, by1) == 0;
                            if (flat) {
                                const SatSums s = sat.Sums(bx0, by0, bx1, by1);
                                const int64_t n = int64_t(bx1 - bx0 + 1) * int64_t(by1 - by0 + 1);
                                flat = TSFDContext::Variance(n, s.R, s.G, s.B, s.R2, s.G2, s.B2) <= T0;
                            }
                            if (flat) {
                                best = mid;
                                lo = mid + 1;
                            } else {
                                hi = mid - 1;
                            }
                        }
                        if (best >= rmin)
                            out.push_back({x, y, float(best)});
                    }
                }
            });
        };
        if (2 * rmax + 1 <= 256) { // 256 * 256 * 255 * 255 < 2^32
            tbb::enumerable_thread_specific<WindowSat<SatNarrow>> tables;
            search(tables);
        } else {
            tbb::enumerable_thread_specific<WindowSat<SatWide>> tables;
            search(tables);
        }
        ctx_.TestBoxVariance = true;
        CheckCancellation();
        ctx_.UniformCenters.clear();
        for (auto& row : found)
            ctx_.UniformCenters.insert(ctx_.UniformCenters.end(), row.begin(), row.end());
        ctx_.UniformCount = int(ctx_.UniformCenters.size());
        if (ctx_.UniformCount > 1)
            QuickSortDescending(ctx_.UniformCenters.data(), 0, ctx_.UniformCount - 1,
                                [](const TSFDUniformCenter& c) { return c.MaxHalf; }, sortSeed_);
        ctx_.UniformCursor = 0;
    }

    int PlaceUniformIslands(float upper, float lower)
    {
        if (ctx_.UniformCount == 0)
            return 0;
        uint32_t state = 106698;
        int placed = 0;
        const double floorSize = std::max(double(v_.Hmin), 0.9 * double(lower));
        while (ctx_.UniformCursor < ctx_.UniformCount) {
            const TSFDUniformCenter island = ctx_.UniformCenters[size_t(ctx_.UniformCursor)];
            const float mh = island.MaxHalf;
            if (mh >= upper) {
                ++ctx_.UniformCursor;
                continue;
            }
            if (double(mh) < floorSize)
                break;
            ++ctx_.UniformCursor;
            if (ctx_.IsCovered(island.X, island.Y))
                continue;
            float c = 1, s = 0;
            if (kTuning.span > 0)
                Angle(float(double(TSFDContext::RngFloat(state)) * kTuning.span), c, s);
            TSFDCandidate cand;
            if (TryShape(float(island.X + 0.5), float(island.Y + 0.5), mh, c, s, 0.9f, v_.T0, cand)) {
                ++placed;
                streak_.IslandPlaced();
            }
        }
        if (placed > 0)
            ctx_.CompactOpenTiles();
        return placed;
    }

    // ---------------------------------------------------------- shapes

    static void Angle(float a, float& c, float& s)
    {
        c = float(std::cos(double(a)));
        s = float(std::sin(double(a)));
    }

    bool Evaluate(float cx, float cy, float half, float c, float s, float edgeRejectLevel, float colorTolSq,
                  TSFDCandidate& out, VarianceMemo* memo = nullptr) const
    {
        const bool test = half > 2;
        const Box box = test ? Ops::EvalBox(ctx_, cx, cy, half, c, s) : ctx_.SmallBox(cx, cy, half);
        const typename Ops::Test inside = Ops::MakeTest(cx, cy, half, c, s);
        if (!ctx_.Evaluate(box, half, inside, edgeRejectLevel, colorTolSq, out, memo))
            return false;
        out.X = cx, out.Y = cy, out.Half = half, out.CosR = c, out.SinR = s;
        return true;
    }

    bool IsAreaFree(const TSFDCandidate& cand) const
    {
        const bool test = cand.Half > 2;
        const Box box = test ? Ops::CoverBox(ctx_, cand.X, cand.Y, cand.Half, cand.CosR, cand.SinR)
                             : ctx_.SmallBox(cand.X, cand.Y, cand.Half);
        return ctx_.IsAreaFree(box, test, Ops::MakeTest(cand.X, cand.Y, cand.Half, cand.CosR, cand.SinR));
    }

    void MarkCovered(const TSFDCandidate& cand)
    {
        const bool test = cand.Half > 2;
        const Box box = test ? Ops::CoverBox(ctx_, cand.X, cand.Y, cand.Half, cand.CosR, cand.SinR)
                             : ctx_.SmallBox(cand.X, cand.Y, cand.Half);
        ctx_.MarkCovered(box, test, Ops::MakeTest(cand.X, cand.Y, cand.Half, cand.CosR, cand.SinR));
    }

    // Places a shape when its area is free and it fits; islands and gaps.
    bool TryShape(float cx, float cy, float half, float c, float s, float edgeRejectLevel, float colorTolSq,
                  TSFDCandidate& cand)
    {
        cand.X = cx, cand.Y = cy, cand.Half = half, cand.CosR = c, cand.SinR = s;
        if (!IsAreaFree(cand) || !Evaluate(cx, cy, half, c, s, edgeRejectLevel, colorTolSq, cand))
            return false;
        MarkCovered(cand);
        DrawShape(cand);
        return true;
    }

    // The shape's outline in device coordinates, enlarged by `grow`.
    int Outline(const TSFDCandidate& c, float grow, float* xy) const
    {
        const float s = c.Half + grow;
        if constexpr (Kind == SpaceFillingShape::Square) {
            const float corners[4][2] = {{-s, -s}, {s, -s}, {s, s}, {-s, s}};
            for (int i = 0; i < 4; ++i) {
                const double x = corners[i][0], y = corners[i][1];
                xy[2 * i] = float(x * c.CosR - y * c.SinR + c.X);
                xy[2 * i + 1] = float(x * c.SinR + y * c.CosR + c.Y);
            }
            return 4;
        } else if constexpr (Kind == SpaceFillingShape::Triangle) {
            const double unit[3][2] = {{1, 0}, {-0.5, 0.8660254}, {-0.5, -0.8660254}};
            for (int i = 0; i < 3; ++i) {
                const double x = unit[i][0], y = unit[i][1];
                xy[2 * i] = float(double(s) * (x * c.CosR - y * c.SinR) + c.X);
                xy[2 * i + 1] = float(double(s) * (x * c.SinR + y * c.CosR) + c.Y);
            }
            return 3;
        } else {
            // A regular polygon of the disc's area, its edges about 1.5 pixels long.
            const int n = std::clamp(int(std::ceil(2.0 * kPi * s / 1.5)), 12, kMaxDiscVertices);
            const double k = double(s) * std::sqrt(2.0 * kPi / (n * std::sin(2.0 * kPi / n)));
            for (int i = 0; i < n; ++i) {
                const double a = 2.0 * kPi * i / n;
                xy[2 * i] = float(c.X + k * std::cos(a));
                xy[2 * i + 1] = float(c.Y + k * std::sin(a));
            }
            return n;
        }
    }

    void DrawShape(const TSFDCandidate& c)
    {
        ++shapes_;
        float xy[2 * kMaxDiscVertices];
        const int n = Outline(c, 0.1f, xy);
        const uint32_t colour = 0xFF000000u | (uint32_t(c.R8) << 16) | (uint32_t(c.G8) << 8) | c.B8;
        filler_.fill(destPixels_, xy, n, colour);
        if (!contourLayer_)
            return;
        SkCanvas* canvas = contourLayer_->getCanvas();
        contourPaint_.setStrokeWidth(SpaceFillingOutlineWidth(Kind, c.Half));
        if constexpr (Kind == SpaceFillingShape::Circle) {
            canvas->drawCircle(c.X, c.Y, c.Half, contourPaint_);
        } else {
            SkPath path;
            path.moveTo(xy[0], xy[1]);
            for (int i = 1; i < n; ++i)
                path.lineTo(xy[2 * i], xy[2 * i + 1]);
            path.close();
            canvas->drawPath(path, contourPaint_);
        }
    }

    // ---------------------------------------------------------- size levels

    int RunSizePass(float half, float contourFrac, float edgeRejectLevel, float colorTolSq, int trialsThisLevel,
                    int low, int high)
    {
        const int numRot = kTuning.span > 0 ? RotationsForSize(half, v_.Quality) : 1;
        std::vector<float> rotCos, rotSin;
        if (numRot > 1)
            for (float a : SpaceFillingAngles(Kind, half, v_.Quality)) {
                float c, s;
                Angle(a, c, s);
                rotCos.push_back(c);
                rotSin.push_back(s);
            }
        const int64_t total = int64_t(ctx_.w) * int64_t(ctx_.h);
        const int64_t target = Round64(double(total) * double(kCoverageTarget));
        const bool drawAngle = numRot == 1 && kTuning.span > 0 && half > 2;
        int acceptedTotal = 0, streak = 0;
        ctx_.PrepareBlocked(edgeRejectLevel);
        std::vector<TSFDCandidate>& merged = merged_;
        if (seeds_.size() < size_t(trialsThisLevel)) {
            seeds_.resize(size_t(trialsThisLevel));
            found_.resize(size_t(trialsThisLevel));
            taken_.resize(size_t(trialsThisLevel));
        }
        for (int subPass = 1; subPass <= kMaxSubPasses; ++subPass) {
            CheckCancellation();
            if (ctx_.CoveredCount >= target)
                break;
            const int quota = trialsThisLevel / workers_;
            ctx_.PrepareDivisors();
            // Each worker's seed sequence never depends on the fits, so the
            // sequences are drawn a chunk at a time by whichever thread finds
            // one free, and every thread fits the trials already drawn when no
            // sequence is free: trial k of worker i sits at i * quota + k, so
            // the candidates come out in the same order as worker by worker.
            for (int i = 0; i < workers_; ++i) {
                SeedStream& stream = streams_[size_t(i)];
                stream.state = uint32_t(i + 1) * 7919u + uint32_t(subPass) * 31337u + 1969u;
                if (stream.state == 0)
                    stream.state = 1;
                stream.base = i * quota;
                stream.end = quota + (i == workers_ - 1 ? trialsThisLevel % workers_ : 0);
                stream.next = 0;
                stream.drawn.store(0, std::memory_order_relaxed);
                stream.claimed.store(0, std::memory_order_relaxed);
                stream.finished.store(stream.end == 0, std::memory_order_relaxed);
                stream.busy.store(false, std::memory_order_relaxed);
            }
            std::atomic<bool> cancelled{false};
            auto fit = [&](int from, int to, VarianceMemo& memo) {
                TSFDCandidate cand;
                for (int t = from; t < to; ++t) {
                    const TrialSeed seed = seeds_[size_t(t)];
                    float best = -1;
                    bool taken = false;
                    memo.Clear();
                    for (int r = 0; r < numRot; ++r) {
                        float c = 1, s = 0;
                        if (numRot > 1) {
                            c = rotCos[size_t(r)];
                            s = rotSin[size_t(r)];
                        } else if (drawAngle) {
                            Angle(float(double(seed.draw) * kTuning.span), c, s);
                        }
                        if (Evaluate(seed.x, seed.y, half, c, s, edgeRejectLevel, colorTolSq, cand, &memo) &&
                            cand.Score > best) {
                            best = cand.Score;
                            found_[size_t(t)] = cand;
                            taken = true;
                        }
                    }
                    taken_[size_t(t)] = taken ? 1 : 0;
                }
            };
            // Draws the next chunk of a sequence no other thread is drawing.
            auto drawSome = [&](bool& pending) {
                pending = false;
                for (int i = 0; i < workers_; ++i) {
                    SeedStream& stream = streams_[size_t(i)];
                    if (stream.finished.load(std::memory_order_acquire))
                        continue;
                    pending = true;
                    if (stream.busy.exchange(true, std::memory_order_acquire))
                        continue;
                    if (!stream.finished.load(std::memory_order_relaxed)) {
                        TrialSeed* out = seeds_.data() + size_t(stream.base);
                        const int to = std::min(stream.end, stream.next + kSeedChunk);
                        if (IsEffectCancelled())
                            cancelled.store(true, std::memory_order_relaxed);
                        uint32_t state = stream.state;
                        for (int k = stream.next; k < to; ++k) {
                            TrialSeed& seed = out[k];
                            ctx_.PickSeed(half, contourFrac, 150, state, seed.x, seed.y);
                            seed.draw = drawAngle ? TSFDContext::RngFloat(state) : 0.0f;
                        }
                        stream.state = state;
                        stream.next = to;
                        stream.drawn.store(to, std::memory_order_release);
                        if (to == stream.end)
                            stream.finished.store(true, std::memory_order_release);
                    }
                    stream.busy.store(false, std::memory_order_release);
                    return true;
                }
                return false;
            };
            // Fits a chunk of drawn trials nobody has claimed.
            auto fitSome = [&](VarianceMemo& memo, bool& left) {
                left = false;
                for (int i = 0; i < workers_; ++i) {
                    SeedStream& stream = streams_[size_t(i)];
                    const int drawn = stream.drawn.load(std::memory_order_acquire);
                    int claimed = stream.claimed.load(std::memory_order_relaxed);
                    if (claimed < stream.end)
                        left = true;
                    while (claimed < drawn) {
                        const int to = std::min(drawn, claimed + kFitChunk);
                        if (stream.claimed.compare_exchange_weak(claimed, to, std::memory_order_relaxed)) {
                            fit(stream.base + claimed, stream.base + to, memo);
                            return true;
                        }
                    }
                }
                return false;
            };
            ParallelForRangeIn(*pool_, 0, pool_->max_concurrency(), [&](int, int) {
                VarianceMemo memo;
                for (;;) {
                    if (cancelled.load(std::memory_order_relaxed))
                        return;
                    bool pending = false, left = false;
                    if (drawSome(pending) || fitSome(memo, left))
                        continue;
                    if (!pending && !left)
                        return;
                    std::this_thread::yield();
                }
            });
            CheckCancellation();
            merged.clear();
            for (int t = 0; t < trialsThisLevel; ++t)
                if (taken_[size_t(t)])
                    merged.push_back(found_[size_t(t)]);
            const size_t n = merged.size();
            if (n == 0) {
                if (++streak >= 3)
                    break;
                continue;
            }
            QuickSortDescending(merged.data(), 0, int(merged.size()) - 1, [](const TSFDCandidate& c) { return c.Score; },
                                sortSeed_);
            int acceptedNow = 0;
            for (const TSFDCandidate& cand : merged) {
                if (!IsAreaFree(cand))
                    continue;
                MarkCovered(cand);
                DrawShape(cand);
                ++acceptedNow;
            }
            acceptedTotal += acceptedNow;
            ctx_.CompactOpenTiles();
            if (acceptedNow == 0) {
                if (++streak >= 3)
                    break;
            } else {
                streak = 0;
            }
            Feedback(std::clamp(low + Round((high - low) * std::min(1.0, subPass / 20.0)), 0, 99));
        }
        return acceptedTotal;
    }

    // ---------------------------------------------------------- gaps

    void FillRemainingGaps()
    {
        const int w = ctx_.w, h = ctx_.h;
        const int64_t total = int64_t(w) * int64_t(h);
        if (ctx_.CoveredCount >= Round64(double(total) * 0.999))
            return;
        const int step = std::max(1, Round(2.0 * v_.Hmin));
        uint32_t state = 59750;
        bool placed = false;
        for (int y = 0; y < h; y += step) {
            for (int x = 0; x < w; x += step) {
                if (ctx_.IsCovered(x, y))
                    continue;
                const float cx = float(x + 0.5), cy = float(y + 0.5);
                float half = 0;
                if constexpr (Kind == SpaceFillingShape::Square)
                    half = float(double(v_.Hmin) * (0.8 + 0.4 * double(TSFDContext::RngFloat(state))));
                for (int attempt = 0; attempt < 7; ++attempt) {
                    float c = 1, s = 0;
                    if constexpr (Kind == SpaceFillingShape::Square) {
                        Angle(float(double(TSFDContext::RngFloat(state)) * kTuning.span), c, s);
                    } else if constexpr (Kind == SpaceFillingShape::Circle) {
                        half = float(double(v_.Hmin) * (0.8 + 0.4 * double(TSFDContext::RngFloat(state))));
                    } else {
                        half = float(double(v_.Hmin) * (1.0 + 0.2 * double(TSFDContext::RngFloat(state))));
                        Angle(float(double(TSFDContext::RngFloat(state)) * kTuning.span), c, s);
                    }
                    TSFDCandidate cand;
                    if (TryShape(cx, cy, half, c, s, 100.0f, 1e10f, cand)) {
                        placed = true;
                        break;
                    }
                }
            }
            const int next = y + step;
            if (next % 32 == 0) {
                CheckCancellation();
                Feedback(std::clamp(95 + Round(double(next) / h * 4.0), 95, 99));
            }
        }
        if (placed)
            ctx_.CompactOpenTiles();
    }

    // ---------------------------------------------------------- feedback

    void Feedback(int percent)
    {
        CheckCancellation();
        const uint32_t now = GetTickMs();
        if (preview_) {
            if (now - lastTick_ >= 80) {
                lastTick_ = now;
                SafeUpdatePreview(dest_, percent);
            }
            return;
        }
        SafeUpdateProgress(percent);
        if (now - lastTick_ <= 200)
            return;
        lastTick_ = now;
        // Without a main window nothing would show the picture: skip the snapshot.
        if (!EngineHost())
            return;
        const ISkImage snap = dest_->makeImageSnapshot();
        if (!snap)
            return;
        RunOnUISync([&] {
            const TEngineHost* host = EngineHost();
            if (host && !host->IsDestroying() && !host->Cancel.load())
                ShowIntermediateResult(snap, -1);
        });
    }

    static constexpr int kMaxDiscVertices = 1024;

    // A trial's position and, when the level draws one, its angle's draw.
    struct TrialSeed {
        float x, y, draw;
    };
    // One worker's seed sequence during a size pass: its generator and how
    // far it has been drawn (by one thread at a time) and fitted.
    struct alignas(64) SeedStream {
        uint32_t state = 1;
        int base = 0, end = 0, next = 0;
        std::atomic<int> drawn{0}, claimed{0};
        std::atomic<bool> finished{false}, busy{false};
    };
    static constexpr int kSeedChunk = 256;
    static constexpr int kFitChunk = 32;

    const SpaceFillingValues v_;
    TSFDContext& ctx_;
    const bool preview_;
    ISkSurface dest_;
    SkPixmap destPixels_;
    PolygonFiller filler_;
    ISkSurface contourLayer_;
    SkPaint contourPaint_;
    LevelStreak streak_;
    uint32_t sortSeed_ = 0; // the pivot generator of every sort in the run
    int workers_ = 1;
    uint32_t lastTick_ = 0;
    int64_t shapes_ = 0;
    // The size passes' trial buffers, kept from level to level.
    std::vector<TrialSeed> seeds_;
    std::vector<SeedStream> streams_;
    std::shared_ptr<tbb::task_arena> pool_;
    std::vector<TSFDCandidate> found_;
    std::vector<uint8_t> taken_;
    std::vector<TSFDCandidate> merged_;
};

// ------------------------------------------------------------------ maps

void BuildEdgeMap(TSFDContext& ctx)
{
    const int w = ctx.w, h = ctx.h;
    const size_t W = size_t(w), n = W * size_t(h);
    ctx.EdgeMap = LargeBuffer<float>(n);
    LargeBuffer<uint8_t> luma(n);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* row = ctx.SrcRows[size_t(y)];
            uint8_t* out = luma.data() + size_t(y) * W;
            for (int x = 0; x < w; ++x) {
                const uint32_t p = row[x];
                out[x] = uint8_t((77 * ((p >> 16) & 0xFF) + 150 * ((p >> 8) & 0xFF) + 29 * (p & 0xFF)) >> 8);
            }
        }
    }, 16);
    float maximum = 0;
    {
        LargeBuffer<int16_t> gx(n), gy(n);
        for (int y0 = 0; y0 < h; y0 += 64) {
            CheckCancellation();
            SobelGradientRows(luma.data(), w, h, y0, std::min(h, y0 + 64), gx.data(), gy.data());
        }
        std::vector<float> rowMax(size_t(h), 0.0f);
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                float m = 0;
                float* out = ctx.EdgeMap.data() + size_t(y) * W;
                const int16_t* ax = gx.data() + size_t(y) * W;
                const int16_t* ay = gy.data() + size_t(y) * W;
                for (int x = 0; x < w; ++x) {
                    const int sx = ax[x], sy = ay[x];
                    out[x] = float(std::sqrt(double(sx * sx + sy * sy)));
                    m = std::max(m, out[x]);
                }
                rowMax[size_t(y)] = m;
            }
        }, 16);
        for (float m : rowMax)
            maximum = std::max(maximum, m);
    }
    if (maximum > 1e-6f)
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (size_t i = size_t(lo) * W; i < size_t(hi) * W; ++i)
                ctx.EdgeMap[i] = float(double(ctx.EdgeMap[i]) / maximum);
        }, 16);
}

void BuildContourPoints(TSFDContext& ctx)
{
    ctx.ContourPts.clear();
    ctx.ContourPts.reserve(4096);
    for (int y = 1; y < ctx.h - 1; y += 3)
        for (int x = 1; x < ctx.w - 1; x += 3)
            if (ctx.EdgeMap[size_t(x) + size_t(y) * size_t(ctx.w)] >= 0.16f)
                ctx.ContourPts.push_back({x, y});
    ctx.ContourCount = int(ctx.ContourPts.size());
}

void InitTiles(TSFDContext& ctx)
{
    ctx.TilesX = (ctx.w + 15) / 16;
    ctx.TilesY = (ctx.h + 15) / 16;
    const size_t tiles = size_t(ctx.TilesX) * size_t(ctx.TilesY);
    ctx.TileCoveredCount.assign(tiles, 0);
    ctx.TileCapacity.resize(tiles);
    ctx.OpenTiles.resize(tiles);
    for (int ty = 0; ty < ctx.TilesY; ++ty)
        for (int tx = 0; tx < ctx.TilesX; ++tx) {
            const size_t i = size_t(tx) + size_t(ty) * size_t(ctx.TilesX);
            ctx.TileCapacity[i] = (std::min(16 * (tx + 1), ctx.w) - 16 * tx) * (std::min(16 * (ty + 1), ctx.h) - 16 * ty);
            ctx.OpenTiles[i] = int32_t(i);
        }
    ctx.OpenTilesCount = int(tiles);
}

// Draws `image` into a fresh w x h surface (optionally scaled) and snapshots it.
ISkImage Redraw(const ISkImage& image, int w, int h, const SkRect& dst)
{
    const ISkSurface surface = SkSurface::MakeRaster(w, h);
    SkCanvas* canvas = surface->getCanvas();
    canvas->clear(kColorTransparent);
    canvas->drawImageRect(image, SkRect::MakeWH(float(image->width()), float(image->height())), dst,
                          SkSamplingOptions::Linear(), nullptr, SkSrcRectConstraint::kFast);
    return surface->makeImageSnapshot();
}

} // namespace

// ------------------------------------------------------------------ public

int SpaceFillingLevelCount(float hmax, float hmin)
{
    hmin = std::max(hmin, kSmallestHalf);
    int levels = 0;
    for (float s = hmax; s >= hmin; s = float(kSizeFactor * s))
        ++levels;
    return std::max(1, levels);
}

SpaceFillingValues SpaceFillingParameters(SpaceFillingShape shape, int P1, int P2, int P3, int P4, int P5, int w, int h,
                                          bool preview)
{
    SpaceFillingValues v;
    v.Trials = int(std::clamp<int64_t>(int64_t(P1) * 180 + 500, 0, kMaxTrials));
    float hmax = float(P3 / 100.0 * 58.0 + 2.0);
    hmax = std::min(hmax, float(0.45 * std::min(w, h)));
    float hmin = float(P2 / 100.0 * 6.5 + 1.5);
    if (hmin > 0.7 * hmax)
        hmin = float(std::max(1.5, 0.5 * hmax));
    if (!preview) {
        hmax = float(hmax / 1.5);
        hmin = float(hmin / 1.5);
    }
    v.Hmax = hmax;
    v.Hmin = std::max(hmin, kSmallestHalf);
    const double tol = P4 / 100.0 * 115.0 + 5.0;
    v.T0 = float(tol * tol);
    v.Quality = shape == SpaceFillingShape::Circle ? 1
                                                   : int(std::clamp<int64_t>(Round64(P5 / 80.0 * 8.0) + 4, 1, kMaxQuality));
    v.Levels = SpaceFillingLevelCount(v.Hmax, v.Hmin);
    v.AreaScale = ReferenceAreaScale(w, h) / (preview ? 1.5 * 1.5 : 1.0);
    return v;
}

int SpaceFillingLevelTrials(double unscaled, double areaScale)
{
    const double trials = std::max(std::min(unscaled, kLeastLevelTrials), unscaled * areaScale);
    return int(std::clamp(double(Round64(trials)), 0.0, kMaxLevelTrials));
}

int RotationsForSize(float half, int q)
{
    if (half <= 2 || half > 25)
        return 1;
    if (half > 12)
        return std::min(q, 3);
    if (half > 5)
        return std::min(q, 5);
    return q;
}

std::vector<float> SpaceFillingAngles(SpaceFillingShape shape, float half, int q)
{
    const double span = Tuning(shape).span;
    const int n = RotationsForSize(half, q);
    std::vector<float> angles;
    if (span <= 0 || n <= 1)
        return angles;
    for (int i = 0; i < n; ++i)
        angles.push_back(float(double(i) / n * span));
    return angles;
}

float SpaceFillingOutlineWidth(SpaceFillingShape shape, float half)
{
    const double least = shape == SpaceFillingShape::Circle ? 2.5 : 0.5;
    return float(std::max(least, 0.08 * half));
}

void SetSpaceFillingWorkers(int workers) { gWorkerOverride = std::max(0, workers); }

int SpaceFillingWorkers()
{
    const int n = gWorkerOverride.load();
    return n > 0 ? std::min(n, 16) : std::clamp(ProcessorCount(), 1, 16);
}

namespace {

template <SpaceFillingShape Kind>
SpaceFillingStats RunShape(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                           bool Preview)
{
    SpaceFillingStats none;
    if (!Source || !Dest)
        return none;
    int w = Source->width(), h = Source->height();
    if (w < 4 || h < 4)
        return none;

    ISkImage source = Source;
    ISkSurface dest = Dest;
    if (Preview) {
        w = Round(1.5 * w);
        h = Round(1.5 * h);
        // Drawn to fill the rounded size exactly: a crop of odd size would
        // otherwise leave a half-covered last column or row (225 x 1.5 =
        // 337.5 in 338 pixels) and an opaque picture would count as translucent.
        source = Redraw(Source, w, h, SkRect::MakeWH(float(w), float(h)));
        dest = SkSurface::MakeRaster(w, h);
    }
    CheckCancellation();
    ISkImage working = Redraw(source, w, h, SkRect::MakeWH(float(source->width()), float(source->height())));
    if (!Preview) {
        const ISkImage halfSize = Redraw(working, w / 2, h / 2, SkRect::MakeWH(float(w / 2), float(h / 2)));
        working = Redraw(halfSize, w, h, SkRect::MakeWH(float(w), float(h)));
    }
    SkPixmap pixels;
    if (!working || !working->peekPixels(pixels) || !pixels.valid())
        return none;

    TSFDContext ctx;
    ctx.w = w;
    ctx.h = h;
    ctx.SrcRows.resize(size_t(h));
    // A translucent picture is judged and painted in its straight colour; the
    // shapes take the picture's alpha at the end.
    const bool hasTransparency = HasTranslucentPixel(pixels);
    StraightPicture straight;
    if (hasTransparency) {
        straight = MakeStraightPicture(pixels);
        pixels = straight.map;
    }
    for (int y = 0; y < h; ++y)
        ctx.SrcRows[size_t(y)] = pixels.row(y);

    const SpaceFillingValues values = SpaceFillingParameters(Kind, P1, P2, P3, P4, P5, w, h, Preview);
    BuildEdgeMap(ctx);
    BuildContourPoints(ctx);
    InitTiles(ctx);
    ctx.Covered = LargeBuffer<uint8_t>(size_t(w) * size_t(h));
    ctx.CoveredBits = LargeBuffer<uint64_t>((size_t(w) * size_t(h) + 63) / 64);
    if (hasTransparency) {
        for (int y = 0; y < h; ++y) {
            const uint32_t* row = ctx.SrcRows[size_t(y)];
            for (int x = 0; x < w; ++x)
                if ((row[x] >> 24) < 128)
                    ctx.Cover(x, y);
        }
        ctx.CompactOpenTiles();
    }

    if (Preview) {
        dest->getCanvas()->clear(hasTransparency ? kColorTransparent : kColorWhite);
    } else {
        CanvasStartOptions options;
        options.rule = ClearRule::InputTest;
        options.transparencyFlag = hasTransparency;
        options.keep = KeepMode::DrawBase;
        StartEffectCanvas(dest, options);
    }
    dest->getCanvas()->flush();

    SpaceFillingRun<Kind> run(values, ctx, Preview, dest);
    const TEngineHost* host = EngineHost();
    const bool outlines = host && host->FDrawContourChecked.load();
    const TAlphaColor contourColour = host ? host->FContourColor.load() : kColorBlack;
    if (outlines)
        run.EnableOutlines(contourColour);

    SpaceFillingStats stats = run.Run(SpaceFillingWorkers());

    if (run.ContourLayer()) {
        SkPaint paint;
        paint.setAlpha(ColorA(contourColour));
        dest->getCanvas()->drawImage(run.ContourLayer()->makeImageSnapshot(), 0, 0, SkSamplingOptions::Linear(), &paint);
    }
    if (hasTransparency)
        ScaleBySourceAlpha(source, dest);
    if (Preview) {
        dest->getCanvas()->flush();
        const ISkImage work = dest->makeImageSnapshot();
        SkCanvas* canvas = Dest->getCanvas();
        canvas->clear(kColorTransparent);
        canvas->drawImageRect(work, SkRect::MakeWH(float(w), float(h)),
                              SkRect::MakeWH(float(Dest->width()), float(Dest->height())), SkSamplingOptions::Linear(),
                              nullptr, SkSrcRectConstraint::kFast);
    }
    ReportEffectFinished(Dest, Preview);
    return stats;
}

} // namespace

SpaceFillingStats RunSpaceFilling(SpaceFillingShape shape, const ISkImage& Source, const ISkSurface& Dest, int P1,
                                  int P2, int P3, int P4, int P5, bool Preview)
{
    switch (shape) {
    case SpaceFillingShape::Circle: return RunShape<SpaceFillingShape::Circle>(Source, Dest, P1, P2, P3, P4, P5, Preview);
    case SpaceFillingShape::Triangle:
        return RunShape<SpaceFillingShape::Triangle>(Source, Dest, P1, P2, P3, P4, P5, Preview);
    case SpaceFillingShape::Square: break;
    }
    return RunShape<SpaceFillingShape::Square>(Source, Dest, P1, P2, P3, P4, P5, Preview);
}

} // namespace pv
