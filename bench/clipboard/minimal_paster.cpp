// The reference of the paste benchmark: the least a program must do to paste a copied text as plain
// text on a hotkey: put the clipboard's text back as its only format and send Ctrl+V. Registers
// Ctrl+Shift+F8, as the measured Nuvela does; ended by WM_CLOSE from the benchmark.
#include <windows.h>

#include "reference_program.h"
#include "windows_system.h"

namespace {

constexpr int kHotkeyId = 1;

void PastePlain(HWND window) {
    if (OpenClipboardSoon(window)) {
        PutTextAlone();
        CloseClipboard();
    }
    INPUT keys[] = {KeyInput(VK_CONTROL, false), KeyInput('V', false), KeyInput('V', true),
                    KeyInput(VK_CONTROL, true)};
    SendInput(4, keys, sizeof(INPUT));
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_HOTKEY: PastePlain(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HWND window = CreateReferenceWindow(instance, L"NuvelaMinimalPaster", Procedure);
    RegisterHotKey(window, kHotkeyId, MOD_CONTROL | MOD_SHIFT, VK_F8);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    UnregisterHotKey(window, kHotkeyId);
    return 0;
}
