#include "FormFixture.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "workspace/canvas/CanvasView.h"

#include <QScrollArea>
#include <QScrollBar>
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

    // A theme walk maps fill and text colours by their kind, and back.
    form.SetLightMode(true);
    EXPECT_EQ(form.LeftPanelRect->fillColour(), 0xFFE5E5E5u);
    EXPECT_EQ(form.Button1->colour("font"), 0xFFEEF2F7u);
    EXPECT_EQ(form.Expanders[1]->colour("font"), 0xFF2A3744u);
    EXPECT_EQ(form.TitleLabel->fontColour(), 0xFF2A3744u);
    EXPECT_TRUE(form.moonsvg->isVisibleTo(&form));
    form.SetLightMode(false);
    EXPECT_EQ(form.LeftPanelRect->fillColour(), 0xFF1F2937u);
    EXPECT_EQ(form.Button1->colour("font"), 0xFF0C1624u);
    EXPECT_EQ(form.Expanders[1]->colour("font"), 0xFFD5D5D5u);
    EXPECT_EQ(form.TitleLabel->fontColour(), 0xFFFFFFFFu);
    EXPECT_TRUE(form.Sunsvg->isVisibleTo(&form));
}

TEST(MainWindowDesign, PanelShadowsLetTheMouseThrough)
{
    test::RecordingForm form;
    // The start-up maximises onto the (small) test screen.
    test::ShowRestored(form);
    form.resize(1400, 900);
    QCoreApplication::processEvents();
    // The open button sits within the left panel's shadow; the canvas's right
    // edge within the right panel's.
    const QPoint onOpen = form.SpeedButton1->mapTo(&form, form.SpeedButton1->rect().center());
    EXPECT_EQ(form.childAt(onOpen), form.SpeedButton1);
    const QPoint nearRightEdge = form.SkPaintBox1->mapTo(&form, QPoint(form.SkPaintBox1->width() - 4, 300));
    EXPECT_EQ(form.childAt(nearRightEdge), form.SkPaintBox1);
}

TEST(MainWindowDesign, ApplyStaysWithinReachInSmallWindows)
{
    test::RecordingForm form;
    form.InitializeParameters();
    form.setMinimumSize(0, 0);
    test::ShowRestored(form);
    struct Size {
        int w, h;
        bool scrolls;
    };
    // Mosaic, Circles and Triangles have the tallest panel; Oil painting an ordinary one.
    const std::pair<int, int> effects[] = {{5, 0}, {5, 2}, {5, 3}, {3, 0}};
    for (const Size size : {Size{1600, 1000, false}, Size{1080, 768, true}, Size{1024, 700, true}}) {
        form.resize(size.w, size.h);
        QCoreApplication::processEvents();
        for (const auto& [category, index] : effects) {
            SCOPED_TRACE(testing::Message() << size.w << "x" << size.h << ", effect " << category << "/" << index);
            form.ListBoxItemClick(category, index);
            QScrollArea* scroll = form.RightPanelScroll;
            scroll->verticalScrollBar()->setValue(0);
            scroll->ensureWidgetVisible(form.Button1, 0, 0);
            const QRect apply(form.Button1->mapTo(scroll->viewport(), QPoint(0, 0)), form.Button1->size());
            EXPECT_TRUE(scroll->viewport()->rect().contains(apply)) << "Apply can be brought into view";
            if (!size.scrolls) {
                EXPECT_EQ(scroll->verticalScrollBar()->value(), 0) << "no scrolling where everything fits";
                EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
            }
        }
    }
    form.ListBoxItemClick(5, 0);
    form.resize(1024, 700);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.RightPanelScroll->verticalScrollBar()->isVisible()) << "the panel shows that it scrolls";
}

TEST(MainWindowDesign, AWindowOfAnotherSizeShowsTheWholePictureAgain)
{
    test::RecordingForm form;
    test::ShowRestored(form);
    form.resize(1600, 1000);
    QCoreApplication::processEvents();
    ASSERT_TRUE(test::OpenFlatPicture(form, 640, 427));
    for (const QSize size : {QSize(1080, 768), QSize(1400, 900)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        form.resize(size);
        QCoreApplication::processEvents();
        const CanvasGeometry& g = form.SkPaintBox1->Geometry();
        const QSizeF canvas(form.SkPaintBox1->size());
        EXPECT_FLOAT_EQ(g.FZoomFactor, float(std::min(canvas.width() / 640, canvas.height() / 427)));
        const QRectF shown = g.ImageScreenRect().translated(-g.Scroll);
        EXPECT_GE(shown.left(), -0.5);
        EXPECT_GE(shown.top(), -0.5);
        EXPECT_LE(shown.right(), canvas.width() + 0.5);
        EXPECT_LE(shown.bottom(), canvas.height() + 0.5);
    }
}

} // namespace
} // namespace pv
