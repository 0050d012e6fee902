// The window's side of the lookup-table panel: opening it with the current
// table (the manual-brush panel and the script editor make way and come back
// when it closes) and taking the table chosen for the LUT effect.

#include "workspace/window/MainWindow.h"

#include "overlays/OverlayHost.h"
#include "overlays/LUTSelector.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/scripting/ScriptEditor.h"

#include <QTimer>

#include <utility>

namespace pv {

namespace {

void ReopenScriptEditor(TForm1& form)
{
    form.LinkScriptEditorWindow();
}

void ReopenAfterLUTPanel(TForm1& form)
{
    const bool brush = std::exchange(form.FReopenManualBrushAfterLUT, false);
    const bool editor = std::exchange(form.FReopenScriptEditorAfterLUT, false);
    if (!brush) {
        if (editor)
            ReopenScriptEditor(form);
        return;
    }
    // The layer is still inside its close here (and may be closing for a
    // panel that is replacing this one): the brush panel takes it over once
    // control is back in the event loop, unless another panel holds it by
    // then. The editor comes back after the brush, which would hide it.
    QTimer::singleShot(0, &form, [&form, editor] {
        if (!form.layOverlayContainer->isVisible())
            form.ShowManualBrushFrame();
        if (editor)
            ReopenScriptEditor(form);
    });
}

} // namespace

void TForm1::SelectLUTButtonClick() { ShowLUTSelector(); }

void TForm1::ShowLUTSelector()
{
    if (IsEffectRunning() || !FSkImage)
        return;
    // The table panel takes the layer over from the manual-brush panel, which
    // closes first (its close closes the layer, before this panel's reopening
    // is wired to the layer's close).
    FReopenManualBrushAfterLUT = FManualBrushFrame != nullptr;
    if (FReopenManualBrushAfterLUT)
        CloseManualBrushFrame();
    FReopenScriptEditorAfterLUT = FormScriptEditor && FormScriptEditor->isVisible();
    if (FReopenScriptEditorAfterLUT) {
        UnlinkScriptEditorWindow();
        FormScriptEditor->hide();
    }
    auto* panel = new TFrameLUTSelector(layOverlayContainer);
    panel->OnLUTApplied = [this](const QString& name, const QByteArray& data, const QString& path) {
        OnLUTApplied(name, data, path);
    };
    panel->OnClose = [this] { layOverlayContainer->PostCloseOverlay(); };
    panel->OnMessage = [this](const QString& text) { ShowMessage(text); };
    panel->AskLUTFiles = [this] {
        return ChooseFiles(FilesView().TranslateUiText(QStringLiteral("Select LUT File (.cube)")),
                           QStringLiteral("LUT Files (*.cube *.zip);;All Files (*)"));
    };
    panel->Initialize(FLUTName, FLUTData, FLUTFilePath, FSkSourceImage);
    // The panels it made way for come back once, when this one closes.
    layOverlayContainer->OnClosed = [form = this, previous = layOverlayContainer->OnClosed] {
        // Copied out first: the assignment below destroys this closure.
        TForm1* const self = form;
        const auto restore = previous;
        self->layOverlayContainer->OnClosed = restore;
        if (restore)
            restore();
        ReopenAfterLUTPanel(*self);
    };
    layOverlayContainer->ShowOverlayFrame(panel);
    panel->BtnApply->setFocus(Qt::OtherFocusReason);
}

void TForm1::OnLUTApplied(const QString& ALUTName, const QByteArray& ALUTData, const QString& AFilePath)
{
    FLUTName = ALUTName;
    if (!AFilePath.isEmpty()) {
        FLUTFilePath = AFilePath;
        FLUTData.clear();
    } else {
        FLUTFilePath.clear();
        FLUTData = ALUTData;
    }
    UpdatePreviewTimer.start();
}

} // namespace pv
