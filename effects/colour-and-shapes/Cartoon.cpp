// Cartoon flattens the picture with an edge-preserving smoothing, boosts its
// saturation and brightness and draws dark anti-aliased contour lines from
// the shared edge detector; with "color intensity" at 0 only the lines are
// drawn, dark on white. Over an earlier result (erase switch off) the cartoon
// replaces it only where it is closer to the source, and along every line.

#include "effects/colour-and-shapes/Cartoon.h"

#include "engine/ImageHelpers.h"
#include "engine/SimilaritySmoothSurface.h"
#include "platform/graphics/SkImageFilter.h"
#include "platform/system/LargeBuffer.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pv {
namespace {

constexpr int kSimilarityThreshold = 30;
constexpr float kSpatialSigma = 1.5f;

inline int Unpremultiplied(uint32_t c, uint32_t a) { return a == 0 ? 0 : ClampByte(int(c * 255 / a)); }

// Squared RGB distance of two premultiplied pixels, compared un-premultiplied.
inline int Distance2(uint32_t p, uint32_t q)
{
    const uint32_t pa = p >> 24, qa = q >> 24;
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = Unpremultiplied((p >> shift) & 0xFF, pa) - Unpremultiplied((q >> shift) & 0xFF, qa);
        sum += d * d;
    }
    return sum;
}

struct CanvasBase {
    bool DoClear = true;
    LargeBuffer<uint32_t> Pixels; // the previous result when DoClear is off (transparent when unusable)
};

// The erase switch and, with it off, the previous result of the same size.
CanvasBase ReadCanvasBase(int w, int h)
{
    CanvasBase base;
    ISkImage previous;
    RunOnUISync([&] {
        const TEngineHost* host = EngineHost();
        if (!host)
            return;
        base.DoClear = host->FEraseBdChecked.load();
        if (!base.DoClear && host->FSkImage && host->FSkImage->width() == w && host->FSkImage->height() == h)
            previous = host->FSkImage;
    });
    if (!base.DoClear) {
        base.Pixels = LargeBuffer<uint32_t>(size_t(w) * size_t(h));
        if (previous && !previous->readPixels(base.Pixels.data(), size_t(w) * 4, 0, 0, w, h))
            std::fill_n(base.Pixels.data(), base.Pixels.size(), 0u);
    }
    return base;
}

// The smoothed colours (before the boost), premultiplied, w x h.
LargeBuffer<uint32_t> SmoothColours(const ISkImage& Source, const CartoonValues& v, bool Preview)
{
    const int w = Source->width(), h = Source->height();
    LargeBuffer<uint32_t> out(size_t(w) * size_t(h));
    ISkSurface surface = SkSurface::MakeRaster(w, h);
    SkPixmap pm;
    if (!surface || !surface->peekPixels(pm))
        throw std::bad_alloc();
    {
        const ISkImage pre = v.PreBlurSigma > 0 ? BlurImage(Source, v.PreBlurSigma, v.PreBlurSigma, SkTileMode::kClamp)
                                                : Source;
        if (pre)
            pre->readPixels(pm.base, pm.rowBytes, 0, 0, w, h);
    }
    SimilaritySmoothSurface_MT(
        surface, nullptr, v.SmoothRadius, kSimilarityThreshold, v.SmoothPasses, true, kSpatialSigma, v.RangeSigma, 0,
        [&](float f) {
            if (Preview)
                SafeUpdatePreview(surface, Round(50.0f * f) + 10);
            else
                SafeUpdateProgress(Round(48.0f * f) + 10);
        },
        1);
    ReportEffectProgress(surface, Preview, 62);
    CheckCancellation();
    for (int y = 0; y < h; ++y)
        std::memcpy(out.data() + size_t(y) * size_t(w), pm.row(y), size_t(w) * 4);
    if (!Preview) {
        const ISkImage snap = surface->makeImageSnapshot();
        RunOnUISync([&] {
            const TEngineHost* host = EngineHost();
            if (host && host->FCurrentEffectNumber.load() != -1)
                ShowIntermediateResult(snap, -1);
        });
    }
    return out;
}

} // namespace

CartoonValues CartoonValuesFor(int w, int h, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    CartoonValues v;
    const double p1 = P1;
    v.PreBlurSigma = std::max(0.0f, 0.018f * float(P1) + 0.8f);
    v.SmoothRadius = int(std::clamp<int64_t>(Round64(0.1 * p1) + 5, -1, kMaxCartoonRadius));
    v.SmoothPasses = int(std::clamp<int64_t>(Round64(0.05 * p1) + 3, 0, kMaxCartoonPasses));
    if (Preview) {
        v.SmoothRadius = std::min(v.SmoothRadius, 6);
        v.SmoothPasses = std::min(v.SmoothPasses, 2);
    }
    v.RangeSigma = std::max(kMinCartoonRangeSigma, 0.8f * float(P1) + 40.0f);
    v.SatBoost = 1.0f + 0.014f * float(P4);
    v.LumiBoost = 1.0f + 0.0016f * float(P3);

    v.Contours = ContourMaskValuesFor(w, h, P2, 0).Settings;
    ContourLineStyle& s = v.Lines;
    s.Term = P2 / 5;
    s.Slope = 175;
    s.Offset = 20;
    s.Scaled = false;
    s.Percent = P3;
    const int base = int(std::clamp<int64_t>(Round64(0.05 * double(P5)), -1, kMaxContourThickness));
    s.BaseThickness = base;
    s.GreatestThickness = std::min(kMaxContourThickness, base + (base >= 2 ? base / 2 : 1));
    s.ShiftTowardDark = false;
    s.EdgeHalo = 0.65;
    s.DiagonalHalo = 0.3;
    s.DiscReach = 1.0f;
    return v;
}

uint32_t CartoonBoostPixel(uint32_t p, float satBoost, float lumiBoost)
{
    const uint32_t a = p >> 24;
    if (a == 0)
        return p;
    int c[3] = {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
    if (a < 255)
        for (int& ch : c)
            ch = ClampByte(int(uint32_t(ch) * 255 / a));
    const int mu = (c[0] + c[1] + c[2]) / 3;
    for (int& ch : c) {
        // Held to the byte's range before rounding: extreme boosts reach far
        // beyond int's range.
        ch = Round(std::clamp(float(mu) + float(ch - mu) * satBoost, 0.0f, 255.0f));
        ch = Round(std::clamp(float(ch) * lumiBoost, 0.0f, 255.0f));
        if (a < 255)
            ch = int(uint32_t(ch) * a / 255);
    }
    return a << 24 | uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | uint32_t(c[2]);
}

void CartoonEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    if (!Source || !Dest)
        return;
    const int w = Source->width(), h = Source->height();
    if (w < 2 || h < 2)
        return;
    if (!Preview)
        SafeUpdateProgress(5);
    const CartoonValues v = CartoonValuesFor(w, h, P1, P2, P3, P4, P5, Preview);
    SkPixmap src;
    if (!Source->peekPixels(src) || !src.valid())
        return;
    const size_t W = size_t(w), n = W * size_t(h);
    CheckCancellation();
    if (!Preview)
        SafeUpdateProgress(8);

    CanvasBase base;
    if (!Preview)
        base = ReadCanvasBase(w, h);

    LargeBuffer<uint32_t> colours;
    LargeBuffer<uint32_t> unboosted;
    if (P4 != 0) {
        colours = SmoothColours(Source, v, Preview);
        if (!Preview && !base.DoClear) {
            unboosted = LargeBuffer<uint32_t>(n);
            std::copy_n(colours.data(), n, unboosted.data());
        }
    } else {
        colours = LargeBuffer<uint32_t>(n);
    }
    if (P4 > 0)
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (size_t i = size_t(lo) * W; i < size_t(hi) * W; ++i)
                colours[i] = CartoonBoostPixel(colours[i], v.SatBoost, v.LumiBoost);
        }, 16);
    if (!Preview)
        SafeUpdateProgress(67);
    CheckCancellation();

    LargeBuffer<uint8_t> lines(n);
    {
        const ContourEdges edges = ExtractContourEdges(Source, v.Contours);
        if (!Preview)
            SafeUpdateProgress(87);
        CheckCancellation();
        DrawContourLines(edges, v.Lines, lines.data());
    }

    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint32_t* s = src.row(y);
            for (int x = 0; x < w; ++x) {
                const uint32_t a = s[x] >> 24;
                const size_t i = size_t(y) * W + size_t(x);
                const uint32_t line = lines[i];
                if (a == 0)
                    continue;
                if (P4 == 0) {
                    const uint32_t g = (255 - line) * a / 255;
                    colours[i] = a << 24 | g << 16 | g << 8 | g;
                } else if (line > 0) {
                    const uint32_t c = colours[i], keep = 255 - line;
                    colours[i] = (c & 0xFF000000u) | (((c >> 16) & 0xFF) * keep / 255) << 16 |
                                 (((c >> 8) & 0xFF) * keep / 255) << 8 | ((c & 0xFF) * keep / 255);
                }
            }
        }
    }, 16);

    if (!Preview)
        SafeUpdateProgress(94);
    CheckCancellation();
    Dest->getCanvas()->clear(kColorTransparent);
    SkPixmap dst;
    if (!Dest->peekPixels(dst) || dst.width < w || dst.height < h)
        return;
    if (base.DoClear) {
        for (int y = 0; y < h; ++y)
            std::memcpy(dst.row(y), colours.data() + size_t(y) * W, W * 4);
    } else {
        ParallelForRange(0, h, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                const uint32_t* s = src.row(y);
                uint32_t* d = dst.row(y);
                for (int x = 0; x < w; ++x) {
                    const size_t i = size_t(y) * W + size_t(x);
                    uint32_t out = base.Pixels[i];
                    if ((s[x] >> 24) != 0) {
                        if (lines[i] != 0 ||
                            (!unboosted.empty() && Distance2(unboosted[i], s[x]) < Distance2(out, s[x])))
                            out = colours[i];
                    }
                    d[x] = out;
                }
            }
        }, 16);
    }
    if (Preview)
        ReportEffectFinished(Dest, true);
    else
        SafeUpdateProgress(100);
}

PV_REGISTER_EFFECT(501, CartoonEffect);

} // namespace pv
