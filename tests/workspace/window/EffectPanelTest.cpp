#include "FormFixture.h"

#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::RecordingForm;

// A window after the deferred start-up's part of the effect panel.
struct StartedForm : RecordingForm {
    StartedForm()
    {
        InitializeParameters();
        UpdateListboxes(ListBoxes[2], 0);
    }
};

TEST(EffectPanel, NewWindowShowsWatercolourWithEmptyCaptionsUntilTheTableIsFilled)
{
    RecordingForm form;
    EXPECT_EQ(form.SelectedEffectNumber, 300);
    EXPECT_EQ(form.ListBoxes[2]->itemIndex(), 0);
    for (int k = 1; k <= 5; ++k) {
        EXPECT_TRUE(form.ParamLabel(k)->text().isEmpty());
        EXPECT_FALSE(form.TrackBar(k)->isEnabled());
    }
    form.InitializeParameters();
    form.UpdateListboxes(form.ListBoxes[2], 0);
    EXPECT_EQ(form.ParamLabel(1)->text(), QStringLiteral("iterations"));
    EXPECT_EQ(form.TrackBar(4)->value(), 100);
    EXPECT_EQ(form.ParamLabelPc(4)->text(), QStringLiteral("100"));
    EXPECT_TRUE(form.TrackBar(5)->isEnabled());
}

TEST(EffectPanel, ChoosingAnEffectShowsItsSlotAndMovesTheSelection)
{
    StartedForm form;
    form.ListBoxItemClick(2, 0); // Black & white
    EXPECT_EQ(form.SelectedEffectNumber, 200);
    EXPECT_EQ(form.ListBoxes[1]->itemIndex(), 0);
    EXPECT_EQ(form.ListBoxes[2]->itemIndex(), -1) << "the other lists lose their selection";
    const bool enabled[5] = {true, true, true, false, false};
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(form.TrackBar(k)->isEnabled(), enabled[k - 1]) << k;
        EXPECT_EQ(form.ParamLabel(k)->text().isEmpty(), !enabled[k - 1]) << k;
    }
    EXPECT_EQ(form.ParamLabel(2)->text(), QStringLiteral("lighten/darken"));

    form.ListBoxItemClick(3, 6); // Smooth painting
    EXPECT_EQ(form.SelectedEffectNumber, 306);
    EXPECT_TRUE(form.TrackBar(2)->isEnabled());
    EXPECT_FALSE(form.TrackBar(3)->isEnabled());
    EXPECT_EQ(form.TrackBar(2)->value(), 0);
    EXPECT_TRUE(form.FEffectAccentBar && form.FEffectAccentBar->parentWidget() == form.Expanders[2]);
}

TEST(EffectPanel, SlidersArmThePreviewTimerAndShowRoundedValues)
{
    StartedForm form;
    form.UpdatePreviewTimer.stop();
    form.TrackBar(2)->setValue(63.6);
    EXPECT_EQ(form.ParamLabelPc(2)->text(), QStringLiteral("64"));
    EXPECT_TRUE(form.UpdatePreviewTimer.isActive());
}

TEST(EffectPanel, ResetAllTouchesOnlyTheSelectedEffect)
{
    StartedForm form;
    ParamsSlot(form.Params, 300)->Value1 = 5;
    ParamsSlot(form.Params, 301)->Value2 = 99;
    form.TrackBar(1)->setValue(7);
    form.ParamsLabelDblClick();
    EXPECT_EQ(ParamsSlot(form.Params, 300)->Value1, 30);
    EXPECT_EQ(ParamsSlot(form.Params, 301)->Value2, 99) << "other effects keep their values";
    EXPECT_EQ(form.TrackBar(1)->value(), 30);
}

TEST(EffectPanel, ResetOneSliderLeavesTheTableUntilTheNextPreview)
{
    StartedForm form;
    for (int k = 1; k <= 5; ++k)
        form.TrackBar(k)->setValue(1);
    ParamsSlot(form.Params, 300)->Value3 = 1;
    form.ParamLabelDblClick(3);
    EXPECT_EQ(form.TrackBar(3)->value(), 40);
    EXPECT_EQ(form.TrackBar(2)->value(), 1);
    EXPECT_EQ(ParamsSlot(form.Params, 300)->Value3, 1);
}

TEST(EffectPanel, ExpandersOpenOneAtATime)
{
    StartedForm form;
    form.ExpanderClick(3);
    EXPECT_TRUE(form.Expanders[2]->isExpanded());
    EXPECT_EQ(form.Expanders[2]->expandedDesignHeight(), 30 * 9 + 25);
    form.ExpanderClick(5);
    EXPECT_TRUE(form.Expanders[4]->isExpanded());
    EXPECT_FALSE(form.Expanders[2]->isExpanded());
    form.ExpanderClick(5);
    EXPECT_FALSE(form.Expanders[4]->isExpanded()) << "clicking the open one closes it";
}

} // namespace
} // namespace pv

namespace pv {
namespace {

TEST(EffectPanel, ChoosingLUTsWithoutATableTakesTheFirstBuiltInOne)
{
    test::RecordingForm form;
    form.InitializeParameters();
    form.ListBoxItemClick(4, 4); // LUTs
    EXPECT_EQ(form.SelectedEffectNumber, 404);
    EXPECT_FALSE(form.FLUTData.isEmpty());
    EXPECT_FALSE(form.FLUTName.isEmpty());
    const TLUTSource chosen = form.ChosenLUT();
    EXPECT_EQ(chosen.Data, form.FLUTData);
    EXPECT_EQ(chosen.Name, form.FLUTName);

    // A table the user chose is kept when the effect is chosen again.
    form.FLUTData = QByteArray("LUT_3D_SIZE 2\n");
    form.FLUTName = QStringLiteral("mine");
    form.ListBoxItemClick(4, 4);
    EXPECT_EQ(form.FLUTName, QStringLiteral("mine"));
}

// The pixels of one row of a list that show exactly this colour.
int RowPixelsOf(TItemList* list, int row, QRgb colour)
{
    const QImage shot = list->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const int top = list->itemTop(row), bottom = list->itemTop(row + 1);
    int n = 0;
    for (int y = top; y < bottom && y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            n += (shot.pixel(x, y) | 0xFF000000u) == colour && qAlpha(shot.pixel(x, y)) == 255;
    return n;
}

TEST(EffectPanel, AHoveredEffectTakesTheThemesHoverColour)
{
    struct Case {
        bool light;
        QRgb hover;
    };
    for (const Case c : {Case{true, 0xFF61B9D2u}, Case{false, 0xFFFFFFFFu}}) {
        SCOPED_TRACE(c.light ? "light" : "dark");
        StartedForm form;
        form.resize(1400, 900);
        form.show();
        form.ApplyTheme(c.light);
        form.Expanders[0]->setExpanded(true, false);
        TItemList* list = form.ListBoxes[0];
        QCoreApplication::processEvents();
        test::SendMouse(list, QEvent::MouseMove, QPointF(DpI(40), list->itemTop(1) + DpI(15)), Qt::NoButton, Qt::NoButton);
        ASSERT_EQ(list->hoveredIndex(), 1);
        EXPECT_GT(RowPixelsOf(list, 1, c.hover), 0) << "the hovered item's text";
        EXPECT_EQ(RowPixelsOf(list, 2, c.hover), 0) << "an item at rest";
        form.ApplyTheme(false);
    }
}

} // namespace
} // namespace pv
