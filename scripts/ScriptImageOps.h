#pragma once
// The picture operations behind BLEND, TEXT, WATERMARK and FRAME. Each takes
// a picture and returns a new one, never changes its inputs and keeps no
// state. One that cannot do its work (no picture, nothing to draw, a file that
// does not decode, a size no surface accepts) returns its input unchanged;
// running out of memory is raised (std::bad_alloc) so the caller can say so.

#include "platform/graphics/SkBlendMode.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkFont.h"
#include "platform/graphics/SkImage.h"

#include <QImage>
#include <QString>

namespace pv {

// Where an object of extent S starts on an axis of extent E. In pixels, V is
// the near edge. In percent, p = E x V / 100 holds the near edge below 50, the
// far edge above 50 and the centre at 50, so 0 % and 100 % sit flush with the
// picture's edges.
float PlaceByPercent(float E, float S, float V, bool IsPercent);

// The overlay (stretched to the base's size when it differs, cubic) drawn over
// the base with the blend mode, faded by the opacity (0..1).
ISkImage BlendImages(const ISkImage& Base, const ISkImage& Overlay, float Opacity, SkBlendMode Mode);

// The text drawn so that its bounding box sits at the position (pixels or
// percent), in the resolved typeface with synthetic styles, optionally over
// the script's drop shadow.
ISkImage DrawTextOnImage(const ISkImage& Image, float X, float Y, bool XPercent, bool YPercent, const QString& Text,
                         const QString& FamilyName, float Size, SkFontStyle Style, TAlphaColor Color, bool Shadow);

// The picture cut to the bounding box of its pixels with alpha above 8 (the
// picture itself when none qualifies or the box is the whole picture).
ISkImage TrimTransparentBorder(const ISkImage& Image);

// Halves the picture (bilinear) as long as the halved width stays at least
// TargetWidth; never enlarges.
ISkImage DownscaleByHalving(const ISkImage& Image, int TargetWidth);

// Size and place of a watermark of wmWidth x wmHeight (already trimmed) on a
// picture: Width pixels, or percent of the picture's width, or by default
// min(watermark width, a quarter of the picture's width); the aspect ratio is
// kept and the rectangle placed by PlaceByPercent.
SkRect WatermarkRect(int imageWidth, int imageHeight, int wmWidth, int wmHeight, float X, float Y, bool XPercent,
                     bool YPercent, float Width, bool WidthPercent);

// A watermark (already trimmed) reduced by halving toward the rectangle's
// width and drawn (cubic) into it at an opacity of 0..1: the one way the
// script and the watermark tool burn a watermark in.
void PaintWatermark(SkCanvas& Canvas, const ISkImage& Watermark, const SkRect& Rect, float Opacity);

// The watermark picture trimmed, reduced by halving and drawn (cubic) into its
// rectangle at Alpha percent opacity.
ISkImage DrawWatermarkImage(const ISkImage& Image, const ISkImage& Watermark, float X, float Y, bool XPercent,
                            bool YPercent, float Width, bool WidthPercent, float Alpha);
// The same with the watermark read from a picture file.
ISkImage DrawWatermark(const ISkImage& Image, float X, float Y, bool XPercent, bool YPercent, const QString& FileName,
                       float Width, bool WidthPercent, float Alpha);

// The picture with a margin of Color inside the frame bitmap (see FrameLayout.h).
// On failure the picture itself comes back, and FrameUnreadable (when given)
// tells whether the frame bitmap could not be turned into an image, as
// opposed to the framed picture not being made.
ISkImage ApplyFrameBitmap(const ISkImage& Image, const QImage& Frame, int Margin, TAlphaColor Color,
                          bool* FrameUnreadable = nullptr);

} // namespace pv
