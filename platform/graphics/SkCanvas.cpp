#include "platform/graphics/SkCanvas.h"

#include "platform/graphics/SkImage.h"

#include <QImage>
#include <QPainter>

#include <stdexcept>

namespace pv {

std::optional<QPainter::CompositionMode> QtCompositionMode(SkBlendMode mode)
{
    using C = QPainter::CompositionMode;
    switch (mode) {
    case SkBlendMode::kClear: return C::CompositionMode_Clear;
    case SkBlendMode::kSrc: return C::CompositionMode_Source;
    case SkBlendMode::kDst: return C::CompositionMode_Destination;
    case SkBlendMode::kSrcOver: return C::CompositionMode_SourceOver;
    case SkBlendMode::kDstOver: return C::CompositionMode_DestinationOver;
    case SkBlendMode::kSrcIn: return C::CompositionMode_SourceIn;
    case SkBlendMode::kDstIn: return C::CompositionMode_DestinationIn;
    case SkBlendMode::kSrcOut: return C::CompositionMode_SourceOut;
    case SkBlendMode::kDstOut: return C::CompositionMode_DestinationOut;
    case SkBlendMode::kSrcATop: return C::CompositionMode_SourceAtop;
    case SkBlendMode::kDstATop: return C::CompositionMode_DestinationAtop;
    case SkBlendMode::kXor: return C::CompositionMode_Xor;
    case SkBlendMode::kPlus: return C::CompositionMode_Plus;
    case SkBlendMode::kScreen: return C::CompositionMode_Screen;
    case SkBlendMode::kOverlay: return C::CompositionMode_Overlay;
    case SkBlendMode::kDarken: return C::CompositionMode_Darken;
    case SkBlendMode::kLighten: return C::CompositionMode_Lighten;
    case SkBlendMode::kColorDodge: return C::CompositionMode_ColorDodge;
    case SkBlendMode::kColorBurn: return C::CompositionMode_ColorBurn;
    case SkBlendMode::kHardLight: return C::CompositionMode_HardLight;
    case SkBlendMode::kDifference: return C::CompositionMode_Difference;
    case SkBlendMode::kExclusion: return C::CompositionMode_Exclusion;
    case SkBlendMode::kMultiply: return C::CompositionMode_Multiply;
    default: return std::nullopt;
    }
}

void SkPaint::setAlphaf(float a)
{
    const float clamped = a < 0 ? 0 : (a > 1 ? 1 : a);
    const auto alpha = static_cast<uint32_t>(clamped * 255.0f + 0.5f);
    color = (color & 0x00FFFFFFu) | (alpha << 24);
}

SkCanvas::SkCanvas(QImage* target) : target_(target) {}

SkCanvas::~SkCanvas()
{
    if (painter_.isActive())
        painter_.end();
}

int SkCanvas::width() const { return target_->width(); }
int SkCanvas::height() const { return target_->height(); }

QPainter& SkCanvas::painter()
{
    if (!painter_.isActive()) {
        if (!painter_.begin(target_))
            throw std::runtime_error("Cannot draw on this surface");
    }
    return painter_;
}

bool SkCanvas::isIdentityUnclipped()
{
    return !painter_.isActive() || (painter_.transform().isIdentity() && !painter_.hasClipping());
}

static QColor ToQColor(TAlphaColor c)
{
    return QColor::fromRgba(c);
}

void SkCanvas::clear(TAlphaColor color)
{
    if (isIdentityUnclipped()) {
        // The common case: no painter state, so fill the raster directly.
        target_->fill(ToQColor(color));
        return;
    }
    QPainter& p = painter();
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.resetTransform();
    p.fillRect(QRect(0, 0, width(), height()), ToQColor(color));
    p.restore();
}

void SkCanvas::drawColor(TAlphaColor color, SkBlendMode mode)
{
    SkPaint paint(color);
    paint.blendMode = mode;
    QPainter& p = painter();
    p.save();
    p.resetTransform();
    applyPaint(paint);
    p.fillRect(QRect(0, 0, width(), height()), ToQColor(color));
    p.restore();
}

void SkCanvas::save()
{
    painter().save();
    ++saveDepth_;
}

void SkCanvas::restore()
{
    if (saveDepth_ == 0)
        return;
    painter().restore();
    --saveDepth_;
}

void SkCanvas::translate(float dx, float dy) { painter().translate(dx, dy); }
void SkCanvas::scale(float sx, float sy) { painter().scale(sx, sy); }
void SkCanvas::rotate(float degrees) { painter().rotate(degrees); }

void SkCanvas::clipRect(const SkRect& rect, bool antiAlias)
{
    QPainter& p = painter();
    p.setRenderHint(QPainter::Antialiasing, antiAlias);
    p.setClipRect(QRectF(rect.left, rect.top, rect.width(), rect.height()), Qt::IntersectClip);
}

void SkCanvas::applyPaint(const SkPaint& paint)
{
    QPainter& p = painter();
    const auto mode = QtCompositionMode(paint.blendMode);
    if (!mode)
        throw std::logic_error("Blend mode is not supported by this drawing call");
    p.setCompositionMode(*mode);
    p.setRenderHint(QPainter::Antialiasing, paint.antiAlias);
    if (paint.style == SkPaintStyle::kStroke) {
        QPen pen(ToQColor(paint.color));
        pen.setWidthF(paint.strokeWidth);
        pen.setCapStyle(paint.cap == SkStrokeCap::kButt ? Qt::FlatCap
                        : paint.cap == SkStrokeCap::kRound ? Qt::RoundCap : Qt::SquareCap);
        pen.setJoinStyle(paint.join == SkStrokeJoin::kMiter ? Qt::SvgMiterJoin
                         : paint.join == SkStrokeJoin::kRound ? Qt::RoundJoin : Qt::BevelJoin);
        pen.setMiterLimit(paint.miterLimit);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(ToQColor(paint.color));
    }
}

void SkCanvas::drawRect(const SkRect& rect, const SkPaint& paint)
{
    QPainter& p = painter();
    p.save();
    applyPaint(paint);
    p.drawRect(QRectF(rect.left, rect.top, rect.width(), rect.height()));
    p.restore();
}

void SkCanvas::drawImage(const ISkImage& image, float x, float y, const SkPaint* paint)
{
    if (!image)
        return;
    QPainter& p = painter();
    p.save();
    SkPaint local = paint ? *paint : SkPaint();
    applyPaint(local);
    p.setOpacity(paint ? ColorA(paint->color) / 255.0 : 1.0);
    p.drawImage(QPointF(x, y), image->qimage());
    p.restore();
}

void SkCanvas::drawImageRect(const ISkImage& image, const SkRect& src, const SkRect& dst,
                             const SkSamplingOptions& sampling, const SkPaint* paint)
{
    if (!image || src.isEmpty() || dst.isEmpty())
        return;
    QPainter& p = painter();
    p.save();
    SkPaint local = paint ? *paint : SkPaint();
    applyPaint(local);
    p.setOpacity(paint ? ColorA(paint->color) / 255.0 : 1.0);
    p.setRenderHint(QPainter::SmoothPixmapTransform, sampling.filter == SkFilterMode::kLinear || sampling.useCubic);
    p.drawImage(QRectF(dst.left, dst.top, dst.width(), dst.height()), image->qimage(),
                QRectF(src.left, src.top, src.width(), src.height()));
    p.restore();
}

} // namespace pv
