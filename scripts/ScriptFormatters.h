#pragma once
// One script line each, from values chosen in the script editor. Every line
// parses back to the same values (with the same regional settings), except a
// text or file name that itself holds a double quote.

#include <QString>

namespace pv {

// "EFFECT n P1 P2 P3 P4 P5"
QString FormatEffectLine(int EffectNumber, int P1, int P2, int P3, int P4, int P5);
// "BLEND slot opacity [mode]"
QString FormatBlendLine(const QString& Slot, int Opacity, const QString& Mode);
// "TEXTURE [#index] strength scale", or "TEXTURE" alone for a negative
// strength or a scale that is not 0 or more.
QString FormatTextureLine(int Index, int Strength, float Scale);
// "FRAME [#index] [margin [colour]]"
QString FormatFrameLine(int Index, int Margin, const QString& Color);
// "FRAME brushstrokes width [colour] [brush=size]"
QString FormatBrushFrameLine(int Width, const QString& Color, int BrushSize);
// TEXT x y "text"
QString FormatTextLine(const QString& X, const QString& Y, const QString& Text);
// WATERMARK x y "file" alpha=a%
QString FormatWatermarkLine(const QString& X, const QString& Y, const QString& FileName, int Alpha);
// FONT name size [style] [colour], the name quoted when it holds a space.
QString FormatFontLine(const QString& Name, float Size, const QString& Style, const QString& Color);

} // namespace pv
