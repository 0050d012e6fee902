// The window's side of the gallery: every history snapshot marks the work
// unsaved and adds its thumbnails; the strip opens and collapses; a thumbnail
// becomes the result or the source through the context menu, is blended with
// the result (or opened) when dropped on the canvas, and shows through the
// magnifier while hovered; files can be added; housekeeping every 2 s.

#include "workspace/window/MainWindow.h"

#include "engine/ImageHistory.h"
#include "overlays/OverlayHost.h"
#include "platform/graphics/Codecs.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Errors.h"
#include "platform/system/Threads.h"
#include "platform/widgets/ProgressBar.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/TabNav.h"
#include "shell/Dictionary.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/gallery/GalleryItems.h"
#include "workspace/gallery/GalleryMagnifier.h"
#include "workspace/gallery/GalleryStrip.h"
#include "workspace/window/ImageFiles.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>

#include <new>

namespace pv {

void TForm1::CreateGallery()
{
    FGalleryItems = std::make_unique<TGalleryItems>();
    HistoryRect = new TGalleryStrip(*FGalleryItems, Layout2);
    SetTabSkip(HistoryRect);
    HistoryRect->OnToggle = [this] { HistoryToggleClick(); };
    HistoryRect->OnAddClicked = [this] { BtnAddToGalleryClick(); };
    HistoryRect->OnContextMenu = [this](int index, QPoint globalPos) {
        FGalleryPopup->Hide();
        FContextMenuImageIndex = index;
        FGalleryContextMenu->Popup(mapFromGlobal(globalPos));
    };
    HistoryRect->OnDragStarted = [this](int index) {
        FGalleryPopup->Hide();
        FDraggedThumbnailIndex = index;
    };
    HistoryRect->OnThumbnailEnter = [this](int index, QRect windowRect) {
        if (FGalleryContextMenu->isVisible())
            return;
        FGalleryPopupImageIndex = index;
        // An item that kept only its thumbnail is magnified from that.
        ISkImage picture = FGalleryItems->HasPicture(index)
                               ? FGalleryItems->Picture(index)
                               : SkImage::MakeFromQImage(FGalleryItems->Item(index).Thumbnail);
        FGalleryPopup->ShowOver(windowRect, width(), picture);
    };
    HistoryRect->OnThumbnailMove = [this](int, QPointF fraction) {
        if (FGalleryPopup->isVisible())
            FGalleryPopup->SetMagnifyPos(fraction);
    };
    HistoryRect->OnThumbnailLeave = [this] { FGalleryPopup->Hide(); };

    FGalleryContextMenu = new TGalleryContextMenu(this);
    FGalleryContextMenu->OnSetAsResult = [this] { GallerySetAsResult(); };
    FGalleryContextMenu->OnSetAsSource = [this] { GallerySetAsSource(); };
    FGalleryPopup = new TGalleryMagnifier(this);

    CleanUpTimer.setInterval(2000);
    connect(&CleanUpTimer, &QTimer::timeout, this, &TForm1::CleanUpTimerTimer);
    CleanUpTimer.start();
    RepositionGalleryToggle();
}

void TForm1::HistoryImageSaved(const ISkImage& DisplayImg, const ISkImage& SourceImg, bool IsSourceChange,
                               const TSavedSnapshotData& Stored)
{
    FImageDirty = true;
    if (!FGalleryItems)
        return;
    if (IsSourceChange) {
        if (SourceImg)
            AddThumbnailToGallery(SourceImg, true, FilesView().FSourceFileName, Stored.SourceData);
        if (DisplayImg && ImagesDiffer(SourceImg, DisplayImg, 1000))
            AddThumbnailToGallery(DisplayImg, false, {}, Stored.DisplayData);
    } else if (DisplayImg) {
        AddThumbnailToGallery(DisplayImg, false, {}, Stored.DisplayData);
    }
}

void TForm1::AddThumbnailToGallery(const ISkImage& AImage, bool AIsSource, const QString& AFileName,
                                   const QByteArray& AEncoded)
{
    if (!FGalleryItems)
        return;
    try {
        if (!FGalleryItems->Add(AImage, AEncoded, AIsSource, AFileName))
            return;
    } catch (const std::bad_alloc&) {
        return; // the step stands; only its thumbnail is missing
    }
    // The popup and the menu point at indices that just moved by one.
    if (FGalleryPopupImageIndex >= 0)
        ++FGalleryPopupImageIndex;
    if (FContextMenuImageIndex >= 0)
        ++FContextMenuImageIndex;
    if (HistoryRect)
        HistoryRect->ItemsChanged();
}

void TForm1::RefreshGalleryHints()
{
    if (HistoryRect) {
        HistoryRect->FitGalleryToggleLabel();
        HistoryRect->update();
    }
}

ISkImage TForm1::GalleryPicture(int index)
{
    if (!FGalleryItems || !FGalleryItems->IsValidIndex(index))
        return nullptr;
    if (!FGalleryItems->HasPicture(index)) {
        ShowMessage(QStringLiteral("The picture of this step is no longer kept: the gallery keeps the pictures of "
                                   "its newest steps and only the thumbnails of older ones."));
        return nullptr;
    }
    try {
        return FGalleryItems->Picture(index);
    } catch (const std::bad_alloc&) {
        const TGalleryItem& item = FGalleryItems->Item(index);
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")) +
                    QStringLiteral("%1 x %2").arg(item.Width).arg(item.Height));
        return nullptr;
    }
}

void TForm1::GallerySetAsResult()
{
    FGalleryContextMenu->Close();
    // The finishing render of a running effect would overwrite the choice.
    if (PictureChangeRefused())
        return;
    ISkImage picture = GalleryPicture(FContextMenuImageIndex);
    if (!picture)
        return;
    if (FSkSourceImage)
        picture = FitImageToSize(picture, FSkSourceImage->width(), FSkSourceImage->height());
    if (!picture)
        return;
    FSkImage = picture;
    CalculateBestFitAndCenter();
    if (SkPaintBox1->IsSplitView())
        SkPaintBox1->CenterDivider();
    RedrawCanvas();
    History->Save(FSkImage, FSkSourceImage);
}

void TForm1::GallerySetAsSource()
{
    FGalleryContextMenu->Close();
    if (PictureChangeRefused() || !FSkImage)
        return;
    ISkImage picture = GalleryPicture(FContextMenuImageIndex);
    if (!picture)
        return;
    picture = FitImageToSize(picture, FSkImage->width(), FSkImage->height());
    if (!picture)
        return;
    FSkSourceImage = picture;
    History->Save(FSkImage, FSkSourceImage);
    if (SelectedEffectNumber >= 0)
        UpdatePreviewButtonClick();
    if (SkPaintBox1->IsSplitView())
        RedrawCanvas();
}

void TForm1::ClearGallerySelection() {}

void TForm1::ShowBlendDialog(const ISkImage& ASourceImage)
{
    ClearGallerySelection();
    ShowCombineImagesFrame(ASourceImage);
}

void TForm1::HistoryToggleClick()
{
    if (!HistoryRect)
        return;
    HistoryRect->SetOpen(!HistoryRect->IsOpen());
    if (!HistoryRect->IsOpen())
        FGalleryPopup->Hide();
    RepositionGalleryToggle();
    SkPaintBox1->UpdatePaintBoxSize();
    RedrawCanvas();
}

void TForm1::FitGalleryToggleLabel()
{
    if (HistoryRect)
        HistoryRect->FitGalleryToggleLabel();
}

void TForm1::RepositionGalleryToggle()
{
    if (!HistoryRect || !Layout2)
        return;
    const int h = HistoryRect->StripHeight();
    HistoryRect->setGeometry(0, Layout2->height() - h, std::max(0, Layout2->width() - 1), h);
    HistoryRect->FitGalleryToggleLabel();
    HistoryRect->ItemsChanged();
    HistoryRect->raise();
    if (ProgressBarRect)
        ProgressBarRect->raise();
}

void TForm1::ClearGallery()
{
    ClearGallerySelection();
    if (FGalleryPopup)
        FGalleryPopup->Hide();
    if (FGalleryContextMenu)
        FGalleryContextMenu->Close();
    if (FGalleryItems)
        FGalleryItems->Clear();
    FContextMenuImageIndex = FDraggedThumbnailIndex = FGalleryPopupImageIndex = -1;
    if (HistoryRect) {
        if (HistoryRect->IsOpen())
            HistoryToggleClick();
        HistoryRect->SetScroll(0);
        HistoryRect->ItemsChanged();
    }
}

void TForm1::BtnAddToGalleryClick()
{
    const QString fileName = FilesView().AskOpenFileName(
        TranslateText(QStringLiteral("Add image to gallery")),
        {QStringLiteral("Image Files (*.jpg *.jpeg *.png *.bmp *.gif *.tiff *.webp)"), QStringLiteral("All Files (*)")});
    if (!fileName.isEmpty())
        AddFileToGallery(fileName);
}

void TForm1::AddFileToGallery(const QString& FileName)
{
    try {
        // Decoded from the file first, so what is no picture is refused
        // before the file is read whole.
        const ISkImage picture = DecodeImageFile(FileName);
        QFile file(FileName);
        QByteArray bytes;
        if (picture && file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        if (!picture || bytes.isEmpty() || file.error() != QFileDevice::NoError)
            throw Exception(QStringLiteral("Failed to load image: %1").arg(FileName).toStdString());
        AddThumbnailToGallery(picture, false, FileName, bytes);
    } catch (const std::exception&) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Error loading image: ")) +
                    QString::fromStdString(DescribeError(std::current_exception()).message));
    }
}

void TForm1::CleanUpTimerTimer()
{
    // A progress bar left over from an ended run goes; the brush panel, a
    // script or another worker keep theirs.
    if (!IsEffectRunning() && !FManualBrushOpen && !FScriptRunning.load() && FBackgroundWorkers == 0 &&
        ProgressBarTag >= 0)
        UpdateProgressBar(101);
    // The lit parameter-file icons fade back two ticks after the pointer
    // was last over them.
    if (FParamIconsTag > 0 && --FParamIconsTag == 0)
        Q_EMIT paramIconsFade();
}

// ------------------------------------------------------------------ drop on the canvas

bool TForm1::GalleryDragEnter(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasFormat(QString::fromLatin1(kGalleryThumbnailMime)))
        return false;
    if (!PictureChangeRefused())
        event->acceptProposedAction();
    else
        event->ignore();
    return true;
}

bool TForm1::GalleryDrop(QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (!mime->hasFormat(QString::fromLatin1(kGalleryThumbnailMime)))
        return false;
    event->acceptProposedAction();
    if (PictureChangeRefused())
        return true;
    bool ok = false;
    const int index = mime->data(QString::fromLatin1(kGalleryThumbnailMime)).toInt(&ok);
    FDraggedThumbnailIndex = ok ? index : FDraggedThumbnailIndex;
    const ISkImage picture = GalleryPicture(FDraggedThumbnailIndex);
    FDraggedThumbnailIndex = -1;
    if (!picture)
        return true;
    // After the drop's handling: the panel opens outside the drag's loop.
    QMetaObject::invokeMethod(
        this,
        [this, picture] {
            if (FSkImage)
                ShowBlendDialog(picture);
            else
                DropGalleryPicture(FilesView(), picture);
        },
        Qt::QueuedConnection);
    return true;
}

} // namespace pv
