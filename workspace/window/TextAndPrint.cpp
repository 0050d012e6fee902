// The main window's floating tool windows: printing, and the text and
// watermark tool.

#include "workspace/window/MainWindow.h"

#include "engine/ImageHistory.h"
#include "platform/graphics/Codecs.h"
#include "scripts/ScriptImageOps.h"
#include "shell/WindowKeyFilter.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/text-and-print/PrintWindow.h"
#include "workspace/text-and-print/TextTool.h"
#include "workspace/text-and-print/TextWindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <new>

namespace pv {

namespace {

// A floating window shown over the middle of the main window.
void ShowCentred(QWidget* window, QWidget* over)
{
    const QPoint at((over->width() - window->width()) / 2, (over->height() - window->height()) / 2);
    if (!window->property("pvPlaced").toBool()) {
        window->move(std::max(at.x(), 0), std::max(at.y(), 0));
        window->setProperty("pvPlaced", true);
    }
    window->show();
    window->raise();
}

} // namespace

void TForm1::InstallTextAndPrint()
{
    FTextTool = std::make_unique<TTextTool>(SkPaintBox1);
    TextWindow = new TTextWindow(this, *FTextTool);
    TextWindow->move(DpI(270), DpI(120));
    TextWindow->setProperty("pvPlaced", true);
    TextWindow->OnApply = [this] { ApplyTextButtonClick(); };
    TextWindow->OnCancel = [this] { CancelTextButtonClick(); };
    TextWindow->OnLoadWatermark = [this] { LoadWatermarkBtnClick(); };
    FTextTool->OnTextSizeChanged = [this](float size) { TextWindow->ShowTextSize(size); };

    PrintWindow = new TPrintWindow(this);
    PrintWindow->Picture = [this] { return FSkImage; };
    PrintWindow->OnMessage = [this](const QString& text) { ShowMessage(text); };
    PrintWindow->AskPdfFileName = [this]() -> QString {
        // Start in the documents folder; where there is none, the dialog would
        // offer its name as the file's.
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QFileInfo(folder).isDir())
            folder = QDir::homePath();
        QFileDialog dialog(this, TranslateForDisplay(QStringLiteral("Print")), folder);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({QStringLiteral("PDF (*.pdf)")});
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString file = dialog.selectedFiles().constFirst();
        if (QFileInfo::exists(file) &&
            !ConfirmYesNo(FormatOverwriteQuestion(FilesView().TranslateUiText(QString::fromUtf8(kOverwriteQuestion)),
                                                  file)))
            return {};
        return file;
    };
}

// ------------------------------------------------------------------ text and watermark

bool TForm1::IsTextToolActive() const { return FTextTool && FTextTool->AnyActive(); }

bool TForm1::IsTextWindowVisible() const { return TextWindow && TextWindow->isVisible(); }

void TForm1::Label9Click()
{
    if (IsEffectRunning() || !FSkImage || !TextWindow)
        return;
    if (TextWindow->isVisible()) {
        CancelTextButtonClick();
        return;
    }
    CloseScriptEditorForDialog();
    TextWindow->ShowWindow();
}

void TForm1::CommitText()
{
    if (!FSkImage || !IsTextToolActive() || PictureChangeRefused())
        return;
    ISkImage burnt;
    try {
        burnt = FTextTool->Burn(FSkImage);
    } catch (const std::bad_alloc&) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")) +
                    QStringLiteral("%1 x %2").arg(FSkImage->width()).arg(FSkImage->height()));
        return;
    }
    if (!burnt)
        return;
    FSkImage = burnt;
    History->Save(FSkImage, FSkSourceImage);
    FTextTool->EndTools();
    RedrawCanvas();
}

void TForm1::ApplyTextButtonClick()
{
    // While an effect, a script or a brush stroke runs the text cannot be
    // burnt in: the placement and its window stay for when the work ends.
    if (IsTextToolActive() && PictureChangeRefused()) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Please wait for the current effect to finish.")));
        return;
    }
    CommitText();
    TextWindow->hide();
}

void TForm1::CancelTextButtonClick()
{
    if (FTextTool)
        FTextTool->EndTools();
    if (TextWindow)
        TextWindow->hide();
    RedrawCanvas();
}

void TForm1::LoadWatermarkBtnClick()
{
    if (!FSkImage)
        return;
    const QString file = FilesView().AskOpenFileName(
        FilesView().TranslateUiText(QStringLiteral("Select image file")),
        {QStringLiteral("Image Files (*.png *.jpg *.jpeg *.bmp *.webp)"), QStringLiteral("All Files (*)")});
    if (!file.isEmpty())
        LoadWatermarkFile(file);
}

bool TForm1::LoadWatermarkFile(const QString& path)
{
    if (!FSkImage || !FTextTool)
        return false;
    const QString name = QFileInfo(path).fileName();
    ISkImage watermark;
    try {
        watermark = DecodeImageFile(path);
        if (watermark)
            watermark = TrimTransparentBorder(watermark);
    } catch (const std::bad_alloc&) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")) + name);
        return false;
    }
    if (!watermark) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Failed to load image: ")) + name);
        return false;
    }
    FTextTool->PlaceWatermark(watermark);
    return true;
}

// ------------------------------------------------------------------ printing

void TForm1::SpeedButton7Click()
{
    if (IsEffectRunning() || !FSkImage || !PrintWindow)
        return;
    if (PrintWindow->isVisible()) {
        PrintWindow->bnCancelClick();
        return;
    }
    ShowCentred(PrintWindow, this);
    PrintWindow->InitPrintUI();
}

void TForm1::PrintMIClick()
{
    CloseMainMenu();
    SpeedButton7Click();
}

} // namespace pv
