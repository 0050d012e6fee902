#include "platform/system/NumberText.h"

#include <gtest/gtest.h>

#include <optional>

namespace pv {
namespace {

TEST(NumberText, Integers)
{
    const std::vector<std::pair<const char*, std::optional<int>>> cases = {
        {"42", 42},           {"  -7", -7},         {"+3", 3},           {"$1F", 31},
        {"0x1f", 31},         {"-$10", -16},        {"$FFFFFFFF", -1},   {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<int>::min()},                {"2147483648", std::nullopt},
        {"$123456789", std::nullopt},                {"50.5", std::nullopt}, {"7 ", std::nullopt},
        {"", std::nullopt},   {"-", std::nullopt},  {"0x", std::nullopt}, {"1e3", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        int value = 12345;
        EXPECT_EQ(TryStrToInt(QString::fromLatin1(text), value), expected.has_value()) << text;
        EXPECT_EQ(value, expected.value_or(12345)) << text;
    }
}

TEST(NumberText, DecimalsWithTheRegionalSeparator)
{
    struct Case {
        char sep;
        const char* text;
        std::optional<float> expected;
    };
    const Case cases[] = {
        {'.', "1.5", 1.5f},    {'.', " -0.25 ", -0.25f}, {'.', "1e9", 1e9f},      {'.', ".5", 0.5f},
        {'.', "5.", 5.0f},     {'.', "1e-50", 0.0f},     {'.', "1,5", {}},        {'.', "1e99", {}},
        {'.', "inf", {}},      {'.', "nan", {}},         {'.', "1e", {}},         {'.', ".", {}},
        {',', "1,5", 1.5f},    {',', "1.5", {}},         {',', "-2,75E1", -27.5f},
    };
    for (const Case& c : cases) {
        SetDecimalSeparator(c.sep);
        float value = 99;
        EXPECT_EQ(TryStrToFloat(QString::fromLatin1(c.text), value), c.expected.has_value()) << c.text;
        EXPECT_FLOAT_EQ(value, c.expected.value_or(99)) << c.text;
    }
    SetDecimalSeparator(QChar());
}

TEST(NumberText, DecimalsWritten)
{
    SetDecimalSeparator(',');
    EXPECT_EQ(FormatDecimal(1.25, 2), u"1,25");
    EXPECT_EQ(FormatDecimal(1.0, 2), u"1");
    EXPECT_EQ(FormatDecimal(24.56, 1), u"24,6");
    EXPECT_EQ(FormatDecimal(-0.01, 1), u"0");
    SetDecimalSeparator('.');
    EXPECT_EQ(FormatDecimal(50, 1), u"50");
    EXPECT_EQ(FormatDecimal(0.5, 2), u"0.5");
    SetDecimalSeparator(QChar());
}

} // namespace
} // namespace pv
