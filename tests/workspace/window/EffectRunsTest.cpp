#include "FormFixture.h"

#include "engine/Effect.h"
#include "engine/ImageHistory.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/ProgressBar.h"
#include "workspace/preview/PreviewImage.h"

#include <gtest/gtest.h>

#include <thread>

namespace pv {
namespace {

using test::RecordingForm;
using test::SendMouse;
using test::WaitForEffectWorkers;
using test::WaitUntil;

std::atomic<int> gRuns{0};
std::atomic<bool> gRelease{false};
std::atomic<bool> gStarted{false};

void CountingEffect(const ISkImage&, const ISkSurface& Dest, int, int, int, int, int, bool)
{
    ++gRuns;
    Dest->getCanvas()->clear(kColorWhite);
}

void WaitingEffect(const ISkImage&, const ISkSurface& Dest, int, int, int, int, int, bool)
{
    gStarted = true;
    while (!gRelease && !IsEffectCancelled())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CheckCancellation();
    Dest->getCanvas()->clear(kColorWhite);
}

// Shows progress, then stops its own loop when the user cancels and ends
// without a final value (as the template-matching painting does).
void ProgressUntilEscEffect(const ISkImage&, const ISkSurface&, int, int, int, int, int, bool)
{
    LastProgressTick = 0;
    SafeUpdateProgress(53);
    gStarted = true;
    while (!UserCancelRequested())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void RedEffect(const ISkImage&, const ISkSurface& Dest, int, int, int, int, int, bool)
{
    Dest->getCanvas()->clear(0xFFFF0000u);
}

struct OpenedForm : RecordingForm {
    OpenedForm()
    {
        InitializeParameters();
        UpdateListboxes(ListBoxes[2], 0);
        EXPECT_TRUE(test::OpenFlatPicture(*this, 64, 48));
    }
};

TEST(EffectRuns, DraggingHoldsThePreviewAndReleaseStartsOne)
{
    const TEffectProc previous = ReplaceEffect(300, &CountingEffect);
    {
        OpenedForm form;
        TSlider* slider = form.TrackBar(1);
        const int generation = form.FPreviewGeneration;
        SendMouse(slider, QEvent::MouseButtonPress, {slider->width() * 0.5, 10}, Qt::LeftButton, Qt::LeftButton);
        SendMouse(slider, QEvent::MouseMove, {slider->width() * 0.8, 10}, Qt::NoButton, Qt::LeftButton);
        ASSERT_TRUE(slider->isDragging());
        for (int tick = 0; tick < 5; ++tick)
            form.UpdatePreviewTimerTimer();
        EXPECT_TRUE(form.UpdatePreviewTimer.isActive()) << "tries again while the slider is held";
        EXPECT_EQ(form.FPreviewGeneration, generation) << "no preview during the drag";
        EXPECT_EQ(ParamsSlot(form.Params, 300)->Value1, 30);

        SendMouse(slider, QEvent::MouseButtonRelease, {slider->width() * 0.8, 10}, Qt::LeftButton, Qt::NoButton);
        EXPECT_FALSE(slider->isDragging());
        EXPECT_TRUE(form.UpdatePreviewTimer.isActive());
        const int released = int(std::lround(slider->value()));
        form.UpdatePreviewTimerTimer();
        EXPECT_FALSE(form.UpdatePreviewTimer.isActive());
        EXPECT_EQ(form.FPreviewGeneration, generation + 1) << "one preview started";
        EXPECT_EQ(ParamsSlot(form.Params, 300)->Value1, released) << "the slider values were stored";
        WaitForEffectWorkers();
    }
    ReplaceEffect(300, previous);
}

TEST(EffectRuns, PreviewRuleStopsWithoutASourcePicture)
{
    RecordingForm form;
    form.UpdatePreviewTimer.start();
    const int generation = form.FPreviewGeneration;
    form.UpdatePreviewTimerTimer();
    EXPECT_FALSE(form.UpdatePreviewTimer.isActive());
    EXPECT_EQ(form.FPreviewGeneration, generation);
    EXPECT_TRUE(form.messages.empty());
}

TEST(EffectRuns, ApplyDuringARunShowsTheWaitMessageWithTheNameInTheLanguage)
{
    struct Case {
        const char* language;
        int effect;
        const char* name;
    };
    const Case cases[] = {
        {"en", 302, "Oil Pastel"}, // listed as "Oil pastel"
        {"de", 302, "Ölpastell"},
        {"de", 501, "Cartoon"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        const TEffectProc previous = ReplaceEffect(c.effect, &WaitingEffect);
        gRelease = false;
        gStarted = false;
        {
            OpenedForm form;
            form.SwitchLanguage(QString::fromLatin1(c.language));
            form.ListBoxItemClick(c.effect / 100, c.effect % 100);
            form.Button1Click();
            WaitUntil([] { return gStarted.load(); });
            form.Button1Click();
            gRelease = true;
            WaitForEffectWorkers();
            EXPECT_FALSE(form.IsEffectRunning());
            form.SwitchLanguage(QStringLiteral("en"));
            ASSERT_EQ(form.messages.size(), 1u);
            EXPECT_EQ(form.messages[0],
                      QStringLiteral("Please wait for \"%1\" to finish processing.").arg(QString::fromUtf8(c.name)));
        }
        ReplaceEffect(c.effect, previous);
    }
}

TEST(EffectRuns, ApplyUsesTheSlidersButLeavesTheTable)
{
    const TEffectProc previous = ReplaceEffect(300, &CountingEffect);
    {
        OpenedForm form;
        form.TrackBar(3)->setValue(90);
        gRuns = 0;
        form.Button1Click();
        WaitForEffectWorkers();
        EXPECT_EQ(gRuns, 1);
        EXPECT_FALSE(form.UpdatePreviewTimer.isActive()) << "the pending preview was dropped";
        EXPECT_EQ(ParamsSlot(form.Params, 300)->Value3, 40);
        EXPECT_EQ(form.FHistory->Count(), 2);
    }
    ReplaceEffect(300, previous);
}

TEST(EffectRuns, ProgressBarShowsWidthAndLabel)
{
    RecordingForm form;
    TProgressBar* bar = form.ProgressBarRect;
    bar->resize(1170, 18);
    form.UpdateProgressBar(0);
    EXPECT_TRUE(bar->isBarShown());
    EXPECT_EQ(bar->targetBarWidth(), 0);
    EXPECT_EQ(bar->barWidth(), 0);
    EXPECT_FALSE(bar->isLabelShown());
    EXPECT_EQ(form.ProgressBarTag, 0);

    form.UpdateProgressBar(4); // 40 wide: still no label
    EXPECT_EQ(bar->targetBarWidth(), 40);
    EXPECT_FALSE(bar->isLabelShown());
    form.UpdateProgressBar(60);
    EXPECT_EQ(bar->targetBarWidth(), 600);
    EXPECT_TRUE(bar->isLabelShown());
    EXPECT_EQ(bar->labelText(), QStringLiteral("60%"));

    form.FCurrentEffectNumber = 300;
    form.FScriptRunning = true;
    form.UpdateProgressBar(101);
    EXPECT_TRUE(bar->isBarShown()) << "a script run leaves the bar alone";
    EXPECT_EQ(form.ProgressBarTag, 60);
    EXPECT_EQ(form.FCurrentEffectNumber, 300);

    form.FScriptRunning = false;
    form.UpdateProgressBar(101);
    EXPECT_FALSE(bar->isBarShown());
    EXPECT_FALSE(bar->isLabelShown());
    EXPECT_TRUE(bar->labelText().isEmpty());
    EXPECT_EQ(form.FCurrentEffectNumber, -1);
}

TEST(EffectRuns, ProgressFromAWorkerArrivesQueued)
{
    RecordingForm form;
    std::thread([&] { form.UpdateProgressBar(30); }).join();
    EXPECT_EQ(form.ProgressBarTag, -1);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.ProgressBarTag, 30);
}

TEST(EffectRuns, EveryEffectEndsWithTheProgressBarHidden)
{
    OpenedForm form;
    for (const EffectInfo& effect : EffectCatalogue()) {
        const TParameters& p = *ParamsSlot(form.Params, effect.number);
        ProcessEffect(effect.number, p.Value1, p.Value2, p.Value3, p.Value4, p.Value5, false);
        WaitForEffectWorkers();
        EXPECT_FALSE(form.ProgressBarRect->isBarShown()) << effect.number;
        EXPECT_EQ(form.ProgressBarTag, -1) << effect.number;
        EXPECT_EQ(form.FCurrentEffectNumber, -1) << effect.number;
    }
}

TEST(EffectRuns, CancelledRunEndsWithTheProgressBarHidden)
{
    const TEffectProc previous = ReplaceEffect(306, &ProgressUntilEscEffect);
    {
        OpenedForm form;
        gStarted = false;
        ProcessEffect(306, 35, 0, 0, 0, 0, false);
        WaitUntil([&] { return gStarted && form.ProgressBarTag == 53; });
        EXPECT_TRUE(form.ProgressBarRect->isBarShown());
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &esc);
        WaitForEffectWorkers();
        EXPECT_FALSE(form.ProgressBarRect->isBarShown());
        EXPECT_EQ(form.ProgressBarTag, -1);
        EXPECT_EQ(form.FCurrentEffectNumber, -1);
    }
    ReplaceEffect(306, previous);
}

TEST(EffectRuns, EscapeWhileNothingRunsDoesNotHoldBackLaterPreviews)
{
    const TEffectProc previous = ReplaceEffect(300, &RedEffect);
    {
        OpenedForm form;
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &esc); // closes a panel, say
        ASSERT_TRUE(form.Cancel);
        for (const bool byButton : {false, true}) {
            form.Image1->setBitmap(QImage());
            form.Cancel = true;
            if (byButton)
                form.UpdatePreviewButtonClick();
            else
                form.UpdatePreviewTimerTimer();
            WaitForEffectWorkers();
            QCoreApplication::processEvents();
            const QImage shown = form.Image1->bitmap();
            ASSERT_FALSE(shown.isNull()) << byButton;
            EXPECT_EQ(shown.pixel(8, 8), 0xFFFF0000u) << byButton; // the 64 x 48 picture's corner
        }
    }
    ReplaceEffect(300, previous);
}

TEST(EffectRuns, EscapeSetsCancel)
{
    RecordingForm form;
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &esc);
    EXPECT_TRUE(form.Cancel);
}

} // namespace
} // namespace pv
