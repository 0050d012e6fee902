// The window's side of the manual brush: the "Manual brush" button, opening
// and closing the panel over the canvas, keeping it on the canvas's view, and
// applying each finished stroke on a worker: the selected effect rendered on
// the stroke's region and blended into the result through the mask, one
// history step per stroke.

#include "workspace/window/MainWindow.h"

#include "engine/Effect.h"
#include "engine/ImageHistory.h"
#include "engine/MaskedApply.h"
#include "overlays/ManualBrush.h"
#include "overlays/OverlayHost.h"
#include "platform/system/Errors.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/FloatingPanel.h"
#include "shell/Dictionary.h"
#include "shell/WindowKeyFilter.h"
#include "workspace/window/BackgroundWorker.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/gallery/GalleryStrip.h"

#include <QVBoxLayout>

#include <thread>

namespace pv {

void TForm1::CreateManualBrushButton(QVBoxLayout* column)
{
    Button3 = new TButton(QStringLiteral("Manual brush"), TButton::Look::Ghost, EffectsLayout);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setFontSize(14);
    Button3->setFixedHeight(DpI(36));
    column->addSpacing(DpI(10));
    column->addWidget(Button3);
    connect(Button3, &TButton::clicked, this, &TForm1::Button3Click);
}

void TForm1::InstallManualBrush()
{
    connect(SkPaintBox1, &CanvasView::panZoomChanged, this, [this] { ManualBrushFollowCanvas(); });
    // Esc closes the panel through the window's table of shortcuts.
}

void TForm1::Button3Click()
{
    if (!FSkImage)
        return;
    if (HistoryRect && HistoryRect->IsOpen())
        HistoryToggleClick();
    ShowManualBrushFrame();
}

bool TForm1::IsManualBrushApplying() const { return FManualBrushFrame && FManualBrushFrame->IsApplying(); }

void TForm1::ShowManualBrushFrame()
{
    if (!FSkImage || FManualBrushFrame)
        return;
    CloseScriptEditorForDialog();
    auto* panel = new TFrameManualBrush(this);
    FManualBrushFrame = panel;
    FManualBrushOpen = true;
    panel->OnStrokeFinished = [this, panel] { ApplyManualBrushEffect(panel); };
    panel->OnClose = [this] { CloseManualBrushFrame(); };
    panel->OnRightButton = [this](bool held) { SkPaintBox1->SetRightPreview(held); };
    panel->OnWheel = [this](int delta) { SkPaintBox1->WheelZoom(delta); };
    panel->OnPan = [this](QPointF delta) {
        SkPaintBox1->Geometry().Pan(delta, SkPaintBox1->IsSplitView());
        SkPaintBox1->UpdateDivider();
        SkPaintBox1->Redraw();
        FPanOffset = SkPaintBox1->Geometry().FPanOffset;
        ManualBrushFollowCanvas();
    };
    connect(panel->Controls(), &TFloatingPanel::moved, this, [this] { ManualBrushInputArea(); });
    layOverlayContainer->ShowFilling(panel, [this] { CloseManualBrushFrame(); });
    // Where the user left the controls, else by the canvas's bottom-left corner.
    const QRectF canvas = ManualBrushCanvasBox();
    const QPointF pos = (FManualBrushPanelPos.x() > 0 || FManualBrushPanelPos.y() > 0)
                            ? FManualBrushPanelPos
                            : QPointF(canvas.left() + DpI(20), canvas.bottom() - DpI(220));
    panel->SetSliders(FManualBrushSize, FManualBrushSoftness, FManualBrushOpacity);
    InitializeManualBrush(pos);
    if (GetCurrentLanguage() != QStringLiteral("en")) {
        TranslateComponent(panel);
        FitTranslatedTexts(panel);
    }
}

void TForm1::InitializeManualBrush(QPointF controlsPos)
{
    TFrameManualBrush* panel = FManualBrushFrame;
    if (!panel || !FSkImage)
        return;
    const CanvasGeometry& g = SkPaintBox1->Geometry();
    const QPointF origin = layOverlayContainer->mapFromGlobal(
        SkPaintBox1->mapToGlobal(g.ImageOrigin() - g.Scroll));
    const QRectF box = ManualBrushCanvasBox();
    try {
        panel->Initialize(FSkImage->width(), FSkImage->height(), g.FZoomFactor, origin, box, controlsPos);
    } catch (const std::bad_alloc&) {
        CloseManualBrushFrame();
        ShowMessage(TranslateText(QStringLiteral("Image too large for available memory: ")) +
                    QStringLiteral("%1 x %2").arg(FSkImage->width()).arg(FSkImage->height()));
        return;
    }
    ManualBrushInputArea();
}

QRectF TForm1::ManualBrushCanvasBox() const
{
    return {layOverlayContainer->mapFromGlobal(SkPaintBox1->mapToGlobal(QPoint(0, 0))), QSizeF(SkPaintBox1->size())};
}

void TForm1::ManualBrushFollowCanvas()
{
    TFrameManualBrush* panel = FManualBrushFrame;
    if (!panel)
        return;
    const CanvasGeometry& g = SkPaintBox1->Geometry();
    const QPointF origin = layOverlayContainer->mapFromGlobal(
        SkPaintBox1->mapToGlobal(g.ImageOrigin() - g.Scroll));
    const QRectF box = ManualBrushCanvasBox();
    panel->UpdatePan(g.FZoomFactor, origin, box);
    panel->RepositionControls();
    ManualBrushInputArea();
}

void TForm1::ManualBrushInputArea()
{
    TFrameManualBrush* panel = FManualBrushFrame;
    if (!panel)
        return;
    // Only the canvas and the control panel take the mouse; the effect lists,
    // the sliders and the toolbar stay in reach around them.
    const QRegion area = QRegion(panel->PaintBoxRect().toAlignedRect()) + QRegion(panel->Controls()->geometry());
    panel->setMask(area);
    layOverlayContainer->setMask(area);
}

void TForm1::CloseManualBrushFrame()
{
    if (TFrameManualBrush* panel = FManualBrushFrame) {
        if (panel->IsApplying())
            Cancel = true;
        FManualBrushSize = panel->SizeValue();
        FManualBrushSoftness = panel->SoftnessValue();
        FManualBrushOpacity = panel->OpacityValue();
        FManualBrushPanelPos = panel->ControlsPos();
        FManualBrushFrame = nullptr;
        FManualBrushOpen = false;
        panel->OnStrokeFinished = nullptr;
        panel->OnClose = nullptr;
    }
    layOverlayContainer->clearMask();
    if (layOverlayContainer->isVisible())
        layOverlayContainer->CloseOverlay();
}

void TForm1::ApplyManualBrushEffect(TFrameManualBrush* Frame)
{
    if (!Frame || Frame != FManualBrushFrame)
        return;
    const QImage mask = Frame->GetMaskImage();
    const SkIRect bounds = Frame->GetMaskBounds();
    const float opacity = Frame->OpacityValue() / 100.0f;
    if (mask.isNull() || bounds.isEmpty()) {
        CloseManualBrushFrame();
        return;
    }
    const int effect = SelectedEffectNumber;
    int P[5];
    for (int k = 1; k <= 5; ++k)
        P[k - 1] = Round(TrackBar(k)->value());
    // The pictures and the texture of the moment the stroke ends: the stroke
    // is dropped when another picture has replaced the result meanwhile.
    Cancel = false;
    TMaskedEffectRun run;
    run.Base = FSkImage;
    run.Source = FSkSourceImage;
    run.Mask = mask;
    run.MaskBounds = bounds;
    run.Opacity = opacity;
    run.EffectNumber = effect;
    std::copy(std::begin(P), std::end(P), run.P);
    auto texture = std::make_shared<QImage>();
    if (FTextureSwitchOn) {
        *texture = StoredTextureBitmap;
        run.TextureStrength = Round(StoredTextureStrength);
        run.TextureScale = StoredTextureScale;
    }
    const bool withTexture = FTextureSwitchOn;
    auto outcome = std::make_shared<TManualBrushOutcome>(TManualBrushOutcome::Missed);
    auto result = std::make_shared<ISkImage>();
    const auto work = [run, texture, withTexture, outcome, result]() mutable {
        run.Texture = withTexture ? texture.get() : nullptr;
        try {
            *result = ApplyEffectThroughMask(run);
            if (*result)
                *outcome = TManualBrushOutcome::Done;
        } catch (const EAbort&) {
            *outcome = TManualBrushOutcome::Cancelled;
        } catch (...) {
            *outcome = TManualBrushOutcome::Failed;
        }
    };
    const ISkImage base = run.Base;
    const auto deliver = [base, outcome, result](TForm1& form) {
        form.FinishManualBrushStroke(*outcome, base, *result);
    };
    // Without a thread the stroke ends as a failed one: the panel closes and
    // nothing is left counted as running, so the window can still close.
    if (!StartBackgroundWorker(*this, work, deliver))
        FinishManualBrushStroke(TManualBrushOutcome::Failed, base, nullptr);
}

void TForm1::FinishManualBrushStroke(TManualBrushOutcome Outcome, const ISkImage& Base, const ISkImage& Result)
{
    if (Outcome != TManualBrushOutcome::Failed)
        UpdateProgressBar(101);
    switch (Outcome) {
    case TManualBrushOutcome::Done:
        // A cancel, or a picture replaced while the stroke rendered (an effect's
        // result, an opened file): the stroke is dropped.
        if (!Cancel.load() && FSkImage == Base) {
            FSkImage = Result;
            History->Save(FSkImage, FSkSourceImage);
            RedrawCanvas();
        }
        break;
    case TManualBrushOutcome::Failed:
        CloseManualBrushFrame();
        return;
    case TManualBrushOutcome::Cancelled:
    case TManualBrushOutcome::Missed:
        break;
    }
    RestartManualBrushMask();
}

void TForm1::RestartManualBrushMask()
{
    // The panel starts over with an empty mask on the picture now shown.
    if (FManualBrushFrame) {
        const QPointF controls = FManualBrushFrame->ControlsPos();
        FManualBrushFrame->ResetMask();
        InitializeManualBrush(controls);
    }
}

} // namespace pv
