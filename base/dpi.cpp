#include "dpi.h"

#include "scoped_win.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using LoadIconWithScaleDownFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);

// Looked up at run time: a Windows without these calls would otherwise refuse to start the program.
template <typename Function>
Function SystemCall(const wchar_t* library, const char* name) {
    const HMODULE module = GetModuleHandleW(library);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

template <typename Function>
Function User32Call(const char* name) {
    return SystemCall<Function>(L"user32.dll", name);
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

HICON LoadIconAtSize(HINSTANCE module, const wchar_t* name, int size) {
    // Only the common controls of version 6 have it; the program's manifest asks for them.
    static const auto scaleDown = SystemCall<LoadIconWithScaleDownFunction>(L"comctl32.dll", "LoadIconWithScaleDown");
    HICON icon = nullptr;
    if (scaleDown && SUCCEEDED(scaleDown(module, name, size, size, &icon)) && icon) return icon;
    if (!module) return nullptr;  // a system icon of another size needs the call above
    return static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, 0));
}
