#include "enlarge_dialog.h"

#include <algorithm>
#include <vector>

#include "work_area.h"

EnlargeState HotkeyEnlargeState, RegexEnlargeState, MultiplyEnlargeState, SettingsEnlargeState,
    OpeningEnlargeState, AboutEnlargeState;
EnlargeState AppRulesEnlargeState;

namespace {

constexpr UINT kKeepOrder = SWP_NOZORDER | SWP_NOACTIVATE;

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }
int Scaled(int value, double scale) { return static_cast<int>(value * scale); }

std::vector<HWND> Descendants(HWND window) {
    std::vector<HWND> windows;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Grandchildren, such as the edit field inside a combo box, follow their own parent.
std::vector<HWND> DirectChildren(HWND window) {
    std::vector<HWND> children = Descendants(window);
    std::erase_if(children, [window](HWND child) { return GetParent(child) != window; });
    return children;
}

RECT ClientRectOf(HWND child, HWND parent) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The child's font scaled up (or down); the control keeps whatever else its font had.
HFONT CreateScaledFont(HFONT font, double scale) {
    LOGFONTW logFont = {};
    const HGDIOBJ source = font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT);
    if (GetObjectW(source, sizeof logFont, &logFont) != sizeof logFont) return nullptr;
    logFont.lfHeight = Scaled(logFont.lfHeight, scale);
    logFont.lfWidth = Scaled(logFont.lfWidth, scale);
    logFont.lfWeight = scale > 1 ? 600 : FW_NORMAL;
    return CreateFontIndirectW(&logFont);
}

void ScaleChild(EnlargeState& state, HWND dialog, HWND child) {
    const RECT rect = ClientRectOf(child, dialog);
    SetWindowPos(child, nullptr, Scaled(rect.left, state.scale), Scaled(rect.top, state.scale),
                 Scaled(Width(rect), state.scale), Scaled(Height(rect), state.scale), kKeepOrder);
    if (!state.createdFont) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        state.createdFont.reset(CreateScaledFont(font, state.scale));
        if (state.createdFont) state.previousFont = font;
    }
    if (state.createdFont) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(state.createdFont.get()), TRUE);
}

}  // namespace

// A dialog larger than the work area (one at a high DPI on a small screen, or one that cannot
// shrink as far as asked) keeps its title bar on the screen.
void PlaceDialog(HWND dialog, int placement, const RECT& workArea) {
    RECT rect;
    GetWindowRect(dialog, &rect);
    const int w = Width(rect), h = Height(rect);
    POINT to;
    switch (placement) {
    case PlaceUpperLeft: to = {workArea.left, workArea.top}; break;
    case PlaceUpperRight: to = {workArea.right - w, workArea.top}; break;
    case PlaceLowerLeft: to = {workArea.left, workArea.bottom - h}; break;
    case PlaceLowerRight: to = {workArea.right - w, workArea.bottom - h}; break;
    case PlaceCentre:
        to = {workArea.left + Width(workArea) / 2 - w / 2, workArea.top + Height(workArea) / 2 - h / 2};
        break;
    default: return;
    }
    const RECT inside = PlaceInsideWorkArea({to.x, to.y, to.x + w, to.y + h}, workArea);
    SetWindowPos(dialog, nullptr, inside.left, inside.top, 0, 0, SWP_NOSIZE | kKeepOrder);
}

bool EnlargeDialog(EnlargeState& state, HWND dialog, int placement) {
    RECT rect;
    if (!IsWindow(dialog) || !GetWindowRect(dialog, &rect)) return false;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromPoint({rect.left, rect.top}, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
    return EnlargeDialogInWorkArea(state, dialog, placement, monitor.rcWork);
}

bool EnlargeDialogInWorkArea(EnlargeState& state, HWND dialog, int placement, const RECT& workArea) {
    if (!IsWindow(dialog)) return false;
    state.dialog = dialog;
    RECT rect;
    GetWindowRect(dialog, &rect);
    if (Width(rect) <= 0 || Height(rect) <= 0) return false;  // nothing to scale from
    state.scale = std::min(static_cast<double>(Width(workArea)) / Width(rect),
                           static_cast<double>(Height(workArea)) / Height(rect));
    SetWindowPos(dialog, nullptr, 0, 0, Scaled(Width(rect), state.scale), Scaled(Height(rect), state.scale),
                 SWP_NOMOVE | kKeepOrder);
    for (HWND child : DirectChildren(dialog)) ScaleChild(state, dialog, child);
    PlaceDialog(dialog, placement, workArea);
    return true;
}

void UndoEnlargeDialog(EnlargeState& state) {
    if (state.dialog && state.createdFont) {
        for (HWND window : Descendants(state.dialog))
            SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(state.previousFont), TRUE);
        state.createdFont.reset();
    }
    state.dialog = nullptr;
    state.previousFont = nullptr;
    state.scale = 0;
}
