#pragma once
// The gallery's pictures: every snapshot of the history (and every file the
// user adds) as a small thumbnail made once, plus the picture kept encoded the
// way the history keeps it and decoded only when it is needed (set as result
// or source, dragged onto the canvas, seen through the magnifier). A session
// of a hundred 12-MP steps thus holds a few megabytes of thumbnails and the
// compressed pictures, never a full raster per step.

#include "platform/graphics/SkTypes.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace pv {

// True when two pictures differ: both missing never differ, one missing
// always does; the same picture (unique id) never differs, different sizes
// always do, an empty size never does. Otherwise up to SampleCount pixels
// (at least 1, at most width x height) at places drawn by a 32-bit xorshift
// seeded from the two ids and the size are compared; the first unequal pixel
// is a difference. Symmetric and deterministic for a pair of pictures.
bool ImagesDiffer(const ISkImage& A, const ISkImage& B, int SampleCount);

// The picture at TargetW x TargetH: unchanged when it has that size, else
// drawn unscaled and centred on opaque white (a larger picture is cropped
// around its centre, a smaller one framed in white).
ISkImage FitImageToSize(const ISkImage& AImage, int TargetW, int TargetH);

struct TGalleryItem {
    QImage Thumbnail;   // fits the thumbnail's picture area, premultiplied
    QByteArray Encoded; // the picture as the history stores it; empty once dropped for the budget
    int Width = 0, Height = 0;
    bool IsSource = false;
    // The hint's first line: a file name (without folder), or the English
    // "Source image" / "Pelandrovium image", translated when shown.
    QString ShortName;
    bool NameIsFile = false;
};

class TGalleryItems {
public:
    // Side of the square the thumbnails are made to fit (device pixels of a
    // 102-pixel thumbnail on a display of scale 2).
    static constexpr int kThumbnailSide = 204;
    // The compressed pictures the gallery keeps for its newest items: about
    // seventy 12-MP steps, the part of the history's hundred the strip shows
    // first (shared with the history while it holds them).
    static constexpr int64_t kPictureBudgetBytes = int64_t(256) << 20;

    explicit TGalleryItems(int64_t pictureBudgetBytes = kPictureBudgetBytes) : budget_(pictureBudgetBytes) {}

    // Inserts at the front (index 0 = newest). Encoded may be empty, in which
    // case the picture is encoded here. Nothing for a missing or empty picture
    // or one that cannot be encoded. FileName may hold a folder.
    bool Add(const ISkImage& Picture, QByteArray Encoded, bool IsSource, const QString& FileName);
    int Count() const { return int(items_.size()); }
    bool IsValidIndex(int index) const { return index >= 0 && index < Count(); }
    const TGalleryItem& Item(int index) const { return items_[size_t(index)]; }
    // The full picture of an item, decoded (the last one decoded is kept for
    // the next call); null for an invalid index, undecodable bytes or a
    // picture dropped for the budget.
    ISkImage Picture(int index);
    // False once the item keeps only its thumbnail.
    bool HasPicture(int index) const { return IsValidIndex(index) && !items_[size_t(index)].Encoded.isEmpty(); }
    void Clear();

    // Bytes the gallery keeps: thumbnails, encoded pictures and the one
    // decoded picture it may hold.
    int64_t RetainedBytes() const;

    // The thumbnail of a picture: fits kThumbnailSide, never enlarged.
    static QImage MakeThumbnail(const ISkImage& Picture);

private:
    void KeepPicturesWithinBudget();

    int64_t budget_;
    std::vector<TGalleryItem> items_;
    // The decoded picture of one item, by its position counted from the
    // oldest (stable while items are inserted at the front).
    ISkImage decoded_;
    int decodedFromOldest_ = -1;
};

} // namespace pv
