#include <gtest/gtest.h>

#include <cstdint>

#include <string>
#include <utility>
#include <vector>
#include <windows.h>
#include <shellapi.h>

#include "commands.h"
#include "hotkeys.h"
#include "language.h"
#include "main_window.h"
#include "messages.h"
#include "options.h"
#include "pending_notification.h"
#include "settings.h"
#include "shell_fixture.h"
#include "tray.h"
#include "watch.h"

namespace shell_test {
namespace {

constexpr int kBlockerId = 0x7A01;
const std::wstring kToggleRefused = L"Cannot register a hotkey for 'Stops to monitor the clipboard.'";
const std::wstring kProcessRefused = L"Cannot register a hotkey for 'Clipboard Rich Text to Plane Text.'";

class HotkeyTest : public ShellTest {
protected:
    void TearDown() override {
        UnregisterHotKey(helper_, kBlockerId);
        UnregisterHotKey(helper_, kBlockerId + 1);
        ShellTest::TearDown();
    }
    // Another window holding the combination, so the system refuses it to us.
    bool Block(int offset, UINT modifiers, UINT key) {
        return RegisterHotKey(helper_, kBlockerId + offset, modifiers, key) != FALSE;
    }
    bool IsFree(UINT modifiers, UINT key) {
        const bool free = RegisterHotKey(helper_, kBlockerId + 5, modifiers, key) != FALSE;
        if (free) UnregisterHotKey(helper_, kBlockerId + 5);
        return free;
    }
};

TEST_F(HotkeyTest, AssignedHotkeysAreHeldFromCreationToDestruction) {
    ProcessingOptions.SK1_CTRL = ProcessingOptions.SK1_ALT = true;
    ProcessingOptions.SK1_VKEY = VK_F8;
    ProcessingOptions.SK2_SHIFT = true;
    ProcessingOptions.SK2_VKEY = 'Q';
    ASSERT_TRUE(CreateWindowUnderTest());
    EXPECT_FALSE(IsFree(MOD_CONTROL | MOD_ALT, VK_F8));
    EXPECT_FALSE(IsFree(MOD_SHIFT, 'Q'));
    EXPECT_EQ(PendingNotification::Text(), L"");
    DestroyWindowUnderTest();
    EXPECT_TRUE(IsFree(MOD_CONTROL | MOD_ALT, VK_F8));
    EXPECT_TRUE(IsFree(MOD_SHIFT, 'Q'));
}

TEST_F(HotkeyTest, RefusedHotkeysAreReportedTogetherAsAWarning) {
    struct Case {
        bool blockToggle, blockProcess;
        std::wstring balloon;
    };
    const std::vector<Case> cases = {
        {false, true, kProcessRefused},
        {true, false, kToggleRefused},
        {true, true, kToggleRefused + L"\r\n-----\r\n" + kProcessRefused},
    };
    for (const auto& c : cases) {
        ProcessingOptions.SK1_CTRL = ProcessingOptions.SK1_ALT = true;
        ProcessingOptions.SK1_VKEY = VK_F7;
        ProcessingOptions.SK2_CTRL = ProcessingOptions.SK2_ALT = true;
        ProcessingOptions.SK2_VKEY = VK_F9;
        if (c.blockToggle) {
            ASSERT_TRUE(Block(0, MOD_CONTROL | MOD_ALT, VK_F7));
        }
        if (c.blockProcess) {
            ASSERT_TRUE(Block(1, MOD_CONTROL | MOD_ALT, VK_F9));
        }
        ASSERT_TRUE(CreateWindowUnderTest());
        EXPECT_EQ(LastTrayBalloon().text, c.balloon);
        EXPECT_EQ(LastTrayBalloon().iconFlags, static_cast<DWORD>(NIIF_WARNING));
        EXPECT_TRUE(LastTrayBalloon().accepted);
        DestroyWindowUnderTest();
        UnregisterHotKey(helper_, kBlockerId);
        UnregisterHotKey(helper_, kBlockerId + 1);
    }
}

TEST_F(HotkeyTest, UnassignedHotkeysRegisterNothing) {
    ProcessingOptions.SK1_CTRL = ProcessingOptions.SK1_ALT = true;  // no key: the boxes mean nothing
    ASSERT_TRUE(Block(0, MOD_CONTROL | MOD_ALT, 0));
    ASSERT_TRUE(CreateWindowUnderTest());
    EXPECT_EQ(PendingNotification::Text(), L"");
}

TEST_F(HotkeyTest, HotkeyMessagesPostTheirCommands) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    SendMessageW(window_, WM_HOTKEY, kHotkeyToggleWatch, 0);
    EXPECT_FALSE(ProcessingOptions.CBWatchEnabled);  // posted: runs from the queue
    EXPECT_TRUE(PumpUntil([] { return ProcessingOptions.CBWatchEnabled; }));

    SendMessageW(window_, WM_APP_COMMAND, IDM_WATCH_OFF, 0);
    CopyText(helper_, L"text");
    const unsigned before = ClipboardProcessingCount();
    SendMessageW(window_, WM_HOTKEY, kHotkeyProcessNow, 0);
    EXPECT_TRUE(PumpUntil([&] { return ClipboardProcessingCount() == before + 1; }));
    // An unknown hotkey posts nothing: the toggle posted after it is the sentinel, and switching
    // on processes exactly once more.
    SendMessageW(window_, WM_HOTKEY, kHotkeyRestoreOriginal + 1, 0);
    SendMessageW(window_, WM_HOTKEY, kHotkeyToggleWatch, 0);
    ASSERT_TRUE(PumpUntil([] { return ProcessingOptions.CBWatchEnabled; }));
    EXPECT_EQ(ClipboardProcessingCount(), before + 2);
}

TEST_F(HotkeyTest, ReregistrationFollowsTheNewKeysAndSaves) {
    ProcessingOptions.SK1_VKEY = VK_F6;
    ASSERT_TRUE(CreateWindowUnderTest());
    EXPECT_FALSE(IsFree(0, VK_F6));
    ProcessingOptions.SK1_VKEY = 0;
    ProcessingOptions.SK2_CTRL = true;
    ProcessingOptions.SK2_VKEY = VK_F6;
    ASSERT_TRUE(Block(0, MOD_CONTROL, VK_F5));
    ReregisterHotkeys(window_);
    EXPECT_FALSE(IsFree(MOD_CONTROL, VK_F6));
    EXPECT_TRUE(IsFree(0, VK_F6));  // "None" released hotkey 1 at once
    EXPECT_EQ(IniInteger(L"SK2_VKEY"), VK_F6);
    EXPECT_EQ(IniInteger(L"SK1_VKEY"), 0);

    ProcessingOptions.SK2_VKEY = VK_F5;  // held by another window now
    ReregisterHotkeys(window_);
    EXPECT_EQ(LastTrayBalloon().text, kProcessRefused);
    EXPECT_TRUE(LastTrayBalloon().accepted);
    EXPECT_EQ(IniInteger(L"SK2_VKEY"), VK_F5);  // kept, so the next start tries again
}

// Each combination moves on to another hotkey: every id must be free before any is registered, or
// the one still holding the new combination makes the system refuse it.
TEST_F(HotkeyTest, RotatedHotkeysAreAllRegisteredUnderTheirNewIds) {
    auto& o = ProcessingOptions;
    o.SK1_CTRL = o.SK2_CTRL = o.SK3_CTRL = o.SK4_CTRL = true;
    o.SK1_VKEY = VK_F6, o.SK2_VKEY = VK_F7, o.SK3_VKEY = VK_F8, o.SK4_VKEY = VK_F9;
    ASSERT_TRUE(CreateWindowUnderTest());
    o.SK1_VKEY = VK_F7, o.SK2_VKEY = VK_F8, o.SK3_VKEY = VK_F9, o.SK4_VKEY = VK_F6;
    ReregisterHotkeys(window_);
    EXPECT_EQ(PendingNotification::Text(), L"");
    // Releasing an id frees exactly the combination it now holds.
    for (const auto& [id, key] : {std::pair{kHotkeyToggleWatch, VK_F7}, std::pair{kHotkeyProcessNow, VK_F8},
                                  std::pair{kHotkeyRestoreOriginal, VK_F9}, std::pair{kHotkeyPastePlain, VK_F6}}) {
        EXPECT_FALSE(IsFree(MOD_CONTROL, key)) << id;
        EXPECT_TRUE(UnregisterHotKey(window_, id)) << id;
        EXPECT_TRUE(IsFree(MOD_CONTROL, key)) << id;
    }
}

// Hotkeys 3 and 4 post their commands like the others, and a refusal names the hotkey.
TEST_F(HotkeyTest, LaterHotkeysPostTheirCommandsAndTheirRefusalsAreNamed) {
    const struct {
        bool ProcessingOptionsRecord::*alt;
        std::uint8_t ProcessingOptionsRecord::*key;
        int id;
        WPARAM command;
        const wchar_t* refusal;
    } cases[] = {
        {&ProcessingOptionsRecord::SK3_ALT, &ProcessingOptionsRecord::SK3_VKEY, kHotkeyRestoreOriginal,
         IDM_RESTORE_ORIGINAL, L"Cannot register a hotkey for 'Restore the original copy.'"},
        {&ProcessingOptionsRecord::SK4_ALT, &ProcessingOptionsRecord::SK4_VKEY, kHotkeyPastePlain, IDM_PASTE_PLAIN,
         L"Cannot register a hotkey for 'Paste as plain text.'"},
    };
    ASSERT_TRUE(Block(0, MOD_ALT, 'U'));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        ProcessingOptions.SK3_VKEY = ProcessingOptions.SK4_VKEY = 0;
        ProcessingOptions.*c.alt = true;
        ProcessingOptions.*c.key = 'U';
        ASSERT_TRUE(CreateWindowUnderTest());
        EXPECT_EQ(LastTrayBalloon().text, c.refusal);
        EXPECT_EQ(LastTrayBalloon().iconFlags, static_cast<DWORD>(NIIF_WARNING));
        // Posted, not run: the command waits for the message loop like a menu choice.
        SendMessageW(window_, WM_HOTKEY, static_cast<WPARAM>(c.id), 0);
        MSG posted = {};
        ASSERT_TRUE(PeekMessageW(&posted, window_, WM_APP_COMMAND, WM_APP_COMMAND, PM_REMOVE));
        EXPECT_EQ(posted.wParam, c.command);
        DestroyWindowUnderTest();
    }
}

// The one wording in which the two routines differ: the second key's Japanese refusal.
TEST_F(HotkeyTest, JapaneseRefusalOfTheProcessKeyIsWordedByRoutine) {
    SetLanguage(Language::Japanese);
    ProcessingOptions.SK2_CTRL = true;
    ProcessingOptions.SK2_VKEY = VK_F5;
    ASSERT_TRUE(Block(0, MOD_CONTROL, VK_F5));
    ASSERT_TRUE(CreateWindowUnderTest());
    EXPECT_EQ(LastTrayBalloon().text,
              L"「クリップボード内のテキストの属性を除去する」のホットキーの割当てに失敗しました。");
    ReregisterHotkeys(window_);
    EXPECT_EQ(LastTrayBalloon().text,
              L"「クリップボード内のテキストの属性を除去する」のホットキー割当てに失敗しました。");
}

}  // namespace
}  // namespace shell_test
