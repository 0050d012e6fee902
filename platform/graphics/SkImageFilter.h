#pragma once
// Image filters: whole-picture operations applied to what a paint draws (on
// the layer the drawing is rendered into) or directly to a picture. Each
// filter takes an input filter; null stands for the drawn picture itself.
// Sigmas and offsets are in the drawing's local units and follow the canvas
// matrix's scale, as in the 2D library.

#include "platform/graphics/SkColorFilter.h"
#include "platform/graphics/SkMatrix.h"
#include "platform/graphics/SkTypes.h"

#include <QImage>

#include <memory>

namespace pv {

class SkImageFilter;
using ISkImageFilter = std::shared_ptr<const SkImageFilter>;

// A premultiplied picture placed in device space (its top-left at origin).
struct SkFilterImage {
    QImage image; // Format_ARGB32_Premultiplied; null = nothing
    SkIPoint origin;

    SkIRect bounds() const { return SkIRect::MakeXYWH(origin.fX, origin.fY, image.width(), image.height()); }
    bool isEmpty() const { return image.isNull() || image.width() == 0 || image.height() == 0; }
};

class SkImageFilter {
public:
    virtual ~SkImageFilter() = default;
    // The filtered picture. Pixels outside `clip` (device space) are never
    // needed; the result may still extend past it (the caller clips).
    virtual SkFilterImage filter(const SkFilterImage& source, const SkIRect& clip, const SkMatrix& ctm) const = 0;
    // How many device pixels the result can reach beyond the input's bounds;
    // -1 when it can paint anywhere (a filter that colours transparent pixels).
    virtual int reach(const SkMatrix& ctm) const = 0;
};

struct SkImageFilters {
    // Gaussian blur (sigma in pixels per axis). Clamp repeats the input's edge
    // pixels and keeps its bounds; Decal reads transparent outside the input
    // and spreads 3 sigma past it.
    static ISkImageFilter Blur(float sigmaX, float sigmaY, SkTileMode tile, ISkImageFilter input = nullptr);
    static ISkImageFilter Blur(float sigmaX, float sigmaY, ISkImageFilter input = nullptr)
    {
        return Blur(sigmaX, sigmaY, SkTileMode::kDecal, std::move(input));
    }
    // The input's alpha blurred, coloured with `color` (straight) and offset
    // by (dx, dy), with the input drawn over it.
    static ISkImageFilter DropShadow(float dx, float dy, float sigmaX, float sigmaY, TAlphaColor color,
                                     ISkImageFilter input = nullptr);
    // The shadow alone.
    static ISkImageFilter DropShadowOnly(float dx, float dy, float sigmaX, float sigmaY, TAlphaColor color,
                                         ISkImageFilter input = nullptr);
    // out(x, y) = gain * sum kernel[j][i] * in(x + i - offset.x, y + j - offset.y) + bias
    // (kernel row-major, bias in 0..1 units), clamped. convolveAlpha: all four
    // premultiplied channels are convolved; otherwise the straight colour is,
    // and alpha is the input pixel's own. The program only needs 3 x 3
    // kernels centred (offset (1, 1)) with Clamp tiling; anything else, a
    // missing kernel or non-finite numbers give null.
    static ISkImageFilter MatrixConvolution(SkISize kernelSize, const float kernel[], float gain, float bias,
                                            SkIPoint kernelOffset, SkTileMode tile, bool convolveAlpha,
                                            ISkImageFilter input = nullptr);
    static ISkImageFilter ColorFilter(ISkColorFilter cf, ISkImageFilter input = nullptr);
    // outer applied to inner's result; either may be null.
    static ISkImageFilter Compose(ISkImageFilter outer, ISkImageFilter inner);
};

// Runs a filter on a whole picture; the result has the picture's size (what
// the filter spreads beyond it is cut off). Null for a null picture; the
// picture itself for a null filter.
ISkImage ApplyImageFilter(const ISkImage& image, const ISkImageFilter& filter);

// Gaussian blur of a whole picture, same size (the most common filter).
ISkImage BlurImage(const ISkImage& image, float sigmaX, float sigmaY, SkTileMode tile = SkTileMode::kClamp);

// Gaussian blur of premultiplied pixels in place.
void BlurPixmap(const SkPixmap& pixels, float sigmaX, float sigmaY, SkTileMode tile = SkTileMode::kClamp);

} // namespace pv
