#include "platform/graphics/SkImage.h"

#include "platform/graphics/RasterAlloc.h"
#include "platform/graphics/SkCanvas.h"

#include <tbb/parallel_for.h>
#include "platform/graphics/SkMipmap.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <new>

namespace pv {

namespace {

// Copies rows of width x 4 bytes into a packed raster, in parallel bands.
void CopyRows(QImage& dst, const uint8_t* src, size_t srcRowBytes)
{
    const size_t rowLen = size_t(dst.width()) * 4;
    uint8_t* base = dst.bits();
    const size_t dstRowBytes = size_t(dst.bytesPerLine());
    tbb::parallel_for(tbb::blocked_range<int>(0, dst.height(), 32), [&](const tbb::blocked_range<int>& r) {
        for (int y = r.begin(); y < r.end(); ++y)
            std::memcpy(base + size_t(y) * dstRowBytes, src + size_t(y) * srcRowBytes, rowLen);
    });
}

} // namespace

uint64_t NextGraphicsId()
{
    static std::atomic<uint64_t> counter{0};
    return ++counter;
}

uint32_t PremultiplyColor(TAlphaColor c)
{
    const uint32_t a = ColorA(c);
    auto mul = [a](uint32_t v) { return (v * a + 127) / 255; };
    return (a << 24) | (mul(ColorR(c)) << 16) | (mul(ColorG(c)) << 8) | mul(ColorB(c));
}

TAlphaColor UnpremultiplyPixel(uint32_t p)
{
    const uint32_t a = p >> 24;
    if (a == 0)
        return 0;
    if (a == 255)
        return p;
    auto un = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
    return (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
}

bool SkIRect::intersect(const SkIRect& o)
{
    const SkIRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    if (r.isEmpty()) {
        *this = {};
        return false;
    }
    *this = r;
    return true;
}

bool HasTranslucentPixel(const SkPixmap& pm)
{
    for (int y = 0; y < pm.height; ++y) {
        const uint32_t* row = pm.row(y);
        uint32_t all = 0xFFFFFFFFu;
        for (int x = 0; x < pm.width; ++x)
            all &= row[x];
        if ((all >> 24) != 0xFF)
            return true;
    }
    return false;
}

bool HasVisiblePixel(const SkPixmap& pm)
{
    for (int y = 0; y < pm.height; ++y) {
        const uint32_t* row = pm.row(y);
        uint32_t any = 0;
        for (int x = 0; x < pm.width; ++x)
            any |= row[x];
        if ((any >> 24) != 0)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- SkImage

SkImage::SkImage(QImage&& premul, bool opaque) : image_(std::move(premul)), id_(NextGraphicsId()), opaque_(opaque) {}
SkImage::~SkImage() = default;

const SkMipmap& SkImage::mipmap() const
{
    std::call_once(mipOnce_, [this] {
        SkPixmap base;
        peekPixels(base);
        mipmap_ = std::make_unique<const SkMipmap>(base);
    });
    return *mipmap_;
}

namespace {

void SetAlphaBytesOpaque(QImage& image)
{
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        uint32_t all = 0xFF000000u;
        for (int x = 0; x < w; ++x)
            all &= row[x];
        if (all >= 0xFF000000u)
            continue;
        auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] |= 0xFF000000u;
    }
}

} // namespace

ISkImage SkImage::MakeFromQImage(QImage image)
{
    if (image.isNull())
        return nullptr;
    bool opaque = !image.hasAlphaChannel();
    switch (image.format()) {
    case QImage::Format_ARGB32_Premultiplied:
        break;
    case QImage::Format_RGB32:
        // An opaque RGB32 pixel (alpha byte 0xFF) is already a valid premultiplied one.
        // Some decoders leave the alpha byte 0 where a file ended early (a cut
        // GIF): those pixels are opaque as RGB32 says, not transparent.
        SetAlphaBytesOpaque(image);
        image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
        break;
    default:
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            throw std::bad_alloc();
        break;
    }
    return std::make_shared<const SkImage>(std::move(image), opaque);
}

ISkImage SkImage::MakeFromRaster(QImage&& raster)
{
    if (raster.isNull())
        return nullptr;
    return std::make_shared<const SkImage>(std::move(raster), false);
}

ISkImage SkImage::MakeRasterCopy(const void* pixels, int width, int height, size_t rowBytes)
{
    if (!pixels || width <= 0 || height <= 0)
        return nullptr;
    QImage copy = NewRasterImage(width, height, QImage::Format_ARGB32_Premultiplied, false);
    if (copy.isNull())
        throw std::bad_alloc();
    CopyRows(copy, static_cast<const uint8_t*>(pixels), rowBytes);
    return std::make_shared<const SkImage>(std::move(copy), false);
}

bool SkImage::peekPixels(SkPixmap& out) const
{
    if (image_.isNull())
        return false;
    out.base = const_cast<uint8_t*>(image_.constBits());
    out.width = image_.width();
    out.height = image_.height();
    out.rowBytes = size_t(image_.bytesPerLine());
    return true;
}

bool SkImage::readPixels(void* dst, size_t dstRowBytes, int srcX, int srcY, int w, int h, SkAlphaType dstAlpha) const
{
    if (!dst || image_.isNull())
        return false;
    if (w < 0)
        w = width() - srcX;
    if (h < 0)
        h = height() - srcY;
    SkIRect r = SkIRect::MakeXYWH(srcX, srcY, w, h);
    if (!r.intersect(bounds()))
        return false;
    auto* out = static_cast<uint8_t*>(dst);
    for (int y = r.top; y < r.bottom; ++y) {
        const auto* src = reinterpret_cast<const uint32_t*>(image_.constScanLine(y)) + r.left;
        auto* d = reinterpret_cast<uint32_t*>(out + size_t(y - r.top) * dstRowBytes);
        if (dstAlpha == SkAlphaType::Unpremul && !opaque_) {
            for (int x = 0; x < r.width(); ++x)
                d[x] = UnpremultiplyPixel(src[x]);
        } else {
            std::memcpy(d, src, size_t(r.width()) * 4);
        }
    }
    return true;
}

ISkImage SkImage::makeSubset(const SkIRect& subset) const
{
    SkIRect r = subset;
    if (!r.intersect(bounds()))
        return nullptr;
    QImage part = image_.copy(r.left, r.top, r.width(), r.height());
    if (part.isNull())
        throw std::bad_alloc();
    return std::make_shared<const SkImage>(std::move(part), opaque_);
}

// ---------------------------------------------------------------- SkSurface

namespace {
constexpr int64_t kMaxSurfacePixels = int64_t(1) << 30; // 4 GiB of pixels: beyond any photograph
}

SkSurface::SkSurface(QImage&& image) : image_(std::move(image)), id_(NextGraphicsId()) {}
SkSurface::~SkSurface() = default;

ISkSurface SkSurface::MakeRaster(int width, int height)
{
    if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxSurfacePixels)
        return nullptr;
    QImage image = NewRasterImage(width, height);
    if (image.isNull())
        throw std::bad_alloc();
    return ISkSurface(new SkSurface(std::move(image)));
}

ISkSurface SkSurface::MakeRasterDirect(void* pixels, int width, int height, size_t rowBytes)
{
    if (!pixels || width <= 0 || height <= 0 || rowBytes < size_t(width) * 4 ||
        rowBytes > size_t(std::numeric_limits<qsizetype>::max()))
        return nullptr;
    QImage image(static_cast<uchar*>(pixels), width, height, qsizetype(rowBytes), QImage::Format_ARGB32_Premultiplied);
    return ISkSurface(new SkSurface(std::move(image)));
}

SkCanvas* SkSurface::getCanvas()
{
    if (!canvas_)
        canvas_ = std::make_unique<SkCanvas>(&image_);
    return canvas_.get();
}

ISkImage SkSurface::makeImageSnapshot()
{
    QImage copy = NewRasterImage(image_.width(), image_.height(), QImage::Format_ARGB32_Premultiplied, false);
    if (copy.isNull())
        throw std::bad_alloc();
    CopyRows(copy, image_.constBits(), size_t(image_.bytesPerLine()));
    return std::make_shared<const SkImage>(std::move(copy), false);
}

bool SkSurface::peekPixels(SkPixmap& out)
{
    if (image_.isNull())
        return false;
    // constBits: never detach, the canvas's painter may be active on this raster.
    out.base = const_cast<uint8_t*>(image_.constBits());
    out.width = image_.width();
    out.height = image_.height();
    out.rowBytes = size_t(image_.bytesPerLine());
    return true;
}

} // namespace pv
