#include "FakeHost.h"

#include "engine/EffectWorker.h"
#include "engine/Effect.h"
#include "engine/ImageHistory.h"
#include "engine/Workers.h"
#include "platform/system/Threads.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <thread>

namespace pv {
namespace {

using test::SolidImage;

// A main window with a history, a preview box and a record of what it was told.
class WorkerHost : public test::FakeHost {
public:
    WorkerHost()
    {
        FHistory = &history;
        FSkSourceImage = SolidImage(40, 30, 0xFF808080u);
        FSkImage = FSkSourceImage;
    }
    QSize PreviewBoxSize() const override { return box; }
    void SetPreviewBoxPicture(const ISkImage& picture) override { boxPictures.push_back(picture); }
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    void Close() override { ++closes; }
    void UpdateProgressBar(int percent) override
    {
        FakeHost::UpdateProgressBar(percent);
        if (percent < 0 || percent > 100)
            MarkEngineIdle();
    }

    TImageHistory history;
    QSize box{20, 10};
    std::vector<ISkImage> boxPictures;
    std::vector<QString> messages;
    int closes = 0;
};

// What the controllable test effect does; the test drives it through these.
std::atomic<bool> gRelease{false};
std::atomic<int> gStarted{0};
std::atomic<int> gMode{0};
enum Mode {
    kPaint,
    kWaitForRelease,
    kIntermediateThenWaitForCancel,
    kThrow,
    kWaitThenProgressPreview,
    kProgressThenEnd,       // ends without a final value
    kProgressThenThrow,     // fails after showing progress
    kProgressThenStopOnEsc, // stops its own loop when the user cancels, no final value
    kPaintNothing,          // leaves its canvas as it found it: fully transparent
};

void TestEffect(const ISkImage& Source, const ISkSurface& Dest, int P1, int, int, int, int, bool)
{
    ++gStarted;
    switch (gMode.load()) {
    case kWaitForRelease:
        while (!gRelease)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        break;
    case kIntermediateThenWaitForCancel: {
        const ISkImage intermediate = SolidImage(Source->width(), Source->height(), 0xFF0000FFu);
        RunOnUISync([&] { ShowIntermediateResult(intermediate, -1); });
        while (!IsEffectCancelled())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        CheckCancellation();
        break;
    }
    case kThrow:
        throw std::runtime_error("broken");
    case kProgressThenEnd:
    case kProgressThenThrow:
    case kProgressThenStopOnEsc:
        LastProgressTick = 0;
        SafeUpdateProgress(53);
        gStarted += 100;
        if (gMode == kProgressThenThrow)
            throw std::runtime_error("broken");
        while (gMode == kProgressThenStopOnEsc && !UserCancelRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        break;
    case kWaitThenProgressPreview:
        while (!gRelease)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        SafeUpdatePreview(Dest, 50); // a stale preview ends here with the abort
        break;
    case kPaintNothing:
        return;
    default:
        break;
    }
    Dest->getCanvas()->clear(0xFF000000u | uint32_t(P1));
}

class EffectWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = ReplaceEffect(304, &TestEffect);
        gRelease = false;
        gStarted = 0;
        gMode = kPaint;
    }
    void TearDown() override
    {
        gRelease = true;
        WaitForWorkers();
        ReplaceEffect(304, previous);
    }
    static void WaitForWorkers()
    {
        QElapsedTimer t;
        t.start();
        while (RunningWorkers() > 0 && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
    }
    static void WaitForStart(int n)
    {
        while (gStarted < n)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    static uint32_t Pixel(const ISkImage& image)
    {
        SkPixmap pm;
        image->peekPixels(pm);
        return pm.at(0, 0);
    }
    TEffectProc previous = nullptr;
};

TEST_F(EffectWorkerTest, FullRenderStoresAndRecordsTheResult)
{
    WorkerHost host;
    ProcessEffect(304, 0x42, 0, 0, 0, 0, false);
    EXPECT_EQ(host.FCurrentEffectNumber, 304);
    WaitForWorkers();
    EXPECT_EQ(host.FCurrentEffectNumber, -1);
    EXPECT_EQ(Pixel(host.FSkImage), 0xFF000042u);
    EXPECT_EQ(host.history.Count(), 1);
    EXPECT_GT(host.redraws, 0);
}

TEST_F(EffectWorkerTest, ARunThatPaintsNothingLeavesThePictureAsItWas)
{
    WorkerHost host;
    gMode = kPaintNothing;
    ProcessEffect(304, 0, 0, 0, 0, 0, false);
    WaitForWorkers();
    EXPECT_EQ(Pixel(host.FSkImage), 0xFF808080u);
    EXPECT_EQ(host.history.Count(), 1);
}

TEST_F(EffectWorkerTest, OneFullRenderAtATime)
{
    WorkerHost host;
    gMode = kWaitForRelease;
    ProcessEffect(304, 1, 0, 0, 0, 0, false);
    WaitForStart(1);
    ProcessEffect(201, 1, 0, 0, 0, 0, false);
    ProcessEffect(304, 1, 0, 0, 0, 0, true); // a preview during a full render: dropped silently
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Please wait for \"Impasto brushstrokes\" to finish processing.");
    EXPECT_EQ(RunningWorkers(), 1);
    gRelease = true;
    WaitForWorkers();
    EXPECT_EQ(gStarted, 1);
    EXPECT_EQ(host.FCurrentEffectNumber, -1);
}

TEST_F(EffectWorkerTest, NoImageLoaded)
{
    WorkerHost host;
    host.FSkImage.reset();
    ProcessEffect(304, 1, 0, 0, 0, 0, false);
    EXPECT_EQ(host.messages, std::vector<QString>{"No image loaded"});
    EXPECT_EQ(RunningWorkers(), 0);
    EXPECT_EQ(host.FCurrentEffectNumber, -1);
}

TEST_F(EffectWorkerTest, OnlyTheCurrentPreviewDraws)
{
    WorkerHost host;
    gMode = kWaitThenProgressPreview;
    ProcessEffect(304, 7, 0, 0, 0, 0, true);
    WaitForStart(1);
    ProcessEffect(304, 9, 0, 0, 0, 0, true); // makes the first preview stale
    WaitForStart(2);
    gRelease = true;
    WaitForWorkers();
    ASSERT_EQ(host.boxPictures.size(), 1u);
    EXPECT_EQ(host.boxPictures[0]->width(), 20);
    EXPECT_EQ(host.boxPictures[0]->height(), 10);
    EXPECT_EQ(Pixel(host.boxPictures[0]), 0xFF000009u);
    EXPECT_EQ(host.history.Count(), 0) << "previews never touch the history";
    EXPECT_EQ(host.FSkImage, host.FSkSourceImage);
}

TEST_F(EffectWorkerTest, AFinishedPreviewLiesWhereTheBoxShowsItsRegion)
{
    // The 40 x 30 source, in a box larger than what the zoom shows of it.
    struct Case {
        const char* what;
        QSize box;
        float zoom;
        QRect covered; // box pixels the preview covers
    };
    const Case cases[] = {
        {"region cut short at 100 %", {80, 80}, 1.0f, {0, 0, 40, 30}},
        {"region cut short at 200 %", {100, 100}, 2.0f, {0, 0, 80, 60}},
        {"whole box at 400 %", {40, 40}, 4.0f, {0, 0, 40, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WorkerHost host;
        host.box = c.box;
        host.FPreviewZoomFactor = c.zoom;
        ProcessEffect(304, 0x42, 0, 0, 0, 0, true);
        WaitForWorkers();
        ASSERT_EQ(host.boxPictures.size(), 1u);
        const ISkImage& shown = host.boxPictures[0];
        ASSERT_EQ(QSize(shown->width(), shown->height()), c.box);
        SkPixmap pm;
        ASSERT_TRUE(shown->peekPixels(pm));
        // Away from the edge, where resampling blends the two.
        for (int y = 2; y < c.box.height() - 2; y += 3)
            for (int x = 2; x < c.box.width() - 2; x += 3) {
                const bool inside = c.covered.adjusted(2, 2, -2, -2).contains(x, y);
                const bool outside = !c.covered.adjusted(-2, -2, 2, 2).contains(x, y);
                if (inside)
                    ASSERT_EQ(pm.at(x, y), 0xFF000042u) << x << "," << y;
                else if (outside)
                    ASSERT_EQ(pm.at(x, y), 0xFF111827u) << x << "," << y;
            }
    }
}

TEST_F(EffectWorkerTest, CancelledRenderRecordsItsLastIntermediatePicture)
{
    WorkerHost host;
    gMode = kIntermediateThenWaitForCancel;
    ProcessEffect(304, 1, 0, 0, 0, 0, false);
    while (Pixel(host.FSkImage) != 0xFF0000FFu)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    host.Cancel = true; // Esc
    WaitForWorkers();
    EXPECT_EQ(Pixel(host.FSkImage), 0xFF0000FFu);
    EXPECT_EQ(host.history.Count(), 1);
    EXPECT_EQ(host.FCurrentEffectNumber, -1);
}

TEST_F(EffectWorkerTest, ErrorLeavesTheEngineIdleWithoutSnapshot)
{
    WorkerHost host;
    gMode = kThrow;
    const ISkImage before = host.FSkImage;
    ProcessEffect(304, 1, 0, 0, 0, 0, false);
    WaitForWorkers();
    EXPECT_EQ(host.FCurrentEffectNumber, -1);
    EXPECT_EQ(host.FSkImage, before);
    EXPECT_EQ(host.history.Count(), 0);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(EffectWorkerTest, EveryFullRenderEndsWithTheValueThatHidesTheBar)
{
    for (const Mode mode : {kPaint, kProgressThenEnd, kProgressThenThrow, kProgressThenStopOnEsc}) {
        SCOPED_TRACE(int(mode));
        WorkerHost host;
        gStarted = 0;
        gMode = mode;
        ProcessEffect(304, 1, 0, 0, 0, 0, false);
        if (mode != kPaint) {
            WaitForStart(101);
            while (std::find(host.progress.begin(), host.progress.end(), 53) == host.progress.end())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        host.Cancel = mode == kProgressThenStopOnEsc; // Esc
        WaitForWorkers();
        ASSERT_FALSE(host.progress.empty());
        EXPECT_EQ(host.progress.back(), 101);
        EXPECT_EQ(host.FCurrentEffectNumber, -1);
    }
}

TEST_F(EffectWorkerTest, TheEndOfAnOlderRunLeavesANewerRunsBar)
{
    WorkerHost host;
    gMode = kWaitForRelease;
    ProcessEffect(304, 1, 0, 0, 0, 0, false);
    WaitForStart(1);
    // The run is told to stop, and its end reaches the window after the
    // window already started another run (as a brush-stroke frame does).
    host.MarkEngineIdle();
    host.FCurrentRunId = NewRunId();
    host.FCurrentEffectNumber = 900;
    gRelease = true;
    WaitForWorkers();
    EXPECT_TRUE(std::find(host.progress.begin(), host.progress.end(), 101) == host.progress.end());
    EXPECT_EQ(host.FCurrentEffectNumber, 900);
    host.MarkEngineIdle();
}

TEST_F(EffectWorkerTest, DeferredCloseHappensWhenTheRunEnds)
{
    WorkerHost host;
    gMode = kWaitForRelease;
    ProcessEffect(304, 1, 0, 0, 0, 0, false);
    WaitForStart(1);
    host.FCloseRequested = true; // the close handler refused a close
    QCoreApplication::processEvents();
    EXPECT_EQ(host.closes, 0);
    gRelease = true;
    WaitForWorkers();
    EXPECT_EQ(host.closes, 1);
    EXPECT_FALSE(host.FCloseRequested);
}

TEST_F(EffectWorkerTest, StoppedEngineSkipsTheEffectAndRecordsTheResult)
{
    WorkerHost host;
    // The window is destroyed while the worker prepares: the brush-sheet set-up
    // of 304 runs on the UI thread right before the worker's stop check.
    SetBrushSheetSetup([](int) { StopAllEffects(); });
    ProcessEffect(304, 1, 0, 0, 0, 0, false);
    WaitForWorkers();
    SetBrushSheetSetup(nullptr);
    EXPECT_EQ(gStarted, 0);
    EXPECT_EQ(host.FCurrentEffectNumber, -1);
    EXPECT_EQ(host.history.Count(), 1);
    EXPECT_TRUE(EffectsStopped.load());
    ProcessEffect(304, 1, 0, 0, 0, 0, true);
    EXPECT_FALSE(EffectsStopped.load()) << "every ProcessEffect clears the stop flag";
    WaitForWorkers();
}

TEST_F(EffectWorkerTest, LateFinishOfAnOlderRunLeavesANewerRunRunning)
{
    WorkerHost host;
    gMode = kWaitForRelease;
    ProcessEffect(304, 1, 0, 0, 0, 0, false);
    WaitForStart(1);
    const int currentRun = host.FCurrentRunId;
    {
        PreviewScope olderRun(false, 0, currentRun - 1);
        SafeUpdateProgress(101);
    }
    {
        PreviewScope stalePreview(true, host.FPreviewGeneration - 1, 0);
        EXPECT_THROW(CheckCancellation(), EAbort);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(host.FCurrentEffectNumber, 304);
    gRelease = true;
    WaitForWorkers();
    EXPECT_EQ(host.FCurrentEffectNumber, -1);
}

TEST(PreviewCrop, ClampsTheStartAndClipsTheRegion)
{
    struct Case {
        const char* name;
        PreviewCropInput in;
        int startX, startY;
        QRect region;
    };
    const Case cases[] = {
        {"start beyond a small source", {150, 100, 400, 300, 2.0f, 500, 0}, 0, 0, QRect(0, 0, 150, 100)},
        {"zoom 4 on a large source", {4000, 3000, 400, 300, 4.0f, 1000, 900}, 1000, 900, QRect(1000, 900, 100, 75)},
        {"start clamped to the far edge", {4000, 3000, 400, 300, 1.0f, 3900, 2900}, 3600, 2700,
         QRect(3600, 2700, 400, 300)},
        {"negative start", {4000, 3000, 400, 300, 1.0f, -5, -7}, 0, 0, QRect(0, 0, 400, 300)},
        {"zoom 0 counts as 1", {4000, 3000, 400, 300, 0.0f, 0, 0}, 0, 0, QRect(0, 0, 400, 300)},
        {"no box", {4000, 3000, 0, 0, 1.0f, 0, 0}, 0, 0, QRect()},
    };
    for (const Case& c : cases) {
        const PreviewCrop crop = ComputePreviewCrop(c.in);
        EXPECT_EQ(crop.startX, c.startX) << c.name;
        EXPECT_EQ(crop.startY, c.startY) << c.name;
        EXPECT_EQ(crop.region, c.region) << c.name;
    }
}

} // namespace
} // namespace pv
