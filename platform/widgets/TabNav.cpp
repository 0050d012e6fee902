#include "platform/widgets/TabNav.h"

#include "platform/widgets/Control.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"

#include <QHash>
#include <QPainter>

#include <algorithm>

namespace pv {
namespace {

bool gKeyboardFocus = false;

QHash<const QWidget*, QPointer<QWidget>>& Proxies()
{
    static QHash<const QWidget*, QPointer<QWidget>> proxies;
    return proxies;
}

const char* const kTagProperty = "pvTag";
const char* const kClickGroupProperty = "pvClickGroup";
const char* const kDrawsRingProperty = "pvDrawsFocusRing";

QPoint AbsoluteTopLeft(const QWidget* w) { return w->mapTo(w->window(), QPoint(0, 0)); }

QRect AbsoluteRect(const QWidget* w) { return {AbsoluteTopLeft(w), w->size()}; }

// The direct child controls that navigation looks at, in child order.
std::vector<QWidget*> ChildControls(const QWidget* parent)
{
    std::vector<QWidget*> out;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && !w->isWindow() && !HasTabSkip(w))
            out.push_back(w);
    }
    return out;
}

bool VisibleWithParents(const QWidget* w) { return !w->isHidden() && w->isVisibleTo(w->window()); }

// A clickable shape or expander: what covers the stops lying on it.
bool IsCoveringStop(const QWidget* w)
{
    return (qobject_cast<const TRoundedPanel*>(w) || qobject_cast<const TExpander*>(w)) && HasClickHandler(w);
}

} // namespace

void SetTabSkip(QWidget* control, bool skip)
{
    if (control)
        control->setProperty(kTagProperty, skip ? QVariant(TabSkipTag) : QVariant());
}

bool HasTabSkip(const QWidget* control)
{
    const QVariant tag = control->property(kTagProperty);
    return tag.isValid() && tag.toInt() == TabSkipTag;
}

void SetClickGroup(QWidget* control, const QString& group) { control->setProperty(kClickGroupProperty, group); }

bool HasClickHandler(const QWidget* control)
{
    const auto* c = dynamic_cast<const TControl*>(control);
    return c && c->hasClickHandler();
}

bool IsRingClickable(const QWidget* control)
{
    return (qobject_cast<const TRoundedPanel*>(control) || qobject_cast<const TLabel*>(control) ||
            qobject_cast<const TExpander*>(control) || qobject_cast<const TSvgIcon*>(control)) &&
           HasClickHandler(control);
}

void ClickUnderRing(QWidget* control)
{
    if (auto* expander = qobject_cast<TExpander*>(control))
        Q_EMIT expander->headerClicked();
    else if (control)
        QMetaObject::invokeMethod(control, "clicked");
}

bool IsTabStopControl(const QWidget* control)
{
    return control && VisibleWithParents(control) && control->focusPolicy() != Qt::NoFocus &&
           control->isEnabled() && (control->focusPolicy() & Qt::TabFocus);
}

bool NeedsAutoTabStop(const QWidget* control)
{
    return control && HasClickHandler(control) && VisibleWithParents(control) && control->isEnabled() &&
           !control->testAttribute(Qt::WA_TransparentForMouseEvents) && !IsTabStopControl(control);
}

void MakeTabStop(QWidget* control)
{
    if (!(control->focusPolicy() & Qt::TabFocus))
        control->setFocusPolicy(Qt::StrongFocus);
}

bool HasTabStopDescendant(QWidget* control)
{
    for (QWidget* child : ChildControls(control)) {
        if (NeedsAutoTabStop(child))
            MakeTabStop(child);
        if (IsTabStopControl(child) || HasTabStopDescendant(child))
            return true;
    }
    return false;
}

void CollectTabStops(QWidget* parent, std::vector<QWidget*>& out)
{
    if (!parent)
        return;
    std::vector<QWidget*> candidates;
    for (QWidget* child : ChildControls(parent)) {
        if (NeedsAutoTabStop(child))
            MakeTabStop(child);
        if (IsTabStopControl(child) || HasTabStopDescendant(child))
            candidates.push_back(child);
    }
    SortStopsReadingOrder(candidates);
    // A stop's own descendants are never searched.
    for (QWidget* c : candidates) {
        if (IsTabStopControl(c))
            out.push_back(c);
        else
            CollectTabStops(c, out);
    }
}

void SortReadingOrder(std::vector<TStopGeom>& stops)
{
    if (stops.size() < 2)
        return;
    std::stable_sort(stops.begin(), stops.end(),
                     [](const TStopGeom& a, const TStopGeom& b) { return a.T != b.T ? a.T < b.T : a.L < b.L; });
    int row = 0;
    float rowTop = stops.front().T;
    for (TStopGeom& s : stops) {
        if (s.T - rowTop > 14) {
            ++row;
            rowTop = s.T;
        }
        s.Row = row;
    }
    std::stable_sort(stops.begin(), stops.end(), [](const TStopGeom& a, const TStopGeom& b) {
        if (a.Row != b.Row)
            return a.Row < b.Row;
        return a.L != b.L ? a.L < b.L : a.T < b.T;
    });
}

void SortStopsReadingOrder(std::vector<QWidget*>& stops)
{
    if (stops.size() < 2)
        return;
    std::vector<TStopGeom> geoms;
    geoms.reserve(stops.size());
    for (QWidget* w : stops) {
        TStopGeom g;
        g.Ctrl = w;
        const QWidget* proxy = Proxies().value(w);
        if (proxy) {
            const QPoint p = AbsoluteTopLeft(proxy);
            g.L = float(p.x()) + 0.5f;
            g.T = float(p.y());
        } else {
            const QPoint p = AbsoluteTopLeft(w);
            g.L = float(p.x());
            g.T = float(p.y());
        }
        geoms.push_back(g);
    }
    SortReadingOrder(geoms);
    for (size_t i = 0; i < geoms.size(); ++i)
        stops[i] = geoms[i].Ctrl;
}

void RemoveCoveredStops(std::vector<QWidget*>& stops)
{
    std::vector<QWidget*> kept;
    for (QWidget* s : stops) {
        bool covered = false;
        if (!IsCoveringStop(s)) {
            const QRect sr = AbsoluteRect(s);
            const double cx = sr.x() + sr.width() / 2.0, cy = sr.y() + sr.height() / 2.0;
            const QString group = s->property(kClickGroupProperty).toString();
            for (QWidget* k : stops) {
                if (k == s || !IsCoveringStop(k))
                    continue;
                const QRect kr = AbsoluteRect(k);
                if (cx >= kr.x() && cx < kr.x() + kr.width() && cy >= kr.y() && cy < kr.y() + kr.height()) {
                    covered = true;
                    break;
                }
                if (!group.isEmpty() && group == k->property(kClickGroupProperty).toString() &&
                    sr.intersects(kr)) {
                    covered = true;
                    break;
                }
            }
        }
        if (!covered)
            kept.push_back(s);
    }
    stops = std::move(kept);
}

int NextStopIndex(int index, int count, bool backward)
{
    if (count <= 0)
        return -1;
    const int next = backward ? index - 1 : index + 1;
    return ((next % count) + count) % count;
}

bool IsDescendantOf(const QWidget* control, const QWidget* ancestor)
{
    for (const QWidget* w = control; w; w = w->parentWidget())
        if (w == ancestor)
            return true;
    return false;
}

void MoveTabFocus(QWidget* root, QWidget* current, bool backward)
{
    std::vector<QWidget*> stops;
    CollectTabStops(root, stops);
    RemoveCoveredStops(stops);
    const int count = int(stops.size());
    if (count == 0)
        return;
    int index = -1;
    if (current) {
        const auto it = std::find(stops.begin(), stops.end(), current);
        if (it != stops.end())
            index = int(it - stops.begin());
        else
            for (int i = 0; i < count && index < 0; ++i)
                if (IsDescendantOf(current, stops[size_t(i)]))
                    index = i;
    }
    stops[size_t(NextStopIndex(index, count, backward))]->setFocus(backward ? Qt::BacktabFocusReason
                                                                             : Qt::TabFocusReason);
}

// ------------------------------------------------------------------ the ring

TFocusRing::TFocusRing(QWidget* owner) : QWidget(owner)
{
    setObjectName(QStringLiteral("FFocusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    SetTabSkip(this);
    hide();
}

void TFocusRing::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = Dp(2);
    p.setPen(QPen(ToQColor(kAccentFocusRing), w));
    p.setBrush(Qt::NoBrush);
    const double r = std::min({Dp(15), width() / 2.0, height() / 2.0});
    p.drawRoundedRect(QRectF(rect()).adjusted(w / 2, w / 2, -w / 2, -w / 2), r, r);
}

TFocusRing* CreateFocusRing(QWidget* owner) { return new TFocusRing(owner); }

void ShowFocusRingAt(TFocusRing* ring, QWidget* parent, const QRect& bounds)
{
    if (!ring || !parent)
        return;
    if (ring->parentWidget() != parent)
        ring->setParent(parent);
    ring->setGeometry(bounds);
    ring->raise();
    ring->show();
}

void ShowFocusRing(TFocusRing* ring, QWidget* control)
{
    if (!ring || !control || !control->parentWidget())
        return;
    const int m = DpI(2);
    ShowFocusRingAt(ring, control->parentWidget(), control->geometry().adjusted(-m, -m, m, m));
}

void HideFocusRing(TFocusRing* ring, QWidget* window)
{
    if (!ring)
        return;
    ring->hide();
    if (window && ring->parentWidget() != window)
        ring->setParent(window);
}

bool FocusRingShown(const TFocusRing* ring) { return ring && !ring->isHidden(); }

void BeginKeyboardFocus() { gKeyboardFocus = true; }
void EndKeyboardFocus() { gKeyboardFocus = false; }
bool IsKeyboardFocusActive() { return gKeyboardFocus; }

void UpdateFocusRing(TFocusRing* ring, QWidget* focused, QWidget* root, QWidget* window)
{
    if (gKeyboardFocus && root && focused && IsDescendantOf(focused, root))
        ShowFocusRing(ring, focused);
    else
        HideFocusRing(ring, window);
    gKeyboardFocus = false;
}

void RegisterTabGeometryProxy(QWidget* control, QWidget* proxy)
{
    if (!control)
        return;
    if (!proxy) {
        Proxies().remove(control);
        return;
    }
    if (!Proxies().contains(control))
        QObject::connect(control, &QObject::destroyed, [control] { Proxies().remove(control); });
    Proxies().insert(control, proxy);
}

void SetWindowDrawsFocusRing(QWidget* window, bool on)
{
    if (window)
        window->setProperty(kDrawsRingProperty, on);
}

bool WindowDrawsFocusRing(const QWidget* window)
{
    return window && window->property(kDrawsRingProperty).toBool();
}

} // namespace pv
