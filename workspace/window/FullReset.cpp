// The close question and the full reset: the window's work goes back to the
// state after start-up, keeping theme, language, size, place and settings.

#include "workspace/window/MainWindow.h"

#include "engine/ImageHistory.h"
#include "platform/widgets/DesignColours.h"
#include "shell/Dictionary.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/canvas/CropTool.h"
#include "workspace/window/DropZone.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/preview/PreviewImage.h"
#include "workspace/scripting/ScriptEditor.h"

namespace pv {

bool TForm1::ConfirmYesNo(const QString& Question) { return FilesView().AskYesNo(Question); }

bool TForm1::HasUnsavedResult() const { return FImageDirty && FSkImage; }

bool TForm1::FormCloseQuery()
{
    if (!HasUnsavedResult())
        return true;
    return ConfirmYesNo(TranslateText(QStringLiteral("There are unsaved changes.")) + QStringLiteral("\r\n") +
                        TranslateText(QStringLiteral("Exit anyway?")));
}

void TForm1::FullReset()
{
    if (IsEffectRunning())
        return;
    // Unsaved work is never dropped without asking, whatever the language;
    // a clean window asks only in English.
    const QString question = TranslateText(QStringLiteral("Do you wish to do a full reset?"));
    if (HasUnsavedResult()) {
        if (!ConfirmYesNo(TranslateText(QStringLiteral("There are unsaved changes.")) + QStringLiteral("\r\n") +
                          question))
            return;
    } else if (GetCurrentLanguage() == QStringLiteral("en") && !ConfirmYesNo(question)) {
        return;
    }
    Cancel = true;
    if (FormScriptEditor) {
        FormScriptEditor->ResetToDefaultScript();
        FormScriptEditor->hide();
    }
    CloseManualBrushFrame();
    // No tool of the old picture may act on the next one.
    EndCrop();
    CancelTextButtonClick();
    History->Clear();
    ClearGallery();
    FImageDirty = false;
    FSkImage.reset();
    FSkSourceImage.reset();
    FilesView().FSourceFileName.clear();
    Image1->setBitmap(FDefaultPreviewBitmap);
    UpdateEmptyPreviewBg();

    InitializeParameters();
    SelectedEffectNumber = 300;
    UpdateListboxes(ListBoxes[2], 0);

    StoredFrameNumber = -1;
    StoredFrameName.clear();
    StoredFrameSize = 20.0f;
    StoredFrameColor = kDefaultFrameColour;
    StoredTextureNumber = -1;
    StoredTextureStrength = 50.0f;
    StoredTextureScale = 1.0f;
    StoredTextureBitmap = QImage();
    FLUTData.clear();
    FLUTName.clear();
    FLUTFilePath.clear();
    GlobalBrushCount = 40;
    CustomBrushesOn302 = CustomBrushesOn303 = CustomBrushesOn304 = false;
    CustomBrushBitmap302 = CustomBrushBitmap303 = CustomBrushBitmap304 = QImage();
    CustomBrushCount304 = 0;
    UpdateEffectOptions();

    SkPaintBox1->ResetView();
    SkPaintBox1->UpdatePaintBoxSize();
    Cancel = false;
    RedrawCanvas();
    if (DropZoneRect) {
        CenterDropZone();
        DropZoneRect->show();
        DropZoneRect->raise();
    }
}

} // namespace pv
