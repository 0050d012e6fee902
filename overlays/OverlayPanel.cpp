#include "overlays/OverlayPanel.h"

#include "platform/widgets/FloatingPanel.h"
#include "platform/widgets/Label.h"

#include <QApplication>

#include <algorithm>

namespace pv {

namespace {
constexpr TAlphaColor kPanelFill = 0xFF111827u;
} // namespace

TOverlayPanel::TOverlayPanel(QSize designSize, QPoint closeBoxAt, QWidget* parent) : TRoundedPanel(parent)
{
    setFillColour(kPanelFill);
    setRadius(15);
    resize(DpI(designSize.width()), DpI(designSize.height()));
    closeBox_ = new TCloseBox(this);
    closeBox_->setObjectName(QStringLiteral("CloseBtn"));
    closeBox_->setGeometry(DpI(closeBoxAt.x()), DpI(closeBoxAt.y()), DpI(26), DpI(26));
    connect(closeBox_, &TCloseBox::clicked, this, [this] { CancelClick(); });
}

TOverlayPanel::~TOverlayPanel()
{
    // A child that reports while the panel is being taken down (a number box
    // losing the focus commits its text) must find no one listening: the
    // panel's own part is gone by then.
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
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

TLabel* TOverlayPanel::AddCaption(const char* name, const char* text, QRect r, double fontSize)
{
    auto* l = new TLabel(QString::fromUtf8(text), this);
    l->setObjectName(QString::fromLatin1(name));
    l->setFontSize(fontSize);
    l->setFontColour(0xFFD5D5D5u);
    l->setGeometry(DpI(r.x()), DpI(r.y()), DpI(r.width()), DpI(r.height()));
    return l;
}

TButton* TOverlayPanel::AddButton(const char* name, const char* text, TButton::Look look, QRect r)
{
    auto* b = new TButton(QString::fromUtf8(text), look, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(DpI(r.x()), DpI(r.y()), DpI(r.width()), DpI(r.height()));
    return b;
}

bool TGalleryPanel::DialogKey(int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PrimaryClick();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
        NavigateGallery(-1, key == Qt::Key_Up);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
        NavigateGallery(1, key == Qt::Key_Down);
        return true;
    default:
        return TOverlayPanel::DialogKey(key, modifiers);
    }
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
