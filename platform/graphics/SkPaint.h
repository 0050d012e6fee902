#pragma once
// What a drawing looks like: colour (straight alpha, premultiplied when
// drawn), blend mode, anti-aliasing, fill or stroke with its geometry, and
// the optional shader, colour filter, image filter, mask filter and dash.
// Order per pixel, as in the 2D library: shader (or colour) -> paint alpha ->
// colour filter -> coverage (mask filter) -> blend mode; an image filter
// renders the drawing into a layer first and filters that.

#include "platform/graphics/SkBlendMode.h"
#include "platform/graphics/SkColorFilter.h"
#include "platform/graphics/SkImageFilter.h"
#include "platform/graphics/SkPath.h"
#include "platform/graphics/SkShader.h"
#include "platform/graphics/SkTypes.h"

#include <memory>

namespace pv {

enum class SkPaintStyle { kFill, kStroke, kStrokeAndFill };
enum class SkStrokeCap { kButt, kRound, kSquare };
// Set the join explicitly where it matters: the default is miter with limit 4
// (the 2D library's), not QPainter's bevel.
enum class SkStrokeJoin { kMiter, kRound, kBevel };

enum class SkBlurStyle { kNormal };

// A filter of a drawing's coverage: the normal blur softens the shape's edge
// (sigma in local units, scaled by the canvas matrix unless respectCTM is off).
class SkMaskFilter {
public:
    static std::shared_ptr<const SkMaskFilter> MakeBlur(SkBlurStyle style, float sigma, bool respectCTM = true);
    float sigma() const { return sigma_; }
    bool respectCTM() const { return respectCTM_; }
    SkMaskFilter(float sigma, bool respectCTM) : sigma_(sigma), respectCTM_(respectCTM) {}

private:
    float sigma_;
    bool respectCTM_;
};
using ISkMaskFilter = std::shared_ptr<const SkMaskFilter>;

struct SkPaint {
    TAlphaColor color = kColorBlack;
    SkBlendMode blendMode = SkBlendMode::kSrcOver;
    bool antiAlias = false;
    SkPaintStyle style = SkPaintStyle::kFill;
    float strokeWidth = 0; // 0 = hairline (one device pixel)
    SkStrokeCap cap = SkStrokeCap::kButt;
    SkStrokeJoin join = SkStrokeJoin::kMiter;
    float miterLimit = 4;
    ISkShader shader;
    ISkColorFilter colorFilter;
    ISkImageFilter imageFilter;
    ISkMaskFilter maskFilter;
    ISkPathEffect pathEffect;

    SkPaint() = default;
    explicit SkPaint(TAlphaColor c) : color(c) {}

    // Multiplies into the colour's alpha (0..1), as the 2D library's setAlphaf.
    void setAlphaf(float a);
    void setAlpha(uint8_t a) { color = (color & 0x00FFFFFFu) | (uint32_t(a) << 24); }
    uint8_t getAlpha() const { return ColorA(color); }
    float getAlphaf() const { return ColorA(color) / 255.0f; }
    void setColor(TAlphaColor c) { color = c; }
    void setBlendMode(SkBlendMode m) { blendMode = m; }
    void setAntiAlias(bool aa) { antiAlias = aa; }
    void setStyle(SkPaintStyle s) { style = s; }
    void setStroke(bool stroke) { style = stroke ? SkPaintStyle::kStroke : SkPaintStyle::kFill; }
    void setStrokeWidth(float w) { strokeWidth = w; }
    void setStrokeCap(SkStrokeCap c) { cap = c; }
    void setStrokeJoin(SkStrokeJoin j) { join = j; }
    void setStrokeMiter(float limit) { miterLimit = limit; }
    void setShader(ISkShader s) { shader = std::move(s); }
    void setColorFilter(ISkColorFilter f) { colorFilter = std::move(f); }
    void setImageFilter(ISkImageFilter f) { imageFilter = std::move(f); }
    void setMaskFilter(ISkMaskFilter f) { maskFilter = std::move(f); }
    void setPathEffect(ISkPathEffect e) { pathEffect = std::move(e); }
};

} // namespace pv
