// Stochastic painting lays a fixed number of brush dabs at random places. The
// dabs start large and shrink with a cubic ease towards the minimum size, so
// broad strokes lay the ground and small ones add detail. Each dab takes the
// picture's colour at its centre, runs along the local edge (or in a random
// direction where the picture is flat) and uses a random mark of the atlas.
// A dab is drawn only when, measured on a sample of the pixels it would
// cover, it brings the canvas closer to the picture; otherwise a few other
// marks and angles are tried.
//
// A translucent picture is painted in its straight colour with opaque dabs,
// as an opaque one is; the painting then takes the picture's alpha.

#include "effects/painting/StochasticPainting.h"

#include "effects/painting/brushes/BrushStamp.h"
#include "engine/StraightColour.h"
#include "effects/painting/SmoothPainting.h"
#include "engine/Repository.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <numbers>
#include <thread>
#include <utility>
#include <vector>

namespace pv {

StochasticPaintingParams ComputeStochasticPaintingParams(int P1, int P2, int P3, int P4, int P5, int w, int h)
{
    StochasticPaintingParams p;
    p.MinSize = int(std::clamp<int64_t>(2 * int64_t(P1), 5, 250));
    p.MaxSize = int(std::clamp<int64_t>(2 * int64_t(P2), 10, 250));
    if (p.MinSize > p.MaxSize)
        std::swap(p.MinSize, p.MaxSize);
    p.Precision = Clamp(P4, 1, 100);
    p.Opacity = Clamp(Round(std::clamp(double(P5) * 2.55, -1.0, 1000.0)), 20, 255);
    // Density grows with P3; beyond the slider's top (100) it stays there, and
    // below about -3 no dab is laid.
    double F = double(P3) / 100.0 * 150.0 + 5.0;
    if (p.Precision > 80)
        F *= 0.75;
    p.Density = std::clamp(F, 0.0, 155.0);
    const int64_t area = int64_t(std::max(w, 0)) * int64_t(std::max(h, 0));
    p.DabCount = Round64(double(area / 400) * p.Density);
    p.SampleStep = std::max(1, 10 - p.Precision / 10);
    if (P3 > 60)
        p.SampleStep = std::max(p.SampleStep, 2);
    if (P3 > 85)
        p.SampleStep = std::max(p.SampleStep, 3);
    p.Tries = p.Precision / 10 + 1;
    if (P3 > 50)
        p.Tries = std::min(p.Tries, 5);
    if (P3 > 80)
        p.Tries = std::min(p.Tries, 2);
    p.ReportEvery = std::max<int64_t>(100, p.DabCount / 100);
    return p;
}

float StochasticDabSize(int64_t i, int64_t n, int minSize, int maxSize)
{
    const float t = n > 0 ? float(i) / float(n) : 0.0f;
    const float e = 1.0f - t;
    return float(minSize) + float(maxSize - minSize) * (e * e * e);
}

namespace {

constexpr int kStampSide = kAtlasCell;
constexpr float kPi = std::numbers::pi_v<float>;

struct EdgeCell {
    float Angle = 0; // the edge direction (gradient + pi/2)
    uint8_t Magnitude = 0;
};

// Sobel of the red byte of the picture scaled to the map's size.
std::vector<EdgeCell> BuildEdgeMap(const ISkImage& source, int gw, int gh)
{
    std::vector<EdgeCell> map(size_t(gw) * size_t(gh));
    const ISkSurface small = SkSurface::MakeRaster(gw, gh);
    if (!small)
        return map;
    small->getCanvas()->drawImageRect(source, SkRect::Make(source->bounds()), SkRect::MakeWH(float(gw), float(gh)),
                                      SkSamplingOptions::LinearMipmapNearest(), nullptr, SkSrcRectConstraint::kFast);
    small->getCanvas()->flush();
    SkPixmap pm;
    if (!small->peekPixels(pm))
        return map;
    auto V = [&](int x, int y) { return int((pm.at(x, y) >> 16) & 0xFF); };
    for (int y = 1; y < gh - 1; ++y)
        for (int x = 1; x < gw - 1; ++x) {
            const int gx = (V(x + 1, y - 1) + 2 * V(x + 1, y) + V(x + 1, y + 1)) -
                           (V(x - 1, y - 1) + 2 * V(x - 1, y) + V(x - 1, y + 1));
            const int gy = (V(x - 1, y + 1) + 2 * V(x, y + 1) + V(x + 1, y + 1)) -
                           (V(x - 1, y - 1) + 2 * V(x, y - 1) + V(x + 1, y - 1));
            EdgeCell& c = map[size_t(y) * size_t(gw) + size_t(x)];
            c.Magnitude = uint8_t(std::min(255, std::abs(gx) + std::abs(gy)));
            c.Angle = std::atan2(float(gy), float(gx)) + kPi / 2.0f;
        }
    return map;
}

// The straight colours as an opaque picture.
ISkImage OpaqueImageOf(const SkPixmap& straight)
{
    std::vector<uint32_t> px(size_t(straight.width) * size_t(straight.height));
    for (int y = 0; y < straight.height; ++y) {
        const uint32_t* in = straight.row(y);
        uint32_t* out = px.data() + size_t(y) * size_t(straight.width);
        for (int x = 0; x < straight.width; ++x)
            out[x] = 0xFF000000u | in[x];
    }
    return SkImage::MakeRasterCopy(px.data(), straight.width, straight.height, size_t(straight.width) * 4);
}

inline int Chan(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }

inline int ColourDistance(uint32_t p, uint32_t q)
{
    return std::abs(Chan(p, 16) - Chan(q, 16)) + std::abs(Chan(p, 8) - Chan(q, 8)) + std::abs(Chan(p, 0) - Chan(q, 0));
}

struct Dab {
    int x, y;
    uint32_t colour;
    float half;
    int reach;
    float scale;
    int step;
};

// Lanes of the dab's colour for one channel.
inline __m128i ChanV(uint32_t p, int shift) { return _mm_set1_epi16(int16_t(Chan(p, shift))); }

// The pixels a dab is measured on, read once and scored for every mark and
// angle tried: the sample grid (every step-th row and column of the square
// the dab can reach), each sample's picture and canvas channels as 16-bit
// lanes, and its present distance to the picture. A sample that must not
// count (a clear pixel of a translucent picture, or a pad column) holds the
// dab's own colour as its canvas colour: blending that colour with itself
// changes nothing, so it adds nothing to any score.
class DabSamples {
public:
    void Gather(const Dab& d, const SkPixmap& src, const SkPixmap& dst, bool hasTransparency)
    {
        const int w = src.width, h = src.height, step = d.step;
        const int y0 = std::max(0, d.y - d.reach), y1 = std::min(h - 1, d.y + d.reach);
        const int x0 = std::max(0, d.x - d.reach), x1 = std::min(w - 1, d.x + d.reach);
        const int px0 = (x0 + step - 1) / step * step, py0 = (y0 + step - 1) / step * step;
        nx_ = px0 <= x1 ? (x1 - px0) / step + 1 : 0;
        ny_ = py0 <= y1 ? (y1 - py0) / step + 1 : 0;
        stride_ = (nx_ + 7) / 8 * 8;
        const size_t n = size_t(stride_) * size_t(ny_);
        for (auto* v : {&tgt_[0], &tgt_[1], &tgt_[2], &cur_[0], &cur_[1], &cur_[2], &dCur_, &k_})
            if (v->size() < n)
                v->resize(n);
        if (idx_.size() < n)
            idx_.resize(n);
        if (dx_.size() < size_t(stride_)) {
            dx_.resize(size_t(stride_));
            dxc_.resize(size_t(stride_));
            dxs_.resize(size_t(stride_));
        }
        dy_.resize(size_t(ny_));
        for (int j = 0; j < stride_; ++j)
            dx_[size_t(j)] = float(px0 + j * step - d.x);
        const int col[3] = {Chan(d.colour, 16), Chan(d.colour, 8), Chan(d.colour, 0)};
        for (int r = 0; r < ny_; ++r) {
            const int py = py0 + r * step;
            dy_[size_t(r)] = float(py - d.y);
            const uint32_t* s = src.row(py);
            const uint32_t* c = dst.row(py);
            const size_t o = size_t(r) * size_t(stride_);
            for (int j = 0; j < stride_; ++j) {
                const int px = px0 + j * step;
                const bool counts = j < nx_ && (!hasTransparency || (s[px] >> 24) >= 10);
                int dist = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    const int shift = 16 - 8 * ch;
                    const int t = counts ? Chan(s[px], shift) : 0;
                    const int cc = counts ? Chan(c[px], shift) : col[ch];
                    tgt_[ch][o + size_t(j)] = uint16_t(t);
                    cur_[ch][o + size_t(j)] = uint16_t(cc);
                    dist += std::abs(t - cc);
                }
                dCur_[o + size_t(j)] = uint16_t(dist);
            }
        }
    }

    // How much closer to the picture the canvas would come under the dab laid
    // with the mark whose blend weights (coverage x opacity / 255, zero where
    // the mark does not count) are kmap, turned by rot.
    int64_t Gain(const Dab& d, const uint8_t* kmap, float rot)
    {
        const float cs = std::cos(-rot), sn = std::sin(-rot);
        const __m128 csv = _mm_set1_ps(cs), snv = _mm_set1_ps(sn);
        for (int j = 0; j < stride_; j += 4) {
            const __m128 dx = _mm_loadu_ps(&dx_[size_t(j)]);
            _mm_storeu_ps(&dxc_[size_t(j)], _mm_mul_ps(dx, csv));
            _mm_storeu_ps(&dxs_[size_t(j)], _mm_mul_ps(dx, snv));
        }
        const __m128 scale = _mm_set1_ps(d.scale), centre = _mm_set1_ps(125.0f);
        const __m128i side = _mm_set1_epi32(kStampSide), none = _mm_set1_epi32(-1);
        const __m128i c255 = _mm_set1_epi16(255), magic = _mm_set1_epi16(int16_t(0x8081)), ones = _mm_set1_epi16(1);
        const __m128i colR = ChanV(d.colour, 16), colG = ChanV(d.colour, 8), colB = ChanV(d.colour, 0);
        // The stamp position of four samples, and where they read the mark
        // (kStampSide^2 reads the zero past its end when outside).
        auto where = [&](const float* xc, const float* xs, __m128 uy, __m128 vy) {
            const __m128i u = _mm_cvtps_epi32(_mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_loadu_ps(xc), uy), scale), centre));
            const __m128i v = _mm_cvtps_epi32(_mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_loadu_ps(xs), vy), scale), centre));
            const __m128i in = _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(u, none), _mm_cmplt_epi32(u, side)),
                                             _mm_and_si128(_mm_cmpgt_epi32(v, none), _mm_cmplt_epi32(v, side)));
            const __m128i at = _mm_add_epi32(_mm_mullo_epi32(v, side), u);
            return _mm_blendv_epi8(_mm_set1_epi32(kStampSide * kStampSide), at, in);
        };
        auto channel = [&](__m128i col, __m128i k, __m128i k1, const uint16_t* t, const uint16_t* c) {
            const __m128i cc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c));
            const __m128i mix = _mm_add_epi16(_mm_mullo_epi16(col, k), _mm_mullo_epi16(cc, k1));
            const __m128i sim = _mm_srli_epi16(_mm_mulhi_epu16(mix, magic), 7); // mix / 255, exactly
            return _mm_abs_epi16(_mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t)), sim));
        };
        // Where every sample reads the mark first, then the reads, then the
        // sums: the reads, scattered over the mark, all go out at once.
        int* idx = idx_.data();
        for (int r = 0; r < ny_; ++r) {
            const float dy = dy_[size_t(r)];
            const __m128 uy = _mm_set1_ps(-dy * sn), vy = _mm_set1_ps(dy * cs);
            int* row = idx + size_t(r) * size_t(stride_);
            for (int j = 0; j < stride_; j += 4)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row + j), where(&dxc_[size_t(j)], &dxs_[size_t(j)], uy, vy));
        }
        const size_t n = size_t(ny_) * size_t(stride_);
        uint16_t* kk = k_.data();
        for (size_t i = 0; i < n; ++i)
            kk[i] = kmap[idx[i]];
        __m128i acc = _mm_setzero_si128();
        for (size_t at = 0; at < n; at += 8) {
            const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kk + at));
            const __m128i k1 = _mm_sub_epi16(c255, k);
            __m128i dSim = channel(colR, k, k1, &tgt_[0][at], &cur_[0][at]);
            dSim = _mm_add_epi16(dSim, channel(colG, k, k1, &tgt_[1][at], &cur_[1][at]));
            dSim = _mm_add_epi16(dSim, channel(colB, k, k1, &tgt_[2][at], &cur_[2][at]));
            const __m128i dc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&dCur_[at]));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_sub_epi16(dc, dSim), ones));
        }
        alignas(16) int32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
        return int64_t(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
    }

private:
    int nx_ = 0, ny_ = 0, stride_ = 0;
    std::vector<float> dx_, dy_, dxc_, dxs_;
    std::vector<uint16_t> tgt_[3], cur_[3], dCur_, k_;
    std::vector<int> idx_;
};

// Asks for the pixels [x0, x1] of every step-th row from y0 to y1 to come
// into the cache.
void Prefetch(const SkPixmap& pm, int x0, int x1, int y0, int y1, int step)
{
    x0 = std::max(0, x0), x1 = std::min(pm.width - 1, x1);
    y0 = std::max(0, y0), y1 = std::min(pm.height - 1, y1);
    if (x0 > x1)
        return;
    for (int y = y0; y <= y1; y += step) {
        const uintptr_t a = reinterpret_cast<uintptr_t>(pm.row(y) + x0), b = reinterpret_cast<uintptr_t>(pm.row(y) + x1);
        // As a volatile instruction: a function made of prefetches alone has no
        // effect the compiler must keep.
        for (uintptr_t line = a & ~uintptr_t(63); line <= b; line += 64)
            asm volatile("prefetcht0 %0" : : "m"(*reinterpret_cast<const char*>(line)));
    }
}

// One accepted dab: its square, turned by rot about its centre, in its
// colour with the mark's coverage.
struct DabDraw {
    int x, y;
    float half, rot;
    uint32_t colour;
    int mark;
    SkIRect box; // every pixel the drawing can touch
};

inline bool Meet(const SkIRect& a, const SkIRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Lays the accepted dabs on the canvas. With threads it does so beside the
// measuring of the next dabs, dab k on thread k mod n, each on its own canvas
// over the same pixels. A dab is laid only after every earlier dab whose
// square meets its own, and measured only after every queued one that meets
// it: each pixel sees the dabs in their order, so the picture is the one the
// dabs laid one after another give, whatever the number of threads.
class DabPainter {
public:
    DabPainter(SkCanvas* canvas, const SkPixmap& target, const std::vector<ISkImage>& stamps, int opacity, int threads)
        // A power of two, so each lane owns every n-th slot of the ring: a dab
        // kRing back on its own lane being laid then means its lane has laid
        // everything a new dab could still meet outside the ring.
        : canvas_(canvas), stamps_(stamps), threads_(int(std::bit_floor(unsigned(std::clamp(threads, 0, kMaxThreads)))))
    {
        paint_.setAntiAlias(true);
        paint_.setAlphaf(float(opacity) / 255.0f);
        for (int t = 0; t < threads_; ++t) {
            lanes_[size_t(t)].surface = SkSurface::MakeRasterDirect(target.base, target.width, target.height,
                                                                    target.rowBytes);
            lanes_[size_t(t)].target = target;
            if (!lanes_[size_t(t)].surface) {
                threads_ = 0;
                break;
            }
        }
        for (int t = 0; t < threads_; ++t)
            lanes_[size_t(t)].thread = std::thread([this, t] { Run(t); });
    }
    ~DabPainter()
    {
        stop_.store(true);
        bell_.fetch_add(1);
        bell_.notify_all();
        for (int t = 0; t < threads_; ++t)
            lanes_[size_t(t)].thread.join();
    }
    DabPainter(const DabPainter&) = delete;
    DabPainter& operator=(const DabPainter&) = delete;

    bool Threaded() const { return threads_ > 0; }

    void Push(const DabDraw& d)
    {
        if (!Threaded()) {
            Lay(d, canvas_, paint_);
            return;
        }
        const int64_t k = queued_.load(std::memory_order_relaxed);
        // Slot k - kRing is free once its dab is laid; every earlier one is then laid too.
        if (k >= kRing)
            WaitLaid(k - kRing);
        Slot& s = ring_[size_t(k % kRing)];
        s.dab = d;
        std::fill(std::begin(s.after), std::end(s.after), int64_t(-1));
        for (int64_t j = k - 1; j > k - kRing && j >= 0; --j) {
            const int t = int(j % threads_);
            if (t != int(k % threads_) && s.after[t] < 0 && !Laid(j) && Meet(ring_[size_t(j % kRing)].dab.box, d.box))
                s.after[t] = j;
        }
        queued_.store(k + 1);
        bell_.fetch_add(1);
        bell_.notify_all();
    }

    // Returns once no queued dab can still change the pixels of area.
    void WaitClear(const SkIRect& area)
    {
        const int64_t q = queued_.load(std::memory_order_relaxed);
        for (int64_t j = q - 1; j >= q - kRing && j >= 0; --j)
            if (!Laid(j) && Meet(ring_[size_t(j % kRing)].dab.box, area))
                WaitLaid(j);
    }

    // Returns once every queued dab is laid; rethrows what stopped the drawing.
    void Drain()
    {
        const int64_t q = queued_.load(std::memory_order_relaxed);
        for (int64_t j = q - 1; j >= q - threads_ && j >= 0; --j)
            WaitLaid(j);
        for (int t = 0; t < threads_; ++t)
            if (lanes_[size_t(t)].error)
                std::rethrow_exception(std::exchange(lanes_[size_t(t)].error, nullptr));
    }

private:
    static constexpr int kMaxThreads = 4;
    static constexpr int64_t kRing = 64;
    // Waits are short (one dab's drawing or measuring): a spell of spinning
    // spares most of them the sleep and the wake-up.
    static constexpr int kSpins = 200;

    struct Slot {
        DabDraw dab{};
        int64_t after[kMaxThreads]; // per other thread, the last earlier dab to wait for (-1: none)
    };
    struct Lane {
        ISkSurface surface;
        SkPixmap target;
        std::atomic<int64_t> laid{0}; // dabs of this lane below this index are laid
        std::exception_ptr error;
        std::thread thread;
    };

    bool Laid(int64_t j) const { return lanes_[size_t(j % threads_)].laid.load() > j; }

    void WaitLaid(int64_t j) const
    {
        const std::atomic<int64_t>& laid = lanes_[size_t(j % threads_)].laid;
        for (int spin = 0; spin < kSpins && laid.load() <= j; ++spin)
            _mm_pause();
        for (int64_t v = laid.load(); v <= j; v = laid.load())
            laid.wait(v);
    }

    void Lay(const DabDraw& d, SkCanvas* canvas, SkPaint& paint) const
    {
        paint.setColorFilter(SkColorFilters::Blend(d.colour, SkBlendMode::kSrcIn));
        canvas->save();
        canvas->translate(float(d.x), float(d.y));
        canvas->rotate(d.rot * 180.0f / kPi);
        canvas->translate(-float(d.x), -float(d.y));
        canvas->drawImageRect(stamps_[size_t(d.mark)], SkRect::MakeWH(float(kStampSide), float(kStampSide)),
                              SkRect::MakeLTRB(float(d.x) - d.half, float(d.y) - d.half, float(d.x) + d.half,
                                               float(d.y) + d.half),
                              SkSamplingOptions::LinearMipmapNearest(), &paint, SkSrcRectConstraint::kFast);
        canvas->restore();
    }

    void Run(int t)
    {
        Lane& lane = lanes_[size_t(t)];
        SkCanvas* canvas = lane.surface->getCanvas();
        SkPaint paint = paint_;
        for (int64_t k = t;; k += threads_) {
            // Until dab k is queued.
            for (;;) {
                const uint32_t bell = bell_.load();
                if (queued_.load() > k)
                    break;
                if (stop_.load())
                    return;
                int spin = 0;
                while (spin < kSpins && queued_.load() <= k && !stop_.load()) {
                    _mm_pause();
                    ++spin;
                }
                if (spin == kSpins)
                    bell_.wait(bell);
            }
            const Slot& s = ring_[size_t(k % kRing)];
            for (int o = 0; o < threads_; ++o)
                if (s.after[o] >= 0)
                    WaitLaid(s.after[o]);
            // This lane's next dab comes into its cache meanwhile.
            if (queued_.load() > k + threads_) {
                const SkIRect& b = ring_[size_t((k + threads_) % kRing)].dab.box;
                Prefetch(lane.target, b.left, b.right - 1, b.top, b.bottom - 1, 1);
            }
            if (!lane.error) {
                try {
                    Lay(s.dab, canvas, paint);
                } catch (...) {
                    lane.error = std::current_exception();
                }
            }
            lane.laid.store(k + 1);
            lane.laid.notify_all();
        }
    }

    SkCanvas* canvas_;
    const std::vector<ISkImage>& stamps_;
    SkPaint paint_;
    int threads_;
    std::array<Slot, kRing> ring_{};
    std::array<Lane, kMaxThreads> lanes_{};
    std::atomic<int64_t> queued_{0};
    std::atomic<uint32_t> bell_{0};
    std::atomic<bool> stop_{false};
};

} // namespace

void StochasticPainting(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                        bool Preview)
{
    if (!Source || !Dest)
        return;
    CheckCancellation();
    SkPixmap src;
    if (!Source->peekPixels(src) || !src.valid())
        return;
    const int w = src.width, h = src.height;
    const StochasticPaintingParams p = ComputeStochasticPaintingParams(P1, P2, P3, P4, P5, w, h);
    const bool hasTransparency = HasTranslucentPixel(src);
    // What the dabs match and take their colour from: straight colour, alpha kept.
    StraightPicture straight;
    SkPixmap target = src;
    if (hasTransparency) {
        straight = MakeStraightPicture(src);
        target = straight.map;
    }
    // The dabs read the picture at random places, a new row at every step:
    // a copy on huge pages spares most of the address translation.
    LargeBuffer<uint32_t> targetCopy(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(targetCopy.data() + size_t(y) * size_t(w), target.row(y), size_t(w) * 4);
    target = SkPixmap{reinterpret_cast<uint8_t*>(targetCopy.data()), w, h, size_t(w) * 4};
    // An unfinished painting as it will look with the picture's alpha.
    auto shown = [&]() -> ISkSurface {
        if (!hasTransparency)
            return Dest;
        const ISkSurface copy = CopyWithSourceAlpha(src, Dest);
        return copy ? copy : Dest;
    };

    if (Preview) {
        Dest->getCanvas()->clear(kColorWhite);
    } else {
        CanvasStartOptions options;
        options.rule = ClearRule::CoverageMask;
        options.transparencyFlag = hasTransparency;
        options.source = Source;
        StartEffectCanvas(Dest, options);
    }
    Dest->getCanvas()->flush();
    SkPixmap dst;
    if (!Dest->peekPixels(dst) || dst.width < w || dst.height < h)
        return;
    CheckCancellation();

    const SkISize gridSize = GradientMapSize(w, h);
    const int gw = gridSize.fWidth, gh = gridSize.fHeight;
    // Edges of the straight colours, as the opaque picture of those colours has them.
    const std::vector<EdgeCell> edges = BuildEdgeMap(hasTransparency ? OpaqueImageOf(target) : Source, gw, gh);
    CheckCancellation();

    ISkImage atlas;
    RunOnUISync([&atlas] { atlas = Form3().TemplateMatchingBrushes.image(); });
    if (!atlas || atlas->width() <= 0 || atlas->height() <= 0)
        return;
    const std::vector<ISkImage> stamps = CutAtlasStamps(atlas, kStampSide, AtlasCoverageMatrix());
    atlas.reset();
    // Each mark's blend weight per stamp pixel: its coverage times the
    // opacity (0..255), zero where the coverage is too faint to count. A
    // zero past each mark's end stands for every place outside the stamp.
    constexpr size_t kMarkStride = size_t(kStampSide) * size_t(kStampSide) + 16;
    std::vector<float> angles(stamps.size());
    std::vector<uint8_t> weights(stamps.size() * kMarkStride, 0);
    for (size_t k = 0; k < stamps.size(); ++k) {
        angles[k] = ComputeBrushOrientation(stamps[k]);
        SkPixmap pm;
        if (!stamps[k]->peekPixels(pm))
            continue;
        uint8_t* wk = weights.data() + k * kMarkStride;
        for (int y = 0; y < kStampSide; ++y)
            for (int x = 0; x < kStampSide; ++x) {
                const int a = int(pm.at(x, y) >> 24);
                wk[y * kStampSide + x] = uint8_t(a > 10 ? a * p.Opacity / 255 : 0);
            }
    }
    const int marks = int(stamps.size());

    SkCanvas* canvas = Dest->getCanvas();
    const int runId = ThreadRunId;
    uint32_t lastReport = GetTickMs();
    DabSamples samples;
    // Up to two drawing threads beside this one, as the run's workers allow,
    // on pictures large enough beside the dabs that one dab seldom has to
    // wait for the last few.
    const bool roomy = int64_t(w) * h >= 64 * int64_t(p.MaxSize) * p.MaxSize;
    DabPainter painter(canvas, dst, stamps, p.Opacity, roomy ? std::min(2, SharedPoolWorkers() - 1) : 0);

    for (int64_t i = 0; i < p.DabCount && marks > 0; ++i) {
        if (i % 500 == 0)
            CheckCancellation();
        const float size = StochasticDabSize(i, p.DabCount, p.MinSize, p.MaxSize);
        const int x = Random(w);
        const int y = Random(h);
        if (hasTransparency && (src.at(x, y) >> 24) < 10)
            continue;
        const EdgeCell& cell = edges[size_t(std::min(gh - 1, int(int64_t(y) * gh / h))) * size_t(gw) +
                                     size_t(std::min(gw - 1, int(int64_t(x) * gw / w)))];
        const float angle = cell.Magnitude > 15 ? cell.Angle : float(RandomFloat() * 2.0 * std::numbers::pi);
        int b = Random(marks);
        float rot = angle - angles[size_t(b)] + float(RandomFloat() - 0.5) * 0.2f;

        Dab dab;
        dab.x = x;
        dab.y = y;
        dab.colour = 0xFF000000u | target.at(x, y);
        dab.half = size * 0.5f;
        dab.reach = int(std::ceil(dab.half * 1.414f));
        dab.scale = float(kStampSide) / size;
        dab.step = size > 20.0f ? p.SampleStep : 1;
        painter.WaitClear(SkIRect::MakeLTRB(x - dab.reach, y - dab.reach, x + dab.reach + 1, y + dab.reach + 1));
        samples.Gather(dab, target, dst, hasTransparency);
        int64_t gain = 0;
        for (int attempt = 1; attempt <= p.Tries; ++attempt) {
            if (attempt > 1) {
                b = Random(marks);
                rot = angle - angles[size_t(b)] + float(RandomFloat() - 0.5) * 0.3f;
            }
            gain = samples.Gain(dab, weights.data() + size_t(b) * kMarkStride, rot);
            if (gain > 0)
                break;
        }
        // The next dab's place is known now: its pixels come into the cache
        // while this one is drawn.
        if (i + 1 < p.DabCount) {
            const uint32_t sx = SequentialRandom::Step(RandSeed()), sy = SequentialRandom::Step(sx);
            const int nx = SequentialRandom::Scaled(sx, w), ny = SequentialRandom::Scaled(sy, h);
            const float nextSize = StochasticDabSize(i + 1, p.DabCount, p.MinSize, p.MaxSize);
            const int reach = int(std::ceil(nextSize * 0.5f * 1.414f));
            const int step = nextSize > 20.0f ? p.SampleStep : 1;
            const int top = (std::max(0, ny - reach) + step - 1) / step * step;
            // The rows it is measured on first, then all it may draw on (the
            // drawing thread fetches those for itself).
            Prefetch(dst, nx - reach, nx + reach, top, ny + reach, step);
            Prefetch(target, nx - reach, nx + reach, top, ny + reach, step);
            if (!painter.Threaded())
                Prefetch(dst, nx - reach, nx + reach, ny - reach, ny + reach, 1);
        }
        if (gain > 0) {
            // Past the square's corners by the rounding and the anti-aliased edge.
            const int r = int(std::ceil(dab.half * 1.4143f)) + 2;
            painter.Push({x, y, dab.half, rot, dab.colour, b, SkIRect::MakeLTRB(x - r, y - r, x + r + 1, y + r + 1)});
        }

        TEngineHost* host = i % p.ReportEvery == 0 ? EngineHost() : nullptr;
        if (host) {
            const uint32_t tick = GetTickMs();
            const int percent = Round(double(i) / double(p.DabCount) * 100.0);
            if (!Preview && tick - lastReport > 200) {
                lastReport = tick;
                painter.Drain();
                canvas->flush();
                const ISkImage snap = shown()->makeImageSnapshot();
                RunOnUIQueued(
                    [snap, percent, runId] {
                        TEngineHost* h = EngineHost();
                        if (h && !h->Cancel.load() && h->FCurrentRunId.load() == runId)
                            ShowIntermediateResult(snap, percent);
                    },
                    host->QueuedCallContext());
                Dest->peekPixels(dst);
            } else if (Preview && tick - lastReport > 100) {
                lastReport = tick;
                painter.Drain();
                canvas->flush();
                SafeUpdatePreview(shown(), percent);
                Dest->peekPixels(dst);
            }
        }
    }

    painter.Drain();
    canvas->flush();
    if (hasTransparency && Dest->peekPixels(dst))
        GiveSourceAlpha(src, dst);
    TEngineHost* host = EngineHost();
    if (!host || host->Cancel.load())
        return;
    if (Preview) {
        // The preview's last picture goes out from this thread, so a preview
        // that has become stale ends here instead of reaching the box.
        ReportEffectFinished(Dest, true);
        RunOnUIQueued(
            [] {
                if (TEngineHost* h = EngineHost())
                    h->RedrawCanvas();
            },
            host->QueuedCallContext());
        return;
    }
    const ISkImage finalSnap = Dest->makeImageSnapshot();
    RunOnUIQueued(
        [finalSnap, runId] {
            TEngineHost* h = EngineHost();
            if (!h || h->Cancel.load() || h->FCurrentRunId.load() != runId)
                return;
            ShowIntermediateResult(finalSnap, 101);
            h->RedrawCanvas();
        },
        host->QueuedCallContext());
}

PV_REGISTER_EFFECT(307, StochasticPainting);

} // namespace pv
