#include <gtest/gtest.h>

#include "engine_test.h"

#include <functional>
#include <new>
#include <string>

#include "options.h"
#include "pipeline.h"
#include "table_stage.h"

namespace {

class TableStageTest : public EngineTest {};

using TableCase = OptionCase;

void Transpose(ProcessingOptionsRecord& o) { o.CSVTSV_CHANGEROWCOL = true; o.LC_LF = true; }
auto MultiplyBy(const wchar_t* factor) {
    return [factor](ProcessingOptionsRecord& o) { o.MUL_BY_N = factor; o.LC_LF = true; };
}

TEST_F(TableStageTest, TransposeAndSeparators) {
    const TableCase cases[] = {
        {"rectangular", Transpose, L"p,q,r\n1,2,3", L"p,1\nq,2\nr,3"},
        {"ragged rows get empty cells", Transpose, L"p,q,r\nx", L"p,x\nq,\nr,"},
        {"final break is a row of one empty cell", Transpose, L"p,q\nr,s\n", L"p,r,\nq,s,"},
        {"no separators gives one line", Transpose, L"p\nq\nr", L"p,q,r"},
        {"empty text", Transpose, L"", L""},
        {"quotes have no meaning", Transpose, L"\"a,b\",c", L"\"a\nb\"\nc"},
        {"TABs win when more", Transpose, L"p\tq\tr\ns,t", L"p\ts\nq\tt\nr\t"},
        {"tie gives comma", Transpose, L"p,q\nr\ts", L"p,r\nq,s"},
        {"empty cells kept", Transpose, L",,\na", L",a\n,\n,"},
        {"square table", Transpose, L"a,b\nc,d", L"a,c\nb,d"},
        {"multiply alone normalises separators", MultiplyBy(L"1.0"), L"p,q\nr\ts", L"p,q\nr,s"},
        {"more TABs, multiply alone", MultiplyBy(L"1.0"), L"p\tq\tr\ns,t", L"p\tq\tr\ns\tt"},
        {"transpose and multiply", [](auto& o) { Transpose(o); o.MUL_BY_N = L"2"; }, L"1,a\n3", L"2,6\na,"},
        {"TAB expansion after the table", [](auto& o) { Transpose(o); o.TAB4SPACE = true; }, L"ab\tc\nd\te\tf",
         L"ab  d\nc   e\n    f"},
        {"blank lines removed before the table", [](auto& o) { Transpose(o); o.FEL_DELBLANKLINE = true; },
         L"p,q\n\nr,s\n", L"p,r\nq,s"},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessingOptions = {};
        c.set(ProcessingOptions);
        EXPECT_EQ(Run(c.input), c.expected);
    }
}

struct CellCase {
    const wchar_t* factor;
    std::wstring cell;
    std::wstring expected;
};

TEST_F(TableStageTest, MultiplyRewritesNumericCells) {
    const CellCase cases[] = {
        {L"2", L"12", L"24"},
        {L"2", L"1.5", L"3"},
        {L"2", L"-4", L"-8"},
        {L"2", L"12kg", L"24"},
        {L"2", L" 7", L"14"},
        {L"2", L"abc", L"abc"},
        {L"2", L"0", L"0"},
        {L"2", L"0.0kg", L"0.0kg"},
        {L"2", L"", L""},
        {L"2", L"0x10", L"0x10"},
        {L"2", L"\xFF11\xFF12", L"\xFF11\xFF12"},
        {L"1.0", L"3.14159265", L"3.14159"},
        {L"1.0", L"007", L"7"},
        {L"01", L"5", L"5"},
        {L"0", L"5", L"0"},
        {L"0", L"-5", L"-0"},
        {L"10", L"123456", L"1.23456e+006"},
        {L"1.0", L"0.00001", L"1e-005"},
        {L"1.0", L"1234567", L"1.23457e+006"},
        {L"1.0", L"100000", L"100000"},
        {L"3", L"2.5", L"7.5"},
        {L"2", L"1d3", L"2000"},
        {L".5", L"3", L"1.5"},
        {L"1.0", L"1e308", L"1e+308"},
        {L"10", L"1e308", L"inf"},  // beyond the range of a double
        {L"10", L"-1e308", L"-inf"},
        {L"1.0", L"1e999", L"inf"},
        {L"0", L"1e999", L"1e999"},  // infinity times 0 has no value: the cell stays
        {L"2", L"inf", L"inf"},
        {L"1" L"00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
              L"00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
              L"00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
              L"000000000000000000000",
         L"2", L"inf"},  // a factor beyond the range of a double
    };
    for (const CellCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.factor) + L" x " + c.cell));
        ProcessingOptions = {};
        ProcessingOptions.MUL_BY_N = c.factor;
        EXPECT_EQ(Run(c.cell), c.expected);
    }
}

TEST_F(TableStageTest, OverflowTextIsStable) {
    ProcessingOptions.MUL_BY_N = L"10";
    const std::wstring once = Run(L"1e308,-1e308");
    EXPECT_EQ(once, L"inf,-inf");
    EXPECT_EQ(Run(once), once);
}

TEST_F(TableStageTest, SplitCellsCountsBothSeparators) {
    SeparatorCounts counts;
    EXPECT_EQ(SplitCells(L"a,\tb,", counts), (std::vector<std::wstring_view>{L"a", L"", L"b", L""}));
    EXPECT_EQ(SplitCells(L"", counts), (std::vector<std::wstring_view>{L""}));
    EXPECT_EQ(counts.commas, 2u);
    EXPECT_EQ(counts.tabs, 1u);
}

TEST_F(TableStageTest, RefusesATransposeOfAbsurdSize) {
    // 2^15 rows and a row of 2^14 cells would need 2^29 separators.
    std::wstring text(std::size_t{1} << 14, L',');
    text.append(std::size_t{1} << 15, L'\n');
    ProcessingOptions.CSVTSV_CHANGEROWCOL = true;
    std::wstring output;
    EXPECT_THROW(ProcessText(L"", text.c_str(), output), std::bad_alloc);
}

}  // namespace
