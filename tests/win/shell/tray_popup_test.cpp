#include <gtest/gtest.h>

#include "commands.h"
#include "language.h"
#include "main_window.h"
#include "messages.h"
#include "shell_fixture.h"
#include "watch.h"

namespace shell_test {
namespace {

using TrayPopupTest = ShellTest;

TEST_F(TrayPopupTest, ContextMenuShowsTheMarkedMenuAndEscapeChoosesNothing) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.MUL_BY_N = L"1.0";
    ASSERT_TRUE(CreateWindowUnderTest());
    const ProcessingOptionsRecord before = ProcessingOptions;
    {
        MenuWatcher watcher([](HWND menuWindow) { PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0); });
        // The point travels in wParam; tracking returns when the menu closes.
        SendMessageW(window_, WM_APP_TRAY, MAKEWPARAM(200, 300), WM_CONTEXTMENU);
        EXPECT_TRUE(watcher.seen());
        EXPECT_TRUE(watcher.checkedWatch());
        EXPECT_FALSE(watcher.greyedProcess());
        EXPECT_TRUE(watcher.checkedMultiply());
    }
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_TRUE(ProcessingOptions == before);
}

// "Restore the original copy" is offered only while a kept copy belongs to the clipboard.
TEST_F(TrayPopupTest, RestoreItemIsGreyedWhileNothingIsKept) {
    for (const bool keep : {true, false}) {
        ProcessingOptions.KEEP_ORIGINAL = keep;
        ASSERT_TRUE(CreateWindowUnderTest());
        const unsigned runs = ClipboardProcessingCount();
        CopyText(helper_, L"kept?");
        ASSERT_TRUE(PumpUntil([&] { return ClipboardProcessingCount() == runs + 1; }));
        MenuWatcher watcher([](HWND menuWindow) { PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0); });
        SendMessageW(window_, WM_APP_TRAY, MAKEWPARAM(200, 300), WM_CONTEXTMENU);
        EXPECT_TRUE(watcher.seen());
        EXPECT_EQ(watcher.greyedRestore(), !keep) << keep;
        DestroyWindowUnderTest();
    }
}

TEST_F(TrayPopupTest, ChoosingExitFromTheRealMenuEndsTheWindow) {
    ASSERT_TRUE(CreateWindowUnderTest());
    {
        MenuWatcher watcher([](HWND menuWindow) { PostMessageW(menuWindow, WM_CHAR, L'x', 0); });
        SendMessageW(window_, WM_APP_TRAY, 0, WM_RBUTTONUP);
        EXPECT_TRUE(watcher.seen());
    }
    EXPECT_FALSE(IsWindow(window_));
    window_ = nullptr;
}

// "Clean up text" and its items are reached by their mnemonics in both languages.
TEST_F(TrayPopupTest, MnemonicsReachTheCleanupSwitches) {
    for (const Language language : {Language::English, Language::Japanese}) {
        SetLanguage(language);
        ProcessingOptions = {};
        ASSERT_TRUE(CreateWindowUnderTest());
        for (const wchar_t item : {L'k', L'm'}) {
            MenuWatcher watcher([item](HWND menuWindow) {
                PostMessageW(menuWindow, WM_CHAR, L't', 0);
                PostMessageW(menuWindow, WM_CHAR, item, 0);
            });
            SendMessageW(window_, WM_APP_TRAY, 0, WM_RBUTTONUP);
            EXPECT_TRUE(watcher.seen());
        }
        EXPECT_EQ(ProcessingOptions.CLN_NORMALIZE, 2) << static_cast<int>(language);
        EXPECT_TRUE(ProcessingOptions.CLN_MARKDOWN) << static_cast<int>(language);
        DestroyWindowUnderTest();
    }
}

}  // namespace
}  // namespace shell_test
