#pragma once
// Drawing on a surface: a thin canvas over QPainter with the 2D library's
// conventions (straight-alpha paint colours, explicit blend modes, save/restore).

#include "platform/graphics/SkTypes.h"

#include <QPainter>

#include <optional>

class QImage;

namespace pv {

enum class SkBlendMode {
    kClear, kSrc, kDst, kSrcOver, kDstOver, kSrcIn, kDstIn, kSrcOut, kDstOut, kSrcATop, kDstATop, kXor,
    kPlus, kModulate, kScreen, kOverlay, kDarken, kLighten, kColorDodge, kColorBurn, kHardLight, kSoftLight,
    kDifference, kExclusion, kMultiply, kHue, kSaturation, kColor, kLuminosity,
};

// The QPainter composition mode with the same formula, if there is one.
std::optional<QPainter::CompositionMode> QtCompositionMode(SkBlendMode mode);

enum class SkPaintStyle { kFill, kStroke };
enum class SkStrokeCap { kButt, kRound, kSquare };
enum class SkStrokeJoin { kMiter, kRound, kBevel };

enum class SkFilterMode { kNearest, kLinear };
enum class SkMipmapMode { kNone, kNearest, kLinear };

// How an image is sampled when scaled or transformed.
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

struct SkPaint {
    TAlphaColor color = kColorBlack;
    SkBlendMode blendMode = SkBlendMode::kSrcOver;
    bool antiAlias = false;
    SkPaintStyle style = SkPaintStyle::kFill;
    float strokeWidth = 0;
    SkStrokeCap cap = SkStrokeCap::kButt;
    SkStrokeJoin join = SkStrokeJoin::kMiter;
    float miterLimit = 4;

    SkPaint() = default;
    explicit SkPaint(TAlphaColor c) : color(c) {}
    // Multiplies into the colour's alpha (0..1), as the 2D library's setAlphaf.
    void setAlphaf(float a);
};

class SkCanvas {
public:
    explicit SkCanvas(QImage* target);
    ~SkCanvas();
    SkCanvas(const SkCanvas&) = delete;
    SkCanvas& operator=(const SkCanvas&) = delete;

    int width() const;
    int height() const;

    // Replaces every pixel inside the clip by the colour (no blending).
    void clear(TAlphaColor color);
    void drawColor(TAlphaColor color, SkBlendMode mode = SkBlendMode::kSrcOver);

    void save();
    void restore();
    void translate(float dx, float dy);
    void scale(float sx, float sy);
    void rotate(float degrees);
    void clipRect(const SkRect& rect, bool antiAlias = false);

    void drawRect(const SkRect& rect, const SkPaint& paint);
    void drawImage(const ISkImage& image, float x, float y, const SkPaint* paint = nullptr);
    void drawImageRect(const ISkImage& image, const SkRect& src, const SkRect& dst,
                       const SkSamplingOptions& sampling, const SkPaint* paint = nullptr);

    // The painter the layer draws through, begun on first use.
    QPainter& painter();
    // True while no transform or clip is active, so code may write pixels directly.
    bool isIdentityUnclipped();

private:
    void applyPaint(const SkPaint& paint);
    QImage* target_;
    QPainter painter_;
    int saveDepth_ = 0;
};

} // namespace pv
