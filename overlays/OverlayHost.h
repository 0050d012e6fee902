#pragma once
// The full-window layer the tool panels are shown in: a blurred and darkened
// picture of the window as it looked when the panel opened, which swallows
// every click, and at most one panel centred at its designed size.
//
// A panel never closes the layer from inside one of its own handlers: it asks
// for PostCloseOverlay, which runs after the handler has returned. Panels are
// held in guarded pointers, so a panel that goes away by other means leaves
// nothing dangling.

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace pv {

// The backdrop: the window's picture (device pixels at scale s) blurred with
// sigma 10, clipped to a rectangle with corner radii 15 * s and darkened by
// black at alpha 100. The plain capture when it cannot be blurred.
QImage MakeOverlayBackdrop(const QImage& capture, double scale);

// Paints every visible direct child of the window except `skip` into one
// transparent picture of the window's client size times scale.
QImage CaptureWindow(QWidget* window, const QWidget* skip, double scale);

class TOverlayHost : public QWidget {
    Q_OBJECT
public:
    // A child of the window covering its whole client area; hidden until a
    // panel is shown.
    explicit TOverlayHost(QWidget* window);

    // Shows the panel over a fresh backdrop, replacing any panel shown (the
    // replaced one is closed properly first, see SetOccupantClose). The host
    // takes the panel over and deletes it when it closes.
    void ShowOverlayFrame(QWidget* panel);
    // Hosts a panel that fills the layer and needs no backdrop (the manual
    // brush): onEvicted closes it properly when another panel replaces it.
    void ShowFilling(QWidget* panel, std::function<void()> onEvicted);
    // Closes whatever is shown: hides the layer, then deletes its children
    // once control is back in the event loop.
    void CloseOverlay();
    // CloseOverlay as a queued call: what a panel's handler asks for.
    void PostCloseOverlay();

    // The panel shown, or null while the layer is hidden.
    QWidget* ActiveOverlayFrame() const;
    bool IsOpen() const { return !panel_.isNull() && isVisible(); }
    const QImage& Backdrop() const { return backdrop_; }

    // Called with every panel just before it is shown (translation, theme)
    // and just before it is deleted (forgetting its translations).
    std::function<void(QWidget*)> OnPanelShown;
    std::function<void(QWidget*)> OnPanelClosing;
    // Called at the end of every close (panels to reopen).
    std::function<void()> OnClosed;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Closes a panel that is to be replaced, as its own close would.
    void Evict();
    void Place();
    void Adopt(QWidget* panel);

    QWidget* window_;
    QPointer<QWidget> panel_;
    std::function<void()> onEvicted_;
    QImage backdrop_;
    bool filling_ = false;
};

} // namespace pv
