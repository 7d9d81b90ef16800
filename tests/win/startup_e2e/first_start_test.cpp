#include <gtest/gtest.h>

#include <filesystem>

#include "e2e_support.h"

namespace e2e {
namespace {

using FirstStartTest = E2ETest;

TEST_F(FirstStartTest, CleanStartSwitchesConversionsOffAndSetsMonitoring) {
    struct Case {
        const wchar_t* option;
        const wchar_t* stored;
        int watching;
    };
    for (const Case& c : {Case{L"/C", L"1", 1}, Case{L"/C0", L"1", 0}, Case{L"/c1", L"0", 1}, Case{L"/C0", L"0", 0}}) {
        WriteIni(folder_->path(), {{L"CBWatchEnabled", c.stored},
                                   {L"DelSpace", L"1"},
                                   {L"FEL_SORTASC", L"1"},
                                   {L"TAB4SPACE", L"1"},
                                   {L"LC_LF", L"1"},
                                   {L"StrConvID", L"Kana"}});
        Started& first = Start(iniExe_, c.option);
        ASSERT_TRUE(WaitForMainWindow(first.id())) << c.option;
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(first.WaitForExit()) << c.option;
        EXPECT_EQ(IniInteger(folder_->path(), L"CBWatchEnabled"), c.watching) << c.option;
        EXPECT_EQ(IniInteger(folder_->path(), L"DelSpace"), 0) << c.option;
        EXPECT_EQ(IniInteger(folder_->path(), L"FEL_SORTASC"), 0) << c.option;
        EXPECT_EQ(IniText(folder_->path(), L"StrConvID"), L"") << c.option;
        EXPECT_EQ(IniInteger(folder_->path(), L"TAB4SPACE"), 1) << c.option;
        EXPECT_EQ(IniInteger(folder_->path(), L"LC_LF"), 1) << c.option;
    }
}

// The ini file lands beside the program, wherever it was started from.
TEST_F(FirstStartTest, UnderscoreOProgramKeepsItsSettingsBesideItself) {
    const auto elsewhere = folder_->path() / L"elsewhere";
    std::filesystem::create_directory(elsewhere);
    const auto programFolder = folder_->path() / L"program";
    std::filesystem::create_directory(programFolder);
    const auto exe = programFolder / L"tool_O.EXE";
    std::filesystem::copy_file(test_support::NuvelaExe(), exe);
    Started& first = Start(exe, L"", elsewhere);
    ASSERT_TRUE(WaitForMainWindow(first.id()));
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/X", exitCode));
    ASSERT_TRUE(first.WaitForExit());
    EXPECT_TRUE(std::filesystem::exists(programFolder / L"Nuvela.ini"));
    EXPECT_FALSE(std::filesystem::exists(elsewhere / L"Nuvela.ini"));
    DWORD ignored = 0;
    EXPECT_FALSE(ReadRegistryDword(L"CBWatchEnabled", ignored));
}

TEST_F(FirstStartTest, PlainNameUsesTheRegistryAndSlashOTheIniFile) {
    const auto programFolder = folder_->path() / L"program";
    std::filesystem::create_directory(programFolder);
    const auto exe = programFolder / L"Nuvela.exe";
    std::filesystem::copy_file(test_support::NuvelaExe(), exe);
    WriteRegistryDword(L"NoOpeningDlg", 1);
    {
        Started& first = Start(exe, L"");
        ASSERT_TRUE(WaitForMainWindow(first.id()));
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(first.WaitForExit());
    }
    DWORD watching = 0;
    EXPECT_TRUE(ReadRegistryDword(L"CBWatchEnabled", watching));  // written by the exit
    EXPECT_EQ(watching, 1u);
    EXPECT_FALSE(std::filesystem::exists(programFolder / L"Nuvela.ini"));

    WriteIni(programFolder, {{L"NoOpeningDlg", L"1"}, {L"MultiDiv", L"1"}});
    Started& withIni = Start(exe, L"/o");
    ASSERT_TRUE(WaitForMainWindow(withIni.id()));
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/P0", exitCode));
    EXPECT_EQ(IniInteger(programFolder, L"CBWatchEnabled"), 0);
    EXPECT_EQ(IniInteger(programFolder, L"MultiDiv"), 1);
}

TEST_F(FirstStartTest, CopyCommandsMoveTheSettingsAndEnd) {
    WriteIni(folder_->path(), {{L"DelSpace", L"1"}, {L"MultiDivSec", L"4000"}});
    const auto exe = Install(L"Nuvela.exe");
    Started& toRegistry = Start(exe, L"/OR");
    HWND box = WaitForDialog(toRegistry.id());
    ASSERT_TRUE(box);
    PressButton(box, IDOK);
    ASSERT_TRUE(toRegistry.WaitForExit());
    EXPECT_EQ(toRegistry.ExitCode(), 0u);
    DWORD value = 0;
    EXPECT_TRUE(ReadRegistryDword(L"DelSpace", value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(ReadRegistryDword(L"MultiDivSec", value));
    EXPECT_EQ(value, 4000u);
    EXPECT_FALSE(FindWindowW(L"NuvelaClipboardText", nullptr));

    std::filesystem::remove(folder_->path() / L"Nuvela.ini");
    WriteRegistryDword(L"DelTab", 1);
    Started& toIni = Start(exe, L"/ro");
    box = WaitForDialog(toIni.id());
    ASSERT_TRUE(box);
    PressButton(box, IDOK);
    ASSERT_TRUE(toIni.WaitForExit());
    EXPECT_EQ(IniInteger(folder_->path(), L"DelTab"), 1);
    EXPECT_EQ(IniInteger(folder_->path(), L"DelSpace"), 1);
}

TEST_F(FirstStartTest, LanguageComesFromNuvelaLang) {
    struct Case {
        const wchar_t* value;
        const wchar_t* title;
    };
    for (const Case& c : {Case{L"ja", L"ヌベラ"}, Case{L"EN", L"Nuvela"}, Case{L"JA", L"ヌベラ"}}) {
        SetEnvironmentVariableW(L"NUVELA_LANG", c.value);
        Started& first = Start(iniExe_, L"");
        HWND window = WaitForMainWindow(first.id());
        ASSERT_TRUE(window) << c.value;
        EXPECT_EQ(WindowText(window), c.title) << c.value;
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(first.WaitForExit());
    }
}

TEST_F(FirstStartTest, JapaneseStartShowsTheOpeningDialogUntilTicked) {
    SetEnvironmentVariableW(L"NUVELA_LANG", L"ja");
    WriteIni(folder_->path(), {{L"NoOpeningDlg", L"0"}});
    Started& first = Start(iniExe_, L"");
    HWND window = WaitForMainWindow(first.id());
    ASSERT_TRUE(window);
    HWND dialog = WaitForDialog(first.id());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(WindowText(dialog), L"ヌベラ");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), window);
    SendDlgItemMessageW(dialog, 1038, BM_SETCHECK, BST_CHECKED, 0);
    PressButton(dialog, IDCANCEL);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (IniInteger(folder_->path(), L"NoOpeningDlg") != 1 && GetTickCount64() < deadline) Sleep(50);
    EXPECT_EQ(IniInteger(folder_->path(), L"NoOpeningDlg"), 1);  // at once, not at exit
    EXPECT_TRUE(first.Running());
}

}  // namespace
}  // namespace e2e
