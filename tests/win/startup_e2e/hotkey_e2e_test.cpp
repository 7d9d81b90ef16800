#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clipboard_access.h"
#include "nuvela_harness.h"
#include "scoped_win.h"

namespace {

using namespace test_support;
using clipboard_test::ClipboardOwner;
using clipboard_test::ClipboardText;
using clipboard_test::PumpUntil;

constexpr wchar_t kKeyTargetTitle[] = L"nuvela-e2e-keys";

int clipboardNotices = 0;  // of the key target, which listens to the clipboard too

LRESULT CALLBACK KeyTargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLIPBOARDUPDATE) ++clipboardNotices;
    return DefWindowProcW(window, message, wParam, lParam);
}

// A visible window of the test under the pointer, so the X server hands the keys to Wine.
UniqueWindow MakeKeyTarget() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = KeyTargetProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"NuvelaE2EKeyTarget";
    RegisterClassExW(&windowClass);
    UniqueWindow window(CreateWindowExW(WS_EX_TOPMOST, L"NuvelaE2EKeyTarget", kKeyTargetTitle, WS_POPUP | WS_VISIBLE,
                                        0, 0, 300, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    SetForegroundWindow(window.get());
    SetFocus(window.get());
    AddClipboardFormatListener(window.get());
    return window;
}

// The X server has mapped the target: xdotool finds it among the viewable windows.
bool KeyTargetIsMapped() {
    return RunUnixCommand({"sh", "-c", "xdotool search --onlyvisible --name '^nuvela-e2e-keys$' >/dev/null"});
}

using HotkeyE2ETest = NuvelaTest;

// Ctrl+Alt+F9 pressed on the X display (xdotool) reaches the program as hotkey 2.
TEST_F(HotkeyE2ETest, ProcessHotkeyPressedOnTheDisplayProcessesTheClipboard) {
    WriteIni({{L"CBWatchEnabled", L"0"}, {L"DelSpace", L"1"}, {L"SK2_CTRL", L"1"}, {L"SK2_ALT", L"1"},
              {L"SK2_VKEY", L"120"}});
    StartedNuvela& first = Start(iniExe_, L"");
    HWND window = first.WaitForMainWindow();
    ASSERT_TRUE(window);
    const UniqueWindow target = MakeKeyTarget();
    ASSERT_TRUE(PumpUntil(KeyTargetIsMapped, 15000)) << "the key target never appeared on the display";
    // Once our notice of the copy has come, Nuvela's is queued; the command posted behind it has
    // been handled when its save shows, so Nuvela has seen the copy and left it alone.
    const int notices = clipboardNotices;
    clipboard_test::CopyText(nullptr, L"c o p i e d");
    ASSERT_TRUE(PumpUntil([&] { return clipboardNotices > notices; }, 15000));
    ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(window));
    ASSERT_NE(ClipboardOwner(), window);
    ASSERT_EQ(ClipboardText(), L"c o p i e d");

    // Sent to the window itself: pressed through the keyboard, the X server's own Ctrl+Alt+Fn
    // (switch to console n) would swallow the key before any client saw it.
    const auto xWindow = reinterpret_cast<ULONG_PTR>(GetPropW(target.get(), L"__wine_x11_whole_window"));
    ASSERT_NE(xWindow, 0u);
    const std::string windowId = std::to_string(xWindow);
    ASSERT_TRUE(RunUnixCommand({"xdotool", "key", "--window", windowId.c_str(), "ctrl+alt+F9"}));
    EXPECT_TRUE(PumpUntil([&] { return ClipboardOwner() == window && ClipboardText() == L"copied"; }, 60000))
        << "the key processed nothing: " << testing::PrintToString(ClipboardText());
}

}  // namespace
