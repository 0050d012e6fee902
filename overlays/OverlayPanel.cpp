#include "overlays/OverlayPanel.h"

#include "platform/widgets/Label.h"

#include <QApplication>

#include <algorithm>

namespace pv {

namespace {
constexpr TAlphaColor kPanelFill = 0xFF111827u;
constexpr TAlphaColor kCloseHoverFill = 0xFFFF0000u;
} // namespace

TOverlayCloseBox::TOverlayCloseBox(QWidget* parent) : TRoundedPanel(parent)
{
    setObjectName(QStringLiteral("CloseBtn"));
    setRadius(6);
    setFillColour(0);
    setCursor(Qt::PointingHandCursor);
    resize(DpI(26), DpI(26));
    cross_ = new TLabel(QStringLiteral("\u00D7"), this);
    cross_->setObjectName(QStringLiteral("CloseCross"));
    cross_->setFontSize(24);
    cross_->setFontColour(0xFFFFFFFFu);
    cross_->setAlignment(Qt::AlignCenter);
    cross_->setGeometry(rect());
    cross_->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TOverlayCloseBox::enterEvent(QEnterEvent* e)
{
    TRoundedPanel::enterEvent(e);
    setFillColour(kCloseHoverFill);
    cross_->setFontColour(0xFFFFFFFFu);
}

void TOverlayCloseBox::leaveEvent(QEvent* e)
{
    TRoundedPanel::leaveEvent(e);
    setFillColour(0);
    cross_->setFontColour(0xFFFFFFFFu);
}

TOverlayPanel::TOverlayPanel(QSize designSize, QPoint closeBoxAt, QWidget* parent) : TRoundedPanel(parent)
{
    setFillColour(kPanelFill);
    setRadius(15);
    resize(DpI(designSize.width()), DpI(designSize.height()));
    closeBox_ = new TOverlayCloseBox(this);
    closeBox_->move(DpI(closeBoxAt.x()), DpI(closeBoxAt.y()));
    connect(closeBox_, &TRoundedPanel::clicked, this, [this] { CancelClick(); });
}

bool TOverlayPanel::DialogKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Tab) {
        CycleFocus(TabStops(), modifiers & Qt::ShiftModifier);
        return true;
    }
    if (key == Qt::Key_Escape) {
        CancelClick();
        return true;
    }
    return false;
}

std::vector<QWidget*> TOverlayPanel::TabStops()
{
    std::vector<QWidget*> stops;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
        if (isAncestorOf(w) && w->isVisibleTo(this) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            stops.push_back(w);
    return stops;
}

void TOverlayPanel::CycleFocus(const std::vector<QWidget*>& order, bool backwards)
{
    if (order.empty())
        return;
    int index = -1;
    for (QWidget* w = QApplication::focusWidget(); w && index < 0; w = w->parentWidget()) {
        const auto it = std::find(order.begin(), order.end(), w);
        if (it != order.end())
            index = int(it - order.begin());
    }
    const int n = int(order.size());
    int next;
    if (backwards)
        next = index <= 0 ? n - 1 : index - 1;
    else
        next = index == n - 1 ? 0 : index + 1;
    order[size_t(next)]->setFocus(Qt::TabFocusReason);
}

} // namespace pv
