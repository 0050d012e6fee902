// The script editor as a window: shown over the main window and active,
// its keys and focus ring, the blend-mode list and the decorations that
// follow the theme.

#include "EditorFixture.h"
#include "KeyboardFixture.h"
#include "overlays/OverlayHost.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/TabNav.h"
#include "workspace/scripting/ScriptHelp.h"

#include <QApplication>
#include <QComboBox>
#include <QAbstractItemView>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace pv {
namespace {

using namespace pv::test;

// The transient parent the editor's window carries each time it is shown:
// the window manager reads it when the window is mapped, right after.
class TransientAtShow : public QObject {
public:
    explicit TransientAtShow(QWidget* editor) { editor->installEventFilter(this); }
    std::vector<QWindow*> parents;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            const QWindow* w = static_cast<QWidget*>(watched)->windowHandle();
            parents.push_back(w ? w->transientParent() : nullptr);
        }
        return false;
    }
};

TEST(ScriptEditorWindow, ShowsLinkedToTheMainWindowAfterEveryToolThatHidIt)
{
    EditorForm form;
    ShowRestored(form);
    ASSERT_TRUE(form.windowHandle());
    TransientAtShow watch(form.editor);
    const struct {
        const char* name;
        std::function<void()> hideAndComeBack;
    } ways[] = {
        {"a tool (the brush, a dialog, a panel) and the script button",
         [&] {
             form.CloseScriptEditorForDialog();
             form.ShowScriptEditor();
         }},
        {"the lookup-table panel, which brings it back",
         [&] {
             form.ShowLUTSelector();
             ASSERT_FALSE(form.editor->isVisible());
             QCoreApplication::processEvents();
             form.layOverlayContainer->CloseOverlay();
             QCoreApplication::processEvents();
         }},
    };
    form.ShowScriptEditor();
    for (const auto& way : ways) {
        watch.parents.clear();
        way.hideAndComeBack();
        EXPECT_TRUE(form.editor->isVisible()) << way.name;
        EXPECT_EQ(watch.parents, std::vector<QWindow*>{form.windowHandle()}) << way.name;
        WaitUntil([&] { return QApplication::activeWindow() == form.editor; });
        EXPECT_EQ(QApplication::activeWindow(), form.editor) << way.name;
    }
}

TEST(ScriptEditorWindow, IsTheActiveWindowAgainAfterItsOwnFileDialogs)
{
    QTemporaryDir dir;
    EditorForm form;
    ShowRestored(form);
    form.ShowScriptEditor();
    // The closing dialog hands the activation to the main window, as a
    // window manager may.
    form.editor->duringDialog = [&] {
        form.activateWindow();
        WaitUntil([&] { return QApplication::activeWindow() == &form; });
    };
    const struct {
        const char* name;
        std::function<void()> command;
    } commands[] = {
        {"Open... cancelled", [&] { form.editor->BtnOpenClick(); }},
        {"Save as... cancelled", [&] { form.editor->BtnSaveClick(); }},
        {"Save as... to a file",
         [&] {
             form.editor->saveAnswer = dir.filePath(QStringLiteral("kept.vls"));
             form.editor->BtnSaveClick();
         }},
    };
    for (const auto& c : commands) {
        c.command();
        WaitUntil([&] { return QApplication::activeWindow() == form.editor; });
        EXPECT_EQ(QApplication::activeWindow(), form.editor) << c.name;
    }
}

// The editor shown over a shown main window, active, the script focused.
class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ShowRestored(form);
        form.ShowScriptEditor();
        WaitUntil([&] { return QApplication::activeWindow() == editor; });
        ASSERT_EQ(QApplication::activeWindow(), editor);
        editor->MemoScript->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }
    // The controls Tab reaches from the script, in order, until it comes back.
    std::vector<QWidget*> TabCycle(bool backward = false)
    {
        std::vector<QWidget*> seen;
        for (int i = 0; i < 60; ++i) {
            PressKey(*editor, Qt::Key_Tab, backward ? Qt::ShiftModifier : Qt::NoModifier);
            QWidget* now = QApplication::focusWidget();
            if (now == editor->MemoScript || !now)
                break;
            seen.push_back(now);
        }
        return seen;
    }
    EditorForm form;
    RecordingEditor* editor = form.editor;
};

TEST_F(EditorWindow, TabMovesTheFocusInReadingOrderInsteadOfTypingATab)
{
    const QString script = editor->MemoScript->toPlainText();
    std::vector<QWidget*> expected;
    for (TButton* b : editor->InsertButtons)
        if (!b->isHidden())
            expected.push_back(b);
    for (QWidget* w : std::initializer_list<QWidget*>{editor->CboScripts, editor->BtnOpen, editor->BtnSave,
                                                      editor->BtnClose, editor->BtnRun, editor->SkSvg1})
        expected.push_back(w);
    const std::vector<QWidget*> cycle = TabCycle();
    EXPECT_EQ(editor->MemoScript->toPlainText(), script) << "no tab typed";
    ASSERT_EQ(cycle.size(), expected.size() + 1) << "and the close cross after the help icon";
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(cycle[i], expected[i]) << i;
    auto* cross = qobject_cast<TLabel*>(cycle.back());
    ASSERT_TRUE(cross);
    EXPECT_EQ(cross->toolTip(), QStringLiteral("Close"));
    EXPECT_EQ(QApplication::focusWidget(), editor->MemoScript) << "round to the script again";
    // Shift+Tab runs the same round backwards.
    std::vector<QWidget*> back = TabCycle(true);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, cycle);
}

TEST_F(EditorWindow, TheRingMarksWhatTabReachedAndEnterClicksIt)
{
    PressKey(*editor, Qt::Key_Tab);
    TButton* effect = editor->InsertButtons[0];
    ASSERT_EQ(QApplication::focusWidget(), effect);
    ASSERT_TRUE(FocusRingShown(editor->FFocusRing));
    EXPECT_EQ(editor->FFocusRing->parentWidget(), effect->parentWidget());
    EXPECT_EQ(editor->FFocusRing->geometry(), effect->geometry().adjusted(-2, -2, 2, 2));
    // Enter on the ringed "Save" button inserts its line; the ring goes.
    PressKey(*editor, Qt::Key_Tab);
    PressKey(*editor, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), editor->InsertButtons[2]);
    PressKey(*editor, Qt::Key_Return);
    EXPECT_TRUE(editor->MemoScript->toPlainText().endsWith(QStringLiteral("SAVE myslot")));
    EXPECT_FALSE(FocusRingShown(editor->FFocusRing));
    // Tab shows it again; a click somewhere else takes it away.
    PressKey(*editor, Qt::Key_Tab);
    EXPECT_TRUE(FocusRingShown(editor->FFocusRing));
    editor->BtnRun->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(FocusRingShown(editor->FFocusRing));
    EXPECT_EQ(editor->FFocusRing->parentWidget(), editor);
}

TEST_F(EditorWindow, TabStaysInsideTheOpenReference)
{
    editor->SkSvg1Click();
    ASSERT_TRUE(editor->MemoScriptHelp->isVisible());
    for (int i = 0; i < 4; ++i) {
        PressKey(*editor, Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        ASSERT_TRUE(now);
        EXPECT_TRUE(editor->MemoScriptHelp->isAncestorOf(now)) << i;
    }
}

TEST_F(EditorWindow, KeysOfTheWindow)
{
    QTemporaryDir dir;
    editor->saveAnswer = dir.filePath(QStringLiteral("keys.vls"));
    PressKey(*editor, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(editor->FCurrentFilePath, editor->saveAnswer) << "Ctrl+S saves";
    editor->MemoScript->clear();
    PressKey(*editor, Qt::Key_F5);
    EXPECT_EQ(editor->StatusText(), QStringLiteral("Script is empty")) << "F5 runs";
    editor->FRunning = true;
    PressKey(*editor, Qt::Key_Escape);
    EXPECT_TRUE(editor->isVisible()) << "Esc leaves a running editor open";
    editor->FRunning = false;
    PressKey(*editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible()) << "Esc closes an idle editor";
}

TEST_F(EditorWindow, OneEscWithTheScriptListOpenOnlyClosesTheList)
{
    editor->CboScripts->setFocus();
    editor->CboScripts->showPopup();
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_TRUE(popup);
    QWidget* target = popup->focusWidget() ? popup->focusWidget() : popup;
    QTest::keyClick(target, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(editor->CboScripts->view()->isVisible());
    EXPECT_TRUE(editor->isVisible());
    PressKey(*editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible()) << "the next Esc closes the editor";
}

TEST_F(EditorWindow, TheBlendListInsertsTheLineOfItsItemAndHidesHoweverItCloses)
{
    TButton* blend = editor->InsertButtons[1];
    QComboBox* list = editor->CboBlendMode;
    QAbstractItemView* view = list->view();
    const auto key = [&](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(view, &press);
    };
    const struct {
        const char* name;
        std::function<void()> close;
        const char* line;
    } closes[] = {
        {"closed without a choice", [&] { list->hidePopup(); }, "BLEND myslot 50"},
        {"multiply picked with the keys",
         [&] {
             view->setCurrentIndex(list->model()->index(1, 0));
             key(Qt::Key_Return);
         },
         "BLEND myslot 50 multiply"},
        {"Esc after the last pick", [&] { key(Qt::Key_Escape); }, "BLEND myslot 50 multiply"},
    };
    for (const auto& c : closes) {
        editor->MemoScript->setPlainText(QStringLiteral("RESET"));
        Q_EMIT blend->clicked();
        ASSERT_TRUE(view->isVisible()) << c.name;
        c.close();
        WaitUntil([&] { return list->isHidden(); });
        EXPECT_TRUE(list->isHidden()) << c.name << ": not left over the buttons below";
        EXPECT_EQ(editor->MemoScript->toPlainText(), QStringLiteral("RESET\n") + QLatin1String(c.line)) << c.name;
    }
}

TEST_F(EditorWindow, AFailedSaveNamesTheFile)
{
    QTemporaryDir dir;
    editor->saveAnswer = dir.filePath(QStringLiteral("no-such-folder/mine.vls"));
    editor->BtnSaveClick();
    ASSERT_EQ(editor->messages.size(), 1u);
    EXPECT_TRUE(editor->messages[0].startsWith(QStringLiteral("Error saving script \"mine.vls\": ")))
        << editor->messages[0].toStdString();
    EXPECT_TRUE(editor->FCurrentFilePath.isEmpty());
}

TEST_F(EditorWindow, TheHelpIconFollowsTheTheme)
{
    EXPECT_EQ(editor->SkSvg1->overrideColour(), 0xFFFFFFFFu);
    form.SetLightMode(true);
    EXPECT_EQ(editor->SkSvg1->overrideColour(), 0xFF2A3744u) << "visible on the light body";
    form.SetLightMode(false);
    EXPECT_EQ(editor->SkSvg1->overrideColour(), 0xFFFFFFFFu);
}

} // namespace
} // namespace pv
