#include "FormFixture.h"

#include "engine/ImageHistory.h"
#include "overlays/OverlayHost.h"
#include "overlays/OverlayPanel.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/LineEdit.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/canvas/CropTool.h"
#include "workspace/window/DropZone.h"
#include "workspace/gallery/GalleryStrip.h"
#include "workspace/text-and-print/TextWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <gtest/gtest.h>

namespace pv {
namespace {

using test::RecordingForm;

// Every pixel tells where it was: red and green the low bytes of x and y,
// blue their high bits.
ISkImage Coordinates(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 255, y & 255, (x >> 8) | ((y >> 8) << 4)));
    return SkImage::MakeFromRaster(std::move(img));
}

QPoint Origin(const ISkImage& image)
{
    const QRgb p = image->qimage().pixel(0, 0);
    return {qRed(p) | (qBlue(p) & 15) << 8, qGreen(p) | (qBlue(p) >> 4) << 8};
}

QSize SizeOf(const ISkImage& image) { return {image->width(), image->height()}; }

// ---- the arithmetic

TEST(CropArithmetic, SelectionMapsThroughTheDrawnPositionAndZoom)
{
    // Zoom 0.5, picture drawn at (100, 50), selection (150, 100) 200 x 100.
    const QRectF selection(150, 100, 200, 100);
    EXPECT_EQ(SelectionToPicture(selection, QPointF(100, 50), 0.5f), SkIRect::MakeLTRB(100, 100, 500, 300));
    EXPECT_EQ(CropSizeText(selection, 0.5f), u"400 x 200");
    // Beyond the pictures: cut at both pictures' edges; missing them: nothing.
    EXPECT_EQ(CropRectFor(selection, QPointF(100, 50), 0.5f, QSize(450, 280), QSize(470, 260)),
              SkIRect::MakeLTRB(100, 100, 450, 260));
    EXPECT_TRUE(CropRectFor(selection, QPointF(400, 50), 0.5f, QSize(300, 300), QSize(300, 300)).isEmpty());
}

TEST(CropArithmetic, ToolbarStaysOnTheCanvas)
{
    const QSizeF toolbar(100, 36);
    const struct {
        double y, expected;
    } cases[] = {{100, 58}, {30, 12}, {4, 8}, {58, 16}};
    for (const auto& c : cases) {
        const QPointF at = CropToolbarPosition(QRectF(50, c.y, 300, 200), toolbar);
        EXPECT_DOUBLE_EQ(at.y(), c.expected) << c.y;
        EXPECT_DOUBLE_EQ(at.x(), 150);
    }
    // The pill goes under the selection unless it would pass the canvas's bottom.
    EXPECT_DOUBLE_EQ(CropPillTop(QRectF(0, 0, 100, 100), 36, 500), 106);
    EXPECT_DOUBLE_EQ(CropPillTop(QRectF(0, 0, 100, 480), 36, 500), 438);
}

TEST(CropArithmetic, EdgeStepsThatLeaveLessThanTwentyAreIgnored)
{
    QRectF s(10, 10, 100, 100);
    EXPECT_FALSE(MoveCropEdge(s, TCropEdge::Top, 95));
    EXPECT_EQ(s, QRectF(10, 10, 100, 100));
    EXPECT_TRUE(MoveCropEdge(s, TCropEdge::Top, 90));
    EXPECT_EQ(s, QRectF(10, 90, 100, 20));
    EXPECT_FALSE(MoveCropEdge(s, TCropEdge::Right, 25));
    EXPECT_TRUE(MoveCropEdge(s, TCropEdge::Left, -40));
    EXPECT_EQ(s, QRectF(-40, 90, 150, 20));
}

// ---- the tools on the window

class ImageTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.resize(1200, 800);
        form.show();
        form.activateWindow();
        QApplication::processEvents();
        form.FSkSourceImage = Coordinates(200, 150);
        form.FSkImage = Coordinates(200, 150);
        form.SkPaintBox1->CalculateBestFitAndCenter();
        form.History->Save(form.FSkImage, form.FSkSourceImage);
    }
    void TearDown() override { form.FCurrentEffectNumber = -1; }

    // A key as the window receives it, to whatever has the focus.
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(to, &e);
    }

    // Selects the picture rectangle r (picture pixels) on the canvas as drawn now.
    void Select(const QRect& r)
    {
        const CanvasGeometry& g = form.SkPaintBox1->Geometry();
        const QPointF o = g.ImageOrigin();
        const double z = g.FZoomFactor;
        form.FCropTool->SetSelection(QRectF(o.x() + r.x() * z, o.y() + r.y() * z, r.width() * z, r.height() * z));
    }

    RecordingForm form;
};

TEST_F(ImageTools, CropAfterAZoomCutsExactlyWhatIsShownUnderTheSelection)
{
    form.Label5Click();
    ASSERT_TRUE(form.IsCropActive());
    // Zooming in during the crop: the small picture stays centred on the
    // canvas, so where it is drawn is not the stored pan.
    CanvasGeometry& g = form.SkPaintBox1->Geometry();
    g.ZoomAbout(QPointF(10, 10), 2.0f);
    ASSERT_NE(g.ImageOrigin(), g.FPanOffset);
    Select(QRect(20, 10, 50, 40));
    const int before = form.History->Count();
    form.Check1Click();
    EXPECT_FALSE(form.IsCropActive());
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(50, 40));
    EXPECT_EQ(SizeOf(form.FSkSourceImage), QSize(50, 40));
    EXPECT_EQ(Origin(form.FSkImage), QPoint(20, 10));
    EXPECT_EQ(Origin(form.FSkSourceImage), QPoint(20, 10));
    EXPECT_EQ(form.History->Count(), before + 1);
    // One undo brings the whole picture back.
    form.SpeedButton5Click();
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(200, 150));
}

// A full reset ends every tool of the old picture: neither the crop nor the
// placed text comes back on the next picture, where Enter would otherwise
// crop it or burn the text in. The empty canvas shows its drop zone at 100 %.
TEST_F(ImageTools, AFullResetEndsTheCropAndTheTextToolAndShowsTheDropZone)
{
    for (const char* tool : {"crop", "text"}) {
        SCOPED_TRACE(tool);
        form.SkPaintBox1->ZoomIn();
        if (tool == std::string("crop")) {
            form.Label5Click();
            Select(QRect(10, 10, 50, 40));
            ASSERT_TRUE(form.IsCropActive());
        } else {
            form.Label9Click();
            form.TextWindow->TextToolEdit->setEditText(QStringLiteral("Old words"));
            form.TextWindow->TextToolEditChangeTracking();
            ASSERT_TRUE(form.IsTextToolActive());
        }
        form.FullReset();
        EXPECT_FALSE(form.IsCropActive());
        EXPECT_FALSE(form.FCropTool->Toolbar()->isVisible());
        EXPECT_FALSE(form.FCropTool->Pill()->isVisible());
        EXPECT_FALSE(form.IsTextToolActive());
        EXPECT_FALSE(form.IsTextWindowVisible());
        EXPECT_TRUE(form.DropZoneRect->isVisible());
        EXPECT_EQ(form.ZoomLabel->text(), QStringLiteral("100%"));

        ASSERT_TRUE(test::OpenFlatPicture(form, 200, 150, 0xFF336699u));
        const ISkImage next = form.FSkImage;
        const int steps = form.History->Count();
        Key(Qt::Key_Return);
        EXPECT_EQ(form.FSkImage, next);
        EXPECT_EQ(form.History->Count(), steps);
    }
}

TEST_F(ImageTools, StartingSelectsTheWholePictureAndASecondClickCancels)
{
    form.Label5Click();
    ASSERT_TRUE(form.IsCropActive());
    const QRectF shown = form.SkPaintBox1->ImageScreenRect();
    EXPECT_EQ(form.FCropTool->Selection(), InitialCropSelection(shown));
    EXPECT_TRUE(form.FCropTool->Toolbar()->isVisible());
    EXPECT_TRUE(form.FCropTool->Pill()->isVisible());
    const ISkImage picture = form.FSkImage;
    form.Label5Click();
    EXPECT_FALSE(form.IsCropActive());
    EXPECT_FALSE(form.FCropTool->Toolbar()->isVisible());
    EXPECT_EQ(form.FSkImage, picture);
}

// The open gallery strip lies over the canvas's bottom: a selection drawn
// down there has its lower corner under the strip. The crop puts the strip
// aside while it runs, so that corner drags, and brings it back open.
TEST_F(ImageTools, TheCropPutsTheOpenGalleryAsideSoTheLowerCornerDrags)
{
    form.HistoryToggleClick();
    TGalleryStrip* strip = form.HistoryRect;
    ASSERT_TRUE(strip->IsOpen());
    for (const bool apply : {false, true}) {
        SCOPED_TRACE(apply ? "applied" : "cancelled");
        form.Label5Click();
        ASSERT_TRUE(form.IsCropActive());
        const QPointF scroll = form.SkPaintBox1->Geometry().Scroll;
        const QRectF whole = form.FCropTool->Selection();
        const double low = scroll.y() + form.SkPaintBox1->height() - DpI(40);
        form.FCropTool->SetSelection(QRectF(whole.left(), whole.top(), whole.width(), low - whole.top()));
        const QRectF before = form.FCropTool->Selection();
        const QPoint corner = form.SkPaintBox1->mapTo(&form, (before.bottomRight() - scroll - QPointF(2, 2)).toPoint());
        ASSERT_TRUE(QRect(strip->mapTo(&form, QPoint()), strip->size()).contains(corner))
            << "the corner lies where the open strip is";
        QWidget* under = form.childAt(corner);
        ASSERT_TRUE(under);
        EXPECT_EQ(under, form.SkPaintBox1);
        const QPointF at = under->mapFrom(&form, corner), to = at - QPointF(30, 50);
        test::SendMouse(under, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        test::SendMouse(under, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        test::SendMouse(under, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(form.FCropTool->Selection().topLeft(), before.topLeft());
        EXPECT_NEAR(form.FCropTool->Selection().right(), before.right() - 30, 3);
        EXPECT_NEAR(form.FCropTool->Selection().bottom(), before.bottom() - 50, 3);
        EXPECT_TRUE(strip->IsOpen());
        if (apply)
            form.Check1Click();
        else
            form.Cancel1Click();
        EXPECT_TRUE(strip->isVisible());
        EXPECT_TRUE(strip->IsOpen());
    }
}

TEST_F(ImageTools, SelectionMissingThePictureChangesAndRecordsNothing)
{
    form.Label5Click();
    Select(QRect(300, 200, 50, 50));
    const ISkImage result = form.FSkImage, source = form.FSkSourceImage;
    const int before = form.History->Count();
    form.Check1Click();
    EXPECT_EQ(form.FSkImage, result);
    EXPECT_EQ(form.FSkSourceImage, source);
    EXPECT_EQ(form.History->Count(), before);
}

TEST_F(ImageTools, CropKeepsOnlyWhatBothPicturesHave)
{
    form.FSkImage = Coordinates(120, 90);
    form.SkPaintBox1->CalculateBestFitAndCenter();
    form.Label5Click();
    Select(QRect(-10, -10, 300, 300));
    form.Check1Click();
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(120, 90));
    EXPECT_EQ(SizeOf(form.FSkSourceImage), QSize(120, 90));
    EXPECT_EQ(Origin(form.FSkSourceImage), QPoint(0, 0));
}

TEST_F(ImageTools, RotateLeftTurnsBothPicturesAndRecordsOneStep)
{
    form.FSkImage = form.FSkSourceImage = Coordinates(400, 300);
    const int before = form.History->Count();
    form.Label7Click();
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(300, 400));
    EXPECT_EQ(SizeOf(form.FSkSourceImage), QSize(300, 400));
    // The former top-right corner is now the top-left one.
    EXPECT_EQ(Origin(form.FSkImage), QPoint(399, 0));
    EXPECT_EQ(Origin(form.FSkSourceImage), QPoint(399, 0));
    EXPECT_EQ(form.History->Count(), before + 1);
    form.Label8Click();
    EXPECT_EQ(Origin(form.FSkImage), QPoint(0, 0));
    EXPECT_EQ(form.History->Count(), before + 2);
}

TEST_F(ImageTools, RotateUndoAndRedoAtFullSizeLeaveNoEmptyBand)
{
    form.FSkImage = form.FSkSourceImage = Coordinates(2400, 1800);
    form.History->Save(form.FSkImage, form.FSkSourceImage);
    form.SkPaintBox1->FullSizeAndCenter();
    struct Step {
        const char* what;
        std::function<void()> run;
        QSize size;
    };
    const Step steps[] = {
        {"rotate", [&] { form.Label8Click(); }, {1800, 2400}},
        {"undo", [&] { form.SpeedButton5Click(); }, {2400, 1800}},
        {"redo", [&] { form.SpeedButton6Click(); }, {1800, 2400}},
        {"rotate back", [&] { form.Label7Click(); }, {2400, 1800}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.run();
        ASSERT_EQ(SizeOf(form.FSkImage), step.size);
        const CanvasGeometry& g = form.SkPaintBox1->Geometry();
        const QRectF view = g.ViewportRect();
        ASSERT_LT(view.width(), 1800);
        ASSERT_LT(view.height(), 1800);
        EXPECT_TRUE(g.ImageScreenRect().contains(view)) << "the picture covers the whole canvas";
    }
}

TEST_F(ImageTools, RotateAndCropAreRefusedWhileAnEffectRuns)
{
    form.Label5Click();
    Select(QRect(10, 10, 40, 40));
    form.FCurrentEffectNumber = 300;
    const ISkImage result = form.FSkImage;
    const int before = form.History->Count();
    form.Label7Click();
    form.Label8Click();
    form.Check1Click();
    EXPECT_EQ(form.FSkImage, result);
    EXPECT_EQ(form.History->Count(), before);
    // The crop waits; once the effect is done it applies.
    EXPECT_TRUE(form.IsCropActive());
    form.FCurrentEffectNumber = -1;
    form.Check1Click();
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(40, 40));
    // A crop does not even start while an effect runs.
    form.FCurrentEffectNumber = 300;
    form.Label5Click();
    EXPECT_FALSE(form.IsCropActive());
}

TEST_F(ImageTools, EnterAppliesAndEscCancelsTheCropEscAlsoRaisesTheCancelFlag)
{
    form.Label5Click();
    Select(QRect(0, 0, 100, 50));
    Key(Qt::Key_Return);
    EXPECT_FALSE(form.IsCropActive());
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(100, 50));

    form.Label5Click();
    Select(QRect(0, 0, 30, 30));
    form.Cancel = false;
    Key(Qt::Key_Escape);
    EXPECT_TRUE(form.Cancel);
    EXPECT_FALSE(form.IsCropActive());
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(100, 50));
}

// A panel with three controls and a Cancel that closes the layer.
class KeyPanel : public TOverlayPanel {
public:
    explicit KeyPanel(TOverlayHost* host) : TOverlayPanel(QSize(300, 200), QPoint(270, 4)), host_(host)
    {
        for (int i = 0; i < 3; ++i) {
            edits[i] = new QLineEdit(this);
            edits[i]->move(10, 10 + 40 * i);
        }
    }
    void CancelClick() override { host_->PostCloseOverlay(); }
    QLineEdit* edits[3];

private:
    TOverlayHost* host_;
};

TEST_F(ImageTools, TabCyclesInsideTheOpenPanelAndEscClosesIt)
{
    QPointer<KeyPanel> panel = new KeyPanel(form.layOverlayContainer);
    form.layOverlayContainer->ShowOverlayFrame(panel);
    ASSERT_EQ(form.ActiveOverlayFrame(), panel.data());
    panel->edits[2]->setFocus();
    QApplication::processEvents();
    Key(Qt::Key_Tab);
    EXPECT_TRUE(panel->edits[0]->hasFocus());
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(panel->edits[2]->hasFocus());
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(panel->edits[1]->hasFocus());

    form.Cancel = false;
    Key(Qt::Key_Escape);
    EXPECT_TRUE(form.Cancel);
    // Closed by the posted call, not inside the key's handling.
    EXPECT_TRUE(panel);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(panel);
    EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
}

} // namespace
} // namespace pv
