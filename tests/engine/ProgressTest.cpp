#include "FakeHost.h"

#include "engine/Effect.h"
#include "platform/system/Threads.h"

#include <gtest/gtest.h>

#include <thread>

namespace pv {
namespace {

using test::DrainEvents;
using test::FakeHost;
using test::SolidImage;

uint32_t gFakeTick = 0;
uint32_t FakeTick() { return gFakeTick; }

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetTickSource(&FakeTick);
        gFakeTick = 100000;
        LastProgressTick = 0;
        DrainEvents();
    }
    void TearDown() override
    {
        SetTickSource(nullptr);
        DrainEvents();
    }
    FakeHost host;
};

TEST_F(ProgressTest, CancellationRulesForFullRendersAndPreviews)
{
    struct Case {
        const char* name;
        bool preview;
        int threadGeneration;
        int windowGeneration;
        bool cancel;
        bool cancelled;
    };
    const Case cases[] = {
        {"full render, not cancelled", false, 0, 3, false, false},
        {"full render, cancel set", false, 0, 3, true, true},
        {"current preview ignores cancel", true, 3, 3, true, false},
        {"stale preview", true, 2, 3, false, true},
    };
    for (const Case& c : cases) {
        PreviewScope scope(c.preview, c.threadGeneration);
        host.FPreviewGeneration = c.windowGeneration;
        host.Cancel = c.cancel;
        EXPECT_EQ(IsEffectCancelled(), c.cancelled) << c.name;
        if (c.cancelled)
            EXPECT_THROW(CheckCancellation(), EAbort) << c.name;
        else
            EXPECT_NO_THROW(CheckCancellation()) << c.name;
    }
}

TEST_F(ProgressTest, CancellationQueuesTheFinishedValue)
{
    host.Cancel = true;
    EXPECT_THROW(SafeUpdateProgress(40), EAbort);
    DrainEvents();
    EXPECT_EQ(host.progress, std::vector<int>{101});
}

TEST_F(ProgressTest, ThrottlePassesOneValuePerFiftyMilliseconds)
{
    SafeUpdateProgress(30);
    gFakeTick += 10;
    SafeUpdateProgress(31);  // within 50 ms: dropped
    SafeUpdateProgress(101); // always passes
    SafeUpdateProgress(0);   // always passes
    gFakeTick += 50;
    SafeUpdateProgress(32); // exactly 50 ms after the last passed push: still dropped
    gFakeTick += 1;
    SafeUpdateProgress(33);
    DrainEvents();
    EXPECT_EQ(host.progress, (std::vector<int>{30, 101, 0, 33}));
}

TEST_F(ProgressTest, PreviewPushesSnapshotsAndHonoursGenerations)
{
    const ISkSurface surface = SkSurface::MakeRaster(2, 2);
    host.FPreviewGeneration = 5;
    {
        PreviewScope scope(true, 5);
        SafeUpdatePreview(surface, 40);
        gFakeTick += 100; // inside the 120 ms preview window
        SafeUpdatePreview(surface, 45);
        surface->getCanvas()->clear(kColorWhite);
        SafeUpdatePreview(surface, 101);
    }
    DrainEvents();
    ASSERT_EQ(host.previewPercents, (std::vector<int>{40, 101}));
    EXPECT_EQ(test::PixelAt(surface, 0, 0), 0xFFFFFFFFu);
    SkPixmap first;
    host.previews[0]->peekPixels(first);
    EXPECT_EQ(first.at(0, 0), 0u) << "a snapshot is a copy taken at push time";
    EXPECT_EQ(host.ProgressPercent, 101);
    EXPECT_TRUE(host.progress.empty()) << "previews never touch the progress bar";
}

TEST_F(ProgressTest, StalePreviewIsNeitherPushedNorDrawn)
{
    const ISkSurface surface = SkSurface::MakeRaster(2, 2);
    host.FPreviewGeneration = 5;
    {
        PreviewScope scope(true, 5);
        SafeUpdatePreview(surface, 101);
        host.FPreviewGeneration = 6; // a newer preview started before the queued call ran
        EXPECT_THROW(SafeUpdatePreview(surface, 101), EAbort);
    }
    DrainEvents();
    EXPECT_TRUE(host.previews.empty());
}

TEST_F(ProgressTest, PreviewBoxTakesOnlyCurrentUncancelledPreviews)
{
    const ISkImage picture = SolidImage(2, 2, 0xFF00FF00u);
    host.FPreviewGeneration = 7;
    host.ProgressPercent = 40;
    ShowPreviewBoxIfCurrent(picture, 6); // a newer preview has started
    EXPECT_TRUE(host.previews.empty());
    host.Cancel = true;
    ShowPreviewBoxIfCurrent(picture, 7);
    EXPECT_TRUE(host.previews.empty());
    host.Cancel = false;
    ShowPreviewBoxIfCurrent(picture, 7);
    ASSERT_EQ(host.previews.size(), 1u);
    EXPECT_EQ(host.previews[0], picture);
    EXPECT_EQ(host.previewPercents[0], 40) << "the percentage label stays as it was";
}

TEST_F(ProgressTest, PreviewWithoutSurfaceOnlyStoresThePercentage)
{
    SafeUpdatePreview(nullptr, 50);
    DrainEvents();
    EXPECT_EQ(host.ProgressPercent, 50);
    EXPECT_TRUE(host.previews.empty());
    EXPECT_EQ(LastProgressTick, gFakeTick);
}

TEST_F(ProgressTest, PushesFromWorkerThreadsArriveOnTheUIThread)
{
    std::thread worker([] {
        SafeUpdateProgress(20);
        RunOnUISync([] { ShowIntermediateResult(SolidImage(1, 1, 0xFF00FF00u), 55); });
    });
    while (!worker.joinable() || host.progress.size() < 2)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    DrainEvents();
    EXPECT_EQ(host.progress, (std::vector<int>{20, 55}));
    ASSERT_NE(host.FSkImage, nullptr);
}

TEST_F(ProgressTest, IntermediateResultRespectsTheManualBrush)
{
    const ISkImage picture = SolidImage(1, 1, 0xFF0000FFu);
    ShowIntermediateResult(picture, -1);
    EXPECT_EQ(host.FSkImage, picture);
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.redraws, 1);

    host.FManualBrushOpen = true;
    ShowIntermediateResult(SolidImage(1, 1, 0xFFFF0000u), 60);
    EXPECT_EQ(host.FSkImage, picture);
    EXPECT_EQ(host.progress, std::vector<int>{60});
}

TEST_F(ProgressTest, QueuedCallsAreDroppedOnceTheWindowIsGone)
{
    auto other = std::make_unique<FakeHost>();
    SafeUpdateProgress(0);
    other.reset(); // the window that queued the call goes away before it runs
    SetEngineHost(&host);
    DrainEvents();
    EXPECT_TRUE(host.progress.empty());
}

TEST(ProgressHeadless, NeverCancelledAndShowsNothing)
{
    ASSERT_EQ(EngineHost(), nullptr);
    PreviewScope scope(true, 12345);
    EXPECT_FALSE(IsEffectCancelled());
    EXPECT_NO_THROW(SafeUpdateProgress(50));
    EXPECT_NO_THROW(SafeUpdatePreview(SkSurface::MakeRaster(1, 1), 50));
    EXPECT_NO_THROW(ShowIntermediateResult(SolidImage(1, 1, 0xFF000000u), 50));
}

TEST(PreviewLabel, ShowsOneToHundredWithPercentSign)
{
    EXPECT_EQ(PreviewPercentText(42), "42%");
    for (auto [percent, visible] : {std::pair{0, false}, {1, true}, {100, true}, {101, false}, {-5, false}})
        EXPECT_EQ(PreviewPercentVisible(percent), visible) << percent;
}

} // namespace
} // namespace pv
