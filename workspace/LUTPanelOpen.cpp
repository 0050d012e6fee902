// The window's side of the lookup-table panel: opening it with the current
// table (the manual-brush panel and the script editor make way and come back
// when it closes) and taking the table chosen for the LUT effect.

#include "workspace/Unit1.h"

#include "overlays/OverlayHost.h"
#include "overlays/U_LUTSelector.h"
#include "workspace/ImageFiles.h"
#include "workspace/ScriptEditor.h"

namespace pv {

namespace {

void ReopenAfterLUTPanel(TForm1& form)
{
    if (form.FReopenManualBrushAfterLUT) {
        form.FReopenManualBrushAfterLUT = false;
        if (form.ReopenManualBrushAfterLUT)
            form.ReopenManualBrushAfterLUT();
    }
    if (form.FReopenScriptEditorAfterLUT) {
        form.FReopenScriptEditorAfterLUT = false;
        if (form.FormScriptEditor) {
            form.FormScriptEditor->show();
            form.LinkScriptEditorWindow();
        }
    }
}

} // namespace

void TForm1::SelectLUTButtonClick() { ShowLUTSelector(); }

void TForm1::ShowLUTSelector()
{
    if (IsEffectRunning() || !FSkImage)
        return;
    // The table panel takes the layer over from the manual-brush panel,
    // which the layer closes as its own close would.
    FReopenManualBrushAfterLUT = FManualBrushOpen;
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
