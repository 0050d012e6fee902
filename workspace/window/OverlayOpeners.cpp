// The window's side of the resize and combine panels: opening them in the
// overlay layer with their inputs, and applying what they hand back to both
// pictures with one history step.

#include "workspace/window/MainWindow.h"

#include "engine/ImageHistory.h"
#include "overlays/OverlayHost.h"
#include "overlays/Resize.h"
#include "overlays/CombineImages.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/window/ImageFiles.h"

#include <new>

namespace pv {

namespace {

QString TooLargeMessage(TForm1& form, int width, int height)
{
    return form.FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")) +
           QStringLiteral("%1 x %2").arg(width).arg(height);
}

} // namespace

void TForm1::ShowResizeFrame()
{
    if (!FSkSourceImage)
        return;
    CloseScriptEditorForDialog();
    auto* panel = new TFrame2(this);
    panel->SetInitialSize(FSkSourceImage->width(), FSkSourceImage->height());
    panel->FOnConfirm = [this](int w, int h) { DoResizeImage(w, h); };
    panel->FOnCancel = [this] { CloseResizeFrame(); };
    layOverlayContainer->ShowOverlayFrame(panel);
    panel->FocusPercentBox();
}

void TForm1::DoResizeImage(int NewWidth, int NewHeight)
{
    // The finishing render of an effect would overwrite the resized pictures.
    if (!PictureChangeRefused()) {
        ISkImage source, result;
        bool resized = false;
        try {
            resized = ResizeBoth(FSkSourceImage, FSkImage, NewWidth, NewHeight, source, result);
        } catch (const std::bad_alloc&) {
            ShowMessage(TooLargeMessage(*this, NewWidth, NewHeight));
        }
        if (resized) {
            FSkSourceImage = source;
            FSkImage = result;
            RedrawCanvas();
            SkPaintBox1->CenterImageInPaintBox();
            SkPaintBox1->UpdatePaintBoxSize();
            History->Save(FSkImage, FSkSourceImage);
        }
    }
    layOverlayContainer->PostCloseOverlay();
}

void TForm1::CloseResizeFrame() { layOverlayContainer->PostCloseOverlay(); }

void TForm1::ShowCombineImagesFrame(const ISkImage& ABlendImage)
{
    if (!FSkImage) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("No base image loaded.")));
        return;
    }
    if (!ABlendImage) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("No blend image selected.")));
        return;
    }
    CloseScriptEditorForDialog();
    if (layOverlayContainer->IsOpen())
        return;
    auto* panel = new TFrame4(this);
    panel->SetImages(FSkImage, ABlendImage);
    panel->OnApply = [this](const ISkImage& blended) {
        // After the click's handling: the panel goes with the close.
        QMetaObject::invokeMethod(
            this,
            [this, blended] {
                // The panel stays for when the work ends.
                if (PictureChangeRefused()) {
                    ShowMessage(
                        FilesView().TranslateUiText(QStringLiteral("Please wait for the current effect to finish.")));
                    return;
                }
                FSkImage = blended;
                History->Save(FSkImage, FSkSourceImage);
                RedrawCanvas();
                CloseOverlay();
            },
            Qt::QueuedConnection);
    };
    panel->OnCancel = [this] { layOverlayContainer->PostCloseOverlay(); };
    panel->OnOutOfMemory = [this] { ShowMessage(TooLargeMessage(*this, FSkImage->width(), FSkImage->height())); };
    layOverlayContainer->ShowOverlayFrame(panel);
    panel->setFocus(Qt::OtherFocusReason);
}

void TForm1::CombineMIClick()
{
    CloseMainMenu();
    ShowCombineImagesFrame(FSkSourceImage);
}

} // namespace pv
