// The window's side of the parameter files: the two icons beside the
// "PARAMETERS" heading save every effect's values and load them back.

#include "engine/ParameterFiles.h"

#include "platform/widgets/CaptionedSlider.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/window/MainWindow.h"

#include <QFileDialog>
#include <QFileInfo>

#include <cmath>

namespace pv {

namespace {

const QString kParameterFilter = QStringLiteral("Pelandrovium Parameters (*.vlp);;All Files (*)");

} // namespace

void TForm1::SaveParameters(const QString& FileName)
{
    if (TParameters* slot = ParamsSlot(Params, SelectedEffectNumber))
        for (int k = 1; k <= 5; ++k)
            slot->SetValue(k, int(std::lround(TrackBar(k)->value())));
    SaveParameterFile(FileName, Params);
}

void TForm1::LoadParameters(const QString& FileName)
{
    if (!LoadParameterFile(FileName, Params))
        return;
    // The selected effect shows what was loaded.
    const int category = SelectedEffectNumber / 100, index = SelectedEffectNumber % 100;
    if (ParamsSlot(Params, SelectedEffectNumber) && category >= 1 && category <= 5)
        UpdateListboxes(ListBoxes[size_t(category - 1)], index);
}

void TForm1::SkSvg45Click()
{
    FParamIconsTag = 0;
    Q_EMIT paramIconsLit(false);
    QString name = ChooseSaveFile ? ChooseSaveFile(FilesView().TranslateUiText(QStringLiteral("Save Parameters")),
                                                   kParameterFilter)
                                  : QString();
    if (!ChooseSaveFile) {
        QFileDialog dialog(this, FilesView().TranslateUiText(QStringLiteral("Save Parameters")));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(kParameterFilter);
        dialog.setDefaultSuffix(QStringLiteral("vlp"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            name = dialog.selectedFiles().first();
    }
    if (name.isEmpty() || !ConfirmOverwrite(FilesView(), name))
        return;
    try {
        SaveParameters(name);
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Parameters saved successfully!")));
    } catch (const std::exception& e) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Error saving parameters: ")) + QString::fromUtf8(e.what()));
    }
}

void TForm1::SkSvg44Click()
{
    FParamIconsTag = 0;
    Q_EMIT paramIconsLit(false);
    const QStringList names =
        ChooseFiles(FilesView().TranslateUiText(QStringLiteral("Load Parameters")), kParameterFilter);
    if (names.isEmpty())
        return;
    try {
        LoadParameters(names.first());
    } catch (const std::exception& e) {
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Error loading parameters: ")) +
                    QString::fromUtf8(e.what()));
    }
}

} // namespace pv
