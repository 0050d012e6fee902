#pragma once
// What the frame panel works out about a frame picture: whether it has a
// border at all, where its opening lies, the gallery's thumbnails and the
// scaled preview of picture, margin and frame together. The preview is an
// approximation at thumbnail scale: its opening starts on the first nearly
// opaque pixel (alpha above 200), while the composition itself uses the
// stricter test of the frame layout.

#include "platform/graphics/SkImage.h"

#include <QImage>
#include <QRectF>
#include <QSize>

namespace pv {

// Alpha above which a frame pixel counts as border in the panel.
constexpr int kFramePanelOpaqueAlpha = 200;

// No pixel with alpha above 200 on the middle row nor on the middle column
// (a fully transparent picture, for example). False for an empty picture.
bool IsBorderlessFrame(const QImage& frame);

// The opening as fractions of the frame's width and height: from the centre
// outwards along the middle row and column to the first pixel with alpha
// above 200 (a side without one keeps the edge). (0, 0, 1, 1) for an empty
// picture; an empty or inverted rectangle when the centre itself is opaque.
QRectF DetectAperture(const QImage& frame);

// True when the frame leaves some of the picture visible: its opening is not
// empty. A frame whose centre is opaque would cover the whole picture.
bool HasFrameOpening(const QImage& frame);

// A copy no larger than maxSize on its longer side (cubic, Mitchell); a plain
// copy when it already fits; empty for an empty picture.
QImage MakeScaledThumb(const QImage& picture, int maxSize);

// The gallery cell of a borderless frame: a 240 x 240 picture of the mat in
// the margin colour around a transparent inside proportioned like a picture
// of pictureSize with that margin, both outlined in grey.
QImage MakeBorderlessFrameThumbnail(TAlphaColor colour, double margin, QSize pictureSize);

// Where the preview draws its parts, in box coordinates.
struct TFramePreviewLayout {
    SkIRect hole;        // the frame's opening in frame pixels
    double totalWidth = 0, totalHeight = 0; // picture + 2 margins + borders, in picture pixels
    double scale = 0;    // box pixels per picture pixel
    QPointF origin;      // the framed picture's top-left corner in the box
    QRectF marginRect;   // the margin area (picture pixels, before scaling)
    QRectF pictureRect;  // the picture (picture pixels, before scaling)
};
// picture: the result's size (1000 x 1000 when there is none or it is not positive).
TFramePreviewLayout ComputeFramePreviewLayout(const QRectF& aperture, QSize frame, QSize picture, double margin,
                                              const QRectF& box);

// The preview: light grey, then the margin, the picture (grey without one)
// and the frame as a nine-patch, scaled to fit the box and centred. Only the
// grey when there is no frame.
QImage RenderFramePreview(QSize box, const ISkImage& frame, const QRectF& aperture, const ISkImage& picture,
                          double margin, TAlphaColor colour);

} // namespace pv
