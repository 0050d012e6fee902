#include "workspace/gallery/GalleryItems.h"

#include "engine/ImageHistory.h"
#include "platform/graphics/Resample.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"

#include <QFileInfo>

#include <algorithm>

namespace pv {

namespace {

// One pixel as premultiplied BGRA, read in place when the picture allows it.
struct PixelReader {
    explicit PixelReader(const ISkImage& image) : image_(image)
    {
        inPlace_ = image->peekPixels(pm_) && pm_.valid() && pm_.rowBytes >= size_t(pm_.width) * 4;
    }
    bool Read(int x, int y, uint32_t& out) const
    {
        if (inPlace_) {
            out = pm_.at(x, y);
            return true;
        }
        return image_->readPixels(&out, 4, x, y, 1, 1);
    }

private:
    const ISkImage& image_;
    SkPixmap pm_;
    bool inPlace_ = false;
};

} // namespace

bool ImagesDiffer(const ISkImage& A, const ISkImage& B, int SampleCount)
{
    if (!A && !B)
        return false;
    if (!A || !B)
        return true;
    if (A->uniqueID() == B->uniqueID())
        return false;
    const int w = A->width(), h = A->height();
    if (w != B->width() || h != B->height())
        return true;
    if (w <= 0 || h <= 0)
        return false;

    uint32_t s = uint32_t(A->uniqueID() ^ B->uniqueID()) ^ (uint32_t(w) * 73856093u) ^ (uint32_t(h) * 19349663u);
    const int64_t n = std::min<int64_t>(std::max(SampleCount, 1), int64_t(w) * h);
    const auto next = [&s] {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    };
    const PixelReader a(A), b(B);
    for (int64_t i = 0; i < n; ++i) {
        const int x = int(next() % uint32_t(w));
        const int y = int(next() % uint32_t(h));
        uint32_t pa = 0, pb = 0;
        if (!a.Read(x, y, pa) || !b.Read(x, y, pb) || pa != pb)
            return true;
    }
    return false;
}

ISkImage FitImageToSize(const ISkImage& AImage, int TargetW, int TargetH)
{
    if (!AImage || (AImage->width() == TargetW && AImage->height() == TargetH))
        return AImage;
    const ISkSurface surface = SkSurface::MakeRaster(TargetW, TargetH);
    if (!surface)
        return nullptr;
    SkCanvas* canvas = surface->getCanvas();
    canvas->clear(kColorWhite);
    canvas->drawImage(AImage, float(TargetW - AImage->width()) / 2.0f, float(TargetH - AImage->height()) / 2.0f);
    return surface->makeImageSnapshot();
}

QImage TGalleryItems::MakeThumbnail(const ISkImage& Picture)
{
    if (!Picture || Picture->width() <= 0 || Picture->height() <= 0)
        return {};
    const int w = Picture->width(), h = Picture->height();
    if (w <= kThumbnailSide && h <= kThumbnailSide)
        return Picture->qimage().copy();
    const double scale = std::min(double(kThumbnailSide) / w, double(kThumbnailSide) / h);
    const int tw = std::max(1, int(w * scale + 0.5)), th = std::max(1, int(h * scale + 0.5));
    const ISkImage small = ResampleImageCubic(Picture, tw, th, kMitchellB, kMitchellC);
    return small ? small->qimage().copy() : QImage();
}

bool TGalleryItems::Add(const ISkImage& Picture, QByteArray Encoded, bool IsSource, const QString& FileName)
{
    if (!Picture || Picture->width() <= 0 || Picture->height() <= 0)
        return false;
    if (Encoded.isEmpty())
        Encoded = EncodeHistoryPicture(Picture);
    if (Encoded.isEmpty())
        return false;
    TGalleryItem item;
    item.Thumbnail = MakeThumbnail(Picture);
    if (item.Thumbnail.isNull())
        return false;
    item.Encoded = std::move(Encoded);
    item.Width = Picture->width();
    item.Height = Picture->height();
    item.IsSource = IsSource;
    item.NameIsFile = !FileName.isEmpty();
    item.ShortName = item.NameIsFile ? QFileInfo(FileName).fileName()
                                     : QString::fromLatin1(IsSource ? "Source image" : "Pelandrovium image");
    items_.insert(items_.begin(), std::move(item));
    KeepPicturesWithinBudget();
    return true;
}

void TGalleryItems::KeepPicturesWithinBudget()
{
    int64_t kept = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        QByteArray& encoded = items_[i].Encoded;
        if (encoded.isEmpty())
            continue;
        // The newest item always keeps its picture, whatever its size.
        if (i > 0 && kept + encoded.size() > budget_) {
            encoded = QByteArray();
            if (decodedFromOldest_ == Count() - 1 - int(i)) {
                decoded_ = nullptr;
                decodedFromOldest_ = -1;
            }
            continue;
        }
        kept += encoded.size();
    }
}

ISkImage TGalleryItems::Picture(int index)
{
    if (!IsValidIndex(index))
        return nullptr;
    const int fromOldest = Count() - 1 - index;
    if (decoded_ && decodedFromOldest_ == fromOldest)
        return decoded_;
    decoded_ = nullptr; // the old one goes before the new one is made
    decodedFromOldest_ = -1;
    if (items_[size_t(index)].Encoded.isEmpty())
        return nullptr;
    ISkImage picture = DecodeHistoryPicture(items_[size_t(index)].Encoded);
    if (picture) {
        decoded_ = picture;
        decodedFromOldest_ = fromOldest;
    }
    return picture;
}

void TGalleryItems::Clear()
{
    items_.clear();
    decoded_ = nullptr;
    decodedFromOldest_ = -1;
}

int64_t TGalleryItems::RetainedBytes() const
{
    int64_t bytes = 0;
    for (const TGalleryItem& item : items_)
        bytes += item.Thumbnail.sizeInBytes() + item.Encoded.size();
    if (decoded_)
        bytes += decoded_->qimage().sizeInBytes();
    return bytes;
}

} // namespace pv
