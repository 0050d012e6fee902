#pragma once
// The text and watermark tool of the canvas: one line of text and one
// picture placed over the result, moved by dragging, resized by their corner
// handles and, for the watermark, faded with a small slider drawn under it.
// Nothing touches the picture until Burn draws the watermark and then the
// text into a copy. Positions and sizes are kept in picture pixels, so the
// zoom changes only how the overlay is shown, never what is burnt in.
//
// Both share one canvas tool, so the text (drawn last, on top) also takes
// the mouse first.

#include "platform/graphics/SkFont.h"
#include "platform/graphics/SkImage.h"
#include "platform/widgets/DesignColours.h"
#include "scripts/TextDrawing.h"
#include "workspace/canvas/CanvasView.h"

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>

namespace pv {

class SkCanvas;

// One size range for the size box and the handles (picture pixels).
constexpr float kMinTextSize = 8;
constexpr float kMaxTextSize = 500;
// A corner handle takes a press closer than this (screen pixels).
constexpr double kHandleReach = 12;
// The watermark's slider keeps this far inside the visible canvas.
constexpr double kAlphaBarMargin = 6;

// What the text looks like: the overlay and the commit draw the same.
struct TTextLook {
    QString text;
    QString family;
    float size = 24; // picture pixels
    SkFontStyle style;
    TAlphaColor colour = kDefaultTextColour;
    bool shadow = true;
};

struct TTextMetrics {
    float width = 0;   // advance
    float ascent = 0;  // above the baseline: negative
    float descent = 0; // below the baseline
};

// The styled font of the look with its size times scale.
SkFont TextToolFont(const TTextLook& look, float scale);
TTextMetrics MeasureToolText(const TTextLook& look, float scale);
// The tool's drop shadow at a scale: offset 5, blur 3, $BF000000.
TTextShadow TextToolShadow(float scale);
// The text with its baseline origin at (x, y), the look scaled by scale
// (the zoom on the canvas, 1 on the picture).
void DrawToolText(SkCanvas& canvas, const TTextLook& look, float x, float y, float scale);

// ---- handles: 1 top-left, 2 top-right, 3 bottom-left, 4 bottom-right, 0 none

// The corner of box within reach of p, tested in handle order.
int CornerHandleAt(const QRectF& box, QPointF p);
// How far a drag by delta moves a handle outward (dragging out enlarges).
float HandleDragAmount(int handle, QPointF delta);
// The text size after dragging a handle by delta (screen pixels) at a zoom.
float ResizedTextSize(float startSize, int handle, QPointF delta, float zoom);
// The corner of the text opposite a handle, in picture pixels, for the text
// at pos (its baseline origin) with metrics m.
QPointF TextResizeAnchor(int handle, QPointF pos, const TTextMetrics& m);
// Where the text's baseline origin goes so that the anchor stays put.
QPointF TextPosForAnchor(int handle, QPointF anchor, const TTextMetrics& m);

// The watermark's first scale: at most a quarter of the result's width, never enlarged.
float InitialWatermarkScale(int resultWidth, int watermarkWidth);
// The scale after dragging a handle; at least 12 picture pixels wide and, with
// a result, at most twice its width.
float ResizedWatermarkScale(float startScale, int handle, QPointF delta, float zoom, int watermarkWidth,
                            int resultWidth);
QPointF WatermarkResizeAnchor(int handle, QPointF pos, QSizeF size);
QPointF WatermarkPosForAnchor(int handle, QPointF anchor, QSizeF size);

// The slider under (or, near the bottom, above) the watermark's screen
// rectangle, kept inside the visible canvas.
QRectF WatermarkAlphaBarRect(const QRectF& watermark, const QRectF& viewport);
QRectF WatermarkAlphaTrackRect(const QRectF& bar);
// The opacity a pointer at x sets, 0..1.
float WatermarkAlphaFromX(const QRectF& track, double x, float current);

class TTextTool : public QObject, public CanvasTool {
    Q_OBJECT
public:
    explicit TTextTool(CanvasView* view);
    ~TTextTool() override;

    // ---- text
    bool FTextToolActive = false;
    QString FTextString;
    QPointF FTextPos; // baseline origin, picture pixels
    QString FTextFontName;
    float FTextFontSize = 24;
    SkFontStyle FTextFontStyle;
    TAlphaColor FTextColor = kDefaultTextColour;
    bool FShadowChecked = true;

    // ---- watermark
    ISkImage FWmImage; // trimmed
    bool FWmActive = false;
    QPointF FWmPos; // top-left, picture pixels
    float FWmScale = 1;
    float FWmAlpha = 1;

    TTextLook Look() const;
    // Starts placing the text, centred in the visible canvas.
    void ActivateText();
    // Places a (trimmed) watermark in the middle of the visible canvas at opacity 1.
    void PlaceWatermark(const ISkImage& watermark);
    // Text placement and watermark placement end; the watermark is let go.
    void EndTools();
    bool AnyActive() const { return FTextToolActive || (FWmActive && FWmImage); }

    // The result with the watermark and then the text drawn in; null when
    // no raster could be made. Raises std::bad_alloc when memory runs out.
    ISkImage Burn(const ISkImage& result) const;

    // The text's and the watermark's rectangles on the canvas widget.
    QRectF TextScreenBox() const;
    QRectF WatermarkScreenRect() const;
    // The centre of the visible canvas in picture pixels.
    QPointF VisibleCentre() const;
    // A reduced copy of the watermark for a drawing width (kept for the next call).
    ISkImage WatermarkForWidth(int width);

    // Shows a change on the canvas.
    void Redraw();

    // A handle changed the text's size (the size box follows).
    std::function<void(float)> OnTextSizeChanged;

    // ---- canvas tool
    void Paint(QPainter& painter, QPointF imageOrigin, float zoom) override;
    bool MousePress(QMouseEvent& e) override;
    MoveResult MouseMove(QMouseEvent& e) override;
    void MouseRelease(QMouseEvent& e) override;
    bool BlocksFullScreen() const override { return AnyActive(); }

private:
    bool TextShown() const { return FTextToolActive && !FTextString.isEmpty(); }
    bool WatermarkShown() const { return FWmActive && FWmImage; }
    QPointF Origin() const;
    float Zoom() const;
    QPointF ToPicture(QPointF screen) const;
    void PaintText(QPainter& painter);
    void PaintWatermark(QPainter& painter);

    CanvasView* view_;

    bool FTextDragging = false;
    QPointF FTextDragOffset;
    bool FTextResizing = false;
    int FTextResizeHandle = 0;
    float FTextStartSize = 0;
    QPointF FTextStartMousePos;
    QPointF FTextResizeAnchor;

    bool FWmDragging = false;
    QPointF FWmDragOffset;
    bool FWmResizing = false;
    int FWmResizeHandle = 0;
    float FWmStartScale = 1;
    QPointF FWmStartMousePos;
    QPointF FWmResizeAnchor;
    bool FWmAlphaDragging = false;

    ISkImage FWmScaled, FWmScaledSrc;
    int FWmScaledW = 0;
};

} // namespace pv
