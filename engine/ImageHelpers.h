#pragma once
// Small picture helpers the effects and the main window share: byte clamping,
// quarter turns, scaling, copying into a bitmap, cyclic smoothing and brush masks.

#include "platform/graphics/SkImage.h"
#include "platform/system/Numbers.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace pv {

inline uint8_t ClampByte(int value) { return ClampToByte(value); }

// A picture's area over the 12-megapixel reference size (4000 x 3000). Work
// budgets that were tuned at the reference size scale with it, so a small
// picture (or a preview's crop) gets the same work per pixel as a large one.
inline double ReferenceAreaScale(int w, int h) { return double(w) * double(h) / (4000.0 * 3000.0); }

// The picture turned by 90 degrees (width and height swapped); null when its
// pixels cannot be read.
ISkImage RotateImage90(const ISkImage& Image, bool Clockwise);

// The picture scaled to Width x Height with Mitchell cubic resampling (the
// aspect ratio is not kept). Null for a missing picture or an empty size.
ISkImage ScaleImageTo(const ISkImage& Image, int Width, int Height);

// Copies the picture's pixels from (X, Y) on into the bitmap, bitmap pixel
// (0, 0) taking picture pixel (X, Y). Only the part that exists in both is
// written (a negative origin leaves the bitmap's first rows and columns alone);
// the rest of the bitmap keeps its pixels. The bitmap is premultiplied ARGB32
// afterwards and keeps its size.
void CopySkImageRegionToBitmap(const ISkImage& Image, QImage* Bitmap, int X, int Y);

// Replaces the first Count values by a Gaussian-weighted mean over their seven
// cyclic neighbours. Count is limited to the array's size; nothing changes for
// Count <= 0 or Sigma <= 0.
void SmoothCyclicIntArray(std::span<int> Values, int Count, float Sigma);

// The brush mask (alpha bytes, row after row, W x H): from the image when it is
// not empty, else from the file when it exists, else a 32 x 32 cone. A file
// that exists but cannot be decoded raises an Exception.
void LoadBrushMask(const QImage* Image, std::vector<uint8_t>& Mask, int& W, int& H, const QString& FileName);

} // namespace pv
