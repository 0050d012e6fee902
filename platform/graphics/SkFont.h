#pragma once
// Typefaces, fonts and text of the graphics layer. Text is laid out by Qt
// (shaping, kerning) and drawn as glyph outlines, so it scales, skews and
// anti-aliases exactly like any other path. Sizes are in pixels and may be
// fractional. Synthetic styles are the caller's choice, as in the 2D library:
// setEmbolden thickens the outlines, setSkewX slants them (-0.25 leans right).

#include "platform/graphics/SkTypes.h"

#include <QFont>
#include <QPainterPath>
#include <QString>

#include <memory>

namespace pv {

struct SkFontStyle {
    int weight = 400; // 100..900, 700 = bold
    bool italic = false;

    static constexpr SkFontStyle Normal() { return {400, false}; }
    static constexpr SkFontStyle Bold() { return {700, false}; }
    static constexpr SkFontStyle Italic() { return {400, true}; }
    static constexpr SkFontStyle BoldItalic() { return {700, true}; }
};

class SkTypeface;
using ISkTypeface = std::shared_ptr<const SkTypeface>;

class SkTypeface {
public:
    // The installed family (or a family the platform maps the name to, such
    // as a metric twin of Arial) in the style; null when there is none.
    static ISkTypeface MakeFromName(const QString& family, SkFontStyle style);
    // The platform's default typeface.
    static ISkTypeface MakeDefault(SkFontStyle style = SkFontStyle::Normal());

    const QString& familyName() const { return family_; }
    SkFontStyle fontStyle() const { return style_; }
    // Whether the family has a real bold / italic face for the requested style
    // (false means a bold or italic look needs the synthetic styles).
    bool isBold() const { return bold_; }
    bool isItalic() const { return italic_; }

    SkTypeface(QString family, SkFontStyle style, bool bold, bool italic)
        : family_(std::move(family)), style_(style), bold_(bold), italic_(italic)
    {
    }

private:
    QString family_;
    SkFontStyle style_;
    bool bold_, italic_;
};

struct SkFontMetrics {
    float fAscent = 0;  // above the baseline: negative
    float fDescent = 0; // below the baseline: positive
    float fLeading = 0;
};

class SkFont {
public:
    SkFont(); // the default typeface at 12 pixels
    SkFont(ISkTypeface typeface, float size);

    void setSize(float size);
    float getSize() const { return size_; }
    void setEmbolden(bool on) { embolden_ = on; }
    bool isEmbolden() const { return embolden_; }
    void setSkewX(float skew) { skewX_ = skew; }
    float getSkewX() const { return skewX_; }
    void setTypeface(ISkTypeface tf);
    const ISkTypeface& getTypeface() const { return typeface_; }

    // Advance width of the text; bounds (optional) receives the tight box of
    // its glyphs relative to the baseline origin.
    float measureText(const QString& text, SkRect* bounds = nullptr) const;
    SkFontMetrics getMetrics() const;
    // The glyph outlines with the baseline origin at (x, y), synthetic styles applied.
    QPainterPath textPath(const QString& text, float x, float y) const;

private:
    QFont referenceFont() const;
    float scale() const; // reference size -> size
    ISkTypeface typeface_;
    float size_ = 12;
    bool embolden_ = false;
    float skewX_ = 0;
};

// Text ready to draw: the string with the font it is laid out in.
class SkTextBlob {
public:
    static std::shared_ptr<const SkTextBlob> MakeFromString(const QString& text, const SkFont& font);
    const QString& text() const { return text_; }
    const SkFont& font() const { return font_; }
    // Tight bounds of the glyphs relative to the origin the blob is drawn at.
    SkRect bounds() const { return bounds_; }
    SkTextBlob(QString text, SkFont font);

private:
    QString text_;
    SkFont font_;
    SkRect bounds_;
};
using ISkTextBlob = std::shared_ptr<const SkTextBlob>;

} // namespace pv
