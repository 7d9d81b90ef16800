#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "clipboard_access.h"
#include "nuvela_harness.h"
#include "scoped_win.h"

namespace {

using namespace test_support;
using FirstStartTest = NuvelaTest;

// The conversions are off before the start's first processing, whether that comes with the
// window (monitoring stored on) or with "/C1" switching monitoring on.
TEST_F(FirstStartTest, CleanStartSwitchesConversionsOffAndSetsMonitoring) {
    const UniqueWindow copier(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    struct Case {
        const wchar_t* option;
        const wchar_t* stored;
        int watching;
    };
    for (const Case& c : {Case{L"/C", L"1", 1}, Case{L"/C", L"0", 0}, Case{L"/C0", L"1", 0}, Case{L"/c1", L"0", 1},
                          Case{L"/C0", L"0", 0}}) {
        WriteIni({{L"CBWatchEnabled", c.stored},
                  {L"DelSpace", L"1"},
                  {L"FEL_SORTASC", L"1"},
                  {L"TAB4SPACE", L"1"},
                  {L"LC_LF", L"1"},
                  {L"StrConvID", L"Kana"}});
        clipboard_test::CopyText(copier.get(), L"b a");
        StartedNuvela& first = Start(iniExe_, c.option);
        const HWND window = first.WaitForMainWindow();
        ASSERT_TRUE(window) << c.option;
        if (c.stored[0] == L'1' || c.watching) {
            EXPECT_TRUE(clipboard_test::PumpUntil([&] { return clipboard_test::ClipboardOwner() == window; }, 15000))
                << c.option;
            EXPECT_EQ(clipboard_test::ClipboardText(), L"b a") << c.option << ": processed without DelSpace";
        }
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(first.WaitForExit()) << c.option;
        EXPECT_EQ(IniInteger(L"CBWatchEnabled"), c.watching) << c.option;
        EXPECT_EQ(IniInteger(L"DelSpace"), 0) << c.option;
        EXPECT_EQ(IniInteger(L"FEL_SORTASC"), 0) << c.option;
        EXPECT_EQ(IniText(L"StrConvID"), L"") << c.option;
        EXPECT_EQ(IniInteger(L"TAB4SPACE"), 1) << c.option;
        EXPECT_EQ(IniInteger(L"LC_LF"), 1) << c.option;
    }
}

// A first start's "/P", "/P0", "/P1" and "/R" act on its own new window once it exists.
TEST_F(FirstStartTest, MonitoringAndProcessingOptionsActOnTheNewWindow) {
    const UniqueWindow copier(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    struct Case {
        const wchar_t* option;
        const wchar_t* stored;
        int watching;
        bool processed;  // the clipboard taken over and changed while it ran
    };
    for (const Case& c : {Case{L"/P", L"1", 0, true}, Case{L"/p", L"0", 1, true}, Case{L"/P0", L"1", 0, true},
                          Case{L"/P0", L"0", 0, false}, Case{L"/P1", L"0", 1, true}, Case{L"/p1", L"1", 1, true},
                          Case{L"/R", L"0", 0, true}, Case{L"/r", L"1", 1, true},
                          // nothing is kept yet: "/U" is an ordinary start; so is "/V", which pastes nothing
                          Case{L"/U", L"1", 1, true}, Case{L"/u", L"0", 0, false}, Case{L"/V", L"0", 0, false}}) {
        WriteIni({{L"CBWatchEnabled", c.stored}, {L"DelSpace", L"1"}});
        clipboard_test::CopyText(copier.get(), L"b a");
        StartedNuvela& first = Start(iniExe_, c.option);
        const HWND window = first.WaitForMainWindow();
        ASSERT_TRUE(window) << c.option;
        if (c.processed) {
            EXPECT_TRUE(clipboard_test::PumpUntil([&] { return clipboard_test::ClipboardOwner() == window; }, 15000))
                << c.option << " " << c.stored;
            EXPECT_EQ(clipboard_test::ClipboardText(), L"ba") << c.option << " " << c.stored;
        } else {
            ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(window)) << c.option;
            EXPECT_NE(clipboard_test::ClipboardOwner(), window) << c.option;
            EXPECT_EQ(clipboard_test::ClipboardText(), L"b a") << c.option;
        }
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(first.WaitForExit()) << c.option;
        EXPECT_EQ(IniInteger(L"CBWatchEnabled"), c.watching) << c.option << " " << c.stored;
        EXPECT_EQ(IniInteger(L"DelSpace"), 1) << c.option;
    }
}

// The ini file lands beside the program, wherever it was started from.
TEST_F(FirstStartTest, UnderscoreOProgramKeepsItsSettingsBesideItself) {
    const auto elsewhere = folder_->path() / L"elsewhere";
    std::filesystem::create_directory(elsewhere);
    const auto programFolder = folder_->path() / L"program";
    std::filesystem::create_directory(programFolder);
    const auto exe = programFolder / L"tool_O.EXE";
    std::filesystem::copy_file(NuvelaExe(), exe);
    StartedNuvela& first = Start(exe, L"", elsewhere);
    ASSERT_TRUE(first.WaitForMainWindow());
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/X", exitCode));
    ASSERT_TRUE(first.WaitForExit());
    EXPECT_TRUE(std::filesystem::exists(programFolder / L"Nuvela.ini"));
    EXPECT_FALSE(std::filesystem::exists(elsewhere / L"Nuvela.ini"));
    EXPECT_FALSE(ProductKeyExists());
}

TEST_F(FirstStartTest, PlainNameUsesTheRegistryAndSlashOTheIniFile) {
    const auto programFolder = folder_->path() / L"program";
    std::filesystem::create_directory(programFolder);
    const auto exe = programFolder / L"Nuvela.exe";
    std::filesystem::copy_file(NuvelaExe(), exe);
    SetRawDword(L"NoOpeningDlg", 1);
    {
        StartedNuvela& first = Start(exe, L"");
        ASSERT_TRUE(first.WaitForMainWindow());
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(first.WaitForExit());
    }
    DWORD watching = 0;
    EXPECT_TRUE(GetRawDword(L"CBWatchEnabled", watching));  // written by the exit
    EXPECT_EQ(watching, 1u);
    EXPECT_FALSE(std::filesystem::exists(programFolder / L"Nuvela.ini"));

    const auto programIni = programFolder / L"Nuvela.ini";
    WriteIni({{L"NoOpeningDlg", L"1"}, {L"MultiDiv", L"1"}}, programIni);
    StartedNuvela& withIni = Start(exe, L"/o");
    ASSERT_TRUE(withIni.WaitForMainWindow());
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/P0", exitCode));
    EXPECT_EQ(IniInteger(L"CBWatchEnabled", -1, programIni), 0);
    EXPECT_EQ(IniInteger(L"MultiDiv", -1, programIni), 1);
}

// "/OR" and "/RO" copy the settings and end without ever making the main window: looked for while
// their message box is still open.
TEST_F(FirstStartTest, CopyCommandsMoveTheSettingsAndEnd) {
    WriteIni({{L"DelSpace", L"1"}, {L"MultiDivSec", L"4000"}});
    const auto exe = Install(L"Nuvela.exe");
    StartedNuvela& toRegistry = Start(exe, L"/OR");
    HWND box = toRegistry.WaitForDialog();
    ASSERT_TRUE(box);
    EXPECT_FALSE(toRegistry.WaitForMainWindow(0));
    PressButton(box, IDOK);
    ASSERT_TRUE(toRegistry.WaitForExit());
    EXPECT_EQ(toRegistry.ExitCode(), 0u);
    DWORD value = 0;
    EXPECT_TRUE(GetRawDword(L"DelSpace", value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(GetRawDword(L"MultiDivSec", value));
    EXPECT_EQ(value, 4000u);

    std::filesystem::remove(folder_->path() / L"Nuvela.ini");
    SetRawDword(L"DelTab", 1);
    StartedNuvela& toIni = Start(exe, L"/ro");
    box = toIni.WaitForDialog();
    ASSERT_TRUE(box);
    EXPECT_FALSE(toIni.WaitForMainWindow(0));
    PressButton(box, IDOK);
    ASSERT_TRUE(toIni.WaitForExit());
    EXPECT_EQ(IniInteger(L"DelTab"), 1);
    EXPECT_EQ(IniInteger(L"DelSpace"), 1);
}

// "/?" asks for the help before the program makes its own folder current, so the viewer is looked
// for, and the help file named relative to, the folder the user started from. A recording viewer
// planted there proves both: had the folder been switched first, it would not have been found.
TEST_F(FirstStartTest, HelpOptionAsksTheViewerInTheStartFolderForTheStartTopic) {
    const auto exe = Install(L"Nuvela.exe");
    const std::filesystem::path startFolder = folder_->path() / L"started-here";
    std::filesystem::create_directory(startFolder);
    std::filesystem::copy_file(ProgramFolder() / L"help_viewer_recorder.exe", startFolder / L"hh.exe");
    StartedNuvela& help = Start(exe, L"/?", startFolder);
    ASSERT_TRUE(help.WaitForExit());
    EXPECT_EQ(help.ExitCode(), 0u);

    const std::filesystem::path record = startFolder / L"help-viewer-ran.txt";
    ASSERT_TRUE(clipboard_test::PumpUntil([&] { return std::filesystem::exists(record) && std::filesystem::file_size(record) > 0; },
                          15000));
    std::wstring commandLine, folder;
    {
        std::FILE* file = _wfopen(record.c_str(), L"rb");
        ASSERT_TRUE(file);
        wchar_t line[2048];
        if (std::fgetws(line, 2048, file)) commandLine = line;
        if (std::fgetws(line, 2048, file)) folder = line;
        std::fclose(file);
    }
    EXPECT_NE(commandLine.find(L"Nuvela.chm::/_RESOURCE/HLP000021.html"), std::wstring::npos) << commandLine;
    while (!folder.empty() && (folder.back() == L'\n' || folder.back() == L'\\')) folder.pop_back();
    EXPECT_TRUE(std::filesystem::equivalent(folder, startFolder)) << folder;
}

TEST_F(FirstStartTest, LanguageComesFromNuvelaLang) {
    struct Case {
        const wchar_t* value;
        const wchar_t* title;
    };
    for (const Case& c : {Case{L"ja", L"ヌベラ"}, Case{L"EN", L"Nuvela"}, Case{L"JA", L"ヌベラ"}}) {
        const ScopedEnvironmentVariable language(L"NUVELA_LANG", c.value);
        StartedNuvela& first = Start(iniExe_, L"");
        HWND window = first.WaitForMainWindow();
        ASSERT_TRUE(window) << c.value;
        EXPECT_EQ(WindowText(window), c.title) << c.value;
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(first.WaitForExit());
    }
}

TEST_F(FirstStartTest, JapaneseStartShowsTheOpeningDialogUntilTicked) {
    const ScopedEnvironmentVariable language(L"NUVELA_LANG", L"ja");
    WriteIni({{L"NoOpeningDlg", L"0"}});
    StartedNuvela& first = Start(iniExe_, L"");
    HWND window = first.WaitForMainWindow();
    ASSERT_TRUE(window);
    HWND dialog = first.WaitForDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(WindowText(dialog), L"ヌベラ");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), window);
    SendDlgItemMessageW(dialog, 1038, BM_SETCHECK, BST_CHECKED, 0);
    PressButton(dialog, IDCANCEL);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (IniInteger(L"NoOpeningDlg") != 1 && GetTickCount64() < deadline) Sleep(50);
    EXPECT_EQ(IniInteger(L"NoOpeningDlg"), 1);  // at once, not at exit
    EXPECT_TRUE(first.Running());
}

}  // namespace
