// The main window's magnified preview box: the source region it shows, drag
// and zoom, the debounce that asks for a preview after the user paused, and
// the pictures effect previews draw into it.

#include "workspace/window/MainWindow.h"

#include "engine/Effect.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Theme.h"
#include "workspace/preview/PreviewBoxGeometry.h"
#include "workspace/preview/PreviewImage.h"

namespace pv {
namespace {

// The box shares the picture's pixels (pictures are immutable).
QImage ToBitmap(const ISkImage& picture) { return picture ? picture->qimage() : QImage(); }

} // namespace

QSize TForm1::PreviewBoxSize() const
{
    if (!Image1)
        return {};
    return Image1->size();
}

void TForm1::ShowPreviewBox(const ISkImage& snapshot, int percent)
{
    ProgressPercent = percent;
    if (Image1 && !Image1->bitmap().isNull()) {
        QImage bitmap = ToBitmap(snapshot);
        if (!bitmap.isNull())
            Image1->setBitmap(std::move(bitmap));
    }
    if (PreviewPC) {
        PreviewPC->setText(QString::fromStdString(PreviewPercentText(percent)));
        PreviewPC->setVisible(PreviewPercentVisible(percent));
    }
    if (Image1)
        Image1->setRingPercent(percent);
    Q_EMIT previewBoxChanged();
}

void TForm1::SetPreviewBoxPicture(const ISkImage& picture)
{
    if (Image1) {
        QImage bitmap = ToBitmap(picture);
        if (!bitmap.isNull())
            Image1->setBitmap(std::move(bitmap));
    }
    Q_EMIT previewBoxChanged();
}

void TForm1::DrawZoomedPreview()
{
    if (!FSkImage || !FSkSourceImage || !Image1)
        return;
    const double W = Image1->width(), H = Image1->height();
    const double z = FPreviewZoomFactor;
    const double rw = W / z, rh = H / z;
    const QPoint start = ClampPreviewStart({PreviewStartX.load(), PreviewStartY.load()}, FSkSourceImage->width(),
                                           FSkSourceImage->height(), rw, rh);
    PreviewStartX = start.x();
    PreviewStartY = start.y();

    const ISkSurface box = SkSurface::MakeRaster(Round(W), Round(H));
    if (!box)
        return;
    SkCanvas* canvas = box->getCanvas();
    canvas->clear(pv::ThemeMapColor(kBackgroundWorkspace));
    canvas->drawImageRect(FSkSourceImage, SkRect::MakeXYWH(float(start.x()), float(start.y()), float(rw), float(rh)),
                          SkRect::MakeWH(float(W), float(H)), SkSamplingOptions::Mitchell());
    Image1->setBitmap(ToBitmap(box->makeImageSnapshot()));
}

void TForm1::ShowZoomLabel()
{
    if (Label22)
        Label22->setText(QString::number(Round(FPreviewZoomFactor * 100.0)) + QLatin1Char('%'));
}

void TForm1::Image1MouseDown(QPointF point)
{
    ++FPreviewGeneration;
    UpdatePreviewTimer.stop();
    PreviewLastPos = point;
}

void TForm1::Image1MouseMove(QPointF point, bool leftButtonHeld)
{
    if (!leftButtonHeld || !FSkImage || !FSkSourceImage)
        return;
    const float z = FPreviewZoomFactor;
    const QPoint start =
        DragPreviewStart({PreviewStartX.load(), PreviewStartY.load()}, point - PreviewLastPos, z,
                         FSkSourceImage->width(), FSkSourceImage->height(), Image1->width() / double(z),
                         Image1->height() / double(z));
    PreviewStartX = start.x();
    PreviewStartY = start.y();
    PreviewLastPos = point;
    DrawZoomedPreview();
    // A running preview is abandoned at most every 201 ms while dragging.
    const uint32_t now = GetTickMs();
    if (now - FLastPanTime >= 201) {
        FLastPanTime = now;
        ++FPreviewGeneration;
        PreviewDebounceTimer.start();
    }
}

void TForm1::Image1MouseUp()
{
    if (!PreviewDebounceTimer.isActive())
        UpdatePreviewTimer.start();
}

void TForm1::Image1MouseWheel(int wheelDelta)
{
    if (!FSkImage)
        return;
    FPreviewZoomFactor = WheelPreviewZoom(FPreviewZoomFactor, wheelDelta);
    DrawZoomedPreview();
    PreviewDebounceTimer.start();
    ShowZoomLabel();
}

void TForm1::zoominskvgClick()
{
    FPreviewZoomFactor = ZoomInPreview(FPreviewZoomFactor);
    DrawZoomedPreview();
    PreviewDebounceTimer.start();
    ShowZoomLabel();
}

void TForm1::zoomoutskvgClick()
{
    FPreviewZoomFactor = ZoomOutPreview(FPreviewZoomFactor);
    DrawZoomedPreview();
    PreviewDebounceTimer.start();
    ShowZoomLabel();
}

void TForm1::PreviewZoomRectClick()
{
    FPreviewZoomFactor = 1.0f;
    DrawZoomedPreview();
    PreviewDebounceTimer.start();
    ShowZoomLabel();
}

void TForm1::PreviewDebounceTimerTimer()
{
    PreviewDebounceTimer.stop();
    if (!FSkImage || IsManualBrushApplying())
        return;
    ++FPreviewGeneration;
    UpdatePreviewTimer.start();
}

} // namespace pv
