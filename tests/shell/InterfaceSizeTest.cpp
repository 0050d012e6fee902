#include "shell/InterfaceSize.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(InterfaceSize, TheAutomaticSizeFitsTheDesignIntoTheWorkArea)
{
    struct Case {
        QSizeF work;
        double zoom;
    } cases[] = {
        {{1280, 984}, 968.0 / 1150.0}, // the height decides
        {{1100, 2000}, 1084.0 / 1419.0}, // the width decides
        {{3840, 2160}, 1.0},           // never above the design
        {{600, 400}, 0.5},             // never below half
        {{0, 0}, 1.0},                 // no work area known
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ComputeAutoUIZoom(c.work), c.zoom, 1e-9) << c.work.width() << "x" << c.work.height();
    EXPECT_NEAR(ComputeAutoUIZoom({1280, 984}), 0.8417, 1e-4);
}

TEST(InterfaceSize, TheStartupSizeComesFromTheSettingElseTheWorkArea)
{
    struct Case {
        const char* stored;
        double zoom;
    } cases[] = {
        {"125", 1.25}, {"75", 0.75}, {"300", 1.5}, {"10", 0.5}, {"big", 1.0}, {"", 968.0 / 1150.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(StartupUIZoom(QString::fromUtf8(c.stored), {1280, 984}), c.zoom, 1e-9) << c.stored;
    EXPECT_EQ(UIZoomSettingText(1.3), QStringLiteral("130"));
    EXPECT_EQ(UIZoomSettingText(0.75), QStringLiteral("75"));
    EXPECT_DOUBLE_EQ(ClampUIZoom(2.0), 1.5);
    EXPECT_DOUBLE_EQ(ClampUIZoom(0.1), 0.5);
}

TEST(InterfaceSize, TheMinimumSizeShrinksOnlyOnSmallWorkAreas)
{
    struct Case {
        QSize work, minimum;
    } cases[] = {
        {{1920, 1040}, {1080, 768}},
        {{1024, 744}, {1008, 728}},
        {{1600, 700}, {1080, 684}},
        {{10, 10}, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MinimumWindowSize(c.work), c.minimum) << c.work.width() << "x" << c.work.height();
}

} // namespace
} // namespace pv
