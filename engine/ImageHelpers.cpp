#include "engine/ImageHelpers.h"

#include "engine/Effect.h"
#include "platform/graphics/Codecs.h"
#include "platform/graphics/Resample.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace pv {
namespace {

// Edge of the square tiles a quarter turn moves at a time: source and
// destination tiles both stay in cache.
constexpr int kRotateTile = 64;

// A view of a premultiplied or straight ARGB32 raster; constBits never detaches a shared image.
SkPixmap PixmapOf(const QImage& image)
{
    return {const_cast<uint8_t*>(image.constBits()), image.width(), image.height(), size_t(image.bytesPerLine())};
}

void ReadAlphaMask(const SkPixmap& pixels, std::vector<uint8_t>& Mask, int& W, int& H)
{
    W = pixels.width;
    H = pixels.height;
    Mask.assign(size_t(W) * size_t(H), 0);
    for (int y = 0; y < H; ++y) {
        const uint32_t* row = pixels.row(y);
        uint8_t* out = Mask.data() + size_t(y) * size_t(W);
        for (int x = 0; x < W; ++x)
            out[x] = uint8_t(row[x] >> 24);
    }
}

// The fallback brush: a cone falling linearly from 255 at the centre to 0 at radius 16.
void DefaultBrushMask(std::vector<uint8_t>& Mask, int& W, int& H)
{
    W = H = 32;
    Mask.assign(32 * 32, 0);
    for (int i = 0; i < 32; ++i)
        for (int j = 0; j < 32; ++j) {
            const double d = std::sqrt(double((j - 16) * (j - 16) + (i - 16) * (i - 16)));
            if (d < 16)
                Mask[size_t(i) * 32 + size_t(j)] = ClampByte(Round((1 - d / 16) * 255));
        }
}

} // namespace

ISkImage RotateImage90(const ISkImage& Image, bool Clockwise)
{
    SkPixmap src;
    if (!Image || !Image->peekPixels(src))
        return nullptr;
    const int newW = src.height, newH = src.width;
    QImage out(newW, newH, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        throw std::bad_alloc();
    const SkPixmap dst{out.bits(), newW, newH, size_t(out.bytesPerLine())};
    // Destination (X, Y) takes source (Y, newW - 1 - X) clockwise and
    // (newH - 1 - Y, X) counter-clockwise.
    ParallelForRange(0, (newH + kRotateTile - 1) / kRotateTile, [&](int lo, int hi) {
        for (int band = lo; band < hi; ++band) {
            const int y0 = band * kRotateTile, y1 = std::min(newH, y0 + kRotateTile);
            for (int x0 = 0; x0 < newW; x0 += kRotateTile) {
                const int x1 = std::min(newW, x0 + kRotateTile);
                for (int y = y0; y < y1; ++y) {
                    uint32_t* d = dst.row(y);
                    if (Clockwise)
                        for (int x = x0; x < x1; ++x)
                            d[x] = src.at(y, newW - 1 - x);
                    else
                        for (int x = x0; x < x1; ++x)
                            d[x] = src.at(newH - 1 - y, x);
                }
            }
        }
    });
    return std::make_shared<const SkImage>(std::move(out), Image->isOpaque());
}

ISkImage ScaleImageTo(const ISkImage& Image, int Width, int Height)
{
    return ResampleImageCubic(Image, Width, Height, kMitchellB, kMitchellC);
}

void CopySkImageRegionToBitmap(const ISkImage& Image, QImage* Bitmap, int X, int Y)
{
    SkPixmap src;
    if (!Image || !Bitmap || Bitmap->isNull() || !Image->peekPixels(src))
        return;
    // The region is intersected with the picture in 64-bit, so no origin or
    // bitmap size can overflow or read outside it.
    const int64_t left = std::max<int64_t>(X, 0), top = std::max<int64_t>(Y, 0);
    const int64_t right = std::min<int64_t>(int64_t(X) + Bitmap->width(), src.width);
    const int64_t bottom = std::min<int64_t>(int64_t(Y) + Bitmap->height(), src.height);
    if (right <= left || bottom <= top)
        return;
    if (Bitmap->format() != QImage::Format_ARGB32_Premultiplied) {
        *Bitmap = Bitmap->convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (Bitmap->isNull())
            throw std::bad_alloc();
    }
    const size_t rowLen = size_t(right - left) * 4;
    for (int64_t y = top; y < bottom; ++y)
        std::memcpy(Bitmap->scanLine(int(y - Y)) + (left - X) * 4, src.row(int(y)) + left, rowLen);
}

void SmoothCyclicIntArray(std::span<int> Values, int Count, float Sigma)
{
    Count = int(std::min<size_t>(size_t(std::max(Count, 0)), Values.size()));
    if (Count <= 0 || !(Sigma > 0))
        return;
    float weight[7];
    for (int k = -3; k <= 3; ++k) {
        const double r = k / double(Sigma);
        weight[k + 3] = float(std::exp(-0.5 * r * r));
    }
    std::vector<int> means(static_cast<size_t>(Count));
    for (int i = 0; i < Count; ++i) {
        float sum = 0, total = 0;
        for (int k = -3; k <= 3; ++k) {
            const int j = ((i + k) % Count + Count) % Count;
            sum = float(double(sum) + double(weight[k + 3]) * Values[size_t(j)]);
            total = float(double(total) + double(weight[k + 3]));
        }
        means[size_t(i)] = Round(float(double(sum) / double(total)));
    }
    std::copy(means.begin(), means.end(), Values.begin());
}

void LoadBrushMask(const QImage* Image, std::vector<uint8_t>& Mask, int& W, int& H, const QString& FileName)
{
    if (Image && !Image->isNull()) {
        QImage pixels = *Image;
        if (pixels.format() != QImage::Format_ARGB32_Premultiplied && pixels.format() != QImage::Format_ARGB32) {
            pixels = pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            if (pixels.isNull())
                throw std::bad_alloc();
        }
        ReadAlphaMask(PixmapOf(pixels), Mask, W, H);
        return;
    }
    if (!FileName.isEmpty() && QFileInfo::exists(FileName)) {
        const ISkImage file = DecodeImageFile(FileName);
        SkPixmap pixels;
        if (!file || !file->peekPixels(pixels))
            throw Exception("Cannot load the brush mask \"" + FileName.toStdString() + "\"");
        ReadAlphaMask(pixels, Mask, W, H);
        return;
    }
    DefaultBrushMask(Mask, W, H);
}

} // namespace pv
