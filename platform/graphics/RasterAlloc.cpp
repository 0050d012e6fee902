#include "platform/graphics/RasterAlloc.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <tbb/parallel_for.h>

namespace pv {
namespace {

constexpr size_t kHugePage = size_t(2) << 20;
constexpr int64_t kMaxPixels = int64_t(1) << 30;

void FreeRaster(void* memory) { std::free(memory); }

} // namespace

QImage NewRasterImage(int width, int height, QImage::Format format, bool zeroFill)
{
    if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxPixels)
        return QImage();
    const int depthBytes = QImage::toPixelFormat(format).bitsPerPixel() / 8;
    if (depthBytes <= 0) {
        QImage image(width, height, format);
        if (image.isNull())
            throw std::bad_alloc();
        if (zeroFill)
            image.fill(0);
        return image;
    }
    // Rows are packed (stride = width x pixel size), as QImage lays them out:
    // code that walks a raster as one array relies on it.
    const size_t stride = (size_t(width) * size_t(depthBytes) + 3) & ~size_t(3);
    const size_t bytes = stride * size_t(height);
    if (stride > size_t(std::numeric_limits<qsizetype>::max()))
        return QImage();

    void* memory = nullptr;
    if (bytes >= kHugePage) {
        const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        memory = std::aligned_alloc(kHugePage, rounded);
        if (memory)
            madvise(memory, rounded, MADV_HUGEPAGE);
    } else {
        memory = std::aligned_alloc(64, (bytes + 63) & ~size_t(63));
    }
    if (!memory)
        throw std::bad_alloc();
    if (zeroFill) {
        auto* base = static_cast<uint8_t*>(memory);
        tbb::parallel_for(tbb::blocked_range<int>(0, height, 64), [&](const tbb::blocked_range<int>& r) {
            std::memset(base + size_t(r.begin()) * stride, 0, size_t(r.end() - r.begin()) * stride);
        });
    }
    QImage image(static_cast<uchar*>(memory), width, height, qsizetype(stride), format, &FreeRaster, memory);
    if (image.isNull()) {
        std::free(memory);
        throw std::bad_alloc();
    }
    return image;
}

} // namespace pv
