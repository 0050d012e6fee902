#include "FormFixture.h"

#include "engine/ImageHistory.h"
#include "overlays/OverlayHost.h"
#include "overlays/Resize.h"
#include "overlays/CombineImages.h"
#include "platform/widgets/ComboBox.h"
#include "platform/widgets/NumberBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <gtest/gtest.h>

namespace pv {
namespace {

using test::RecordingForm;

QSize SizeOf(const ISkImage& image) { return image ? QSize(image->width(), image->height()) : QSize(); }

class OverlayOpeners : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.resize(1500, 950);
        form.show();
        form.activateWindow();
        QApplication::processEvents();
    }
    void TearDown() override { form.FCurrentEffectNumber = -1; }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(to, &e);
    }
    // Lets posted closes and deletions run.
    void Settle()
    {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    RecordingForm form;
};

TEST_F(OverlayOpeners, ResizeToHalfResamplesBothPicturesAsOneUndoableStep)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300));
    form.FSkImage = test::FlatPicture(400, 300, 0xFF204060u);
    const int before = form.History->Count();
    form.Label6Click();
    QPointer<TFrame2> panel = qobject_cast<TFrame2*>(form.ActiveOverlayFrame());
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->NumberBox1->intValue(), 400);
    EXPECT_TRUE(panel->NumberBox3->isAncestorOf(QApplication::focusWidget()));
    panel->NumberBox3->setValue(50);
    Key(Qt::Key_Return);
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(200, 150));
    EXPECT_EQ(SizeOf(form.FSkSourceImage), QSize(200, 150));
    EXPECT_EQ(form.FSkImage->qimage().pixel(100, 75), 0xFF204060u);
    EXPECT_EQ(form.History->Count(), before + 1);
    Settle();
    EXPECT_FALSE(panel);
    EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
    form.SpeedButton5Click();
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(400, 300));
}

TEST_F(OverlayOpeners, ResizeIsRefusedWhileAnEffectRunsAndEscCloses)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300));
    form.FCurrentEffectNumber = 300;
    Key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
    form.FCurrentEffectNumber = -1;
    Key(Qt::Key_R, Qt::ControlModifier);
    ASSERT_NE(qobject_cast<TFrame2*>(form.ActiveOverlayFrame()), nullptr);
    // An effect started meanwhile: OK changes nothing and only closes.
    form.FCurrentEffectNumber = 300;
    const int before = form.History->Count();
    form.DoResizeImage(100, 100);
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(400, 300));
    EXPECT_EQ(form.History->Count(), before);
    Settle();
    EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
    form.FCurrentEffectNumber = -1;
    Key(Qt::Key_R, Qt::ControlModifier);
    Key(Qt::Key_Escape);
    Settle();
    EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
    EXPECT_EQ(SizeOf(form.FSkImage), QSize(400, 300));
}

TEST_F(OverlayOpeners, TheResizeShortcutReplacesAnOpenPanel)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300));
    Key(Qt::Key_F11);
    QPointer<QWidget> combine = form.ActiveOverlayFrame();
    ASSERT_NE(qobject_cast<TFrame4*>(combine.data()), nullptr);
    Key(Qt::Key_R, Qt::ControlModifier);
    ASSERT_NE(qobject_cast<TFrame2*>(form.ActiveOverlayFrame()), nullptr);
    Settle();
    EXPECT_FALSE(combine);
    Key(Qt::Key_Escape);
    Settle();
    EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
    EXPECT_FALSE(form.layOverlayContainer->isVisible());
}

TEST_F(OverlayOpeners, CombineNeedsBothPicturesAndTellsWhichIsMissing)
{
    form.ShowCombineImagesFrame(test::FlatPicture(10, 10));
    form.FSkImage = test::FlatPicture(10, 10);
    form.ShowCombineImagesFrame(nullptr);
    ASSERT_EQ(form.messages.size(), 2u);
    EXPECT_EQ(form.messages[0], u"No base image loaded.");
    EXPECT_EQ(form.messages[1], u"No blend image selected.");
    EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
}

TEST_F(OverlayOpeners, EveryModeAppliesAsOneStepAndUndoesBack)
{
    // At 50 %: Normal and Lighten mix black and white half way, Multiply and
    // Darken keep black.
    const uint32_t expected[4] = {0xFF808080u, 0xFF000000u, 0xFF000000u, 0xFF808080u};
    for (int mode = 0; mode < 4; ++mode) {
        ASSERT_TRUE(test::OpenFlatPicture(form, 64, 48, 0xFF000000u));
        form.FSkSourceImage = test::FlatPicture(64, 48, 0xFFFFFFFFu);
        form.CombineMIClick();
        auto* panel = qobject_cast<TFrame4*>(form.ActiveOverlayFrame());
        ASSERT_NE(panel, nullptr);
        for (int i = 0; i < mode; ++i) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(panel->ComboBox1, &down);
        }
        ASSERT_EQ(int(panel->BlendMode()), mode);
        const int before = form.History->Count();
        Key(Qt::Key_Return);
        Settle();
        EXPECT_EQ(form.FSkImage->qimage().pixel(5, 5), expected[mode]) << mode;
        EXPECT_EQ(form.History->Count(), before + 1) << mode;
        EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
        form.SpeedButton5Click();
        EXPECT_EQ(form.FSkImage->qimage().pixel(5, 5), 0xFF000000u);
    }
}

// While an effect or a script runs, Apply says why nothing happens and keeps
// the panel; once the run has ended the same Apply combines.
TEST_F(OverlayOpeners, CombineApplyWaitsWhileAnEffectOrAScriptRuns)
{
    const std::vector<std::pair<const char*, std::function<void(bool)>>> runs{
        {"effect", [this](bool on) { form.FCurrentEffectNumber = on ? 300 : -1; }},
        {"script", [this](bool on) { form.FScriptRunning = on; }}};
    for (const auto& [name, running] : runs) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(test::OpenFlatPicture(form, 64, 48, 0xFF000000u));
        form.FSkSourceImage = test::FlatPicture(64, 48, 0xFFFFFFFFu);
        form.CombineMIClick();
        auto* panel = qobject_cast<TFrame4*>(form.ActiveOverlayFrame());
        ASSERT_NE(panel, nullptr);
        running(true);
        const ISkImage result = form.FSkImage;
        form.messages.clear();
        panel->Button1Click();
        Settle();
        EXPECT_EQ(form.FSkImage, result);
        EXPECT_EQ(form.ActiveOverlayFrame(), panel);
        EXPECT_EQ(form.messages, std::vector<QString>{QStringLiteral("Please wait for the current effect to finish.")});
        running(false);
        panel->Button1Click();
        Settle();
        EXPECT_NE(form.FSkImage, result);
        EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
    }
}

} // namespace
} // namespace pv
