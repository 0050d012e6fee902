#pragma once
// Captions too long for their place scroll back and forth ("marquee"): a
// caption waits 3 s, scrolls to its end, rests 1.8 s, jumps back and rests
// 1.8 s before the next pass. A group of captions shares one 16 ms timer and
// measures real time through a clock that tests replace. Steps are bounded
// to 0.05 s, so a stalled message loop does not make captions jump.
// UI thread only.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace pv {

class TLabel;

enum class TMarqueePhase { WaitStart, Scrolling, WaitEnd };

struct TMarqueeState {
    float LabelWidth = 0; // the visible width
    float TextWidth = 0;
    TMarqueePhase Phase = TMarqueePhase::WaitStart;
    int WaitCount = 3000; // milliseconds left to wait
    float ScrollPos = 0;  // pixels scrolled
};

// One tick dtMs after the previous one at speed pixels per second; returns
// where the text now starts (0 or negative).
float AdvanceMarquee(TMarqueeState& state, int64_t dtMs, float speed);
float MarqueeTextX(const TMarqueeState& state);

// When a label's caption scrolls: its text is more than 8 pixels wider.
inline bool LabelNeedsMarquee(float textWidth, float labelWidth) { return textWidth > labelWidth + 8; }

// Milliseconds of a monotonic clock; tests install their own.
using TMarqueeClock = std::function<int64_t()>;
void SetMarqueeClock(TMarqueeClock clock);
int64_t MarqueeNow();

class TMarqueeGroup : public QObject {
    Q_OBJECT
public:
    // speed: pixels per second. Owned by whoever holds it (no parent).
    explicit TMarqueeGroup(float speed);
    ~TMarqueeGroup() override;

    // A caption that scrolls: place(x) moves its text to x.
    void Add(const TMarqueeState& state, std::function<void(float)> place);
    // A label whose caption is too wide moves into a clip at its place and
    // scrolls there; false (nothing changes) when it fits or is hidden.
    bool AddLabel(TLabel* label);
    // Starts the timer when some caption scrolls.
    void Start();
    // Stops and puts every label back where, as wide and as trimmed as it was.
    void Teardown();
    // A tick of the timer; also called by tests.
    void Tick();
    // Checked first on every tick: false tears the group down.
    std::function<bool()> KeepRunning;

    bool Active() const { return !items_.empty(); }
    bool Running() const { return timer_.isActive(); }
    int Count() const { return int(items_.size()); }
    const TMarqueeState& State(int i) const { return items_[size_t(i)].state; }

private:
    struct TItem {
        TMarqueeState state;
        std::function<void(float)> place;
        // Labels moved into a clip, restored by the teardown.
        QPointer<TLabel> label;
        QPointer<QWidget> clip, origParent;
        QPoint origPos;
        int origWidth = 0;
    };
    std::vector<TItem> items_;
    QTimer timer_;
    int64_t lastMs_ = 0;
    float speed_;
};

} // namespace pv
