#include "workspace/canvas/CropTool.h"

#include "platform/system/Numbers.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Theme.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace pv {

namespace {

constexpr double kToolbarWidth = 100, kToolbarHeight = 36;
constexpr double kPillHeight = 36;
constexpr double kCornerReach = 10; // cursor and grab distance of a corner
constexpr double kEdgeHandle = 6;
constexpr TAlphaColor kToolbarFill = kPanelToolbar;

} // namespace

QRectF InitialCropSelection(const QRectF& r)
{
    return QRectF(Round(r.left() + 1), Round(r.top() + 1), Round(r.width() - 2), Round(r.height() - 2));
}

SkIRect SelectionToPicture(const QRectF& s, QPointF origin, float zoom)
{
    if (!(zoom > 0))
        return {};
    const double z = zoom;
    const int left = Trunc((s.x() - origin.x()) / z), top = Trunc((s.y() - origin.y()) / z);
    return SkIRect::MakeXYWH(left, top, Trunc(s.width() / z), Trunc(s.height() / z));
}

SkIRect CropRectFor(const QRectF& selection, QPointF origin, float zoom, QSize source, QSize result)
{
    SkIRect r = SelectionToPicture(selection, origin, zoom);
    if (r.isEmpty() || !r.intersect(SkIRect::MakeWH(source.width(), source.height())) ||
        !r.intersect(SkIRect::MakeWH(result.width(), result.height())))
        return {};
    return r;
}

QString CropSizeText(const QRectF& s, float zoom)
{
    const int w = zoom > 0 ? Trunc(s.width() / zoom) : Round(s.width());
    const int h = zoom > 0 ? Trunc(s.height() / zoom) : Round(s.height());
    return QStringLiteral("%1 x %2").arg(w).arg(h);
}

QPointF CropToolbarPosition(const QRectF& s, QSizeF toolbar)
{
    const double x = s.x() + (s.width() - toolbar.width()) / 2;
    double y = s.y() - toolbar.height() - 6;
    if (y < 16)
        y = s.y() + 6 - std::abs(s.y() - 6);
    return {x, y};
}

double CropPillTop(const QRectF& s, double pillHeight, double canvasHeight)
{
    const double below = s.bottom() + 6;
    return below + pillHeight > canvasHeight ? s.bottom() - pillHeight - 6 : below;
}

bool MoveCropEdge(QRectF& s, TCropEdge edge, double pos)
{
    QRectF next = s;
    switch (edge) {
    case TCropEdge::Top:
        next.setTop(pos);
        break;
    case TCropEdge::Bottom:
        next.setBottom(pos);
        break;
    case TCropEdge::Left:
        next.setLeft(pos);
        break;
    case TCropEdge::Right:
        next.setRight(pos);
        break;
    }
    if (next.width() < kMinCropSide || next.height() < kMinCropSide)
        return false;
    s = next;
    return true;
}

void MoveCropCorner(QRectF& s, bool left, bool top, QPointF to)
{
    MoveCropEdge(s, left ? TCropEdge::Left : TCropEdge::Right, to.x());
    MoveCropEdge(s, top ? TCropEdge::Top : TCropEdge::Bottom, to.y());
}

// ------------------------------------------------------------------ the tool

TCropTool::TCropTool(CanvasView* view) : view_(view)
{
    toolbar_ = new TRoundedPanel(view);
    toolbar_->setObjectName(QStringLiteral("CropToolbar"));
    toolbar_->setFillColour(kToolbarFill);
    toolbar_->setRadius(15);
    toolbar_->setShadow({4, 3.5, 3.5, kShadowToolbar});
    toolbar_->resize(DpI(kToolbarWidth), DpI(kToolbarHeight));
    const auto makeButton = [this](const char* name, const char* icon, const char* hint, int x) {
        auto* b = new TIconButton(toolbar_);
        b->setObjectName(QString::fromLatin1(name));
        b->icon()->setSource(QString::fromLatin1(icon));
        b->icon()->setOverrideColour(kTextBright);
        b->setToolTip(QString::fromLatin1(hint));
        b->setIconSize(20);
        b->setGeometry(DpI(x), DpI(6), DpI(24), DpI(24));
        return b;
    };
    cancelButton_ = makeButton("Cancel1", ":/icons/cancel.svg", "Cancel", 22);
    applyButton_ = makeButton("Check1", ":/icons/check.svg", "Apply", 54);
    connect(cancelButton_, &TIconButton::clicked, this, [this] {
        if (OnCancel)
            OnCancel();
    });
    connect(applyButton_, &TIconButton::clicked, this, [this] {
        if (OnApply)
            OnApply();
    });
    toolbar_->hide();

    pill_ = new TRoundedPanel(view);
    pill_->setObjectName(QStringLiteral("FSizePill"));
    pill_->setFillColour(kToolbarFill);
    pill_->setRadius(15);
    pill_->setShadow({3, 2.1, 2.1, kShadowDeep});
    pill_->setHitTest(false);
    pillText_ = new TLabel({}, pill_);
    pillText_->setObjectName(QStringLiteral("FSizePillText"));
    pillText_->setTranslatable(false);
    pillText_->setFontSize(13);
    pillText_->setFontColour(kTextBright);
    pillText_->setAlignment(Qt::AlignCenter);
    pill_->hide();
    view_->AddTool(this);
    connect(view_, &CanvasView::panZoomChanged, this, [this] { Follow(); });
}

TCropTool::~TCropTool()
{
    if (view_)
        view_->RemoveTool(this);
}

void TCropTool::Start(const QRectF& selection)
{
    active_ = true;
    SetSelection(selection);
    toolbar_->show();
    toolbar_->raise();
    pill_->show();
    pill_->raise();
}

void TCropTool::Stop()
{
    active_ = false;
    drag_ = Grip::None;
    toolbar_->hide();
    pill_->hide();
    view_->unsetCursor();
    view_->update();
}

void TCropTool::SetSelection(const QRectF& selection)
{
    selection_ = selection;
    Follow();
}

void TCropTool::Follow()
{
    if (!active_)
        return;
    const QPointF scroll = view_->Geometry().Scroll;
    const QRectF onWidget = selection_.translated(-scroll);
    toolbar_->move(CropToolbarPosition(onWidget, QSizeF(toolbar_->size())).toPoint());

    pillText_->setText(CropSizeText(selection_, view_->Geometry().FZoomFactor));
    const QFontMetrics metrics(InterFont(13));
    const int w = metrics.horizontalAdvance(pillText_->text()) + DpI(28), h = DpI(kPillHeight);
    const double top = CropPillTop(onWidget, h, view_->height());
    pill_->setGeometry(int(std::lround(onWidget.center().x() - w / 2.0)), int(std::lround(top)), w, h);
    pillText_->setGeometry(0, 0, w, h);
    view_->update();
}

TCropTool::Grip TCropTool::GripAt(QPointF p) const
{
    const QRectF& s = selection_;
    const auto near = [&](QPointF c) { return std::hypot(p.x() - c.x(), p.y() - c.y()) <= kCornerReach; };
    if (near(s.topLeft()))
        return Grip::TopLeft;
    if (near(s.topRight()))
        return Grip::TopRight;
    if (near(s.bottomLeft()))
        return Grip::BottomLeft;
    if (near(s.bottomRight()))
        return Grip::BottomRight;
    const double h = kEdgeHandle;
    const auto handle = [&](QPointF c) { return QRectF(c.x() - h, c.y() - h, 2 * h, 2 * h).contains(p); };
    if (handle(QPointF(s.center().x(), s.top())))
        return Grip::Top;
    if (handle(QPointF(s.center().x(), s.bottom())))
        return Grip::Bottom;
    if (handle(QPointF(s.left(), s.center().y())))
        return Grip::Left;
    if (handle(QPointF(s.right(), s.center().y())))
        return Grip::Right;
    return s.contains(p) ? Grip::Move : Grip::None;
}

void TCropTool::Paint(QPainter& painter, QPointF, float)
{
    if (!active_)
        return;
    const QRectF s = selection_.translated(-view_->Geometry().Scroll);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor::fromRgba(kControlCropHandleEdge), 1));
    painter.setBrush(QColor::fromRgba(kControlCropHandle));
    painter.drawRect(s);
    const QColor line = QColor::fromRgba(IsLightTheme() ? kLightCropLine : kTextBright);
    painter.setPen(QPen(line, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(s);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(0, 0, 0, 120), 1));
    painter.setBrush(line);
    const double g = 5, e = kEdgeHandle / 2;
    for (QPointF c : {s.topLeft(), s.topRight(), s.bottomLeft(), s.bottomRight()})
        painter.drawEllipse(c, g, g);
    for (QPointF c : {QPointF(s.center().x(), s.top()), QPointF(s.center().x(), s.bottom()),
                      QPointF(s.left(), s.center().y()), QPointF(s.right(), s.center().y())})
        painter.drawRect(QRectF(c.x() - e, c.y() - e, 2 * e, 2 * e));
    painter.restore();
}

bool TCropTool::MousePress(QMouseEvent& e)
{
    if (!active_ || e.button() != Qt::LeftButton)
        return false;
    const QPointF p = e.position() + view_->Geometry().Scroll;
    drag_ = GripAt(p);
    if (drag_ == Grip::None)
        return false;
    dragStart_ = p;
    dragStartSelection_ = selection_;
    return true;
}

CanvasTool::MoveResult TCropTool::MouseMove(QMouseEvent& e)
{
    if (!active_)
        return MoveResult::None;
    const QPointF p = e.position() + view_->Geometry().Scroll;
    if (drag_ != Grip::None && (e.buttons() & Qt::LeftButton)) {
        QRectF s = selection_;
        switch (drag_) {
        case Grip::Move:
            s = dragStartSelection_.translated(p - dragStart_);
            break;
        case Grip::TopLeft:
            MoveCropCorner(s, true, true, p);
            break;
        case Grip::TopRight:
            MoveCropCorner(s, false, true, p);
            break;
        case Grip::BottomLeft:
            MoveCropCorner(s, true, false, p);
            break;
        case Grip::BottomRight:
            MoveCropCorner(s, false, false, p);
            break;
        case Grip::Top:
            MoveCropEdge(s, TCropEdge::Top, p.y());
            break;
        case Grip::Bottom:
            MoveCropEdge(s, TCropEdge::Bottom, p.y());
            break;
        case Grip::Left:
            MoveCropEdge(s, TCropEdge::Left, p.x());
            break;
        case Grip::Right:
            MoveCropEdge(s, TCropEdge::Right, p.x());
            break;
        case Grip::None:
            break;
        }
        SetSelection(s);
        return MoveResult::Drag;
    }
    switch (GripAt(p)) {
    case Grip::TopLeft:
    case Grip::BottomRight:
        view_->setCursor(Qt::SizeFDiagCursor);
        return MoveResult::Hover;
    case Grip::TopRight:
    case Grip::BottomLeft:
        view_->setCursor(Qt::SizeBDiagCursor);
        return MoveResult::Hover;
    case Grip::Top:
    case Grip::Bottom:
        view_->setCursor(Qt::SizeVerCursor);
        return MoveResult::Hover;
    case Grip::Left:
    case Grip::Right:
        view_->setCursor(Qt::SizeHorCursor);
        return MoveResult::Hover;
    case Grip::Move:
        view_->setCursor(Qt::SizeAllCursor);
        return MoveResult::Hover;
    case Grip::None:
        break;
    }
    return MoveResult::None;
}

void TCropTool::MouseRelease(QMouseEvent&) { drag_ = Grip::None; }

} // namespace pv
