#include <gtest/gtest.h>

#include "engine_test.h"

#include <functional>

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
