#pragma once
// Images and surfaces of the graphics layer.
//
// An image is immutable and shared; every image has a process-wide unique id.
// A surface owns (or wraps) a raster that a canvas draws on and that code may
// write through its pixel map; a snapshot is a deep copy, so writing to the
// surface afterwards never changes the snapshot.

#include "platform/graphics/SkTypes.h"

#include <QImage>

#include <memory>
#include <mutex>

namespace pv {

class SkMipmap;

class SkImage {
public:
    // Wraps a QImage, converting it to premultiplied 32-bit BGRA. Returns null
    // for a null image. An opaque RGB32 picture is taken as it is (free).
    static ISkImage MakeFromQImage(QImage image);
    // Copies pixels laid out as premultiplied BGRA rows.
    static ISkImage MakeRasterCopy(const void* pixels, int width, int height, size_t rowBytes);
    // Takes a premultiplied raster without copying; the caller must not touch it again.
    static ISkImage MakeFromRaster(QImage&& premultipliedRaster);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    SkIRect bounds() const { return SkIRect::MakeWH(width(), height()); }
    uint64_t uniqueID() const { return id_; }
    // Opaque when the picture was made from a format without alpha or when the
    // maker knew every pixel is opaque.
    SkAlphaType alphaType() const { return opaque_ ? SkAlphaType::Opaque : SkAlphaType::Premul; }
    bool isOpaque() const { return opaque_; }

    // Read-only view of the pixels in place.
    bool peekPixels(SkPixmap& out) const;
    // Copies a region into caller memory as premultiplied or straight BGRA. The
    // region is clipped to the picture; false when nothing remains.
    bool readPixels(void* dst, size_t dstRowBytes, int srcX = 0, int srcY = 0, int width = -1, int height = -1,
                    SkAlphaType dstAlpha = SkAlphaType::Premul) const;
    // A new image of a region (clipped to the picture), or null when empty.
    ISkImage makeSubset(const SkIRect& subset) const;

    // The underlying raster for the rest of the graphics layer (never detach it).
    const QImage& qimage() const { return image_; }

    // The picture's mip chain for mipmapped sampling, built on first use and
    // kept with the picture (thread-safe).
    const SkMipmap& mipmap() const;

    SkImage(QImage&& premul, bool opaque);
    ~SkImage();

private:
    QImage image_;
    uint64_t id_;
    bool opaque_;
    mutable std::once_flag mipOnce_;
    mutable std::unique_ptr<const SkMipmap> mipmap_;
};

// True when any pixel of the picture has alpha below 255.
bool HasTranslucentPixel(const SkPixmap& pixmap);
// True when any pixel of the picture has alpha above 0.
bool HasVisiblePixel(const SkPixmap& pixmap);

class SkSurface {
public:
    // A zero-filled (transparent) raster; null for empty or absurd sizes, and
    // std::bad_alloc when memory runs out.
    static ISkSurface MakeRaster(int width, int height);
    // A surface over caller memory (premultiplied BGRA); the memory must outlive it.
    static ISkSurface MakeRasterDirect(void* pixels, int width, int height, size_t rowBytes);

    ~SkSurface();
    SkSurface(const SkSurface&) = delete;
    SkSurface& operator=(const SkSurface&) = delete;

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    uint64_t uniqueID() const { return id_; }

    SkCanvas* getCanvas();
    // Deep copy of the current pixels.
    ISkImage makeImageSnapshot();
    bool peekPixels(SkPixmap& out);

    QImage& qimage() { return image_; }

private:
    explicit SkSurface(QImage&& image);
    QImage image_;
    uint64_t id_;
    std::unique_ptr<SkCanvas> canvas_;
};

// Next value of the process-wide id counter shared by images and surfaces.
uint64_t NextGraphicsId();

} // namespace pv
