#include "FormFixture.h"

#include "platform/system/Threads.h"
#include "platform/widgets/Label.h"
#include "workspace/preview/PreviewImage.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::FlatPicture;
using test::RecordingForm;

uint32_t gNow = 0;
uint32_t FakeTick() { return gNow; }

struct TickScope {
    TickScope() { SetTickSource(&FakeTick); }
    ~TickScope() { SetTickSource(nullptr); }
};

TEST(PreviewBox, OpeningShowsTheRegionAroundTheMiddle)
{
    RecordingForm form;
    EXPECT_EQ(form.PreviewBoxSize(), QSize(225, 225));
    ASSERT_TRUE(test::OpenFlatPicture(form, 1000, 800, 0xFF204060u));
    EXPECT_EQ(form.PreviewStartX, 400);
    EXPECT_EQ(form.PreviewStartY, 300);
    const QImage& shown = form.Image1->bitmap();
    ASSERT_EQ(shown.size(), QSize(225, 225));
    EXPECT_EQ(shown.pixel(112, 112), 0xFF204060u);
    EXPECT_EQ(form.Label22->text(), QStringLiteral("100%"));
}

TEST(PreviewBox, ZoomButtonsStopAtTheLimitsAndTheBarResets)
{
    RecordingForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 1000, 800));
    for (int i = 0; i < 12; ++i)
        form.zoominskvgClick();
    EXPECT_FLOAT_EQ(form.FPreviewZoomFactor, 5.0f);
    EXPECT_EQ(form.Label22->text(), QStringLiteral("500%"));
    EXPECT_TRUE(form.PreviewDebounceTimer.isActive());
    form.PreviewZoomRectClick();
    EXPECT_FLOAT_EQ(form.FPreviewZoomFactor, 1.0f);
    EXPECT_EQ(form.Label22->text(), QStringLiteral("100%"));
}

TEST(PreviewBox, DragMovesTheRegionAndAbandonsPreviewsAtMostEvery201Ms)
{
    TickScope clock;
    RecordingForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 1000, 800));
    gNow = 10000;
    int generation = form.FPreviewGeneration;
    form.Image1MouseDown({100, 100});
    EXPECT_EQ(form.FPreviewGeneration, ++generation);
    EXPECT_FALSE(form.UpdatePreviewTimer.isActive());

    form.Image1MouseMove({90, 95}, true);
    EXPECT_EQ(form.PreviewStartX, 410);
    EXPECT_EQ(form.PreviewStartY, 305);
    EXPECT_EQ(form.FPreviewGeneration, ++generation);
    EXPECT_TRUE(form.PreviewDebounceTimer.isActive());
    gNow += 200;
    form.Image1MouseMove({80, 95}, true);
    EXPECT_EQ(form.FPreviewGeneration, generation) << "within 201 ms";
    gNow += 1;
    form.Image1MouseMove({70, 95}, true);
    EXPECT_EQ(form.FPreviewGeneration, ++generation);
    form.Image1MouseMove({0, 0}, false);
    EXPECT_EQ(form.PreviewStartX, 430) << "moves only with the left button held";

    form.Image1MouseUp();
    EXPECT_FALSE(form.UpdatePreviewTimer.isActive()) << "the debounce will ask";
    form.PreviewDebounceTimerTimer();
    EXPECT_FALSE(form.PreviewDebounceTimer.isActive());
    EXPECT_EQ(form.FPreviewGeneration, ++generation);
    EXPECT_TRUE(form.UpdatePreviewTimer.isActive());
}

TEST(PreviewBox, ReleaseWithoutDragAsksForAPreview)
{
    RecordingForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 300));
    form.Image1MouseDown({10, 10});
    form.Image1MouseUp();
    EXPECT_TRUE(form.UpdatePreviewTimer.isActive());
}

TEST(PreviewBox, PreviewPicturesAndPercentage)
{
    RecordingForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 300));
    form.ShowPreviewBox(FlatPicture(100, 80, 0xFFFFFFFFu), 40);
    EXPECT_EQ(form.Image1->bitmap().size(), QSize(100, 80));
    EXPECT_TRUE(form.PreviewPC->isVisibleTo(form.Image1));
    EXPECT_EQ(form.PreviewPC->text(), QStringLiteral("40%"));
    EXPECT_EQ(form.Image1->ringPercent(), 40);
    form.ShowPreviewBox(FlatPicture(100, 80), 101);
    EXPECT_FALSE(form.PreviewPC->isVisibleTo(form.Image1));
}

} // namespace
} // namespace pv
