// The main window's side of script runs: the context every run is given,
// the run of the editor's script on the current picture, and hosting the
// script editor above the main window.

#include "workspace/window/ScriptRuns.h"

#include "engine/ImageHistory.h"
#include "engine/DebugLog.h"
#include "engine/Repository.h"
#include "engine/Workers.h"
#include "platform/system/Errors.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"
#include "platform/widgets/CaptionedSlider.h"
#include "scripts/ScriptEngine.h"
#include "scripts/ScriptParser.h"
#include "workspace/window/BatchProcessing.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/scripting/ScriptEditor.h"
#include "scripts/ScriptLibrary.h"
#include "workspace/window/MainWindow.h"

#include <QWindow>

#include <system_error>

namespace pv {
namespace {

// The window, while it is still the one the engine works for.
TForm1* LiveForm()
{
    TForm1* form = Form1();
    return form && EngineHost() == form && !form->IsDestroying() ? form : nullptr;
}

struct TScriptRun {
    std::vector<TScriptCommand> Commands;
    TScriptContext Context;
    ISkImage SourceSnap, WorkingSnap;
    std::function<void(int, int, const QString&)> Progress;
    std::function<void(TScriptRunResult&)> HandBack;
};

void ScriptWorker(std::shared_ptr<TScriptRun> run)
{
    TScriptRunResult result;
    try {
        TMainWindowScriptHost host;
        TScriptEngine engine(&host);
        if (run->Progress)
            engine.OnProgress = [run](int step, int total, const QString& name) {
                RunOnUISync([&] {
                    if (LiveForm())
                        run->Progress(step, total, name);
                });
            };
        engine.OnCancel = [] {
            TEngineHost* h = EngineHost();
            return !h || h->Cancel.load();
        };
        result.ResultImage = engine.Run(run->Commands, run->SourceSnap, run->WorkingSnap, run->Context, result.Error);
        result.ResultSourceImage = engine.ResultSourceImage();
    } catch (...) {
        result = {};
        result.Error = QString::fromStdString(DescribeError(std::current_exception()).message);
        if (result.Error.isEmpty())
            result.Error = QStringLiteral("Script run failed");
    }
    run->SourceSnap.reset();
    run->WorkingSnap.reset();
    try {
        RunOnUISync([&] {
            TForm1* form = LiveForm();
            if (!form)
                return;
            form->FScriptRunning = false;
            try {
                run->HandBack(result);
            } catch (const std::exception& e) {
                DebugLogException("ScriptWorker hand-back", e);
            }
            run->Context = TScriptContext();
            form->HonorDeferredClose();
        });
    } catch (...) {
        // The window went away while the run ended: nothing is left to tell.
    }
}

} // namespace

// ---------------------------------------------------------------- host

void TMainWindowScriptHost::FitCanvas()
{
    if (TForm1* form = LiveForm(); form && form->SkPaintBox1) {
        form->SkPaintBox1->UpdatePaintBoxSize();
        form->SkPaintBox1->CenterImageInPaintBox();
    }
}

void StartScriptWorker(TForm1& form, std::vector<TScriptCommand> Commands, TScriptContext Context,
                       std::function<void(int, int, const QString&)> Progress,
                       std::function<void(TScriptRunResult&)> HandBack)
{
    auto run = std::make_shared<TScriptRun>();
    run->Commands = std::move(Commands);
    run->Context = std::move(Context);
    run->SourceSnap = form.FSkSourceImage;
    run->WorkingSnap = form.FSkImage;
    run->Progress = std::move(Progress);
    run->HandBack = std::move(HandBack);
    if (!StartWorker([run] { ScriptWorker(run); })) {
        form.FScriptRunning = false;
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
}

void AttachScriptEditor(TForm1& form, TFormScriptEditor* editor)
{
    form.FormScriptEditor = editor;
    editor->FOnRunScript = [&form](QObject* sender, const QString& text) {
        form.OnScriptEditorRun(sender, text);
    };
    editor->FReadCurrentState = [&form] {
        TScriptInsertState s;
        s.EffectNumber = form.SelectedEffectNumber;
        for (int k = 1; k <= 5; ++k)
            s.P[k - 1] = form.TrackBar(k) ? Round(form.TrackBar(k)->value()) : 0;
        s.LutFilePath = form.FLUTFilePath;
        s.TextureStrength = Round(form.StoredTextureStrength);
        s.TextureScale = form.StoredTextureScale;
        s.TextureNumber = form.StoredTextureNumber;
        s.FrameSize = Round(form.StoredFrameSize);
        s.FrameColor = form.StoredFrameColor;
        s.FrameNumber = form.StoredFrameNumber;
        s.ContourColor = form.FContourColor.load();
        return s;
    };
    editor->FCancelRun = [&form] { form.Cancel = true; };
    editor->FUnlink = [&form] { form.UnlinkScriptEditorWindow(); };
    editor->FCenterCanvas = [&form] {
        if (form.SkPaintBox1)
            form.SkPaintBox1->CenterImageInPaintBox();
    };
}

// ---------------------------------------------------------------- TForm1

TScriptContext TForm1::BuildScriptContext()
{
    TScriptContext context = ScriptContextFromRepository(Form3());
    context.FrameMarginSize = Round(StoredFrameSize);
    context.FrameMarginColor = StoredFrameColor;
    if (!StoredTextureBitmap.isNull() && StoredTextureBitmap.width() > 0 && StoredTextureBitmap.height() > 0)
        context.CurrentTextureBitmap = StoredTextureBitmap.copy();
    context.TextureStrength = Round(StoredTextureStrength);
    context.TextureScale = StoredTextureScale;
    return context;
}

void TForm1::RunScriptOnCurrentImage(const QString& AScriptText)
{
    auto answer = [this](const QString& error) {
        if (FormScriptEditor)
            FormScriptEditor->FinishRun(error);
    };
    if (!FSkImage || !FSkSourceImage) {
        answer(QStringLiteral("No image loaded"));
        return;
    }
    if (FScriptRunning.load()) {
        answer(QStringLiteral("Another script is running"));
        return;
    }
    // A run between two files of a batch would be saved as the next file's result.
    if (FBatch && FBatch->FBatchRunning) {
        answer(QStringLiteral("Please wait for the batch to finish."));
        return;
    }
    // An effect run would replace the script's result with its own.
    if (IsEffectRunning()) {
        answer(QStringLiteral("Please wait for the current effect to finish."));
        return;
    }
    std::vector<TScriptCommand> commands;
    QStringList errors;
    if (!ParseScript(SplitScriptLines(AScriptText), commands, errors)) {
        answer(errors.value(0));
        return;
    }
    TScriptContext context = BuildScriptContext();
    if (SkPaintBox1) {
        SkPaintBox1->UpdatePaintBoxSize();
        SkPaintBox1->CenterImageInPaintBox();
    }
    FScriptRunning = true;
    Cancel = false;
    auto progress = [this](int step, int total, const QString& name) {
        if (FormScriptEditor && FormScriptEditor->isVisible())
            FormScriptEditor->UpdateProgress(step, total, name);
    };
    auto handBack = [this](TScriptRunResult& result) {
        if (result.ResultImage) {
            FSkImage = result.ResultImage;
            if (result.ResultSourceImage)
                FSkSourceImage = result.ResultSourceImage;
            if (FHistory)
                FHistory->Save(FSkImage, FSkSourceImage);
            FImageDirty = true;
            if (SkPaintBox1) {
                SkPaintBox1->UpdatePaintBoxSize();
                SkPaintBox1->CenterImageInPaintBox();
            }
        }
        RedrawCanvas();
        if (FormScriptEditor)
            FormScriptEditor->FinishRun(result.Error);
    };
    try {
        StartScriptWorker(*this, std::move(commands), std::move(context), progress, handBack);
    } catch (const std::exception& e) {
        answer(QString::fromStdString(e.what()));
    }
}

void TForm1::OnScriptEditorRun(QObject*, const QString& AScriptText) { RunScriptOnCurrentImage(AScriptText); }

void TForm1::ShowScriptEditor()
{
    if (!FSkImage)
        return;
    if (!FormScriptEditor)
        AttachScriptEditor(*this, new TFormScriptEditor(this));
    FormScriptEditor->SetCurrentState();
    LinkScriptEditorWindow();
    const QRect main = frameGeometry();
    const QRect editor = FormScriptEditor->frameGeometry();
    FormScriptEditor->move(main.left() + (main.width() - editor.width()) / 2,
                           main.top() + (main.height() - editor.height()) / 2);
}

void TForm1::CloseScriptEditorForDialog()
{
    if (FormScriptEditor && FormScriptEditor->isVisible()) {
        UnlinkScriptEditorWindow();
        FormScriptEditor->hide();
    }
}

void TForm1::LinkScriptEditorWindow()
{
    if (!FormScriptEditor)
        return;
    // A tool window with the main window as its transient parent stays above
    // it and is minimised with it. The window manager reads that link when
    // the window is mapped (on X11 a later change never reaches it), so it is
    // set before the window shows.
    FormScriptEditor->winId();
    if (QWindow* editor = FormScriptEditor->windowHandle())
        editor->setTransientParent(windowHandle());
    FormScriptEditor->show();
    FormScriptEditor->raise();
    FormScriptEditor->activateWindow();
}

void TForm1::UnlinkScriptEditorWindow()
{
    if (!FormScriptEditor)
        return;
    if (QWindow* editor = FormScriptEditor->windowHandle())
        editor->setTransientParent(nullptr);
}

} // namespace pv
