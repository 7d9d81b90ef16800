#pragma once
// A top-level window with child controls standing in for a dialog. It lets any size through, so
// work areas larger than the test screen can be used, and hands size changes to an anchor layout.
#include <ostream>
#include <windows.h>

#include "anchor_layout.h"
#include "scoped_win.h"

namespace dialog_services_test {

struct Box {
    int x, y, width, height;
    bool operator==(const Box&) const = default;
    friend void PrintTo(const Box& box, std::ostream* out) {
        *out << "(" << box.x << ", " << box.y << ", " << box.width << " x " << box.height << ")";
    }
};

class HostWindow {
public:
    explicit HostWindow(Box box);
    HostWindow(const HostWindow&) = delete;  // the window keeps a pointer to its host
    HostWindow& operator=(const HostWindow&) = delete;
    HWND get() const { return window_.get(); }
    HWND AddChild(int id, const wchar_t* className, Box box, HWND parent = nullptr, DWORD style = 0);
    AnchorLayout* layout = nullptr;  // when set, answers WM_SIZE and WM_GETMINMAXINFO

private:
    UniqueWindow window_;
};

Box ScreenBox(HWND window);
Box BoxInParent(HWND child);  // in the parent's client coordinates
HFONT FontOf(HWND window);
LOGFONTW LogFontOf(HFONT font);

}  // namespace dialog_services_test
