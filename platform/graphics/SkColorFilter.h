#pragma once
// Colour filters: per-pixel colour transforms applied to what a paint draws
// (after its shader or image and its alpha, before blending).
//  - Blend(colour, mode): the mode with the filter's colour as source and the
//    drawn pixel as destination (SrcIn: the colour with the pixel's alpha;
//    Modulate: the colour times the pixel).
//  - Matrix: 4 x 5 row-major on straight colour in 0..1 (rows R, G, B, A; the
//    fifth column a constant in 0..1 units), each result clamped to 0..1.
//  - Compose(outer, inner): inner first.

#include "platform/graphics/SkBlendMode.h"
#include "platform/graphics/SkTypes.h"

#include <array>
#include <memory>

namespace pv {

class SkColorFilter;
using ISkColorFilter = std::shared_ptr<const SkColorFilter>;

class SkColorFilter {
public:
    enum class Kind { kBlend, kMatrix, kCompose };

    // One premultiplied pixel through the filter.
    uint32_t filterPixel(uint32_t premul) const;
    // A span of premultiplied pixels in place.
    void filterSpan(uint32_t* pixels, int count) const;
    // The filter's result for a transparent pixel (non-zero means the filter
    // also paints where nothing was drawn).
    bool affectsTransparentBlack() const { return filterPixel(0) != 0; }

    Kind kind() const { return kind_; }
    // For a blend filter: its straight colour and mode (false otherwise).
    bool asBlendColor(TAlphaColor* color, SkBlendMode* mode) const
    {
        if (kind_ != Kind::kBlend)
            return false;
        *color = blend_.color;
        *mode = blend_.mode;
        return true;
    }

    // Use SkColorFilters to make filters.
    struct BlendData {
        TAlphaColor color; // straight
        SkBlendMode mode;
    };
    SkColorFilter(BlendData b);
    explicit SkColorFilter(const std::array<float, 20>& rowMajor);
    SkColorFilter(ISkColorFilter outer, ISkColorFilter inner);

private:
    Kind kind_;
    BlendData blend_{};
    std::array<float, 20> matrix_{};
    bool matrixKeepsAlpha_ = false;
    ISkColorFilter outer_, inner_;
};

struct SkColorFilters {
    // Null for modes that make the filter a no-op (Dst).
    static ISkColorFilter Blend(TAlphaColor color, SkBlendMode mode);
    // rowMajor: 20 values; null for a missing array or non-finite values.
    static ISkColorFilter Matrix(const float rowMajor[20]);
    // outer(inner(x)); either may be null.
    static ISkColorFilter Compose(ISkColorFilter outer, ISkColorFilter inner);
};

// The identity 4 x 5 colour matrix.
std::array<float, 20> IdentityColorMatrix();

} // namespace pv
