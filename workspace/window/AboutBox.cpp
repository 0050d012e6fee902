// The about box: the logo in the title area opens the splash picture in the
// overlay layer, where a click, Esc or the window losing the focus closes it.

#include "workspace/window/MainWindow.h"

#include "overlays/AboutPanel.h"
#include "overlays/OverlayHost.h"

namespace pv {

void TForm1::PVLogoClick()
{
    // A tool panel that is open keeps the layer.
    if (!layOverlayContainer || layOverlayContainer->ActiveOverlayFrame())
        return;
    auto* about = new TAboutPanel();
    about->OnClose = [this] { layOverlayContainer->PostCloseOverlay(); };
    layOverlayContainer->ShowOverlayFrame(about);
}

bool TForm1::IsAboutBoxOpen() const { return qobject_cast<TAboutPanel*>(ActiveOverlayFrame()) != nullptr; }

} // namespace pv
