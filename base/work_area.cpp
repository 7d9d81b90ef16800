#include "work_area.h"

#include <algorithm>

RECT PlaceInsideWorkArea(const RECT& rect, const RECT& workArea) {
    const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
    // The far edge first: the near edge then wins for a rectangle larger than the area.
    const LONG left = std::max(std::min(rect.left, workArea.right - width), workArea.left);
    const LONG top = std::max(std::min(rect.top, workArea.bottom - height), workArea.top);
    return {left, top, left + width, top + height};
}

RECT NearestWorkArea(const RECT& rect) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor)) return rect;
    return monitor.rcWork;
}

void MoveInsideWorkArea(HWND window) {
    RECT rect = {};
    if (!GetWindowRect(window, &rect)) return;
    const RECT inside = PlaceInsideWorkArea(rect, NearestWorkArea(rect));
    if (inside.left == rect.left && inside.top == rect.top) return;
    SetWindowPos(window, nullptr, inside.left, inside.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
