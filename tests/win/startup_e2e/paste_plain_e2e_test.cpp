#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "nuvela_harness.h"
#include "scoped_win.h"
#include "windows_system.h"

namespace {

using namespace test_support;
using clipboard_test::ClipboardDataOf;
using clipboard_test::ClipboardOwner;
using clipboard_test::ClipboardText;
using clipboard_test::DataOf;
using clipboard_test::Offer;
using clipboard_test::PumpFor;
using clipboard_test::PumpUntil;

constexpr wchar_t kTargetTitle[] = L"nuvela-e2e-paste";

// What the edit saw of the paste keystroke: 'V' with Shift or Alt down, or as a system key, is
// another shortcut than Ctrl+V.
bool otherShortcutSeen = false;
WNDPROC editProc = nullptr;

LRESULT CALLBACK RecordingEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && wParam == 'V')
        otherShortcutSeen = otherShortcutSeen || message == WM_SYSKEYDOWN || GetKeyState(VK_SHIFT) < 0 ||
                            GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) >= 0;
    return CallWindowProcW(editProc, edit, message, wParam, lParam);
}

// A window of the test in front, its edit control holding the keyboard focus, as a user's editor.
struct PasteTarget {
    UniqueWindow frame;
    HWND edit = nullptr;

    PasteTarget() {
        otherShortcutSeen = false;
        frame.reset(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", kTargetTitle, WS_POPUP | WS_VISIBLE, 0, 0, 300, 300,
                                    nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
        edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 300, 300, frame.get(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingEditProc)));
        Focus();
    }
    void Focus() const {
        SetForegroundWindow(frame.get());
        SetFocus(edit);
    }
    std::wstring Text() const { return WindowText(edit); }
};

bool TargetIsMapped() {
    return RunUnixCommand({"sh", "-c", "xdotool search --onlyvisible --name '^nuvela-e2e-paste$' >/dev/null"});
}

const std::vector<Offer> kRichCopy = {clipboard_test::UnicodeText(L"p l a i n"),
                                      clipboard_test::RegisteredFormat(L"HTML Format", "<b>p l a i n</b>")};

class PastePlainE2ETest : public NuvelaTest {
protected:
    // Nuvela with DelSpace on (so the paste shows it was processed), the target in front, and the
    // rich copy on the clipboard, seen by Nuvela. Null when something on the way failed.
    HWND StartWithRichCopy(std::vector<std::pair<std::wstring, std::wstring>> settings) {
        settings.push_back({L"DelSpace", L"1"});
        WriteIni(settings);
        HWND window = Start(iniExe_, L"").WaitForMainWindow();
        if (!window || !PumpUntil(TargetIsMapped, 15000)) return nullptr;
        target_.Focus();
        clipboard_test::Copy(nullptr, kRichCopy);
        return window;
    }

    // Pumps the test's messages (the edit pastes only then) while "/V" runs; its exit code.
    DWORD PasteBySecondStart(const std::function<bool()>& pasted) {
        StartedNuvela& second = Start(iniExe_, L"/V");
        EXPECT_TRUE(PumpUntil(pasted, 15000)) << "pasted: " << testing::PrintToString(target_.Text());
        EXPECT_TRUE(PumpUntil([&] { return !second.Running(); }, 15000));
        return second.ExitCode();
    }

    PasteTarget target_;
};

// Monitoring off. Hotkey 4, pressed as users press it with its modifiers still held: the edit gets
// Ctrl+V and nothing else, and then the copy is back as it was, byte for byte. Then "/V", and the
// user copies again before the delay is over: that copy stays.
TEST_F(PastePlainE2ETest, HotkeyAndSecondStartPasteAndTheCopyGoesBackUnlessCopiedOver) {
    HWND window = StartWithRichCopy({{L"CBWatchEnabled", L"0"}, {L"PASTE_RESTORE_MS", L"1000"}, {L"SK4_CTRL", L"1"},
                                     {L"SK4_SHIFT", L"1"}, {L"SK4_VKEY", L"119"}});  // Ctrl+Shift+F8
    ASSERT_TRUE(window);
    ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(window));
    INPUT press[] = {KeyInput(VK_CONTROL, false), KeyInput(VK_SHIFT, false), KeyInput(VK_F8, false),
                     KeyInput(VK_F8, true)};
    ASSERT_EQ(SendInput(4, press, sizeof(INPUT)), 4u);
    EXPECT_TRUE(PumpUntil([&] { return target_.Text() == L"plain"; }, 15000))
        << "pasted: " << testing::PrintToString(target_.Text());
    INPUT release[] = {KeyInput(VK_SHIFT, true), KeyInput(VK_CONTROL, true)};
    SendInput(2, release, sizeof(INPUT));
    EXPECT_FALSE(otherShortcutSeen);
    EXPECT_TRUE(PumpUntil([] { return ClipboardDataOf(kRichCopy) == DataOf(kRichCopy); }, 15000))
        << "clipboard: " << testing::PrintToString(ClipboardText());

    SetWindowTextW(target_.edit, L"");
    EXPECT_EQ(PasteBySecondStart([&] { return target_.Text() == L"plain"; }), 0u);
    clipboard_test::CopyText(nullptr, L"copied meanwhile");
    PumpFor(3000);  // well past the delay
    EXPECT_EQ(ClipboardText(), L"copied meanwhile");
    EXPECT_FALSE(clipboard_test::ClipboardHas(L"HTML Format"));
    EXPECT_FALSE(otherShortcutSeen);
}

// Hotkey 4 set to Ctrl+V: our own Ctrl+V reaches the edit, not our hotkey, so the copy is pasted
// once and goes back.
TEST_F(PastePlainE2ETest, HotkeyCtrlVPastesExactlyOnce) {
    HWND window = StartWithRichCopy(
        {{L"CBWatchEnabled", L"0"}, {L"PASTE_RESTORE_MS", L"1000"}, {L"SK4_CTRL", L"1"}, {L"SK4_VKEY", L"86"}});
    ASSERT_TRUE(window);
    ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(window));
    INPUT press[] = {KeyInput(VK_CONTROL, false), KeyInput('V', false), KeyInput('V', true),
                     KeyInput(VK_CONTROL, true)};
    ASSERT_EQ(SendInput(4, press, sizeof(INPUT)), 4u);
    EXPECT_TRUE(PumpUntil([&] { return target_.Text() == L"plain"; }, 15000))
        << "pasted: " << testing::PrintToString(target_.Text());
    EXPECT_TRUE(PumpUntil([] { return ClipboardDataOf(kRichCopy) == DataOf(kRichCopy); }, 15000));
    PumpFor(1000);  // a keystroke of ours taken by our own hotkey would have pasted again by now
    EXPECT_EQ(target_.Text(), L"plain");
    EXPECT_FALSE(otherShortcutSeen);
}

// Monitoring on: the clipboard already holds Nuvela's result, which is pasted and stays.
TEST_F(PastePlainE2ETest, WithMonitoringOnTheResultIsPastedAndNothingPutBack) {
    HWND window = StartWithRichCopy({{L"CBWatchEnabled", L"1"}, {L"PASTE_RESTORE_MS", L"100"}});
    ASSERT_TRUE(window);
    ASSERT_TRUE(PumpUntil([&] { return ClipboardOwner() == window && ClipboardText() == L"plain"; }, 15000));
    const DWORD sequence = GetClipboardSequenceNumber();
    EXPECT_EQ(PasteBySecondStart([&] { return target_.Text() == L"plain"; }), 0u);
    PumpFor(1500);  // many times the delay after which a put-back would have come
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_FALSE(clipboard_test::ClipboardHas(L"HTML Format"));
}

}  // namespace
