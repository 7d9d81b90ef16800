#pragma once
// A handful of helpers for dialog controls, so the dialogs read as what they do.
#include <string>
#include <windows.h>

// A box counts as checked only when it reports BST_CHECKED (an indeterminate one does not).
inline bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline void SetChecked(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

inline void EnableControl(HWND dialog, int id, bool enabled) { EnableWindow(GetDlgItem(dialog, id), enabled); }

// The control's text, at most `maxUnits` units of it.
inline std::wstring ControlText(HWND dialog, int id, int maxUnits) {
    std::wstring text(static_cast<size_t>(maxUnits) + 1, L'\0');
    text.resize(static_cast<size_t>(GetDlgItemTextW(dialog, id, text.data(), maxUnits + 1)));
    return text;
}
inline void SetControlText(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }

inline void AddComboItem(HWND dialog, int id, const wchar_t* text) {
    SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}
inline void SelectComboItem(HWND dialog, int id, int index) {
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
// The selected index, or CB_ERR (-1) when nothing is selected.
inline int ComboSelection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}
