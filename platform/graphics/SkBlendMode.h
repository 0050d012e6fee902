#pragma once
// Blend modes of the graphics layer: the Porter-Duff operators, the separable
// and non-separable blend modes of the W3C compositing rules (as the 2D
// library defines them) and Modulate (channel-wise product). All work on
// premultiplied pixels; coverage below full lerps between the destination and
// the blended result.

#include "platform/graphics/SkTypes.h"

#include <QPainter>

#include <optional>

namespace pv {

enum class SkBlendMode {
    kClear, kSrc, kDst, kSrcOver, kDstOver, kSrcIn, kDstIn, kSrcOut, kDstOut, kSrcATop, kDstATop, kXor,
    kPlus, kModulate, kScreen, kOverlay, kDarken, kLighten, kColorDodge, kColorBurn, kHardLight, kSoftLight,
    kDifference, kExclusion, kMultiply, kHue, kSaturation, kColor, kLuminosity,
};
constexpr int kSkBlendModeCount = int(SkBlendMode::kLuminosity) + 1;

// The QPainter composition mode with the same formula, if there is one.
std::optional<QPainter::CompositionMode> QtCompositionMode(SkBlendMode mode);

// Name of the mode as the 2D library spells it ("SrcOver", "Multiply", ...).
const char* SkBlendModeName(SkBlendMode mode);

// One premultiplied source pixel blended onto one destination pixel.
uint32_t BlendPixel(SkBlendMode mode, uint32_t src, uint32_t dst);

// dst[i] := lerp(dst[i], mode(src[i], dst[i]), coverage[i] / 255); a null
// coverage means full coverage everywhere.
void BlendSpan(SkBlendMode mode, uint32_t* dst, const uint32_t* src, const uint8_t* coverage, int count);
// The same with one source pixel for the whole span.
void BlendSpanConst(SkBlendMode mode, uint32_t* dst, uint32_t src, const uint8_t* coverage, int count);

// True when a transparent source leaves the destination unchanged, so pixels
// outside a drawing's shape need no work.
bool BlendLeavesDstForTransparentSrc(SkBlendMode mode);

} // namespace pv
