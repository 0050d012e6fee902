#pragma once
// The gallery's magnifying glass: a round 440 x 440 popup next to a hovered
// thumbnail that shows the thumbnail's picture at full resolution around the
// point under the pointer, bulged like a lens, with a frosted rim, shading,
// highlights that drift with the clock and a thin dark edge. It takes no mouse
// input; the window moves it and tells it the point to show.

#include "platform/graphics/SkTypes.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QWidget>

#include <functional>

namespace pv {

// The popup's side, in pixels.
inline constexpr int kMagnifierSide = 440;

// The picture pixel (column, row of the lens crop) that output pixel (j, i) of
// a w x h lens shows: u = j / w - 0.5, v = i / h - 0.5, k = 1 - (1 - 2 (u² + v²))
// / 4, column round((u k + 0.5) w), row round((v k + 0.5) h), halves to even,
// each kept inside the crop. The centre is magnified by 4/3, the rim nearly 1:1.
struct TLensTap {
    int column = 0, row = 0;
    constexpr bool operator==(const TLensTap&) const = default;
};
TLensTap LensSourcePixel(int j, int i, int w, int h);

// The crop's top-left corner in the picture (pictureW x pictureH) for a lens
// of lensW x lensH centred on pos (fractions of the picture), kept inside it.
QPointF MagnifierCropOrigin(QPointF pos, int pictureW, int pictureH, double lensW, double lensH);

// Where the popup (side x side) goes for a thumbnail at thumb (window
// coordinates) in a window of clientWidth: centred over the thumbnail,
// inside the window sideways, 10 above it or, without room, 10 below.
QPoint MagnifierPopupPos(const QRect& thumb, int side, int clientWidth);

// The glass as a premultiplied square picture of side x side: the picture
// around pos (or, when the picture is smaller than the lens, all of it
// stretched without the glass), at seconds on the highlights' clock.
QImage RenderMagnifier(const ISkImage& picture, QPointF pos, double seconds, bool lightTheme,
                       int side = kMagnifierSide);

class TGalleryMagnifier : public QWidget {
    Q_OBJECT
public:
    explicit TGalleryMagnifier(QWidget* window);

    // Shows the picture above (or below) the thumbnail, magnifying its centre.
    void ShowOver(const QRect& thumbnailInWindow, int clientWidth, const ISkImage& picture);
    // The point to magnify, as fractions of the thumbnail (clamped to 0..1).
    void SetMagnifyPos(QPointF fraction);
    void Hide();

    QPointF MagnifyPos() const { return pos_; }
    const ISkImage& Picture() const { return picture_; }
    // Seconds on the highlights' clock (the time since system start unless a
    // test sets its own).
    std::function<double()> Clock;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    ISkImage picture_;
    QPointF pos_{0.5, 0.5};
};

} // namespace pv
