#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {
namespace {

// A visible window of the test under the pointer, so the X server hands the keys to Wine.
HWND MakeKeyTarget() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"NuvelaE2EKeyTarget";
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"NuvelaE2EKeyTarget", L"keys", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    return window;
}

void PumpBriefly(DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (GetTickCount64() < deadline) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
}

// Wine runs no Unix program through CreateProcess; its ntdll spawns one directly.
bool RunUnixCommand(std::vector<const char*> arguments) {
    using SpawnFunction = LONG(CDECL*)(char* const argv[], int wait);
    const auto spawn = reinterpret_cast<SpawnFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn) return false;
    arguments.push_back(nullptr);
    return spawn(const_cast<char* const*>(arguments.data()), 1) == 0;
}

using HotkeyE2ETest = E2ETest;

// Ctrl+Alt+F9 pressed on the X display (xdotool) reaches the program as hotkey 2.
TEST_F(HotkeyE2ETest, ProcessHotkeyPressedOnTheDisplayProcessesTheClipboard) {
    WriteIni(folder_->path(),
             {{L"CBWatchEnabled", L"0"}, {L"SK2_CTRL", L"1"}, {L"SK2_ALT", L"1"}, {L"SK2_VKEY", L"120"}});
    Started& first = Start(iniExe_, L"");
    HWND window = WaitForMainWindow(first.id());
    ASSERT_TRUE(window);
    HWND target = MakeKeyTarget();
    PumpBriefly(300);
    CopyText(L"copied by hand");
    ASSERT_NE(ClipboardOwner(), window);

    // Sent to the window itself: pressed through the keyboard, the X server's own Ctrl+Alt+Fn
    // (switch to console n) would swallow the key before any client saw it.
    const auto xWindow = reinterpret_cast<ULONG_PTR>(GetPropW(target, L"__wine_x11_whole_window"));
    ASSERT_NE(xWindow, 0u);
    const std::string windowId = std::to_string(xWindow);
    ASSERT_TRUE(RunUnixCommand({"xdotool", "key", "--window", windowId.c_str(), "ctrl+alt+F9"}));
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (ClipboardOwner() != window && GetTickCount64() < deadline) PumpBriefly(50);
    EXPECT_EQ(ClipboardOwner(), window);
    DestroyWindow(target);
}

}  // namespace
}  // namespace e2e
