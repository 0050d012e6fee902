#include "FormFixture.h"

#include "TestZip.h"
#include "engine/Repository.h"
#include "overlays/OverlayHost.h"
#include "overlays/LUTSelector.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/ColourPicker.h"
#include "platform/widgets/FloatingPanel.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/Switch.h"
#include "workspace/window/EffectOptions.h"
#include "engine/ParameterFiles.h"
#include "workspace/scripting/ScriptEditor.h"

#include <QApplication>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace pv {
namespace {

using test::RecordingForm;

const int kEffects[] = {100, 101, 102, 103, 200, 201, 202, 203, 300, 301, 302, 303, 304,
                        305, 306, 307, 308, 400, 401, 402, 403, 404, 500, 501, 502, 503};

TEST(EffectOptions, WhichEffectsUseWhichOption)
{
    const std::set<int> erase = {103, 202, 300, 301, 302, 303, 304, 305, 307, 308, 500, 501, 502, 503};
    const std::set<int> contour = {500, 502, 503}, brushes = {302, 303, 304}, lut = {404};
    for (int e : kEffects) {
        SCOPED_TRACE(e);
        EXPECT_EQ(EraseOptionEnabled(e), erase.count(e) == 1);
        EXPECT_EQ(ContourOptionShown(e), contour.count(e) == 1);
        EXPECT_EQ(BrushOptionShown(e), brushes.count(e) == 1);
        EXPECT_EQ(LUTOptionShown(e), lut.count(e) == 1);
    }
}

class Options : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.resize(1500, 950);
        form.show();
        QApplication::processEvents();
    }
    void Select(int effect) { form.ListBoxItemClick(effect / 100, effect % 100); }
    RecordingForm form;
    QTemporaryDir dir;
};

TEST_F(Options, SwitchesFollowTheSelectedEffect)
{
    Select(100);
    EXPECT_FALSE(form.EraseBdSwitch->isEnabled());
    EXPECT_FALSE(form.LoadBrushesWindow->isVisibleTo(&form));
    Select(300);
    EXPECT_TRUE(form.EraseBdSwitch->isEnabled());
    form.EraseBdSwitchClick();
    EXPECT_FALSE(form.FEraseBdChecked.load());
    form.EraseBdSwitchClick();
    EXPECT_TRUE(form.FEraseBdChecked.load());
    Select(404);
    EXPECT_TRUE(form.LoadLUTsWindow->isVisibleTo(&form));
    // The texture switch starts on; two clicks bring it back, each restarting the preview timer.
    EXPECT_TRUE(form.FTextureSwitchOn);
    form.UpdatePreviewTimer.stop();
    form.AddTextureSwitchClick();
    EXPECT_FALSE(form.FTextureSwitchOn);
    EXPECT_TRUE(form.UpdatePreviewTimer.isActive());
    form.UpdatePreviewTimer.stop();
    form.AddTextureSwitchClick();
    EXPECT_TRUE(form.FTextureSwitchOn && form.AddTextureSwitch->isChecked());
    EXPECT_TRUE(form.UpdatePreviewTimer.isActive());
}

TEST_F(Options, ContourColourWindowFollowsTheSwitchAndAnAlphaChangeAlone)
{
    Select(500);
    ASSERT_TRUE(form.ContourSwitch->isVisibleTo(&form));
    form.ContourSwitchClick();
    EXPECT_TRUE(form.FDrawContourChecked.load());
    EXPECT_TRUE(form.ContourColorWindow->isVisible());
    EXPECT_EQ(form.ContourColorWindow->size(), QSize(DpI(170), DpI(200)));
    // Only the alpha moves, without a change notice: the timer carries it.
    form.ContourColorPanel->setColour(0x80000000u);
    test::WaitUntil([&] { return form.FContourColor.load() == 0x80000000u; });
    EXPECT_EQ(form.FContourColor.load(), 0x80000000u);
    Select(300); // an effect without contours hides the window; the switch stays on
    EXPECT_FALSE(form.ContourColorWindow->isVisible());
    EXPECT_TRUE(form.FDrawContourChecked.load());
    Select(502);
    form.ContourSwitchClick();
    EXPECT_FALSE(form.ContourColorWindow->isVisible());
}

TEST_F(Options, ApplyHidesTheContourColourWindow)
{
    Select(503);
    form.ContourSwitchClick();
    ASSERT_TRUE(form.ContourColorWindow->isVisible());
    form.Button1Click();
    EXPECT_FALSE(form.ContourColorWindow->isVisible());
    EXPECT_FALSE(form.FContourColorTimer.isActive());
    EXPECT_TRUE(form.FDrawContourChecked.load()) << "the contours stay on";
}

TEST_F(Options, ContourColourWindowHasATranslucentTitleBand)
{
    Select(500);
    form.ContourSwitchClick();
    TFloatingPanel* window = form.ContourColorWindow;
    ASSERT_GT(window->titleBandHeight(), 0);
    const QImage shot = window->grab().toImage();
    const QColor body = shot.pixelColor(DpI(5), DpI(120));
    const QColor band = shot.pixelColor(DpI(60), DpI(20));
    const QColor fill = QColor::fromRgba(window->fillColour());
    EXPECT_EQ(body, fill);
    // Lighter than the panel, yet the panel's colour shows through.
    EXPECT_GT(band.lightness(), fill.lightness());
    EXPECT_LT(band.lightness(), fill.lightness() + 40);
}

TEST_F(Options, BrushSheetsLoadForTheSelectedEffectOnlyAndResetShrinksTheBox)
{
    QImage brush(40, 80, QImage::Format_ARGB32);
    brush.fill(0x80FFFFFFu);
    const QString png = dir.filePath(QStringLiteral("b.png"));
    ASSERT_TRUE(brush.save(png));
    QString chosen = png;
    form.ChooseFiles = [&](const QString&, const QString&) { return QStringList{chosen}; };
    Select(303);
    form.TestBrushButtonClick();
    EXPECT_TRUE(form.CustomBrushesOn303);
    EXPECT_FALSE(form.CustomBrushesOn302 || form.CustomBrushesOn304);
    EXPECT_FALSE(form.CustomBrushBitmap303.isNull());
    EXPECT_EQ(form.GlobalBrushCount.load(), 1);
    EXPECT_TRUE(form.ResetBrushesButton->isVisibleTo(&form));
    EXPECT_EQ(form.LoadBrushesWindow->height(), DpI(120));
    form.ResetBrushesButtonClick();
    EXPECT_FALSE(form.CustomBrushesOn303);
    EXPECT_FALSE(form.ResetBrushesButton->isVisibleTo(&form));
    EXPECT_EQ(form.LoadBrushesWindow->height(), DpI(64));

    // A damaged archive: the reason is shown and nothing changes.
    const QString zip = dir.filePath(QStringLiteral("bad.zip"));
    QFile f(zip);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PK\x03\x04 this is no archive");
    f.close();
    chosen = zip;
    Select(304);
    form.TestBrushButtonClick();
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_TRUE(form.messages[0].startsWith(QStringLiteral("Error loading custom brushes: ")));
    EXPECT_GT(form.messages[0].size(), QStringLiteral("Error loading custom brushes: ").size());
    EXPECT_FALSE(form.CustomBrushesOn304);
    EXPECT_EQ(form.GlobalBrushCount.load(), 1);
}

TEST_F(Options, ParameterFilesSaveAndLoadThroughTheWindow)
{
    const QString file = dir.filePath(QStringLiteral("mine.vlp"));
    form.ChooseSaveFile = [&](const QString&, const QString&) { return file; };
    form.ChooseFiles = [&](const QString&, const QString&) { return QStringList{file}; };
    form.InitializeParameters();
    Select(300);
    form.TrackBar(1)->setValue(77);
    form.SkSvg45Click();
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0], QStringLiteral("Parameters saved successfully!"));
    form.TrackBar(1)->setValue(5);
    ParamsSlot(form.Params, 300)->SetValue(1, 5);
    // Loaded while another effect is selected: the table changes, the sliders do not.
    Select(100);
    const double shown = form.TrackBar(1)->value();
    form.SkSvg44Click();
    EXPECT_EQ(ParamsSlot(form.Params, 300)->Value(1), 77);
    EXPECT_EQ(form.TrackBar(1)->value(), shown);
    Select(300);
    EXPECT_EQ(form.TrackBar(1)->value(), 77);

    QFile newer(file);
    ASSERT_TRUE(newer.open(QIODevice::WriteOnly));
    newer.write("FormatVersion=3\n[Effect_3_0]\nValue1=1\n");
    newer.close();
    form.SkSvg44Click();
    ASSERT_EQ(form.messages.size(), 2u);
    EXPECT_EQ(form.messages[1], QStringLiteral("Error loading parameters: Unsupported parameter file version 3 "
                                               "(maximum supported: 2)."));
    EXPECT_EQ(ParamsSlot(form.Params, 300)->Value(1), 77);
}

TEST_F(Options, TheParameterFileIconsFadeTwoHousekeepingTicksAfterTheHover)
{
    form.CleanUpTimer.stop(); // ticked by hand
    const auto state = [&] {
        std::vector<std::pair<double, bool>> out; // opacity, fading
        for (TSvgIcon* icon : {form.SkSvg44, form.SkSvg45}) {
            const auto* effect = qobject_cast<QGraphicsOpacityEffect*>(icon->graphicsEffect());
            const auto* fade = icon->findChild<QVariantAnimation*>();
            out.emplace_back(effect ? effect->opacity() : -1, fade && fade->state() == QAbstractAnimation::Running);
        }
        return out;
    };
    using S = std::vector<std::pair<double, bool>>;
    const S rest = {{0.3, false}, {0.3, false}}, lit = {{1.0, false}, {1.0, false}},
            fading = {{1.0, true}, {1.0, true}};
    EXPECT_EQ(state(), rest);
    form.ParamsLabelMouseMove();
    EXPECT_EQ(state(), lit);
    form.CleanUpTimerTimer();
    EXPECT_EQ(state(), lit);
    form.CleanUpTimerTimer();
    EXPECT_EQ(state(), fading);
    // Lit again while fading: the fade stops and the count starts over.
    form.ParamsLabelMouseMove();
    EXPECT_EQ(state(), lit);
    form.CleanUpTimerTimer();
    EXPECT_EQ(state(), lit);
    // A click dims them at once and leaves nothing to fade.
    form.ChooseFiles = [](const QString&, const QString&) { return QStringList(); };
    form.SkSvg44Click();
    form.CleanUpTimerTimer();
    form.CleanUpTimerTimer();
    EXPECT_EQ(state(), rest);
}

TEST_F(Options, TheTablePanelHandsItsChoiceToTheLUTEffect)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 200, 100));
    Select(404);
    EXPECT_FALSE(form.FLUTData.isEmpty()); // the first built-in table
    form.ShowScriptEditor();
    ASSERT_TRUE(form.FormScriptEditor && form.FormScriptEditor->isVisible());
    form.SelectLUTButtonClick();
    EXPECT_FALSE(form.FormScriptEditor->isVisible());
    auto* panel = qobject_cast<TFrameLUTSelector*>(form.ActiveOverlayFrame());
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->SelectedName(), form.FLUTName);
    panel->SelectLUTItem(2);
    const QString name = panel->SelectedName();
    const QByteArray data = panel->SelectedData();
    form.UpdatePreviewTimer.stop();
    panel->BtnApplyClick();
    QApplication::processEvents();
    EXPECT_EQ(form.FLUTName, name);
    EXPECT_TRUE(form.FLUTFilePath.isEmpty());
    EXPECT_EQ(form.FLUTData, data);
    EXPECT_TRUE(form.UpdatePreviewTimer.isActive());
    // The editor the panel made way for is back, once.
    EXPECT_TRUE(form.FormScriptEditor->isVisible());
    EXPECT_FALSE(form.FReopenScriptEditorAfterLUT);
}

} // namespace
} // namespace pv
