// Brush stamps and the stamp machinery the stamped-brush paintings share.

#include "effects/painting/brushes/BrushStamp.h"

#include "engine/EngineHost.h"
#include "engine/Effect.h"
#include "engine/PixelPlanes.h"
#include "engine/Repository.h"
#include "platform/graphics/SkMipmap.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include <smmintrin.h>

namespace pv {

// ------------------------------------------------------------------ cutting

namespace {

// Cell k of the sheet copied 1:1 into a transparent 256 x 256 picture (only
// the part of the cell the sheet has).
ISkImage CutCell(const SkPixmap& sheet, int k)
{
    QImage cell(kBrushCellSide, kBrushCellSide, QImage::Format_ARGB32_Premultiplied);
    cell.fill(0);
    const int x0 = kBrushCellSide * (k % kBrushCellsPerRow), y0 = kBrushCellSide * (k / kBrushCellsPerRow);
    if (sheet.valid() && x0 < sheet.width && y0 < sheet.height) {
        const int w = std::min(kBrushCellSide, sheet.width - x0), h = std::min(kBrushCellSide, sheet.height - y0);
        for (int y = 0; y < h; ++y)
            std::memcpy(cell.scanLine(y), sheet.row(y0 + y) + x0, size_t(w) * 4);
    }
    return SkImage::MakeFromRaster(std::move(cell));
}

bool HasPaintOnProbeColumn(const ISkImage& stamp)
{
    SkPixmap pm;
    if (!stamp->peekPixels(pm))
        return false;
    for (int y : {64, 96, 128, 160, 192})
        if ((pm.at(128, y) >> 24) > 10)
            return true;
    return false;
}

} // namespace

BrushStampSet CutBrushSheet(const ISkImage& sheet, BrushCutMode mode, int count)
{
    BrushStampSet set;
    SkPixmap pm;
    if (!sheet || !sheet->peekPixels(pm))
        pm = {};
    if (mode == BrushCutMode::Counted) {
        count = std::clamp(count, 0, TForm3::kMaxBrushCount);
        set.stamps.reserve(size_t(count));
        for (int k = 0; k < count; ++k)
            set.stamps.push_back(CutCell(pm, k));
        return set;
    }
    if (!pm.valid())
        return set;
    const int cells = (pm.height / kBrushCellSide) * kBrushCellsPerRow;
    for (int k = 0; k < cells; ++k) {
        if (pm.width < kBrushCellSide * (k % kBrushCellsPerRow + 1) ||
            pm.height < kBrushCellSide * (k / kBrushCellsPerRow + 1))
            break;
        ISkImage stamp = CutCell(pm, k);
        if (HasPaintOnProbeColumn(stamp))
            set.stamps.push_back(std::move(stamp));
    }
    return set;
}

ISkImage WorkingBrushSheet()
{
    ISkImage sheet;
    RunOnUISync([&] { sheet = Form3().Brushes.image(); });
    return sheet;
}

int CurrentGlobalBrushCount()
{
    int count = 40;
    RunOnUISync([&] {
        if (TEngineHost* host = EngineHost())
            count = host->GlobalBrushCount.load();
    });
    return count;
}

// ------------------------------------------------------------------ orientation

float ComputeBrushOrientation(const ISkImage& stamp, OrientationRule rule)
{
    SkPixmap pm;
    if (!stamp || !stamp->peekPixels(pm))
        return 0.0f;
    double W = 0, Sx = 0, Sy = 0;
    for (int y = 0; y < pm.height; ++y) {
        const uint32_t* row = pm.row(y);
        for (int x = 0; x < pm.width; ++x) {
            const int a = int(row[x] >> 24);
            if (a > rule.minAlpha) {
                W += a;
                Sx += double(a) * x;
                Sy += double(a) * y;
            }
        }
    }
    if (W < rule.minWeight)
        return 0.0f;
    const double mx = Sx / W, my = Sy / W;
    double Mxx = 0, Myy = 0, Mxy = 0;
    for (int y = 0; y < pm.height; ++y) {
        const uint32_t* row = pm.row(y);
        const double dy = y - my;
        for (int x = 0; x < pm.width; ++x) {
            const int a = int(row[x] >> 24);
            if (a > rule.minAlpha) {
                const double dx = x - mx;
                Mxx += a * dx * dx;
                Myy += a * dy * dy;
                Mxy += a * dx * dy;
            }
        }
    }
    return float(0.5 * std::atan2(2.0 * Mxy, Mxx - Myy));
}

void ComputeBrushAngles(BrushStampSet& set, OrientationRule rule)
{
    set.angles.assign(set.stamps.size(), 0.0f);
    for (size_t k = 0; k < set.stamps.size(); ++k)
        set.angles[k] = ComputeBrushOrientation(set.stamps[k], rule);
}

// ------------------------------------------------------------------ gradient map

SkISize GradientMapSize(int W, int H)
{
    if (W <= 0 || H <= 0)
        return {0, 0};
    const int gw = std::min(W, 256);
    const int gh = std::max(1, Round(double(H) * gw / double(W)));
    return {gw, gh};
}

GradientMap BuildGradientMap(const ISkImage& picture)
{
    GradientMap map;
    if (!picture || picture->width() <= 0 || picture->height() <= 0)
        return map;
    map.W = picture->width();
    map.H = picture->height();
    const SkISize size = GradientMapSize(map.W, map.H);
    map.GradW = size.fWidth;
    map.GradH = size.fHeight;
    map.cells.assign(size_t(map.GradW) * size_t(map.GradH), TGradientInfo{});

    const ISkSurface small = SkSurface::MakeRaster(map.GradW, map.GradH);
    small->getCanvas()->drawImageRect(picture, SkRect::MakeWH(float(map.GradW), float(map.GradH)),
                                      SkSamplingOptions::LinearMipmapNearest());
    SkPixmap pm;
    if (!small->peekPixels(pm))
        return map;
    const size_t n = size_t(map.GradW) * size_t(map.GradH);
    std::vector<uint8_t> luma(n);
    for (int y = 0; y < map.GradH; ++y)
        for (int x = 0; x < map.GradW; ++x)
            luma[size_t(y) * map.GradW + x] = uint8_t(Luma100(pm.at(x, y)));
    std::vector<int16_t> gx(n), gy(n);
    SobelGradients(luma.data(), map.GradW, map.GradH, gx.data(), gy.data());
    for (int y = 1; y < map.GradH - 1; ++y)
        for (int x = 1; x < map.GradW - 1; ++x) {
            const size_t i = size_t(y) * map.GradW + x;
            TGradientInfo& c = map.cells[i];
            c.Magnitude = uint8_t(std::min(255, std::abs(int(gx[i])) + std::abs(int(gy[i]))));
            c.Angle = std::atan2(float(gy[i]), float(gx[i]));
        }
    return map;
}

// ------------------------------------------------------------------ scratch and drawing

StampScratch::StampScratch(int side)
    : side_(std::max(1, side)), pixels_(size_t(side_) * size_t(side_), 0u), rows_(size_t(side_)), drawn_{}
{
    for (int y = 0; y < side_; ++y)
        rows_[size_t(y)] = pixels_.data() + size_t(y) * size_t(side_);
}

void StampScratch::clear()
{
    if (drawn_.isEmpty())
        return;
    for (int y = drawn_.top; y < drawn_.bottom; ++y)
        std::memset(row(y) + drawn_.left, 0, size_t(drawn_.width()) * 4);
    drawn_ = {};
}

namespace {

// Alpha of a premultiplied BGRA pixmap (or of an alpha plane: one byte a
// pixel, at offset 0), clamped to its edges.
struct AlphaSampler {
    const uint8_t* base;
    size_t rowBytes;
    int w, h;
    int pixelBytes = 4, alphaOffset = 3;

    int at(int x, int y) const
    {
        x = x < 0 ? 0 : (x >= w ? w - 1 : x);
        y = y < 0 ? 0 : (y >= h ? h - 1 : y);
        return base[size_t(y) * rowBytes + size_t(x) * size_t(pixelBytes) + size_t(alphaOffset)];
    }

    // Bilinear at (u, v) in pixel units (pixel centres at + 0.5).
    float linear(float u, float v) const
    {
        const float fu = u - 0.5f, fv = v - 0.5f;
        const float flu = std::floor(fu), flv = std::floor(fv);
        const int x = int(flu), y = int(flv);
        const float tx = fu - flu, ty = fv - flv;
        float a00, a10, a01, a11;
        if (x >= 0 && y >= 0 && x + 1 < w && y + 1 < h) {
            const uint8_t* p = base + size_t(y) * rowBytes + size_t(x) * size_t(pixelBytes) + size_t(alphaOffset);
            a00 = p[0], a10 = p[pixelBytes], a01 = p[rowBytes], a11 = p[rowBytes + size_t(pixelBytes)];
        } else {
            a00 = float(at(x, y)), a10 = float(at(x + 1, y)), a01 = float(at(x, y + 1)), a11 = float(at(x + 1, y + 1));
        }
        const float top = a00 + (a10 - a00) * tx, bot = a01 + (a11 - a01) * tx;
        return top + (bot - top) * ty;
    }

    // Mitchell-Netravali (B = C = 1/3) weights of the taps at offsets -1, 0, 1, 2,
    // for one float or for four lanes at once (the same operations in each).
    template <class T>
    static void MitchellWeights(T t, T w[4])
    {
        constexpr float B = 1.0f / 3.0f, C = 1.0f / 3.0f;
        auto nearW = [](T x) {
            return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) / 6.0f;
        };
        auto farW = [](T x) {
            return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x + (8 * B + 24 * C)) /
                   6.0f;
        };
        w[0] = farW(1.0f + t);
        w[1] = nearW(t);
        w[2] = nearW(1.0f - t);
        w[3] = farW(2.0f - t);
    }

    float cubic(float u, float v) const
    {
        const float fu = u - 0.5f, fv = v - 0.5f;
        const float flu = std::floor(fu), flv = std::floor(fv);
        const int x = int(flu), y = int(flv);
        float wx[4], wy[4];
        MitchellWeights(fu - flu, wx);
        MitchellWeights(fv - flv, wy);
        float sum = 0;
        if (x >= 1 && y >= 1 && x + 2 < w && y + 2 < h) {
            const uint8_t* p = base + size_t(y - 1) * rowBytes + size_t(x - 1) * 4 + 3;
            for (int j = 0; j < 4; ++j, p += rowBytes)
                sum += wy[j] * (wx[0] * p[0] + wx[1] * p[4] + wx[2] * p[8] + wx[3] * p[12]);
        } else {
            for (int j = 0; j < 4; ++j)
                sum += wy[j] * (wx[0] * at(x - 1, y - 1 + j) + wx[1] * at(x, y - 1 + j) + wx[2] * at(x + 1, y - 1 + j) +
                                wx[3] * at(x + 2, y - 1 + j));
        }
        return std::clamp(sum, 0.0f, 255.0f);
    }

#if defined(__SSE4_1__)
    using F4 = float __attribute__((vector_size(16)));

    // cubic() at four points at once, when every tap of the four lies inside
    // the pixmap (else false, and nothing is set): lane by lane the same
    // operations in the same order, so the same floats.
    bool cubic4(F4 u, F4 v, F4& out) const
    {
        const F4 fu = u - 0.5f, fv = v - 0.5f;
        const F4 flu = F4(_mm_floor_ps(__m128(fu))), flv = F4(_mm_floor_ps(__m128(fv)));
        const __m128 inside = _mm_and_ps(
            _mm_and_ps(_mm_cmpge_ps(__m128(flu), _mm_set1_ps(1.0f)), _mm_cmplt_ps(__m128(flu + 2.0f), _mm_set1_ps(float(w)))),
            _mm_and_ps(_mm_cmpge_ps(__m128(flv), _mm_set1_ps(1.0f)), _mm_cmplt_ps(__m128(flv + 2.0f), _mm_set1_ps(float(h)))));
        if (_mm_movemask_ps(inside) != 0xF)
            return false;
        F4 wx[4], wy[4];
        MitchellWeights<F4>(fu - flu, wx);
        MitchellWeights<F4>(fv - flv, wy);
        alignas(16) int xs[4], ys[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(xs), _mm_cvttps_epi32(__m128(flu)));
        _mm_store_si128(reinterpret_cast<__m128i*>(ys), _mm_cvttps_epi32(__m128(flv)));
        const uint8_t* p[4];
        for (int l = 0; l < 4; ++l)
            p[l] = base + size_t(ys[l] - 1) * rowBytes + size_t(xs[l] - 1) * 4;
        F4 sum = {0, 0, 0, 0};
        for (int j = 0; j < 4; ++j) {
            // The alphas of the four taps of each lane, turned so that tap k of every lane shares a vector.
            __m128 t0 = _mm_cvtepi32_ps(_mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[0])), 24));
            __m128 t1 = _mm_cvtepi32_ps(_mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[1])), 24));
            __m128 t2 = _mm_cvtepi32_ps(_mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[2])), 24));
            __m128 t3 = _mm_cvtepi32_ps(_mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[3])), 24));
            _MM_TRANSPOSE4_PS(t0, t1, t2, t3);
            sum += wy[j] * (wx[0] * F4(t0) + wx[1] * F4(t1) + wx[2] * F4(t2) + wx[3] * F4(t3));
            for (auto& q : p)
                q += rowBytes;
        }
        out = F4(_mm_min_ps(_mm_max_ps(__m128(sum), _mm_setzero_ps()), _mm_set1_ps(255.0f)));
        return true;
    }
#endif
};

// Columns [a, b) of a row where coefficient * (x + 0.5 - C) + offset lies in (-limit, limit).
void Narrow(float coefficient, float offset, float limit, float C, double& a, double& b)
{
    if (std::abs(coefficient) < 1e-7f) {
        if (!(std::abs(offset) < limit))
            b = a;
        return;
    }
    double lo = (-limit - offset) / coefficient, hi = (limit - offset) / coefficient;
    if (lo > hi)
        std::swap(lo, hi);
    a = std::max(a, std::floor(lo + C - 0.5));
    b = std::min(b, std::ceil(hi + C - 0.5) + 1);
}

constexpr int64_t kParallelStampPixels = 40000;

// The alpha of the mip levels drawn from last, one byte a pixel: a quarter of
// the pixels' bytes, so the taps of a rotated stamp stay in cache. Pictures
// never change their pixels, so a level is known by its picture's id.
struct AlphaPlane {
    uint64_t id = 0;
    int level = -1;
    int w = 0, h = 0;
    std::vector<uint8_t> alpha;
};

AlphaSampler AlphaPlaneOf(uint64_t id, int level, const SkPixmap& pm)
{
    thread_local std::array<AlphaPlane, 64> planes;
    thread_local size_t next = 0;
    AlphaPlane* plane = nullptr;
    for (AlphaPlane& p : planes)
        if (p.id == id && p.level == level && p.w == pm.width && p.h == pm.height) {
            plane = &p;
            break;
        }
    if (!plane) {
        plane = &planes[next];
        next = (next + 1) % planes.size();
        plane->id = id;
        plane->level = level;
        plane->w = pm.width;
        plane->h = pm.height;
        plane->alpha.resize(size_t(pm.width) * size_t(pm.height));
        for (int y = 0; y < pm.height; ++y) {
            const uint8_t* in = pm.base + size_t(y) * pm.rowBytes + 3;
            uint8_t* out = plane->alpha.data() + size_t(y) * size_t(pm.width);
            for (int x = 0; x < pm.width; ++x)
                out[x] = in[size_t(x) * 4];
        }
    }
    return AlphaSampler{plane->alpha.data(), size_t(plane->w), plane->w, plane->h, 1, 0};
}

// Columns x0, x0 + step, ... below xEnd of one row with linear filtering from
// an alpha plane, four
// at a time. Every lane runs the operations of the one-pixel loop in the same
// order (no contraction), so the pixels are the same; only the taps are read
// one lane at a time.
void LinearStampRow(uint32_t* row, int x0, int xEnd, int step, float dy, const AlphaSampler& smp, float C, float half,
                    float limit, float texScale, float cosR, float sinR, float scaleCol, const float premul[4])
{
    const __m128 vC = _mm_set1_ps(C), vPoint5 = _mm_set1_ps(0.5f), vCos = _mm_set1_ps(cosR),
                 vNegSin = _mm_set1_ps(-sinR), vSinDy = _mm_set1_ps(sinR * dy), vCosDy = _mm_set1_ps(cosR * dy);
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 vLimit = _mm_set1_ps(limit), vOne = _mm_set1_ps(1.0f), vZero = _mm_setzero_ps();
    const __m128 vHalf = _mm_set1_ps(half), vTex = _mm_set1_ps(texScale), vScale = _mm_set1_ps(scaleCol);
    const __m128 vB = _mm_set1_ps(premul[0]), vG = _mm_set1_ps(premul[1]), vR = _mm_set1_ps(premul[2]),
                 vA = _mm_set1_ps(premul[3]);
    const __m128i lanes = _mm_setr_epi32(0, step, 2 * step, 3 * step), vEnd = _mm_set1_epi32(xEnd);
    alignas(16) int ix[4], iy[4];
    alignas(16) uint32_t out[4];
    for (int x = x0; x < xEnd; x += 4 * step) {
        const __m128i xi = _mm_add_epi32(_mm_set1_epi32(x), lanes);
        const __m128 dx = _mm_sub_ps(_mm_add_ps(_mm_cvtepi32_ps(xi), vPoint5), vC);
        const __m128 lx = _mm_add_ps(_mm_mul_ps(vCos, dx), vSinDy);
        const __m128 ly = _mm_add_ps(_mm_mul_ps(vNegSin, dx), vCosDy);
        const __m128 cx = _mm_min_ps(_mm_sub_ps(vLimit, _mm_and_ps(lx, absMask)), vOne);
        const __m128 cy = _mm_min_ps(_mm_sub_ps(vLimit, _mm_and_ps(ly, absMask)), vOne);
        const __m128 inside = _mm_and_ps(_mm_and_ps(_mm_cmpgt_ps(cx, vZero), _mm_cmpgt_ps(cy, vZero)),
                                         _mm_castsi128_ps(_mm_cmplt_epi32(xi, vEnd)));
        const int live = _mm_movemask_ps(inside);
        if (!live)
            continue;
        const __m128 fu = _mm_sub_ps(_mm_mul_ps(_mm_add_ps(lx, vHalf), vTex), vPoint5);
        const __m128 fv = _mm_sub_ps(_mm_mul_ps(_mm_add_ps(ly, vHalf), vTex), vPoint5);
        const __m128 flu = _mm_floor_ps(fu), flv = _mm_floor_ps(fv);
        const __m128 tx = _mm_sub_ps(fu, flu), ty = _mm_sub_ps(fv, flv);
        _mm_store_si128(reinterpret_cast<__m128i*>(ix), _mm_cvttps_epi32(flu));
        _mm_store_si128(reinterpret_cast<__m128i*>(iy), _mm_cvttps_epi32(flv));
        // The four taps of a lane packed into one word, a00 in the low byte.
        auto taps = [&](int i) -> int {
            if (!((live >> i) & 1))
                return 0;
            const int px = ix[i], py = iy[i];
            if (px >= 0 && py >= 0 && px + 1 < smp.w && py + 1 < smp.h) {
                const uint8_t* p = smp.base + size_t(py) * smp.rowBytes + size_t(px);
                return int(p[0] | (p[1] << 8) | (p[smp.rowBytes] << 16) | (uint32_t(p[smp.rowBytes + 1]) << 24));
            }
            return int(smp.at(px, py) | (smp.at(px + 1, py) << 8) | (smp.at(px, py + 1) << 16) |
                       (uint32_t(smp.at(px + 1, py + 1)) << 24));
        };
        const __m128i packedTaps = _mm_setr_epi32(taps(0), taps(1), taps(2), taps(3));
        const __m128i byteMask = _mm_set1_epi32(0xFF);
        const __m128 v00 = _mm_cvtepi32_ps(_mm_and_si128(packedTaps, byteMask));
        const __m128 v10 = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(packedTaps, 8), byteMask));
        const __m128 v01 = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(packedTaps, 16), byteMask));
        const __m128 v11 = _mm_cvtepi32_ps(_mm_srli_epi32(packedTaps, 24));
        const __m128 top = _mm_add_ps(v00, _mm_mul_ps(_mm_sub_ps(v10, v00), tx));
        const __m128 bot = _mm_add_ps(v01, _mm_mul_ps(_mm_sub_ps(v11, v01), tx));
        const __m128 alpha = _mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bot, top), ty));
        const __m128 value = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(alpha, cx), cy), vScale);
        const int write = live & _mm_movemask_ps(_mm_cmpgt_ps(value, vZero));
        if (!write)
            continue;
        auto channel = [&](__m128 c) { return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(c, value), vPoint5)); };
        const __m128i packed =
            _mm_or_si128(_mm_or_si128(_mm_slli_epi32(channel(vA), 24), _mm_slli_epi32(channel(vR), 16)),
                         _mm_or_si128(_mm_slli_epi32(channel(vG), 8), channel(vB)));
        if (write == 0xF && step == 1) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), packed);
            continue;
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(out), packed);
        for (int i = 0; i < 4; ++i)
            if ((write >> i) & 1)
                row[x + i * step] = out[i];
    }
}

template <bool Cubic>
void RasteriseStamp(StampScratch& scratch, const SkIRect& bounds, const AlphaSampler& smp, float texScale, float half,
                    float cosR, float sinR, float opacity, const float premul[4], StampLattice lattice)
{
    const float C = float(scratch.center());
    const float limit = half + 0.5f;
    const int step = lattice.step;
    auto firstOnLattice = [&](int from) {
        const int m = ((from - lattice.origin) % step + step) % step;
        return m == 0 ? from : from + (step - m);
    };
    const float scaleCol = opacity / 255.0f;
    const int firstRow = firstOnLattice(bounds.top);
    const int rows = firstRow < bounds.bottom ? (bounds.bottom - 1 - firstRow) / step + 1 : 0;
    auto rasterRows = [&](int i0, int i1) {
    for (int y = firstRow + i0 * step; y < firstRow + i1 * step; y += step) {
        const float dy = float(y) + 0.5f - C;
        // Local coordinates: lx = cos dx + sin dy, ly = -sin dx + cos dy.
        double a = bounds.left, b = bounds.right;
        Narrow(cosR, sinR * dy, limit, C, a, b);
        Narrow(-sinR, cosR * dy, limit, C, a, b);
        if (b <= a)
            continue;
        uint32_t* row = scratch.row(y);
        if constexpr (!Cubic) {
            LinearStampRow(row, firstOnLattice(int(a)), int(b), step, dy, smp, C, half, limit, texScale, cosR, sinR,
                           scaleCol, premul);
            continue;
        }
        auto pixel = [&](int x) {
            const float dx = float(x) + 0.5f - C;
            const float lx = cosR * dx + sinR * dy, ly = -sinR * dx + cosR * dy;
            const float cx = std::min(1.0f, limit - std::abs(lx)), cy = std::min(1.0f, limit - std::abs(ly));
            if (cx <= 0 || cy <= 0)
                return;
            const float u = (lx + half) * texScale, v = (ly + half) * texScale;
            const float alpha = Cubic ? smp.cubic(u, v) : smp.linear(u, v);
            const float value = alpha * cx * cy * scaleCol;
            if (value <= 0)
                return;
            row[x] = (uint32_t(premul[3] * value + 0.5f) << 24) | (uint32_t(premul[2] * value + 0.5f) << 16) |
                     (uint32_t(premul[1] * value + 0.5f) << 8) | uint32_t(premul[0] * value + 0.5f);
        };
        int x = firstOnLattice(int(a));
        const int end = int(b);
#if defined(__SSE4_1__)
        if constexpr (Cubic) {
            // Four lattice pixels at a time, each lane computed as pixel() computes it.
            using F4 = AlphaSampler::F4;
            const F4 lane = {0, float(step), float(2 * step), float(3 * step)};
            for (; x + 3 * step < end; x += 4 * step) {
                const F4 dx = (float(x) + lane + 0.5f) - C;
                const F4 lx = cosR * dx + sinR * dy, ly = -sinR * dx + cosR * dy;
                const F4 cx = F4(_mm_min_ps(_mm_set1_ps(limit) - __m128(F4(_mm_andnot_ps(_mm_set1_ps(-0.0f), __m128(lx)))),
                                            _mm_set1_ps(1.0f)));
                const F4 cy = F4(_mm_min_ps(_mm_set1_ps(limit) - __m128(F4(_mm_andnot_ps(_mm_set1_ps(-0.0f), __m128(ly)))),
                                            _mm_set1_ps(1.0f)));
                F4 alpha;
                if (!smp.cubic4((lx + half) * texScale, (ly + half) * texScale, alpha)) {
                    for (int l = 0; l < 4; ++l)
                        pixel(x + l * step);
                    continue;
                }
                const F4 value = alpha * cx * cy * scaleCol;
                const int keep = _mm_movemask_ps(_mm_and_ps(
                    _mm_and_ps(_mm_cmpgt_ps(__m128(cx), _mm_setzero_ps()), _mm_cmpgt_ps(__m128(cy), _mm_setzero_ps())),
                    _mm_cmpgt_ps(__m128(value), _mm_setzero_ps())));
                if (!keep)
                    continue;
                const __m128i c0 = _mm_cvttps_epi32(__m128(premul[0] * value + 0.5f));
                const __m128i c1 = _mm_cvttps_epi32(__m128(premul[1] * value + 0.5f));
                const __m128i c2 = _mm_cvttps_epi32(__m128(premul[2] * value + 0.5f));
                const __m128i c3 = _mm_cvttps_epi32(__m128(premul[3] * value + 0.5f));
                alignas(16) uint32_t px[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(px),
                                _mm_or_si128(_mm_or_si128(_mm_slli_epi32(c3, 24), _mm_slli_epi32(c2, 16)),
                                             _mm_or_si128(_mm_slli_epi32(c1, 8), c0)));
                for (int l = 0; l < 4; ++l)
                    if (keep & (1 << l))
                        row[x + l * step] = px[l];
            }
        }
#endif
        for (; x < end; x += step)
            pixel(x);
    }
    };
    // Large stamps (the first strokes of a painting) split their rows over
    // the pool; every row is computed on its own, so the result is the same.
    const int64_t work = int64_t(rows) * ((bounds.width() + step - 1) / step);
    if (work < kParallelStampPixels)
        rasterRows(0, rows);
    else
        ParallelForRange(0, rows, rasterRows, std::max(1, int(4096 / std::max(1, bounds.width() / step))));
}

} // namespace

void DrawStamp(StampScratch& scratch, const ISkImage& stamp, TAlphaColor colour, float opacity, float rotation,
               float size, const SkSamplingOptions& sampling, StampLattice lattice, const SkIRect& only)
{
    scratch.clear();
    SkPixmap pm;
    opacity = std::clamp(opacity, 0.0f, 1.0f);
    if (!stamp || !stamp->peekPixels(pm) || !(size > 0) || !(opacity > 0) || !std::isfinite(rotation) ||
        !std::isfinite(size))
        return;
    lattice.step = std::max(1, lattice.step);
    const float C = float(scratch.center());
    const float half = size / 2;
    const float cosR = float(std::cos(double(rotation))), sinR = float(std::sin(double(rotation)));
    const float extent = half * (std::abs(cosR) + std::abs(sinR)) + 1.0f;
    SkIRect bounds{int(std::floor(std::max(-1.0f, C - extent))), int(std::floor(std::max(-1.0f, C - extent))),
                   int(std::ceil(std::min(float(scratch.side_) + 1, C + extent))),
                   int(std::ceil(std::min(float(scratch.side_) + 1, C + extent)))};
    if (!bounds.intersect(SkIRect::MakeWH(scratch.side_, scratch.side_)) || !bounds.intersect(only))
        return;
    scratch.drawn_ = bounds;

    // The stamp's own colour does not matter: SrcIn keeps only its alpha.
    const uint32_t pc = PremultiplyColor(colour);
    const float premul[4] = {float(pc & 0xFF), float((pc >> 8) & 0xFF), float((pc >> 16) & 0xFF), float(pc >> 24)};
    if (sampling.useCubic) {
        const AlphaSampler smp{pm.base, pm.rowBytes, pm.width, pm.height};
        RasteriseStamp<true>(scratch, bounds, smp, float(pm.width) / size, half, cosR, sinR, opacity, premul, lattice);
        return;
    }
    // Linear filtering from the mip level nearest to the shrink.
    SkPixmap level = pm;
    int levelIndex = 0;
    const float shrink = size / float(pm.width);
    if (shrink < 1.0f) {
        const SkMipmap& mips = stamp->mipmap();
        const int k = SkMipmap::LevelForScale(shrink, mips.levelCount());
        if (k > 0) {
            level = mips.level(k);
            levelIndex = k;
        }
    }
    const AlphaSampler smp = AlphaPlaneOf(stamp->uniqueID(), levelIndex, level);
    RasteriseStamp<false>(scratch, bounds, smp, float(level.width) / size, half, cosR, sinR, opacity, premul, lattice);
}

// ------------------------------------------------------------------ compositing and relief

void CompositeStamp(const StampScratch& scratch, const ScratchWindow& window, uint32_t* const* targetRows,
                    int targetW, int targetH, int x, int y)
{
    const int C = scratch.center();
    const int N = scratch.side();
    // Only the drawn part of the window can change anything.
    const SkIRect drawn = scratch.drawnBounds();
    const int r0 = std::max({window.row0, 0, drawn.top, C - y});
    const int r1 = std::min({window.row1, N - 1, drawn.bottom - 1, targetH - 1 - y + C});
    const int c0 = std::max({window.col0, 0, drawn.left, C - x});
    const int c1 = std::min({window.col1, N - 1, drawn.right - 1, targetW - 1 - x + C});
    if (r1 < r0 || c1 < c0)
        return;
    auto rows = [&](int ra, int rb) {
        for (int r = ra; r < rb; ++r) {
            const uint32_t* s = scratch.row(r);
            uint32_t* t = targetRows[y - C + r] + (x - C);
            for (int c = c0; c <= c1; ++c) {
                const uint32_t sp = s[c];
                if (sp >> 24)
                    t[c] = CompositePixel(sp, t[c]);
            }
        }
    };
    if (int64_t(r1 - r0 + 1) * (c1 - c0 + 1) < kParallelStampPixels)
        rows(r0, r1 + 1);
    else
        ParallelForRange(r0, r1 + 1, rows, std::max(1, 4096 / (c1 - c0 + 1)));
}

void ApplyBrushRelief(StampScratch& scratch, int size, const ScratchWindow& window, int strength)
{
    const int N = scratch.side();
    const int C = scratch.center();
    const int d = std::max(1, size / 2 + size / 4);
    // Neighbours are read at +-1: keep the window one pixel inside, and within the drawn bounds.
    const SkIRect drawn = scratch.drawnBounds();
    const int r0 = std::max({window.row0, 1, drawn.top, C - d + 1});
    const int r1 = std::min({window.row1, N - 2, drawn.bottom - 1, C + d - 1});
    const int c0 = std::max({window.col0, 1, drawn.left, C - d + 1});
    const int c1 = std::min({window.col1, N - 2, drawn.right - 1, C + d - 1});
    if (r1 < r0 || c1 < c0)
        return;
    auto alpha = [&](int x, int y) { return int(scratch.row(y)[x] >> 24); };
    // The fall-off by distance, squared, once per stamp instead of a division per pixel.
    thread_local std::vector<int> falloffTable;
    falloffTable.resize(size_t(d));
    for (int dist = 0; dist < d; ++dist) {
        const int f = 255 - (dist * 255) / d;
        falloffTable[size_t(dist)] = (f * f) / 255;
    }
    const int* falloff = falloffTable.data();
    // Relief keeps every alpha, and alpha is all a pixel reads of its
    // neighbours: the rows are independent, and large stamps split them over
    // the pool.
    auto reliefRows = [&](int ya, int yb) {
    for (int y = ya; y < yb; ++y) {
        uint32_t* row = scratch.row(y);
        const int dyc = std::abs(y - C);
        // Inside the diamond |x - C| + |y - C| < d only.
        const int xa = std::max(c0, C - (d - 1 - dyc)), xb = std::min(c1, C + (d - 1 - dyc));
        for (int x = xa; x <= xb; ++x) {
            const uint32_t p = row[x];
            const int a = int(p >> 24);
            if (a <= 5)
                continue;
            const int dist = std::abs(x - C) + dyc;
            if (dist >= d)
                continue;
            const int gx = std::clamp(alpha(x + 1, y) - alpha(x - 1, y), -40, 40);
            const int gy = std::clamp(alpha(x, y + 1) - alpha(x, y - 1), -40, 40);
            int w = ((((gx - gy) * strength) / 10) * ((a * a) / 255)) / 255;
            w = (w * falloff[size_t(dist)]) / 255;
            w = std::clamp(w, -50, 50);
            if (w == 0)
                continue;
            uint32_t out = p & 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const int c = int((p >> shift) & 0xFF);
                const int v = w > 0 ? ClampToByte(c + (w * (a - c)) / 512) : int((uint32_t(c) * uint32_t(255 - (-w) / 2)) >> 8);
                out |= uint32_t(v) << shift;
            }
            row[x] = out;
        }
    }
    };
    if (int64_t(r1 - r0 + 1) * (c1 - c0 + 1) < kParallelStampPixels)
        reliefRows(r0, r1 + 1);
    else
        ParallelForRange(r0, r1 + 1, reliefRows, std::max(1, 4096 / (c1 - c0 + 1)));
}

} // namespace pv
