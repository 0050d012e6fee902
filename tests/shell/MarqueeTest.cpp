#include "shell/Marquee.h"

#include "platform/widgets/Label.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(Marquee, WaitsScrollsRestsAndJumpsBack)
{
    TMarqueeState s;
    s.LabelWidth = 100;
    s.TextWidth = 200; // 100 pixels too wide
    EXPECT_EQ(AdvanceMarquee(s, 0, 50), 0);
    EXPECT_EQ(AdvanceMarquee(s, 2999, 50), 0);
    EXPECT_EQ(s.Phase, TMarqueePhase::WaitStart);
    AdvanceMarquee(s, 1, 50);
    EXPECT_EQ(s.Phase, TMarqueePhase::Scrolling);
    // 100 pixels at 50 px/s in 16 ms ticks: about 2 seconds.
    int ticks = 0;
    while (s.Phase == TMarqueePhase::Scrolling && ticks < 1000) {
        AdvanceMarquee(s, 16, 50);
        ++ticks;
    }
    EXPECT_NEAR(ticks * 16, 2000, 16);
    EXPECT_EQ(MarqueeTextX(s), -100);
    EXPECT_EQ(s.WaitCount, 1800);
    EXPECT_EQ(AdvanceMarquee(s, 1799, 50), -100);
    EXPECT_EQ(AdvanceMarquee(s, 1, 50), 0);
    EXPECT_EQ(s.Phase, TMarqueePhase::WaitStart);
    EXPECT_EQ(s.WaitCount, 1800);
}

TEST(Marquee, AStalledLoopAdvancesByAtMostAFiftiethOfASecond)
{
    TMarqueeState s;
    s.LabelWidth = 10;
    s.TextWidth = 200;
    s.Phase = TMarqueePhase::Scrolling;
    EXPECT_FLOAT_EQ(AdvanceMarquee(s, 200, 50), -2.5f);
    EXPECT_FLOAT_EQ(AdvanceMarquee(s, 200, 100), -7.5f);
}

TEST(Marquee, OnlyCaptionsMoreThan8PixelsTooWideScrollAndTeardownPutsThemBack)
{
    int64_t now = 1000;
    SetMarqueeClock([&now] { return now; });
    QWidget parent;
    const QString text = QStringLiteral("Copy to clipboard");
    auto* seven = new TLabel(text, &parent);
    auto* nine = new TLabel(text, &parent);
    const int textWidth = int(std::ceil(QFontMetricsF(seven->font()).horizontalAdvance(text)));
    seven->setGeometry(10, 10, textWidth - 7, 20);
    nine->setGeometry(10, 40, textWidth - 9, 20);
    TMarqueeGroup group(50);
    EXPECT_FALSE(group.AddLabel(seven));
    EXPECT_TRUE(group.AddLabel(nine));
    EXPECT_EQ(seven->parentWidget(), &parent);
    ASSERT_NE(nine->parentWidget(), &parent);
    EXPECT_EQ(nine->parentWidget()->geometry(), QRect(10, 40, textWidth - 9, 24));
    group.Start();
    EXPECT_TRUE(group.Running());
    group.Tick();       // the first tick measures from itself
    now += 3000;        // the wait at the start
    group.Tick();
    now += 40;
    group.Tick();       // 2 pixels at 50 px/s
    EXPECT_EQ(nine->x(), -2);
    group.Teardown();
    EXPECT_FALSE(group.Running());
    EXPECT_EQ(nine->parentWidget(), &parent);
    EXPECT_EQ(nine->geometry(), QRect(10, 40, textWidth - 9, 20));
    EXPECT_EQ(parent.findChildren<QWidget*>().size(), 2);
    SetMarqueeClock({});
}

} // namespace
} // namespace pv
