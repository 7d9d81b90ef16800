// The reference of the paste benchmark: the least a program must do to paste a copied text as plain
// text on a hotkey: put the clipboard's text back as its only format and send Ctrl+V. Registers
// Ctrl+Shift+F8, as the measured Nuvela does; ended by WM_CLOSE from the benchmark.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

constexpr int kHotkeyId = 1;

bool OpenClipboardSoon(HWND window) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (OpenClipboard(window)) return true;
        Sleep(5);
    }
    return false;
}

void PutTextAlone(HWND window) {
    if (!OpenClipboardSoon(window)) return;
    std::vector<wchar_t> text;
    if (HANDLE handle = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* data = static_cast<const wchar_t*>(GlobalLock(handle))) {
            text.assign(data, data + wcsnlen(data, GlobalSize(handle) / sizeof(wchar_t)));
            GlobalUnlock(handle);
        }
    }
    text.push_back(L'\0');
    EmptyClipboard();
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() * sizeof(wchar_t))) {
        std::memcpy(GlobalLock(block), text.data(), text.size() * sizeof(wchar_t));
        GlobalUnlock(block);
        if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
    }
    CloseClipboard();
}

INPUT Key(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void PastePlain(HWND window) {
    PutTextAlone(window);
    INPUT keys[] = {Key(VK_CONTROL, false), Key('V', false), Key('V', true), Key(VK_CONTROL, true)};
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
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"NuvelaMinimalPaster";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance,
                                  nullptr);
    RegisterHotKey(window, kHotkeyId, MOD_CONTROL | MOD_SHIFT, VK_F8);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    UnregisterHotKey(window, kHotkeyId);
    return 0;
}
