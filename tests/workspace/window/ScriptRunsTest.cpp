#include "workspace/window/ScriptRuns.h"

#include "EditorFixture.h"
#include "TestZip.h"
#include "engine/Effect.h"
#include "engine/ImageHistory.h"
#include "platform/widgets/RoundedPanel.h"
#include "workspace/scripting/ScriptEditor.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace pv {
namespace {

using namespace pv::test;

TEST(ScriptRuns, SuccessfulRunAddsExactlyOneSnapshot)
{
    EditorForm form;
    ASSERT_EQ(form.FHistory->Count(), 1);
    const ISkImage opened = form.FSkImage;
    form.Run(QStringLiteral("# three commands, one step back\nRESIZE 50% 50%\nSAVE half\nRESIZE 10 10\nLOAD half"));
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Script completed successfully"));
    EXPECT_FALSE(form.FScriptRunning.load());
    EXPECT_EQ(form.FHistory->Count(), 2);
    ASSERT_TRUE(form.FSkImage);
    EXPECT_EQ(form.FSkImage->width(), 20);
    EXPECT_EQ(form.FSkSourceImage->width(), 10) << "the run hands back its resized source";

    ISkImage shown, source;
    ASSERT_TRUE(form.FHistory->Undo(shown, source));
    EXPECT_EQ(shown->width(), 40) << "undo returns to the picture from before the run";
}

TEST(ScriptRuns, SwapAtTheEndKeepsTheWorkingPictureAsSource)
{
    EditorForm form;
    form.Run(QStringLiteral("RESIZE 20 10\nSWAP"));
    ASSERT_TRUE(form.FSkSourceImage);
    EXPECT_EQ(form.FSkSourceImage->width(), 20);
    EXPECT_EQ(form.FHistory->Count(), 2);
}

TEST(ScriptRuns, FailedRunAddsNoSnapshotAndReportsTheLine)
{
    EditorForm form;
    const ISkImage opened = form.FSkImage;
    form.Run(QStringLiteral("RESET\nLOAD nowhere"));
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Line 2: Slot \"nowhere\" not found"));
    EXPECT_EQ(form.editor->StatusColor(), 0xFFFF6666u);
    EXPECT_EQ(form.FHistory->Count(), 1);
    EXPECT_EQ(form.FSkSourceImage, opened);
    EXPECT_FALSE(form.FScriptRunning.load());
}

TEST(ScriptRuns, RefusedRequestsStillEndTheEditorsRun)
{
    EditorForm form;
    form.FScriptRunning = true; // a batch script holds the pictures
    form.Run(QStringLiteral("RESIZE 10 10"));
    EXPECT_FALSE(form.editor->FRunning);
    EXPECT_FALSE(form.editor->FMiniMode);
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Another script is running"));
    EXPECT_EQ(form.FHistory->Count(), 1);
    form.FScriptRunning = false;

    form.FSkImage.reset();
    form.Run(QStringLiteral("RESIZE 10 10"));
    EXPECT_FALSE(form.editor->FRunning);
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("No image loaded"));
}

std::atomic<bool> gEffectStarted{false};

// An effect that runs until the user cancels.
void EffectUntilCancelled(const ISkImage&, const ISkSurface& Dest, int, int, int, int, int, bool)
{
    gEffectStarted = true;
    while (!IsEffectCancelled())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Dest->getCanvas()->clear(kColorWhite);
}

TEST(ScriptRuns, CancelEndsTheRunWithoutSnapshot)
{
    const TEffectProc previous = ReplaceEffect(402, &EffectUntilCancelled);
    {
        EditorForm form;
        gEffectStarted = false;
        form.editor->MemoScript->setPlainText(QStringLiteral("RESIZE 20 20\nEFFECT 402 50 50 50 50 50\nRESIZE 5 5"));
        form.editor->BtnRunClick();
        EXPECT_TRUE(form.editor->FMiniMode) << "a run shrinks the editor";
        WaitUntil([] { return gEffectStarted.load(); });
        form.editor->btnCancelClick();
        WaitUntil([&] { return !form.editor->FRunning; });
        EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Cancelled by user"));
        EXPECT_FALSE(form.editor->FMiniMode);
        EXPECT_EQ(form.FHistory->Count(), 1);
        ASSERT_TRUE(form.FSkImage);
        EXPECT_EQ(form.FSkImage->width(), 20) << "the window shows what the engine last handed to it";
        EXPECT_EQ(form.FSkSourceImage->width(), 40);
    }
    ReplaceEffect(402, previous);
}

// The window as the engine closes it: a close asked for during a run is
// carried out after the hand-back.
struct ClosingForm : EditorForm {
    void Close() override { ++closes; }
    int closes = 0;
};

TEST(ScriptRuns, CloseDuringARunHappensAfterTheHandBack)
{
    const TEffectProc previous = ReplaceEffect(402, &EffectUntilCancelled);
    {
        ClosingForm form;
        gEffectStarted = false;
        form.editor->MemoScript->setPlainText(QStringLiteral("EFFECT 402 50 50 50 50 50"));
        form.editor->BtnRunClick();
        WaitUntil([] { return gEffectStarted.load(); });
        QCloseEvent event;
        QCoreApplication::sendEvent(&form, &event); // sets Cancel and defers
        EXPECT_FALSE(event.isAccepted());
        EXPECT_EQ(form.closes, 0);
        WaitUntil([&] { return !form.editor->FRunning; });
        EXPECT_EQ(form.closes, 1);
        EXPECT_FALSE(form.FCloseRequested.load());
    }
    ReplaceEffect(402, previous);
}

TEST(ScriptEditor, SixParseErrorsShowFiveAndTheCountOfTheRest)
{
    EditorForm form;
    form.Run(QStringLiteral("A\nB\nC\nD\nE\nF"));
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Parse errors found"));
    ASSERT_EQ(form.editor->messages.size(), 1u);
    const QString& message = form.editor->messages[0];
    EXPECT_EQ(message.count(QStringLiteral("Line ")), 5);
    EXPECT_TRUE(message.endsWith(QStringLiteral("... and 1 more errors")));
    EXPECT_EQ(form.FHistory->Count(), 1) << "nothing ran";
}

TEST(ScriptEditor, InsertGoesBelowTheCaretLineAndLeavesTheCaretAfterIt)
{
    EditorForm form;
    QPlainTextEdit* memo = form.editor->MemoScript;
    const struct {
        int caretLine;
        QString expected;
        int caretLineAfter;
    } cases[] = {
        {0, QStringLiteral("RESET\nSWAP\nCLEAR\nNOCLEAR"), 1},
        {1, QStringLiteral("RESET\nCLEAR\nSWAP\nNOCLEAR"), 2},
        {2, QStringLiteral("RESET\nCLEAR\nNOCLEAR\nSWAP"), 3},
    };
    for (const auto& c : cases) {
        memo->setPlainText(QStringLiteral("RESET\nCLEAR\nNOCLEAR"));
        QTextCursor cursor(memo->document()->findBlockByNumber(c.caretLine));
        memo->setTextCursor(cursor);
        form.editor->InsertScriptLine(QStringLiteral("SWAP"));
        EXPECT_EQ(memo->toPlainText(), c.expected) << c.caretLine;
        EXPECT_EQ(memo->textCursor().blockNumber(), c.caretLineAfter);
        EXPECT_EQ(memo->textCursor().positionInBlock(), 4) << "after the inserted text";
    }
    memo->clear();
    form.editor->InsertScriptLine(QStringLiteral("SWAP"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("SWAP"));
}

TEST(ScriptEditor, PickingAnExampleLoadsItUnlessARunIsInProgress)
{
    EditorForm form;
    ASSERT_EQ(form.editor->FScripts.size(), 15u);
    form.editor->FCurrentFilePath = QStringLiteral("/tmp/old.vls");
    form.editor->ScriptComboChange(8); // Photo Enhancer
    EXPECT_TRUE(form.editor->MemoScript->toPlainText().contains(QStringLiteral("ENHANCE")));
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Loaded: Photo Enhancer"));
    EXPECT_TRUE(form.editor->FCurrentFilePath.isEmpty());

    form.editor->FRunning = true;
    form.editor->ScriptComboChange(9);
    EXPECT_TRUE(form.editor->MemoScript->toPlainText().contains(QStringLiteral("ENHANCE")));
    form.editor->FRunning = false;

    form.editor->ResetToDefaultScript();
    EXPECT_EQ(form.editor->MemoScript->toPlainText(), ResetScriptLines().join(u'\n'));
    EXPECT_EQ(form.editor->MemoScript->textCursor().blockNumber(), ResetScriptLines().size() - 1);
}

TEST(ScriptEditor, ImportsScriptsAndSelectsTheFirst)
{
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("set.zip"));
    ASSERT_TRUE(test::WriteZip(zip, {{QStringLiteral("a.vls"), "RESET"},
                                     {QStringLiteral("b.vls"), "SWAP"},
                                     {QStringLiteral("c.vls"), "CLEAR"},
                                     {QStringLiteral("readme.txt"), "no"}}));
    EditorForm form;
    form.editor->ImportScripts({zip, zip});
    ASSERT_EQ(form.editor->FScripts.size(), 15u + 6u) << "the same archive twice is listed twice";
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Imported 6 script(s)"));
    EXPECT_EQ(form.editor->CboScripts->currentIndex(), 15);
    EXPECT_EQ(form.editor->MemoScript->toPlainText(), QStringLiteral("RESET"));
    EXPECT_FALSE(form.editor->FScripts[15].BuiltIn);

    form.editor->ImportScripts({dir.filePath(QStringLiteral("missing.vls"))});
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("No scripts found"));
    EXPECT_EQ(form.editor->StatusColor(), 0xFFFF6666u);
}

TEST(ScriptEditor, SavesTheMemoAsUtf8AndProposesItNextTime)
{
    QTemporaryDir dir;
    EditorForm form;
    form.editor->MemoScript->setPlainText(QStringLiteral("# café\nRESET"));
    form.editor->saveAnswer = dir.filePath(QStringLiteral("mine.vls"));
    form.editor->BtnSaveClick();
    QFile saved(form.editor->saveAnswer);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("# caf\xC3\xA9\r\nRESET\r\n"));
    EXPECT_EQ(form.editor->FCurrentFilePath, form.editor->saveAnswer);
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Saved: mine.vls"));

    form.editor->MemoScript->setPlainText(QStringLiteral("SWAP"));
    form.editor->replace = false;
    form.editor->BtnSaveClick();
    saved.seek(0);
    EXPECT_EQ(saved.readAll(), QByteArray("# caf\xC3\xA9\r\nRESET\r\n")) << "refusing to replace keeps the file";
}

TEST(ScriptEditor, ALongErrorIsShownWholeAndASaveAfterItIsNotRed)
{
    QTemporaryDir dir;
    EditorForm form;
    const QString error = QStringLiteral("Line 3: FRAME failed\r\nThe frame picture could not be converted");
    form.editor->FinishRun(error);
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Line 3: FRAME failed"));
    EXPECT_EQ(form.editor->StatusColor(), 0xFFFF6666u);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.editor->messages, std::vector<QString>{error});

    form.editor->FinishRun(QStringLiteral("Line 1: short"));
    QCoreApplication::processEvents();
    EXPECT_EQ(form.editor->messages.size(), 1u) << "one line fits the status line";

    form.editor->saveAnswer = dir.filePath(QStringLiteral("after.vls"));
    form.editor->BtnSaveClick();
    EXPECT_EQ(form.editor->StatusText(), QStringLiteral("Saved: after.vls"));
    EXPECT_EQ(form.editor->StatusColor(), 0xFFAAAAAAu);
}

TEST(ScriptEditor, DragsByItsPanelAndPassesEveryOtherEventOn)
{
    EditorForm form;
    QWidget* panel = form.editor->MiniPanel;
    const QPoint start = form.editor->frameGeometry().topLeft();
    auto mouse = [&](QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(5, 5), QPointF(global), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(panel, &event);
    };
    // Events of other kinds go through the filter without being read as mouse events.
    QEvent leave(QEvent::Leave);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QResizeEvent resize(QSize(20, 20), QSize(10, 10));
    for (QEvent* event : std::initializer_list<QEvent*>{&leave, &key, &resize})
        QCoreApplication::sendEvent(panel, event);
    mouse(QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseMove, {150, 150}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(form.editor->frameGeometry().topLeft(), start) << "only the left button drags";

    mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {130, 120}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(form.editor->frameGeometry().topLeft(), start + QPoint(30, 20));
    mouse(QEvent::MouseButtonRelease, {130, 120}, Qt::LeftButton, Qt::NoButton);
    mouse(QEvent::MouseMove, {200, 200}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(form.editor->frameGeometry().topLeft(), start + QPoint(30, 20)) << "the release ends the drag";
}

} // namespace
} // namespace pv
