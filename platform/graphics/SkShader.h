#pragma once
// Shaders give each pixel of a drawing its colour: a solid colour, linear and
// radial gradients (colours interpolated as straight colour, then
// premultiplied, as the 2D library does by default) and the blend of two
// shaders. A shader lives in the drawing's local space; an optional local
// matrix is applied on top.

#include "platform/graphics/SkBlendMode.h"
#include "platform/graphics/SkMatrix.h"
#include "platform/graphics/SkTypes.h"

#include <memory>

namespace pv {

class SkShader;
using ISkShader = std::shared_ptr<const SkShader>;

class SkShader : public std::enable_shared_from_this<SkShader> {
public:
    virtual ~SkShader() = default;
    // Premultiplied colours of `count` pixels of device row y from column x,
    // each multiplied by alpha (0..1). deviceToLocal maps device coordinates
    // into the drawing's local space (the canvas matrix inverted); pixel
    // centres are sampled.
    virtual void shadeSpan(const SkMatrix& deviceToLocal, int x, int y, int count, float alpha,
                           uint32_t* out) const = 0;
    // True when every pixel the shader produces is opaque.
    virtual bool isOpaque() const { return false; }
    // The same shader seen through a further matrix (applied before the
    // canvas matrix); null when the matrix cannot be inverted.
    ISkShader makeWithLocalMatrix(const SkMatrix& local) const;
};

struct SkShaders {
    static ISkShader Color(TAlphaColor color);
    // mode(src, dst) of the two shaders' colours; null when either is null.
    static ISkShader Blend(SkBlendMode mode, ISkShader dst, ISkShader src);
};

struct SkGradientShader {
    // Colours (straight) at positions (0..1, ascending; null = evenly spread)
    // along the segment pts[0] -> pts[1]. Null for fewer than 1 colour or
    // non-finite geometry.
    static ISkShader MakeLinear(const SkPoint pts[2], const TAlphaColor colors[], const float positions[], int count,
                                SkTileMode mode, const SkMatrix* localMatrix = nullptr);
    // Colours from the centre (position 0) out to the radius (position 1).
    static ISkShader MakeRadial(SkPoint center, float radius, const TAlphaColor colors[], const float positions[],
                                int count, SkTileMode mode, const SkMatrix* localMatrix = nullptr);
};

} // namespace pv
