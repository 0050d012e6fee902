#include "platform/widgets/ColourPicker.h"

#include "WidgetEvents.h"
#include "platform/widgets/LineEdit.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(ColourMath, HsvaGivesTheKnownColours)
{
    struct Case {
        THsva in;
        TAlphaColor out;
    };
    const Case cases[] = {
        {{0, 1, 1, 1}, 0xFFFF0000u},      {{120, 1, 1, 1}, 0xFF00FF00u}, {{240, 1, 1, 0.5}, 0x800000FFu},
        {{60, 1, 1, 0}, 0x00FFFF00u},     {{360, 1, 1, 1}, 0xFFFF0000u}, {{30, 0.5, 0.5, 1}, 0xFF806040u},
        {{200, 0, 0.75, 1}, 0xFFBFBFBFu}, {{300, 1, 0, 1}, 0xFF000000u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HsvaToColour(c.in), c.out) << c.in.h << " " << c.in.s << " " << c.in.v << " " << c.in.a;
}

TEST(ColourMath, EveryByteColourSurvivesTheRoundTrip)
{
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 7) {
                const TAlphaColor c = TAlphaColor(0x7Fu << 24 | r << 16 | g << 8 | b);
                ASSERT_EQ(HsvaToColour(ColourToHsva(c)), c) << std::hex << c;
            }
}

TEST(ColourMath, GreysAndBlackKeepTheHueAndSaturationTheyCameFrom)
{
    const THsva chosen{210, 0.8, 0.9, 1};
    const THsva grey = ColourToHsva(0xFF808080u, chosen);
    EXPECT_EQ(grey.h, 210);
    EXPECT_EQ(grey.s, 0);
    const THsva black = ColourToHsva(0xFF000000u, chosen);
    EXPECT_EQ(black.h, 210);
    EXPECT_EQ(black.s, 0.8);
    EXPECT_EQ(black.v, 0);
}

TEST(ColourMath, HexTextIsReadInItsThreeFormsAndWrittenBack)
{
    const TAlphaColor current = 0x40123456u;
    struct Case {
        const char* text;
        std::optional<TAlphaColor> out;
    };
    const Case cases[] = {
        {"#FF0000FF", 0xFF0000FFu}, {"  $80ff8000 ", 0x80FF8000u}, {"00ff00", 0x4000FF00u},
        {"#f80", 0x40FF8800u},      {"#12345", std::nullopt},      {"#GG0000", std::nullopt},
        {"", std::nullopt},         {"#+12345", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseHexColour(QString::fromLatin1(c.text), current), c.out) << c.text;
    EXPECT_EQ(FormatHexColour(0xFF00A0FFu), QStringLiteral("#00A0FF"));
    EXPECT_EQ(FormatHexColour(0x0A000001u), QStringLiteral("#0A000001"));
}

class PickerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        picker.resize(picker.sizeHint());
        picker.setColour(0xFFFF0000u);
        QObject::connect(&picker, &TColourPicker::colourChanged, [this](TAlphaColor c) { seen.push_back(c); });
    }
    TColourPicker picker;
    std::vector<TAlphaColor> seen;
};

TEST_F(PickerFixture, DraggingEachPartReportsEveryChangeAlphaIncluded)
{
    const QRectF al = picker.alphaRect();
    test::Press(&picker, {al.left() + al.width() / 2, al.center().y()});
    test::Move(&picker, {al.left(), al.center().y()}, Qt::LeftButton);
    test::Release(&picker, {al.left() - 30, al.center().y()}); // past the end: clamped
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0] >> 24, 0x80u);
    EXPECT_EQ(seen[1], 0x00FF0000u);

    const QRectF hue = picker.hueRect();
    test::Click(&picker, {hue.left() + hue.width() / 3, hue.center().y()});
    EXPECT_EQ(seen.back(), 0x0000FF00u);

    const QRectF sq = picker.squareRect();
    test::Click(&picker, {sq.left(), sq.bottom()}); // black keeps the hue for the next drag
    EXPECT_EQ(seen.back(), 0x00000000u);
    EXPECT_NEAR(picker.hsva().h, 120, 1);
    EXPECT_EQ(picker.hexField()->editText(), QStringLiteral("#00000000"));
}

TEST_F(PickerFixture, TypedHexIsTakenAsSoonAsItParses)
{
    QLineEdit* e = picker.hexField()->editor();
    e->setText(QString());
    for (QChar ch : QStringLiteral("#00ff0080"))
        test::Key(e, 0, Qt::NoModifier, QString(ch));
    // "#00f" and "#00ff00" already parse (keeping the alpha), then the full form wins.
    EXPECT_EQ(seen, (std::vector<TAlphaColor>{0xFF0000FFu, 0xFF00FF00u, 0x00FF0080u}));
    EXPECT_EQ(picker.colour(), 0x00FF0080u);
}

TEST_F(PickerFixture, ProgramColoursRaiseNothingAndWithoutAlphaStayOpaque)
{
    picker.setColour(0x80102030u);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(picker.hexField()->editText(), QStringLiteral("#80102030"));
    picker.setAlphaShown(false);
    EXPECT_EQ(picker.colour(), 0xFF102030u);
    EXPECT_TRUE(picker.alphaRect().isEmpty());
}

TEST(ColourSwatch, OpensThePickerAndPassesItsChangesOn)
{
    QWidget window;
    window.resize(400, 400);
    auto* swatch = new TColourSwatch(&window);
    swatch->setGeometry(10, 10, 26, 26);
    swatch->setColour(0xFF000000u);
    window.show();
    std::vector<TAlphaColor> seen;
    QObject::connect(swatch, &TColourSwatch::colourChanged, [&](TAlphaColor c) { seen.push_back(c); });
    test::Click(swatch, {5, 5});
    TColourPicker* picker = swatch->picker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->colour(), 0xFF000000u);
    const QRectF sq = picker->squareRect();
    test::Click(picker, {sq.right() - 0.01, sq.top()});
    EXPECT_EQ(swatch->colour(), 0xFFFF0000u);
    EXPECT_EQ(seen, (std::vector<TAlphaColor>{0xFFFF0000u}));
    test::Press(&window, {390, 390});
    EXPECT_FALSE(swatch->isPickerOpen());
}

} // namespace
} // namespace pv
