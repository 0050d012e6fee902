#include "platform/graphics/SkCanvas.h"

#include "platform/graphics/ImageRasterizer.h"
#include "platform/graphics/MaskBlitter.h"
#include "platform/graphics/RasterAlloc.h"
#include "platform/graphics/RasterTarget.h"
#include "platform/graphics/SkBlur.h"
#include "platform/graphics/SkImage.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

namespace pv {

// A raster drawings go to: the target itself, or a layer of saveLayer.
struct SkCanvas::Layer {
    QImage own;            // a saved layer's pixels (null for the target)
    QImage* image = nullptr;
    SkIPoint origin;       // device position of the image's top-left
    QPainter painter;      // begun on the first drawing QPainter does
    bool stateValid = false;
    QTransform lastTransform;
    SkIRect lastClip;
    SkPaint restorePaint;  // applied when the layer is restored

    SkIRect deviceRect() const { return SkIRect::MakeXYWH(origin.fX, origin.fY, image->width(), image->height()); }
    SkPixmap pixmap() const
    {
        return {const_cast<uint8_t*>(image->constBits()), image->width(), image->height(), size_t(image->bytesPerLine())};
    }
    ~Layer()
    {
        if (painter.isActive())
            painter.end();
    }
};

namespace {

QImage NewLayerRaster(int w, int h)
{
    QImage img = NewRasterImage(w, h, QImage::Format_ARGB32_Premultiplied, true);
    if (img.isNull())
        throw std::bad_alloc();
    return img;
}

// A zeroed 8-bit coverage raster QPainter can draw into, reused per thread.
struct MaskRaster {
    std::vector<uint8_t>& buffer;
    QImage image;
    size_t rowBytes;

    MaskRaster(std::vector<uint8_t>& buf, int w, int h) : buffer(buf)
    {
        rowBytes = (size_t(w) + 3) & ~size_t(3);
        buffer.assign(rowBytes * size_t(h), 0);
        image = QImage(buffer.data(), w, h, qsizetype(rowBytes), QImage::Format_Alpha8);
    }
};

std::vector<uint8_t>& ShapeMaskBuffer()
{
    thread_local std::vector<uint8_t> buffer;
    return buffer;
}

Qt::PenCapStyle QtCap(SkStrokeCap c)
{
    return c == SkStrokeCap::kButt ? Qt::FlatCap : (c == SkStrokeCap::kRound ? Qt::RoundCap : Qt::SquareCap);
}

Qt::PenJoinStyle QtJoin(SkStrokeJoin j)
{
    // SvgMiterJoin turns into a bevel past the limit, as the 2D library's miter does.
    return j == SkStrokeJoin::kMiter ? Qt::SvgMiterJoin : (j == SkStrokeJoin::kRound ? Qt::RoundJoin : Qt::BevelJoin);
}

QPen MakePen(const SkPaint& paint, const QColor& color)
{
    QPen pen(color);
    const float w = std::isfinite(paint.strokeWidth) && paint.strokeWidth > 0 ? paint.strokeWidth : 0.0f;
    pen.setWidthF(w); // 0: a cosmetic one-pixel hairline
    pen.setCapStyle(QtCap(paint.cap));
    pen.setJoinStyle(QtJoin(paint.join));
    pen.setMiterLimit(std::isfinite(paint.miterLimit) ? std::max(paint.miterLimit, 0.0f) : 4.0f);
    if (paint.pathEffect) {
        // Qt measures dashes in pen widths; the 2D library in drawing units.
        const double unit = w > 0 ? w : 1.0;
        QList<qreal> pattern;
        for (float v : paint.pathEffect->intervals())
            pattern.push_back(std::max(double(v) / unit, 1e-4));
        pen.setDashPattern(pattern);
        pen.setDashOffset(paint.pathEffect->phase() / unit);
    }
    return pen;
}

QRectF ToQRect(const SkRect& r) { return QRectF(r.left, r.top, r.width(), r.height()); }

bool Whole(float v) { return v == std::floor(v); }

} // namespace

// ---------------------------------------------------------------- set-up

SkCanvas::SkCanvas(QImage* target) : target_(target)
{
    Rec base;
    base.clip.bounds = SkIRect::MakeWH(target->width(), target->height());
    base.layer = std::make_unique<Layer>();
    base.layer->image = target_;
    stack_.push_back(std::move(base));
}

SkCanvas::~SkCanvas()
{
    // Unrestored layers are dropped, as when the 2D library's canvas dies.
    while (stack_.size() > 1)
        stack_.pop_back();
}

int SkCanvas::width() const { return target_->width(); }
int SkCanvas::height() const { return target_->height(); }

SkCanvas::Layer& SkCanvas::currentLayer()
{
    for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
        if (it->layer)
            return *it->layer;
    return *stack_.front().layer;
}

const SkCanvas::Layer& SkCanvas::currentLayer() const { return const_cast<SkCanvas*>(this)->currentLayer(); }

void SkCanvas::syncPainter(Layer& layer)
{
    QPainter& p = layer.painter;
    if (!p.isActive()) {
        if (!p.begin(layer.image))
            throw std::runtime_error("Cannot draw on this surface");
        layer.stateValid = false;
    }
    const QTransform t =
        SkMatrix::Concat(SkMatrix::Translate(-float(layer.origin.fX), -float(layer.origin.fY)), top().matrix).toQTransform();
    SkIRect clip = top().clip.bounds;
    const SkIRect full = layer.deviceRect();
    if (!clip.intersect(full))
        clip = {};
    if (!layer.stateValid || clip != layer.lastClip) {
        p.resetTransform();
        if (clip == full) {
            p.setClipping(false);
        } else {
            const SkIRect c = clip.makeOffset(-layer.origin.fX, -layer.origin.fY);
            p.setClipRect(QRect(c.left, c.top, c.width(), c.height()));
        }
        layer.lastClip = clip;
        p.setTransform(t);
        layer.lastTransform = t;
    } else if (t != layer.lastTransform) {
        p.setTransform(t);
        layer.lastTransform = t;
    }
    layer.stateValid = true;
}

QPainter& SkCanvas::painter()
{
    Layer& layer = currentLayer();
    syncPainter(layer);
    // The caller may change the painter's state: set it anew next time.
    layer.stateValid = false;
    return layer.painter;
}

void SkCanvas::flush()
{
    Layer& base = *stack_.front().layer;
    if (&currentLayer() == &base && base.painter.isActive()) {
        base.painter.end();
        base.stateValid = false;
    }
}

bool SkCanvas::isIdentityUnclipped()
{
    return currentLayer().image == target_ && top().matrix.isIdentity() && !top().clip.mask &&
           top().clip.bounds == SkIRect::MakeWH(width(), height());
}

// ---------------------------------------------------------------- state

int SkCanvas::save()
{
    const int count = getSaveCount();
    Rec rec;
    rec.matrix = top().matrix;
    rec.clip = top().clip;
    stack_.push_back(std::move(rec));
    return count;
}

void SkCanvas::restore()
{
    if (stack_.size() <= 1)
        return;
    std::unique_ptr<Layer> layer = std::move(top().layer);
    stack_.pop_back();
    if (!layer)
        return;
    if (layer->painter.isActive())
        layer->painter.end();
    SkFilterImage image{std::move(layer->own), layer->origin};
    SkPaint paint = layer->restorePaint;
    if (paint.imageFilter) {
        image = paint.imageFilter->filter(image, top().clip.bounds, top().matrix);
        paint.imageFilter = nullptr;
    }
    compositeLayerImage(image, paint, top().clip);
}

void SkCanvas::restoreToCount(int count)
{
    while (getSaveCount() > std::max(1, count))
        restore();
}

int SkCanvas::saveLayer(const SkRect* bounds, const SkPaint* paint)
{
    SkSaveLayerRec rec;
    rec.bounds = bounds;
    rec.paint = paint;
    return saveLayer(rec);
}

int SkCanvas::saveLayerAlpha(const SkRect* bounds, uint8_t alpha)
{
    SkPaint paint;
    paint.setAlpha(alpha);
    return saveLayer(bounds, &paint);
}

int SkCanvas::saveLayer(const SkSaveLayerRec& rec)
{
    const Layer& parent = currentLayer();
    const int count = save();
    SkIRect dev = top().clip.bounds;
    if (rec.bounds) {
        const SkRect b = top().matrix.mapRect(*rec.bounds);
        if (!b.isFinite() || !dev.intersect(b.roundOut()))
            dev = {};
    }
    if (!dev.isEmpty() && !dev.intersect(parent.deviceRect()))
        dev = {};

    auto layer = std::make_unique<Layer>();
    if (dev.isEmpty()) {
        // Nothing can be drawn: a one-pixel stand-in and an empty clip.
        layer->own = NewLayerRaster(1, 1);
        top().clip.bounds = {};
        top().clip.mask = nullptr;
    } else {
        layer->own = NewLayerRaster(dev.width(), dev.height());
        layer->origin = {dev.left, dev.top};
        top().clip.bounds = dev;
    }
    layer->image = &layer->own;
    if (rec.paint)
        layer->restorePaint = *rec.paint;

    if (rec.backdrop && !dev.isEmpty()) {
        // The layer starts as the filtered picture below it.
        const SkIRect inParent = dev.makeOffset(-parent.origin.fX, -parent.origin.fY);
        const SkFilterImage below{
            parent.image->copy(inParent.left, inParent.top, inParent.width(), inParent.height()), {dev.left, dev.top}};
        const SkFilterImage filtered = rec.backdrop->filter(below, dev, top().matrix);
        SkIRect r = filtered.bounds();
        if (!filtered.isEmpty() && r.intersect(dev)) {
            for (int y = r.top; y < r.bottom; ++y)
                std::memcpy(layer->own.scanLine(y - dev.top) + size_t(r.left - dev.left) * 4,
                            filtered.image.constScanLine(y - filtered.origin.fY) + size_t(r.left - filtered.origin.fX) * 4,
                            size_t(r.width()) * 4);
        }
    }
    top().layer = std::move(layer);
    return count;
}

void SkCanvas::translate(float dx, float dy) { top().matrix.preTranslate(dx, dy); }
void SkCanvas::scale(float sx, float sy) { top().matrix.preScale(sx, sy); }
void SkCanvas::rotate(float degrees) { top().matrix.preRotate(degrees); }
void SkCanvas::rotate(float degrees, float px, float py) { top().matrix.preConcat(SkMatrix::RotateDeg(degrees, {px, py})); }
void SkCanvas::skew(float sx, float sy) { top().matrix.preConcat(SkMatrix::Skew(sx, sy)); }
void SkCanvas::concat(const SkMatrix& m) { top().matrix.preConcat(m); }
void SkCanvas::setMatrix(const SkMatrix& m) { top().matrix = m; }
void SkCanvas::resetMatrix() { top().matrix = SkMatrix::I(); }
const SkMatrix& SkCanvas::getTotalMatrix() const { return top().matrix; }

// ---------------------------------------------------------------- clips

void SkCanvas::applyClipMask(std::shared_ptr<const SkClipMask> mask, const SkIRect& bounds)
{
    ClipState& clip = top().clip;
    SkIRect r = clip.bounds;
    if (!r.intersect(bounds)) {
        clip = {};
        return;
    }
    auto combined = std::make_shared<SkClipMask>();
    combined->bounds = r;
    combined->coverage.resize(size_t(r.width()) * size_t(r.height()));
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* out = combined->coverage.data() + size_t(y - r.top) * size_t(r.width());
        const uint8_t* a = mask->row(y) - mask->bounds.left;
        const uint8_t* b = clip.mask ? clip.mask->row(y) - clip.mask->bounds.left : nullptr;
        for (int x = r.left; x < r.right; ++x) {
            uint32_t v = a[x];
            if (b) {
                const uint32_t t = v * b[x] + 128;
                v = (t + (t >> 8)) >> 8;
            }
            out[x - r.left] = uint8_t(v);
        }
    }
    clip.bounds = r;
    clip.mask = std::move(combined);
}

void SkCanvas::clipRect(const SkRect& rect, bool antiAlias)
{
    const SkMatrix& m = top().matrix;
    if (!m.isScaleTranslate()) {
        clipPath(SkPath::Rect(rect), antiAlias);
        return;
    }
    const SkRect d = m.mapRect(rect.makeSorted());
    ClipState& clip = top().clip;
    if (!d.isFinite() || d.isEmpty()) {
        clip = {};
        return;
    }
    if (!antiAlias || (Whole(d.left) && Whole(d.top) && Whole(d.right) && Whole(d.bottom))) {
        // Pixels whose centres lie inside.
        if (!clip.bounds.intersect(d.round()))
            clip = {};
        return;
    }
    SkIRect r = d.roundOut();
    if (!r.intersect(clip.bounds)) {
        clip = {};
        return;
    }
    auto mask = std::make_shared<SkClipMask>();
    mask->bounds = r;
    mask->coverage.resize(size_t(r.width()) * size_t(r.height()));
    auto axis = [](float lo, float hi, int i) {
        return std::clamp(std::min(hi, float(i + 1)) - std::max(lo, float(i)), 0.0f, 1.0f);
    };
    for (int y = r.top; y < r.bottom; ++y) {
        const float cy = axis(d.top, d.bottom, y);
        for (int x = r.left; x < r.right; ++x)
            mask->coverage[size_t(y - r.top) * size_t(r.width()) + size_t(x - r.left)] =
                uint8_t(axis(d.left, d.right, x) * cy * 255.0f + 0.5f);
    }
    applyClipMask(std::move(mask), r);
}

void SkCanvas::clipRRect(const SkRRect& rrect, bool antiAlias)
{
    if (rrect.isRect())
        clipRect(rrect.rect, antiAlias);
    else
        clipPath(SkPath::RRect(rrect), antiAlias);
}

void SkCanvas::clipPath(const SkPath& path, bool antiAlias)
{
    ClipState& clip = top().clip;
    const QPainterPath dev = top().matrix.toQTransform().map(path.qpath());
    const QRectF b = dev.controlPointRect();
    const SkRect db = SkRect::MakeXYWH(float(b.x()), float(b.y()), float(b.width()), float(b.height()));
    SkIRect r = db.isFinite() ? db.roundOut().makeOutset(1, 1) : SkIRect{};
    if (path.isEmpty() || !r.intersect(clip.bounds)) {
        clip = {};
        return;
    }
    auto mask = std::make_shared<SkClipMask>();
    mask->bounds = r;
    std::vector<uint8_t> buffer;
    {
        MaskRaster raster(buffer, r.width(), r.height());
        QPainter p(&raster.image);
        p.setRenderHint(QPainter::Antialiasing, antiAlias);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.translate(-r.left, -r.top);
        p.drawPath(dev);
        p.end();
        mask->coverage.resize(size_t(r.width()) * size_t(r.height()));
        for (int y = 0; y < r.height(); ++y)
            std::memcpy(mask->coverage.data() + size_t(y) * size_t(r.width()), buffer.data() + size_t(y) * raster.rowBytes,
                        size_t(r.width()));
    }
    applyClipMask(std::move(mask), r);
}

SkIRect SkCanvas::getDeviceClipBounds() const { return top().clip.bounds; }

SkRect SkCanvas::getLocalClipBounds() const
{
    SkMatrix inv;
    if (top().clip.bounds.isEmpty() || !top().matrix.invert(&inv))
        return {};
    return inv.mapRect(SkRect::Make(top().clip.bounds));
}

// ---------------------------------------------------------------- fills

void SkCanvas::fillClip(TAlphaColor color, SkBlendMode mode)
{
    Layer& layer = currentLayer();
    RasterTarget t{layer.pixmap(), layer.origin, top().clip.bounds, top().clip.mask.get()};
    if (!t.bounds.intersect(layer.deviceRect()))
        return;
    RasterPaint rp;
    rp.mode = mode;
    BlitCoverage(t, CoverageMask{nullptr, 0, t.bounds}, nullptr, SkMatrix::I(), color, rp);
}

void SkCanvas::clear(TAlphaColor color)
{
    if (isIdentityUnclipped()) {
        // The common case: no painter state, so fill the raster directly.
        target_->fill(QColor::fromRgba(color));
        return;
    }
    fillClip(color, SkBlendMode::kSrc);
}

void SkCanvas::drawColor(TAlphaColor color, SkBlendMode mode)
{
    SkPaint paint(color);
    paint.blendMode = mode;
    drawPaint(paint);
}

void SkCanvas::drawPaint(const SkPaint& paint)
{
    if (top().clip.bounds.isEmpty())
        return;
    if (paint.imageFilter) {
        drawWithImageFilter(top().clip.bounds, paint, [&](const SkPaint& inner) { drawPaint(inner); });
        return;
    }
    Layer& layer = currentLayer();
    RasterTarget t{layer.pixmap(), layer.origin, top().clip.bounds, top().clip.mask.get()};
    if (!t.bounds.intersect(layer.deviceRect()))
        return;
    SkMatrix toLocal;
    if (paint.shader && !top().matrix.invert(&toLocal))
        return;
    RasterPaint rp;
    rp.alpha = paint.shader ? ColorA(paint.color) / 255.0f : 1.0f;
    rp.colorFilter = paint.colorFilter.get();
    rp.mode = paint.blendMode;
    BlitCoverage(t, CoverageMask{nullptr, 0, t.bounds}, paint.shader.get(), toLocal, paint.color, rp);
}

// ---------------------------------------------------------------- shapes

void SkCanvas::drawWithImageFilter(const SkIRect& deviceBounds, const SkPaint& paint, auto&& draw)
{
    // The drawing goes into a layer around it, which the filter then turns
    // into the result, composited with the paint's blend mode.
    const int reach = paint.imageFilter->reach(top().matrix);
    SkIRect bounds = top().clip.bounds;
    if (reach >= 0 && !bounds.intersect(deviceBounds.makeOutset(reach, reach)))
        return;
    SkPaint layerPaint;
    layerPaint.imageFilter = paint.imageFilter;
    layerPaint.blendMode = paint.blendMode;
    SkPaint inner = paint;
    inner.imageFilter = nullptr;
    inner.blendMode = SkBlendMode::kSrcOver;

    const SkMatrix saved = top().matrix;
    SkMatrix inv;
    const bool invertible = saved.invert(&inv);
    const SkRect localBounds = invertible ? inv.mapRect(SkRect::Make(bounds)) : SkRect{};
    saveLayer(invertible ? &localBounds : nullptr, &layerPaint);
    draw(inner);
    restore();
}

void SkCanvas::compositeLayerImage(const SkFilterImage& image, const SkPaint& paint, const ClipState& clip)
{
    if (image.isEmpty() || clip.bounds.isEmpty())
        return;
    Layer& layer = currentLayer();
    RasterTarget t{layer.pixmap(), layer.origin, clip.bounds, clip.mask.get()};
    if (!t.bounds.intersect(layer.deviceRect()))
        return;
    RasterPaint rp;
    rp.alpha = ColorA(paint.color) / 255.0f;
    rp.colorFilter = paint.colorFilter.get();
    rp.mode = paint.blendMode;
    const ImageSource src{{const_cast<uint8_t*>(image.image.constBits()), image.image.width(), image.image.height(),
                           size_t(image.image.bytesPerLine())},
                          nullptr};
    DrawImageRaster(t, src, SkRect::MakeWH(float(image.image.width()), float(image.image.height())),
                    SkMatrix::Translate(float(image.origin.fX), float(image.origin.fY)), SkSamplingOptions(), true, rp);
}

bool SkCanvas::drawShapeWithQPainter(const Shape& shape, const SkPaint& paint, bool stroke, bool fill)
{
    const auto mode = QtCompositionMode(paint.blendMode);
    if (!mode || paint.shader || paint.maskFilter || top().clip.mask)
        return false;
    // Fill and stroke must overlap as one coverage; drawing both is only the
    // same when the second cannot change what the first left.
    if (stroke && fill && !(ColorA(paint.color) == 255 && paint.blendMode == SkBlendMode::kSrcOver && !paint.colorFilter))
        return false;
    TAlphaColor color = paint.color;
    if (paint.colorFilter)
        color = UnpremultiplyPixel(paint.colorFilter->filterPixel(PremultiplyColor(color)));
    Layer& layer = currentLayer();
    syncPainter(layer);
    QPainter& p = layer.painter;
    const QColor qc = QColor::fromRgba(color);
    p.setCompositionMode(*mode);
    p.setRenderHint(QPainter::Antialiasing, paint.antiAlias);
    p.setBrush(fill ? QBrush(qc) : QBrush(Qt::NoBrush));
    p.setPen(stroke ? MakePen(paint, qc) : QPen(Qt::NoPen));
    p.drawPath(shape.path);
    return true;
}

void SkCanvas::drawShapeByCoverage(const Shape& shape, const SkPaint& paint, bool stroke, bool fill)
{
    const SkMatrix& m = top().matrix;
    Layer& layer = currentLayer();
    RasterTarget t{layer.pixmap(), layer.origin, top().clip.bounds, top().clip.mask.get()};
    if (!t.bounds.intersect(layer.deviceRect()))
        return;

    // Device bounds: the path's control points, the stroke's reach (a miter
    // can reach miterLimit half-widths), anti-aliasing and the mask blur.
    const QRectF cb = shape.path.controlPointRect();
    float reach = 0;
    if (stroke) {
        const float half = std::max(paint.strokeWidth, 0.0f) * 0.5f;
        const float factor = paint.join == SkStrokeJoin::kMiter ? std::max(paint.miterLimit, 1.5f) : 1.5f;
        reach = half * factor;
    }
    SkRect local = SkRect::MakeXYWH(float(cb.x()), float(cb.y()), float(cb.width()), float(cb.height()));
    local = local.makeOutset(reach, reach);
    const SkRect devF = m.mapRect(local);
    if (!devF.isFinite())
        return;
    float blurSigma = 0;
    if (paint.maskFilter)
        blurSigma = paint.maskFilter->respectCTM() ? m.mapRadius(paint.maskFilter->sigma()) : paint.maskFilter->sigma();
    blurSigma = std::min(blurSigma, kMaxBlurSigma);
    const int blurReach = blurSigma > 0 ? int(std::ceil(3 * blurSigma)) : 0;
    SkIRect dev = devF.roundOut().makeOutset(2 + blurReach, 2 + blurReach);
    // The blur needs the shape beyond the clip too; it is cut afterwards.
    SkIRect render = dev;
    if (!render.intersect(t.bounds.makeOutset(blurReach, blurReach)))
        return;
    SkIRect visible = render;
    if (!visible.intersect(t.bounds))
        return;

    MaskRaster raster(ShapeMaskBuffer(), render.width(), render.height());
    {
        QPainter p(&raster.image);
        p.setRenderHint(QPainter::Antialiasing, paint.antiAlias);
        p.setTransform(SkMatrix::Concat(SkMatrix::Translate(-float(render.left), -float(render.top)), m).toQTransform());
        if (fill) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawPath(shape.path);
        }
        if (stroke) {
            p.setPen(MakePen(paint, Qt::white));
            p.setBrush(Qt::NoBrush);
            p.drawPath(shape.path);
        }
        p.end();
    }
    if (blurSigma > 0) {
        const SkPlane plane{raster.buffer.data(), render.width(), render.height(), raster.rowBytes, 1};
        GaussianBlur(plane, plane, blurSigma, blurSigma, SkTileMode::kDecal);
    }
    SkMatrix toLocal;
    if (paint.shader && !m.invert(&toLocal))
        return;
    RasterPaint rp;
    rp.alpha = paint.shader ? ColorA(paint.color) / 255.0f : 1.0f;
    rp.colorFilter = paint.colorFilter.get();
    rp.mode = paint.blendMode;
    t.bounds = visible;
    BlitCoverage(t, CoverageMask{raster.buffer.data(), raster.rowBytes, render}, paint.shader.get(), toLocal, paint.color,
                 rp);
}

void SkCanvas::drawShape(const Shape& shape, const SkPaint& paint)
{
    if (top().clip.bounds.isEmpty())
        return;
    const bool strokeOnly = shape.forceStroke || paint.style == SkPaintStyle::kStroke;
    const bool stroke = strokeOnly || paint.style == SkPaintStyle::kStrokeAndFill;
    const bool fill = !strokeOnly;
    if (paint.imageFilter) {
        const QRectF cb = shape.path.controlPointRect();
        const float reach = stroke ? std::max(paint.strokeWidth, 1.0f) * std::max(paint.miterLimit, 1.5f) : 1.0f;
        const SkRect local =
            SkRect::MakeXYWH(float(cb.x()), float(cb.y()), float(cb.width()), float(cb.height())).makeOutset(reach, reach);
        const SkRect dev = top().matrix.mapRect(local);
        const SkIRect devI = dev.isFinite() ? dev.roundOut().makeOutset(2, 2) : top().clip.bounds;
        drawWithImageFilter(devI, paint, [&](const SkPaint& inner) { drawShape(shape, inner); });
        return;
    }
    if (!drawShapeWithQPainter(shape, paint, stroke, fill))
        drawShapeByCoverage(shape, paint, stroke, fill);
}

void SkCanvas::drawRect(const SkRect& rect, const SkPaint& paint)
{
    Shape s;
    const SkRect r = rect.makeSorted();
    s.path.addRect(ToQRect(r));
    s.isRect = true;
    s.rect = r;
    drawShape(s, paint);
}

void SkCanvas::drawRRect(const SkRRect& rrect, const SkPaint& paint)
{
    if (rrect.isRect()) {
        drawRect(rrect.rect, paint);
        return;
    }
    Shape s;
    s.path = SkPath::RRect(rrect).qpath();
    drawShape(s, paint);
}

void SkCanvas::drawRoundRect(const SkRect& rect, float rx, float ry, const SkPaint& paint)
{
    drawRRect(SkRRect::MakeRectXY(rect, rx, ry), paint);
}

void SkCanvas::drawCircle(float cx, float cy, float radius, const SkPaint& paint)
{
    if (!(radius > 0))
        return;
    drawOval(SkRect::MakeLTRB(cx - radius, cy - radius, cx + radius, cy + radius), paint);
}

void SkCanvas::drawOval(const SkRect& oval, const SkPaint& paint)
{
    Shape s;
    s.path.addEllipse(ToQRect(oval.makeSorted()));
    drawShape(s, paint);
}

void SkCanvas::drawArc(const SkRect& oval, float startDegrees, float sweepDegrees, bool useCenter, const SkPaint& paint)
{
    if (!std::isfinite(startDegrees) || !std::isfinite(sweepDegrees) || sweepDegrees == 0)
        return;
    SkPath path;
    const SkRect o = oval.makeSorted();
    if (useCenter) {
        path.moveTo(o.centerX(), o.centerY());
        path.arcTo(o, startDegrees, sweepDegrees, false);
        path.close();
    } else {
        path.addArc(o, startDegrees, sweepDegrees);
    }
    Shape s;
    s.path = path.qpath();
    drawShape(s, paint);
}

void SkCanvas::drawPath(const SkPath& path, const SkPaint& paint)
{
    Shape s;
    s.path = path.qpath();
    drawShape(s, paint);
}

void SkCanvas::drawLine(float x0, float y0, float x1, float y1, const SkPaint& paint)
{
    Shape s;
    s.path.moveTo(x0, y0);
    s.path.lineTo(x1, y1);
    s.forceStroke = true;
    drawShape(s, paint);
}

void SkCanvas::drawPoints(SkPointMode mode, int count, const SkPoint points[], const SkPaint& paint)
{
    if (!points || count <= 0)
        return;
    Shape s;
    if (mode == SkPointMode::kPoints) {
        // Dots of the stroke width (one pixel for hairlines), round or square by the cap.
        const float d = paint.strokeWidth > 0 ? paint.strokeWidth : 1.0f;
        for (int i = 0; i < count; ++i) {
            const QRectF r(points[i].fX - d / 2, points[i].fY - d / 2, d, d);
            if (paint.cap == SkStrokeCap::kRound)
                s.path.addEllipse(r);
            else
                s.path.addRect(r);
        }
        s.path.setFillRule(Qt::WindingFill);
        SkPaint fillPaint = paint;
        fillPaint.style = SkPaintStyle::kFill;
        drawShape(s, fillPaint);
        return;
    }
    if (mode == SkPointMode::kLines) {
        for (int i = 0; i + 1 < count; i += 2) {
            s.path.moveTo(points[i].fX, points[i].fY);
            s.path.lineTo(points[i + 1].fX, points[i + 1].fY);
        }
    } else {
        s.path.moveTo(points[0].fX, points[0].fY);
        for (int i = 1; i < count; ++i)
            s.path.lineTo(points[i].fX, points[i].fY);
    }
    s.forceStroke = true;
    drawShape(s, paint);
}

void SkCanvas::drawPoint(float x, float y, const SkPaint& paint)
{
    const SkPoint p{x, y};
    drawPoints(SkPointMode::kPoints, 1, &p, paint);
}

// ---------------------------------------------------------------- images

void SkCanvas::drawImage(const ISkImage& image, float x, float y, const SkPaint* paint)
{
    drawImage(image, x, y, SkSamplingOptions(), paint);
}

void SkCanvas::drawImage(const ISkImage& image, float x, float y, const SkSamplingOptions& sampling, const SkPaint* paint)
{
    if (!image)
        return;
    drawImageRect(image, SkRect::MakeWH(float(image->width()), float(image->height())),
                  SkRect::MakeXYWH(x, y, float(image->width()), float(image->height())), sampling, paint,
                  SkSrcRectConstraint::kFast);
}

void SkCanvas::drawImageRect(const ISkImage& image, const SkRect& dst, const SkSamplingOptions& sampling,
                             const SkPaint* paint)
{
    if (!image)
        return;
    drawImageRect(image, SkRect::MakeWH(float(image->width()), float(image->height())), dst, sampling, paint,
                  SkSrcRectConstraint::kFast);
}

void SkCanvas::drawImageRect(const ISkImage& image, const SkRect& srcIn, const SkRect& dstIn,
                             const SkSamplingOptions& sampling, const SkPaint* paintIn, SkSrcRectConstraint constraint)
{
    if (!image || top().clip.bounds.isEmpty() || !srcIn.isFinite() || !dstIn.isFinite() || srcIn.isEmpty() ||
        dstIn.isEmpty())
        return;
    // A source rectangle reaching past the picture draws only the part that
    // exists, at the place it would have had.
    SkRect src = srcIn, dst = dstIn;
    const SkRect whole = SkRect::MakeWH(float(image->width()), float(image->height()));
    if (!(src.left >= 0 && src.top >= 0 && src.right <= whole.right && src.bottom <= whole.bottom)) {
        SkRect c = src;
        if (!c.intersect(whole))
            return;
        dst = SkMatrix::RectToRect(src, dst).mapRect(c);
        src = c;
    }
    const SkPaint paint = paintIn ? *paintIn : SkPaint();
    const SkMatrix srcToDevice = SkMatrix::Concat(top().matrix, SkMatrix::RectToRect(src, dst));

    if (paint.imageFilter) {
        SkPaint rest = paint;
        rest.imageFilter = nullptr;
        if (srcToDevice.isIntegerTranslate() && Whole(src.left) && Whole(src.top) && Whole(src.right) && Whole(src.bottom)) {
            // The filter sees the picture itself, edges and all.
            const SkIRect s = src.roundOut();
            const QImage pixels = s == image->bounds() ? image->qimage() : image->qimage().copy(s.left, s.top, s.width(), s.height());
            const SkFilterImage in{pixels, {int(srcToDevice.mapXY(src.left, src.top).fX), int(srcToDevice.mapXY(src.left, src.top).fY)}};
            compositeLayerImage(paint.imageFilter->filter(in, top().clip.bounds, top().matrix), rest, top().clip);
            return;
        }
        const SkRect dev = srcToDevice.mapRect(src);
        drawWithImageFilter(dev.isFinite() ? dev.roundOut() : top().clip.bounds, paint,
                            [&](const SkPaint& inner) { drawImageRect(image, src, dst, sampling, &inner, constraint); });
        return;
    }

    Layer& layer = currentLayer();
    RasterTarget t{layer.pixmap(), layer.origin, top().clip.bounds, top().clip.mask.get()};
    if (!t.bounds.intersect(layer.deviceRect()))
        return;
    RasterPaint rp;
    rp.alpha = ColorA(paint.color) / 255.0f;
    rp.colorFilter = paint.colorFilter.get();
    rp.mode = paint.blendMode;
    rp.antiAlias = paint.antiAlias;
    SkPixmap pm;
    image->peekPixels(pm);
    DrawImageRaster(t, ImageSource{pm, image.get()}, src, srcToDevice, sampling, constraint == SkSrcRectConstraint::kStrict,
                    rp);
}

void SkCanvas::drawImageNine(const ISkImage& image, const SkIRect& centerIn, const SkRect& dst, SkFilterMode filter,
                             const SkPaint* paint)
{
    if (!image || dst.isEmpty())
        return;
    SkIRect c = centerIn;
    if (!c.intersect(image->bounds()))
        return;
    const float w = float(image->width()), h = float(image->height());
    const float sx[4] = {0, float(c.left), float(c.right), w};
    const float sy[4] = {0, float(c.top), float(c.bottom), h};
    // Fixed borders shrink together when the destination is too small for them.
    auto split = [](float lo, float hi, float a, float b, float out[4]) {
        const float avail = hi - lo;
        const float k = a + b > avail && a + b > 0 ? avail / (a + b) : 1.0f;
        out[0] = lo, out[1] = lo + a * k, out[2] = hi - b * k, out[3] = hi;
    };
    float dx[4], dy[4];
    split(dst.left, dst.right, sx[1], w - sx[2], dx);
    split(dst.top, dst.bottom, sy[1], h - sy[2], dy);
    const SkSamplingOptions sampling = filter == SkFilterMode::kLinear ? SkSamplingOptions::Linear() : SkSamplingOptions();
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            const SkRect s = SkRect::MakeLTRB(sx[i], sy[j], sx[i + 1], sy[j + 1]);
            const SkRect d = SkRect::MakeLTRB(dx[i], dy[j], dx[i + 1], dy[j + 1]);
            if (!s.isEmpty() && !d.isEmpty())
                drawImageRect(image, s, d, sampling, paint, SkSrcRectConstraint::kStrict);
        }
}

// ---------------------------------------------------------------- text

void SkCanvas::drawSimpleText(const QString& text, float x, float y, const SkFont& font, const SkPaint& paint)
{
    if (text.isEmpty())
        return;
    Shape s;
    s.path = font.textPath(text, x, y);
    if (s.path.isEmpty())
        return;
    SkPaint p = paint;
    p.antiAlias = true;
    drawShape(s, p);
}

void SkCanvas::drawTextBlob(const ISkTextBlob& blob, float x, float y, const SkPaint& paint)
{
    if (blob)
        drawSimpleText(blob->text(), x, y, blob->font(), paint);
}

} // namespace pv
