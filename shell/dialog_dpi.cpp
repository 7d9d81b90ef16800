#include "dialog_dpi.h"

#include <vector>

namespace {

int Scale(int value, UINT from, UINT to) { return MulDiv(value, static_cast<int>(to), static_cast<int>(from)); }

bool IsComboBox(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    return lstrcmpiW(className, L"ComboBox") == 0;
}

struct ControlPlace {
    HWND control;
    RECT rect;  // in the dialog's client area; a combo box's with its list
};

// A combo box's window is only its closed part; the height it is given includes its list.
RECT PlaceOf(HWND control, HWND dialog) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    if (IsComboBox(control)) {
        RECT list = {};
        if (SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list)) && list.bottom > rect.bottom)
            rect.bottom = rect.top + (list.bottom - list.top);
    }
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

void DpiFont::Record(HWND control, UINT dpi) {
    const auto held = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (held && GetObjectW(held, sizeof font_, &font_) == sizeof font_) dpi_ = dpi;
}

bool DpiFont::Apply(HWND dialog, UINT dpi) {
    if (dpi_ == 0) return false;
    LOGFONTW scaled = font_;
    scaled.lfHeight = Scale(font_.lfHeight, dpi_, dpi);
    UniqueGdiObject font(CreateFontIndirectW(&scaled));
    if (!font) return false;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT))
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    made_ = std::move(font);  // the previous one is released only now that no control uses it
    return true;
}

void RescaleDialog(HWND dialog, DpiFont& font, UINT from, UINT to, const RECT& suggested) {
    if (from == 0 || to == 0 || from == to) return;
    std::vector<ControlPlace> places;  // all read before the font changes the combo boxes' heights
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT))
        places.push_back({control, PlaceOf(control, dialog)});
    SetWindowPos(dialog, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    font.Apply(dialog, to);
    for (const ControlPlace& place : places) {
        const RECT& r = place.rect;
        // Sizes are scaled as sizes, so a change there and back gives each control its own again.
        SetWindowPos(place.control, nullptr, Scale(r.left, from, to), Scale(r.top, from, to),
                     Scale(r.right - r.left, from, to), Scale(r.bottom - r.top, from, to), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(dialog, nullptr, TRUE);
}
