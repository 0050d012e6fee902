#pragma once
// Closes a popup that lives as a child of its window (a combo box's list, a
// colour swatch's picker): a press outside it, a move or resize of the window,
// or the window losing activation closes it. The press that closes it goes no
// further, so it neither clicks what lies under it nor reopens the popup.

#include <QObject>

#include <functional>

#include <QPoint>
#include <QSize>

class QWidget;

namespace pv {

// Where a popup of this size goes in the anchor's window: gap pixels under
// the anchor, over it when there is room above but none below, always inside
// the window as far as it fits.
QPoint PopupPosition(const QWidget* anchor, QSize size, int gap);

class TPopupWatcher : public QObject {
public:
    TPopupWatcher(QWidget* popup, std::function<void()> close);
    ~TPopupWatcher() override;
    // Stops watching (the popup is closing).
    void stop();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* popup_;
    std::function<void()> close_;
    bool active_ = true;
};

} // namespace pv
