#include "platform/graphics/SkPaint.h"

#include <algorithm>
#include <cmath>

namespace pv {

void SkPaint::setAlphaf(float a)
{
    const float clamped = std::isfinite(a) ? std::clamp(a, 0.0f, 1.0f) : 0.0f;
    const auto alpha = static_cast<uint32_t>(clamped * 255.0f + 0.5f);
    color = (color & 0x00FFFFFFu) | (alpha << 24);
}

std::shared_ptr<const SkMaskFilter> SkMaskFilter::MakeBlur(SkBlurStyle, float sigma, bool respectCTM)
{
    if (!(sigma > 0) || !std::isfinite(sigma))
        return nullptr;
    return std::make_shared<const SkMaskFilter>(sigma, respectCTM);
}

} // namespace pv
