#pragma once
// The arithmetic of the combine panel: a second picture blended over the
// base with an amount in one of four modes, at full size and as the panel's
// zoomable preview.
//
// The blend picture is aligned at the base's top-left corner, neither scaled
// nor centred; the result always has the base's size. "Normal" and
// "Multiply" draw it with the paint's alpha at the amount; "Darken" and
// "Lighten" take, per pixel, the blend or the base pixel by luminance (the
// blend pixel on a tie) and mix it into the base by the amount.

#include "platform/graphics/SkTypes.h"

#include <QImage>
#include <QPointF>
#include <QStringList>

namespace pv {

enum class TCombineMode { Normal, Multiply, Darken, Lighten };

// The modes' English names in the panel's order.
const QStringList& CombineModeNames();

// The blend at full size; null when a picture is missing. std::bad_alloc
// when the result does not fit in memory.
ISkImage RenderCombined(const ISkImage& base, const ISkImage& blend, float amount, TCombineMode mode);

// Zoom and position of the preview: a picture point p is drawn at pan + p * zoom.
struct TPreviewView {
    float zoom = 1.0f;
    QPointF pan;
};

constexpr float kPreviewMinZoom = 0.1f;
constexpr float kPreviewMaxZoom = 10.0f;

// The base centred in a preview of this size at zoom 1.
TPreviewView CentredPreview(QSizeF preview, QSize base);
// One wheel step at m (preview coordinates): zoom times 1.1 away from the
// user (delta > 0), divided by 1.1 otherwise, held to 0.1..10; the picture
// point under m stays where it is.
TPreviewView WheelZoomPreview(const TPreviewView& view, QPointF m, int delta);

// Paints the preview into target (premultiplied ARGB32): cleared to the
// background, the base at the view with cubic sampling and, unless only the
// base is shown, the blend picture over it in the mode.
void DrawCombinePreview(QImage& target, const ISkImage& base, const ISkImage& blend, const TPreviewView& view,
                        float amount, TCombineMode mode, bool baseOnly, TAlphaColor background);

} // namespace pv
