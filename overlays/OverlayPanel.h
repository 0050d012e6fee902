#pragma once
// What every panel shown in the overlay layer has: a rounded panel in the
// panel colour, a close box at its top right whose click is the panel's
// Cancel, and the keys the window hands it first.

#include "platform/widgets/Button.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/RoundedPanel.h"

#include <QImage>

#include <functional>
#include <vector>

class QKeyEvent;

namespace pv {

class TCloseBox;
class TImageList;
class TLabel;
class TThumbnailGrid;

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

// A picture file the user chose for a gallery (frame or texture): decoded
// with the size cap of the user's brush files. Empty with a reason in error
// when it cannot be used.
QImage LoadUserPicture(const QString& path, QString& error);

// A panel built around a gallery of pictures: Enter is its primary action,
// the arrows walk the gallery (Left and Up back, Right and Down on; Up and
// Down by rows).
//
// Its top half is shared: the title over the gallery box (its fill follows
// the theme) with the thumbnail grid inside; a picked cell goes to
// SelectThumbnail.
class TGalleryPanel : public TOverlayPanel {
    Q_OBJECT
public:
    static constexpr TAlphaColor kGalleryFill = kPanelRaised;
    static constexpr TAlphaColor kGalleryFillLight = kLightPanelGallery;

    TGalleryPanel(QSize designSize, QPoint closeBoxPos, QWidget* parent = nullptr);
    bool DialogKey(int key, Qt::KeyboardModifiers modifiers) override;
    virtual void NavigateGallery(int ADirection, bool AVertical) = 0;
    virtual void PrimaryClick() = 0;

    // Cancel, and a primary action with nothing to hand over: close the layer.
    std::function<void()> OnClose;
    // A message for the user (already in the user's language or not to be translated).
    std::function<void(const QString&)> OnMessage;

    TThumbnailGrid* Gallery = nullptr;
    TRoundedPanel* GalleryBox = nullptr;

protected:
    // The title and the gallery; gridName names the grid for the walks.
    void AddGallery(const char* title, const char* gridName);
    // Asks for a picture file and appends it to list under its base name;
    // the error (prefixed "Error: ") goes to OnMessage. check may refuse a
    // decoded picture with a reason. True when the picture was added.
    bool AddUserPicture(const std::function<QString()>& ask, TImageList* list,
                        const std::function<QString(const QImage&)>& check = {});
    // After a picture was added and the gallery refilled: picks and shows the last cell.
    void SelectLastCell(int count);
    virtual void SelectThumbnail(int index) = 0;
};

} // namespace pv
