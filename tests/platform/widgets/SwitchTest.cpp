#include "platform/widgets/Switch.h"

#include "WidgetEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(Switch, ClickFlipsAndReportsSettingDoesNotReport)
{
    TSwitch sw;
    sw.resize(sw.sizeHint());
    std::vector<bool> toggles;
    QObject::connect(&sw, &TSwitch::toggled, [&](bool on) { toggles.push_back(on); });
    test::Click(&sw, {10, 9});
    EXPECT_TRUE(sw.isChecked());
    test::Key(&sw, Qt::Key_Space);
    EXPECT_FALSE(sw.isChecked());
    sw.setChecked(true);
    EXPECT_EQ(toggles, (std::vector<bool>{true, false}));
    // A press that ends outside is no click.
    test::Press(&sw, {10, 9});
    test::Release(&sw, {100, 9});
    EXPECT_TRUE(sw.isChecked());
}

TEST(Switch, ThumbRestsOneUnitFromEitherEnd)
{
    struct Case {
        double trackW, trackH, radius, thumbW, thumbH, onX;
    };
    for (const Case& c : {Case{38, 18, 8, 18, 16, 19}, Case{40, 20, 9, 18, 18, 21}}) {
        TSwitch sw;
        sw.setTrack(c.trackW, c.trackH, c.radius);
        sw.setThumb(c.thumbW, c.thumbH);
        EXPECT_EQ(sw.thumbX(), 1);
        sw.setChecked(true, false);
        EXPECT_EQ(sw.thumbX(), c.onX);
        EXPECT_EQ(sw.sizeHint(), QSize(int(c.trackW), int(c.trackH)));
    }
}

TEST(Switch, ThumbSlidesToItsPlaceShortlyAfterAClick)
{
    TSwitch sw;
    sw.resize(sw.sizeHint());
    sw.show();
    test::Click(&sw, {10, 9});
    EXPECT_TRUE(sw.isSliding());
    QElapsedTimer t;
    t.start();
    while (sw.isSliding() && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_FALSE(sw.isSliding());
    EXPECT_EQ(sw.thumbX(), 19);
}

} // namespace
} // namespace pv
