#include "workspace/window/MainWindowFiles.h"

#include "workspace/canvas/CanvasView.h"
#include "workspace/scripting/ScriptEditor.h"
#include "workspace/window/MainWindow.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace pv {

QString TMainWindowFiles::AskOpenFileName(const QString& Title, const QStringList& Filters)
{
    return QFileDialog::getOpenFileName(&form_, Title, QString(), Filters.join(QStringLiteral(";;")));
}

QString TMainWindowFiles::AskSaveFileName(const QString& Title, const TSaveProposal& Proposal)
{
    QFileDialog dialog(&form_, Title, Proposal.Folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = SaveDialogFilters();
    dialog.setNameFilters(filters);
    if (Proposal.FilterIndex >= 1 && Proposal.FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[Proposal.FilterIndex - 1]);
    dialog.setDefaultSuffix(QString::fromLatin1(kSaveDialogDefaultSuffix));
    dialog.selectFile(Proposal.Folder.isEmpty() ? Proposal.FileName : QDir(Proposal.Folder).filePath(Proposal.FileName));
    // The overwrite question is the file command's own.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool TMainWindowFiles::AskYesNo(const QString& Question)
{
    return QMessageBox::question(&form_, form_.windowTitle(), Question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

bool TMainWindowFiles::HideScriptEditorForDialog()
{
    const bool visible = form_.FormScriptEditor && form_.FormScriptEditor->isVisible();
    form_.CloseScriptEditorForDialog();
    return visible;
}

void TMainWindowFiles::ShowScriptEditor() { form_.ShowScriptEditor(); }

void TMainWindowFiles::DrawZoomedPreview() { form_.DrawZoomedPreview(); }

void TMainWindowFiles::TurnOffSplitView() { form_.SkPaintBox1->SetSplitView(false); }

void TMainWindowFiles::FullSizeAndCenter() { form_.SkPaintBox1->FullSizeAndCenter(); }

void TMainWindowFiles::UpdatePaintBoxSize() { form_.SkPaintBox1->UpdatePaintBoxSize(); }

void TMainWindowFiles::CalculateBestFitAndCenter() { form_.SkPaintBox1->CalculateBestFitAndCenter(); }

void TMainWindowFiles::CenterDivider() { form_.SkPaintBox1->CenterDivider(); }

void TMainWindowFiles::HideDropZone() { form_.HideDropZone(); }

void TMainWindowFiles::NoteImageSaved() { form_.NoteImageSaved(); }

} // namespace pv
