#include "platform/widgets/Button.h"
#include "platform/widgets/SvgIcon.h"

#include <QImage>
#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(SvgIcon, ARoundClipLeavesTheCornersClearAndTheMiddleDrawn)
{
    TSvgIcon icon;
    icon.setSvgData("<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                    "<rect width='10' height='10' fill='#ff0000'/></svg>");
    icon.setOverrideColour(0);
    for (bool round : {false, true}) {
        icon.setRoundClip(round);
        const QImage img = icon.render({100, 100});
        EXPECT_EQ(qAlpha(img.pixel(50, 50)), 255);
        EXPECT_EQ(qAlpha(img.pixel(50, 2)), 255); // the circle touches the edge's middle
        EXPECT_EQ(qAlpha(img.pixel(3, 3)), round ? 0 : 255) << round;
        EXPECT_EQ(qAlpha(img.pixel(96, 96)), round ? 0 : 255) << round;
    }
}

// The leftmost column where the caption left ink.
int FirstInkColumn(TButton& b)
{
    const QImage img = b.grab().toImage();
    const int mid = img.height() / 2;
    const QRgb fill = img.pixel(img.width() / 2, 2);
    for (int x = 2; x < img.width() - 2; ++x)
        for (int y = mid - 5; y <= mid + 5; ++y)
            if (img.pixel(x, y) != fill)
                return x;
    return -1;
}

TEST(Button, ALeftAlignedCaptionStartsAtTheLeftEdge)
{
    TButton b(QStringLiteral("Ok"), TButton::Look::Primary);
    b.resize(200, 30);
    const int centred = FirstInkColumn(b);
    EXPECT_GT(centred, 80);
    b.setTextAlignment(Qt::AlignLeft);
    EXPECT_EQ(b.textAlignment(), Qt::AlignLeft);
    const int left = FirstInkColumn(b);
    EXPECT_GE(left, 2);
    EXPECT_LT(left, 20);
}

} // namespace
} // namespace pv
