#include "scripts/PictureCanvas.h"

#include "engine/Effect.h"
#include "platform/graphics/RasterAlloc.h"

#include <cstring>

namespace pv {

TPictureCanvas::TPictureCanvas(QImage&& raster)
{
    if (raster.isNull())
        return;
    raster_ = std::make_shared<Raster>();
    raster_->pixels = std::move(raster);
    QImage& px = raster_->pixels;
    raster_->direct = SkSurface::MakeRasterDirect(px.bits(), px.width(), px.height(), size_t(px.bytesPerLine()));
    if (raster_->direct)
        surface_ = ISkSurface(raster_, raster_->direct.get());
}

TPictureCanvas TPictureCanvas::Blank(int width, int height) { return TPictureCanvas(NewRasterImage(width, height)); }

TPictureCanvas TPictureCanvas::CopyOf(const ISkImage& picture)
{
    SkPixmap src;
    if (!picture || !picture->peekPixels(src))
        return TPictureCanvas();
    QImage raster = NewRasterImage(src.width, src.height, QImage::Format_ARGB32_Premultiplied, false);
    if (raster.isNull())
        return TPictureCanvas();
    uchar* base = raster.bits();
    const size_t stride = size_t(raster.bytesPerLine());
    const size_t rowLen = size_t(src.width) * 4;
    ParallelForRange(0, src.height, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            std::memcpy(base + size_t(y) * stride, src.row(y), rowLen);
    }, 64);
    return TPictureCanvas(std::move(raster));
}

ISkImage TPictureCanvas::finish()
{
    if (!surface_)
        return nullptr;
    // Held only by this object (raster_ and surface_): the pixels can change hands.
    if (raster_.use_count() > 2) {
        ISkImage snapshot = surface_->makeImageSnapshot();
        surface_.reset();
        raster_.reset();
        return snapshot;
    }
    surface_.reset();
    raster_->direct.reset(); // ends the canvas's painter before the raster changes hands
    QImage pixels = std::move(raster_->pixels);
    raster_.reset();
    return SkImage::MakeFromRaster(std::move(pixels));
}

} // namespace pv
