#pragma once
// The crop tool of the canvas: a selection rectangle over the picture that
// the user adjusts by its corners, by four edge handles or by dragging it,
// with a small toolbar (cancel, apply) above it and a pill under it showing
// the selected size in picture pixels.
//
// The selection lives in canvas coordinates; what it covers is read through
// the picture's drawn position (ImageOrigin) and zoom at the moment it is
// applied, so a zoom or pan during the crop cuts what is shown under it.

#include "platform/graphics/SkTypes.h"
#include "workspace/canvas/CanvasView.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>

#include <functional>

namespace pv {

class TIconButton;
class TLabel;
class TRoundedPanel;

// ---- the arithmetic, in canvas coordinates

// The whole picture, one canvas pixel inside its drawn edges.
QRectF InitialCropSelection(const QRectF& imageRect);
// The selection in picture pixels, truncated toward zero.
SkIRect SelectionToPicture(const QRectF& selection, QPointF imageOrigin, float zoom);
// What a crop keeps: the selection in picture pixels within both pictures;
// empty when it misses either.
SkIRect CropRectFor(const QRectF& selection, QPointF imageOrigin, float zoom, QSize source, QSize result);
// The pill's text, "400 x 200".
QString CropSizeText(const QRectF& selection, float zoom);
// The toolbar centred 6 above the selection; one that would end above y 16
// comes down to twice the smaller of the selection's y and 6.
QPointF CropToolbarPosition(const QRectF& selection, QSizeF toolbar);
// The pill's top: 6 below the selection, or inside it when it would pass the
// canvas's bottom.
double CropPillTop(const QRectF& selection, double pillHeight, double canvasHeight);

constexpr double kMinCropSide = 20.0;
enum class TCropEdge { Top, Bottom, Left, Right };
// Moves one edge to pos; refused (false, nothing changed) when the
// selection would become less than 20 high or wide.
bool MoveCropEdge(QRectF& selection, TCropEdge edge, double pos);
// Moves one corner (a pair of edges) to the point, each edge refused alone.
void MoveCropCorner(QRectF& selection, bool left, bool top, QPointF to);

class TCropTool : public QObject, public CanvasTool {
    Q_OBJECT
public:
    explicit TCropTool(CanvasView* view);
    ~TCropTool() override;

    // Shows the selection, the toolbar and the pill.
    void Start(const QRectF& selection);
    // Hides all of it.
    void Stop();
    bool Active() const { return active_; }
    QRectF Selection() const { return selection_; }
    void SetSelection(const QRectF& selection);

    // The toolbar's two buttons.
    std::function<void()> OnApply;
    std::function<void()> OnCancel;

    TRoundedPanel* Toolbar() const { return toolbar_; }
    TRoundedPanel* Pill() const { return pill_; }
    TLabel* PillText() const { return pillText_; }

    // ---- canvas tool
    void Paint(QPainter& painter, QPointF imageOrigin, float zoom) override;
    bool MousePress(QMouseEvent& e) override;
    MoveResult MouseMove(QMouseEvent& e) override;
    void MouseRelease(QMouseEvent& e) override;
    bool BlocksFullScreen() const override { return active_; }

private:
    enum class Grip { None, Move, TopLeft, TopRight, BottomLeft, BottomRight, Top, Bottom, Left, Right };
    Grip GripAt(QPointF p) const;
    void Follow();

    CanvasView* view_;
    QRectF selection_;
    bool active_ = false;
    Grip drag_ = Grip::None;
    QPointF dragStart_;
    QRectF dragStartSelection_;
    TRoundedPanel* toolbar_ = nullptr;
    TIconButton* cancelButton_ = nullptr;
    TIconButton* applyButton_ = nullptr;
    TRoundedPanel* pill_ = nullptr;
    TLabel* pillText_ = nullptr;
};

} // namespace pv
