#include "platform/graphics/SkImageFilter.h"

#include "platform/graphics/Convolve3x3.h"
#include "platform/graphics/GraphicsParallel.h"
#include "platform/graphics/PixelMath.h"
#include "platform/graphics/RasterAlloc.h"
#include "platform/graphics/SkBlur.h"
#include "platform/graphics/SkImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace pv {

namespace {

QImage NewRaster(int w, int h, bool clear = true)
{
    QImage img = NewRasterImage(w, h, QImage::Format_ARGB32_Premultiplied, clear);
    if (img.isNull())
        throw std::bad_alloc();
    return img;
}

SkPixmap PixmapOf(const QImage& img)
{
    return {const_cast<uint8_t*>(img.constBits()), img.width(), img.height(), size_t(img.bytesPerLine())};
}

// Copies the part of `from` that overlaps `to` (both placed in device space).
void CopyOverlap(const SkFilterImage& from, const SkFilterImage& to)
{
    SkIRect r = from.bounds();
    if (!r.intersect(to.bounds()))
        return;
    const SkPixmap s = PixmapOf(from.image), d = PixmapOf(to.image);
    for (int y = r.top; y < r.bottom; ++y)
        std::memcpy(d.row(y - to.origin.fY) + (r.left - to.origin.fX), s.row(y - from.origin.fY) + (r.left - from.origin.fX),
                    size_t(r.width()) * 4);
}

SkFilterImage EvalInput(const ISkImageFilter& input, const SkFilterImage& source, const SkIRect& clip,
                        const SkMatrix& ctm)
{
    return input ? input->filter(source, clip, ctm) : source;
}

float MapSigma(const SkMatrix& ctm, float sx, float sy, bool xAxis)
{
    const SkVector v = xAxis ? ctm.mapVector(sx, 0) : ctm.mapVector(0, sy);
    const float s = v.length();
    return std::isfinite(s) ? std::min(s, kMaxBlurSigma) : 0.0f;
}

int Reach(float sigma) { return sigma > 0 ? int(std::ceil(3.0f * sigma)) : 0; }

// Reach of a chain: -1 (unbounded) wins.
int AddReach(int a, int b) { return a < 0 || b < 0 ? -1 : a + b; }
int InputReach(const ISkImageFilter& input, const SkMatrix& ctm) { return input ? input->reach(ctm) : 0; }

// ---------------------------------------------------------------- blur

class BlurFilter final : public SkImageFilter {
public:
    BlurFilter(float sx, float sy, SkTileMode tile, ISkImageFilter input)
        : sx_(sx), sy_(sy), tile_(tile), input_(std::move(input))
    {
    }

    SkFilterImage filter(const SkFilterImage& source, const SkIRect& clip, const SkMatrix& ctm) const override
    {
        const SkFilterImage in = EvalInput(input_, source, clip, ctm);
        if (in.isEmpty())
            return in;
        const float sx = MapSigma(ctm, sx_, sy_, true), sy = MapSigma(ctm, sx_, sy_, false);
        if (tile_ != SkTileMode::kDecal) {
            SkFilterImage out{NewRaster(in.image.width(), in.image.height(), false), in.origin};
            GaussianBlur(SkPlane::FromPixmap(PixmapOf(in.image)), SkPlane::FromPixmap(PixmapOf(out.image)), sx, sy,
                         tile_);
            return out;
        }
        const int rx = Reach(sx), ry = Reach(sy);
        SkIRect work = in.bounds().makeOutset(rx, ry);
        if (!work.intersect(clip.makeOutset(rx, ry)))
            return {};
        SkFilterImage out{NewRaster(work.width(), work.height()), {work.left, work.top}};
        CopyOverlap(in, out);
        const SkPlane p = SkPlane::FromPixmap(PixmapOf(out.image));
        GaussianBlur(p, p, sx, sy, SkTileMode::kDecal);
        return out;
    }

    int reach(const SkMatrix& ctm) const override
    {
        const int own = tile_ == SkTileMode::kDecal
                            ? std::max(Reach(MapSigma(ctm, sx_, sy_, true)), Reach(MapSigma(ctm, sx_, sy_, false)))
                            : 0;
        return AddReach(own, InputReach(input_, ctm));
    }

private:
    float sx_, sy_;
    SkTileMode tile_;
    ISkImageFilter input_;
};

// ---------------------------------------------------------------- drop shadow

class DropShadowFilter final : public SkImageFilter {
public:
    DropShadowFilter(float dx, float dy, float sx, float sy, TAlphaColor color, bool shadowOnly, ISkImageFilter input)
        : dx_(dx), dy_(dy), sx_(sx), sy_(sy), color_(color), shadowOnly_(shadowOnly), input_(std::move(input))
    {
    }

    SkFilterImage filter(const SkFilterImage& source, const SkIRect& clip, const SkMatrix& ctm) const override
    {
        const SkFilterImage in = EvalInput(input_, source, clip, ctm);
        if (in.isEmpty())
            return in;
        const float sx = MapSigma(ctm, sx_, sy_, true), sy = MapSigma(ctm, sx_, sy_, false);
        const SkVector off = ctm.mapVector(dx_, dy_);
        const int ox = std::isfinite(off.fX) ? int(std::floor(std::clamp(off.fX, -1e6f, 1e6f) + 0.5f)) : 0;
        const int oy = std::isfinite(off.fY) ? int(std::floor(std::clamp(off.fY, -1e6f, 1e6f) + 0.5f)) : 0;
        const int rx = Reach(sx), ry = Reach(sy);

        // The shadow: the input's alpha, spread by the blur, in its own plane.
        const SkIRect shadowRect = in.bounds().makeOutset(rx, ry).makeOffset(ox, oy);
        SkIRect outRect = shadowRect;
        if (!shadowOnly_)
            outRect.join(in.bounds());
        if (!outRect.intersect(clip))
            return {};

        const int sw = shadowRect.width(), sh = shadowRect.height();
        std::vector<uint8_t> alpha(size_t(sw) * size_t(sh), 0);
        const SkPixmap inPm = PixmapOf(in.image);
        for (int y = 0; y < inPm.height; ++y) {
            const uint32_t* s = inPm.row(y);
            uint8_t* a = alpha.data() + size_t(y + ry) * size_t(sw) + size_t(rx);
            for (int x = 0; x < inPm.width; ++x)
                a[x] = uint8_t(s[x] >> 24);
        }
        const SkPlane plane{alpha.data(), sw, sh, size_t(sw), 1};
        GaussianBlur(plane, plane, sx, sy, SkTileMode::kDecal);

        SkFilterImage out{NewRaster(outRect.width(), outRect.height()), {outRect.left, outRect.top}};
        const SkPixmap o = PixmapOf(out.image);
        const uint32_t premul = PremultiplyColor(color_);
        GraphicsParallelFor(outRect.top, outRect.bottom, 64, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                uint32_t* row = o.row(y - outRect.top);
                const int syy = y - shadowRect.top;
                if (syy >= 0 && syy < sh) {
                    const int x0 = std::max(outRect.left, shadowRect.left), x1 = std::min(outRect.right, shadowRect.right);
                    const uint8_t* a = alpha.data() + size_t(syy) * size_t(sw);
                    for (int x = x0; x < x1; ++x)
                        row[x - outRect.left] = px::ScalePixel(premul, a[x - shadowRect.left]);
                }
                if (shadowOnly_)
                    continue;
                const int iy = y - in.origin.fY;
                if (iy < 0 || iy >= inPm.height)
                    continue;
                const int x0 = std::max(outRect.left, in.origin.fX), x1 = std::min(outRect.right, in.origin.fX + inPm.width);
                const uint32_t* s = inPm.row(iy);
                for (int x = x0; x < x1; ++x) {
                    const uint32_t p = s[x - in.origin.fX];
                    uint32_t& d = row[x - outRect.left];
                    d = px::SrcOverCoverage(p, d, 255);
                }
            }
        });
        return out;
    }

    int reach(const SkMatrix& ctm) const override
    {
        const SkVector off = ctm.mapVector(dx_, dy_);
        const float d = std::max(std::abs(off.fX), std::abs(off.fY));
        const int own = std::max(Reach(MapSigma(ctm, sx_, sy_, true)), Reach(MapSigma(ctm, sx_, sy_, false))) +
                        (std::isfinite(d) ? int(std::ceil(std::min(d, 1e6f))) + 1 : 0);
        return AddReach(own, InputReach(input_, ctm));
    }

private:
    float dx_, dy_, sx_, sy_;
    TAlphaColor color_;
    bool shadowOnly_;
    ISkImageFilter input_;
};

// ---------------------------------------------------------------- matrix convolution

class MatrixConvolutionFilter final : public SkImageFilter {
public:
    MatrixConvolutionFilter(const Convolve3x3Options& options, ISkImageFilter input)
        : options_(options), input_(std::move(input))
    {
    }

    SkFilterImage filter(const SkFilterImage& source, const SkIRect& clip, const SkMatrix& ctm) const override
    {
        const SkFilterImage in = EvalInput(input_, source, clip, ctm);
        if (in.isEmpty())
            return in;
        SkFilterImage out{NewRaster(in.image.width(), in.image.height(), false), in.origin};
        Convolve3x3(PixmapOf(in.image), PixmapOf(out.image), options_);
        return out;
    }

    int reach(const SkMatrix& ctm) const override { return InputReach(input_, ctm); }

private:
    Convolve3x3Options options_;
    ISkImageFilter input_;
};

// ---------------------------------------------------------------- colour filter

class ColorFilterFilter final : public SkImageFilter {
public:
    ColorFilterFilter(ISkColorFilter cf, ISkImageFilter input) : cf_(std::move(cf)), input_(std::move(input)) {}

    SkFilterImage filter(const SkFilterImage& source, const SkIRect& clip, const SkMatrix& ctm) const override
    {
        const SkFilterImage in = EvalInput(input_, source, clip, ctm);
        // A filter that colours transparent pixels paints the whole clip.
        const uint32_t empty = cf_->filterPixel(0);
        SkIRect bounds = empty != 0 ? clip : in.bounds();
        if (in.isEmpty() && empty == 0)
            return in;
        if (bounds.isEmpty())
            return {};
        SkFilterImage out{NewRaster(bounds.width(), bounds.height(), false), {bounds.left, bounds.top}};
        const SkPixmap o = PixmapOf(out.image);
        const SkPixmap s = in.isEmpty() ? SkPixmap{} : PixmapOf(in.image);
        GraphicsParallelFor(0, o.height, std::max(1, 16384 / std::max(1, o.width)), [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                // Each row is copied and filtered while it is in the cache.
                uint32_t* row = o.row(y);
                const int sy = y + bounds.top - in.origin.fY;
                if (s.base && sy >= 0 && sy < s.height && bounds == in.bounds()) {
                    std::memcpy(row, s.row(sy), size_t(o.width) * 4);
                } else {
                    std::fill_n(row, o.width, 0u);
                    if (s.base && sy >= 0 && sy < s.height) {
                        const int x0 = std::max(bounds.left, in.origin.fX), x1 = std::min(bounds.right, in.origin.fX + s.width);
                        if (x1 > x0)
                            std::memcpy(row + (x0 - bounds.left), s.row(sy) + (x0 - in.origin.fX), size_t(x1 - x0) * 4);
                    }
                }
                cf_->filterSpan(row, o.width);
            }
        });
        if (empty != 0 && !in.isEmpty()) {
            // Pixels outside the input were filled with the filtered
            // transparent colour and must not be filtered a second time.
            SkIRect inner = in.bounds();
            inner.intersect(bounds);
            for (int y = 0; y < o.height; ++y) {
                const int dy = y + bounds.top;
                for (int x = 0; x < o.width; ++x)
                    if (!inner.contains(x + bounds.left, dy))
                        o.row(y)[x] = empty;
            }
        }
        return out;
    }

    int reach(const SkMatrix& ctm) const override
    {
        return cf_->filterPixel(0) != 0 ? -1 : InputReach(input_, ctm);
    }

private:
    ISkColorFilter cf_;
    ISkImageFilter input_;
};

// ---------------------------------------------------------------- compose

class ComposeFilter final : public SkImageFilter {
public:
    ComposeFilter(ISkImageFilter outer, ISkImageFilter inner) : outer_(std::move(outer)), inner_(std::move(inner)) {}
    SkFilterImage filter(const SkFilterImage& source, const SkIRect& clip, const SkMatrix& ctm) const override
    {
        return outer_->filter(inner_->filter(source, clip, ctm), clip, ctm);
    }

    int reach(const SkMatrix& ctm) const override { return AddReach(outer_->reach(ctm), inner_->reach(ctm)); }

private:
    ISkImageFilter outer_, inner_;
};

bool BadSigma(float s) { return !std::isfinite(s) || s < 0; }

} // namespace

ISkImageFilter SkImageFilters::Blur(float sigmaX, float sigmaY, SkTileMode tile, ISkImageFilter input)
{
    if (BadSigma(sigmaX) || BadSigma(sigmaY))
        return nullptr;
    return std::make_shared<const BlurFilter>(sigmaX, sigmaY, tile, std::move(input));
}

ISkImageFilter SkImageFilters::DropShadow(float dx, float dy, float sigmaX, float sigmaY, TAlphaColor color,
                                          ISkImageFilter input)
{
    if (BadSigma(sigmaX) || BadSigma(sigmaY) || !std::isfinite(dx) || !std::isfinite(dy))
        return nullptr;
    return std::make_shared<const DropShadowFilter>(dx, dy, sigmaX, sigmaY, color, false, std::move(input));
}

ISkImageFilter SkImageFilters::DropShadowOnly(float dx, float dy, float sigmaX, float sigmaY, TAlphaColor color,
                                              ISkImageFilter input)
{
    if (BadSigma(sigmaX) || BadSigma(sigmaY) || !std::isfinite(dx) || !std::isfinite(dy))
        return nullptr;
    return std::make_shared<const DropShadowFilter>(dx, dy, sigmaX, sigmaY, color, true, std::move(input));
}

ISkImageFilter SkImageFilters::MatrixConvolution(SkISize size, const float kernel[], float gain, float bias,
                                                 SkIPoint offset, SkTileMode tile, bool convolveAlpha,
                                                 ISkImageFilter input)
{
    if (!kernel || size.fWidth != 3 || size.fHeight != 3 || offset.fX != 1 || offset.fY != 1 ||
        tile != SkTileMode::kClamp || !std::isfinite(gain) || !std::isfinite(bias))
        return nullptr;
    Convolve3x3Options o;
    for (int i = 0; i < 9; ++i) {
        if (!std::isfinite(kernel[i]))
            return nullptr;
        o.kernel[i] = kernel[i];
    }
    o.gain = gain;
    o.bias = bias * 255.0f;
    o.convolveAlpha = convolveAlpha;
    return std::make_shared<const MatrixConvolutionFilter>(o, std::move(input));
}

ISkImageFilter SkImageFilters::ColorFilter(ISkColorFilter cf, ISkImageFilter input)
{
    if (!cf)
        return input;
    return std::make_shared<const ColorFilterFilter>(std::move(cf), std::move(input));
}

ISkImageFilter SkImageFilters::Compose(ISkImageFilter outer, ISkImageFilter inner)
{
    if (!outer)
        return inner;
    if (!inner)
        return outer;
    return std::make_shared<const ComposeFilter>(std::move(outer), std::move(inner));
}

ISkImage ApplyImageFilter(const ISkImage& image, const ISkImageFilter& filter)
{
    if (!image || !filter)
        return image;
    const SkFilterImage source{image->qimage(), {0, 0}};
    const SkFilterImage out = filter->filter(source, image->bounds(), SkMatrix::I());
    if (!out.isEmpty() && out.bounds() == image->bounds())
        return SkImage::MakeFromRaster(QImage(out.image));
    SkFilterImage fitted{NewRaster(image->width(), image->height()), {0, 0}};
    if (!out.isEmpty())
        CopyOverlap(out, fitted);
    return SkImage::MakeFromRaster(std::move(fitted.image));
}

ISkImage BlurImage(const ISkImage& image, float sigmaX, float sigmaY, SkTileMode tile)
{
    if (!image)
        return nullptr;
    QImage out = NewRaster(image->width(), image->height(), false);
    SkPixmap src;
    image->peekPixels(src);
    GaussianBlur(SkPlane::FromPixmap(src), SkPlane::FromPixmap(PixmapOf(out)), sigmaX, sigmaY, tile);
    return SkImage::MakeFromRaster(std::move(out));
}

void BlurPixmap(const SkPixmap& pixels, float sigmaX, float sigmaY, SkTileMode tile)
{
    if (!pixels.valid())
        return;
    const SkPlane p = SkPlane::FromPixmap(pixels);
    GaussianBlur(p, p, sigmaX, sigmaY, tile);
}

} // namespace pv
