#include "workspace/preview/PreviewBoxGeometry.h"

#include "platform/system/Numbers.h"

#include <algorithm>

namespace pv {

QPoint ClampPreviewStart(QPoint start, int sourceWidth, int sourceHeight, double regionWidth, double regionHeight)
{
    int x = std::max(0, start.x());
    int y = std::max(0, start.y());
    if (x + regionWidth > sourceWidth)
        x = std::max(0, Round(sourceWidth - regionWidth));
    if (y + regionHeight > sourceHeight)
        y = std::max(0, Round(sourceHeight - regionHeight));
    return {x, y};
}

QPoint DragPreviewStart(QPoint start, QPointF delta, float zoom, int sourceWidth, int sourceHeight,
                        double regionWidth, double regionHeight)
{
    const double dx = delta.x() / zoom, dy = delta.y() / zoom;
    const double maxX = std::max(0.0, sourceWidth - regionWidth);
    const double maxY = std::max(0.0, sourceHeight - regionHeight);
    return {Round(std::clamp(start.x() - dx, 0.0, maxX)), Round(std::clamp(start.y() - dy, 0.0, maxY))};
}

float WheelPreviewZoom(float zoom, int wheelDelta)
{
    const float z = wheelDelta > 0 ? zoom * 1.1f : zoom * (1.0f / 1.1f);
    return std::clamp(z, kPreviewZoomMin, kPreviewZoomMax);
}

float ZoomInPreview(float zoom) { return std::min(zoom * 1.2f, kPreviewZoomMax); }

float ZoomOutPreview(float zoom) { return std::max(zoom / 1.2f, kPreviewZoomMin); }

} // namespace pv
