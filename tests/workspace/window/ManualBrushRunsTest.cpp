#include "FormFixture.h"

#include "engine/ImageHistory.h"
#include "engine/Workers.h"
#include "overlays/ManualBrush.h"
#include "overlays/OverlayHost.h"
#include "overlays/LUTSelector.h"
#include "workspace/canvas/CanvasView.h"

#include "platform/widgets/FloatingPanel.h"
#include "platform/widgets/WidgetEvents.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace pv {
namespace {

using test::FlatPicture;
using test::RecordingForm;

uint32_t PixelAt(const ISkImage& image, int x, int y)
{
    SkPixmap pm;
    return image && image->peekPixels(pm) ? pm.at(x, y) : 0u;
}

struct BrushForm : ::testing::Test {
    RecordingForm form;
    void SetUp() override
    {
        form.resize(1200, 800);
        form.show();
        ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300, 0xFF808080u));
        // A result that differs from the source everywhere.
        form.FSkImage = FlatPicture(400, 300, 0xFF0000FFu);
        form.History->Save(form.FSkImage, form.FSkSourceImage);
        // No effect the dispatcher knows: the source shows through the stroke.
        form.SelectedEffectNumber = 9999;
        form.ShowManualBrushFrame();
        ASSERT_TRUE(form.FManualBrushFrame);
    }
    // The panel point over a picture point.
    QPointF Over(QPointF picture)
    {
        const CanvasGeometry& g = form.SkPaintBox1->Geometry();
        const QPointF canvas = g.ImageOrigin() - g.Scroll + picture * g.FZoomFactor;
        return form.layOverlayContainer->mapFromGlobal(form.SkPaintBox1->mapToGlobal(canvas));
    }
    void Paint(QPointF picture)
    {
        TFrameManualBrush* panel = form.FManualBrushFrame;
        panel->BeginStroke(Over(picture));
        panel->EndStroke(Over(picture));
        test::WaitUntil([&] { return form.FBackgroundWorkers == 0 && !panel->IsApplying(); });
    }
};

TEST_F(BrushForm, EachStrokeIsOneStepThatUndoTakesBack)
{
    form.FManualBrushFrame->SetSliders(40, 0, 100);
    const int steps = form.History->Count();
    Paint({200, 150});
    EXPECT_EQ(form.History->Count(), steps + 1);
    EXPECT_EQ(PixelAt(form.FSkImage, 200, 150), 0xFF808080u); // the source through the stroke
    EXPECT_EQ(PixelAt(form.FSkImage, 20, 20), 0xFF0000FFu);   // the result elsewhere
    EXPECT_FALSE(form.FManualBrushFrame->IsApplying());
    EXPECT_TRUE(form.FManualBrushFrame->GetMaskBounds().isEmpty());

    // Undo and redo with the panel open (the history keeps JPEG: near colours).
    const auto blueish = [](uint32_t p) { return (p & 255) > 0xF0 && ((p >> 16) & 255) < 0x10; };
    form.SpeedButton5Click();
    ASSERT_TRUE(form.FManualBrushFrame);
    EXPECT_TRUE(blueish(PixelAt(form.FSkImage, 200, 150)));
    form.SpeedButton6Click();
    EXPECT_FALSE(blueish(PixelAt(form.FSkImage, 200, 150)));
}

TEST_F(BrushForm, AStrokeThatGetsNoThreadLeavesNothingRunningAndThePictureAsItWas)
{
    form.FManualBrushFrame->SetSliders(40, 0, 100);
    const int steps = form.History->Count();
    const ISkImage before = form.FSkImage;
    FailWorkerStartsForTests(true);
    TFrameManualBrush* panel = form.FManualBrushFrame;
    panel->BeginStroke(Over({200, 150}));
    panel->EndStroke(Over({200, 150}));
    FailWorkerStartsForTests(false);
    // Nothing is counted as running, so the window closes at once.
    EXPECT_EQ(form.FBackgroundWorkers, 0);
    EXPECT_EQ(form.FSkImage, before);
    EXPECT_EQ(form.History->Count(), steps);
    EXPECT_FALSE(form.FManualBrushFrame);
    form.close();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(BrushForm, HalfOpacityMixesAndAStrokeBesideThePictureClosesThePanel)
{
    form.FManualBrushFrame->SetSliders(40, 0, 50);
    Paint({100, 100});
    const uint32_t p = PixelAt(form.FSkImage, 100, 100);
    EXPECT_NEAR(int((p >> 16) & 255), 0x40, 1); // half grey over blue
    EXPECT_NEAR(int(p & 255), 0x80 / 2 + 0xFF / 2, 1);
    // A stroke that lands outside the picture leaves an empty mask: nothing
    // recorded, the panel closes.
    const int steps = form.History->Count();
    TFrameManualBrush* panel = form.FManualBrushFrame;
    panel->BeginStroke(Over({-300, -300}));
    panel->EndStroke(Over({-300, -300}));
    EXPECT_EQ(form.History->Count(), steps);
    EXPECT_FALSE(form.FManualBrushFrame);
}

TEST_F(BrushForm, PictureCommandsWaitForTheStrokeAndTheCloseKeepsTheSliders)
{
    form.FManualBrushFrame->SetApplying(true);
    const ISkImage result = form.FSkImage;
    form.SpeedButton5Click();
    form.PasteMIClick();
    EXPECT_EQ(form.FSkImage, result);
    form.FManualBrushFrame->SetApplying(false);

    form.FManualBrushFrame->SetSliders(250, 20, 70);
    form.CloseManualBrushFrame();
    EXPECT_FALSE(form.FManualBrushFrame);
    EXPECT_FALSE(form.FManualBrushOpen);
    EXPECT_FLOAT_EQ(form.FManualBrushSize, 250);
    EXPECT_FLOAT_EQ(form.FManualBrushSoftness, 20);
    EXPECT_FLOAT_EQ(form.FManualBrushOpacity, 70);

    // The full reset closes an open panel.
    form.ShowManualBrushFrame();
    ASSERT_TRUE(form.FManualBrushFrame);
    form.FullReset();
    EXPECT_FALSE(form.FManualBrushFrame);
    EXPECT_FALSE(form.FManualBrushOpen);
}

// The controls open by the canvas's bottom-left corner, clear of the effect
// lists left of it; once dragged they open again where they were left.
TEST_F(BrushForm, TheControlsOpenByTheCanvasCornerAndComeBackWhereTheyWereLeft)
{
    const QRectF canvas(form.layOverlayContainer->mapFromGlobal(form.SkPaintBox1->mapToGlobal(QPoint(0, 0))),
                        QSizeF(form.SkPaintBox1->size()));
    ASSERT_GT(canvas.left(), 0);
    const auto controlsAt = [&] {
        QWidget* controls = form.FManualBrushFrame->Controls();
        return form.layOverlayContainer->mapFromGlobal(controls->mapToGlobal(QPoint(0, 0)));
    };
    EXPECT_EQ(controlsAt(), QPoint(int(canvas.left()) + DpI(20), int(canvas.bottom()) - DpI(220)));

    QWidget* controls = form.FManualBrushFrame->Controls();
    test::Press(controls, {10, 10});
    test::Move(controls, {60, -40}, Qt::LeftButton);
    test::Release(controls, {60, -40});
    const QPoint left = controlsAt();
    EXPECT_EQ(left, QPoint(int(canvas.left()) + DpI(20) + 50, int(canvas.bottom()) - DpI(220) - 50));
    form.CloseManualBrushFrame();
    form.ShowManualBrushFrame();
    ASSERT_TRUE(form.FManualBrushFrame);
    EXPECT_EQ(controlsAt(), left);
}

TEST_F(BrushForm, NoPreviewStartsWhileAStrokeIsApplied)
{
    form.FManualBrushFrame->SetApplying(true);
    const int generation = form.FPreviewGeneration;
    form.UpdatePreviewTimer.start();
    form.UpdatePreviewTimerTimer();
    EXPECT_FALSE(form.UpdatePreviewTimer.isActive());
    form.PreviewDebounceTimer.start();
    form.PreviewDebounceTimerTimer();
    EXPECT_FALSE(form.PreviewDebounceTimer.isActive());
    EXPECT_FALSE(form.UpdatePreviewTimer.isActive()) << "the debounce asks for no preview either";
    EXPECT_EQ(form.FPreviewGeneration, generation) << "no preview started";

    // Once the stroke is in, the debounce asks again.
    form.FManualBrushFrame->SetApplying(false);
    form.PreviewDebounceTimer.start();
    form.PreviewDebounceTimerTimer();
    EXPECT_TRUE(form.UpdatePreviewTimer.isActive());
    form.UpdatePreviewTimer.stop();
}

TEST_F(BrushForm, TheTablePanelOpenedOverTheBrushBringsItBackWhenItCloses)
{
    form.FManualBrushFrame->SetSliders(60, 10, 80);
    form.SelectLUTButtonClick();
    EXPECT_FALSE(form.FManualBrushFrame);
    auto* panel = qobject_cast<TFrameLUTSelector*>(form.ActiveOverlayFrame());
    ASSERT_TRUE(panel);
    panel->BtnCancelClick();
    test::WaitUntil([&] { return form.FManualBrushFrame != nullptr; });
    ASSERT_TRUE(form.FManualBrushFrame);
    EXPECT_TRUE(form.FManualBrushOpen);
    EXPECT_TRUE(form.layOverlayContainer->isVisible());
    EXPECT_FALSE(form.ActiveOverlayFrame());
    EXPECT_FLOAT_EQ(form.FManualBrushFrame->SizeValue(), 60);

    // Opened without the brush, its close brings nothing back.
    form.CloseManualBrushFrame();
    form.SelectLUTButtonClick();
    panel = qobject_cast<TFrameLUTSelector*>(form.ActiveOverlayFrame());
    ASSERT_TRUE(panel);
    panel->BtnCancelClick();
    test::WaitUntil([&] { return !form.layOverlayContainer->isVisible(); });
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_FALSE(form.FManualBrushFrame);
    EXPECT_FALSE(form.layOverlayContainer->isVisible());
}

} // namespace
} // namespace pv
