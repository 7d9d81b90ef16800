#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "options.h"
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

TEST(CleanStart, SwitchesTheTextConversionsOffAndKeepsTheRest) {
    ProcessingOptionsRecord all;
    for (const OptionField& field : OptionFields())
        if (field.kind == OptionKind::Flag) all.*field.flag = true;
    all.StrConvID = L"Kana";
    all.MUL_BY_N = L"3";
    ProcessingOptions = all;
    SwitchConversionsOff();

    const std::vector<std::wstring> switchedOff = {
        L"DelSpace", L"DelEnter", L"DelTab", L"REP_REP", L"FEL_TRIMLEFT", L"FEL_TRIMLEFT_FPSPACE", L"FEL_TRIMLEFT_TAB",
        L"FEL_TRIMLEFT_ZERO", L"FEL_TRIMLEFT_FPZERO", L"FEL_TRIMRIGHT", L"FEL_TRIMRIGHT_FPSPACE", L"FEL_TRIMRIGHT_TAB",
        L"FEL_SORTASC", L"FEL_SORTDSC", L"FEL_UNIQ", L"FEL_DELBLANKLINE"};
    for (const OptionField& field : OptionFields()) {
        if (field.kind != OptionKind::Flag) continue;
        const bool expectedOff = std::find(switchedOff.begin(), switchedOff.end(), field.key) != switchedOff.end();
        EXPECT_EQ(ProcessingOptions.*field.flag, !expectedOff) << std::wstring(field.key);
    }
    EXPECT_EQ(ProcessingOptions.StrConvID, L"");
    EXPECT_EQ(ProcessingOptions.MUL_BY_N, L"3");
    ProcessingOptions = ProcessingOptionsRecord{};
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
