// The image tools of the left panel (crop, resize, rotate left and right),
// the overlay layer the tool panels are shown in, and the window's key rows
// that hand Enter, Esc, Tab and the arrows to the open panel or the crop
// first.

#include "workspace/window/MainWindow.h"

#include "engine/ImageHelpers.h"
#include "engine/ImageHistory.h"
#include "overlays/OverlayHost.h"
#include "overlays/OverlayPanel.h"
#include "platform/widgets/ComboBox.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/TabNav.h"
#include "shell/Theme.h"
#include "shell/Dictionary.h"
#include "shell/WindowKeyFilter.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/canvas/CropTool.h"
#include "workspace/gallery/GalleryMagnifier.h"
#include "workspace/gallery/GalleryStrip.h"
#include "workspace/window/ImageFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QVBoxLayout>

#include <new>

namespace pv {

namespace {

// The focus is in a control that keeps the arrows for itself.
bool FocusKeepsArrows(const QWidget* focus)
{
    for (const QWidget* w = focus; w; w = w->parentWidget())
        if (IsTypingControl(w) || qobject_cast<const QComboBox*>(w) || qobject_cast<const TComboBox*>(w))
            return true;
    return false;
}

} // namespace

bool TForm1::PictureChangeRefused() const
{
    return IsEffectRunning() || FScriptRunning.load() || IsManualBrushApplying();
}

bool TForm1::IsCropActive() const { return FCropTool && FCropTool->Active(); }

QWidget* TForm1::ActiveOverlayFrame() const
{
    return layOverlayContainer ? layOverlayContainer->ActiveOverlayFrame() : nullptr;
}

void TForm1::CloseOverlay()
{
    if (layOverlayContainer)
        layOverlayContainer->CloseOverlay();
}

// ------------------------------------------------------------------ left panel

void TForm1::CreateImageTools(QVBoxLayout* column)
{
    auto* heading = new TLabel(QStringLiteral("TOOLS"), EffectsLayout);
    heading->setObjectName(QStringLiteral("Label3"));
    heading->setFontSize(12, QFont::DemiBold);
    heading->setLetterSpacing(118);
    heading->setFontColour(kTextMuted);
    heading->setFixedHeight(DpI(26));
    ToolsLabel = heading;
    column->addSpacing(DpI(8));
    column->addWidget(heading);

    struct Entry {
        TRoundedPanel** backdrop;
        const char* backdropName;
        TLabel** label;
        const char* labelName;
        const char* icon;
        const char* iconName;
        const char* text;
        void (TForm1::*click)();
    };
    const Entry entries[] = {
        {&Rectangle2, "Rectangle2", &Label5, "Label5", ":/icons/crop.svg", "SkSvg13", "Crop", &TForm1::Label5Click},
        {&Rectangle5, "Rectangle5", &Label6, "Label6", ":/icons/resize.svg", "SkSvg14", "Resize", &TForm1::Label6Click},
        {&Rectangle7, "Rectangle7", &Label7, "Label7", ":/icons/rotateleft.svg", "SkSvg15", "Rotate left",
         &TForm1::Label7Click},
        {&Rectangle6, "Rectangle6", &Label8, "Label8", ":/icons/rotateright.svg", "SkSvg16", "Rotate right",
         &TForm1::Label8Click},
        {&TextToolRect, "TextToolRect", &Label9, "Label9", ":/icons/textwatermark.svg", "SkSvg17", "Add text/watermark",
         &TForm1::Label9Click},
        {&Rectangle9, "Rectangle9", &Label10, "Label10", ":/icons/texture.svg", "SkSvg18", "Add texture",
         &TForm1::Label10Click},
        {&Rectangle14, "Rectangle14", &Label21, "Label21", ":/icons/frame.svg", "SkSvg42", "Add a frame",
         &TForm1::Label21Click},
        {&RectangleEnhance, "RectangleEnhance", &LabelEnhance, "LabelEnhance", ":/icons/enhance.svg", "SkSvgEnhance",
         "Auto-enhance", &TForm1::LabelEnhanceClick},
    };
    for (const Entry& e : entries) {
        auto* row = new TRoundedPanel(EffectsLayout);
        row->setObjectName(QString::fromLatin1(e.backdropName));
        row->setFillColour(kPanelCard);
        row->setRadius(12);
        row->setFixedHeight(DpI(36));
        row->setCursor(Qt::PointingHandCursor);
        auto* icon = new TSvgIcon(row);
        icon->setObjectName(QString::fromLatin1(e.iconName));
        icon->setSource(QString::fromLatin1(e.icon));
        icon->setOverrideColour(kText);
        icon->setGeometry(DpI(14), DpI(8), DpI(20), DpI(20));
        auto* label = new TLabel(QString::fromLatin1(e.text), row);
        label->setObjectName(QString::fromLatin1(e.labelName));
        label->setFontSize(14);
        label->setFontColour(kText);
        label->setClickable(true);
        label->setGeometry(DpI(46), 0, DpI(170), DpI(36));
        column->addWidget(row);
        *e.backdrop = row;
        *e.label = label;
        const auto click = e.click;
        connect(row, &TRoundedPanel::clicked, this, [this, click] { (this->*click)(); });
        connect(label, &TLabel::clicked, this, [this, click] { (this->*click)(); });
        // Hover lights the caption and its icon.
        const auto hover = [label, icon](bool over) {
            const TAlphaColor c = over ? (IsLightTheme() ? kAccent : kTextBright) : kText;
            label->setFontColour(c);
            icon->setOverrideColour(c);
        };
        connect(row, &TRoundedPanel::hoverChanged, this, hover);
        connect(label, &TLabel::hoverChanged, this, hover);
    }
}

// ------------------------------------------------------------------ crop

void TForm1::Label5Click()
{
    if (IsEffectRunning() || !FSkImage)
        return;
    if (IsCropActive()) {
        Cancel1Click();
        return;
    }
    CloseScriptEditorForDialog();
    SkPaintBox1->SetSplitView(false);
    // The whole picture in view, as drawn.
    const CanvasGeometry& g = SkPaintBox1->Geometry();
    const QRectF shown = g.ImageScreenRect();
    if (shown.left() < 0 || shown.top() < 0 || shown.right() > g.Canvas.width() || shown.bottom() > g.Canvas.height())
        SkPaintBox1->CalculateBestFitAndCenter();
    else
        SkPaintBox1->CenterImageInPaintBox();
    FCropTool->Start(InitialCropSelection(SkPaintBox1->ImageScreenRect()));
    // The strip lies over the canvas's bottom, where the selection's lower
    // corners and handles are: it steps aside while the crop runs.
    if (HistoryRect) {
        FGalleryPopup->Hide();
        HistoryRect->hide();
    }
}

void TForm1::Check1Click()
{
    if (!FSkImage || !IsCropActive())
        return;
    // The finishing render of an effect would overwrite the cropped result.
    if (PictureChangeRefused())
        return;
    const ISkImage source = FSkSourceImage ? FSkSourceImage : FSkImage;
    const CanvasGeometry& g = SkPaintBox1->Geometry();
    const SkIRect keep = CropRectFor(FCropTool->Selection(), g.ImageOrigin(), g.FZoomFactor,
                                     QSize(source->width(), source->height()), QSize(FSkImage->width(), FSkImage->height()));
    EndCrop();
    ISkImage newSource, newResult;
    if (!keep.isEmpty()) {
        try {
            newSource = source->makeSubset(keep);
            newResult = FSkImage->makeSubset(keep);
        } catch (const std::bad_alloc&) {
            ShowMessage(FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")) +
                        QStringLiteral("%1 x %2").arg(keep.width()).arg(keep.height()));
            newSource = newResult = nullptr;
        }
    }
    // A selection that misses the picture keeps both pictures and records nothing.
    if (newSource && newResult) {
        FSkSourceImage = newSource;
        FSkImage = newResult;
        SkPaintBox1->CenterImageInPaintBox();
        SkPaintBox1->UpdatePaintBoxSize();
        History->Save(FSkImage, FSkSourceImage);
    }
    RedrawCanvas();
}

void TForm1::EndCrop()
{
    if (!FCropTool)
        return;
    FCropTool->Stop();
    if (HistoryRect)
        HistoryRect->show();
}

void TForm1::Cancel1Click()
{
    if (!FCropTool)
        return;
    EndCrop();
    SkPaintBox1->UpdatePaintBoxSize();
    RedrawCanvas();
}

// ------------------------------------------------------------------ rotate

namespace {

// Both pictures turned, or neither.
bool RotateBoth(TForm1& form, bool clockwise)
{
    if (!form.FSkImage || !form.FSkSourceImage || form.PictureChangeRefused())
        return false;
    ISkImage source, result;
    try {
        source = RotateImage90(form.FSkSourceImage, clockwise);
        result = source ? RotateImage90(form.FSkImage, clockwise) : nullptr;
    } catch (const std::bad_alloc&) {
        form.ShowMessage(form.FilesView().TranslateUiText(QStringLiteral("Image too large for available memory: ")) +
                         QStringLiteral("%1 x %2").arg(form.FSkImage->height()).arg(form.FSkImage->width()));
        return false;
    }
    if (!source || !result)
        return false;
    form.FSkSourceImage = source;
    form.FSkImage = result;
    form.RedrawCanvas();
    form.SkPaintBox1->CenterImageInPaintBox();
    form.SkPaintBox1->UpdatePaintBoxSize();
    form.History->Save(form.FSkImage, form.FSkSourceImage);
    return true;
}

} // namespace

void TForm1::Label7Click() { RotateBoth(*this, false); }

void TForm1::Label8Click() { RotateBoth(*this, true); }

void TForm1::Label6Click()
{
    if (!IsEffectRunning())
        ShowResizeFrame();
}

// ------------------------------------------------------------------ layer and keys

void TForm1::InstallImageTools()
{
    FCropTool = std::make_unique<TCropTool>(SkPaintBox1);
    FCropTool->OnApply = [this] { Check1Click(); };
    FCropTool->OnCancel = [this] { Cancel1Click(); };
    layOverlayContainer = new TOverlayHost(this);
    // Panels are built in the current theme and language; shown, their texts
    // shrink where a translation does not fit.
    layOverlayContainer->OnPanelShown = [](QWidget* panel) {
        if (GetCurrentLanguage() != QStringLiteral("en"))
            QMetaObject::invokeMethod(
                panel, [panel] { FitTranslatedTexts(panel); }, Qt::QueuedConnection);
    };
    layOverlayContainer->OnPanelClosing = [](QWidget* panel) { ForgetTranslatedComponent(panel); };

    FKeyFilter = new TWindowKeyFilter(this);
    const auto overlayPanel = [this]() { return qobject_cast<TOverlayPanel*>(ActiveOverlayFrame()); };
    const auto panelOpen = [overlayPanel](const TKeyPress&) { return overlayPanel() != nullptr; };
    const auto toPanel = [overlayPanel](const TKeyPress& k) {
        TOverlayPanel* panel = overlayPanel();
        return panel && panel->DialogKey(k.key, k.modifiers);
    };

    // The arrows walk a gallery panel's pictures; the gallery takes the focus
    // and marks the choice itself, so the ring goes.
    for (int arrow : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down})
        FKeyFilter->AddRow({arrow, TKeyMods::Any, TKeyStage::Navigation, false,
                            [panelOpen](const TKeyPress& k) { return panelOpen(k) && !FocusKeepsArrows(k.focus); },
                            [this, toPanel](const TKeyPress& k) {
                                if (!toPanel(k))
                                    return false;
                                HideFocusRing(FFocusRing, this);
                                EndKeyboardFocus();
                                return true;
                            }});

    // The window's shortcuts come between these rows (InstallShortcuts).

    // Enter and Esc still pending go to the open panel.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape)})
        FKeyFilter->AddRow({key, TKeyMods::Any, TKeyStage::Panel, false, panelOpen, toPanel});
}

} // namespace pv
