#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "decimal_number.h"

namespace {

struct ReadCase {
    std::wstring text;
    double value;
};

TEST(DecimalNumber, ReadsTheLongestDecimalPrefix) {
    const ReadCase cases[] = {
        {L"12", 12},          {L"  7", 7},          {L"\v\f\r\n 3", 3},     {L"+4.5", 4.5},
        {L"-4", -4},          {L".5", 0.5},         {L"5.", 5},             {L"12kg", 12},
        {L"1d3", 1000},       {L"1D3", 1000},       {L"2e-2", 0.02},        {L"2E+2", 200},
        {L"1e", 1},           {L"1e+", 1},          {L"1ex", 1},            {L"1.5.5", 1.5},
        {L"0x10", 0},         {L"inf", 0},          {L"nan", 0},            {L"abc", 0},
        {L"", 0},             {L".", 0},            {L"-", 0},              {L"+.e1", 0},
        {L"\x3000" L"5", 0},  {L"\xFF11", 0},       {L"1\xFF11", 1},        {L"--1", 0},
        {L"007", 7},          {L"0.000", 0},        {L"1,5", 1},            {L"3 4", 3},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(ReadDecimalNumber(c.text), c.value);
    }
}

TEST(DecimalNumber, RoundsCorrectlyWhereShortcutsFail) {
    // Each needs more than a double's precision in the intermediate steps.
    EXPECT_EQ(ReadDecimalNumber(L"0.1"), 0.1);
    EXPECT_EQ(ReadDecimalNumber(L"9007199254740993"), 9007199254740992.0);  // tie, to even
    EXPECT_EQ(ReadDecimalNumber(L"9007199254740995"), 9007199254740996.0);  // tie, to even
    EXPECT_EQ(ReadDecimalNumber(L"9007199254740993.0000000000000000001"), 9007199254740994.0);
    EXPECT_EQ(ReadDecimalNumber(L"2.2250738585072011e-308"), 2.2250738585072011e-308);
    EXPECT_EQ(ReadDecimalNumber(L"2.2250738585072012e-308"), 2.2250738585072014e-308);
    EXPECT_EQ(ReadDecimalNumber(L"1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(ReadDecimalNumber(L"4.9406564584124654e-324"), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(ReadDecimalNumber(L"123456789012345678901234567890"), 1.2345678901234568e29);
    EXPECT_EQ(ReadDecimalNumber(L"0.000000000000000000000000000001234"), 1.234e-30);
    // A digit far beyond the 800 kept ones still decides a tie.
    EXPECT_EQ(ReadDecimalNumber(L"9007199254740993." + std::wstring(1000, L'0') + L"1"), 9007199254740994.0);
}

TEST(DecimalNumber, OutOfRangeValues) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ReadDecimalNumber(L"1e309"), inf);
    EXPECT_EQ(ReadDecimalNumber(L"-1e99999999999999999999"), -inf);
    EXPECT_EQ(ReadDecimalNumber(L"1.7976931348623159e308"), inf);  // past the midpoint above the largest
    EXPECT_EQ(ReadDecimalNumber(L"1e-400"), 0);
    EXPECT_EQ(ReadDecimalNumber(L"2.4703282292062327e-324"), 0);  // at half the smallest: tie to 0
    EXPECT_EQ(ReadDecimalNumber(L"2.4703282292062328e-324"), std::numeric_limits<double>::denorm_min());
    EXPECT_TRUE(std::signbit(ReadDecimalNumber(L"-0")));
    EXPECT_EQ(ReadDecimalNumber(std::wstring(5000, L'9')), inf);
    EXPECT_EQ(ReadDecimalNumber(L"0." + std::wstring(5000, L'0') + L"1"), 0);
}

struct FormatCase {
    double value;
    std::wstring text;
};

TEST(DecimalNumber, FormatsLikePercentGWithThreeExponentDigits) {
    const FormatCase cases[] = {
        {7.5, L"7.5"},
        {1234560, L"1.23456e+006"},
        {0.00001, L"1e-005"},
        {0.0001, L"0.0001"},
        {0.00012345678, L"0.000123457"},
        {1234567, L"1.23457e+006"},
        {100000, L"100000"},
        {999999.5, L"1e+006"},
        {999999.4, L"999999"},
        {3.14159265, L"3.14159"},
        {-8, L"-8"},
        {0, L"0"},
        {-0.0, L"-0"},
        {1e100, L"1e+100"},
        {1.5e-300, L"1.5e-300"},
        {std::numeric_limits<double>::max(), L"1.79769e+308"},
        {std::numeric_limits<double>::denorm_min(), L"4.94066e-324"},
        {1234565, L"1.23456e+006"},  // exact tie: to even
        {1234575, L"1.23458e+006"},
        {0.1 + 0.2, L"0.3"},
        {123456, L"123456"},
        {12.5, L"12.5"},
        {std::numeric_limits<double>::infinity(), L"inf"},
        {-std::numeric_limits<double>::infinity(), L"-inf"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(FormatGeneral(c.value), c.text);
    }
}

TEST(DecimalNumber, FormattedTextReadsBackToTheRoundedValue) {
    for (double value : {1.0 / 3, 2.0 / 3e10, 123.456e200, 5e-310, 65536.0 * 65536.0}) {
        SCOPED_TRACE(value);
        const double back = ReadDecimalNumber(FormatGeneral(value));
        EXPECT_NEAR(back / value, 1.0, 5e-6);
    }
}

}  // namespace
