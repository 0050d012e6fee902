#pragma once
// The magnified preview box's arithmetic: the region it shows, dragging it
// and the zoom steps. The box shows boxWidth / zoom by boxHeight / zoom
// source pixels from the start point; a zoom above 1 magnifies.

#include <QPoint>
#include <QPointF>

namespace pv {

constexpr float kPreviewZoomMin = 0.25f;
constexpr float kPreviewZoomMax = 5.0f;

// The start kept inside the source: negative starts become 0, then a region
// that would cross the right or bottom edge starts at max(0, Round(size - region)).
QPoint ClampPreviewStart(QPoint start, int sourceWidth, int sourceHeight, double regionWidth, double regionHeight);

// The start after the pointer moved by `delta` box pixels: the picture follows
// the pointer and the region stays inside the source.
QPoint DragPreviewStart(QPoint start, QPointF delta, float zoom, int sourceWidth, int sourceHeight,
                        double regionWidth, double regionHeight);

// Zoom steps: the wheel by 10 % of the current value, the icons by 20 %, all
// kept within 25 %..500 %.
float WheelPreviewZoom(float zoom, int wheelDelta);
float ZoomInPreview(float zoom);
float ZoomOutPreview(float zoom);

} // namespace pv
