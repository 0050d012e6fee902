#pragma once
// Edge-preserving smoothing: every pixel becomes a weighted mean of the pixels
// around it whose colour is close to its own, over several passes.

#include "engine/Effect.h"

#include <functional>

namespace pv {

// Smooths Surface in place. Guide (when given and of the working size) decides
// which colours count as similar; otherwise each pass compares colours in its
// own input. Neighbours within SimilarityThreshold (Euclidean RGB distance)
// take part with a Gaussian spatial weight, times a colour-difference weight
// when UseBilateral is set. PrivateThreadCount > 0 runs the passes on a pool
// of that many threads made for the call. OnProgress is told the fraction of
// passes begun, before each pass. Downsample > 1 works on a copy scaled down by
// that factor (never with a guide, nor when the copy would be smaller than
// twice the window) and draws the result back over the surface.
void SimilaritySmoothSurface_MT(const ISkSurface& Surface, const ISkImage& Guide, int Radius, int SimilarityThreshold,
                                int Iterations, bool UseBilateral, float SpatialSigma, float RangeSigma,
                                int PrivateThreadCount, const std::function<void(float)>& OnProgress, int Downsample);

// The factor actually used for a surface of W x H (1 when the copy would be too small).
int SimilaritySmoothFactor(int W, int H, int Radius, int Downsample, bool HasGuide);

} // namespace pv
