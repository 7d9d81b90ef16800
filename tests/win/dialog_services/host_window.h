#pragma once
// A frameless top-level window with child controls standing in for a dialog. It lets any size
// through, so work areas larger than the test screen can be used, and feeds an anchor layout.
#include <ostream>
#include <windows.h>

#include "anchor_layout.h"
#include "scoped_win.h"

namespace dialog_services_test {

struct Box {
    int x, y, width, height;
    bool operator==(const Box&) const = default;
    friend void PrintTo(const Box& b, std::ostream* out) {
        *out << "(" << b.x << ", " << b.y << ", " << b.width << " x " << b.height << ")";
    }
};

// The window's box on the screen, or a child's in its parent's client area.
inline Box BoxOf(HWND window, bool inParent) {
    RECT r = {};
    GetWindowRect(window, &r);
    if (inParent) MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}
inline Box ScreenBox(HWND window) { return BoxOf(window, false); }
inline Box BoxInParent(HWND child) { return BoxOf(child, true); }
inline HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)); }

class HostWindow {
public:
    explicit HostWindow(Box box) {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Proc;
        windowClass.lpszClassName = L"NuvelaDialogServicesHost";
        RegisterClassExW(&windowClass);  // fails harmlessly when an earlier test registered it
        window_.reset(CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, box.x, box.y, box.width,
                                      box.height, nullptr, nullptr, nullptr, nullptr));
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    HostWindow(const HostWindow&) = delete;  // the window points back at its host
    HostWindow& operator=(const HostWindow&) = delete;
    HWND get() const { return window_.get(); }
    HWND AddChild(int id, const wchar_t* className, Box b, HWND parent = nullptr, DWORD style = 0) {
        return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, b.x, b.y, b.width, b.height,
                               parent ? parent : get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                               nullptr);
    }
    AnchorLayout* layout = nullptr;  // when set, answers WM_SIZE and WM_GETMINMAXINFO

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        const auto* host = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_GETMINMAXINFO) {
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = {10000, 10000};
            if (host && host->layout) host->layout->Limits(*reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        }
        if (message == WM_SIZE && host && host->layout) host->layout->Apply();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    UniqueWindow window_;
};

}  // namespace dialog_services_test
