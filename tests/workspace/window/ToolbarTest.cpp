#include "FormFixture.h"

#include "engine/Effect.h"
#include "engine/ImageHistory.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/Label.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/preview/PreviewImage.h"

#include <QFontMetrics>
#include <QGraphicsDropShadowEffect>
#include <gtest/gtest.h>

#include <iterator>
#include <thread>

namespace pv {
namespace {

using test::RecordingForm;
using test::SendMouse;

std::atomic<bool> gRelease{false};

void WaitingEffect(const ISkImage&, const ISkSurface& Dest, int, int, int, int, int, bool)
{
    while (!gRelease && !IsEffectCancelled())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CheckCancellation();
    Dest->getCanvas()->clear(kColorWhite);
}

void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    SendMouse(w, QEvent::MouseButtonPress, at, button, button);
    SendMouse(w, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

// The zoom reading stays clear of the tool row at every size on a bar of
// 1600: the row keeps its spacing where it has room and closes up where not.
TEST(TopBar, TheZoomReadingNeverRunsUnderTheToolRow)
{
    RecordingForm form;
    test::ShowRestored(form);
    form.setMinimumSize(0, 0);
    TIconButton* const row[] = {form.SpeedButton1, form.SpeedButton2, form.SpeedButton3, form.SpeedButton4,
                                form.SpeedButton5, form.SpeedButton6, form.SpeedButton7, form.SpeedButton24,
                                form.SpeedButton8, form.SpeedButton9, form.SpeedButton23};
    for (double zoom : {1.0, 1.25, 1.5}) {
        SCOPED_TRACE(zoom);
        form.ApplyUIZoom(zoom, false);
        form.resize(1600, 1000);
        QCoreApplication::processEvents();
        form.ZoomLabel->setText(QStringLiteral("1000%"));
        const int text = QFontMetrics(form.ZoomLabel->font()).horizontalAdvance(form.ZoomLabel->text());
        const QRect label = form.ZoomLabel->geometry();
        const int quitRight = form.SpeedButton23->geometry().right();
        EXPECT_LE(text, label.width());
        EXPECT_GT(label.right() - text, quitRight);
        EXPECT_LT(label.right(), form.SpeedButton10->x());
        for (size_t i = 1; i < std::size(row); ++i)
            EXPECT_GE(row[i]->x(), row[i - 1]->geometry().right()) << i;
        if (zoom == 1.0)
            EXPECT_EQ(form.SpeedButton23->x() - form.SpeedButton1->x(), 10 * 44);
    }
    form.ApplyUIZoom(1.0, false);
}

TEST(TopBar, SplitViewNeedsAPictureAndShowsItsStateOnTheButton)
{
    RecordingForm form;
    form.resize(1200, 800);
    Click(form.SpeedButton24);
    EXPECT_FALSE(form.SkPaintBox1->IsSplitView());
    EXPECT_EQ(form.SpeedButton24->toolTip(), u"Split view on");

    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    Click(form.SpeedButton24);
    EXPECT_TRUE(form.SkPaintBox1->IsSplitView());
    EXPECT_EQ(form.SpeedButton24->toolTip(), u"Split view off");
    EXPECT_FALSE(form.SplitRectangle->isHidden());
    form.SplitViewMIClick();
    EXPECT_FALSE(form.SkPaintBox1->IsSplitView());
    EXPECT_EQ(form.SpeedButton24->toolTip(), u"Split view on");
    EXPECT_TRUE(form.SplitRectangle->isHidden());
}

TEST(TopBar, ZoomButtonsStepShowTheLabelAndTheRightButtonFits)
{
    RecordingForm form;
    form.resize(1200, 800);
    form.show();
    ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300));
    form.SkPaintBox1->FullSizeAndCenter();
    EXPECT_EQ(form.ZoomLabel->text(), u"100%");

    Click(form.SpeedButton12);
    const float zoomed = form.FZoomFactor;
    EXPECT_GT(zoomed, 1.0f);
    EXPECT_EQ(form.ZoomLabel->text(), QString::number(qRound(zoomed * 100)) + u'%');
    Click(form.SpeedButton10);
    Click(form.SpeedButton10);
    EXPECT_LT(form.FZoomFactor, 1.0f);

    Click(form.SpeedButton11);
    EXPECT_EQ(form.FZoomFactor, 1.0f);
    EXPECT_EQ(form.ZoomLabel->text(), u"100%");
    // A right-button press fits the picture to the canvas instead.
    SendMouse(form.SpeedButton11, QEvent::MouseButtonPress, {5, 5}, Qt::RightButton, Qt::RightButton);
    SendMouse(form.SpeedButton11, QEvent::MouseButtonRelease, {5, 5}, Qt::RightButton, Qt::NoButton);
    const QSize canvas = form.SkPaintBox1->size();
    EXPECT_FLOAT_EQ(form.FZoomFactor, std::min(canvas.width() / 400.0f, canvas.height() / 300.0f));

    // Holding zoom-in repeats until the release.
    const float before = form.FZoomFactor;
    SendMouse(form.SpeedButton12, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    test::WaitUntil([&] { return form.FZoomFactor > before * 1.5f; });
    SendMouse(form.SpeedButton12, QEvent::MouseButtonRelease, {500, 500}, Qt::LeftButton, Qt::NoButton);
    const float held = form.FZoomFactor;
    EXPECT_GT(held, before * 1.5f);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 150)
        QCoreApplication::processEvents();
    EXPECT_EQ(form.FZoomFactor, held) << "the release stops the repeat";
}

TEST(TopBar, UndoAndRedoWaitForARunningEffect)
{
    const TEffectProc previous = ReplaceEffect(300, &WaitingEffect);
    {
        RecordingForm form;
        form.InitializeParameters();
        ASSERT_TRUE(test::OpenFlatPicture(form, 32, 24));
        gRelease = true;
        form.Button1Click();
        test::WaitForEffectWorkers();
        ASSERT_EQ(form.FHistory->Count(), 2);
        const QImage applied = form.FSkImage->qimage();

        gRelease = false;
        form.Button1Click();
        ASSERT_TRUE(form.IsEffectRunning());
        form.SpeedButton5Click();
        Click(form.SpeedButton5);
        EXPECT_TRUE(form.IsEffectRunning());
        form.Cancel = true;
        test::WaitForEffectWorkers();
        EXPECT_EQ(form.FSkImage->qimage(), applied) << "undo did nothing during the run";

        form.SpeedButton5Click();
        EXPECT_EQ(form.FSkImage->qimage().pixel(0, 0), 0xFF808080u);
        form.SpeedButton5Click(); // the first snapshot: nothing further back
        EXPECT_EQ(form.FSkImage->qimage().pixel(0, 0), 0xFF808080u);
        EXPECT_TRUE(form.messages.empty());
    }
    ReplaceEffect(300, previous);
}

TEST(TopBar, UndoAndRedoRefreshThePreviewBox)
{
    RecordingForm form;
    form.InitializeParameters();
    ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300, 0xFFFF0000u));
    ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300, 0xFF0000FFu));
    const auto boxMiddle = [&form] {
        const QImage& box = form.Image1->bitmap();
        return box.pixel(box.width() / 2, box.height() / 2);
    };
    ASSERT_EQ(boxMiddle(), 0xFF0000FFu);
    form.UpdatePreviewTimer.stop();

    struct Step {
        void (TForm1::*click)();
        QRgb shown;
    };
    for (const Step& step : {Step{&TForm1::SpeedButton5Click, 0xFFFF0000u}, Step{&TForm1::SpeedButton6Click, 0xFF0000FFu}}) {
        (form.*step.click)();
        // The history keeps opaque pictures as JPEG: a level off at most.
        const QRgb shown = boxMiddle();
        EXPECT_NEAR(qRed(shown), qRed(step.shown), 2);
        EXPECT_NEAR(qBlue(shown), qBlue(step.shown), 2);
        EXPECT_TRUE(form.UpdatePreviewTimer.isActive()) << "the effect preview follows";
        form.UpdatePreviewTimer.stop();
    }
}

TEST(TopBar, PressedLookAndHiddenButtons)
{
    RecordingForm form;
    QWidget* apply = form.Button1;
    auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(apply->graphicsEffect());
    ASSERT_NE(shadow, nullptr);
    const QPoint at = apply->pos();
    const QPointF offset = shadow->offset();
    const QColor colour = shadow->color();
    SendMouse(apply, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(apply->pos(), at + QPoint(2, 2));
    EXPECT_EQ(shadow->offset(), offset - QPointF(0, 2));
    EXPECT_LT(shadow->color().alpha(), colour.alpha());
    // Released outside: no click, but the look is restored exactly.
    SendMouse(apply, QEvent::MouseButtonRelease, {-50, -50}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(apply->pos(), at);
    EXPECT_EQ(shadow->offset(), offset);
    EXPECT_EQ(shadow->color(), colour);

    EXPECT_TRUE(form.UpdatePreviewButton->isHidden());
    EXPECT_EQ(form.UpdatePreviewButton->text(), u"Update preview");
    EXPECT_TRUE(form.Button2->isHidden());
    ASSERT_TRUE(test::OpenFlatPicture(form, 512, 512));
    form.Button2Click();
    const double mb = double(form.FHistory->MemoryUsedBytes()) / 1048576.0;
    EXPECT_EQ(form.DebugLabel->text(), QString::asprintf("History uses %.2f MB", mb));
    EXPECT_TRUE(form.DebugLabel->text().startsWith(u"History uses "));
}

TEST(TopBar, DefaultImageButtonLoadsTheBuiltInPictureUnlessAnEffectRuns)
{
    const TEffectProc previous = ReplaceEffect(300, &WaitingEffect);
    {
        RecordingForm form;
        form.InitializeParameters();
        ASSERT_TRUE(test::OpenFlatPicture(form, 32, 24));
        gRelease = false;
        form.Button1Click();
        ASSERT_TRUE(form.IsEffectRunning());
        Click(form.DefaultImageButton);
        EXPECT_EQ(form.FSkSourceImage->width(), 32) << "refused while the effect runs";
        form.Cancel = true;
        test::WaitForEffectWorkers();

        Click(form.DefaultImageButton);
        ASSERT_NE(form.FSkSourceImage, nullptr);
        EXPECT_GT(form.FSkSourceImage->width(), 32);
        EXPECT_TRUE(form.FilesView().FSourceFileName.isEmpty());
    }
    ReplaceEffect(300, previous);
}

TEST(TopBar, ScriptLookupTableChoicesOutlastTheRun)
{
    RecordingForm form;
    EXPECT_TRUE(form.ChooseLutFile(QStringLiteral("/luts/film look.cube")));
    EXPECT_EQ(form.ChosenLUT().FilePath, u"/luts/film look.cube");
    EXPECT_TRUE(form.ChosenLUT().Data.isEmpty());

    // An unknown built-in name falls back to the first built-in table.
    EXPECT_TRUE(form.ChooseEmbeddedLut(QStringLiteral("no such table")));
    const TLUTSource first = form.ChosenLUT();
    EXPECT_TRUE(first.FilePath.isEmpty());
    EXPECT_FALSE(first.Data.isEmpty());
    EXPECT_FALSE(first.Name.isEmpty());
    EXPECT_TRUE(form.ChooseEmbeddedLut(first.Name.toLower()));
    EXPECT_EQ(form.ChosenLUT().Name, first.Name) << "letter case ignored, stored spelling kept";
}

} // namespace
} // namespace pv
