// The window's side of the texture panel: opening it with the stored choice,
// laying the chosen texture over the result with one history step, and the
// texture switch that lays the stored texture over every later effect result.

#include "workspace/window/MainWindow.h"

#include "engine/ApplyCustomTexture.h"
#include "engine/ImageHistory.h"
#include "engine/Repository.h"
#include "overlays/OverlayHost.h"
#include "overlays/TextureSelector.h"
#include "platform/widgets/Switch.h"
#include "workspace/window/ImageFiles.h"

#include <new>

namespace pv {

void TForm1::Label10Click()
{
    if (IsEffectRunning() || !FSkImage)
        return;
    CloseScriptEditorForDialog();
    ShowTextureSelectorFrame();
}

void TForm1::ShowTextureSelectorFrame()
{
    if (!FSkSourceImage || layOverlayContainer->IsOpen())
        return;
    auto* panel = new TFrameTextureSelector(this);
    panel->SetPicture(FSkImage);
    TStoredTexture stored;
    stored.Valid = StoredTextureSettingsValid;
    stored.Name = StoredTextureName;
    stored.Number = StoredTextureNumber;
    stored.Strength = StoredTextureStrength;
    stored.Scale = StoredTextureScale;
    stored.Bitmap = StoredTextureBitmap;
    panel->SetStored(stored);
    panel->TextureList = &Form3().TextureList;
    panel->OnStore = [this](const TStoredTexture& s) {
        StoredTextureSettingsValid = s.Valid;
        StoredTextureName = s.Name;
        StoredTextureNumber = s.Number;
        StoredTextureStrength = s.Strength;
        StoredTextureScale = s.Scale;
        StoredTextureBitmap = s.Bitmap;
        StoredTextureIsCustom = false;
    };
    panel->OnTextureSelected = [this](const QImage& texture, int strength, float scale) {
        OnTextureSelectorFrameSelected(texture, strength, scale);
    };
    panel->LoadTextures(Form3().TextureList);
    ShowGalleryPanel(panel, panel->AskTextureFile, "Load custom texture", panel->Button1);
}

void TForm1::OnTextureSelectorFrameSelected(const QImage& ATextureBitmap, int AStrength, float AScale)
{
    if (!FSkSourceImage || !FSkImage || PictureChangeRefused())
        return;
    ISkImage textured = FSkImage;
    try {
        ApplyCustomTexture(textured, &ATextureBitmap, AStrength, AScale);
    } catch (const std::bad_alloc&) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")) +
                    QStringLiteral("%1 x %2").arg(FSkImage->width()).arg(FSkImage->height()));
        return;
    }
    FSkImage = textured;
    History->Save(FSkImage, FSkSourceImage);
    RedrawCanvas();
}

void TForm1::AddTextureSwitchClick()
{
    FTextureSwitchOn = !FTextureSwitchOn;
    if (AddTextureSwitch)
        AddTextureSwitch->setChecked(FTextureSwitchOn);
    UpdatePreviewTimer.start();
}

} // namespace pv
