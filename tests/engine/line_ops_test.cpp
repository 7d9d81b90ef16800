#include <gtest/gtest.h>

#include "engine_test.h"

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "line_ops.h"
#include "options.h"
#include "pipeline.h"

namespace {

class LineOpsTest : public EngineTest {};

using LineCase = OptionCase;

// Every case joins with LF, so the expected texts stay readable.
TEST_F(LineOpsTest, OperationsThroughTheWholePipeline) {
    const LineCase cases[] = {
        {"trim zeros", [](auto& o) { o.FEL_TRIMLEFT_ZERO = true; }, L"007\n000\n0x0", L"7\n\nx0"},
        {"left set is mixed", [](auto& o) { o.FEL_TRIMLEFT = o.FEL_TRIMLEFT_ZERO = true; }, L" 0 5", L"5"},
        {"half-width trim keeps U+3000", [](auto& o) { o.FEL_TRIMLEFT = true; }, L"\x3000 a", L"\x3000 a"},
        {"all five left units", [](auto& o) {
             o.FEL_TRIMLEFT = o.FEL_TRIMLEFT_FPSPACE = o.FEL_TRIMLEFT_TAB = o.FEL_TRIMLEFT_ZERO = o.FEL_TRIMLEFT_FPZERO = true;
         }, L"\xFF10\t0\x3000 \xFF10x \t", L"x \t"},
        {"full-width zero alone", [](auto& o) { o.FEL_TRIMLEFT_FPZERO = true; }, L"\xFF10\xFF10" L"0\xFF11", L"0\xFF11"},
        {"left TAB only", [](auto& o) { o.FEL_TRIMLEFT_TAB = true; }, L"\t\t a\t", L" a\t"},
        {"right set", [](auto& o) { o.FEL_TRIMRIGHT = o.FEL_TRIMRIGHT_TAB = true; }, L"\ta \t \t\nb\x3000 ", L"\ta\nb\x3000"},
        {"right full-width only", [](auto& o) { o.FEL_TRIMRIGHT_FPSPACE = true; }, L"a\x3000\x3000\n \x3000 ", L"a\n \x3000 "},
        {"right trim has no zeros", [](auto& o) { o.FEL_TRIMRIGHT = true; }, L"100 ", L"100"},
        {"line of trim units empties", [](auto& o) { o.FEL_TRIMRIGHT = o.FEL_TRIMRIGHT_TAB = true; }, L" \t \nx", L"\nx"},
        {"sort by code unit", [](auto& o) { o.FEL_SORTASC = true; }, L"a\nB\n9\n10\n\xFF21\nA", L"10\n9\nA\nB\na\n\xFF21"},
        {"final break sorts first", [](auto& o) { o.FEL_SORTASC = true; }, L"b\na\n", L"\na\nb"},
        {"descending keeps empty last", [](auto& o) { o.FEL_SORTDSC = true; }, L"b\na\nc\n", L"c\nb\na\n"},
        {"prefix sorts first", [](auto& o) { o.FEL_SORTASC = true; }, L"abc\nab\nabcd\na", L"a\nab\nabc\nabcd"},
        {"units above U+7FFF are unsigned", [](auto& o) { o.FEL_SORTASC = true; },
         L"\xFFFF\n\xE000\n\xD800\xDC00\n\x8000\n\x7FFF", L"\x7FFF\n\x8000\n\xD800\xDC00\n\xE000\n\xFFFF"},
        {"uniq collapses runs", [](auto& o) { o.FEL_UNIQ = true; }, L"a\na\na\nb\na", L"a\nb\na"},
        {"uniq compares whole lines", [](auto& o) { o.FEL_UNIQ = true; }, L"ab\nab \nab\nab", L"ab\nab \nab"},
        {"sort and uniq drop every duplicate", [](auto& o) { o.FEL_SORTASC = o.FEL_UNIQ = true; },
         L"b\na\nb\nc\na\n", L"\na\nb\nc"},
        {"blank removal drops the final break", [](auto& o) { o.FEL_DELBLANKLINE = true; }, L"a\n\n\nb\n", L"a\nb"},
        {"blank removal keeps spaces", [](auto& o) { o.FEL_DELBLANKLINE = true; }, L" \n\t\n", L" \n\t"},
        {"only blank lines", [](auto& o) { o.FEL_DELBLANKLINE = true; }, L"\n\r\n\r", L""},
        {"TAB to 4", [](auto& o) { o.TAB4SPACE = true; }, L"a\tb\n\tx\nabcd\te", L"a   b\n    x\nabcd    e"},
        {"after two full-width units", [](auto& o) { o.TAB4SPACE = true; }, L"\x3042\x3044\tx", L"\x3042\x3044    x"},
        {"half-width katakana is one column", [](auto& o) { o.TAB8SPACE = true; }, L"\xFF71\t|", L"\xFF71       |"},
        {"full-width is two columns", [](auto& o) { o.TAB8SPACE = true; }, L"\x3042\t|", L"\x3042      |"},
        {"width edges", [](auto& o) { o.TAB8SPACE = true; }, L"\xFF\xFF60\xFF61\xFF9F\xFFA0\t|",
         L"\xFF\xFF60\xFF61\xFF9F\xFFA0 |"},
        {"surrogate pair is four columns", [](auto& o) { o.TAB8SPACE = true; }, L"\xD83D\xDE00\t|",
         L"\xD83D\xDE00    |"},
        {"consecutive TABs", [](auto& o) { o.TAB4SPACE = true; }, L"ab\t\tc", L"ab      c"},
        {"empty line untouched by all but removal", [](auto& o) {
             o.FEL_TRIMLEFT = o.FEL_TRIMRIGHT = o.FEL_UNIQ = o.TAB4SPACE = true;
         }, L"\n\na", L"\na"},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessingOptions = {};
        c.set(ProcessingOptions);
        ProcessingOptions.LC_LF = true;
        EXPECT_EQ(Run(c.input), c.expected);
    }
}

TEST_F(LineOpsTest, LineFeedCodes) {
    struct { bool lf, cr; std::wstring expected; } cases[] = {
        {false, false, L"a\r\nb\r\n\r\n\r\nc\r\n"},
        {true, false, L"a\nb\n\n\nc\n"},
        {false, true, L"a\rb\r\r\rc\r"},
        {true, true, L"a\r\nb\r\n\r\n\r\nc\r\n"},
    };
    for (const auto& c : cases) {
        ProcessingOptions = {};
        ProcessingOptions.LC_LF = c.lf;
        ProcessingOptions.LC_CR = c.cr;
        ProcessingOptions.FEL_TRIMRIGHT = true;  // keeps the stage on with neither code set
        EXPECT_EQ(Run(L"a\rb\n\n\r\nc \r\n"), c.expected) << c.lf << c.cr;  // LF LF is two breaks
    }
}

// Sorts `lines` both ways and checks them against the order of char16_t strings (unsigned units).
void ExpectSortedLikeUnsignedUnits(LineList lines) {
    std::vector<std::u16string> reference;
    for (std::size_t i = 0; i < lines.size(); ++i) reference.emplace_back(lines[i].begin(), lines[i].end());
    std::sort(reference.begin(), reference.end());
    const auto same = [](std::wstring_view line, const std::u16string& expected) {
        return std::equal(line.begin(), line.end(), expected.begin(), expected.end());
    };
    SortAscending(lines);
    ASSERT_EQ(lines.size(), reference.size());
    for (std::size_t i = 0; i < reference.size(); ++i) EXPECT_TRUE(same(lines[i], reference[i])) << i;
    SortDescending(lines);
    for (std::size_t i = 0; i < reference.size(); ++i) EXPECT_TRUE(same(lines[i], reference[reference.size() - 1 - i])) << i;
}

// Every length around the part of a line the sort keeps beside it, with a NUL (the lowest unit)
// or a high unit at each of those places, and the lines in scrambled order.
TEST_F(LineOpsTest, SortOrdersLinesBeyondTheirLeadingUnits) {
    const std::wstring base = L"abcdefghijklmnopqrst";
    std::vector<std::wstring> made;
    for (std::size_t length = 0; length <= base.size(); ++length) {
        const std::wstring prefix = base.substr(0, length);
        made.push_back(prefix);
        made.push_back(prefix + L'\0');
        made.push_back(prefix + L'\0' + L'a');
        made.push_back(prefix + static_cast<wchar_t>(0xFFFF));
        made.push_back(prefix + L'a');
    }
    std::mt19937 random(3);
    std::shuffle(made.begin(), made.end(), random);
    LineList lines;  // appended as views, since a literal in a braced list would end at its NUL
    for (const std::wstring& line : made) lines.Append(line);
    ExpectSortedLikeUnsignedUnits(lines);
}

// Random lines over a small alphabet, so long shared prefixes and duplicates are common.
TEST_F(LineOpsTest, SortAndUniqAgreeWithUnsignedUnitOrder) {
    std::mt19937 random(7);
    const wchar_t alphabet[] = {L'a', L'b', 0x00, 0x7FFF, 0x8000, 0xD800, 0xFFFF};
    LineList lines;
    std::vector<std::u16string> reference;
    for (int i = 0; i < 3000; ++i) {
        std::wstring line(random() % 20, L'a');
        for (wchar_t& c : line) c = alphabet[random() % std::size(alphabet)];
        lines.Append(line);
        reference.emplace_back(line.begin(), line.end());
    }
    ExpectSortedLikeUnsignedUnits(lines);
    SortAscending(lines);
    RemoveConsecutiveDuplicates(lines);
    std::sort(reference.begin(), reference.end());
    reference.erase(std::unique(reference.begin(), reference.end()), reference.end());
    ASSERT_EQ(lines.size(), reference.size());
    for (std::size_t i = 0; i < reference.size(); ++i)
        EXPECT_TRUE(std::equal(lines[i].begin(), lines[i].end(), reference[i].begin(), reference[i].end())) << i;
}

TEST_F(LineOpsTest, DisplayWidthBoundaries) {
    const std::pair<wchar_t, int> cases[] = {{0x00, 1}, {0xFF, 1},   {0x100, 2},  {0x3000, 2}, {0xFF60, 2},
                                             {0xFF61, 1}, {0xFF9F, 1}, {0xFFA0, 2}, {0xD800, 2}, {0xFFFF, 2}};
    for (const auto& [unit, width] : cases) EXPECT_EQ(DisplayWidth(unit), width) << static_cast<int>(unit);
}

TEST_F(LineOpsTest, OperationsWorkOnSpansOfOneBuffer) {
    // Trims leave units behind in the buffer; the later operations must see only the spans.
    ProcessingOptions.FEL_TRIMLEFT = true;
    LineList lines = SplitLines(L"  b\t\n  a\t\n a\t");
    TrimLeft(lines);
    SortAscending(lines);
    RemoveConsecutiveDuplicates(lines);
    ExpandTabs(lines, 4);
    std::wstring text;
    JoinLines(lines, text);
    EXPECT_EQ(text, L"a   \r\nb   ");
    JoinLines(lines, lines.text);  // joining into the list's own buffer
    EXPECT_EQ(lines.text, L"a   \r\nb   ");
}

}  // namespace
