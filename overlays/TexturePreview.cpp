#include "overlays/TexturePreview.h"

#include "platform/graphics/SkCanvas.h"
#include "platform/system/Numbers.h"

#include <algorithm>

namespace pv {

void TTexturePreviewView::Centre(QSizeF box, QSize picture)
{
    PanX = float((box.width() - picture.width()) / 2);
    PanY = float((box.height() - picture.height()) / 2);
    FirstDraw = false;
}

float TTexturePreviewView::WheelZoom(QSizeF box, int wheelDelta)
{
    const float factor = wheelDelta > 0 ? 1.1f : 1.0f / 1.1f;
    const float old = Zoom;
    const float zoom = std::clamp(Zoom * factor, kMinZoom, kMaxZoom);
    const float cx = float(box.width() / 2), cy = float(box.height() / 2);
    PanX = cx - (cx - PanX) * zoom / old;
    PanY = cy - (cy - PanY) * zoom / old;
    Zoom = zoom;
    return factor;
}

TTextureRegion VisibleTextureRegion(const TTexturePreviewView& view, QSizeF box, QSize picture)
{
    TTextureRegion r;
    const double zoom = view.Zoom;
    const double left = -view.PanX / zoom, top = -view.PanY / zoom;
    const double right = left + box.width() / zoom, bottom = top + box.height() / zoom;
    const QPointF s0(std::max(0.0, left), std::max(0.0, top));
    const QPointF s1(std::min(double(picture.width()), right), std::min(double(picture.height()), bottom));
    r.Source = QRectF(s0, s1);
    r.Target = QRectF(QPointF((s0.x() - left) * zoom, (s0.y() - top) * zoom),
                      QPointF((s1.x() - left) * zoom, (s1.y() - top) * zoom));
    r.Width = Round(r.Source.width());
    r.Height = Round(r.Source.height());
    return r;
}

ISkImage RenderTexturePreview(const ISkImage& picture, const TTextureRegion& region, const TTextureGrey* grey,
                              float strength, float scale)
{
    if (!picture || region.Width <= 0 || region.Height <= 0)
        return nullptr;
    const ISkSurface surface = SkSurface::MakeRaster(region.Width, region.Height);
    if (!surface)
        return nullptr;
    SkCanvas* canvas = surface->getCanvas();
    canvas->clear(0);
    const QRectF& s = region.Source;
    canvas->drawImageRect(picture, SkRect::MakeLTRB(float(s.left()), float(s.top()), float(s.right()), float(s.bottom())),
                          SkRect::MakeWH(float(region.Width), float(region.Height)), SkSamplingOptions::Mitchell());
    ISkImage out = surface->makeImageSnapshot();
    if (grey && !grey->empty())
        ApplyTextureGrey(out, *grey, strength, scale, 0);
    return out;
}

} // namespace pv
