#include "overlays/CombineBlend.h"

#include "platform/graphics/GraphicsParallel.h"
#include "platform/graphics/LuminanceBlend.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"
#include "platform/graphics/SkPaint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace pv {

namespace {

bool IsLuminanceMode(TCombineMode mode) { return mode == TCombineMode::Darken || mode == TCombineMode::Lighten; }

SkPaint PlainPaint(float amount, TCombineMode mode)
{
    SkPaint paint;
    paint.setAlphaf(std::clamp(amount, 0.0f, 1.0f));
    paint.setBlendMode(mode == TCombineMode::Multiply ? SkBlendMode::kMultiply : SkBlendMode::kSrcOver);
    return paint;
}

SkPixmap PixmapOf(QImage& image) { return {image.bits(), image.width(), image.height(), size_t(image.bytesPerLine())}; }

// The part of a pixmap inside r (r within its bounds).
SkPixmap Part(const SkPixmap& pm, const SkIRect& r)
{
    return {pm.base + size_t(r.top) * pm.rowBytes + size_t(r.left) * 4, r.width(), r.height(), pm.rowBytes};
}

} // namespace

const QStringList& CombineModeNames()
{
    static const QStringList names = {QStringLiteral("Normal"), QStringLiteral("Multiply"), QStringLiteral("Darken"),
                                      QStringLiteral("Lighten")};
    return names;
}

ISkImage RenderCombined(const ISkImage& base, const ISkImage& blend, float amount, TCombineMode mode)
{
    SkPixmap from, over;
    if (!base || !blend || !base->peekPixels(from) || !blend->peekPixels(over))
        return nullptr;
    QImage out(base->width(), base->height(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        throw std::bad_alloc();
    const SkPixmap to = PixmapOf(out);
    const size_t rowBytes = size_t(from.width) * 4;
    GraphicsParallelFor(0, from.height, 64, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            std::memcpy(to.row(y), from.row(y), rowBytes);
    });
    const float mix = std::clamp(amount, 0.0f, 1.0f);
    if (IsLuminanceMode(mode))
        LuminanceBlend(over, to, mix, mode == TCombineMode::Lighten);
    else
        AlphaBlend(over, to, mix, mode == TCombineMode::Multiply);
    return SkImage::MakeFromRaster(std::move(out));
}

TPreviewView CentredPreview(QSizeF preview, QSize base)
{
    TPreviewView view;
    view.pan = QPointF((preview.width() - base.width()) / 2, (preview.height() - base.height()) / 2);
    return view;
}

TPreviewView WheelZoomPreview(const TPreviewView& view, QPointF m, int delta)
{
    const QPointF p = (m - view.pan) / double(view.zoom);
    TPreviewView next;
    next.zoom = std::clamp(delta > 0 ? view.zoom * 1.1f : view.zoom * 0.9090909f, kPreviewMinZoom, kPreviewMaxZoom);
    next.pan = m - p * double(next.zoom);
    return next;
}

void DrawCombinePreview(QImage& target, const ISkImage& base, const ISkImage& blend, const TPreviewView& view,
                        float amount, TCombineMode mode, bool baseOnly, TAlphaColor background)
{
    if (target.isNull())
        return;
    SkCanvas canvas(&target);
    canvas.clear(background);
    if (!base || !blend)
        return;
    const SkSamplingOptions cubic = SkSamplingOptions::Mitchell();
    const auto placed = [&](const ISkImage& image) {
        return SkRect::MakeXYWH(float(view.pan.x()), float(view.pan.y()), float(image->width()) * view.zoom,
                                float(image->height()) * view.zoom);
    };
    canvas.drawImageRect(base, placed(base), cubic);
    if (baseOnly)
        return;
    if (!IsLuminanceMode(mode)) {
        const SkPaint paint = PlainPaint(amount, mode);
        canvas.drawImageRect(blend, placed(blend), cubic, &paint);
        return;
    }
    // The luminance blend acts where the scaled blend picture lies: drawn
    // into a layer of its own, then chosen against the base pixel by pixel.
    canvas.flush();
    const SkRect where = placed(blend);
    SkIRect area = SkIRect::MakeLTRB(int(std::floor(where.left)), int(std::floor(where.top)),
                                     int(std::ceil(where.right)), int(std::ceil(where.bottom)));
    if (!area.intersect(SkIRect::MakeWH(target.width(), target.height())))
        return;
    QImage layer(area.width(), area.height(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return;
    layer.fill(Qt::transparent);
    {
        SkCanvas layerCanvas(&layer);
        layerCanvas.translate(float(-area.left), float(-area.top));
        layerCanvas.drawImageRect(blend, where, cubic);
    }
    LuminanceBlend(PixmapOf(layer), Part(PixmapOf(target), area), std::clamp(amount, 0.0f, 1.0f),
                   mode == TCombineMode::Lighten);
}

} // namespace pv
