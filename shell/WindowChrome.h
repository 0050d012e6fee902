#pragma once
// The frameless main window's own chrome: a drag strip that moves the window
// (after the button has been held for 200 ms) and maximises or restores it on
// a double click, four 5-pixel edge strips and four 14 x 14 corner grips that
// resize it, and a maximise of its own onto the work area of its screen with
// the bounds to return to.
//
// The window manager moves and resizes the window where it offers to
// (QWindow::startSystemMove / startSystemResize); without one (a bare X
// server) the chrome moves and resizes the window itself from the mouse.
// Screen, work-area and geometry changes arrive as Qt signals.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>

#include <array>
#include <functional>

class QScreen;
class QWidget;

namespace pv {

// What an edge strip or corner grip resizes; the values are the handles' tags.
enum class TResizeRole {
    None = 0,
    Top = 1,
    Bottom = 2,
    Left = 3,
    Right = 4,
    TopLeft = 5,
    TopRight = 6,
    BottomLeft = 7,
    BottomRight = 8,
};

inline constexpr int kFrameEdge = 5;  // edge strips, pixels
inline constexpr int kFrameGrip = 14; // corner grips, pixels

// Where a handle lies in a window of this size: edge strips along the sides
// (between the grips), grips in the corners.
QRect FrameHandleRect(TResizeRole role, QSize window, int edge = kFrameEdge, int grip = kFrameGrip);
// The handle under a point of the window (corners before edges), or None.
TResizeRole HitTestFrame(QSize window, QPoint point, int edge = kFrameEdge, int grip = kFrameGrip);
Qt::Edges EdgesOf(TResizeRole role);
Qt::CursorShape CursorOf(TResizeRole role);

// The window's bounds while a handle is dragged by delta from startBounds:
// the dragged sides follow the mouse, but never closer to the opposite side
// than the minimum size.
QRect ResizeTargetRect(TResizeRole role, const QRect& startBounds, QPoint delta, QSize minimum);
// Where a restore puts the window: the remembered bounds when they are wider
// and taller than 100, else the work area inset by 50 on every side.
QRect RestoreGeometry(const QRect& remembered, const QRect& work);
// The bounds the deferred start-up remembers for restoring: 90 % of the work
// area, at least the minimum size and at most the work area, centred.
QRect StartupRestoreRect(const QRect& work, QSize minimum);
// A normal window that came onto a work area it does not fit: 98 % of that
// area, centred; otherwise the window as it is.
QRect FitWindowToWorkArea(const QRect& window, const QRect& work);
// Gives a window the minimum size of its screen's work area.
void ApplyMinimumSizeForWorkArea(QWidget* window);

class TWindowChrome : public QObject {
    Q_OBJECT
public:
    // Chrome for a top-level widget, which it makes frameless.
    explicit TWindowChrome(QWidget* window);
    ~TWindowChrome() override;

    // The strip that moves the window and toggles maximise on a double
    // click; its own children that take the mouse (buttons) keep it.
    void SetDragStrip(QWidget* strip);
    // A surface whose bare background also moves the window (the body).
    void SetDragSurface(QWidget* surface);

    bool IsCustomMaximized() const { return maximized_; }
    QRect RestoreBounds() const { return restoreBounds_; }
    void SetRestoreBounds(const QRect& bounds) { restoreBounds_ = bounds; }
    // The work area of the window's screen (logical pixels).
    QRect WorkArea() const;

    // Toggles maximise and restore (the maximise button, a double click).
    void MaxButtonClick();
    // Puts the window exactly on its work area and keeps it flagged.
    void MaximizeToWorkArea();
    void MinButtonClick();
    // Minimum size min(work - 16, 1080) x min(work - 16, 768).
    void UpdateMinConstraintsForWorkArea();
    // Places the handles for the window's size (and hides them while
    // maximised); runs on every resize.
    void LayoutHandles();

    // The handles, by role (tests and the window's z-order).
    QWidget* Handle(TResizeRole role) const;
    bool IsMoving() const { return moving_; }
    bool IsResizing() const { return resizeRole_ != TResizeRole::None; }
    // The window is pressed (its strip, body or a handle is held), moved or
    // resized.
    bool IsPressed() const { return pressed_; }

    // The window manager's move and resize; replaceable so tests can refuse
    // them and exercise the chrome's own.
    std::function<bool()> StartSystemMove;
    std::function<bool(Qt::Edges)> StartSystemResize;
    // How long the strip must be held before the window moves.
    void SetMoveDelay(int ms) { moveTimer_.setInterval(ms); }

Q_SIGNALS:
    void maximizedChanged(bool maximized);
    // The window was pressed, or let go after a press, move or resize.
    void pressedChanged(bool pressed);
    // Screen, work area or scale changed: the window should lay itself out.
    void relayoutNeeded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TResizeHandle;
    void BeginMove();
    void EndMove();
    void HandlePress(TResizeRole role, QPoint global);
    void HandleMove(QPoint global);
    void HandleRelease(QPoint global);
    void WatchScreen(QScreen* screen);
    void ScreenChanged(QScreen* screen);
    void WorkAreaChanged();
    void GeometrySettled();
    void SetPressed(bool pressed);
    void PollPressed();

    QWidget* window_;
    QPointer<QWidget> strip_;
    QPointer<QWidget> surface_;
    std::array<QWidget*, 8> handles_{};
    bool maximized_ = false;
    QRect restoreBounds_;
    // Moving: the strip is held; after the delay the move starts.
    QTimer moveTimer_;
    bool pressHeld_ = false;
    bool moving_ = false;
    bool ownMove_ = false;
    QPoint lastGlobal_, moveStartCursor_, moveStartPos_;
    // Resizing with the chrome's own code.
    TResizeRole resizeRole_ = TResizeRole::None;
    QPoint resizeStartPoint_;
    QRect resizeStartBounds_;
    // A maximised window that was moved or whose work area changed goes back
    // onto the work area once the geometry has settled.
    QTimer settleTimer_;
    QPointer<QScreen> screen_;
    bool applying_ = false;
    bool watching_ = false;
    // Pressed: ends with a release the chrome sees, or, when the window
    // manager moves or resizes the window and keeps the release to itself,
    // at the first poll that finds no button held.
    bool pressed_ = false;
    QTimer pressPoll_;
};

} // namespace pv
