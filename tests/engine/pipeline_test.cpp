#include <gtest/gtest.h>

#include "engine_test.h"

#include <functional>
#include <iterator>
#include <random>

#include "line_ops.h"
#include "options.h"
#include "pending_notification.h"
#include "pipeline.h"

namespace {

class PipelineTest : public EngineTest {};

using PipelineCase = OptionCase;

TEST_F(PipelineTest, StageOrderAndSkipConditions) {
    const PipelineCase cases[] = {
        {"no option leaves text alone", [](auto&) {}, L"a\nb\r\rc\t ", L"a\nb\r\rc\t "},
        {"empty input with line stage", [](auto& o) { o.LC_LF = true; }, L"", L""},
        {"CR LF to LF", [](auto& o) { o.LC_LF = true; }, L"a\r\nb\r\n", L"a\nb\n"},
        {"LF CR is two breaks", [](auto& o) { o.FEL_UNIQ = true; }, L"a\n\rb", L"a\r\n\r\nb"},
        {"every break to CR", [](auto& o) { o.LC_CR = true; }, L"p\rq\nr\r\ns", L"p\rq\rr\rs"},
        {"both LF and CR give CR LF", [](auto& o) { o.LC_LF = o.LC_CR = true; }, L"p\nq\rr", L"p\r\nq\r\nr"},
        {"MUL_BY_N 1 skips the line stage", [](auto& o) { o.MUL_BY_N = L"1"; }, L"a\nb", L"a\nb"},
        {"DelEnter before sort", [](auto& o) { o.DelEnter = o.FEL_SORTASC = true; }, L"b\r\na\nc", L"bac"},
        {"DelSpace keeps U+3000", [](auto& o) { o.DelSpace = true; }, L"a\x3000" L"b", L"a\x3000" L"b"},
        {"DelSpace removes runs", [](auto& o) { o.DelSpace = true; }, L"  a  b ", L"ab"},
        {"DelTab only", [](auto& o) { o.DelTab = true; }, L"\ta \t\tb\v\f", L"a b\v\f"},
        {"DelEnter removes lone CR and LF", [](auto& o) { o.DelEnter = true; }, L"a\rb\nc\r\n", L"abc"},
        {"all three deletions", [](auto& o) { o.DelSpace = o.DelEnter = o.DelTab = true; },
         L" a\t\r\n\xA0", L"a\xA0"},
        {"both sorts give descending", [](auto& o) { o.FEL_SORTASC = o.FEL_SORTDSC = true; }, L"b\na\nc",
         L"c\r\nb\r\na"},
        {"trim then blank-line removal", [](auto& o) { o.FEL_TRIMLEFT = o.FEL_DELBLANKLINE = true; },
         L"  \n x\n", L"x"},
        {"TAB4SPACE wins over TAB8SPACE", [](auto& o) { o.TAB4SPACE = o.TAB8SPACE = true; }, L"a\tb",
         L"a   b"},
        {"unknown conversion leaves text", [](auto&) {}, L"abc", L"abc"},
    };
    for (const PipelineCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessingOptions = {};
        c.set(ProcessingOptions);
        EXPECT_EQ(Run(c.input, L"NoSuchTable"), c.expected);
    }
}

TEST_F(PipelineTest, InputEndsAtFirstNul) {
    ProcessingOptions.LC_LF = true;
    const wchar_t input[] = L"a\r\nb\0c\r\n";
    std::wstring output;
    ProcessText(L"", input, output);
    EXPECT_EQ(output, L"a\nb");
}

TEST_F(PipelineTest, OutputIsReplacedNotAppended) {
    EXPECT_EQ(Run(L"x"), L"x");
    EXPECT_EQ(Run(L""), L"");
}

TEST_F(PipelineTest, LineStageReadsInputHeldInTheOutput) {
    ProcessingOptions.FEL_SORTASC = ProcessingOptions.LC_LF = true;
    std::wstring text = L"b\r\na\r\n";
    ProcessText(L"", text.c_str(), text);
    EXPECT_EQ(text, L"\na\nb");
    text = L"xx b\na";
    ProcessText(L"", text.c_str() + 3, text);  // from inside the buffer, not its start
    EXPECT_EQ(text, L"a\nb");
}

// Without a table stage the line stage writes its result in one step; it must give what the list
// operations give one after the other, for every mixture of the options it covers.
TEST_F(PipelineTest, LineStageAgreesWithTheListOperationsStepByStep) {
    const wchar_t pieces[][3] = {L"a", L"b", L"\t", L" ", L"\r\n", L"\n", L"\r", L"\x3042", L"\xFF71", L"0"};
    std::mt19937 random(11);
    for (int round = 0; round < 400; ++round) {
        std::wstring input;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) input += pieces[random() % std::size(pieces)];
        const unsigned bits = static_cast<unsigned>(random());
        ProcessingOptions = {};
        ProcessingOptionsRecord& o = ProcessingOptions;
        o.FEL_TRIMLEFT = bits & 1;
        o.FEL_TRIMRIGHT_TAB = bits & 2;
        o.FEL_SORTASC = bits & 4;
        o.FEL_SORTDSC = bits & 8;
        o.FEL_UNIQ = bits & 16;
        o.FEL_DELBLANKLINE = bits & 32;
        o.TAB4SPACE = bits & 64;
        o.TAB8SPACE = bits & 128;
        o.LC_LF = bits & 256;
        o.LC_CR = bits & 512;
        if (!(bits & 1023)) o.LC_LF = true;  // keeps the stage on

        LineList lines = SplitLines(input);
        if (o.FEL_TRIMLEFT) TrimLeft(lines);
        if (o.FEL_TRIMRIGHT_TAB) TrimRight(lines);
        if (o.FEL_SORTASC) SortAscending(lines);
        if (o.FEL_SORTDSC) SortDescending(lines);
        if (o.FEL_UNIQ) RemoveConsecutiveDuplicates(lines);
        if (o.FEL_DELBLANKLINE) RemoveEmptyLines(lines);
        if (o.TAB4SPACE || o.TAB8SPACE) ExpandTabs(lines, o.TAB4SPACE ? 4 : 8);
        std::wstring expected;
        JoinLines(lines, expected);
        ASSERT_EQ(Run(input), expected) << "round " << round << ", options " << bits;
    }
}

struct SplitCase {
    std::wstring text;
    LineList lines;
};

TEST(LineModel, SplitLinesCountsEveryBreakKind) {
    const SplitCase cases[] = {
        {L"", {L""}},
        {L"a", {L"a"}},
        {L"\r\n", {L"", L""}},
        {L"\n\r", {L"", L"", L""}},
        {L"a\rb\nc\r\nd", {L"a", L"b", L"c", L"d"}},
        {L"a\r\r\n", {L"a", L"", L""}},
        {L"a\n\n", {L"a", L"", L""}},
        {L"\r\n\r\n", {L"", L"", L""}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(SplitLines(c.text), c.lines);
    }
}

TEST(LineModel, JoinPutsSeparatorBetweenLinesOnly) {
    ProcessingOptions = {};
    std::wstring text = L"old";
    JoinLines({L"", L"a", L""}, text);
    EXPECT_EQ(text, L"\r\na\r\n");
    JoinLines({L""}, text);
    EXPECT_EQ(text, L"");
    ProcessingOptions.LC_CR = true;
    JoinLines({L"a", L"b"}, text);
    EXPECT_EQ(text, L"a\rb");
    ProcessingOptions = {};
}

TEST(LineModel, SplitThenJoinRoundTripsCrLfText) {
    ProcessingOptions = {};
    const std::wstring text = L"one\r\ntwo\r\n\r\nthree\r\n";
    std::wstring joined;
    JoinLines(SplitLines(text), joined);
    EXPECT_EQ(joined, text);
}

}  // namespace
