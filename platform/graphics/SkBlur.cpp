#include "platform/graphics/SkBlur.h"

#include "platform/graphics/GraphicsParallel.h"

#include <smmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace pv {

namespace {

// Index of the plane sample standing at virtual position i; -1 = transparent.
inline int TileIndex(int i, int n, SkTileMode tile)
{
    if (i >= 0 && i < n)
        return i;
    switch (tile) {
    case SkTileMode::kClamp: return i < 0 ? 0 : n - 1;
    case SkTileMode::kRepeat: return ((i % n) + n) % n;
    case SkTileMode::kMirror: {
        const int m = ((i % (2 * n)) + 2 * n) % (2 * n);
        return m < n ? m : 2 * n - 1 - m;
    }
    case SkTileMode::kDecal: return -1;
    }
    return -1;
}

float CleanSigma(float s)
{
    if (!(s > 0) || !std::isfinite(s))
        return 0;
    return std::min(s, kMaxBlurSigma);
}

// Fixed-point weights of the sampled Gaussian, summing to exactly 1 << 14.
constexpr int kWeightBits = 14;

std::vector<uint32_t> ExactKernel(float sigma)
{
    const int r = int(std::ceil(3.0f * sigma));
    std::vector<double> w(size_t(2 * r + 1));
    double sum = 0;
    for (int k = -r; k <= r; ++k) {
        w[size_t(k + r)] = std::exp(-double(k) * k / (2.0 * double(sigma) * sigma));
        sum += w[size_t(k + r)];
    }
    std::vector<uint32_t> out(w.size());
    int64_t total = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        out[i] = uint32_t(std::lround(w[i] / sum * (1 << kWeightBits)));
        total += out[i];
    }
    // Whatever rounding left over goes to the centre, so a constant stays constant.
    out[size_t(r)] = uint32_t(int64_t(out[size_t(r)]) + ((1 << kWeightBits) - total));
    return out;
}

// ------------------------------------------------------------ vertical passes

// Rows of a strip of the plane fed one virtual row at a time into a ring.
struct StripSource {
    const SkPlane* plane;
    SkTileMode tile;
    int x0, bytes; // byte offset and width of the strip

    void read(int i, uint8_t* out) const
    {
        const int y = TileIndex(i, plane->height, tile);
        if (y < 0)
            std::memset(out, 0, size_t(bytes));
        else
            std::memcpy(out, plane->row(y) + x0, size_t(bytes));
    }
};

// out[s] = (sum over k of w[k] * taps[k][s] + rounding) >> kWeightBits for s
// in [0, n): the centre tap alone and symmetric taps summed in 16 bits, two
// terms per multiply-add. Every tap array must be readable 15 bytes past n.
void ExactSpan(const uint8_t* const* taps, int r, const uint32_t* w, int n, uint8_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i lo[8], hi[8];
    __m128i wv[4];
    for (int t = 0; t <= r; t += 2) {
        const uint32_t w0 = w[r + t], w1 = t + 1 <= r ? w[r + t + 1] : 0u;
        wv[t / 2] = _mm_set1_epi32(int((w1 << 16) | w0));
    }
    for (int s = 0; s < n; s += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps[r] + s));
        lo[0] = _mm_unpacklo_epi8(c, zero);
        hi[0] = _mm_unpackhi_epi8(c, zero);
        for (int k = 1; k <= r; ++k) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps[r - k] + s));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps[r + k] + s));
            lo[k] = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
            hi[k] = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
        }
        __m128i acc[4];
        for (__m128i& v : acc)
            v = _mm_set1_epi32(1 << (kWeightBits - 1));
        for (int t = 0; t <= r; t += 2) {
            const __m128i l2 = t + 1 <= r ? lo[t + 1] : zero, h2 = t + 1 <= r ? hi[t + 1] : zero;
            const __m128i wt = wv[t / 2];
            acc[0] = _mm_add_epi32(acc[0], _mm_madd_epi16(_mm_unpacklo_epi16(lo[t], l2), wt));
            acc[1] = _mm_add_epi32(acc[1], _mm_madd_epi16(_mm_unpackhi_epi16(lo[t], l2), wt));
            acc[2] = _mm_add_epi32(acc[2], _mm_madd_epi16(_mm_unpacklo_epi16(hi[t], h2), wt));
            acc[3] = _mm_add_epi32(acc[3], _mm_madd_epi16(_mm_unpackhi_epi16(hi[t], h2), wt));
        }
        const __m128i p0 = _mm_packs_epi32(_mm_srli_epi32(acc[0], kWeightBits), _mm_srli_epi32(acc[1], kWeightBits));
        const __m128i p1 = _mm_packs_epi32(_mm_srli_epi32(acc[2], kWeightBits), _mm_srli_epi32(acc[3], kWeightBits));
        const __m128i bytes = _mm_packus_epi16(p0, p1);
        if (s + 16 <= n) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + s), bytes);
        } else {
            alignas(16) uint8_t tmp[16];
            _mm_store_si128(reinterpret_cast<__m128i*>(tmp), bytes);
            std::memcpy(out + s, tmp, size_t(n - s));
        }
    }
}

void VerticalExactStrip(const StripSource& src, const SkPlane& dst, const std::vector<uint32_t>& kernel)
{
    const int r = int(kernel.size() / 2);
    const int L = 2 * r + 1;
    const int S = src.bytes;
    const int Sv = (S + 15) & ~15;
    std::vector<uint8_t> ring(size_t(L) * size_t(Sv) + 16, 0);
    const uint8_t* taps[16];
    const int H = dst.height;
    auto slot = [&](int i) { return ring.data() + size_t(((i % L) + L) % L) * size_t(Sv); };
    for (int i = -r; i <= H - 1 + r; ++i) {
        src.read(i, slot(i));
        const int j = i - r;
        if (j < 0)
            continue;
        for (int k = -r; k <= r; ++k)
            taps[k + r] = slot(j + k);
        ExactSpan(taps, r, kernel.data(), S, dst.row(j) + src.x0);
    }
}

// Three running box sums, each fed the previous one's output; Acc must hold
// 255 * d1 * d2 * d3 (unsigned wrap-around keeps differences exact).
template <typename Acc>
void VerticalBoxStrip(const StripSource& src, const SkPlane& dst, const BoxWindows& bw)
{
    const int S = src.bytes;
    const int H = dst.height;
    const int d1 = bw.hi[0] - bw.lo[0] + 1, d2 = bw.hi[1] - bw.lo[1] + 1, d3 = bw.hi[2] - bw.lo[2] + 1;
    std::vector<uint8_t> ring0(size_t(d1) * size_t(S), 0);
    std::vector<Acc> ring1(size_t(d2) * size_t(S), 0), ring2(size_t(d3) * size_t(S), 0);
    std::vector<Acc> acc1(size_t(S), 0), acc2(size_t(S), 0), acc3(size_t(S), 0);
    std::vector<uint8_t> in(static_cast<size_t>(S));
    const float scale = float(1.0 / (double(d1) * d2 * d3));

    const int iStart = bw.lo[0] + bw.lo[1] + bw.lo[2];
    const int iEnd = H - 1 + bw.hi[0] + bw.hi[1] + bw.hi[2];
    int n1 = 0, n2 = 0, n3 = 0; // values fed to each sum so far
    for (int i = iStart; i <= iEnd; ++i) {
        // Pass 1: sum of the last d1 input rows.
        src.read(i, in.data());
        {
            uint8_t* old = ring0.data() + size_t(n1 % d1) * size_t(S);
            for (int s = 0; s < S; ++s) {
                acc1[size_t(s)] += Acc(in[size_t(s)]) - Acc(old[s]);
                old[s] = in[size_t(s)];
            }
            ++n1;
        }
        const int j1 = i - bw.hi[0];
        if (j1 < bw.lo[1] + bw.lo[2])
            continue;
        // Pass 2: sum of the last d2 pass-1 rows.
        {
            Acc* old = ring1.data() + size_t(n2 % d2) * size_t(S);
            for (int s = 0; s < S; ++s) {
                acc2[size_t(s)] += acc1[size_t(s)] - old[s];
                old[s] = acc1[size_t(s)];
            }
            ++n2;
        }
        const int j2 = j1 - bw.hi[1];
        if (j2 < bw.lo[2])
            continue;
        {
            Acc* old = ring2.data() + size_t(n3 % d3) * size_t(S);
            for (int s = 0; s < S; ++s) {
                acc3[size_t(s)] += acc2[size_t(s)] - old[s];
                old[s] = acc2[size_t(s)];
            }
            ++n3;
        }
        const int j3 = j2 - bw.hi[2];
        if (j3 < 0)
            continue;
        uint8_t* out = dst.row(j3) + src.x0;
        for (int s = 0; s < S; ++s)
            out[s] = uint8_t(int(float(acc3[size_t(s)]) * scale + 0.5f));
    }
}

// The same three sums in 32-bit vector lanes, 16 bytes of the strip at a
// time, while 255 * d1 * d2 * d3 fits a signed 32-bit integer.
inline __m128i Widen(__m128i bytes, int k)
{
    switch (k) {
    case 0: return _mm_cvtepu8_epi32(bytes);
    case 1: return _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 4));
    case 2: return _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 8));
    default: return _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 12));
    }
}

inline __m128i Ld(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void St(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Stage: 1 = only the first sum runs, 2 = two, 3 = three, 4 = three and a row out.
template <int Stage>
void VerticalStep(int Sv, const uint8_t* in, uint8_t* old, uint32_t* acc1, uint32_t* acc2, uint32_t* acc3, uint32_t* r1,
                  uint32_t* r2, uint8_t* out, __m128 scale)
{
    for (int s = 0; s < Sv; s += 16) {
        const __m128i nw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + s));
        const __m128i od = _mm_loadu_si128(reinterpret_cast<const __m128i*>(old + s));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(old + s), nw);
        __m128i res[4];
        for (int k = 0; k < 4; ++k) {
            const int o = s + 4 * k;
            const __m128i a = _mm_add_epi32(Ld(acc1 + o), _mm_sub_epi32(Widen(nw, k), Widen(od, k)));
            St(acc1 + o, a);
            if constexpr (Stage >= 2) {
                const __m128i b = _mm_add_epi32(Ld(acc2 + o), _mm_sub_epi32(a, Ld(r1 + o)));
                St(r1 + o, a);
                St(acc2 + o, b);
                if constexpr (Stage >= 3) {
                    const __m128i c = _mm_add_epi32(Ld(acc3 + o), _mm_sub_epi32(b, Ld(r2 + o)));
                    St(r2 + o, b);
                    St(acc3 + o, c);
                    if constexpr (Stage == 4)
                        res[k] = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(c), scale), _mm_set1_ps(0.5f)));
                }
            }
        }
        if constexpr (Stage == 4) {
            const __m128i lo = _mm_packs_epi32(res[0], res[1]), hi = _mm_packs_epi32(res[2], res[3]);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + s), _mm_packus_epi16(lo, hi));
        }
    }
}

void VerticalBoxStrip32(const StripSource& src, const SkPlane& dst, const BoxWindows& bw)
{
    const int S = src.bytes;
    const int Sv = (S + 15) & ~15;
    const int H = dst.height;
    const int d1 = bw.hi[0] - bw.lo[0] + 1, d2 = bw.hi[1] - bw.lo[1] + 1, d3 = bw.hi[2] - bw.lo[2] + 1;
    std::vector<uint8_t> ring0(size_t(d1) * size_t(Sv), 0), in(static_cast<size_t>(Sv), 0), out(static_cast<size_t>(Sv));
    std::vector<uint32_t> ring1(size_t(d2) * size_t(Sv), 0), ring2(size_t(d3) * size_t(Sv), 0);
    std::vector<uint32_t> acc(size_t(3) * size_t(Sv), 0);
    uint32_t *acc1 = acc.data(), *acc2 = acc1 + Sv, *acc3 = acc2 + Sv;
    const __m128 scale = _mm_set1_ps(float(1.0 / (double(d1) * d2 * d3)));

    const int iStart = bw.lo[0] + bw.lo[1] + bw.lo[2];
    const int iEnd = H - 1 + bw.hi[0] + bw.hi[1] + bw.hi[2];
    int n1 = 0, n2 = 0, n3 = 0;
    for (int i = iStart; i <= iEnd; ++i) {
        src.read(i, in.data());
        uint8_t* old = ring0.data() + size_t(n1++ % d1) * size_t(Sv);
        const int j1 = i - bw.hi[0];
        const int j2 = j1 - bw.hi[1];
        const int j3 = j2 - bw.hi[2];
        if (j1 < bw.lo[1] + bw.lo[2]) {
            VerticalStep<1>(Sv, in.data(), old, acc1, acc2, acc3, nullptr, nullptr, nullptr, scale);
            continue;
        }
        uint32_t* r1 = ring1.data() + size_t(n2++ % d2) * size_t(Sv);
        if (j2 < bw.lo[2]) {
            VerticalStep<2>(Sv, in.data(), old, acc1, acc2, acc3, r1, nullptr, nullptr, scale);
            continue;
        }
        uint32_t* r2 = ring2.data() + size_t(n3++ % d3) * size_t(Sv);
        if (j3 < 0) {
            VerticalStep<3>(Sv, in.data(), old, acc1, acc2, acc3, r1, r2, nullptr, scale);
            continue;
        }
        VerticalStep<4>(Sv, in.data(), old, acc1, acc2, acc3, r1, r2, out.data(), scale);
        std::memcpy(dst.row(j3) + src.x0, out.data(), size_t(S));
    }
}

void VerticalPass(const SkPlane& src, const SkPlane& dst, float sigma, SkTileMode tile)
{
    const int totalBytes = src.width * src.channels;
    // Strips of 256 bytes keep every ring of a strip in the core's cache.
    constexpr int kStrip = 256;
    const int strips = (totalBytes + kStrip - 1) / kStrip;
    const bool exact = sigma < kExactBlurSigmaLimit;
    const std::vector<uint32_t> kernel = exact ? ExactKernel(sigma) : std::vector<uint32_t>();
    const BoxWindows bw = exact ? BoxWindows() : BlurBoxWindows(sigma);
    if (!exact && bw.empty)
        return;
    const double maxSum = 255.0 * (bw.hi[0] - bw.lo[0] + 1) * double(bw.hi[1] - bw.lo[1] + 1) *
                          double(bw.hi[2] - bw.lo[2] + 1);
    GraphicsParallelFor(0, strips, 1, [&](int lo, int hi) {
        for (int k = lo; k < hi; ++k) {
            const int x0 = k * kStrip;
            const StripSource s{&src, tile, x0, std::min(kStrip, totalBytes - x0)};
            if (exact)
                VerticalExactStrip(s, dst, kernel);
            else if (maxSum < 2147483647.0)
                VerticalBoxStrip32(s, dst, bw);
            else
                VerticalBoxStrip<uint64_t>(s, dst, bw);
        }
    });
}

// ------------------------------------------------------------ horizontal passes

// One row copied with `pad` virtual pixels on each side.
void PaddedRow(const uint8_t* row, int width, int C, int padL, int padR, SkTileMode tile, uint8_t* out)
{
    std::memcpy(out + size_t(padL) * size_t(C), row, size_t(width) * size_t(C));
    for (int i = -padL; i < width + padR; ++i) {
        if (i == 0)
            i = width; // the row itself is copied above
        const int x = TileIndex(i, width, tile);
        uint8_t* o = out + size_t(i + padL) * size_t(C);
        if (x < 0)
            std::memset(o, 0, size_t(C));
        else
            std::memcpy(o, row + size_t(x) * size_t(C), size_t(C));
    }
}

void HorizontalExactRow(uint8_t* row, int width, int C, const std::vector<uint32_t>& kernel, SkTileMode tile,
                        std::vector<uint8_t>& pad)
{
    const int r = int(kernel.size() / 2);
    pad.resize(size_t(width + 2 * r) * size_t(C) + 16);
    PaddedRow(row, width, C, r, r, tile, pad.data());
    const uint8_t* taps[16];
    for (int k = 0; k <= 2 * r; ++k)
        taps[k] = pad.data() + size_t(k) * size_t(C);
    ExactSpan(taps, r, kernel.data(), width * C, row);
}

// A running box sum along a row of C-channel values: out[j] = sum of
// in[j + lo .. j + hi] for j in [0, count), `in` indexed from -lo.
template <int C, typename In, typename Acc>
void BoxRun(const In* in, int count, int d, Acc* out)
{
    Acc a[4] = {0, 0, 0, 0};
    for (int t = 0; t < d; ++t)
        for (int c = 0; c < C; ++c)
            a[c] += Acc(in[t * C + c]);
    for (int c = 0; c < C; ++c)
        out[c] = a[c];
    for (int j = 1; j < count; ++j) {
        const In* add = in + size_t(j + d - 1) * size_t(C);
        const In* sub = in + size_t(j - 1) * size_t(C);
        for (int c = 0; c < C; ++c) {
            a[c] += Acc(add[c]) - Acc(sub[c]);
            out[size_t(j) * size_t(C) + size_t(c)] = a[c];
        }
    }
}

template <typename Acc>
void HorizontalBoxRow(uint8_t* row, int width, int C, const BoxWindows& bw, SkTileMode tile,
                      std::vector<uint8_t>& pad, std::vector<Acc>& b1, std::vector<Acc>& b2, std::vector<Acc>& b3)
{
    const int padL = -(bw.lo[0] + bw.lo[1] + bw.lo[2]);
    const int padR = bw.hi[0] + bw.hi[1] + bw.hi[2];
    const int d1 = bw.hi[0] - bw.lo[0] + 1, d2 = bw.hi[1] - bw.lo[1] + 1, d3 = bw.hi[2] - bw.lo[2] + 1;
    pad.resize(size_t(width + padL + padR) * size_t(C));
    PaddedRow(row, width, C, padL, padR, tile, pad.data());
    // Pass 1 covers [lo2 + lo3, width - 1 + hi2 + hi3], pass 2 [lo3, width - 1 + hi3], pass 3 the row.
    const int n1 = width + (d2 - 1) + (d3 - 1);
    const int n2 = width + (d3 - 1);
    b1.resize(size_t(n1) * size_t(C));
    b2.resize(size_t(n2) * size_t(C));
    b3.resize(size_t(width) * size_t(C));
    if (C == 4) {
        BoxRun<4>(pad.data(), n1, d1, b1.data());
        BoxRun<4>(b1.data(), n2, d2, b2.data());
        BoxRun<4>(b2.data(), width, d3, b3.data());
    } else {
        BoxRun<1>(pad.data(), n1, d1, b1.data());
        BoxRun<1>(b1.data(), n2, d2, b2.data());
        BoxRun<1>(b2.data(), width, d3, b3.data());
    }
    const float scale = float(1.0 / (double(d1) * d2 * d3));
    const int n = width * C;
    for (int s = 0; s < n; ++s)
        row[s] = uint8_t(int(float(b3[size_t(s)]) * scale + 0.5f));
}

// Four-channel rows: the three running sums of one pixel's channels in one
// vector, with the delay lines of the second and third sums in small rings.
void HorizontalBoxRow4(uint8_t* row, int width, const BoxWindows& bw, SkTileMode tile, std::vector<uint8_t>& pad,
                       std::vector<uint32_t>& rings)
{
    const int padL = -(bw.lo[0] + bw.lo[1] + bw.lo[2]);
    const int padR = bw.hi[0] + bw.hi[1] + bw.hi[2];
    const int d1 = bw.hi[0] - bw.lo[0] + 1, d2 = bw.hi[1] - bw.lo[1] + 1, d3 = bw.hi[2] - bw.lo[2] + 1;
    const int padded = width + padL + padR;
    pad.resize(size_t(padded) * 4);
    PaddedRow(row, width, 4, padL, padR, tile, pad.data());
    rings.assign(size_t(d2 + d3) * 4, 0);
    uint32_t* r1 = rings.data();
    uint32_t* r2 = r1 + size_t(d2) * 4;
    auto px = [&](int t) {
        int v;
        std::memcpy(&v, pad.data() + size_t(t) * 4, 4);
        return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(v));
    };
    __m128i a1 = _mm_setzero_si128(), a2 = _mm_setzero_si128(), a3 = _mm_setzero_si128();
    for (int t = 0; t < d1; ++t)
        a1 = _mm_add_epi32(a1, px(t));
    const __m128 scale = _mm_set1_ps(float(1.0 / (double(d1) * d2 * d3)));
    const int n1 = width + (d2 - 1) + (d3 - 1);
    int k2 = 0, k3 = 0;
    for (int j = 0; j < n1; ++j) {
        const __m128i p1 = a1;
        if (j + d1 < padded)
            a1 = _mm_add_epi32(a1, _mm_sub_epi32(px(j + d1), px(j)));
        a2 = _mm_add_epi32(a2, _mm_sub_epi32(p1, Ld(r1 + 4 * k2)));
        St(r1 + 4 * k2, p1);
        k2 = k2 + 1 == d2 ? 0 : k2 + 1;
        if (j < d2 - 1)
            continue;
        a3 = _mm_add_epi32(a3, _mm_sub_epi32(a2, Ld(r2 + 4 * k3)));
        St(r2 + 4 * k3, a2);
        k3 = k3 + 1 == d3 ? 0 : k3 + 1;
        const int x = j - (d2 - 1) - (d3 - 1);
        if (x < 0)
            continue;
        const __m128i v = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(a3), scale), _mm_set1_ps(0.5f)));
        const __m128i w = _mm_packs_epi32(v, v);
        const int packed = _mm_cvtsi128_si32(_mm_packus_epi16(w, w));
        std::memcpy(row + size_t(x) * 4, &packed, 4);
    }
}

void HorizontalPass(const SkPlane& p, float sigma, SkTileMode tile)
{
    const bool exact = sigma < kExactBlurSigmaLimit;
    const std::vector<uint32_t> kernel = exact ? ExactKernel(sigma) : std::vector<uint32_t>();
    const BoxWindows bw = exact ? BoxWindows() : BlurBoxWindows(sigma);
    if (!exact && bw.empty)
        return;
    const double maxSum = 255.0 * (bw.hi[0] - bw.lo[0] + 1) * double(bw.hi[1] - bw.lo[1] + 1) *
                          double(bw.hi[2] - bw.lo[2] + 1);
    const int grain = std::max(1, 16384 / std::max(1, p.width));
    GraphicsParallelFor(0, p.height, grain, [&](int lo, int hi) {
        std::vector<uint8_t> pad;
        std::vector<uint32_t> b1, b2, b3;
        std::vector<uint64_t> w1, w2, w3;
        for (int y = lo; y < hi; ++y) {
            if (exact)
                HorizontalExactRow(p.row(y), p.width, p.channels, kernel, tile, pad);
            else if (p.channels == 4 && maxSum < 2147483647.0)
                HorizontalBoxRow4(p.row(y), p.width, bw, tile, pad, b1);
            else if (maxSum < 4294967295.0)
                HorizontalBoxRow<uint32_t>(p.row(y), p.width, p.channels, bw, tile, pad, b1, b2, b3);
            else
                HorizontalBoxRow<uint64_t>(p.row(y), p.width, p.channels, bw, tile, pad, w1, w2, w3);
        }
    });
}

} // namespace

BoxWindows BlurBoxWindows(float sigma)
{
    BoxWindows bw;
    sigma = CleanSigma(sigma);
    const int d = int(std::floor(double(sigma) * 3.0 * std::sqrt(2.0 * std::numbers::pi) / 4.0 + 0.5));
    if (d <= 1)
        return bw;
    bw.empty = false;
    if (d % 2 == 1) {
        for (int k = 0; k < 3; ++k)
            bw.lo[k] = -(d - 1) / 2, bw.hi[k] = (d - 1) / 2;
    } else {
        // Two boxes of size d leaning left and right, then one of size d + 1.
        bw.lo[0] = -(d / 2), bw.hi[0] = d / 2 - 1;
        bw.lo[1] = -(d / 2 - 1), bw.hi[1] = d / 2;
        bw.lo[2] = -(d / 2), bw.hi[2] = d / 2;
    }
    return bw;
}

void GaussianBlur(const SkPlane& src, const SkPlane& dst, float sigmaX, float sigmaY, SkTileMode tile)
{
    if (!src.base || !dst.base || src.width <= 0 || src.height <= 0 || src.width != dst.width ||
        src.height != dst.height || src.channels != dst.channels || (src.channels != 1 && src.channels != 4))
        return;
    sigmaX = CleanSigma(sigmaX);
    sigmaY = CleanSigma(sigmaY);
    // The vertical pass reads only rows at or below the one it writes, except
    // for tiles that wrap around; those read from a copy when run in place.
    std::vector<uint8_t> copy;
    SkPlane from = src;
    if (sigmaY > 0 && src.base == dst.base && (tile == SkTileMode::kRepeat || tile == SkTileMode::kMirror)) {
        const size_t rowLen = size_t(src.width) * size_t(src.channels);
        copy.resize(rowLen * size_t(src.height));
        for (int y = 0; y < src.height; ++y)
            std::memcpy(copy.data() + rowLen * size_t(y), src.row(y), rowLen);
        from = {copy.data(), src.width, src.height, rowLen, src.channels};
    }
    if (sigmaY > 0) {
        VerticalPass(from, dst, sigmaY, tile);
    }
    if (sigmaY <= 0 && src.base != dst.base) {
        const size_t rowLen = size_t(src.width) * size_t(src.channels);
        for (int y = 0; y < src.height; ++y)
            std::memcpy(dst.row(y), src.row(y), rowLen);
    }
    if (sigmaX > 0)
        HorizontalPass(dst, sigmaX, tile);
}

} // namespace pv
