// The main window's side of effect runs: the Apply button, the rule that
// turns slider movements and other changes into a live preview after a
// pause. The progress bar is the window's UpdateProgressBar.

#include "workspace/window/MainWindow.h"

#include "engine/EffectWorker.h"
#include "platform/system/Numbers.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/FloatingPanel.h"

namespace pv {

namespace {

// An Esc pressed while nothing ran (closing a panel, say) has nothing to
// stop; left raised it would keep every later preview from showing until
// the next Apply. An Esc during a run still reaches that run.
void DropStaleCancel(TForm1& form)
{
    if (!form.IsBackgroundWorkRunning())
        form.Cancel = false;
}

} // namespace

void TForm1::Button1Click()
{
    if (ContourColorWindow && ContourColorWindow->isVisible())
        HideContourColorWindow();
    ProcessEffect(SelectedEffectNumber, Round(TrackBar(1)->value()), Round(TrackBar(2)->value()),
                  Round(TrackBar(3)->value()), Round(TrackBar(4)->value()), Round(TrackBar(5)->value()), false);
}

void TForm1::UpdatePreviewTimerTimer()
{
    // A brush stroke being applied owns the pictures; a preview would only
    // compete with it.
    if (!FSkSourceImage || IsManualBrushApplying()) {
        UpdatePreviewTimer.stop();
        return;
    }
    for (int k = 1; k <= 5; ++k)
        if (TrackBar(k)->isDragging())
            return; // try again once the user lets go
    UpdatePreviewTimer.stop();
    int P[5];
    for (int k = 1; k <= 5; ++k)
        P[k - 1] = Round(TrackBar(k)->value());
    if (TParameters* slot = ParamsSlot(Params, SelectedEffectNumber))
        for (int k = 1; k <= 5; ++k)
            slot->SetValue(k, P[k - 1]);
    DropStaleCancel(*this);
    ProcessEffect(SelectedEffectNumber, P[0], P[1], P[2], P[3], P[4], true);
}

void TForm1::UpdatePreviewButtonClick()
{
    DropStaleCancel(*this);
    ProcessEffect(SelectedEffectNumber, Round(TrackBar(1)->value()), Round(TrackBar(2)->value()),
                  Round(TrackBar(3)->value()), Round(TrackBar(4)->value()), Round(TrackBar(5)->value()), true);
}

void TForm1::RequestEffectPreview()
{
    if (!FSkImage)
        return;
    ++FPreviewGeneration;
    UpdatePreviewTimer.start();
}

} // namespace pv
