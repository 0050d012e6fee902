#pragma once
// What every panel shown in the overlay layer has: a rounded panel in the
// panel colour, a close box at its top right whose click is the panel's
// Cancel, and the keys the window hands it first.

#include "platform/widgets/Button.h"
#include "platform/widgets/RoundedPanel.h"

#include <vector>

class QKeyEvent;

namespace pv {

class TCloseBox;
class TLabel;

class TOverlayPanel : public TRoundedPanel {
    Q_OBJECT
public:
    // A panel of the designed size (design units), the close box placed at
    // (closeX, closeY).
    TOverlayPanel(QSize designSize, QPoint closeBoxAt, QWidget* parent = nullptr);
    ~TOverlayPanel() override;

    // Enter, Esc, Tab and the arrows reach the open panel before the focused
    // control. Returns true when the key was used. Here: Tab and Shift+Tab
    // cycle through TabStops, Esc is Cancel.
    virtual bool DialogKey(int key, Qt::KeyboardModifiers modifiers);
    // The controls Tab visits, in order: the panel's focusable controls in
    // focus-chain order unless a panel names its own.
    virtual std::vector<QWidget*> TabStops();
    // The panel's Cancel (its close box, Esc).
    virtual void CancelClick() = 0;

    TCloseBox* CloseBtn() const { return closeBox_; }

protected:
    // A caption and a button placed at a designed rectangle.
    TLabel* AddCaption(const char* name, const char* text, QRect designRect, double fontSize);
    TButton* AddButton(const char* name, const char* text, TButton::Look look, QRect designRect);
    // Moves the focus one step through these controls (backwards with
    // Shift+Tab), from the focused one or its nearest ancestor among them;
    // wraps at both ends.
    static void CycleFocus(const std::vector<QWidget*>& order, bool backwards);

private:
    TCloseBox* closeBox_;
};

// A panel built around a gallery of pictures: Enter is its primary action,
// the arrows walk the gallery (Left and Up back, Right and Down on; Up and
// Down by rows).
class TGalleryPanel : public TOverlayPanel {
    Q_OBJECT
public:
    using TOverlayPanel::TOverlayPanel;
    bool DialogKey(int key, Qt::KeyboardModifiers modifiers) override;
    virtual void NavigateGallery(int ADirection, bool AVertical) = 0;
    virtual void PrimaryClick() = 0;
};

} // namespace pv
