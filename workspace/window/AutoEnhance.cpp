// The window's one-click automatic enhancement: the enhancement routine runs
// on the source picture on a worker while the window shows the hourglass;
// its picture becomes the result with one history step. It counts as
// background work, so closing the window waits for it.

#include "workspace/window/AutoEnhance.h"

#include "effects/colour-and-shapes/colour/AutoEnhanceImage.h"
#include "engine/ImageHistory.h"
#include "workspace/window/BackgroundWorker.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/window/MainWindow.h"

#include <memory>
#include <new>

namespace pv {

TEnhanceStart CheckEnhanceStart(bool hasSource, bool hasResult, bool effectRunning, bool enhanceRunning)
{
    if (!hasSource || !hasResult)
        return TEnhanceStart::NoImage;
    if (effectRunning)
        return TEnhanceStart::EffectRunning;
    if (enhanceRunning)
        return TEnhanceStart::AlreadyRunning;
    return TEnhanceStart::Start;
}

QString EnhanceRefusalMessage(TEnhanceStart check)
{
    switch (check) {
    case TEnhanceStart::NoImage:
        return QStringLiteral("no image loaded");
    case TEnhanceStart::EffectRunning:
        return QStringLiteral("effect running");
    default:
        return {};
    }
}

namespace {

void ShowEnhanceBusy(TForm1& form, bool busy)
{
    form.FEnhanceRunning = busy;
    if (busy)
        form.setCursor(Qt::WaitCursor);
    else
        form.unsetCursor();
    for (QWidget* entry : {static_cast<QWidget*>(form.RectangleEnhance), static_cast<QWidget*>(form.LabelEnhance)})
        if (entry)
            entry->setEnabled(!busy);
}

} // namespace

void TForm1::LabelEnhanceClick()
{
    const TEnhanceStart check = CheckEnhanceStart(FSkSourceImage != nullptr, FSkImage != nullptr,
                                                  IsEffectRunning(), FEnhanceRunning);
    if (check != TEnhanceStart::Start) {
        if (const QString message = EnhanceRefusalMessage(check); !message.isEmpty())
            ShowMessage(message);
        return;
    }
    ShowEnhanceBusy(*this, true);
    const ISkImage SourceSnapshot = FSkSourceImage;
    struct TOutcome {
        ISkImage enhanced;
        bool outOfMemory = false;
    };
    auto outcome = std::make_shared<TOutcome>();
    const QString tooLarge = QStringLiteral("%1 x %2").arg(SourceSnapshot->width()).arg(SourceSnapshot->height());
    const auto work = [outcome, SourceSnapshot] {
        try {
            outcome->enhanced = AutoEnhanceImage(SourceSnapshot);
        } catch (const std::bad_alloc&) {
            outcome->outOfMemory = true;
        } catch (...) {
            outcome->enhanced.reset();
        }
    };
    // The enhanced source belongs to the pictures it was made from: after a
    // rotate, an open, an undo or an effect meanwhile it is dropped rather
    // than paired with a source it was not made from.
    const ISkImage ResultSnapshot = FSkImage;
    const auto deliver = [outcome, tooLarge, SourceSnapshot, ResultSnapshot](TForm1& form) {
        ShowEnhanceBusy(form, false);
        if (form.FSkSourceImage != SourceSnapshot || form.FSkImage != ResultSnapshot)
            return;
        if (outcome->enhanced) {
            form.FSkImage = outcome->enhanced;
            form.RedrawCanvas();
            form.History->Save(form.FSkImage, form.FSkSourceImage);
        } else if (outcome->outOfMemory) {
            form.ShowMessage(form.FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")) +
                             tooLarge);
        }
    };
    if (!StartBackgroundWorker(*this, work, deliver)) {
        ShowEnhanceBusy(*this, false);
        ShowMessage(FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")) + tooLarge);
    }
}

} // namespace pv
