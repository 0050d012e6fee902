#pragma once
// A picture inside a decorative frame whose middle is transparent: the
// opening grows to fit the picture plus a coloured margin, while the frame's
// border keeps its thickness. The script's FRAME command and the frame panel's
// composition both build on these steps.

#include "platform/graphics/SkImage.h"

#include <QImage>

namespace pv {

// The frame's opening (left, top inclusive; right, bottom exclusive), found by
// walking from the centre outwards along the middle row and column to the
// first pixel with alpha 251 or more. A side without one keeps the bitmap's
// edge; an opaque centre gives an inverted (empty) opening.
SkIRect FrameOpening(const QImage& frame);

struct TFrameLayout {
    int width = 0, height = 0;  // the framed picture
    SkIRect marginRect;         // filled with the margin colour (one pixel under the frame's inner edge)
    SkIPoint pictureOrigin;     // where the picture goes
};

// Sizes and places a pictureWidth x pictureHeight picture with a margin inside
// a frameWidth x frameHeight frame with the given opening. Computed in 64 bits
// and saturated, so absurd margins give sizes no surface accepts.
TFrameLayout ComputeFrameLayout(const SkIRect& opening, int frameWidth, int frameHeight, int pictureWidth,
                                int pictureHeight, int margin);

// Draws the framed picture: the margin, the picture unscaled at its origin and
// the frame as a nine-patch over everything (the opening as the centre patch;
// an empty opening stretches the whole frame). Null when no surface of the
// layout's size can be made.
ISkImage ComposeInFrame(const ISkImage& picture, const ISkImage& frame, const SkIRect& opening,
                        const TFrameLayout& layout, TAlphaColor marginColor);

} // namespace pv
