#pragma once
// The texture panel's preview: the part of the picture the preview box shows
// at its pan and zoom, with the texture's relief laid over it at picture
// resolution. The texture's grey grid is made once per texture and reused on
// every redraw.

#include "engine/ApplyCustomTexture.h"
#include "platform/graphics/SkImage.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace pv {

// Pan (where the picture's top-left corner lies in the box, in box points)
// and zoom (box points per picture pixel, 0.1..5).
struct TTexturePreviewView {
    static constexpr float kMinZoom = 0.1f, kMaxZoom = 5.0f;
    float PanX = 0, PanY = 0;
    float Zoom = 1;
    bool FirstDraw = true;

    // Centres the picture at one picture pixel per point (the first drawing).
    void Centre(QSizeF box, QSize picture);
    // One wheel step (positive delta zooms in by 1.1) about the box centre.
    // Returns the factor applied (1.1 or 1 / 1.1).
    float WheelZoom(QSizeF box, int wheelDelta);
};

// The picture region in view, clipped to the picture (S, picture pixels),
// and where it lies in the box (T, box points). Empty S when none of the
// picture is in view.
struct TTextureRegion {
    QRectF Source;
    QRectF Target;
    int Width = 0, Height = 0; // Round(S width), Round(S height)
};
TTextureRegion VisibleTextureRegion(const TTexturePreviewView& view, QSizeF box, QSize picture);

// The region of the picture at Width x Height pixels with the relief of the
// texture (tiled from the region's corner, no offset) at strength (a
// fraction) and scale. Without a grey grid only the region. Null when the
// region is empty.
ISkImage RenderTexturePreview(const ISkImage& picture, const TTextureRegion& region, const TTextureGrey* grey,
                              float strength, float scale);

} // namespace pv
