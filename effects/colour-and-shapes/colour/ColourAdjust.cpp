#include "effects/colour-and-shapes/colour/ColourAdjust.h"

#include <cmath>

namespace pv {

std::array<float, 20> ColourAdjustMatrix(float brightness, float contrast, float saturation)
{
    std::array<float, 20> m = IdentityColorMatrix();
    if (std::fabs(contrast - 1.0f) > 0.001f) {
        for (int row = 0; row < 3; ++row) {
            m[size_t(row * 5 + row)] = contrast;
            m[size_t(row * 5 + 4)] = (1.0f - contrast) * 0.5f;
        }
    }
    if (std::fabs(brightness) > 0.001f)
        for (int row = 0; row < 3; ++row)
            m[size_t(row * 5 + 4)] += brightness;
    if (std::fabs(saturation - 1.0f) > 0.001f) {
        const float s = saturation, k = 1.0f - s;
        const float sat[3][3] = {{0.213f * k + s, 0.715f * k, 0.072f * k},
                                 {0.213f * k, 0.715f * k + s, 0.072f * k},
                                 {0.213f * k, 0.715f * k, 0.072f * k + s}};
        // Saturation acts on the contrast and brightness result: sat x m.
        std::array<float, 20> out = m;
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 5; ++col)
                out[size_t(row * 5 + col)] = sat[row][0] * m[size_t(col)] + sat[row][1] * m[size_t(5 + col)] +
                                             sat[row][2] * m[size_t(10 + col)];
        m = out;
    }
    return m;
}

std::array<float, 9> SharpenKernel(float a) { return {0, -a, 0, -a, 4 * a + 1, -a, 0, -a, 0}; }

ISkImageFilter MakeColourAdjustFilter(const TColourAdjust& adjust, SkTileMode blurTile)
{
    const std::array<float, 20> matrix = ColourAdjustMatrix(adjust.brightness, adjust.contrast, adjust.saturation);
    ISkImageFilter filter = SkImageFilters::ColorFilter(SkColorFilters::Matrix(matrix.data()));
    if (adjust.blurSigma > 0) {
        return SkImageFilters::Blur(adjust.blurSigma, adjust.blurSigma, blurTile, filter);
    }
    if (adjust.sharpen > 0) {
        const std::array<float, 9> kernel = SharpenKernel(adjust.sharpen);
        return SkImageFilters::MatrixConvolution({3, 3}, kernel.data(), 1.0f, 0.0f, {1, 1}, SkTileMode::kClamp,
                                                 true, filter);
    }
    return filter;
}

} // namespace pv
