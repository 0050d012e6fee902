// The paint body of a gouache: after a blob is painted flat, a few short
// strokes of a brush mask are dragged across it along the local edge
// direction, each slightly lighter or darker than the blob with a grainy
// texture, and each stamp raises a height map. After the last layer the height
// map is smoothed and shades the painting as a relief.

#include "effects/painting/gouache/GouacheRun.h"

#include "engine/ImageHelpers.h"
#include "engine/Repository.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include <smmintrin.h>

namespace pv {

namespace {
constexpr int kMaxHeight = 3000;
constexpr int kSmallestSpeck = 10;
constexpr int kOrientationPasses = 20;
constexpr int kStrokeFade = 104;
} // namespace

void RemoveBrushSpecks(std::vector<uint8_t>& mask, int w, int h)
{
    if (w <= 0 || h <= 0 || mask.size() < size_t(w) * size_t(h))
        return;
    const size_t n = size_t(w) * size_t(h);
    std::vector<uint8_t> visited(n, 0);
    std::vector<int32_t> group;
    for (size_t start = 0; start < n; ++start) {
        if (mask[start] == 0 || visited[start])
            continue;
        group.clear();
        group.push_back(int32_t(start));
        visited[start] = 1;
        for (size_t k = 0; k < group.size(); ++k) {
            const int x = group[k] % w, y = group[k] / w;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const size_t j = size_t(ny) * size_t(w) + size_t(nx);
                    if (mask[j] != 0 && !visited[j]) {
                        visited[j] = 1;
                        group.push_back(int32_t(j));
                    }
                }
        }
        if (group.size() < size_t(kSmallestSpeck))
            for (int32_t j : group)
                mask[size_t(j)] = 0;
    }
}

void BuildGouacheOrientation(GouacheRun& run)
{
    const int w = run.w, h = run.h;
    run.FGW = (w + 7) / 8;
    run.FGH = (h + 7) / 8;
    const size_t cells = size_t(run.FGW) * size_t(run.FGH);
    run.FldX.assign(cells, 0.0f);
    run.FldY.assign(cells, 0.0f);
    GouacheParallel(0, run.FGH, [&](int lo, int hi) {
        std::vector<int64_t> sx(size_t(run.FGW)), sy(size_t(run.FGW));
        // The luminance of the band's rows and the rows next to it.
        std::vector<uint8_t> luma(size_t(10) * size_t(w));
        for (int b = lo; b < hi; ++b) {
            std::fill(sx.begin(), sx.end(), 0);
            std::fill(sy.begin(), sy.end(), 0);
            const int yFrom = std::max(8 * b, 1), yTo = std::min(8 * b + 7, h - 2);
            for (int y = yFrom - 1; y <= yTo + 1; ++y) {
                const uint32_t* s = run.src + size_t(y) * size_t(w);
                uint8_t* out = luma.data() + size_t(y - yFrom + 1) * size_t(w);
                for (int x = 0; x < w; ++x)
                    out[x] = uint8_t(GouacheLuma(s[x]));
            }
            for (int y = yFrom; y <= yTo; ++y) {
                const uint8_t* l = luma.data() + size_t(y - yFrom + 1) * size_t(w);
                for (int x = 1; x <= w - 2; ++x) {
                    const int gx = int(l[x + 1]) - int(l[x - 1]);
                    const int gy = int(l[x + w]) - int(l[x - w]);
                    sx[size_t(x / 8)] += gx * gx - gy * gy;
                    sy[size_t(x / 8)] += 2 * gx * gy;
                }
            }
            for (int c = 0; c < run.FGW; ++c) {
                run.FldX[size_t(b) * size_t(run.FGW) + size_t(c)] = float(sx[size_t(c)]);
                run.FldY[size_t(b) * size_t(run.FGW) + size_t(c)] = float(sy[size_t(c)]);
            }
        }
    });
    std::vector<float> tx(cells), ty(cells);
    const int gw = run.FGW, gh = run.FGH;
    for (int pass = 0; pass < kOrientationPasses; ++pass) {
        GouacheParallel(0, gh, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y)
                for (int x = 0; x < gw; ++x) {
                    float ax = 0, ay = 0;
                    for (int dy = -1; dy <= 1; ++dy) {
                        const size_t row = size_t(std::clamp(y + dy, 0, gh - 1)) * size_t(gw);
                        for (int dx = -1; dx <= 1; ++dx) {
                            const size_t i = row + size_t(std::clamp(x + dx, 0, gw - 1));
                            ax += run.FldX[i];
                            ay += run.FldY[i];
                        }
                    }
                    tx[size_t(y) * size_t(gw) + size_t(x)] = ax / 9.0f;
                    ty[size_t(y) * size_t(gw) + size_t(x)] = ay / 9.0f;
                }
        });
        run.FldX.swap(tx);
        run.FldY.swap(ty);
    }
}

void PrepareGouacheBrush(GouacheRun& run)
{
    run.BrAlpha.clear();
    run.BrW = run.BrH = 0;
    RunOnUISync([&] {
        const QImage brush = Form3().PaintBrushSim2.bitmap();
        if (!brush.isNull())
            LoadBrushMask(&brush, run.BrAlpha, run.BrW, run.BrH, QString());
    });
    if (run.BrAlpha.empty())
        LoadBrushMask(nullptr, run.BrAlpha, run.BrW, run.BrH, QStringLiteral("PaintBrushSim2.png"));
    RemoveBrushSpecks(run.BrAlpha, run.BrW, run.BrH);

    run.Hgt = LargeBuffer<uint16_t>(run.count());
    BuildGouacheOrientation(run);
}

namespace {

float EdgeDirection(const GouacheRun& run, int px, int py)
{
    const int row = std::min(py / 8, run.FGH - 1), col = std::min(px / 8, run.FGW - 1);
    const size_t cell = size_t(row) * size_t(run.FGW) + size_t(col);
    return 0.5f * std::atan2(run.FldY[cell], run.FldX[cell]) + float(std::numbers::pi / 2);
}

// Mixes the texel colour into a painting pixel with weight omega (of 255);
// weight 0 leaves the pixel as it is.
inline uint32_t MixTexel(uint32_t p, uint32_t texel, uint32_t omega)
{
    auto mix = [&](int shift) {
        const uint32_t v = ((p >> shift) & 0xFF) * (255 - omega) + ((texel >> shift) & 0xFF) * omega;
        return ((v + (v >> 8) + 1) >> 8) << shift;
    };
    return (p & 0xFF000000u) | mix(16) | mix(8) | mix(0);
}

// The share (of 64) of a texel's weight a stroke in colour (cr, cg, cb)
// leaves on a pixel of flat colour f: none off the painting, all of it where
// the painting is close to the stroke's colour, less the more it differs.
inline uint8_t StrokeShare(uint32_t f, uint8_t covered, int cr, int cg, int cb)
{
    const int dp = std::abs(int((f >> 16) & 0xFF) - cr) + std::abs(int((f >> 8) & 0xFF) - cg) +
                   std::abs(int(f & 0xFF) - cb);
    return covered == 0 ? 0 : dp > 40 ? uint8_t(std::max(kStrokeFade - dp, 0)) : 64;
}

// MixTexel on four pixels at once, 16 bits a channel; omega (of 255) in the
// low byte of each 32-bit lane. Alpha mixes with weight 0, which keeps it.
inline __m128i MixTexels4(__m128i p, __m128i texel, __m128i omega)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i spreadLo = _mm_setr_epi8(0, -1, 0, -1, 0, -1, -1, -1, 4, -1, 4, -1, 4, -1, -1, -1);
    const __m128i spreadHi = _mm_setr_epi8(8, -1, 8, -1, 8, -1, -1, -1, 12, -1, 12, -1, 12, -1, -1, -1);
    const __m128i full = _mm_set1_epi16(255), one = _mm_set1_epi16(1);
    auto mix = [&](__m128i p16, __m128i t16, __m128i o16) {
        __m128i v = _mm_add_epi16(_mm_mullo_epi16(p16, _mm_sub_epi16(full, o16)), _mm_mullo_epi16(t16, o16));
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(v, _mm_srli_epi16(v, 8)), one), 8);
    };
    const __m128i lo = mix(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(texel, zero),
                           _mm_shuffle_epi8(omega, spreadLo));
    const __m128i hi = mix(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(texel, zero),
                           _mm_shuffle_epi8(omega, spreadHi));
    return _mm_packus_epi16(lo, hi);
}

inline __m128i LoadFourBytes(const uint8_t* b)
{
    int32_t v;
    std::memcpy(&v, b, 4);
    return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(v));
}

// The picture box the stamps of a batch lie in, and its Fade.
struct FadeBox {
    int left = 0, top = 0, width = 0;
    // Index of (x, y) in Fade; x may lie left of the box, by as much as is
    // added to the index before it is read.
    ptrdiff_t index(int x, int y) const { return ptrdiff_t(y - top) * width + (x - left); }
};

// Prints one stamp, only its rows in [lo, hi), with the Fade of those rows
// filled in for the stamp's colour. Four pixels a step; a texel without paint
// adds no height and mixes with weight 0.
void PrintStamp(GouacheRun& run, const GouacheRun::StampBatch& batch, const GouacheRun::StampAt& at, int lo, int hi,
                const FadeBox& box)
{
    const GouacheRun::Stroke& st = batch.strokes[size_t(at.stroke)];
    const int w = run.w, h = run.h, px = at.px, py = at.py;
    const int r0 = std::max({st.hh - py, 0, lo - py + st.hh});
    const int r1 = std::min({st.sh - 1, h + st.hh - py - 1, hi - 1 - py + st.hh});
    const int c0 = std::max(st.hw - px, 0), c1 = std::min(st.sw - 1, w + st.hw - px - 1);
    const int32_t* spans = batch.span.data() + st.spanOffset;
    uint16_t* __restrict hgt = run.Hgt.data();
    uint32_t* __restrict work = run.Work;
    const uint8_t* __restrict fade = run.Fade.data();
    const __m128i maxHeight = _mm_set1_epi32(kMaxHeight);
    for (int r = r0; r <= r1; ++r) {
        const uint32_t* __restrict texel = batch.texel.data() + st.offset + size_t(r) * size_t(st.sw);
        const uint8_t* __restrict rise = batch.height.data() + st.offset + size_t(r) * size_t(st.sw);
        const size_t rowBase = size_t(py + r - st.hh) * size_t(w) + size_t(px - st.hw);
        const ptrdiff_t fadeRow = box.index(px - st.hw, py + r - st.hh);
        const int from = std::max(c0, spans[2 * r]), to = std::min(c1, spans[2 * r + 1]);
        int c = from;
        for (; c + 3 <= to; c += 4) {
            const size_t p = rowBase + size_t(c);
            __m128i* hp = reinterpret_cast<__m128i*>(hgt + p);
            const __m128i raised = _mm_min_epi32(_mm_add_epi32(_mm_cvtepu16_epi32(_mm_loadl_epi64(hp)),
                                                               LoadFourBytes(rise + c)),
                                                 maxHeight);
            _mm_storel_epi64(hp, _mm_packus_epi32(raised, raised));
            const __m128i tc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texel + c));
            const __m128i share = LoadFourBytes(fade + (fadeRow + c));
            const __m128i omega = _mm_srli_epi32(_mm_mullo_epi16(_mm_srli_epi32(tc, 24), share), 6);
            __m128i* wp = reinterpret_cast<__m128i*>(work + p);
            _mm_storeu_si128(wp, MixTexels4(_mm_loadu_si128(wp), tc, omega));
        }
        for (; c <= to; ++c) {
            const size_t p = rowBase + size_t(c);
            hgt[p] = uint16_t(std::min(int(hgt[p]) + int(rise[c]), kMaxHeight));
            const uint32_t tc = texel[c];
            work[p] = MixTexel(work[p], tc, ((tc >> 24) * fade[fadeRow + c]) >> 6);
        }
    }
}

// Walks both halves of a stroke and records where its stamps go.
void WalkStroke(GouacheRun& run, GouacheRun::StampBatch& batch, int stroke, int x0, int y0, float theta0,
                float jitter, int Ls, uint32_t colour)
{
    const float pi = float(std::numbers::pi);
    for (int side = 0; side <= 1; ++side) {
        float fx = float(x0), fy = float(y0);
        float phi = theta0 + float(side) * pi;
        float drift = float(RandomFloat()) * 0.009f - 0.0045f;
        if (side == 1) {
            fx += std::cos(phi);
            fy += std::sin(phi);
        }
        for (int q = side; q <= Ls; ++q) {
            const int px = Round(double(fx)), py = Round(double(fy));
            if (px < 0 || py < 0 || px >= run.w || py >= run.h)
                break;
            const size_t i = size_t(py) * size_t(run.w) + size_t(px);
            if (run.Coverage[i] == 0 || GouacheColourDistance(run.Flat[i], colour) > kStrokeFade)
                break;
            if (q % 3 == 0)
                batch.stamps.push_back({px, py, stroke});
            if (q % 4 == 3) {
                float turn = EdgeDirection(run, px, py) + 0.22f * std::sin(0.012f * fx + 0.015f * fy) + jitter - phi;
                while (turn > pi / 2)
                    turn -= pi;
                while (turn < -pi / 2)
                    turn += pi;
                phi += std::clamp(turn, -0.08f, 0.08f);
            }
            if (Random(100) > 80)
                drift += float(RandomFloat()) * 0.003f - 0.0015f;
            phi += drift;
            fx += std::cos(phi);
            fy += std::sin(phi);
        }
    }
}

// The texel draws of a stroke (thousands) taken from the process-wide
// generator's sequence in one go, without a shared update per draw.
struct LocalDraws {
    uint32_t seed = RandSeed();
    // Each texel draws u = Random(3) != 0 ? t : -Random(t + 1) and takes the
    // shift t + u. Without a branch (the compiler would take one, wrongly one
    // time in three): every seed the draws may reach is made from this one
    // and the right one picked with masks.
    static constexpr uint32_t kA = 134775813u, kA2 = kA * kA, kA3 = kA2 * kA, kA4 = kA3 * kA;
    static constexpr uint32_t kC2 = kA + 1u, kC3 = kA2 + kA + 1u, kC4 = kA3 + kA2 + kA + 1u;
    static uint32_t Pick(uint32_t mask, uint32_t a, uint32_t b) { return (a & mask) | (b & ~mask); }
    // All ones when the draw makes Random(3) != 0, that is when 3 * draw reaches 2^32.
    static uint32_t Light(uint32_t draw) { return 0u - uint32_t(draw > 0xFFFFFFFFu / 3u); }
    static uint32_t Dark(uint32_t draw, int t)
    {
        return uint32_t(t) - uint32_t((uint64_t(draw) * uint32_t(t + 1)) >> 32);
    }
    int Shade(int t)
    {
        const uint32_t once = seed * kA + 1u, twice = seed * kA2 + kC2;
        const uint32_t light = Light(once);
        seed = Pick(light, once, twice);
        return int(Pick(light, uint32_t(2 * t), Dark(twice, t)));
    }
    // The shifts of two texels in a row.
    void Shade2(int t, int& first, int& second)
    {
        const uint32_t s1 = seed * kA + 1u, s2 = seed * kA2 + kC2, s3 = seed * kA3 + kC3, s4 = seed * kA4 + kC4;
        const uint32_t light1 = Light(s1);
        first = int(Pick(light1, uint32_t(2 * t), Dark(s2, t)));
        const uint32_t next = Pick(light1, s2, s3), after = Pick(light1, s3, s4);
        const uint32_t light2 = Light(next);
        second = int(Pick(light2, uint32_t(2 * t), Dark(after, t)));
        seed = Pick(light2, next, after);
    }
    void finish() const { SetRandSeed(seed); }
};

// Below this many stamp pixels the stamps are printed on the calling thread.
constexpr int64_t kParallelStampPixels = 1 << 14;
// Enlarged stamps kept at once; more strokes are printed in batches.
constexpr size_t kStampBatchTexels = size_t(1) << 22;

// Prints the stamps collected so far, in order, and starts a new batch.
void PrintStamps(GouacheRun& run, GouacheRun::StampBatch& batch, uint32_t colour, int64_t stampPixels)
{
    const int cr = int((colour >> 16) & 0xFF), cg = int((colour >> 8) & 0xFF), cb = int(colour & 0xFF);
    int right = -1, bottom = -1;
    FadeBox box{run.w, run.h, 0};
    for (const GouacheRun::StampAt& at : batch.stamps) {
        const GouacheRun::Stroke& st = batch.strokes[size_t(at.stroke)];
        box.left = std::min(box.left, std::max(at.px - st.hw, 0));
        box.top = std::min(box.top, std::max(at.py - st.hh, 0));
        right = std::max(right, std::min(at.px - st.hw + st.sw - 1, run.w - 1));
        bottom = std::max(bottom, std::min(at.py - st.hh + st.sh - 1, run.h - 1));
    }
    if (right < box.left || bottom < box.top) {
        batch.clear();
        return;
    }
    box.width = right - box.left + 1;
    const size_t boxPixels = size_t(box.width) * size_t(bottom - box.top + 1);
    if (run.Fade.size() < boxPixels)
        run.Fade.resize(boxPixels);
    auto print = [&](int lo, int hi) {
        // The fade under the band's stamps first: it depends only on the
        // pixel, not on the stamp, and every pixel lies under many stamps.
        int x0 = run.w, x1 = -1, y0 = hi, y1 = lo - 1;
        for (const GouacheRun::StampAt& at : batch.stamps) {
            const GouacheRun::Stroke& st = batch.strokes[size_t(at.stroke)];
            const int top = at.py - st.hh, left = at.px - st.hw;
            if (top < hi && top + st.sh > lo) {
                x0 = std::min(x0, std::max(left, 0));
                x1 = std::max(x1, std::min(left + st.sw - 1, run.w - 1));
                y0 = std::min(y0, std::max(top, lo));
                y1 = std::max(y1, std::min(top + st.sh - 1, hi - 1));
            }
        }
        for (int y = y0; y <= y1; ++y) {
            const size_t row = size_t(y) * size_t(run.w);
            uint8_t* fade = run.Fade.data() + size_t(y - box.top) * size_t(box.width) + size_t(x0 - box.left);
            for (int x = x0; x <= x1; ++x)
                fade[x - x0] = StrokeShare(run.Flat[row + size_t(x)], run.Coverage[row + size_t(x)], cr, cg, cb);
        }
        for (const GouacheRun::StampAt& at : batch.stamps) {
            const GouacheRun::Stroke& st = batch.strokes[size_t(at.stroke)];
            if (at.py - st.hh < hi && at.py - st.hh + st.sh > lo)
                PrintStamp(run, batch, at, lo, hi, box);
        }
    };
    if (stampPixels < kParallelStampPixels) {
        print(0, run.h);
    } else {
        int top = run.h, bottom = 0;
        for (const GouacheRun::StampAt& at : batch.stamps) {
            const GouacheRun::Stroke& st = batch.strokes[size_t(at.stroke)];
            top = std::min(top, std::max(at.py - st.hh, 0));
            bottom = std::max(bottom, std::min(at.py - st.hh + st.sh, run.h));
        }
        // Every band looks at every stamp: bands of a few dozen rows at least.
        GouacheParallel(top, bottom, print, std::max(16, (bottom - top) / 64));
    }
    batch.clear();
}

// The stroke's stamp at its enlargement: texel colours and weights, heights,
// and per row the columns between its first and last texel with paint (an
// empty row gets first > last).
void EnlargeStamp(GouacheRun& run, GouacheRun::StampBatch& batch, GouacheRun::Stroke& st, int hs)
{
    const int BrW = run.BrW, BrH = run.BrH;
    st.offset = batch.texel.size();
    st.spanOffset = batch.span.size();
    batch.texel.resize(st.offset + size_t(st.sw) * size_t(st.sh));
    batch.height.resize(st.offset + size_t(st.sw) * size_t(st.sh));
    batch.span.resize(st.spanOffset + 2 * size_t(st.sh));
    run.stampCol.resize(size_t(st.sw));
    for (int c = 0; c < st.sw; ++c)
        run.stampCol[size_t(c)] = c * BrW / st.sw;
    // Weight and height increment of every mask value at this stroke's strength.
    uint32_t weightOf[256];
    uint8_t riseOf[256];
    for (int a = 0; a < 256; ++a) {
        weightOf[a] = uint32_t((a * hs + 127) / 255);
        riseOf[a] = uint8_t(a * hs / 2550);
    }
    for (int r = 0; r < st.sh; ++r) {
        const size_t texRow = size_t(r * BrH / st.sh) * size_t(BrW);
        uint32_t* texel = batch.texel.data() + st.offset + size_t(r) * size_t(st.sw);
        uint8_t* rise = batch.height.data() + st.offset + size_t(r) * size_t(st.sw);
        int first = st.sw, last = -1;
        for (int c = 0; c < st.sw; ++c) {
            const size_t i = texRow + size_t(run.stampCol[size_t(c)]);
            const uint8_t a = run.BrAlpha[i];
            const uint32_t weight = weightOf[a];
            texel[c] = run.texColour[i] | weight << 24;
            rise[c] = riseOf[a];
            if (weight != 0) {
                first = std::min(first, c);
                last = c;
            }
        }
        batch.span[st.spanOffset + 2 * size_t(r)] = first;
        batch.span[st.spanOffset + 2 * size_t(r) + 1] = last;
    }
}

} // namespace

void PaintGouacheStrokes(GouacheRun& run, int n, uint32_t colour)
{
    if (n <= 0 || run.BrW <= 0 || run.BrH <= 0)
        return;
    const int Ls = std::min(run.QMaxR + 10, 160);
    const int64_t perStroke = std::max<int64_t>(1, int64_t(Ls) * run.BrH / 2);
    const int N = int(std::clamp<int64_t>(4 * int64_t(n) / perStroke, 3, 300));
    const int R2 = int((colour >> 16) & 0xFF), G2 = int((colour >> 8) & 0xFF), B2 = int(colour & 0xFF);
    const int amp = run.p.StrokeAmp, t = run.p.t, k = run.p.k;
    const size_t texels = size_t(run.BrW) * size_t(run.BrH);
    run.texColour.resize(texels);
    std::vector<uint32_t>& shade = run.texShade;
    shade.resize(size_t(2 * t + 1));
    // The last blob's stamps may still be printing from the other batch.
    GouacheRun::StampBatch& batch = run.stampBatches[run.walkingBatch];
    batch.clear();
    int64_t stampPixels = 0;
    for (int s = 0; s < N; ++s) {
        const int32_t start = run.BlobPix[size_t(Random(n))];
        const int x0 = start % run.w, y0 = start / run.w;
        const float jitter = float(RandomFloat()) * 0.12f - 0.06f;
        const float theta0 = EdgeDirection(run, x0, y0) + 0.22f * std::sin(0.012f * float(x0) + 0.015f * float(y0)) +
                             jitter;
        const float r1 = float(RandomFloat());
        const float r2 = float(RandomFloat());
        const float z = run.p.s * (r1 * r2 + 1.0f);
        GouacheRun::Stroke st;
        st.sw = Round(double(float(run.BrW) * z));
        st.sh = Round(double(float(run.BrH) * z));
        st.hw = st.sw / 2;
        st.hh = st.sh / 2;
        const int o = Random(amp + 1) - amp / 2;
        const int Rs = Clamp(R2 + o, 0, 255), Gs = Clamp(G2 + o, 0, 255), Bs = Clamp(B2 + o, 0, 255);
        // Each texel is lightened by t (two draws in three) or darkened by a
        // draw of 0..t: the colour of every shift d = t + u, 0..2t, first.
        for (int d = 0; d <= 2 * t; ++d) {
            const int u = d - t;
            shade[size_t(d)] = (uint32_t(Clamp(Rs + u, 0, 255)) << 16) | (uint32_t(Clamp(Gs + u, 0, 255)) << 8) |
                               uint32_t(Clamp(Bs + u, 0, 255));
        }
        LocalDraws draws;
        size_t i = 0;
        for (; i + 2 <= texels; i += 2) {
            int first, second;
            draws.Shade2(t, first, second);
            run.texColour[i] = shade[size_t(first)];
            run.texColour[i + 1] = shade[size_t(second)];
        }
        if (i < texels)
            run.texColour[i] = shade[size_t(draws.Shade(t))];
        draws.finish();
        const int hs = Random(k / 2 + 1) + k / 8;
        if (batch.texel.size() + size_t(st.sw) * size_t(st.sh) > kStampBatchTexels && !batch.strokes.empty()) {
            run.printing.wait();
            PrintStamps(run, batch, colour, stampPixels);
            stampPixels = 0;
        }
        EnlargeStamp(run, batch, st, hs);
        batch.strokes.push_back(st);
        const size_t before = batch.stamps.size();
        WalkStroke(run, batch, int(batch.strokes.size()) - 1, x0, y0, theta0, jitter, Ls, colour);
        stampPixels += int64_t(batch.stamps.size() - before) * st.sw * st.sh;
    }
    if (batch.stamps.empty())
        return;
    int left = run.w, top = run.h, right = -1, bottom = -1;
    for (const GouacheRun::StampAt& at : batch.stamps) {
        const GouacheRun::Stroke& st = batch.strokes[size_t(at.stroke)];
        left = std::min(left, std::max(at.px - st.hw, 0));
        top = std::min(top, std::max(at.py - st.hh, 0));
        right = std::max(right, std::min(at.px - st.hw + st.sw - 1, run.w - 1));
        bottom = std::max(bottom, std::min(at.py - st.hh + st.sh - 1, run.h - 1));
    }
    run.printing.wait();
    run.printing.start([&run, &batch, colour, stampPixels] { PrintStamps(run, batch, colour, stampPixels); }, left,
                       top, right, bottom);
    run.walkingBatch ^= 1;
}

void ApplyGouacheRelief(GouacheRun& run)
{
    run.printing.wait();
    const int w = run.w, h = run.h;
    SmoothGouacheMap(run.Hgt, w, h);
    const int gain = run.p.StrokeAmp + 40;
    GouacheParallel(1, h - 1, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint16_t* above = run.Hgt.data() + size_t(y - 1) * size_t(w);
            const uint16_t* below = run.Hgt.data() + size_t(y + 1) * size_t(w);
            uint32_t* out = run.Work + size_t(y) * size_t(w);
            for (int x = 1; x < w - 1; ++x) {
                const int d = int(below[x + 1]) - int(above[x - 1]);
                if (d == 0)
                    continue;
                const int f = std::clamp(d * gain / 768, -52, 52);
                const uint32_t p = out[x];
                const uint32_t r = ClampToByte(int((p >> 16) & 0xFF) + f);
                const uint32_t g = ClampToByte(int((p >> 8) & 0xFF) + f);
                const uint32_t b = ClampToByte(int(p & 0xFF) + f);
                out[x] = (p & 0xFF000000u) | (r << 16) | (g << 8) | b;
            }
        }
    });
}

} // namespace pv
