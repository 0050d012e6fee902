// The main window's floating tool windows: printing, and the text and
// watermark tool.

#include "workspace/Unit1.h"

#include "shell/WindowKeyFilter.h"
#include "workspace/ImageFiles.h"
#include "workspace/PrintWindow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

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
    PrintWindow = new TPrintWindow(this);
    PrintWindow->Picture = [this] { return FSkImage; };
    PrintWindow->OnMessage = [this](const QString& text) { ShowMessage(text); };
    PrintWindow->AskPdfFileName = [this]() -> QString {
        QFileDialog dialog(this, TranslateForDisplay(QStringLiteral("Print")),
                           QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
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
    if (FKeyFilter)
        FKeyFilter->AddRow({Qt::Key_P, TKeyMods::Mod, TKeyStage::Shortcuts, false, {}, [this](const TKeyPress&) {
                                PrintMIClick();
                                return true;
                            }});
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

void TForm1::PrintMIClick() { SpeedButton7Click(); }

} // namespace pv
