// The top bar's actions carried out by the window itself (undo, redo, split
// view, the zoom buttons), the bottom buttons of the effect panel and the
// pressed look of the big buttons.

#include "workspace/Unit1.h"

#include "engine/ImageHistory.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/Label.h"
#include "workspace/CanvasView.h"
#include "workspace/ImageFiles.h"

#include <QGraphicsDropShadowEffect>

namespace pv {

void TForm1::ConnectTopBar()
{
    connect(SpeedButton1, &TIconButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &TIconButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(SpeedButton5, &TIconButton::clicked, this, &TForm1::SpeedButton5Click);
    connect(SpeedButton6, &TIconButton::clicked, this, &TForm1::SpeedButton6Click);
    connect(SpeedButton24, &TIconButton::clicked, this, &TForm1::SpeedButton24Click);

    // Zoom out / in: a click steps once; holding the button repeats.
    const auto holdToRepeat = [this](TIconButton* button, bool zoomIn) {
        connect(button, &TIconButton::clicked, SkPaintBox1, zoomIn ? &CanvasView::ZoomIn : &CanvasView::ZoomOut);
        connect(button, &TIconButton::pressed, this, [this, zoomIn](Qt::MouseButton b) {
            if (b == Qt::LeftButton)
                SkPaintBox1->StartZoomRepeat(zoomIn);
        });
        connect(button, &TIconButton::released, this, [this](Qt::MouseButton) { SkPaintBox1->StopZoomRepeat(); });
    };
    holdToRepeat(SpeedButton10, false);
    holdToRepeat(SpeedButton12, true);
    // 100 %: a right-button press fits the picture instead.
    connect(SpeedButton11, &TIconButton::clicked, SkPaintBox1, &CanvasView::FullSizeAndCenter);
    connect(SpeedButton11, &TIconButton::pressed, this, [this](Qt::MouseButton b) {
        if (b == Qt::RightButton)
            SkPaintBox1->CalculateBestFitAndCenter();
    });
    connect(SkPaintBox1, &CanvasView::zoomLabelChanged, this, [this](const QString& text) { ZoomLabel->setText(text); });
    connect(SkPaintBox1, &CanvasView::splitViewChanged, this, [this](bool on) {
        SpeedButton24->setToolTip(on ? QStringLiteral("Split view off") : QStringLiteral("Split view on"));
        SplitRectangle->setVisible(on);
        SpeedButton24->update();
    });

    connect(DefaultImageButton, &TButton::clicked, this, &TForm1::DefaultImageButtonClick);
}

void TForm1::SpeedButton5Click() { StepHistory(false); }

void TForm1::SpeedButton6Click() { StepHistory(true); }

void TForm1::StepHistory(bool forward)
{
    // A stroke being applied would land on the picture undo put back.
    if (IsEffectRunning() || IsManualBrushApplying())
        return;
    ISkImage result, source;
    if (forward ? History->Redo(result, source) : History->Undo(result, source)) {
        FSkImage = result;
        FSkSourceImage = source;
        if (FManualBrushFrame) {
            // The brush keeps the view and starts an empty mask on this picture.
            RestartManualBrushMask();
        } else {
            SkPaintBox1->CenterImageInPaintBox();
            SkPaintBox1->UpdateDivider();
        }
        // The preview box follows the picture it came back to at once; the
        // selected effect's live preview of it comes after.
        DrawZoomedPreview();
        RequestEffectPreview();
    }
    SkPaintBox1->Redraw();
}

void TForm1::SpeedButton24Click()
{
    if (!FSkImage)
        return;
    SkPaintBox1->ToggleSplitView();
}

void TForm1::DefaultImageButtonClick() { pv::DefaultImageButtonClick(FilesView()); }

void TForm1::Button2Click()
{
    const auto bytes = uint64_t(History->MemoryUsedBytes());
    DebugLabel->setText(QString::asprintf("History uses %.2f MB", double(bytes) / 1048576.0));
}

void TForm1::ButtonPressEffect(QWidget* AButton)
{
    FPressedButtonOriginalPos = AButton->pos();
    AButton->move(AButton->pos() + QPoint(2, 2));
    if (auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(AButton->graphicsEffect())) {
        FPressedShadowColour = shadow->color();
        QColor lighter = FPressedShadowColour;
        lighter.setAlphaF(lighter.alphaF() * 0.7f);
        shadow->setOffset(shadow->xOffset(), shadow->yOffset() - 2);
        shadow->setColor(lighter);
    }
}

void TForm1::ButtonReleaseEffect(QWidget* AButton)
{
    AButton->move(FPressedButtonOriginalPos.toPoint());
    if (auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(AButton->graphicsEffect())) {
        shadow->setOffset(shadow->xOffset(), shadow->yOffset() + 2);
        shadow->setColor(FPressedShadowColour);
    }
}

} // namespace pv
