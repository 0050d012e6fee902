#pragma once
// The gallery strip along the bottom of the canvas area: a tab that opens and
// collapses it, the round add button and one row of thumbnails, newest on
// the left, scrolled sideways with the wheel. It draws what its TGalleryItems
// hold and reports what the user does with a thumbnail (hover, right-click,
// drag) to the window through callbacks; the context menu with "Set as
// Result" and "Set as Source" is a separate small popup of the window.

#include "platform/widgets/RoundedPanel.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace pv {

class TGalleryItems;
class TLabel;

// Where the strip's parts lie for a width and height (pixels): the tab at the
// top right, the add button's panel on the left, the thumbnail cells after it.
struct TGalleryStripLayout {
    int width = 0, height = 0;
    double scale = 1; // interface size factor
    int tabWidth = 100;

    QRect TabRect() const;
    QRect AddButtonRect() const;
    // The area the thumbnails scroll in.
    QRect RowRect() const;
    // The thumbnail at an index, for a scroll offset (row coordinates turned
    // into strip coordinates); 102 x 102 inside a 106-wide cell.
    QRect ThumbnailRect(int index, int scroll) const;
    // The thumbnail under a strip point, or -1.
    int ThumbnailAt(QPoint p, int count, int scroll) const;
    int CellPitch() const;
    int MaxScroll(int count) const;
};

// The drag of a thumbnail carries its index under this type.
inline constexpr char kGalleryThumbnailMime[] = "application/x-pelandrovium-gallery-index";

// Collapsed and open heights, in design units.
inline constexpr int kGalleryCollapsedHeight = 20;
inline constexpr int kGalleryOpenHeight = 110;

class TGalleryStrip : public QWidget {
    Q_OBJECT
public:
    TGalleryStrip(TGalleryItems& items, QWidget* parent);

    bool IsOpen() const { return open_; }
    // Opens or collapses (the tab's text, the fill, the opacity follow).
    void SetOpen(bool open);
    // Height for the current state, in pixels.
    int StripHeight() const;
    // The tab's text for the current state and language.
    QString TabText() const;
    // Sizes the tab to its text: max(text width + 20, 100) + 10 design units.
    void FitGalleryToggleLabel();
    // The items changed: repaint and keep the scroll in range.
    void ItemsChanged();
    int Scroll() const { return scroll_; }
    void SetScroll(int scroll);
    TGalleryStripLayout Layout() const;
    // The hint of a thumbnail, four lines in the current language.
    QString HintFor(int index) const;
    // The thumbnail's rectangle in window coordinates.
    QRect ThumbnailWindowRect(int index) const;

    // ---- reported to the window
    std::function<void()> OnToggle;                 // tab, strip click, mouse into a collapsed strip
    std::function<void()> OnAddClicked;
    std::function<void(int index, QPoint globalPos)> OnContextMenu;
    std::function<void(int index)> OnDragStarted;   // the drag runs inside this call
    std::function<void(int index, QRect windowRect)> OnThumbnailEnter;
    std::function<void(int index, QPointF fraction)> OnThumbnailMove;
    std::function<void()> OnThumbnailLeave;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    bool event(QEvent* e) override;

private:
    void SetHovered(int index, QPoint at);
    void StartDrag(int index);

    TGalleryItems& items_;
    bool open_ = false;
    bool mouseInside_ = false;
    bool addHovered_ = false;
    int scroll_ = 0;
    int hovered_ = -1;
    int pressed_ = -1;
    QPoint pressPos_;
    int tabWidth_ = 110;
};

// The context menu of a thumbnail: two items, closed when the pointer leaves
// it by more than 6 pixels (checked every 150 ms) or by either command.
class TGalleryContextMenu : public TRoundedPanel {
    Q_OBJECT
public:
    explicit TGalleryContextMenu(QWidget* window);
    // Shows the menu above the point (window coordinates), inside the window.
    void Popup(QPoint windowPos);
    void Close();
    // The menu's place for a click point in a window of the given width.
    static QPoint PlaceFor(QPoint click, QSize menu, int windowWidth);

    std::function<void()> OnSetAsResult;
    std::function<void()> OnSetAsSource;
    QTimer FGalleryContextTimer;
    TRoundedPanel* FGalleryMenuSetResult = nullptr;
    TRoundedPanel* FGalleryMenuSetSource = nullptr;

private:
    void GalleryContextTimerTimer();
};

} // namespace pv
