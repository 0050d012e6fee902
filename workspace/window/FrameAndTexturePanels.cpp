// What the window's sides of the frame and texture panels share: the close,
// message and file hooks, and showing the panel.

#include "workspace/window/MainWindow.h"

#include "overlays/OverlayHost.h"
#include "overlays/OverlayPanel.h"
#include "workspace/window/ImageFiles.h"

namespace pv {

void TForm1::ShowGalleryPanel(TGalleryPanel* APanel, std::function<QString()>& AAskFile, const char* AAskTitle,
                              QWidget* AFocus)
{
    APanel->OnClose = [this] { layOverlayContainer->PostCloseOverlay(); };
    APanel->OnMessage = [this](const QString& text) { ShowMessage(text); };
    const QString title = QString::fromUtf8(AAskTitle);
    AAskFile = [this, title] {
        return FilesView().AskOpenFileName(
            FilesView().TranslateUiText(title),
            {QStringLiteral("Image Files (*.png *.jpg *.jpeg *.bmp *.gif *.tiff *.webp)"),
             QStringLiteral("All Files (*)")});
    };
    layOverlayContainer->ShowOverlayFrame(APanel);
    if (AFocus)
        AFocus->setFocus(Qt::OtherFocusReason);
}

} // namespace pv
