#include "platform/widgets/ThumbnailGrid.h"

#include "platform/widgets/DesignColours.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

namespace pv {

int TGridGeometry::columns(int width) const { return std::max(1, width / std::max(1, pitch)); }

int TGridGeometry::contentHeight(int count, int width) const
{
    const int cols = columns(width);
    return (std::max(0, count) + cols - 1) / cols * pitch;
}

QRect TGridGeometry::cellRect(int index, int width) const
{
    const int cols = columns(width);
    const int side = std::max(1, pitch - 2 * margin);
    return {index % cols * pitch + margin, index / cols * pitch + margin, side, side};
}

int TGridGeometry::indexAt(QPoint p, int count, int width) const
{
    if (p.x() < 0 || p.y() < 0)
        return -1;
    const int cols = columns(width);
    const int col = p.x() / pitch, row = p.y() / pitch;
    const int index = row * cols + col;
    if (col >= cols || index >= count || !cellRect(index, width).contains(p))
        return -1;
    return index;
}

int TGridGeometry::step(int index, int count, int width, int direction, bool vertical) const
{
    if (count <= 0)
        return -1;
    if (index < 0)
        return 0;
    const int target = index + direction * (vertical ? columns(width) : 1);
    return target >= 0 && target < count ? target : -1;
}

int TGridGeometry::scrollToShow(int top, int viewHeight, int cellTop, int cellHeight, int contentHeight)
{
    int next = top;
    if (top > cellTop)
        next = cellTop;
    else if (cellTop + cellHeight > top + viewHeight)
        next = cellTop + cellHeight - viewHeight;
    return std::clamp(next, 0, std::max(0, contentHeight - viewHeight));
}

// ------------------------------------------------------------------ widget

TThumbnailGrid::TThumbnailGrid(QWidget* parent) : QWidget(parent)
{
    addColour("outline", ColourKind::Fixed, kAccentThumbnailOutline);
    addColour("hoverFill", ColourKind::Fill, kOverlayHover);
    addColour("scrollbar", ColourKind::Fill, kOverlayScrollbar);
    addColour("font", ColourKind::Text, kText);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(InterFont(12));
    setCellPitch(130, 5);
}

void TThumbnailGrid::setCellPitch(int designPitch, int designMargin)
{
    geometry_.pitch = std::max(1, DpI(designPitch));
    geometry_.margin = DpI(designMargin);
    setScrollTop(scrollTop_);
    update();
}

void TThumbnailGrid::setNameHeight(double designHeight)
{
    nameHeight_ = std::max(0.0, designHeight);
    update();
}

QSize TThumbnailGrid::pictureSize() const
{
    const int side = geometry_.cellRect(0, width()).width();
    return {side, std::max(1, side - DpI(nameHeight_))};
}

QImage TThumbnailGrid::FitThumbnail(const QImage& picture, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return {};
    if (picture.width() <= size.width() && picture.height() <= size.height())
        return picture;
    return picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void TThumbnailGrid::clear()
{
    items_.clear();
    itemIndex_ = -1;
    hovered_ = -1;
    scrollTop_ = 0;
    update();
}

void TThumbnailGrid::addItem(const QImage& picture, const QString& name)
{
    items_.push_back({picture, name});
    update();
}

void TThumbnailGrid::setItemPicture(int index, const QImage& picture)
{
    if (index < 0 || index >= count())
        return;
    items_[size_t(index)].picture = picture;
    update();
}

void TThumbnailGrid::setItemIndex(int index)
{
    if (index < -1 || index >= count())
        index = -1;
    if (index == itemIndex_)
        return;
    itemIndex_ = index;
    update();
}

bool TThumbnailGrid::navigate(int direction, bool vertical)
{
    const int target = geometry_.step(itemIndex_, count(), width(), direction, vertical);
    if (target < 0)
        return false;
    setItemIndex(target);
    scrollToShow(target);
    Q_EMIT currentChanged(target);
    return true;
}

int TThumbnailGrid::contentHeight() const { return geometry_.contentHeight(count(), width()); }

void TThumbnailGrid::setScrollTop(int top)
{
    top = std::clamp(top, 0, std::max(0, contentHeight() - height()));
    if (top == scrollTop_)
        return;
    scrollTop_ = top;
    update();
}

void TThumbnailGrid::scrollToShow(int index)
{
    if (index < 0 || index >= count())
        return;
    const QRect cell = geometry_.cellRect(index, width());
    setScrollTop(TGridGeometry::scrollToShow(scrollTop_, height(), cell.top(), cell.height(), contentHeight()));
}

void TThumbnailGrid::scrollToTop(int index)
{
    if (index >= 0 && index < count())
        setScrollTop(geometry_.cellRect(index, width()).top());
}

QSize TThumbnailGrid::sizeHint() const { return {geometry_.pitch * 3, geometry_.pitch * 2}; }

int TThumbnailGrid::hitTest(QPoint p) const
{
    return geometry_.indexAt(p + QPoint(0, scrollTop_), count(), width());
}

void TThumbnailGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int first = scrollTop_ / geometry_.pitch * geometry_.columns(width());
    const int nameH = DpI(nameHeight_);
    const double radius = Dp(8);
    for (int i = std::max(0, first); i < count(); ++i) {
        const QRect cell = geometry_.cellRect(i, width()).translated(0, -scrollTop_);
        if (cell.top() >= height())
            break;
        const Item& it = items_[size_t(i)];
        QPainterPath shape;
        shape.addRoundedRect(cell, radius, radius);
        if (i == hovered_) {
            p.setPen(Qt::NoPen);
            p.setBrush(qcolour("hoverFill"));
            p.drawPath(shape);
        }
        const QRect area(cell.left(), cell.top(), cell.width(), std::max(1, cell.height() - nameH));
        if (!it.picture.isNull()) {
            // Drawn at its own size: centred, the overhang cut off.
            const QSizeF ps = it.picture.deviceIndependentSize();
            const QRectF dst(area.left() + (area.width() - ps.width()) / 2, area.top() + (area.height() - ps.height()) / 2,
                             ps.width(), ps.height());
            p.save();
            p.setClipPath(shape);
            p.setClipRect(area, Qt::IntersectClip);
            p.drawImage(dst.topLeft(), it.picture);
            p.restore();
        }
        if (nameH > 0 && !it.name.isEmpty()) {
            p.setPen(qcolour("font"));
            p.setFont(font());
            const QRect band(cell.left() + DpI(2), cell.bottom() - nameH + 1, cell.width() - DpI(4), nameH);
            p.drawText(band, Qt::AlignCenter, fontMetrics().elidedText(it.name, Qt::ElideRight, band.width()));
        }
        if (i == itemIndex_) {
            const double w = Dp(3);
            p.setPen(QPen(qcolour("outline"), w));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(cell).adjusted(w / 2, w / 2, -w / 2, -w / 2), radius, radius);
            if (hasFocus() && keyboardFocus()) {
                p.setPen(QPen(QColor(0x61, 0xB9, 0xD2, 160), Dp(1.5)));
                p.drawRoundedRect(QRectF(cell).adjusted(-Dp(2), -Dp(2), Dp(2), Dp(2)), radius + Dp(2), radius + Dp(2));
            }
        }
    }
    const int content = contentHeight();
    if (content > height()) {
        const double len = std::max(Dp(20), double(height()) * height() / content);
        const double top = (height() - len) * scrollTop_ / (content - height());
        p.setPen(Qt::NoPen);
        p.setBrush(qcolour("scrollbar"));
        p.drawRoundedRect(QRectF(width() - Dp(4), top, Dp(3), len), Dp(1.5), Dp(1.5));
    }
}

void TThumbnailGrid::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    const int i = hitTest(e->position().toPoint());
    if (i >= 0 && i != itemIndex_) {
        setItemIndex(i);
        Q_EMIT currentChanged(i);
    }
    e->accept();
}

void TThumbnailGrid::mouseMoveEvent(QMouseEvent* e)
{
    setHovered(hitTest(e->position().toPoint()));
    QWidget::mouseMoveEvent(e);
}

void TThumbnailGrid::leaveEvent(QEvent* e)
{
    setHovered(-1);
    QWidget::leaveEvent(e);
}

void TThumbnailGrid::setHovered(int index)
{
    if (index == hovered_)
        return;
    hovered_ = index;
    update();
}

void TThumbnailGrid::wheelEvent(QWheelEvent* e)
{
    const int before = scrollTop_;
    setScrollTop(scrollTop_ - e->angleDelta().y() * geometry_.pitch / 240);
    if (scrollTop_ == before)
        return e->ignore();
    setHovered(hitTest(e->position().toPoint()));
    e->accept();
}

void TThumbnailGrid::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Left:
        navigate(-1, false);
        break;
    case Qt::Key_Right:
        navigate(1, false);
        break;
    case Qt::Key_Up:
        navigate(-1, true);
        break;
    case Qt::Key_Down:
        navigate(1, true);
        break;
    default:
        return QWidget::keyPressEvent(e);
    }
    e->accept();
}

void TThumbnailGrid::resizeEvent(QResizeEvent*) { setScrollTop(scrollTop_); }

void TThumbnailGrid::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TThumbnailGrid::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    QWidget::focusOutEvent(e);
}

} // namespace pv
