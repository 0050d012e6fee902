#pragma once
// The texture overlay: a paper, canvas or fabric texture laid over a finished picture.

#include "platform/graphics/SkImage.h"

#include <QImage>

#include <vector>

namespace pv {

// Grey levels [row][column].
using T2DIntArray = std::vector<std::vector<int>>;

// The bitmap's grey levels, round(0.299 R + 0.587 G + 0.114 B) of each pixel's
// straight colour, and their integer mean. A missing or empty bitmap gives an
// empty grid and mean 128.
void BitmapToGrayArray(const QImage* Bitmap, T2DIntArray& Grid, int& Mean);

// Picture pixels one texture tile covers along an axis: round(size x Scale), at least 1.
int TextureTileSize(int TextureSize, float Scale);

// A texture's grey levels with their mean, made once per texture and kept by
// whoever applies it repeatedly (the texture panel's preview).
struct TTextureGrey {
    T2DIntArray Grid;
    int Mean = 128;
    int width() const { return Grid.empty() ? 0 : int(Grid[0].size()); }
    int height() const { return int(Grid.size()); }
    bool empty() const { return width() == 0 || height() == 0; }
};
TTextureGrey MakeTextureGrey(const QImage* Texture);

// The texture's relief over the picture: the grey tiles start Offset picture
// pixels before the picture's top-left corner along both axes. Strength is a
// fraction (0.5 for 50 %). Image stays as it was for a missing picture, an
// empty grey grid and a scale that is not a positive finite number.
void ApplyTextureGrey(ISkImage& Image, const TTextureGrey& Grey, float Strength, float Scale, int Offset);

// Tiles the texture's grey levels over the picture (Scale picture pixels per
// texture pixel, bilinear, from a random offset) and shifts the colour of every
// non-transparent pixel by StrengthPercent / 100 x (mean grey - local grey):
// a texel brighter than the texture's mean darkens the picture there. Image is
// replaced by the result; it stays as it was for a missing picture, a missing
// or empty texture and a scale that is not a positive finite number. Draws
// once from the process-wide random generator when it runs.
void ApplyCustomTexture(ISkImage& Image, const QImage* Texture, int StrengthPercent, float Scale);

} // namespace pv
