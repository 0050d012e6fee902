#pragma once
// Effect runs on worker threads: full renders of the whole source, whose
// result becomes the new result picture and a history snapshot, and previews
// of the part of the source shown in the magnified preview box.

#include <QRect>

namespace pv {

// Starts an effect run on the main window's pictures and returns at once.
// UI thread only.
void ProcessEffect(int EffectNumber, int P1, int P2, int P3, int P4, int P5, bool Preview);

// Keeps workers from starting effects (the main window is being destroyed).
void StopAllEffects();

// The preview crop: clamps the window's start point (W, H the source size,
// display the preview box size) and returns the source region to render, or
// an empty rectangle when there is none.
struct PreviewCropInput {
    int sourceWidth, sourceHeight;
    int displayWidth, displayHeight;
    float zoom;
    int startX, startY;
};
struct PreviewCrop {
    int startX, startY; // the clamped start the window keeps
    QRect region;       // the crop, empty when nothing is left
};
PreviewCrop ComputePreviewCrop(const PreviewCropInput& in);

} // namespace pv
