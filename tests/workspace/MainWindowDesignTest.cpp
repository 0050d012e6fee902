#include "FormFixture.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/ItemList.h"
#include "workspace/CanvasView.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(MainWindowDesign, WalksReachEveryControlByNameColourAndText)
{
    test::RecordingForm form;
    const std::vector<TControl*> controls = ControlsUnder(&form);
    ASSERT_GT(controls.size(), 40u);
    for (TControl* c : controls)
        EXPECT_FALSE(c->widget()->objectName().isEmpty()) << c->widget()->metaObject()->className();

    EXPECT_EQ(form.Button1->sourceText(), QStringLiteral("Apply effect"));
    EXPECT_EQ(form.Expanders[0]->sourceText(), QStringLiteral("      Sketch && Drawing"));
    EXPECT_EQ(ExpanderCaptionShown(form.Expanders[0]->text()), QStringLiteral("Sketch & Drawing"));
    EXPECT_EQ(form.ListBoxes[2]->sourceItems().size(), 9);

    // A theme walk maps fill and text colours by their kind.
    for (TControl* c : controls)
        c->remapColours([](TAlphaColor) { return 0xFF000001u; }, [](TAlphaColor) { return 0xFF000002u; });
    EXPECT_EQ(form.Button1->colour("fill"), 0xFF000001u);
    EXPECT_EQ(form.Button1->colour("font"), 0xFF000002u);
    EXPECT_EQ(form.Expanders[1]->colour("font"), 0xFF000002u);
}

TEST(MainWindowDesign, PanelShadowsLetTheMouseThrough)
{
    test::RecordingForm form;
    form.resize(1400, 900);
    form.show();
    QCoreApplication::processEvents();
    // The open button sits within the left panel's shadow; the canvas's right
    // edge within the right panel's.
    const QPoint onOpen = form.SpeedButton1->mapTo(&form, form.SpeedButton1->rect().center());
    EXPECT_EQ(form.childAt(onOpen), form.SpeedButton1);
    const QPoint nearRightEdge = form.SkPaintBox1->mapTo(&form, QPoint(form.SkPaintBox1->width() - 4, 300));
    EXPECT_EQ(form.childAt(nearRightEdge), form.SkPaintBox1);
}

} // namespace
} // namespace pv
