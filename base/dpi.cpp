#include "dpi.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Looked up at run time: a Windows without the call would otherwise refuse to start the program.
GetDpiForWindowFunction PerWindowDpiCall() {
    static const auto call = [] {
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        return user32 ? reinterpret_cast<GetDpiForWindowFunction>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                      : nullptr;
    }();
    return call;
}

class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

UINT ScreenDpi() {
    const ScreenDc screen;
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
