#pragma once
// The built-in pictures, each drawn from fixed seeds. Sizes are parameters
// where the program reads the picture at one size but a smaller copy is
// enough elsewhere.

#include <QImage>

namespace resgen {

// Textures (opaque). The paper and cloth ones tile seamlessly.
QImage CanvasTexture(int w, int h);
QImage PaperTexture(int w, int h);
QImage ImpastoTexture(int w, int h);
QImage WatercolorPaperTexture(int w, int h, unsigned seed);
QImage CardboardTexture(int w, int h);
QImage FabricTexture(int w, int h);
// A graphite shading strip, dark on the left to paper white on the right:
// the mean grey of column x is about x / 2 for a 512-pixel-wide strip.
QImage PencilTexture(int w, int h);
// Mid-grey film grain with dust, hairs and scratches.
QImage FilmGrainTexture(int w, int h);

// Brush sheets: 256 x 256 cells, 8 per row, dark marks whose alpha is the brush.
QImage DefaultBrushSheet();
QImage WatercolorBrushSheet();
QImage PastelBrushSheet();
// 38 dark marks on white, 250 x 250 cells, 5 per row, 1250 x 2000.
QImage TemplateMatchingAtlas();
// A soft bristle dab whose alpha is the mask.
QImage BrushMask(int w, int h, unsigned seed);

// Decorative frame number 1..9 with a transparent opening.
QImage Frame(int number);

} // namespace resgen
