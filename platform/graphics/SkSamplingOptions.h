#pragma once
// How a picture is sampled when drawn scaled or transformed.

namespace pv {

enum class SkFilterMode { kNearest, kLinear };
enum class SkMipmapMode { kNone, kNearest, kLinear };

struct SkSamplingOptions {
    SkFilterMode filter = SkFilterMode::kNearest;
    SkMipmapMode mipmap = SkMipmapMode::kNone;
    bool useCubic = false;
    float B = 0, C = 0;

    static SkSamplingOptions Nearest() { return {}; }
    static SkSamplingOptions Linear() { return {SkFilterMode::kLinear, SkMipmapMode::kNone, false, 0, 0}; }
    // Linear filtering with the nearest mipmap level.
    static SkSamplingOptions LinearMipmapNearest() { return {SkFilterMode::kLinear, SkMipmapMode::kNearest, false, 0, 0}; }
    static SkSamplingOptions Cubic(float b, float c) { return {SkFilterMode::kLinear, SkMipmapMode::kNone, true, b, c}; }
    // Mitchell-Netravali, the "high quality" setting.
    static SkSamplingOptions Mitchell() { return Cubic(1.0f / 3.0f, 1.0f / 3.0f); }
    static SkSamplingOptions CatmullRom() { return Cubic(0.0f, 0.5f); }
};

} // namespace pv
