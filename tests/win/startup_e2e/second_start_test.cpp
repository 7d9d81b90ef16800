#include <gtest/gtest.h>

#include "clipboard_access.h"
#include "nuvela_harness.h"
#include "scoped_win.h"

namespace {

using namespace test_support;
using SecondStartTest = NuvelaTest;

TEST_F(SecondStartTest, MonitoringAndProcessingOptionsActOnTheRunningInstance) {
    StartedNuvela& first = Start(iniExe_, L"");
    ASSERT_TRUE(first.ok());
    HWND window = first.WaitForMainWindow();
    ASSERT_TRUE(window);
    struct Step {
        const wchar_t* option;
        int watching;
    };
    for (const Step& step : {Step{L"/P0", 0}, Step{L"/p1", 1}, Step{L"/P", 0}, Step{L"/P0", 0}}) {
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(step.option, exitCode)) << step.option;
        EXPECT_EQ(exitCode, 0u) << step.option;
        EXPECT_EQ(IniInteger(L"CBWatchEnabled"), step.watching) << step.option;
    }
    // Monitoring is off, so only "/R" can make the running instance take over this text. Once a
    // command posted after the copy's notification has run, that notification has been handled.
    clipboard_test::CopyText(nullptr, L"plain text");
    ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(window));
    EXPECT_NE(clipboard_test::ClipboardOwner(), window);
    EXPECT_EQ(clipboard_test::ClipboardText(), L"plain text");
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/R", exitCode));
    EXPECT_EQ(clipboard_test::ClipboardOwner(), window);
    EXPECT_TRUE(first.Running());
}

TEST_F(SecondStartTest, SlashXEndsTheRunningInstanceWhichSavesOnTheWay) {
    StartedNuvela& first = Start(iniExe_, L"");
    ASSERT_TRUE(first.WaitForMainWindow());
    // Written behind its back: the exit writes the settings it holds over it.
    WriteIni({{L"FEL_UNIQ", L"7"}});
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/x", exitCode));
    EXPECT_EQ(exitCode, 0u);
    ASSERT_TRUE(first.WaitForExit());
    EXPECT_EQ(first.ExitCode(), 0u);
    EXPECT_EQ(IniInteger(L"FEL_UNIQ"), 0);
}

// Every other command line, the empty one included, shows the dialog; Cancel leaves all running.
TEST_F(SecondStartTest, OtherOptionsShowTheAlreadyRunningDialog) {
    StartedNuvela& first = Start(iniExe_, L"");
    ASSERT_TRUE(first.WaitForMainWindow());
    struct Case {
        const wchar_t* option;
        const wchar_t* language;
        const wchar_t* caption;
        const wchar_t* cancel;
    };
    for (const auto& [option, language, caption, cancel] :
         {Case{L"/O", L"en", L"Nuvela", L"Cancel"}, Case{L"/OR", L"en", L"Nuvela", L"Cancel"},
          Case{L"/RO", L"en", L"Nuvela", L"Cancel"}, Case{L"/?", L"en", L"Nuvela", L"Cancel"},
          Case{L"/C1", L"en", L"Nuvela", L"Cancel"}, Case{L"/P ", L"en", L"Nuvela", L"Cancel"},
          Case{L"/Z", L"en", L"Nuvela", L"Cancel"}, Case{L"", L"en", L"Nuvela", L"Cancel"},
          Case{L"", L"ja", L"ヌベラ", L"キャンセル"}}) {
        const ScopedEnvironmentVariable startLanguage(L"NUVELA_LANG", language);
        StartedNuvela& second = Start(iniExe_, option);
        HWND dialog = second.WaitForDialog();
        ASSERT_TRUE(dialog) << option;
        EXPECT_EQ(WindowText(dialog), caption);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDCANCEL)), cancel);
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
    StartedNuvela& first = Start(iniExe_, L"");
    ASSERT_TRUE(first.WaitForMainWindow());

    StartedNuvela& asking = Start(iniExe_, L"/O");
    HWND dialog = asking.WaitForDialog();
    ASSERT_TRUE(dialog);
    PressButton(dialog, 33016);
    // The running instance shows its settings dialog, and the asking start ends while it is open.
    HWND settings = first.WaitForDialog();
    ASSERT_TRUE(settings);
    EXPECT_EQ(WindowText(settings), L"Settings - Nuvela");
    ASSERT_TRUE(asking.WaitForExit());
    EXPECT_EQ(asking.ExitCode(), 0u);
    EXPECT_TRUE(IsWindowVisible(settings)) << "the settings dialog was still open";
    EXPECT_TRUE(first.Running());
    PressButton(settings, IDCANCEL);
    ASSERT_TRUE(clipboard_test::PumpUntil([&] { return !IsWindow(settings); }, 15000));

    WriteIni({{L"FEL_UNIQ", L"7"}});
    StartedNuvela& forcing = Start(iniExe_, L"/Z");
    dialog = forcing.WaitForDialog();
    ASSERT_TRUE(dialog);
    PressButton(dialog, 6);
    ASSERT_TRUE(forcing.WaitForExit());
    EXPECT_EQ(forcing.ExitCode(), 0u);
    ASSERT_TRUE(first.WaitForExit());
    EXPECT_EQ(IniInteger(L"FEL_UNIQ"), 0);  // it saved on its way out
}

// A program holding the mutex without a window: the second start has nothing to talk to, whether
// forwarding an option or forcing the end from its dialog.
TEST_F(SecondStartTest, WithoutARunningWindowTheSecondStartShowsTheFindWindowError) {
    const UniqueHandle mutex(CreateMutexW(nullptr, TRUE, L"NuvelaClipboardText"));
    ASSERT_TRUE(mutex);
    struct Case {
        const wchar_t* option;
        const wchar_t* language;
        bool forceExit;  // through the already-running dialog
        const wchar_t* caption;
        const wchar_t* text;
    };
    for (const Case& c : {Case{L"/P", L"en", false, L"Nuvela", L"FindWindow was failed."},
                          Case{L"/R", L"ja", false, L"ヌベラ", L"ウィンドウの検出に失敗しました。"},
                          Case{L"", L"en", true, L"Nuvela", L"FindWindow() failed."},
                          Case{L"/O", L"ja", true, L"ヌベラ", L"ウィンドウの検出に失敗しました。強制終了に失敗しました。"}}) {
        const ScopedEnvironmentVariable startLanguage(L"NUVELA_LANG", c.language);
        StartedNuvela& second = Start(iniExe_, c.option);
        HWND box = second.WaitForDialog();
        ASSERT_TRUE(box) << c.option;
        if (c.forceExit) {
            const HWND dialog = box;
            ASSERT_TRUE(GetDlgItem(dialog, 6)) << c.option << ": not the already-running dialog";
            PressButton(dialog, 6);
            ASSERT_TRUE(clipboard_test::PumpUntil([&] { return (box = second.WaitForDialog(0)) && box != dialog; },
                                                  15000))
                << c.option;
        }
        EXPECT_EQ(WindowText(box), c.caption) << c.option;
        EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), c.text) << c.option;
        PressButton(box, IDOK);
        ASSERT_TRUE(second.WaitForExit()) << c.option;
        EXPECT_EQ(second.ExitCode(), 0u) << c.option;
    }

    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/X", exitCode));  // "/X" with nothing to end says nothing
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
