#include "platform/graphics/SkFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainterPathStroker>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace pv {

namespace {

// Text is laid out at this pixel size and scaled: fractional sizes stay
// exact (Qt rounds font pixel sizes to whole pixels) and advances unhinted.
constexpr int kReferencePixelSize = 256;

QFont MakeQFont(const QString& family, int weight, bool italic)
{
    QFont f(family);
    f.setPixelSize(kReferencePixelSize);
    f.setWeight(QFont::Weight(std::clamp(weight, 100, 900)));
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

// Family the platform falls back to for names it does not know.
const QString& FallbackFamily()
{
    static const QString family = QFontInfo(QFont(QStringLiteral("pv-no-such-family-7c1e"))).family();
    return family;
}

bool FamilyHasFace(const QString& family, bool wantBold, bool wantItalic)
{
    for (const QString& style : QFontDatabase::styles(family)) {
        const bool bold = QFontDatabase::weight(family, style) >= 700;
        const bool italic = QFontDatabase::italic(family, style);
        if ((!wantBold || bold) && (!wantItalic || italic))
            return true;
    }
    return false;
}

ISkTypeface MakeResolved(const QString& family, SkFontStyle style)
{
    const bool bold = style.weight >= 700 && FamilyHasFace(family, true, false);
    const bool italic = style.italic && FamilyHasFace(family, style.weight >= 700 && bold, true);
    return std::make_shared<const SkTypeface>(family, style, bold, italic);
}

} // namespace

ISkTypeface SkTypeface::MakeFromName(const QString& family, SkFontStyle style)
{
    if (family.trimmed().isEmpty())
        return nullptr;
    for (const QString& f : QFontDatabase::families())
        if (f.compare(family, Qt::CaseInsensitive) == 0)
            return MakeResolved(f, style);
    // A name the platform maps to another family (an alias such as a metric twin).
    const QString resolved = QFontInfo(QFont(family)).family();
    if (resolved.isEmpty() || resolved == FallbackFamily())
        return nullptr;
    return MakeResolved(resolved, style);
}

ISkTypeface SkTypeface::MakeDefault(SkFontStyle style)
{
    return MakeResolved(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), style);
}

// ---------------------------------------------------------------- SkFont

SkFont::SkFont() : typeface_(SkTypeface::MakeDefault()) {}

SkFont::SkFont(ISkTypeface typeface, float size) : typeface_(typeface ? std::move(typeface) : SkTypeface::MakeDefault())
{
    setSize(size);
}

void SkFont::setSize(float size) { size_ = std::isfinite(size) && size >= 0 ? std::min(size, 100000.0f) : 0.0f; }

void SkFont::setTypeface(ISkTypeface tf) { typeface_ = tf ? std::move(tf) : SkTypeface::MakeDefault(); }

QFont SkFont::referenceFont() const
{
    // Only real faces are asked for; synthetic styles come from the flags.
    const SkFontStyle st = typeface_->fontStyle();
    return MakeQFont(typeface_->familyName(), typeface_->isBold() ? st.weight : std::min(st.weight, 600),
                     typeface_->isItalic());
}

float SkFont::scale() const { return size_ / float(kReferencePixelSize); }

QPainterPath SkFont::textPath(const QString& text, float x, float y) const
{
    QPainterPath ref;
    if (text.isEmpty() || size_ <= 0)
        return ref;
    ref.addText(QPointF(0, 0), referenceFont(), text);
    ref.setFillRule(Qt::WindingFill);
    if (embolden_) {
        // Outlines thickened by 1/24 of the size for small text down to 1/32
        // from 36 pixels up, half on each side.
        const float t = std::clamp((size_ - 9.0f) / (36.0f - 9.0f), 0.0f, 1.0f);
        const float ratio = 1.0f / 24.0f + t * (1.0f / 32.0f - 1.0f / 24.0f);
        QPainterPathStroker stroker;
        stroker.setWidth(kReferencePixelSize * ratio);
        stroker.setJoinStyle(Qt::MiterJoin);
        ref = ref.united(stroker.createStroke(ref));
        ref.setFillRule(Qt::WindingFill);
    }
    const float s = scale();
    // x' = s (x + skew y) + origin, y' = s y + origin.
    const QTransform t(s, 0, s * skewX_, s, x, y);
    return t.map(ref);
}

float SkFont::measureText(const QString& text, SkRect* bounds) const
{
    if (bounds) {
        const QRectF b = textPath(text, 0, 0).boundingRect();
        *bounds = text.isEmpty() ? SkRect{} : SkRect::MakeXYWH(float(b.x()), float(b.y()), float(b.width()), float(b.height()));
    }
    if (text.isEmpty())
        return 0;
    return float(QFontMetricsF(referenceFont()).horizontalAdvance(text)) * scale();
}

SkFontMetrics SkFont::getMetrics() const
{
    const QFontMetricsF fm(referenceFont());
    const float s = scale();
    return {-float(fm.ascent()) * s, float(fm.descent()) * s, float(fm.leading()) * s};
}

// ---------------------------------------------------------------- SkTextBlob

SkTextBlob::SkTextBlob(QString text, SkFont font) : text_(std::move(text)), font_(std::move(font))
{
    font_.measureText(text_, &bounds_);
}

std::shared_ptr<const SkTextBlob> SkTextBlob::MakeFromString(const QString& text, const SkFont& font)
{
    if (text.isEmpty())
        return nullptr;
    return std::make_shared<const SkTextBlob>(text, font);
}

} // namespace pv
