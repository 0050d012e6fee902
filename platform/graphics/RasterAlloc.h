#pragma once
// Allocation of large pixel rasters.
//
// A 12-megapixel raster is 48 MB; touching freshly mapped memory page by page
// costs more than most passes over it. Large rasters are therefore aligned to
// and backed by transparent huge pages where the system offers them.

#include <QImage>

namespace pv {

// A raster of the given size and format whose memory is owned by the image.
// Zero-filled when `zeroFill` is set. Throws std::bad_alloc when memory runs
// out; a null image for empty or absurd sizes.
QImage NewRasterImage(int width, int height, QImage::Format format = QImage::Format_ARGB32_Premultiplied,
                      bool zeroFill = true);

} // namespace pv
