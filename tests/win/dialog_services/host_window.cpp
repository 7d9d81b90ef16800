#include "host_window.h"

namespace dialog_services_test {
namespace {

constexpr wchar_t kHostClass[] = L"NuvelaDialogServicesHost";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* host = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_GETMINMAXINFO) {
        auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
        info.ptMaxTrackSize = {10000, 10000};
        if (host && host->layout) host->layout->Limits(info);
        return 0;
    }
    if (message == WM_SIZE && host && host->layout) host->layout->Apply();
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HostWindow::HostWindow(Box box) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kHostClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when an earlier test registered it
    window_.reset(CreateWindowExW(0, kHostClass, L"host", WS_POPUP, box.x, box.y, box.width, box.height, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HWND HostWindow::AddChild(int id, const wchar_t* className, Box box, HWND parent, DWORD style) {
    return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, box.x, box.y, box.width, box.height,
                           parent ? parent : get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

Box ScreenBox(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

Box BoxInParent(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)); }

LOGFONTW LogFontOf(HFONT font) {
    LOGFONTW logFont = {};
    GetObjectW(font, sizeof logFont, &logFont);
    return logFont;
}

}  // namespace dialog_services_test
