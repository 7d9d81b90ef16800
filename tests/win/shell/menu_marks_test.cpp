#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "commands.h"
#include "tray_menu.h"

namespace {

using Setter = std::function<void(ProcessingOptionsRecord&)>;

std::vector<ConversionTable> Tables(std::initializer_list<const wchar_t*> names) {
    std::vector<ConversionTable> tables;
    for (const wchar_t* name : names) tables.push_back({name, std::wstring(L"ラベル ") + name, {}});
    return tables;
}

// Every check mark follows its own option and no other.
TEST(MenuMarks, EachCheckFollowsItsOption) {
    struct Case {
        UINT command;
        Setter set;
    };
    const std::vector<Case> cases = {
        {IDM_WATCH_TOGGLE, [](auto& o) { o.CBWatchEnabled = false; }},
        {IDM_REGEX, [](auto& o) { o.REP_REP = true; }},
        {IDM_MULTIDIV, [](auto& o) { o.MultiDiv = true; }},
        {IDM_DEL_SPACE, [](auto& o) { o.DelSpace = true; }},
        {IDM_DEL_ENTER, [](auto& o) { o.DelEnter = true; }},
        {IDM_DEL_TAB, [](auto& o) { o.DelTab = true; }},
        {IDM_TRIM_LEFT, [](auto& o) { o.FEL_TRIMLEFT = true; }},
        {IDM_TRIM_LEFT_FPSPACE, [](auto& o) { o.FEL_TRIMLEFT_FPSPACE = true; }},
        {IDM_TRIM_LEFT_TAB, [](auto& o) { o.FEL_TRIMLEFT_TAB = true; }},
        {IDM_TRIM_LEFT_ZERO, [](auto& o) { o.FEL_TRIMLEFT_ZERO = true; }},
        {IDM_TRIM_LEFT_FPZERO, [](auto& o) { o.FEL_TRIMLEFT_FPZERO = true; }},
        {IDM_TRIM_RIGHT, [](auto& o) { o.FEL_TRIMRIGHT = true; }},
        {IDM_TRIM_RIGHT_FPSPACE, [](auto& o) { o.FEL_TRIMRIGHT_FPSPACE = true; }},
        {IDM_TRIM_RIGHT_TAB, [](auto& o) { o.FEL_TRIMRIGHT_TAB = true; }},
        {IDM_SORT_ASC, [](auto& o) { o.FEL_SORTASC = true; }},
        {IDM_SORT_DSC, [](auto& o) { o.FEL_SORTDSC = true; }},
        {IDM_UNIQ, [](auto& o) { o.FEL_UNIQ = true; }},
        {IDM_DEL_BLANK_LINE, [](auto& o) { o.FEL_DELBLANKLINE = true; }},
        {IDM_TAB4SPACE, [](auto& o) { o.TAB4SPACE = true; }},
        {IDM_TAB8SPACE, [](auto& o) { o.TAB8SPACE = true; }},
        {IDM_LC_LF, [](auto& o) { o.LC_LF = true; }},
        {IDM_LC_CR, [](auto& o) { o.LC_CR = true; }},
        {IDM_CSV_TRANSPOSE, [](auto& o) { o.CSVTSV_CHANGEROWCOL = true; }},
        {IDM_MULTIPLY, [](auto& o) { o.MUL_BY_N = L"2.5"; }},
        {IDM_CLEAN_MARKDOWN, [](auto& o) { o.CLN_MARKDOWN = true; }},
        {IDM_CLEAN_INVISIBLE, [](auto& o) { o.CLN_INVISIBLE = true; }},
        {IDM_CLEAN_SPACES, [](auto& o) { o.CLN_SPACES = true; }},
        {IDM_CLEAN_QUOTES, [](auto& o) { o.CLN_QUOTES = true; }},
        {IDM_CLEAN_UNWRAP, [](auto& o) { o.CLN_UNWRAP = true; }},
    };
    const MenuMarks defaults = ComputeMenuMarks(ProcessingOptionsRecord{}, {});
    for (const auto& c : cases) EXPECT_FALSE(defaults.IsChecked(c.command)) << c.command;
    for (const auto& c : cases) {
        ProcessingOptionsRecord options;
        c.set(options);
        const MenuMarks marks = ComputeMenuMarks(options, {});
        for (const auto& other : cases)
            EXPECT_EQ(marks.IsChecked(other.command), other.command == c.command) << c.command << " / " << other.command;
    }
}

// The normalisation is a radio group; any cleanup setting marks the submenu.
TEST(MenuMarks, NormalizationRadioAndCleanupSubmenu) {
    struct Case {
        Setter set;
        UINT item;
        bool submenu;
    };
    for (const Case& c : std::vector<Case>{{[](auto&) {}, IDM_NORMALIZE_NONE, false},
                                           {[](auto& o) { o.CLN_NORMALIZE = 1; }, IDM_NORMALIZE_NFC, true},
                                           {[](auto& o) { o.CLN_NORMALIZE = 2; }, IDM_NORMALIZE_NFKC, true},
                                           {[](auto& o) { o.CLN_UNWRAP = true; }, IDM_NORMALIZE_NONE, true},
                                           {[](auto& o) { o.CLN_QUOTES = true; }, IDM_NORMALIZE_NONE, true},
                                           {[](auto& o) { o.CLN_MARKDOWN = true; }, IDM_NORMALIZE_NONE, true}}) {
        ProcessingOptionsRecord options;
        c.set(options);
        const MenuMarks marks = ComputeMenuMarks(options, {});
        EXPECT_EQ(marks.normalizeItem, c.item);
        EXPECT_EQ(marks.cleanupSubmenu, c.submenu) << c.item;
    }
}

// Descending and 8 columns lose their mark while their stronger partner is on as well.
TEST(MenuMarks, PartnersShowOnlyTheOptionThatWins) {
    ProcessingOptionsRecord options;
    options.FEL_SORTASC = options.FEL_SORTDSC = true;
    options.TAB4SPACE = options.TAB8SPACE = true;
    const MenuMarks marks = ComputeMenuMarks(options, {});
    EXPECT_TRUE(marks.IsChecked(IDM_SORT_ASC));
    EXPECT_FALSE(marks.IsChecked(IDM_SORT_DSC));
    EXPECT_TRUE(marks.IsChecked(IDM_TAB4SPACE));
    EXPECT_FALSE(marks.IsChecked(IDM_TAB8SPACE));
}

TEST(MenuMarks, FileModeRadioAndSubmenu) {
    struct Case {
        int mode;
        UINT item;
        bool submenu;
    };
    for (const Case& c : std::vector<Case>{{0, IDM_FILES_NONE, false},
                                           {1, IDM_FILES_NAMES, true},
                                           {2, IDM_FILES_FULLPATHS, true},
                                           {7, IDM_FILES_NONE, true},
                                           {-1, IDM_FILES_NONE, true}}) {
        ProcessingOptionsRecord options;
        options.FileFolderCopy = c.mode;
        const MenuMarks marks = ComputeMenuMarks(options, {});
        EXPECT_EQ(marks.filesItem, c.item) << c.mode;
        EXPECT_EQ(marks.filesSubmenu, c.submenu) << c.mode;
    }
}

TEST(MenuMarks, ConversionRadioGoesToTheFirstTableOfThatName) {
    const auto tables = Tables({L"Kana", L"Wide", L"Kana"});
    struct Case {
        const wchar_t* selected;
        UINT item;
        bool submenu;
    };
    for (const Case& c : std::vector<Case>{{L"", IDM_CONVERT_NONE, false},
                                           {L"Kana", IDM_CONVERT_FIRST, true},
                                           {L"Wide", IDM_CONVERT_FIRST + 1, true},
                                           {L"wide", IDM_CONVERT_NONE, false},  // case counts
                                           {L"Gone", IDM_CONVERT_NONE, false}}) {
        ProcessingOptionsRecord options;
        options.StrConvID = c.selected;
        const MenuMarks marks = ComputeMenuMarks(options, tables);
        EXPECT_EQ(marks.conversionItem, c.item) << c.selected;
        EXPECT_EQ(marks.convertSubmenu, c.submenu) << c.selected;
    }
}

// Table 121 has no menu item: no item may carry the mark, yet the submenu says a conversion runs.
TEST(MenuMarks, TableBeyondTheMenuMarksNoItem) {
    std::vector<ConversionTable> tables;
    for (int i = 0; i < 150; ++i) tables.push_back({L"T" + std::to_wstring(i), L"", {}});
    ProcessingOptionsRecord options;
    options.StrConvID = L"T99";
    EXPECT_EQ(ComputeMenuMarks(options, tables).conversionItem, static_cast<UINT>(IDM_CONVERT_LAST));
    options.StrConvID = L"T120";
    const MenuMarks marks = ComputeMenuMarks(options, tables);
    EXPECT_EQ(marks.conversionItem, 0u);
    EXPECT_TRUE(marks.convertSubmenu);
}

TEST(MenuMarks, SubmenuMarksSumUpTheirItems) {
    struct Case {
        const char* name;
        Setter set;
        bool deleteMenu, lineMenu, csvMenu;
    };
    const std::vector<Case> cases = {
        {"none", [](auto&) {}, false, false, false},
        {"DelTab", [](auto& o) { o.DelTab = true; }, true, false, false},
        {"DelEnter", [](auto& o) { o.DelEnter = true; }, true, false, false},
        {"TRIMRIGHT_TAB", [](auto& o) { o.FEL_TRIMRIGHT_TAB = true; }, false, true, false},
        {"TRIMLEFT_FPZERO", [](auto& o) { o.FEL_TRIMLEFT_FPZERO = true; }, false, true, false},
        {"DELBLANKLINE", [](auto& o) { o.FEL_DELBLANKLINE = true; }, false, true, false},
        {"SORTDSC", [](auto& o) { o.FEL_SORTDSC = true; }, false, true, false},
        {"TAB8SPACE", [](auto& o) { o.TAB8SPACE = true; }, false, true, false},
        {"LC_CR", [](auto& o) { o.LC_CR = true; }, false, true, false},
        {"transpose", [](auto& o) { o.CSVTSV_CHANGEROWCOL = true; }, false, false, true},
        {"factor 1.0", [](auto& o) { o.MUL_BY_N = L"1.0"; }, false, false, true},
        {"empty factor", [](auto& o) { o.MUL_BY_N = L""; }, false, false, true},
        {"regex alone", [](auto& o) { o.REP_REP = true; }, false, false, false},
    };
    for (const auto& c : cases) {
        ProcessingOptionsRecord options;
        c.set(options);
        const MenuMarks marks = ComputeMenuMarks(options, {});
        EXPECT_EQ(marks.deleteSubmenu, c.deleteMenu) << c.name;
        EXPECT_EQ(marks.lineSubmenu, c.lineMenu) << c.name;
        EXPECT_EQ(marks.csvSubmenu, c.csvMenu) << c.name;
    }
}

}  // namespace
