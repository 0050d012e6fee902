#pragma once
// Text burnt into pictures: the one font lookup every text path uses (the
// script's TEXT command and the main window's text tool), styled fonts with
// synthetic bold and italic, and the optional drop shadow.

#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkFont.h"
#include "platform/graphics/SkPaint.h"

#include <QString>

#include <optional>

namespace pv {

// The typeface of a family in a style; a family the system lacks falls back
// to "Arial" (on Linux its metric twin) in the same style, then to the
// platform's default typeface. Never null.
ISkTypeface ResolveTypeface(const QString& family, SkFontStyle style);

// A font of the typeface at size pixels, emboldened when the style asks for
// bold and the typeface has no bold face, skewed by -0.25 (leaning right) when
// it asks for italic and the typeface has no italic face.
SkFont MakeStyledFont(const ISkTypeface& typeface, float size, SkFontStyle style);

struct TTextShadow {
    float offset = 0; // right and down, pixels
    float sigma = 0;  // blur on both axes
    TAlphaColor color = 0;
};

// The script's shadow for a text size: offset max(2, 0.05 size), sigma
// max(2, 0.04 size), colour $DD000000.
TTextShadow ScriptTextShadow(float size);

// The fill paint of text in a colour, anti-aliased, with a drop shadow drawn
// under the text when one is given.
SkPaint TextPaint(TAlphaColor color, const std::optional<TTextShadow>& shadow);

} // namespace pv
