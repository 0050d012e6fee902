#include "platform/widgets/NumberBox.h"

#include "WidgetEvents.h"
#include "platform/system/NumberText.h"

#include <QLineEdit>
#include <gtest/gtest.h>

#include <cmath>

namespace pv {
namespace {

struct ClampCase {
    double minimum, maximum;
    int decimals;
    double in, out;
};

TEST(NumberFormat, ClampRoundsToTheDecimalsAndHoldsTheRange)
{
    const ClampCase cases[] = {
        {0, 20000, 0, 1499.9999, 1500}, // a kept aspect ratio lands on the whole pixel
        {0, 20000, 0, -3, 0},
        {0, 20000, 0, 25000, 20000},
        {0, 20000, 0, std::nan(""), 0},
        {4, 400, 0, 24.4, 24},
        {0.1, 10, 2, 3.14159, 3.14},
        {0.1, 10, 2, 0.01, 0.1},
        {-50, 50, 1, -7.26, -7.3},
    };
    for (const ClampCase& c : cases) {
        const TNumberFormat f{c.minimum, c.maximum, c.decimals};
        EXPECT_DOUBLE_EQ(f.clamp(c.in), c.out) << c.in << " in " << c.minimum << ".." << c.maximum;
    }
}

TEST(NumberFormat, ParsesWithTheRegionalSeparatorAndRefusesOtherText)
{
    SetDecimalSeparator(QChar(','));
    EXPECT_EQ(TNumberFormat::parse(QStringLiteral(" 1,5 ")), 1.5);
    EXPECT_EQ(TNumberFormat::parse(QStringLiteral("1.5")), std::nullopt);
    EXPECT_EQ((TNumberFormat{0, 10, 2}.format(2.5)), QStringLiteral("2,5"));
    SetDecimalSeparator(QChar('.'));
    EXPECT_EQ(TNumberFormat::parse(QStringLiteral("-12")), -12);
    EXPECT_EQ(TNumberFormat::parse(QStringLiteral("12px")), std::nullopt);
    EXPECT_EQ(TNumberFormat::parse(QString()), std::nullopt);
    EXPECT_EQ((TNumberFormat{0, 10, 0}.format(7)), QStringLiteral("7"));
    SetDecimalSeparator(QChar());
}

class NumberBoxFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDecimalSeparator(QChar('.'));
        box.setRange(0, 1000);
        box.setValue(100);
        box.resize(120, 30);
        QObject::connect(&box, &TNumberBox::valueChanged, [this](double v) { changes.push_back(v); });
    }
    void TearDown() override { SetDecimalSeparator(QChar()); }
    void type(const QString& text) { box.editor()->setText(text); }

    TNumberBox box;
    std::vector<double> changes;
};

TEST_F(NumberBoxFixture, SetValueClampsShowsTheTextAndReportsOnlyChanges)
{
    box.setValue(5000);
    box.setValue(5000);
    box.setValue(12.6);
    EXPECT_EQ(changes, (std::vector<double>{1000, 13}));
    EXPECT_EQ(box.editText(), QStringLiteral("13"));
    EXPECT_EQ(box.intValue(), 13);
}

TEST_F(NumberBoxFixture, TypedTextIsReadBeforeItIsCommittedAndClampedWhenItIs)
{
    type(QStringLiteral("2500"));
    EXPECT_EQ(box.textValue(), 2500); // what a typing panel sees, range not applied yet
    EXPECT_EQ(box.value(), 100);
    box.commitText();
    EXPECT_EQ(box.value(), 1000);
    EXPECT_EQ(box.editText(), QStringLiteral("1000"));

    type(QStringLiteral("abc"));
    EXPECT_EQ(box.textValue(), 1000);
    box.commitText(); // not a number: the value stays and its text comes back
    EXPECT_EQ(box.editText(), QStringLiteral("1000"));
    EXPECT_EQ(changes, (std::vector<double>{1000}));
}

TEST_F(NumberBoxFixture, EnterCommitsAndArrowsStepFromTheTypedText)
{
    type(QStringLiteral("40"));
    test::Key(box.editor(), Qt::Key_Return);
    EXPECT_EQ(box.value(), 40);
    type(QStringLiteral("50"));
    test::Key(box.editor(), Qt::Key_Up);
    EXPECT_EQ(box.value(), 51);
    test::Key(box.editor(), Qt::Key_PageDown);
    EXPECT_EQ(box.value(), 41);
    box.setValue(0);
    test::Key(box.editor(), Qt::Key_Down);
    EXPECT_EQ(box.value(), 0);
}

TEST_F(NumberBoxFixture, StepButtonsAtTheEndsStepByTheIncrement)
{
    box.setStepButtons(true);
    box.setStep(5);
    test::Click(&box, {3, 15});
    EXPECT_EQ(box.value(), 95);
    test::Click(&box, {117, 15});
    test::Click(&box, {117, 15});
    EXPECT_EQ(box.value(), 105);
    test::Click(&box, {60, 15}); // the text itself
    EXPECT_EQ(box.value(), 105);
}

TEST_F(NumberBoxFixture, NarrowingTheRangeMovesTheValueIn)
{
    box.setRange(4, 50);
    EXPECT_EQ(box.value(), 50);
    box.setDecimals(2);
    box.setValue(3.333);
    EXPECT_EQ(box.value(), 4);
    box.setValue(7.777);
    EXPECT_DOUBLE_EQ(box.value(), 7.78);
    EXPECT_EQ(box.editText(), QStringLiteral("7.78"));
}

TEST_F(NumberBoxFixture, KeyReleasesAreReportedForTypingTimers)
{
    std::vector<int> keys;
    QObject::connect(&box, &TLineEdit::keyReleased, [&](int k) { keys.push_back(k); });
    test::Key(box.editor(), Qt::Key_7, Qt::NoModifier, QStringLiteral("7"));
    EXPECT_EQ(keys, (std::vector<int>{Qt::Key_7}));
}

} // namespace
} // namespace pv
