#include "shell/Marquee.h"

#include "platform/widgets/Label.h"

#include <QElapsedTimer>
#include <QFontMetricsF>

#include <algorithm>

namespace pv {
namespace {

TMarqueeClock& Clock()
{
    static TMarqueeClock clock;
    return clock;
}

} // namespace

void SetMarqueeClock(TMarqueeClock clock) { Clock() = std::move(clock); }

int64_t MarqueeNow()
{
    if (Clock())
        return Clock()();
    static QElapsedTimer since;
    if (!since.isValid())
        since.start();
    return since.elapsed() + 1;
}

float MarqueeTextX(const TMarqueeState& s)
{
    switch (s.Phase) {
    case TMarqueePhase::WaitStart:
        return 0;
    case TMarqueePhase::Scrolling:
        return -s.ScrollPos;
    case TMarqueePhase::WaitEnd:
        return -(s.TextWidth - s.LabelWidth);
    }
    return 0;
}

float AdvanceMarquee(TMarqueeState& s, int64_t dtMs, float speed)
{
    const float step = std::min(float(dtMs) / 1000.0f, 0.05f);
    switch (s.Phase) {
    case TMarqueePhase::WaitStart:
        s.WaitCount -= int(dtMs);
        if (s.WaitCount < 1) {
            s.Phase = TMarqueePhase::Scrolling;
            s.ScrollPos = 0;
        }
        break;
    case TMarqueePhase::Scrolling: {
        s.ScrollPos += step * speed;
        const float end = s.TextWidth - s.LabelWidth;
        if (s.ScrollPos >= end) {
            s.ScrollPos = end;
            s.Phase = TMarqueePhase::WaitEnd;
            s.WaitCount = 1800;
        }
        break;
    }
    case TMarqueePhase::WaitEnd:
        s.WaitCount -= int(dtMs);
        if (s.WaitCount < 1) {
            s.ScrollPos = 0;
            s.Phase = TMarqueePhase::WaitStart;
            s.WaitCount = 1800;
        }
        break;
    }
    return MarqueeTextX(s);
}

TMarqueeGroup::TMarqueeGroup(float speed) : speed_(speed)
{
    timer_.setInterval(16);
    connect(&timer_, &QTimer::timeout, this, &TMarqueeGroup::Tick);
}

TMarqueeGroup::~TMarqueeGroup() { Teardown(); }

void TMarqueeGroup::Add(const TMarqueeState& state, std::function<void(float)> place)
{
    TItem item;
    item.state = state;
    item.place = std::move(place);
    items_.push_back(std::move(item));
}

bool TMarqueeGroup::AddLabel(TLabel* label)
{
    if (!label || label->isHidden() || !label->parentWidget())
        return false;
    const float labelWidth = float(label->width());
    const float textWidth = float(QFontMetricsF(label->font()).horizontalAdvance(label->text()));
    if (!LabelNeedsMarquee(textWidth, labelWidth))
        return false;
    TItem item;
    item.state.LabelWidth = labelWidth;
    item.state.TextWidth = textWidth;
    item.label = label;
    item.origParent = label->parentWidget();
    item.origPos = label->pos();
    item.origWidth = label->width();
    auto* clip = new QWidget(label->parentWidget());
    clip->setObjectName(label->objectName() + QStringLiteral("Clip"));
    clip->setGeometry(label->x(), label->y(), label->width(), label->height() + 4);
    clip->show();
    clip->stackUnder(label);
    item.clip = clip;
    label->setParent(clip);
    label->setGeometry(0, 0, int(textWidth) + 4, label->height());
    label->show();
    item.place = [label](float x) {
        if (label)
            label->move(int(std::lround(x)), 0);
    };
    items_.push_back(std::move(item));
    return true;
}

void TMarqueeGroup::Start()
{
    if (items_.empty())
        return;
    lastMs_ = 0;
    timer_.start();
}

void TMarqueeGroup::Teardown()
{
    timer_.stop();
    for (TItem& item : items_) {
        if (item.label && item.origParent) {
            item.label->setParent(item.origParent);
            item.label->setGeometry(item.origPos.x(), item.origPos.y(), item.origWidth, item.label->height());
            item.label->show();
        }
        delete item.clip.data();
    }
    items_.clear();
}

void TMarqueeGroup::Tick()
{
    if (KeepRunning && !KeepRunning()) {
        Teardown();
        return;
    }
    const int64_t now = MarqueeNow();
    const int64_t dt = lastMs_ == 0 ? 0 : now - lastMs_;
    lastMs_ = now;
    for (TItem& item : items_) {
        const float x = AdvanceMarquee(item.state, dt, speed_);
        if (item.place)
            item.place(x);
    }
}

} // namespace pv
