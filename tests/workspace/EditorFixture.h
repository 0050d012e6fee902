#pragma once
// The script editor attached to a main window, with its dialogs and message
// boxes answered by the test instead of shown.

#include "FormFixture.h"
#include "workspace/scripting/ScriptEditor.h"
#include "workspace/window/ScriptRuns.h"

#include <QPlainTextEdit>

#include <functional>
#include <vector>

namespace pv::test {

// The editor with its message boxes recorded and every FinishRun counted.
class RecordingEditor : public TFormScriptEditor {
public:
    using TFormScriptEditor::TFormScriptEditor;
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    QStringList AskOpenScriptFiles() override
    {
        if (duringDialog)
            duringDialog();
        return openAnswer;
    }
    QString AskSaveScriptFile() override
    {
        if (duringDialog)
            duringDialog();
        return saveAnswer;
    }
    bool ConfirmReplace(const QString&) override { return replace; }
    std::vector<QString> messages;
    QStringList openAnswer;
    QString saveAnswer;
    bool replace = true;
    // What happens while a file dialog is open.
    std::function<void()> duringDialog;
};

struct EditorForm : RecordingForm {
    EditorForm()
    {
        editor = new RecordingEditor(this);
        AttachScriptEditor(*this, editor);
        OpenFlatPicture(*this, 40, 30);
    }
    // Runs the memo's script as F5 would and waits for the hand-back.
    void Run(const QString& script)
    {
        editor->MemoScript->setPlainText(script);
        editor->BtnRunClick();
        WaitUntil([&] { return !editor->FRunning; });
    }
    RecordingEditor* editor;
};

} // namespace pv::test
