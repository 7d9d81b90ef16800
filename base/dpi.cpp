#include "dpi.h"

#include "scoped_win.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);

// Looked up at run time: a Windows without these calls would otherwise refuse to start the program.
template <typename Function>
Function User32Call(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

GetDpiForWindowFunction PerWindowDpiCall() {
    static const auto call = User32Call<GetDpiForWindowFunction>("GetDpiForWindow");
    return call;
}

UINT ScreenDpi() {
    const WindowDc screen;
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

}  // namespace

UINT DpiOf(HWND window) {
    if (const auto perWindow = PerWindowDpiCall(); perWindow && window) {
        if (const UINT dpi = perWindow(window)) return dpi;
    }
    return ScreenDpi();
}

int ScaleForDpi(int value96, UINT dpi) { return MulDiv(value96, static_cast<int>(dpi), kBaseDpi); }

void TakeOverDialogDpiChanges(HWND dialog) {
    static const auto call = User32Call<SetDialogDpiChangeBehaviorFunction>("SetDialogDpiChangeBehavior");
    if (call) call(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}
