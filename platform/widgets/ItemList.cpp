#include "platform/widgets/ItemList.h"

#include "platform/widgets/DesignColours.h"

#include <QFocusEvent>
#include <QFontDatabase>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>

#include <algorithm>

namespace pv {

TItemList::TItemList(QWidget* parent) : QWidget(parent)
{
    addColour("font", ColourKind::Text, kText);
    addColour("fontHover", ColourKind::Text, kTextBright);
    addColour("fontSelected", ColourKind::Text, kTextBright);
    addColour("hoverFill", ColourKind::Fill, kOverlayHoverFaint);
    addColour("selectionFill", ColourKind::Fill, kAccentSelectionFaint);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(InterFont(14));
}

void TItemList::setItems(const QStringList& english)
{
    sourceItems_ = english;
    shownItems_.clear();
    for (const QString& item : english)
        shownItems_ << TranslateForDisplay(item);
    if (itemIndex_ >= count())
        itemIndex_ = -1;
    updateGeometry();
    update();
}

void TItemList::setItemDisplayText(int index, const QString& shown)
{
    if (index < 0 || index >= count())
        return;
    shownItems_[index] = shown;
    update();
}

void TItemList::setItemHeight(double designHeight)
{
    itemHeight_ = designHeight;
    updateGeometry();
    update();
}

int TItemList::itemTop(int index) const { return DpI(itemHeight_ * index); }

int TItemList::itemAt(QPoint p) const
{
    if (!rect().contains(p))
        return -1;
    const int i = int(p.y() / Dp(itemHeight_));
    return i >= 0 && i < count() ? i : -1;
}

void TItemList::setItemIndex(int index)
{
    if (index < -1 || index >= count())
        index = -1;
    if (itemIndex_ == index)
        return;
    itemIndex_ = index;
    update();
}

QSize TItemList::sizeHint() const { return {DpI(175), DpI(itemHeight_ * count())}; }

QSize TItemList::minimumSizeHint() const { return {0, DpI(itemHeight_ * count())}; }

void TItemList::scrollToShow(int index)
{
    if (index < 0 || index >= count())
        return;
    QWidget* view = parentWidget();
    auto* area = view ? qobject_cast<QScrollArea*>(view->parentWidget()) : nullptr;
    if (!area || area->widget() != this)
        return;
    // Items added just now: the area fits the list to them only when its
    // layout request comes round, too late for the scroll below.
    if (height() < minimumSizeHint().height())
        resize(width(), minimumSizeHint().height());
    const int half = DpI(itemHeight_) / 2;
    area->ensureVisible(0, itemTop(index) + half, 0, half);
}

void TItemList::setHovered(int index)
{
    if (hovered_ == index)
        return;
    hovered_ = index;
    update();
    Q_EMIT hoveredChanged(index);
}

bool FamilyDrawsLatinNames(const QString& family)
{
    static QHash<QString, bool> known;
    const auto it = known.constFind(family);
    if (it != known.constEnd())
        return *it;
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
    const bool latin = systems.contains(QFontDatabase::Latin) && !systems.contains(QFontDatabase::Symbol);
    known.insert(family, latin);
    return latin;
}

void TItemList::setItemsInOwnFamily(bool on)
{
    ownFamily_ = on;
    update();
}

void TItemList::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(font());
    const double h = Dp(itemHeight_);
    const double pad = Dp(10);
    // Only the rows in view: a long list sits in a scroll box.
    const int first = std::max(0, int(e->rect().top() / h));
    const int last = std::min(count() - 1, int(e->rect().bottom() / h));
    for (int i = first; i <= last; ++i) {
        const QRectF r(0, i * h, width(), h);
        const bool selected = i == itemIndex_;
        const bool hovered = i == hovered_;
        if (selected || hovered) {
            p.setPen(Qt::NoPen);
            p.setBrush(qcolour(selected ? "selectionFill" : "hoverFill"));
            p.drawRoundedRect(r.adjusted(0, Dp(2), 0, -Dp(2)), Dp(8), Dp(8));
        }
        if (selected && hasFocus() && keyboardFocus()) {
            p.setPen(QPen(QColor(0x61, 0xB9, 0xD2, 140), Dp(1)));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(0.5, Dp(2) + 0.5, -0.5, -Dp(2) - 0.5), Dp(8), Dp(8));
        }
        p.setPen(qcolour(selected ? "fontSelected" : hovered ? "fontHover" : "font"));
        // A text too long for the row (a translation) gets a smaller font,
        // down to 9 design pixels, before it is cut short.
        const int room = int(width() - 2 * pad);
        QFont f = font();
        if (ownFamily_ && FamilyDrawsLatinNames(sourceItems_[i]))
            f.setFamilies({sourceItems_[i]});
        const int floor = std::max(1, DpI(9));
        while (f.pixelSize() > floor && QFontMetrics(f).horizontalAdvance(shownItems_[i]) > room)
            f.setPixelSize(f.pixelSize() - 1);
        p.setFont(f);
        const QString shown = QFontMetrics(f).elidedText(shownItems_[i], Qt::ElideRight, room);
        p.drawText(r.adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
}

void TItemList::mouseMoveEvent(QMouseEvent* e)
{
    setHovered(itemAt(e->position().toPoint()));
    e->accept();
}

void TItemList::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton ? itemAt(e->position().toPoint()) : -1;
    e->accept();
}

void TItemList::mouseReleaseEvent(QMouseEvent* e)
{
    const int i = itemAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && i >= 0 && i == pressed_)
        Q_EMIT itemClicked(i);
    pressed_ = -1;
    e->accept();
}

void TItemList::leaveEvent(QEvent* e)
{
    setHovered(-1);
    QWidget::leaveEvent(e);
}

void TItemList::keyPressEvent(QKeyEvent* e)
{
    // The arrows move the selection only; choosing the selected item (Enter
    // on a list the keyboard reached) is the window's business.
    if (count() == 0)
        return QWidget::keyPressEvent(e);
    int next = itemIndex_;
    switch (e->key()) {
    case Qt::Key_Up:
        next = std::max(0, itemIndex_ - 1);
        break;
    case Qt::Key_Down:
        next = std::min(count() - 1, itemIndex_ + 1);
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = count() - 1;
        break;
    default:
        return QWidget::keyPressEvent(e);
    }
    setItemIndex(next);
    e->accept();
}

void TItemList::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TItemList::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    QWidget::focusOutEvent(e);
}

} // namespace pv
