#pragma once
// The main window as the file commands see it: its dialogs and questions,
// and the views that follow a newly opened picture.

#include "workspace/window/ImageFiles.h"

namespace pv {

class TForm1;

class TMainWindowFiles final : public TImageFilesView {
public:
    explicit TMainWindowFiles(TForm1& form) : form_(form) {}

    TForm1& MainForm() override { return form_; }
    QString AskOpenFileName(const QString& Title, const QStringList& Filters) override;
    QString AskSaveFileName(const QString& Title, const TSaveProposal& Proposal) override;
    bool AskYesNo(const QString& Question) override;
    bool HideScriptEditorForDialog() override;
    void ShowScriptEditor() override;
    void DrawZoomedPreview() override;
    void TurnOffSplitView() override;
    void FullSizeAndCenter() override;
    void UpdatePaintBoxSize() override;
    void CalculateBestFitAndCenter() override;
    void CenterDivider() override;
    void HideDropZone() override;
    void NoteImageSaved() override;

private:
    TForm1& form_;
};

} // namespace pv
