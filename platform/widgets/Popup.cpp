#include "platform/widgets/Popup.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace pv {

QPoint PopupPosition(const QWidget* anchor, QSize size, int gap)
{
    const QWidget* win = anchor->window();
    const QPoint below = anchor->mapTo(win, QPoint(0, anchor->height() + gap));
    const QPoint above = anchor->mapTo(win, QPoint(0, -gap - size.height()));
    QPoint at = below.y() + size.height() > win->height() && above.y() >= 0 ? above : below;
    at.setX(std::clamp(at.x(), 0, std::max(0, win->width() - size.width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, win->height() - size.height())));
    return at;
}

TPopupWatcher::TPopupWatcher(QWidget* popup, std::function<void()> close)
    : QObject(popup), popup_(popup), close_(std::move(close))
{
    qApp->installEventFilter(this);
}

TPopupWatcher::~TPopupWatcher() { stop(); }

void TPopupWatcher::stop()
{
    if (!active_)
        return;
    active_ = false;
    qApp->removeEventFilter(this);
}

bool TPopupWatcher::eventFilter(QObject* watched, QEvent* e)
{
    if (!active_)
        return false;
    const QEvent::Type t = e->type();
    const QWidget* window = popup_->parentWidget();
    if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick) {
        const QPointF g = static_cast<QMouseEvent*>(e)->globalPosition();
        if (!popup_->rect().contains(popup_->mapFromGlobal(g).toPoint())) {
            stop();
            close_();
            return true;
        }
    } else if (watched == window && (t == QEvent::Resize || t == QEvent::Move || t == QEvent::WindowDeactivate)) {
        stop();
        close_();
    }
    return false;
}

} // namespace pv
