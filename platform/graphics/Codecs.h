#pragma once
// Decoding image files into premultiplied rasters and encoding pictures.

#include "platform/graphics/SkTypes.h"

#include <QByteArray>
#include <QSize>
#include <QString>

namespace pv {

enum class ImageFileFormat { Unknown, Jpeg, Png, Webp };

// ".jpg"/".jpeg" JPEG, ".png" PNG, ".webp" WebP (any letter case); Unknown otherwise.
ImageFileFormat FormatFromExtension(const QString& path);

// What a decode noticed besides the picture.
struct TDecodeNotes {
    // The file ends before its picture data does (a download or copy cut
    // short): the missing part of the picture is filled in plain grey (JPEG)
    // or black (GIF); or a PNG's chunk claims more bytes than the file has.
    bool Damaged = false;
};

// Decodes JPEG, PNG, BMP, GIF, WebP or TIFF. Returns null when the file is
// missing, empty, truncated beyond use or not a picture. Throws std::bad_alloc
// when the picture does not fit in memory. Every picture comes out upright
// (its orientation tag applied) and in sRGB (an embedded colour profile
// converted).
ISkImage DecodeImageFile(const QString& path, TDecodeNotes* notes = nullptr);
ISkImage DecodeImageData(const QByteArray& data, TDecodeNotes* notes = nullptr);

// True for JPEG data that ends before the end of its first scan's data.
bool IsTruncatedJpeg(const QByteArray& data);
// True for GIF data cut short before its trailer.
bool IsTruncatedGif(const QByteArray& data);

// The same for pictures from untrusted places (user brushes, archives): a
// picture wider or taller than maxSide is refused (null) from its header,
// before any pixel memory is taken, and never reported as out of memory.
// tooLarge, when given, receives the size of a picture refused for its size
// and stays empty for anything else that gives no picture.
ISkImage DecodeImageFileWithin(const QString& path, int maxSide, QSize* tooLarge = nullptr);
ISkImage DecodeImageDataWithin(const QByteArray& data, int maxSide, QSize* tooLarge = nullptr);

// Encodes to memory. quality (0..100) applies to JPEG and WebP; PNG is always
// lossless and written with a fast compression level. False on failure.
bool EncodeImage(const ISkImage& image, ImageFileFormat format, int quality, QByteArray& out);

} // namespace pv
