#include "workspace/window/MainWindow.h"

#include "engine/EffectWorker.h"
#include "engine/Effect.h"
#include "engine/ImageHistory.h"
#include "engine/Workers.h"
#include "shell/Dictionary.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWindow>
#include <gtest/gtest.h>

#include <thread>

namespace pv {
namespace {

// The main window with its message boxes and questions recorded instead of shown.
class TestForm : public TForm1 {
public:
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    bool ConfirmYesNo(const QString& question) override
    {
        questions.push_back(question);
        return answer;
    }
    std::vector<QString> messages, questions;
    bool answer = true; // the user's answer to every question
};

std::atomic<bool> gRelease{false};
std::atomic<bool> gStarted{false};

void WaitingEffect(const ISkImage&, const ISkSurface& Dest, int, int, int, int, int, bool)
{
    gStarted = true;
    while (!gRelease && !IsEffectCancelled())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CheckCancellation();
    Dest->getCanvas()->clear(kColorWhite);
}

void WaitUntil(const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

ISkImage Grey(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(0xFF808080u);
    return SkImage::MakeFromRaster(std::move(img));
}

TEST(TForm1, NewWindowDefaults)
{
    TestForm form;
    EXPECT_EQ(Form1(), &form);
    EXPECT_EQ(EngineHost(), &form);
    EXPECT_TRUE(form.FEraseBdChecked);
    EXPECT_FALSE(form.FDrawContourChecked);
    EXPECT_EQ(form.FContourColor, 0xFF000000u);
    EXPECT_EQ(form.SelectedEffectNumber, 300);
    EXPECT_EQ(form.FZoomFactor, 1.0f);
    EXPECT_EQ(form.FCurrentEffectNumber, -1);
    EXPECT_EQ(form.FSkImage, nullptr);
    EXPECT_NE(form.FHistory, nullptr);
    EXPECT_FALSE(form.IsBackgroundWorkRunning());
}

TEST(TForm1, BackgroundWorkersNeverGoNegativeAndHonourTheClose)
{
    TestForm form;
    form.show();
    form.FBackgroundWorkers = 1;
    form.close();
    EXPECT_TRUE(form.isVisible()) << "closing waits for the worker";
    EXPECT_TRUE(form.FCloseRequested);
    EXPECT_TRUE(form.Cancel);
    form.EndBackgroundWorker();
    EXPECT_EQ(form.FBackgroundWorkers, 0);
    EXPECT_FALSE(form.isVisible());
    form.EndBackgroundWorker();
    EXPECT_EQ(form.FBackgroundWorkers, 0);
}

TEST(TForm1, CloseDuringAnEffectWaitsForTheRunThenCloses)
{
    const TEffectProc previous = ReplaceEffect(304, &WaitingEffect);
    gRelease = false;
    {
        TestForm form;
        form.show();
        form.FSkSourceImage = Grey(8, 8);
        form.FSkImage = form.FSkSourceImage;
        gStarted = false;
        ProcessEffect(304, 0, 0, 0, 0, 0, false);
        EXPECT_TRUE(form.IsEffectRunning());
        WaitUntil([] { return gStarted.load(); });
        form.close();
        EXPECT_TRUE(form.isVisible());
        WaitUntil([&] { return RunningWorkers() == 0; });
        QCoreApplication::processEvents();
        EXPECT_FALSE(form.isVisible()) << "the worker's end closed the window";
        EXPECT_FALSE(form.IsEffectRunning());
        EXPECT_EQ(form.FHistory->Count(), 1) << "the cancelled run recorded the current result";
    }
    ReplaceEffect(304, previous);
}

// The cancel that a close sends leaves a half-painted result in the history;
// the user was asked about their own work before it and is not asked again.
TEST(TForm1, CloseDuringAnEffectAsksOnceAboutTheWorkBeforeTheRun)
{
    const TEffectProc previous = ReplaceEffect(304, &WaitingEffect);
    for (const bool unsavedBefore : {false, true}) {
        SCOPED_TRACE(unsavedBefore ? "unsaved work before the run" : "nothing unsaved before the run");
        gRelease = false;
        TestForm form;
        form.FHistory->SetOnImageSaved([&form](const ISkImage&, const ISkImage&, bool) { form.FImageDirty = true; });
        form.show();
        form.FSkSourceImage = Grey(8, 8);
        form.FSkImage = form.FSkSourceImage;
        form.FImageDirty = unsavedBefore;
        gStarted = false;
        ProcessEffect(304, 0, 0, 0, 0, 0, false);
        WaitUntil([] { return gStarted.load(); });
        form.close();
        WaitUntil([&] { return RunningWorkers() == 0; });
        QCoreApplication::processEvents();
        EXPECT_EQ(form.questions.size(), unsavedBefore ? 1u : 0u);
        EXPECT_FALSE(form.isVisible());
    }
    ReplaceEffect(304, previous);
}

TEST(TForm1, DestructionWaitsForWorkersWhileServingTheirCalls)
{
    const TEffectProc previous = ReplaceEffect(304, &WaitingEffect);
    gRelease = false;
    {
        auto form = std::make_unique<TestForm>();
        form->FSkSourceImage = Grey(8, 8);
        form->FSkImage = form->FSkSourceImage;
        ProcessEffect(304, 0, 0, 0, 0, 0, false);
        form.reset(); // sets Cancel; the worker's synchronous calls are served during the wait
        EXPECT_EQ(RunningWorkers(), 0);
        EXPECT_EQ(EngineHost(), nullptr);
    }
    ReplaceEffect(304, previous);
}

TEST(TForm1, ProgressOutsideTheRangeMarksTheEngineIdle)
{
    TestForm form;
    form.FCurrentEffectNumber = 201;
    form.UpdateProgressBar(40);
    EXPECT_EQ(form.ProgressBarTag, 40);
    EXPECT_TRUE(form.IsEffectRunning());
    form.FScriptRunning = true;
    form.UpdateProgressBar(101);
    EXPECT_TRUE(form.IsEffectRunning()) << "a script run ignores progress values";
    form.FScriptRunning = false;
    form.UpdateProgressBar(101);
    EXPECT_EQ(form.ProgressBarTag, -1);
    EXPECT_FALSE(form.IsEffectRunning());
}

TEST(TForm1, TheCommandLinePictureOpensOnTheFirstShowOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.png"));
    QImage photo(10, 8, QImage::Format_RGB32);
    photo.fill(0xFF336699u);
    ASSERT_TRUE(photo.save(path));

    TestForm form;
    form.FCommandLine = {QStringLiteral("pelandrovium"), path};
    form.show();
    WaitUntil([&form] { return form.FSkImage != nullptr; });
    ASSERT_NE(form.FSkImage, nullptr);
    EXPECT_EQ(form.FSkImage->width(), 10);
    // The user's result, then a minimise and restore.
    form.FSkImage = Grey(3, 3);
    form.showMinimized();
    form.hide();
    form.showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.FSkImage->width(), 3) << "the result survived the restore";
}

// A file on the command line that cannot be read is reported over the
// window, once the window is on screen, not before it on an empty screen.
TEST(TForm1, AnUnreadableCommandLineFileIsReportedOverTheShownWindow)
{
    struct OnScreenForm : TestForm {
        void ShowMessage(const QString& text) override
        {
            TestForm::ShowMessage(text);
            onScreen.push_back(isVisible() && windowHandle() && windowHandle()->isExposed());
        }
        std::vector<bool> onScreen;
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.jpg"));
    QFile broken(path);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("no picture here");
    broken.close();

    OnScreenForm form;
    form.FCommandLine = {QStringLiteral("pelandrovium"), path};
    form.show();
    WaitUntil([&form] { return !form.messages.empty(); });
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0], QStringLiteral("Failed to load image: ") + path);
    EXPECT_TRUE(form.onScreen[0]) << "the message came before the window was on screen";
    EXPECT_EQ(form.FSkImage, nullptr);
}

void PaintWhite(const ISkImage&, const ISkSurface& Dest, int, int, int, int, int, bool)
{
    Dest->getCanvas()->clear(kColorWhite);
}

TEST(TForm1, EveryRecordedStepMarksThePictureChanged)
{
    const TEffectProc previous = ReplaceEffect(304, &PaintWhite);
    {
        TestForm form;
        form.FSkSourceImage = Grey(8, 8);
        form.FSkImage = form.FSkSourceImage;
        ASSERT_FALSE(form.FImageDirty);
        ProcessEffect(304, 0, 0, 0, 0, 0, false);
        WaitUntil([] { return RunningWorkers() == 0; });
        QCoreApplication::processEvents();
        EXPECT_TRUE(form.FImageDirty) << "an applied effect leaves an unsaved result";

        // A step recorded on another thread reaches the flag as well.
        form.FImageDirty = false;
        std::thread([&form] { form.FHistory->Save(Grey(4, 4), form.FSkSourceImage); }).join();
        WaitUntil([&form] { return form.FImageDirty; });
        EXPECT_TRUE(form.FImageDirty);
    }
    ReplaceEffect(304, previous);
}

} // namespace
} // namespace pv

namespace pv {
namespace {

TEST(TForm1, ClosingAsksAboutAnUnsavedResultOnly)
{
    struct Case {
        bool dirty, picture, answer;
        int questions;
        bool closed;
    } cases[] = {
        {true, true, false, 1, false}, // No keeps the window and its work
        {true, true, true, 1, true},
        {false, true, false, 0, true}, // saved work closes without a question
        {true, false, false, 0, true}, // no result, nothing to lose
    };
    for (const Case& c : cases) {
        TestForm form;
        form.show();
        if (c.picture)
            form.FSkImage = Grey(4, 4);
        form.FImageDirty = c.dirty;
        form.answer = c.answer;
        form.close();
        EXPECT_EQ(int(form.questions.size()), c.questions);
        EXPECT_EQ(!form.isVisible(), c.closed);
        if (c.questions) {
            EXPECT_EQ(form.questions[0], QStringLiteral("There are unsaved changes.\r\nExit anyway?"));
        }
        if (!c.closed) {
            EXPECT_NE(form.FSkImage, nullptr);
            EXPECT_FALSE(form.Cancel) << "a refused close cancels nothing";
        }
    }
}

TEST(TForm1, AFullResetAsksBeforeDroppingUnsavedWorkInEveryLanguage)
{
    struct Case {
        const char* language;
        bool dirty, answer;
        int questions;
        bool reset;
    } cases[] = {
        {"en", true, false, 1, false}, {"de", true, false, 1, false}, {"ja", true, true, 1, true},
        {"en", false, false, 1, false}, {"en", false, true, 1, true},  {"de", false, false, 0, true},
    };
    for (const Case& c : cases) {
        SetCurrentLanguage(QString::fromUtf8(c.language));
        TestForm form;
        form.FSkSourceImage = Grey(6, 6);
        form.FSkImage = Grey(6, 6);
        form.FHistory->Save(form.FSkImage, form.FSkSourceImage);
        QCoreApplication::processEvents();
        form.FImageDirty = c.dirty;
        form.StoredFrameNumber = 3;
        form.SelectedEffectNumber = 512;
        form.answer = c.answer;
        form.FullReset();
        EXPECT_EQ(int(form.questions.size()), c.questions) << c.language;
        if (c.reset) {
            EXPECT_EQ(form.FSkImage, nullptr) << c.language;
            EXPECT_EQ(form.FSkSourceImage, nullptr);
            EXPECT_EQ(form.FHistory->Count(), 0);
            EXPECT_FALSE(form.FImageDirty);
            EXPECT_EQ(form.StoredFrameNumber, -1);
            EXPECT_EQ(form.SelectedEffectNumber, 300);
            EXPECT_FALSE(form.Cancel);
        } else {
            EXPECT_NE(form.FSkImage, nullptr) << c.language;
            EXPECT_EQ(form.FHistory->Count(), 1);
            EXPECT_EQ(form.FImageDirty, c.dirty);
        }
    }
    SetCurrentLanguage(QStringLiteral("en"));
}

TEST(TForm1, AFullResetWhileAnEffectRunsDoesNothing)
{
    TestForm form;
    form.FSkImage = Grey(4, 4);
    form.FCurrentEffectNumber = 304;
    form.FullReset();
    EXPECT_TRUE(form.questions.empty());
    EXPECT_NE(form.FSkImage, nullptr);
    form.FCurrentEffectNumber = -1;
}

TEST(TForm1, DestructionEndsAfterItsWaitAndLeavesLateWorkersTheirHistory)
{
    std::atomic<bool> release{false};
    std::thread late;
    {
        auto form = std::make_unique<TestForm>();
        form->FBackgroundWorkers = 1; // a worker that ignores the cancel flag
        TImageHistory* history = form->History.get();
        late = std::thread([&release, history] {
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            history->Save(Grey(2, 2), Grey(2, 2)); // still a live history
        });
        QElapsedTimer t;
        t.start();
        form.reset();
        EXPECT_GE(t.elapsed(), 4900);
        EXPECT_LT(t.elapsed(), 8000) << "the wait is bounded";
    }
    release = true;
    late.join();
}

} // namespace
} // namespace pv
