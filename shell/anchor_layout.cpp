#include "anchor_layout.h"

namespace {

constexpr UINT kKeepOrder = SWP_NOZORDER | SWP_NOACTIVATE;

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

RECT RectInClient(HWND control, HWND window) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void Replace(LONG& component, int limit) {
    if (limit != -1) component = limit;
}

int Scaled(int value, UINT from, UINT to) { return MulDiv(value, static_cast<int>(to), static_cast<int>(from)); }

void ScaleLimit(int& limit, UINT from, UINT to) {
    if (limit != -1) limit = Scaled(limit, from, to);
}

}  // namespace

bool AnchorLayout::Setup(HWND window, std::span<const AnchorEntry> table) {
    anchors_.clear();
    window_ = nullptr;
    RECT client, frame;
    if (!IsWindow(window) || !GetClientRect(window, &client) || !GetWindowRect(window, &frame)) return false;
    window_ = window;
    minTrackWidth = openingWidth = Width(frame);
    minTrackHeight = openingHeight = Height(frame);
    maxTrackWidth = maxTrackHeight = -1;
    for (const AnchorEntry& entry : table) {
        if (entry.id == 0) break;
        HWND control = GetDlgItem(window, entry.id);
        if (!control) continue;  // a control this variant of the window does not have
        const RECT r = RectInClient(control, window);
        Anchor anchor = {control, entry.kind, 0, 0, 0, 0};
        switch (entry.kind) {
        case AnchorRight:
            anchor.a = client.right - r.left;
            anchor.b = r.top;
            break;
        case AnchorBottom:
            anchor.a = r.left;
            anchor.b = client.bottom - r.top;
            break;
        case AnchorRightBottom:
            anchor.a = client.right - r.left;
            anchor.b = client.bottom - r.top;
            break;
        case AnchorStretchWidth:
            anchor.a = Width(client) - Width(r);
            anchor.b = Height(r);
            break;
        case AnchorStretchBoth:
            anchor.a = Width(client) - Width(r);
            anchor.b = Height(client) - Height(r);
            break;
        case AnchorBottomStretchWidth:
            anchor.a = Width(client) - Width(r);
            anchor.b = client.bottom - r.top;
            anchor.x = r.left;
            anchor.h = Height(r);
            break;
        default: continue;  // an unknown kind leaves its control alone
        }
        anchors_.push_back(anchor);
    }
    return true;
}

void AnchorLayout::Apply() const {
    RECT c;
    if (!window_ || !GetClientRect(window_, &c)) return;
    for (const Anchor& anchor : anchors_) {
        const int a = anchor.a, b = anchor.b;
        switch (anchor.kind) {
        case AnchorRight: SetWindowPos(anchor.control, nullptr, c.right - a, b, 0, 0, SWP_NOSIZE | kKeepOrder); break;
        case AnchorBottom: SetWindowPos(anchor.control, nullptr, a, c.bottom - b, 0, 0, SWP_NOSIZE | kKeepOrder); break;
        case AnchorRightBottom:
            SetWindowPos(anchor.control, nullptr, c.right - a, c.bottom - b, 0, 0, SWP_NOSIZE | kKeepOrder);
            break;
        case AnchorStretchWidth:
            SetWindowPos(anchor.control, nullptr, 0, 0, c.right - a - c.left, b, SWP_NOMOVE | kKeepOrder);
            break;
        case AnchorStretchBoth:
            SetWindowPos(anchor.control, nullptr, 0, 0, c.right - a - c.left, c.bottom - b - c.top,
                         SWP_NOMOVE | kKeepOrder);
            break;
        case AnchorBottomStretchWidth:
            SetWindowPos(anchor.control, nullptr, anchor.x, c.bottom - b, c.right - a - c.left, anchor.h, kKeepOrder);
            break;
        }
    }
}

void AnchorLayout::Limits(MINMAXINFO& info) const {
    Replace(info.ptMinTrackSize.x, minTrackWidth);
    Replace(info.ptMinTrackSize.y, minTrackHeight);
    Replace(info.ptMaxTrackSize.x, maxTrackWidth);
    Replace(info.ptMaxTrackSize.y, maxTrackHeight);
}

void AnchorLayout::Rescale(UINT from, UINT to) {
    if (from == 0 || to == 0 || from == to) return;
    for (int* limit : {&minTrackWidth, &minTrackHeight, &maxTrackWidth, &maxTrackHeight}) ScaleLimit(*limit, from, to);
    openingWidth = Scaled(openingWidth, from, to);
    openingHeight = Scaled(openingHeight, from, to);
    for (Anchor& anchor : anchors_) {
        RECT now = {};
        GetWindowRect(anchor.control, &now);
        anchor.a = Scaled(anchor.a, from, to);
        anchor.x = Scaled(anchor.x, from, to);
        switch (anchor.kind) {
        case AnchorStretchWidth: anchor.b = Height(now); break;
        case AnchorBottomStretchWidth:
            anchor.b = Scaled(anchor.b, from, to);
            anchor.h = Height(now);
            break;
        default: anchor.b = Scaled(anchor.b, from, to); break;
        }
    }
}
