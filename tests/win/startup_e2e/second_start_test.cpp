#include <gtest/gtest.h>

#include "e2e_support.h"

namespace e2e {
namespace {

using SecondStartTest = E2ETest;

TEST_F(SecondStartTest, MonitoringAndProcessingOptionsActOnTheRunningInstance) {
    Started& first = Start(iniExe_, L"");
    ASSERT_TRUE(first.ok());
    HWND window = WaitForMainWindow(first.id());
    ASSERT_TRUE(window);
    struct Step {
        const wchar_t* option;
        int watching;
    };
    for (const Step& step : {Step{L"/P0", 0}, Step{L"/p1", 1}, Step{L"/P", 0}, Step{L"/P0", 0}}) {
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(step.option, exitCode)) << step.option;
        EXPECT_EQ(exitCode, 0u) << step.option;
        EXPECT_EQ(IniInteger(folder_->path(), L"CBWatchEnabled"), step.watching) << step.option;
    }
    // Monitoring is off, so only "/R" can make the running instance take over this text.
    CopyText(L"plain text");
    Sleep(300);
    EXPECT_NE(ClipboardOwner(), window);
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/R", exitCode));
    EXPECT_EQ(ClipboardOwner(), window);
    EXPECT_TRUE(first.Running());
}

TEST_F(SecondStartTest, SlashXEndsTheRunningInstanceWhichSavesOnTheWay) {
    Started& first = Start(iniExe_, L"");
    ASSERT_TRUE(WaitForMainWindow(first.id()));
    // Written behind its back: the exit writes the settings it holds over it.
    WriteIni(folder_->path(), {{L"FEL_UNIQ", L"7"}});
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/x", exitCode));
    EXPECT_EQ(exitCode, 0u);
    ASSERT_TRUE(first.WaitForExit());
    EXPECT_EQ(first.ExitCode(), 0u);
    EXPECT_EQ(IniInteger(folder_->path(), L"FEL_UNIQ"), 0);
}

// Every other command line, the empty one included, shows the dialog; Cancel leaves all running.
TEST_F(SecondStartTest, OtherOptionsShowTheAlreadyRunningDialog) {
    Started& first = Start(iniExe_, L"");
    ASSERT_TRUE(WaitForMainWindow(first.id()));
    for (const wchar_t* option : {L"/O", L"/OR", L"/RO", L"/?", L"/C1", L"/P ", L"/Z", L""}) {
        Started& second = Start(iniExe_, option);
        HWND dialog = WaitForDialog(second.id());
        ASSERT_TRUE(dialog) << option;
        EXPECT_EQ(WindowText(dialog), L"Nuvela");
        EXPECT_TRUE(GetDlgItem(dialog, 6)) << option;
        EXPECT_TRUE(GetDlgItem(dialog, 33016)) << option;
        // Enter pressed by accident must not force the running instance to end.
        GUITHREADINFO thread = {};
        thread.cbSize = sizeof thread;
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread));
        EXPECT_EQ(thread.hwndFocus, GetDlgItem(dialog, IDCANCEL)) << option;
        PressButton(dialog, IDCANCEL);
        ASSERT_TRUE(second.WaitForExit()) << option;
        EXPECT_EQ(second.ExitCode(), 0u);
        EXPECT_TRUE(first.Running()) << option;
    }
}

TEST_F(SecondStartTest, SettingsButtonLeavesTheInstanceRunningAndForceExitEndsIt) {
    Started& first = Start(iniExe_, L"");
    ASSERT_TRUE(WaitForMainWindow(first.id()));

    Started& asking = Start(iniExe_, L"/O");
    HWND dialog = WaitForDialog(asking.id());
    ASSERT_TRUE(dialog);
    PressButton(dialog, 33016);
    ASSERT_TRUE(asking.WaitForExit());
    EXPECT_TRUE(first.Running());

    WriteIni(folder_->path(), {{L"FEL_UNIQ", L"7"}});
    Started& forcing = Start(iniExe_, L"/Z");
    dialog = WaitForDialog(forcing.id());
    ASSERT_TRUE(dialog);
    PressButton(dialog, 6);
    ASSERT_TRUE(forcing.WaitForExit());
    EXPECT_EQ(forcing.ExitCode(), 0u);
    ASSERT_TRUE(first.WaitForExit());
    EXPECT_EQ(IniInteger(folder_->path(), L"FEL_UNIQ"), 0);  // it saved on its way out
}

TEST_F(SecondStartTest, ForwardingWithoutAWindowShowsTheFindWindowError) {
    // A program holding the mutex without a window: the second start has nothing to talk to.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"NuvelaClipboardText");
    ASSERT_TRUE(mutex);
    Started& second = Start(iniExe_, L"/P");
    HWND box = WaitForDialog(second.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(box), L"Nuvela");
    wchar_t text[128] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 128);
    EXPECT_STREQ(text, L"FindWindow was failed.");
    PressButton(box, IDOK);
    EXPECT_TRUE(second.WaitForExit());

    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/X", exitCode));  // "/X" with nothing to end says nothing
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(mutex);
}

}  // namespace
}  // namespace e2e
