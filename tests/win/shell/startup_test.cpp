#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "conversion.h"
#include "options.h"
#include "pipeline.h"
#include "startup.h"
#include "windows_system.h"

namespace {

TEST(ProgramFolder, IsCutAtTheLastBackslashKeepingADriveRoot) {
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
    };
    for (const Case& c : std::vector<Case>{{L"C:\\Tools\\x.exe", L"C:\\Tools"},
                                           {L"C:\\x.exe", L"C:\\"},
                                           {L"C:\\a\\b\\Nuvela.exe", L"C:\\a\\b"},
                                           {L"\\\\server\\share\\n.exe", L"\\\\server\\share"},
                                           {L"x.exe", L""},
                                           {L"\\x.exe", L""},
                                           {L"", L""}})
        EXPECT_EQ(ProgramFolderOf(c.path), c.folder) << c.path;
}

TEST(IniProgramName, EndsInUnderscoreOExeInEitherCase) {
    struct Case {
        const wchar_t* path;
        bool ini;
    };
    for (const Case& c : std::vector<Case>{{L"C:\\t\\tool_o.exe", true},
                                           {L"C:\\t\\tool_O.EXE", true},
                                           {L"C:\\t\\Nuvela_o.Exe", true},
                                           {L"C:\\t\\tool_o.exe.bak", false},
                                           {L"C:\\t\\tool-o.exe", false},
                                           {L"C:\\t\\tool_o_exe", false},
                                           {L"C:\\t\\toolo.exe", false},
                                           {L"C:\\t\\tool_0.exe", false},
                                           {L"C:_o.exe", true},  // eight characters
                                           {L"C_o.exe", false},   // seven are not enough
                                           {L"_o.exe", false}})
        EXPECT_EQ(IsIniProgramName(c.path), c.ini) << c.path;
}

struct CleanStartCase {
    const char* name;
    std::function<void(ProcessingOptionsRecord&)> set;
    const wchar_t* text;  // a text the option changes
};

std::wstring Processed(const std::wstring& text) {
    std::wstring output;
    ProcessText(ProcessingOptions.StrConvID.c_str(), text.c_str(), output);
    return output;
}

// Judged by what the pipeline does: each text conversion no longer changes its text, each of the
// other stages still changes its own.
TEST(CleanStart, SwitchesTheTextConversionsOffAndKeepsTheRest) {
    ConversionSet = {{L"Swap", L"", {ConversionPair{L"a", L"b"}}}};
    const std::vector<CleanStartCase> switchedOff = {
        {"DelSpace", [](auto& o) { o.DelSpace = true; }, L"a b"},
        {"DelEnter", [](auto& o) { o.DelEnter = true; }, L"x\r\ny"},
        {"DelTab", [](auto& o) { o.DelTab = true; }, L"x\ty"},
        {"REP_REP", [](auto& o) { o.REP_REP = true; o.REP_BEFORE = L"x"; o.REP_AFTER = L"y"; }, L"x"},
        {"FEL_TRIMLEFT", [](auto& o) { o.FEL_TRIMLEFT = true; }, L" x"},
        {"FEL_TRIMLEFT_FPSPACE", [](auto& o) { o.FEL_TRIMLEFT_FPSPACE = true; }, L"\x3000x"},
        {"FEL_TRIMLEFT_TAB", [](auto& o) { o.FEL_TRIMLEFT_TAB = true; }, L"\tx"},
        {"FEL_TRIMLEFT_ZERO", [](auto& o) { o.FEL_TRIMLEFT_ZERO = true; }, L"007"},
        {"FEL_TRIMLEFT_FPZERO", [](auto& o) { o.FEL_TRIMLEFT_FPZERO = true; }, L"\xFF10\xFF17"},
        {"FEL_TRIMRIGHT", [](auto& o) { o.FEL_TRIMRIGHT = true; }, L"x "},
        {"FEL_TRIMRIGHT_FPSPACE", [](auto& o) { o.FEL_TRIMRIGHT_FPSPACE = true; }, L"x\x3000"},
        {"FEL_TRIMRIGHT_TAB", [](auto& o) { o.FEL_TRIMRIGHT_TAB = true; }, L"x\t"},
        {"FEL_SORTASC", [](auto& o) { o.FEL_SORTASC = true; }, L"y\r\nx"},
        {"FEL_SORTDSC", [](auto& o) { o.FEL_SORTDSC = true; }, L"x\r\ny"},
        {"FEL_UNIQ", [](auto& o) { o.FEL_UNIQ = true; }, L"x\r\nx"},
        {"FEL_DELBLANKLINE", [](auto& o) { o.FEL_DELBLANKLINE = true; }, L"x\r\n\r\ny"},
        {"StrConvID", [](auto& o) { o.StrConvID = L"Swap"; }, L"a"},
    };
    const std::vector<CleanStartCase> kept = {
        {"TAB4SPACE", [](auto& o) { o.TAB4SPACE = true; }, L"x\ty"},
        {"TAB8SPACE", [](auto& o) { o.TAB8SPACE = true; }, L"x\ty"},
        {"LC_LF", [](auto& o) { o.LC_LF = true; }, L"x\r\ny"},
        {"LC_CR", [](auto& o) { o.LC_CR = true; }, L"x\r\ny"},
        {"CSVTSV_CHANGEROWCOL", [](auto& o) { o.CSVTSV_CHANGEROWCOL = true; }, L"x\ty\r\nz\tw"},
    };
    for (const bool expectOff : {true, false}) {
        for (const CleanStartCase& c : expectOff ? switchedOff : kept) {
            SCOPED_TRACE(c.name);
            ProcessingOptions = {};
            c.set(ProcessingOptions);
            ASSERT_NE(Processed(c.text), c.text) << "the case must show the option at work";
            SwitchConversionsOff();
            EXPECT_EQ(Processed(c.text) == c.text, expectOff);
        }
    }
    ProcessingOptions = ProcessingOptionsRecord{};
    ConversionSet.clear();
}

TEST(WindowsSystem, VersionIsVistaOrLaterAndSystemLibrariesLeaveTheDirectory) {
    EXPECT_GE(OsVersionNumber(), 600);
    wchar_t before[520] = {};
    GetCurrentDirectoryW(520, before);
    HMODULE module = LoadSystemLibrary(L"version.dll");
    EXPECT_NE(module, nullptr);
    if (module) FreeLibrary(module);
    EXPECT_EQ(LoadSystemLibrary(L"no-such-library-here.dll"), nullptr);
    wchar_t after[520] = {};
    GetCurrentDirectoryW(520, after);
    EXPECT_STREQ(before, after);
}

}  // namespace
