#include "scripts/TextDrawing.h"

#include "platform/graphics/SkImageFilter.h"

#include <algorithm>

namespace pv {

ISkTypeface ResolveTypeface(const QString& family, SkFontStyle style)
{
    if (ISkTypeface tf = SkTypeface::MakeFromName(family, style))
        return tf;
    if (ISkTypeface tf = SkTypeface::MakeFromName(QStringLiteral("Arial"), style))
        return tf;
    return SkTypeface::MakeDefault(style);
}

SkFont MakeStyledFont(const ISkTypeface& typeface, float size, SkFontStyle style)
{
    SkFont font(typeface, size);
    const ISkTypeface& tf = font.getTypeface();
    font.setEmbolden(style.weight >= 700 && !tf->isBold());
    font.setSkewX(style.italic && !tf->isItalic() ? -0.25f : 0.0f);
    return font;
}

TTextShadow ScriptTextShadow(float size)
{
    return {std::max(2.0f, 0.05f * size), std::max(2.0f, 0.04f * size), 0xDD000000u};
}

SkPaint TextPaint(TAlphaColor color, const std::optional<TTextShadow>& shadow)
{
    SkPaint paint(color);
    paint.setAntiAlias(true);
    paint.setStyle(SkPaintStyle::kFill);
    if (shadow)
        paint.setImageFilter(
            SkImageFilters::DropShadow(shadow->offset, shadow->offset, shadow->sigma, shadow->sigma, shadow->color));
    return paint;
}

} // namespace pv
