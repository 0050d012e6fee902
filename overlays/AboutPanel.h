#pragma once
// The about box: the splash picture at rest, fully opaque, shown in the
// overlay layer over the window. A click on it, Esc or the window losing
// the focus closes it.

#include "overlays/OverlayPanel.h"

#include <functional>
#include <memory>

namespace pv {

class TSplashArt;

class TAboutPanel : public TOverlayPanel {
    Q_OBJECT
public:
    explicit TAboutPanel(QWidget* parent = nullptr);
    ~TAboutPanel() override;

    // Asked to close (a click, Esc, the focus gone): the window posts the close.
    std::function<void()> OnClose;
    void CancelClick() override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    std::unique_ptr<TSplashArt> art_;
    bool closing_ = false;
};

} // namespace pv
