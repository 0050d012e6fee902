#pragma once
// Keyboard navigation for any window: Tab and Shift+Tab over the visible
// controls in reading order (rows top to bottom, left to right inside a
// row), and one focus ring drawn around the control that got the focus from
// the keyboard (a focus moved by the mouse hides it). The stops are
// collected afresh on every key press: clickable controls that were not
// designed as stops become stops, stops under clickable shapes are dropped,
// and a control may borrow another one's position for the ordering.
// UI thread only.

#include <QPointer>
#include <QWidget>

#include <vector>

namespace pv {

// A control carrying this tag is never a stop, nor is anything inside it.
constexpr int TabSkipTag = 128704705;
void SetTabSkip(QWidget* control, bool skip = true);
bool HasTabSkip(const QWidget* control);

// Controls that forward the same click (a label on its clickable panel)
// share a click group; an empty group means a handler of its own.
void SetClickGroup(QWidget* control, const QString& group);

// One candidate during sorting: left and top of the rectangle used for the
// ordering (window coordinates) and the row it falls in.
struct TStopGeom {
    QWidget* Ctrl = nullptr;
    float L = 0, T = 0;
    int Row = 0;
};

// The control has a click handler (a connected "clicked" of the widget kit).
bool HasClickHandler(const QWidget* control);
// Shapes, labels, expanders and icons with a click handler: Enter and Space
// click them under the ring.
bool IsRingClickable(const QWidget* control);
// Runs the click of such a control or of a button (an expander's header click).
void ClickUnderRing(QWidget* control);
bool IsTabStopControl(const QWidget* control);
bool NeedsAutoTabStop(const QWidget* control);
void MakeTabStop(QWidget* control);
bool HasTabStopDescendant(QWidget* control);
void CollectTabStops(QWidget* parent, std::vector<QWidget*>& out);
// Rows open when a top lies more than 14 below the row's first top.
void SortReadingOrder(std::vector<TStopGeom>& stops);
void SortStopsReadingOrder(std::vector<QWidget*>& stops);
void RemoveCoveredStops(std::vector<QWidget*>& stops);
// The stop after (or before) index among count, wrapping; index -1 is none.
int NextStopIndex(int index, int count, bool backward);
void MoveTabFocus(QWidget* root, QWidget* current, bool backward);
bool IsDescendantOf(const QWidget* control, const QWidget* ancestor);

// The ring: a rounded outline that takes no mouse hits.
class TFocusRing : public QWidget {
    Q_OBJECT
public:
    explicit TFocusRing(QWidget* owner);

protected:
    void paintEvent(QPaintEvent*) override;
};

TFocusRing* CreateFocusRing(QWidget* owner);
void ShowFocusRing(TFocusRing* ring, QWidget* control);
// The ring around exactly these bounds (in parent's coordinates).
void ShowFocusRingAt(TFocusRing* ring, QWidget* parent, const QRect& bounds);
void HideFocusRing(TFocusRing* ring, QWidget* window);
bool FocusRingShown(const TFocusRing* ring);

void BeginKeyboardFocus();
void EndKeyboardFocus();
bool IsKeyboardFocusActive();
void UpdateFocusRing(TFocusRing* ring, QWidget* focused, QWidget* root, QWidget* window);

// Orders control at proxy's position (half a unit to its right); a null
// proxy removes the entry.
void RegisterTabGeometryProxy(QWidget* control, QWidget* proxy);

// Windows that draw the ring ask the kit's controls not to draw their own
// focus marks.
void SetWindowDrawsFocusRing(QWidget* window, bool on = true);
bool WindowDrawsFocusRing(const QWidget* window);

} // namespace pv
