// The window's side of the frame panel: opening it with the stored choice,
// and composing the framed pictures on a worker while the panel's backdrop
// stays up; the pictures are stored with one history step and the layer is
// closed on every way out, success or failure.

#include "workspace/window/MainWindow.h"

#include "effects/painting/brushes/BrushstrokesFrame.h"
#include "engine/ImageHistory.h"
#include "engine/Repository.h"
#include "overlays/OverlayHost.h"
#include "overlays/FrameSelector.h"
#include "workspace/window/BackgroundWorker.h"
#include "workspace/canvas/CanvasView.h"
#include "scripts/FrameComposition.h"
#include "workspace/window/ImageFiles.h"

#include <memory>
#include <new>

namespace pv {

namespace {

QString Tr(TForm1& form, const char* text) { return form.FilesView().TranslateUiText(QString::fromUtf8(text)); }

} // namespace

void TForm1::Label21Click()
{
    if (!IsEffectRunning() && FSkImage)
        ShowFrameSelectorFrame();
}

void TForm1::ShowFrameSelectorFrame()
{
    if (!FSkSourceImage || layOverlayContainer->IsOpen())
        return;
    CloseScriptEditorForDialog();
    auto* panel = new TFrame3(this);
    panel->SetPicture(FSkImage);
    TStoredFrame stored;
    stored.Valid = StoredSettingsValid;
    stored.Name = StoredFrameName;
    stored.Number = StoredFrameNumber;
    stored.Size = StoredFrameSize;
    stored.Colour = StoredFrameColor;
    panel->SetStored(stored);
    panel->FrameList = &Form3().FrameList;
    panel->OnStore = [this](const TStoredFrame& s) {
        StoredSettingsValid = s.Valid;
        StoredFrameName = s.Name;
        StoredFrameNumber = s.Number;
        StoredFrameSize = s.Size;
        StoredFrameColor = s.Colour;
        StoredFrameIsCustom = false;
    };
    panel->OnFrameSelected = [this](const QImage& frame, int margin, TAlphaColor colour) {
        OnFrameSelectorFrameSelected(frame, margin, colour);
    };
    panel->OnBrushstrokes = [](TAlphaColor colour, int width) { AddBrushstrokesFrame(colour, width, 40); };
    panel->LoadFrames(Form3().FrameList);
    ShowGalleryPanel(panel, panel->AskFrameFile, "Load custom frame", panel->Button1);
}

void TForm1::OnFrameSelectorFrameSelected(const QImage& AFrameBitmap, int AMarginSize, TAlphaColor AMarginColor)
{
    if (!AFrameBitmap.isNull())
        Form3().Frame.setBitmap(AFrameBitmap);
    // After the panel's click has been handled.
    QMetaObject::invokeMethod(
        this, [this, AMarginSize, AMarginColor] { ApplySelectedFrame(AMarginSize, AMarginColor); },
        Qt::QueuedConnection);
}

void TForm1::ApplySelectedFrame(int AMarginSize, TAlphaColor AMarginColor)
{
    const QImage frame = Form3().Frame.bitmap();
    // The layer closes on every way out: a hidden panel over its backdrop
    // would swallow every click.
    if (frame.isNull() || !FSkImage || !FSkSourceImage || PictureChangeRefused()) {
        CloseOverlay();
        return;
    }
    const ISkImage result = FSkImage, source = FSkSourceImage;
    struct TOutcome {
        TFramedPair framed;
        QString failure;
    };
    auto outcome = std::make_shared<TOutcome>();
    const auto work = [outcome, result, source, frame, AMarginSize, AMarginColor] {
        try {
            outcome->framed = ComposeFramedPair(result, source, frame, AMarginSize, AMarginColor);
        } catch (const std::bad_alloc&) {
            outcome->failure = QStringLiteral("Not enough memory to add the frame");
        } catch (...) {
            outcome->framed = {};
        }
    };
    const auto deliver = [outcome](TForm1& form) {
        const TFramedPair& framed = outcome->framed;
        if (framed.Result && framed.Source) {
            form.FSkImage = framed.Result;
            form.FSkSourceImage = framed.Source;
            form.History->Save(form.FSkImage, form.FSkSourceImage);
            form.RedrawCanvas();
            form.CalculateBestFitAndCenter();
        }
        form.CloseOverlay();
        if (!outcome->failure.isEmpty())
            form.ShowMessage(form.FilesView().TranslateUiText(outcome->failure));
    };
    if (!StartBackgroundWorker(*this, work, deliver)) {
        CloseOverlay();
        ShowMessage(Tr(*this, "Memory error before thread."));
    }
}

} // namespace pv
