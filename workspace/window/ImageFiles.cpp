#include "workspace/window/ImageFiles.h"

#include "engine/ImageHelpers.h"
#include "engine/ImageHistory.h"
#include "engine/Repository.h"
#include "platform/graphics/Codecs.h"
#include "platform/graphics/PngEncoder.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Errors.h"
#include "platform/system/Files.h"
#include "shell/Dictionary.h"
#include "platform/graphics/Dpi300.h"
#include "workspace/window/MainWindow.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <new>

namespace pv {
namespace {

constexpr int kSaveQuality = 80;

// The hourglass for the length of a load.
class TWaitCursor {
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// The bare name without its last extension ("my.photo.jpg" -> "my.photo").
QString NameWithoutExtension(const QString& FileName)
{
    const QString name = QFileInfo(FileName).fileName();
    return name.left(name.size() - LowerExtension(name).size());
}

QString ErrorMessageOf(std::exception_ptr error) { return QString::fromStdString(DescribeError(error).message); }

// Both pictures become `picture` and the view starts over at 100 %.
void ShowNewPicture(TImageFilesView& View, const ISkImage& picture)
{
    TForm1& form = View.MainForm();
    View.HideDropZone();
    form.FSkSourceImage = picture;
    form.FSkImage = picture;
    form.FZoomFactor = 1.0f;
    form.FPanOffset = QPointF();
    View.FullSizeAndCenter();
    View.UpdatePaintBoxSize();
    form.RedrawCanvas();
}

// Records the new picture; opening counts as a saved state although the
// snapshot marks the picture changed.
void RecordOpenedPicture(TForm1& form)
{
    if (form.FHistory)
        form.FHistory->Save(form.FSkImage, form.FSkSourceImage);
    form.FImageDirty = false;
    form.UpdatePreviewTimer.start();
}

} // namespace

TSaveProposal ProposeSaveName(const QString& SourceFileName)
{
    TSaveProposal proposal;
    if (SourceFileName.isEmpty()) {
        proposal.FileName = QStringLiteral("Pelandrovium_image.png");
        proposal.FilterIndex = 2;
        return proposal;
    }
    // Pictures opened from formats that cannot be written (BMP, GIF, TIFF, no
    // extension) are proposed as PNG, so the proposed name always saves.
    QString ext = LowerExtension(SourceFileName);
    if (ext != QLatin1String(".jpg") && ext != QLatin1String(".jpeg") && ext != QLatin1String(".png") &&
        ext != QLatin1String(".webp"))
        ext = QStringLiteral(".png");
    proposal.Folder = QFileInfo(SourceFileName).path();
    proposal.FileName = NameWithoutExtension(SourceFileName) + QStringLiteral("_PV") + ext;
    proposal.FilterIndex = ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg") ? 1 : 2;
    return proposal;
}

QStringList OpenDialogFilters()
{
    return {QStringLiteral("Image Files (*.jpg *.jpeg *.png *.bmp *.webp)"), QStringLiteral("All Files (*)")};
}

QStringList SaveDialogFilters()
{
    return {QStringLiteral("JPEG Image (*.jpg *.jpeg)"), QStringLiteral("PNG Image (*.png)"),
            QStringLiteral("WebP Image (*.webp)"), QStringLiteral("All Files (*)")};
}

bool IsAcceptedDropFile(const QString& FileName)
{
    static const QStringList accepted = {QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".png"),
                                         QStringLiteral(".bmp"), QStringLiteral(".gif"),  QStringLiteral(".tiff")};
    return accepted.contains(LowerExtension(FileName));
}

bool DragOverAccepts(const QStringList& Files, bool DraggingThumbnail)
{
    return DraggingThumbnail || std::any_of(Files.begin(), Files.end(), IsAcceptedDropFile);
}

QString FirstDroppableFile(const QStringList& Files)
{
    for (const QString& file : Files)
        if (IsAcceptedDropFile(file) && QFileInfo(file).isFile())
            return file;
    return {};
}

QString FormatOverwriteQuestion(const QString& Template, const QString& FileName)
{
    QString question = Template;
    return question.replace(QStringLiteral("%s"), QFileInfo(FileName).fileName());
}

QByteArray EncodeImageForSave(const ISkImage& Image, const QString& FileName)
{
    const ImageFileFormat format = FormatFromExtension(FileName);
    if (format == ImageFileFormat::Unknown)
        throw Exception("Invalid extension");
    QByteArray bytes;
    bool encoded = false;
    if (format == ImageFileFormat::Png) {
        // The PNG writer places the resolution chunk itself.
        SkPixmap pixels;
        encoded = Image && Image->peekPixels(pixels) &&
                  EncodePng(pixels, bytes, PngOptions{.pixelsPerMetre = kPngPixelsPerMetre300Dpi});
    } else {
        encoded = EncodeImage(Image, format, kSaveQuality, bytes);
    }
    if (!encoded || bytes.isEmpty())
        throw Exception("The picture could not be encoded");
    return format == ImageFileFormat::Jpeg ? JpegWithDpi300(bytes) : bytes;
}

void WriteImageFile(const ISkImage& Image, const QString& FileName)
{
    const QByteArray bytes = EncodeImageForSave(Image, FileName);
    QString why;
    if (!WriteFileAtomically(FileName, bytes, &why))
        throw Exception(why.toStdString());
}

bool LoadLargeImage(TImageFilesView& View, const QString& FileName, bool* Damaged)
{
    TForm1& form = View.MainForm();
    // A running effect would replace the new picture with its own result.
    if (form.IsEffectRunning())
        return false;
    TWaitCursor busy;
    form.FPreviewZoomFactor = 1.0f;
    View.TurnOffSplitView();

    ISkImage picture;
    TDecodeNotes notes;
    try {
        picture = DecodeImageFile(FileName, &notes);
    } catch (const std::bad_alloc&) {
        form.ShowMessage(View.TranslateUiText(QStringLiteral("Image too large for available memory: ")) + FileName);
        return false;
    }
    if (!picture) {
        form.ShowMessage(View.TranslateUiText(QStringLiteral("Failed to load image: ")) + FileName);
        return false;
    }
    View.FSourceFileName = FileName;
    ShowNewPicture(View, picture);

    form.PreviewStartX = picture->width() / 2 - 100;
    form.PreviewStartY = picture->height() / 2 - 100;
    form.FPreviewZoomFactor = 1.0f;
    View.DrawZoomedPreview();
    RecordOpenedPicture(form);
    if (Damaged)
        *Damaged = notes.Damaged;
    else if (notes.Damaged)
        form.ShowMessage(View.TranslateUiText(QString::fromUtf8(kDamagedFileWarning)));
    return true;
}

bool LoadImageFile(TImageFilesView& View)
{
    if (View.MainForm().IsEffectRunning())
        return false;
    const bool editorWasVisible = View.HideScriptEditorForDialog();
    const QString fileName =
        View.AskOpenFileName(View.TranslateUiText(QStringLiteral("Select image file")), OpenDialogFilters());
    if (fileName.isEmpty())
        return false;
    try {
        LoadLargeImage(View, fileName);
    } catch (const std::exception&) {
        View.MainForm().ShowMessage(View.TranslateUiText(QStringLiteral("Error loading image: ")) +
                                    ErrorMessageOf(std::current_exception()));
    }
    if (editorWasVisible)
        View.ShowScriptEditor();
    return true;
}

bool LoadLargeImageFromTImage(TImageFilesView& View)
{
    TForm1& form = View.MainForm();
    View.TurnOffSplitView();
    form.FPreviewZoomFactor = 1.0f;
    ISkImage picture;
    try {
        picture = Form3().DefaultImage.image();
    } catch (const std::bad_alloc&) {
        form.ShowMessage(ErrorMessageOf(std::current_exception()));
        return false;
    }
    if (!picture) {
        form.ShowMessage(QStringLiteral("Failed to create Skia image from DefaultImage.Bitmap"));
        return false;
    }
    ShowNewPicture(View, picture);

    form.PreviewStartX = picture->width() / 2 - 110;
    form.PreviewStartY = picture->height() / 2 - 110;
    // The box shows the pixels unscaled at once; the live preview follows.
    const QSize box = form.PreviewBoxSize();
    if (!box.isEmpty()) {
        QImage bitmap(box, QImage::Format_ARGB32_Premultiplied);
        if (!bitmap.isNull()) {
            bitmap.fill(Qt::transparent);
            CopySkImageRegionToBitmap(picture, &bitmap, form.PreviewStartX, form.PreviewStartY);
            form.SetPreviewBoxPicture(SkImage::MakeFromRaster(std::move(bitmap)));
        }
    }
    RecordOpenedPicture(form);
    return true;
}

bool DefaultImageButtonClick(TImageFilesView& View)
{
    if (View.MainForm().IsEffectRunning())
        return false;
    if (!LoadLargeImageFromTImage(View))
        return false;
    View.FSourceFileName.clear();
    View.CalculateBestFitAndCenter();
    View.CenterDivider();
    return true;
}

bool ConfirmOverwrite(TImageFilesView& View, const QString& FileName)
{
    if (!QFileInfo::exists(FileName))
        return true;
    return View.AskYesNo(
        FormatOverwriteQuestion(View.TranslateUiText(QString::fromUtf8(kOverwriteQuestion)), FileName));
}

bool SaveImageFile(TImageFilesView& View)
{
    if (!View.MainForm().FSkImage)
        return false;
    const QString fileName = View.AskSaveFileName(View.TranslateUiText(QStringLiteral("Save image file")),
                                                  ProposeSaveName(View.FSourceFileName));
    if (fileName.isEmpty() || !ConfirmOverwrite(View, fileName))
        return false;
    return SaveImageAs(View, fileName);
}

bool SaveImageAs(TImageFilesView& View, const QString& FileName)
{
    TForm1& form = View.MainForm();
    if (!form.FSkImage)
        return false;
    try {
        WriteImageFile(form.FSkImage, FileName);
    } catch (const std::exception&) {
        // Named, since the reason alone ("Permission denied") may not say
        // which file or folder it is about.
        form.ShowMessage(TranslateFormat(QStringLiteral("Error saving image \"%s\": %s"),
                                         {FileName, ErrorMessageOf(std::current_exception())}));
        return false;
    }
    form.FImageDirty = false;
    View.NoteImageSaved();
    return true;
}

bool DropFiles(TImageFilesView& View, const QStringList& Files)
{
    if (View.MainForm().IsEffectRunning())
        return false;
    const QString fileName = FirstDroppableFile(Files);
    return !fileName.isEmpty() && LoadLargeImage(View, fileName);
}

bool DropGalleryPicture(TImageFilesView& View, const ISkImage& Picture)
{
    TForm1& form = View.MainForm();
    if (form.FSkImage || !Picture)
        return false;
    form.FSkImage = Picture;
    form.FSkSourceImage = Picture;
    View.FSourceFileName.clear();
    View.CalculateBestFitAndCenter();
    form.RedrawCanvas();
    if (form.FHistory)
        form.FHistory->Save(form.FSkImage, form.FSkSourceImage);
    View.HideDropZone();
    return true;
}

} // namespace pv
