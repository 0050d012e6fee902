#pragma once
// Drawing on a surface with the 2D library's conventions: straight-alpha
// paint colours, explicit blend modes, a matrix and clip stack with
// save/restore, layers, image sampling of its own (nearest, linear, mipmapped
// linear, cubic) and filters.
//
// Geometry is rasterised by QPainter. Drawings QPainter can do exactly
// (a solid colour, a blend mode with the same formula, no coverage clip) go
// straight through it; everything else renders the drawing's coverage into a
// mask and blends it in the layer's own code (shaders, colour filters on
// shapes, mask filters, SoftLight/ColorDodge/ColorBurn/Modulate and the
// non-separable modes, anti-aliased clips). Images are always drawn by the
// layer's own rasteriser.

#include "platform/graphics/SkBlendMode.h"
#include "platform/graphics/SkFont.h"
#include "platform/graphics/SkMatrix.h"
#include "platform/graphics/SkPaint.h"
#include "platform/graphics/SkPath.h"
#include "platform/graphics/SkSamplingOptions.h"
#include "platform/graphics/SkTypes.h"

#include <QPainter>

#include <memory>
#include <vector>

class QImage;

namespace pv {

struct SkClipMask;

enum class SkSrcRectConstraint {
    kStrict, // sampling never reads outside the source rectangle
    kFast,   // sampling may read neighbouring pixels of the picture
};

enum class SkPointMode {
    kPoints,  // each point a dot of the stroke width (round or square by the cap)
    kLines,   // pairs of points as separate segments
    kPolygon, // one open polyline
};

// A layer with optional bounds, paint (applied when the layer is restored)
// and backdrop (a filter of what lies below, which the layer starts from).
struct SkSaveLayerRec {
    const SkRect* bounds = nullptr;
    const SkPaint* paint = nullptr;
    ISkImageFilter backdrop;
};

class SkCanvas {
public:
    explicit SkCanvas(QImage* target);
    ~SkCanvas();
    SkCanvas(const SkCanvas&) = delete;
    SkCanvas& operator=(const SkCanvas&) = delete;

    int width() const;
    int height() const;

    // ---- state
    // Returns the save count before the save.
    int save();
    void restore();
    int getSaveCount() const { return int(stack_.size()); }
    void restoreToCount(int count);
    // A layer the size of bounds (local coordinates; null = the clip). The
    // paint's alpha, blend mode, colour filter and image filter apply when it
    // is restored. Returns the save count before the save.
    int saveLayer(const SkRect* bounds, const SkPaint* paint);
    int saveLayerAlpha(const SkRect* bounds, uint8_t alpha);
    int saveLayer(const SkSaveLayerRec& rec);

    void translate(float dx, float dy);
    void scale(float sx, float sy);
    // Degrees, clockwise on screen.
    void rotate(float degrees);
    void rotate(float degrees, float px, float py);
    void skew(float sx, float sy);
    void concat(const SkMatrix& m);
    void setMatrix(const SkMatrix& m);
    void resetMatrix();
    const SkMatrix& getTotalMatrix() const;

    // Clips intersect with the current clip. Anti-aliased clips keep partial
    // coverage along their edges.
    void clipRect(const SkRect& rect, bool antiAlias = false);
    void clipRRect(const SkRRect& rrect, bool antiAlias = false);
    void clipPath(const SkPath& path, bool antiAlias = false);
    // Device pixels that drawing may still change (empty when clipped away).
    SkIRect getDeviceClipBounds() const;
    // The same in local coordinates (bounding box).
    SkRect getLocalClipBounds() const;

    // ---- drawing
    // Replaces every pixel inside the clip by the colour (no blending).
    void clear(TAlphaColor color);
    void drawColor(TAlphaColor color, SkBlendMode mode = SkBlendMode::kSrcOver);
    // Fills the whole clip with the paint.
    void drawPaint(const SkPaint& paint);

    void drawRect(const SkRect& rect, const SkPaint& paint);
    void drawRRect(const SkRRect& rrect, const SkPaint& paint);
    void drawRoundRect(const SkRect& rect, float rx, float ry, const SkPaint& paint);
    void drawCircle(float cx, float cy, float radius, const SkPaint& paint);
    void drawOval(const SkRect& oval, const SkPaint& paint);
    // Angles in degrees, clockwise from the x axis; useCenter closes a wedge.
    void drawArc(const SkRect& oval, float startDegrees, float sweepDegrees, bool useCenter, const SkPaint& paint);
    void drawPath(const SkPath& path, const SkPaint& paint);
    // Lines and points are always stroked, whatever the paint's style.
    void drawLine(float x0, float y0, float x1, float y1, const SkPaint& paint);
    void drawPoints(SkPointMode mode, int count, const SkPoint points[], const SkPaint& paint);
    void drawPoint(float x, float y, const SkPaint& paint);

    void drawImage(const ISkImage& image, float x, float y, const SkPaint* paint = nullptr);
    void drawImage(const ISkImage& image, float x, float y, const SkSamplingOptions& sampling,
                   const SkPaint* paint = nullptr);
    void drawImageRect(const ISkImage& image, const SkRect& src, const SkRect& dst, const SkSamplingOptions& sampling,
                       const SkPaint* paint = nullptr, SkSrcRectConstraint constraint = SkSrcRectConstraint::kStrict);
    void drawImageRect(const ISkImage& image, const SkRect& dst, const SkSamplingOptions& sampling,
                       const SkPaint* paint = nullptr);
    // Nine-patch: the corners of `center`'s surroundings keep their size, the
    // edges stretch along one axis and the centre along both.
    void drawImageNine(const ISkImage& image, const SkIRect& center, const SkRect& dst, SkFilterMode filter,
                       const SkPaint* paint = nullptr);

    // Text with its baseline origin at (x, y); always anti-aliased.
    void drawSimpleText(const QString& text, float x, float y, const SkFont& font, const SkPaint& paint);
    void drawString(const QString& text, float x, float y, const SkFont& font, const SkPaint& paint)
    {
        drawSimpleText(text, x, y, font, paint);
    }
    void drawTextBlob(const ISkTextBlob& blob, float x, float y, const SkPaint& paint);

    // Drawing is immediate; flush only lets go of the target's QPainter (when
    // no layer is open), so other code may paint on the raster afterwards.
    void flush();

    // The painter the current layer draws through, begun on first use and set
    // to the canvas matrix and (rectangular part of the) clip.
    QPainter& painter();
    // True while no transform, clip or layer is active, so code may write
    // pixels of the target directly.
    bool isIdentityUnclipped();

private:
    struct Layer;
    struct ClipState {
        SkIRect bounds;                           // device
        std::shared_ptr<const SkClipMask> mask;   // anti-aliased coverage, or null
    };
    struct Rec {
        SkMatrix matrix;
        ClipState clip;
        std::unique_ptr<Layer> layer; // the layer this save made, restored with it
    };
    // What a shape drawing hands to the rasteriser.
    struct Shape {
        QPainterPath path;       // local coordinates
        bool forceStroke = false;
        bool isRect = false;     // path is exactly `rect`
        SkRect rect;
    };

    Rec& top() { return stack_.back(); }
    const Rec& top() const { return stack_.back(); }
    Layer& currentLayer();
    const Layer& currentLayer() const;
    void drawShape(const Shape& shape, const SkPaint& paint);
    bool drawShapeWithQPainter(const Shape& shape, const SkPaint& paint, bool stroke, bool fill);
    void drawShapeByCoverage(const Shape& shape, const SkPaint& paint, bool stroke, bool fill);
    void drawWithImageFilter(const SkIRect& deviceBounds, const SkPaint& paint, auto&& draw);
    void compositeLayerImage(const struct SkFilterImage& image, const SkPaint& paint, const ClipState& clip);
    void syncPainter(Layer& layer);
    void applyClipMask(std::shared_ptr<const SkClipMask> mask, const SkIRect& bounds);
    void fillClip(TAlphaColor color, SkBlendMode mode);

    QImage* target_;
    std::vector<Rec> stack_;
};

} // namespace pv
