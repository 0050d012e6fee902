#pragma once
// The resize panel: a new size for the picture in pixels or in percent of its
// size when the panel opened, with an aspect-ratio lock that keeps the four
// boxes consistent while the user types. OK hands the new size to the
// window (which resamples both pictures); Cancel, the close box and Esc only
// ask to close.

#include "overlays/OverlayPanel.h"
#include "overlays/ResizeBoxes.h"

#include <QTimer>

#include <array>
#include <functional>

namespace pv {

class TButton;
class TLabel;
class TNumberBox;
class TSwitch;

class TFrame2 : public TOverlayPanel {
    Q_OBJECT
public:
    // The other boxes follow this long after the last key that changed a
    // box's text is released.
    static constexpr int kTypingDelayMs = 120;

    explicit TFrame2(QWidget* parent = nullptr);

    // The picture's size: both pixel boxes, 100 % in both percent boxes, the lock on.
    void SetInitialSize(int AWidth, int AHeight);
    // The width-percent box takes the focus with its text selected.
    void FocusPercentBox();

    // Tab and Shift+Tab through the boxes, the lock and the buttons; Enter
    // cancels on "Cancel", else commits the box being edited and confirms;
    // Esc cancels.
    bool DialogKey(int key, Qt::KeyboardModifiers modifiers) override;
    std::vector<QWidget*> TabStops() override;
    void CancelClick() override { CancelButtonClick(); }

    void OKButtonClick();
    void CancelButtonClick();

    // The new width and height (OK).
    std::function<void(int NewWidth, int NewHeight)> FOnConfirm;
    std::function<void()> FOnCancel;

    TNumberBox* NumberBox1 = nullptr; // width in pixels
    TNumberBox* NumberBox2 = nullptr; // height in pixels
    TNumberBox* NumberBox3 = nullptr; // width in percent
    TNumberBox* NumberBox4 = nullptr; // height in percent
    TSwitch* chkLockAspectRatio = nullptr;
    TButton* CancelButton = nullptr;
    TButton* OKButton = nullptr;
    const TResizeBoxes& Boxes() const { return FBoxes; }

private:
    TResizeBoxes::Box BoxOf(const TNumberBox* box) const;
    // The boxes follow `box` set to value; the edited box itself is rewritten
    // only when its value had to be held in range.
    void SyncSizeBoxes(TNumberBox* box, double value);
    void CommitEditedBox();
    void TypingTimerTimer();
    void ShowBoxes(const TNumberBox* except);

    std::array<TNumberBox*, 4> FNumberBoxes{};
    TResizeBoxes FBoxes;
    bool FUpdating = false;
    QTimer FTimer;
    TNumberBox* FLastEditedBox = nullptr;
    // The box whose text the user changed since the others last followed it;
    // keys that change no text (Tab, the arrows) and Enter in any other box
    // leave the boxes as they are, so a rounded percentage is never read back.
    TNumberBox* FTypedBox = nullptr;
};

} // namespace pv
